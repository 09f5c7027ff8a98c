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
    const qreal screenRatio = devicePixelRatioF();
    const QPixmap pixmap = keyed ? m_picture.pixmapWithoutColourAtBottomLeft(screenRatio)
                                 : m_picture.pixmap(screenRatio);
    QPainter painter(this);
    // Fitted in the layout's pixels whichever rendering is drawn, so nothing moves with the scale.
    const QRect target = pictureRect();
    if (QSizeF(target.size()) != pixmap.deviceIndependentSize() || pixmap.devicePixelRatio() != screenRatio)
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pixmap);
}
