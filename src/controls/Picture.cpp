#include "Picture.h"

#include <QImage>
#include <QImageReader>
#include <stdexcept>

namespace {

QImage readWithQt(const QString &path)
{
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error("cannot read picture " + path.toStdString() + ": " + reader.errorString().toStdString());
    return image;
}

struct Rendering {
    QString path;
    QPixmap pixmap;      // decoded on demand
    QPixmap keyed;       // bitmap with its transparent colour masked, made on demand
};

} // namespace

struct Picture::Data {
    QSize size;
    bool bitmap = false;
    FileReader reader = nullptr;
    Rendering single, twice;  // at 1x and, when there is one, at 2x

    // The 2x rendering on any screen denser than 1x, when there is one.
    bool wantsTwice(qreal devicePixelRatio) const { return devicePixelRatio > 1 && !twice.path.isEmpty(); }
};

Picture Picture::fromFile(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid())
        throw std::runtime_error("cannot read picture " + path.toStdString());
    return fromFile(path, size, reader.format() == "bmp");
}

Picture Picture::fromFile(const QString &path, QSize size, bool bitmap, const QString &path2x, FileReader reader)
{
    Picture picture;
    picture.m_data = std::make_shared<Data>();
    picture.m_data->size = size;
    picture.m_data->bitmap = bitmap;
    picture.m_data->reader = reader ? reader : readWithQt;
    picture.m_data->single.path = path;
    picture.m_data->twice.path = path2x;
    return picture;
}

Picture Picture::fromImage(const QImage &image)
{
    Picture picture;
    picture.m_data = std::make_shared<Data>();
    picture.m_data->size = image.size();
    picture.m_data->single.pixmap = QPixmap::fromImage(image);
    return picture;
}

QSize Picture::size() const
{
    return m_data ? m_data->size : QSize();
}

bool Picture::isBitmap() const
{
    return m_data && m_data->bitmap;
}

QPixmap Picture::pixmap(qreal devicePixelRatio) const
{
    if (!m_data)
        return {};
    const bool twice = m_data->wantsTwice(devicePixelRatio);
    Rendering &rendering = twice ? m_data->twice : m_data->single;
    if (rendering.pixmap.isNull() && !rendering.path.isEmpty()) {
        const int scale = twice ? 2 : 1;
        QImage image = m_data->reader(rendering.path);
        if (image.size() != m_data->size * scale)
            throw std::runtime_error("picture " + rendering.path.toStdString() + " has the wrong size");
        image.setDevicePixelRatio(scale);
        rendering.pixmap = QPixmap::fromImage(std::move(image));
    }
    return rendering.pixmap;
}

QPixmap Picture::pixmapWithoutColourAtBottomLeft(qreal devicePixelRatio) const
{
    if (!m_data)
        return {};
    Rendering &rendering = m_data->wantsTwice(devicePixelRatio) ? m_data->twice : m_data->single;
    if (rendering.keyed.isNull()) {
        QImage image = pixmap(devicePixelRatio).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return {};
        const QRgb key = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] == key)
                    line[x] = 0;
        }
        rendering.keyed = QPixmap::fromImage(image);
    }
    return rendering.keyed;
}
