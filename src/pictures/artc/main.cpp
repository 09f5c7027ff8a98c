// Build-time art compiler: renders the SVG drawings of the picture catalogue to their stored form.
//   artc render <svg> <form> <WxH> <stored> <packed>   one picture, and its packed copy
//   artc mirror <stored> <mirror stored> <mirror packed>
//                                                      the exact mirror image of a rendered picture
//   artc icon <out.ico> <in.png>...                    a Windows icon of PNG images
//   artc preview <svg> <WxH> <form> <out.png> [zoom]   one drawing, for the artist: also a zoomed
//                                                      copy, the margins and what the frame cuts off

#include "ArtRender.h"
#include "IconPack.h"
#include "pictures/PackedImage.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <stdexcept>

namespace {

void save(const QImage &image, const QString &path)
{
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
}

QImage load(const QString &path)
{
    QImage image(path);
    if (image.isNull())
        throw std::runtime_error("cannot read " + path.toStdString());
    return image;
}

// Packs the stored file as it reads back, so the program shows exactly the stored pixels.
void savePacked(const QString &storedPath, const QString &packedPath)
{
    const QImage stored = load(storedPath);
    QFile file(packedPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(packImage(stored)) < 0
        || !file.flush())
        throw std::runtime_error("cannot write " + packedPath.toStdString());
}

QSize sizeFrom(const QString &text)
{
    const QStringList wh = text.split(QLatin1Char('x'));
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    if (wh.size() != 2 || size.isEmpty())
        throw std::runtime_error("bad size " + text.toStdString());
    return size;
}

int render(const QStringList &args)
{
    save(art::render(args[2], sizeFrom(args[4]), pictureFormFromName(args[3])), args[5]);
    savePacked(args[5], args[6]);
    return 0;
}

int mirror(const QStringList &args)
{
    const QImage first = load(args[2]);
    save(art::mirrored(first.convertToFormat(first.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                     : QImage::Format_RGB888)),
         args[3]);
    savePacked(args[3], args[4]);
    return 0;
}

int icon(const QStringList &args)
{
    QList<QImage> images;
    for (qsizetype i = 3; i < args.size(); ++i)
        images.append(load(args[i]));
    QFile file(args[2]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(art::packIcon(images)) < 0
        || !file.flush())
        throw std::runtime_error("cannot write " + args[2].toStdString());
    return 0;
}

int preview(const QStringList &args)
{
    const QSize size = sizeFrom(args[3]);
    const PictureForm form = pictureFormFromName(args[4]);
    const QImage image = art::render(args[2], size, form);
    save(image, args[5]);
    const int zoom = args.size() > 6 ? args[6].toInt() : 4;
    QString zoomed = args[5];
    zoomed.replace(QLatin1String(".png"), QStringLiteral("_x%1.png").arg(zoom));
    save(image.scaled(size * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation), zoomed);
    const QRgb ground = form == PictureForm::Png ? 0xFFFFFFFF : art::kMagenta;
    const auto m = art::marginsAround(image.convertToFormat(QImage::Format_RGB32), ground);
    const QSize frame = form == PictureForm::Glyph ? QSize(size.width() / 4, size.height()) : size;
    const auto cut = art::inkOutsideFrame(args[2], frame);
    std::printf("%dx%d margins left %d top %d right %d bottom %d (want 0..6 on every side)\n"
                "ink cut off by the frame: left %d top %d right %d bottom %d (want 0)\n",
                size.width(), size.height(), m.left, m.top, m.right, m.bottom,
                cut.left, cut.top, cut.right, cut.bottom);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for <text> need the GUI side
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    try {
        if (command == QLatin1String("render") && args.size() == 7)
            return render(args);
        if (command == QLatin1String("mirror") && args.size() == 5)
            return mirror(args);
        if (command == QLatin1String("icon") && args.size() >= 4)
            return icon(args);
        if (command == QLatin1String("preview") && args.size() >= 6)
            return preview(args);
        std::fprintf(stderr, "usage: artc render <svg> <form> <WxH> <stored> <packed>\n"
                             "       artc mirror <stored> <mirror stored> <mirror packed>\n"
                             "       artc icon <out.ico> <in.png>...\n"
                             "       artc preview <svg> <WxH> <form> <out.png> [zoom]\n");
        return 2;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "artc: %s\n", error.what());
        return 1;
    }
}
