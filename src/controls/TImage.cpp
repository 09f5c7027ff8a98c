#include "TImage.h"
#include "PictureFit.h"

#include <QPainter>

TImage::TImage(QWidget *parent) : TControl(parent) {}

void TImage::setPicture(const Picture &picture)
{
    if (picture.sharesImageWith(m_picture))
        return;
    m_picture = picture;
    if (m_autoSize && !picture.isNull())
        resize(picture.size());
    update();
}

void TImage::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on && !m_picture.isNull())
        resize(m_picture.size());
}

QRect TImage::pictureRect() const
{
    return fitPicture(m_picture.size(), size(), m_stretch, m_proportional, m_center);
}

void TImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    const bool keyed = m_transparent && m_picture.isBitmap();
    const QPixmap pixmap = keyed ? m_picture.pixmapWithoutColourAtBottomLeft() : m_picture.pixmap();
    QPainter painter(this);
    const QRect target = pictureRect();
    if (target.size() != pixmap.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap);
}
