#include "PackedImage.h"

#include <QFile>
#include <QResource>
#include <algorithm>
#include <cstring>
#include <stdexcept>

// Layout (little-endian): "VPX1", width, height, QImage::Format as 32-bit words, then runs until
// every pixel is given. A run is a 16-bit count: with the top bit set, the next pixel repeated
// (count & 0x7fff) times; otherwise that many pixels follow as they are.

// Pixels are stored as the host's 32-bit words; every platform the game builds for is little-endian.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "packed pictures assume a little-endian host");

namespace {

constexpr char kMagic[4] = {'V', 'P', 'X', '1'};
constexpr quint16 kRepeat = 0x8000;
constexpr int kMaxRun = 0x7fff;
constexpr int kMaxSide = 1 << 14;

void putWord(QByteArray &out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

void putCount(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xff));
    out.append(char(value >> 8));
}

class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    const char *take(qsizetype bytes)
    {
        if (bytes > m_data.size() - m_at)
            throw std::runtime_error("packed picture is truncated");
        const char *at = m_data.data() + m_at;
        m_at += bytes;
        return at;
    }
    quint32 word()
    {
        const auto *b = reinterpret_cast<const uchar *>(take(4));
        return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    }
    quint16 count()
    {
        const auto *b = reinterpret_cast<const uchar *>(take(2));
        return quint16(b[0] | b[1] << 8);
    }
    bool atEnd() const { return m_at == m_data.size(); }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
};

} // namespace

QByteArray packImage(const QImage &image)
{
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_RGB32;
    const QImage pixels = image.convertToFormat(format);
    QByteArray out(kMagic, 4);
    putWord(out, quint32(pixels.width()));
    putWord(out, quint32(pixels.height()));
    putWord(out, quint32(format));

    // 32-bit scanlines carry no padding, so the pixels are one array.
    const auto *begin = reinterpret_cast<const quint32 *>(pixels.constBits());
    const auto *end = begin + qsizetype(pixels.width()) * pixels.height();
    auto runLength = [end](const quint32 *at) {
        const quint32 *stop = at + std::min<qsizetype>(kMaxRun, end - at);
        const quint32 *run = at + 1;
        while (run < stop && *run == *at)
            ++run;
        return int(run - at);
    };
    const quint32 *at = begin;
    while (at < end) {
        const int repeat = runLength(at);
        if (repeat >= 3) {
            putCount(out, quint16(kRepeat | repeat));
            putWord(out, *at);
            at += repeat;
            continue;
        }
        // A literal run lasts until a repeat worth packing starts.
        const quint32 *literal = at;
        while (at < end && at - literal < kMaxRun && runLength(at) < 3)
            ++at;
        putCount(out, quint16(at - literal));
        for (const quint32 *p = literal; p < at; ++p)
            putWord(out, *p);
    }
    return out;
}

QImage unpackImage(QByteArrayView packed)
{
    Reader in(packed);
    if (std::memcmp(in.take(4), kMagic, 4) != 0)
        throw std::runtime_error("not a packed picture");
    const quint32 width = in.word(), height = in.word(), format = in.word();
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        throw std::runtime_error("packed picture has a bad header");

    QImage image{int(width), int(height), QImage::Format(format)};
    if (image.isNull())
        throw std::runtime_error("out of memory for a packed picture");
    auto *at = reinterpret_cast<quint32 *>(image.bits());
    auto *const end = at + qsizetype(width) * height;
    while (at < end) {
        const quint16 count = in.count();
        const int pixels = count & kMaxRun;
        if (pixels == 0 || pixels > end - at)
            throw std::runtime_error("packed picture has a bad run");
        if (count & kRepeat) {
            std::fill_n(at, pixels, in.word());
        } else {
            std::memcpy(at, in.take(qsizetype(pixels) * 4), size_t(pixels) * 4);
        }
        at += pixels;
    }
    if (!in.atEnd())
        throw std::runtime_error("packed picture has trailing data");
    return image;
}

QImage readPictureFile(const QString &path)
{
    QImage image;
    if (path.endsWith(QLatin1String(".vpx"))) {
        QByteArray data;
        if (path.startsWith(QLatin1Char(':'))) {
            const QResource resource(path);
            if (resource.isValid())
                data = resource.uncompressedData();
        } else {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                data = file.readAll();
        }
        if (data.isEmpty())
            throw std::runtime_error("cannot read picture " + path.toStdString());
        image = unpackImage(data);
    } else {
        image.load(path);
    }
    if (image.isNull())
        throw std::runtime_error("cannot decode picture " + path.toStdString());
    return image;
}
