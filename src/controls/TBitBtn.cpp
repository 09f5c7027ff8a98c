#include "TBitBtn.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace {
constexpr int kGlyphCells = 4;
constexpr int kSpacing = 4;
}

void TBitBtn::setGlyph(const Picture &strip)
{
    m_glyph = strip;
    update();
}

QSize TBitBtn::cellSize() const
{
    const QSize strip = m_glyph.size();
    return strip.isValid() ? QSize(strip.width() / kGlyphCells, strip.height()) : QSize(0, 0);
}

int TBitBtn::glyphCellShown() const
{
    if (!isEnabled())
        return 2;
    return isDown() ? 3 : 1;
}

QRect TBitBtn::glyphRect() const
{
    const QSize cell = cellSize();
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int gap = cell.width() > 0 && !text().isEmpty() ? kSpacing : 0;
    const int left = (width() - (cell.width() + gap + textWidth)) / 2;
    return {QPoint(left, (height() - cell.height()) / 2), cell};
}

QSize TBitBtn::sizeHint() const
{
    return {75, 25};
}

void TBitBtn::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const QRect glyph = glyphRect();
    const int shift = isDown() ? 1 : 0; // the pressed look moves the content as a sunken button does
    if (!m_glyph.isNull()) {
        const qreal screenRatio = devicePixelRatioF();
        const QPixmap strip = m_glyph.pixmapWithoutColourAtBottomLeft(screenRatio);
        // The source is in the strip's own pixels, twice as many in a 2x strip.
        const int cellWidth = strip.width() / kGlyphCells;
        const QRect source((glyphCellShown() - 1) * cellWidth, 0, cellWidth, strip.height());
        if (strip.devicePixelRatio() != screenRatio)
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(glyph.translated(shift, shift), strip, source);
    }
    const int gap = glyph.width() > 0 ? kSpacing : 0;
    const QRect textRect(glyph.right() + 1 + gap + shift, shift, width(), height());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
}
