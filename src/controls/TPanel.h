#pragma once
// Panel: an optional border band, its own fill or the background beneath, and a one-line caption
// centred in the inner rectangle and clipped to it.

#include "TControl.h"
#include <QColor>

class TPanel : public TControl
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int BorderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentBackground READ parentBackground WRITE setParentBackground)

public:
    explicit TPanel(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width) { m_borderWidth = width; update(); }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool parentBackground() const { return m_parentBackground; }
    void setParentBackground(bool on);
    QRect innerRect() const;
    // Where the caption `text` can leave ink: its centred line with a margin for glyph overhangs.
    QRect captionArea(const QString &text) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateOpacity();

    QString m_caption;
    int m_borderWidth = 0;
    QColor m_color;
    bool m_parentBackground = true;
};
