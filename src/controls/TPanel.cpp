#include "TPanel.h"

#include "CachedText.h"

#include <QPainter>

TPanel::TPanel(QWidget *parent) : TControl(parent) {}

void TPanel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(caption);
    update();
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
