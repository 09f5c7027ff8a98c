#pragma once
// Push button with a caption and a glyph strip of four equal cells (normal, disabled, pressed,
// normal). Glyph left of the caption, 4 px apart, centred together.

#include "Picture.h"
#include <QAbstractButton>

class TBitBtn : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(int Tag READ tag WRITE setTag)
    Q_PROPERTY(QString Caption READ text WRITE setText)

public:
    explicit TBitBtn(QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    const Picture &glyph() const { return m_glyph; }
    void setGlyph(const Picture &strip);
    int glyphCellShown() const;         // 1, 2 or 3
    QRect glyphRect() const;            // where the cell is drawn
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QSize cellSize() const;
    int m_tag = 0;
    Picture m_glyph;
};
