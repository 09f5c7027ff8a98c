#include "Catalogue.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace {

[[noreturn]] void malformed(int lineNo, const std::string &what)
{
    throw std::runtime_error("picture table line " + std::to_string(lineNo) + ": " + what);
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

// "<width>x<height>", both plain decimal numbers. Read by hand: the table is parsed at every
// start-up, and a regular expression would cost more than the rest of the parse.
QSize sizeFromText(QStringView text, int lineNo)
{
    const qsizetype cross = text.indexOf(QLatin1Char('x'));
    const QStringView width = text.left(cross), height = text.mid(cross + 1);
    if (cross < 0 || !isDigits(width) || !isDigits(height) || width.toInt() == 0 || height.toInt() == 0)
        malformed(lineNo, "bad size " + text.toString().toStdString());
    return {width.toInt(), height.toInt()};
}

const QLatin1String kMirrorPrefix("mirror:");

} // namespace

PictureForm pictureFormFromName(QStringView name)
{
    if (name == QLatin1String("png")) return PictureForm::Png;
    if (name == QLatin1String("png-edge")) return PictureForm::PngEdge;
    if (name == QLatin1String("png-alpha")) return PictureForm::PngAlpha;
    if (name == QLatin1String("bmp")) return PictureForm::Bmp;
    if (name == QLatin1String("glyph")) return PictureForm::Glyph;
    throw std::runtime_error("unknown picture form " + name.toString().toStdString());
}

bool PictureOutput::isBitmap() const
{
    return form == PictureForm::Bmp || form == PictureForm::Glyph;
}

QString PictureOutput::mirrorOf() const
{
    return source.startsWith(kMirrorPrefix) ? source.mid(kMirrorPrefix.size()) : QString();
}

QList<PictureOutput> parsePictureTable(const QString &text)
{
    QList<PictureOutput> outputs;
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int lineNo = i + 1;
        const auto cells = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        if (cells.size() != 8)
            malformed(lineNo, "expected 8 columns, found " + std::to_string(cells.size()));
        PictureOutput out;
        out.name = cells[0].toString();
        try {
            out.form = pictureFormFromName(cells[1]);
        } catch (const std::runtime_error &error) {
            malformed(lineNo, error.what());
        }
        out.size = sizeFromText(cells[2], lineNo);
        out.source = cells[3].toString();
        out.storedFile = cells[4].toString();
        out.packedFile = cells[5].toString();
        out.storedFile2x = cells[6].toString();
        out.packedFile2x = cells[7].toString();
        outputs.append(out);
    }
    return outputs;
}

QString pictureResourcePath(const QString &fileName)
{
    return QStringLiteral(":/pictures/") + fileName;
}

const QList<PictureOutput> &builtInPictures()
{
    static const QList<PictureOutput> pictures = [] {
        QFile file(pictureResourcePath(QStringLiteral("pictures.tsv")));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("the picture table is missing from the resources");
        return parsePictureTable(QString::fromUtf8(file.readAll()));
    }();
    return pictures;
}
