#pragma once
// Push button with a caption and a glyph strip of four equal cells (normal, disabled, pressed,
// normal). Glyph left of the caption, 4 px apart, centred together.

#include "ClickRule.h"
#include "Picture.h"
#include "Tag.h"

#include <QAbstractButton>

// The button's own press and release give its click; the second press of a double-click gives none.
class TBitBtn : public IgnoresSecondPress<QAbstractButton>
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)

public:
    explicit TBitBtn(QWidget *parent = nullptr) : IgnoresSecondPress<QAbstractButton>(parent) {}

    const Picture &glyph() const { return m_glyph; }
    void setGlyph(const Picture &strip);
    int glyphCellShown() const;         // 1, 2 or 3
    QRect glyphRect() const;            // where the cell is drawn
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize cellSize() const;
    Picture m_glyph;
};
