#include "IconPack.h"

#include <QBuffer>
#include <QtEndian>
#include <stdexcept>

namespace art {
namespace {

void put16(QByteArray &out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void put32(QByteArray &out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

} // namespace

QByteArray packIcon(const QList<QImage> &images)
{
    QList<QByteArray> pngs;
    for (const QImage &image : images) {
        if (image.isNull() || image.width() > 256 || image.height() > 256)
            throw std::runtime_error("an icon image is 1 to 256 pixels on each side");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
            throw std::runtime_error("cannot encode an icon image");
        pngs.append(png);
    }
    QByteArray out;
    put16(out, 0); // reserved
    put16(out, 1); // type: icon
    put16(out, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        out.append(char(images[i].width() & 0xFF)); // 256 is written as 0
        out.append(char(images[i].height() & 0xFF));
        out.append(char(0)); // no palette
        out.append(char(0)); // reserved
        put16(out, 1);       // colour planes
        put16(out, 32);      // bits per pixel
        put32(out, quint32(pngs[i].size()));
        put32(out, offset);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        out.append(png);
    return out;
}

} // namespace art
