#include "ArtRender.h"

#include <QPainter>
#include <algorithm>
#include <QSvgRenderer>
#include <stdexcept>

namespace art {
namespace {

// The drawing's view box fills `size` pixels; `border` more pixels of the drawing's plane are shown
// on every side, beyond the view box.
QImage renderOn(const QString &svgPath, QSize size, QColor ground, int border = 0)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        throw std::runtime_error("cannot read SVG " + svgPath.toStdString());
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    if (border > 0) {
        const QRectF box = renderer.viewBoxF();
        const qreal dx = border * box.width() / size.width(), dy = border * box.height() / size.height();
        renderer.setViewBox(box.adjusted(-dx, -dy, dx, dy));
    }
    const QSize canvas = size + QSize(2 * border, 2 * border);
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(canvas)));
    painter.end();
    return image;
}

// Magenta wherever the drawing is mostly transparent; elsewhere the drawing over white, so that the
// anti-aliased rim blends towards the light bar it will stand on rather than towards magenta.
QImage onMagenta(const QImage &drawing)
{
    QImage result(drawing.size(), QImage::Format_RGB32);
    for (int y = 0; y < drawing.height(); ++y) {
        for (int x = 0; x < drawing.width(); ++x) {
            const QRgb p = drawing.pixel(x, y); // un-premultiplied
            const int a = qAlpha(p);
            if (a < 128) {
                result.setPixel(x, y, kMagenta);
                continue;
            }
            auto over = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
            result.setPixel(x, y, qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p))));
        }
    }
    return result;
}

QRgb greyed(QRgb p)
{
    const int g = 96 + qGray(p) * 140 / 255; // lighter, low-contrast grey: the disabled look
    return qRgb(g, g, g);
}

QRgb darker(QRgb p)
{
    return qRgb(qRed(p) * 7 / 10, qGreen(p) * 7 / 10, qBlue(p) * 7 / 10);
}

} // namespace

QImage render(const QString &svgPath, QSize size, PictureForm form)
{
    switch (form) {
    case PictureForm::Png:
    case PictureForm::PngEdge:
        return renderOn(svgPath, size, Qt::white).convertToFormat(QImage::Format_RGB888);
    case PictureForm::PngAlpha:
        return renderOn(svgPath, size, Qt::transparent).convertToFormat(QImage::Format_ARGB32);
    case PictureForm::Bmp:
        return onMagenta(renderOn(svgPath, size, Qt::transparent));
    case PictureForm::Glyph: {
        const QSize cell(size.width() / 4, size.height());
        return glyphStrip(onMagenta(renderOn(svgPath, cell, Qt::transparent)));
    }
    }
    throw std::logic_error("unknown picture form");
}

QImage glyphStrip(const QImage &cell)
{
    const int w = cell.width();
    QImage strip(w * 4, cell.height(), QImage::Format_RGB32);
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = cell.pixel(x, y);
            const bool ground = p == kMagenta;
            strip.setPixel(x, y, p);
            strip.setPixel(w + x, y, ground ? p : greyed(p));
            strip.setPixel(2 * w + x, y, ground ? p : darker(p));
            strip.setPixel(3 * w + x, y, p);
        }
    }
    return strip;
}

QImage mirrored(const QImage &image)
{
    return image.mirrored(true, false);
}

InkOutside inkOutsideFrame(const QString &svgPath, QSize size)
{
    const int border = std::max(size.width(), size.height()) / 4 + 2;
    const QImage image = renderOn(svgPath, size, Qt::transparent, border);
    InkOutside ink{0, 0, 0, 0};
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) < 16) // the faint anti-aliased rim of a shape that ends at the frame
                continue;
            ink.left += x < border;
            ink.right += x >= border + size.width();
            ink.top += y < border;
            ink.bottom += y >= border + size.height();
        }
    }
    return ink;
}

Margins marginsAround(const QImage &image, QRgb ground)
{
    const int w = image.width(), h = image.height();
    int left = w, right = w, top = h, bottom = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (ground & 0xFFFFFF))
                continue;
            left = std::min(left, x);
            right = std::min(right, w - 1 - x);
            top = std::min(top, y);
            bottom = std::min(bottom, h - 1 - y);
        }
    }
    return {left, top, right, bottom};
}

} // namespace art
