#include "TPanel.h"

#include "CachedText.h"

#include <QFontMetrics>
#include <QPainter>

TPanel::TPanel(QWidget *parent) : TControl(parent) {}

void TPanel::setColor(const QColor &color)
{
    m_color = color;
    updateOpacity();
    update();
}

void TPanel::setParentBackground(bool on)
{
    m_parentBackground = on;
    updateOpacity();
    update();
}

void TPanel::updateOpacity()
{
    // A panel with its own opaque ground covers everything behind it, so what lies behind need
    // not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_parentBackground && m_color.alpha() == 255);
}

void TPanel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    // Only where the old or the new caption lies: a new number repaints the number, not the panel.
    // A panel not on screen has nothing to repaint, and measuring would load its font early.
    const QRect changed = isVisible() ? captionArea(m_caption) | captionArea(caption) : QRect();
    m_caption = caption;
    setAccessibleName(caption);
    if (!changed.isEmpty())
        update(changed);
}

QRect TPanel::captionArea(const QString &text) const
{
    if (text.isEmpty())
        return {};
    const QFontMetrics metrics(font());
    const int margin = 2 + metrics.height() / 4;
    QRect line(0, 0, metrics.horizontalAdvance(text), metrics.height());
    line.moveCenter(innerRect().center());
    return line.adjusted(-margin, -margin, margin, margin) & innerRect();
}

QRect TPanel::innerRect() const
{
    return rect().adjusted(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth);
}

void TPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_parentBackground)
        painter.fillRect(rect(), m_color);
    if (m_caption.isEmpty())
        return;
    const QRect inner = innerRect();
    painter.setClipRect(inner);
    const QColor ink = palette().color(QPalette::WindowText);
    if (font().pixelSize() >= kCachedTextMinPixelSize) {
        drawCachedText(painter, inner, m_caption, font(), ink);
        return;
    }
    painter.setFont(font());
    painter.setPen(ink);
    painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, m_caption);
}
