#include "Picture.h"

#include "pictures/PackedImage.h"

#include <QImage>
#include <QImageReader>
#include <stdexcept>

struct Picture::Data {
    QString path;
    QSize size;
    bool bitmap = false;
    QPixmap pixmap;      // decoded on demand
    QPixmap keyed;       // bitmap with its transparent colour masked, made on demand
};

Picture Picture::fromFile(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid())
        throw std::runtime_error("cannot read picture " + path.toStdString());
    return fromFile(path, size, reader.format() == "bmp");
}

Picture Picture::fromFile(const QString &path, QSize size, bool bitmap)
{
    Picture picture;
    picture.m_data = std::make_shared<Data>();
    picture.m_data->path = path;
    picture.m_data->size = size;
    picture.m_data->bitmap = bitmap;
    return picture;
}

Picture Picture::fromImage(const QImage &image)
{
    Picture picture;
    picture.m_data = std::make_shared<Data>();
    picture.m_data->size = image.size();
    picture.m_data->pixmap = QPixmap::fromImage(image);
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

QPixmap Picture::pixmap() const
{
    if (!m_data)
        return {};
    if (m_data->pixmap.isNull() && !m_data->path.isEmpty()) {
        QImage image = readPictureFile(m_data->path);
        if (image.size() != m_data->size)
            throw std::runtime_error("picture " + m_data->path.toStdString() + " has the wrong size");
        m_data->pixmap = QPixmap::fromImage(std::move(image));
    }
    return m_data->pixmap;
}

QPixmap Picture::pixmapWithoutColourAtBottomLeft() const
{
    if (!m_data)
        return {};
    if (m_data->keyed.isNull()) {
        QImage image = pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return {};
        const QRgb key = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] == key)
                    line[x] = 0;
        }
        m_data->keyed = QPixmap::fromImage(image);
    }
    return m_data->keyed;
}
