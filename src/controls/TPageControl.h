#pragma once
// Page control whose tabs are all hidden: the frame of a tab widget around one page at a time.
// With no visible tab there is nothing to switch to from the keyboard, so Ctrl+Tab and
// Ctrl+Shift+Tab change nothing; the program alone chooses the page.

#include "TControl.h"
#include <QList>

class TTabSheet : public TControl
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(bool TabVisible READ tabVisible)

public:
    explicit TTabSheet(QWidget *parent = nullptr);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption) { m_caption = caption; }
    bool tabVisible() const { return false; }

private:
    QString m_caption;
};

class TPageControl : public TControl
{
    Q_OBJECT
    Q_PROPERTY(int ActivePageIndex READ activePageIndex WRITE setActivePageIndex)

public:
    explicit TPageControl(QWidget *parent = nullptr);

    // The page area inside the frame, in control coordinates.
    static QRect pageArea(QSize controlSize);

    void addPage(TTabSheet *page);
    int pageCount() const { return int(m_pages.size()); }
    TTabSheet *page(int index) const { return m_pages.value(index); }
    int activePageIndex() const { return m_active; }
    void setActivePageIndex(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QList<TTabSheet *> m_pages;
    int m_active = -1;
};
