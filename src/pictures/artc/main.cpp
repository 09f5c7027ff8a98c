// Build-time art compiler: renders the SVG drawings of the picture catalogue to their stored form.
//   artc build <catalogue.tsv> <name> <art dir> <out dir>     one catalogue row
//   artc preview <svg> <WxH> <form> <out.png> [zoom]           one drawing, for the artist: also a
//                                                              zoomed copy and the margins

#include "ArtRender.h"
#include "pictures/PackedImage.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

void save(const QImage &image, const QString &path)
{
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Packs the stored file as it reads back, so the program shows exactly the stored pixels.
void savePacked(const QString &storedPath, const QString &packedPath)
{
    const QImage stored(storedPath);
    QFile file(packedPath);
    if (stored.isNull() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(packImage(stored)) < 0 || !file.flush())
        throw std::runtime_error("cannot write " + packedPath.toStdString());
}

int build(const QStringList &args)
{
    QFile file(args[2]);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + args[2].toStdString());
    const auto catalogue = parseCatalogue(QString::fromUtf8(file.readAll()));
    const QDir artDir(args[4]), outDir(args[5]);
    for (const CatalogueEntry &entry : catalogue) {
        if (entry.name != args[3])
            continue;
        const QString svg = artDir.filePath(entry.source);
        const auto outputs = entry.outputs();
        for (int i = 0; i < outputs.size(); ++i) {
            const PictureOutput &out = outputs[i];
            if (!entry.mirrorName().isEmpty() && i == 1) {
                QImage first(outDir.filePath(outputs[0].fileName()));
                save(art::mirrored(first.convertToFormat(QImage::Format_RGB888)),
                     outDir.filePath(out.fileName()));
            } else {
                save(art::render(svg, out.size, out.form), outDir.filePath(out.fileName()));
            }
            savePacked(outDir.filePath(out.fileName()), outDir.filePath(out.packedFileName()));
        }
        return 0;
    }
    throw std::runtime_error("no catalogue row named " + args[3].toStdString());
}

PictureForm parseForm(const QString &text)
{
    const auto entries = parseCatalogue(QStringLiteral("x x %1 1x1 single").arg(text));
    return entries.first().form;
}

int preview(const QStringList &args)
{
    const QStringList wh = args[3].split(QLatin1Char('x'));
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    const PictureForm form = parseForm(args[4]);
    const QImage image = art::render(args[2], size, form);
    save(image, args[5]);
    const int zoom = args.size() > 6 ? args[6].toInt() : 4;
    QString zoomed = args[5];
    zoomed.replace(QLatin1String(".png"), QStringLiteral("_x%1.png").arg(zoom));
    save(image.scaled(size * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation), zoomed);
    const QRgb ground = form == PictureForm::Png ? 0xFFFFFFFF : art::kMagenta;
    const auto m = art::marginsAround(image.convertToFormat(QImage::Format_RGB32), ground);
    std::printf("%dx%d margins left %d top %d right %d bottom %d (want 0..6 on every side)\n",
                size.width(), size.height(), m.left, m.top, m.right, m.bottom);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for <text> need the GUI side
    const QStringList args = app.arguments();
    try {
        if (args.size() == 6 && args[1] == QLatin1String("build"))
            return build(args);
        if (args.size() >= 6 && args[1] == QLatin1String("preview"))
            return preview(args);
        std::fprintf(stderr, "usage: artc build <catalogue> <name> <art dir> <out dir>\n"
                             "       artc preview <svg> <WxH> <form> <out.png> [zoom]\n");
        return 2;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "artc: %s\n", error.what());
        return 1;
    }
}
