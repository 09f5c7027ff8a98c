#include "Catalogue.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <stdexcept>

namespace {

PictureForm formFromText(QStringView text, int lineNo)
{
    if (text == QLatin1String("png")) return PictureForm::Png;
    if (text == QLatin1String("png-edge")) return PictureForm::PngEdge;
    if (text == QLatin1String("png-alpha")) return PictureForm::PngAlpha;
    if (text == QLatin1String("bmp")) return PictureForm::Bmp;
    if (text == QLatin1String("glyph")) return PictureForm::Glyph;
    throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": unknown form "
                             + text.toString().toStdString());
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
    if (cross < 0 || !isDigits(width) || !isDigits(height))
        throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": bad size "
                                 + text.toString().toStdString());
    return {width.toInt(), height.toInt()};
}

} // namespace

bool PictureOutput::isBitmap() const
{
    return form == PictureForm::Bmp || form == PictureForm::Glyph;
}

QString PictureOutput::fileName() const
{
    return name + (isBitmap() ? QStringLiteral(".bmp") : QStringLiteral(".png"));
}

QString PictureOutput::packedFileName() const
{
    return name + QStringLiteral(".vpx");
}

QString CatalogueEntry::mirrorName() const
{
    static const QString prefix = QStringLiteral("mirror:");
    return derivation.startsWith(prefix) ? derivation.mid(prefix.size()) : QString();
}

QList<PictureOutput> CatalogueEntry::outputs() const
{
    QList<PictureOutput> result;
    if (derivation == QLatin1String("sizes")) {
        static const char *const letters[] = {"_G", "_M", "_P"};
        for (int i = 0; i < sizes.size(); ++i)
            result.append({name + QLatin1String(letters[i]), sizes[i], form});
    } else {
        result.append({name, sizes.value(0), form});
        if (!mirrorName().isEmpty())
            result.append({mirrorName(), sizes.value(0), form});
    }
    return result;
}

QList<CatalogueEntry> parseCatalogue(const QString &text)
{
    QList<CatalogueEntry> entries;
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QStringView line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QList<QStringView> cells;
        for (QStringView cell : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            for (QStringView part : cell.split(QLatin1Char('\t'), Qt::SkipEmptyParts))
                cells.append(part);
        const int lineNo = i + 1;
        if (cells.size() < 5)
            throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": too few columns");
        CatalogueEntry entry;
        entry.name = cells.first().toString();
        entry.source = cells[1].toString();
        entry.form = formFromText(cells[2], lineNo);
        entry.derivation = cells.last().toString();
        for (int c = 3; c < cells.size() - 1; ++c)
            entry.sizes.append(sizeFromText(cells[c], lineNo));
        const int wanted = entry.derivation == QLatin1String("sizes") ? 3 : 1;
        if (entry.sizes.size() != wanted)
            throw std::runtime_error("catalogue line " + std::to_string(lineNo)
                                     + ": wrong number of sizes");
        entries.append(entry);
    }
    return entries;
}

QString pictureResourcePath(const QString &fileName)
{
    return QStringLiteral(":/pictures/") + fileName;
}

const QList<CatalogueEntry> &builtInCatalogue()
{
    static const QList<CatalogueEntry> catalogue = [] {
        QFile file(pictureResourcePath(QStringLiteral("catalogue.tsv")));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("the picture catalogue is missing from the resources");
        return parseCatalogue(QString::fromUtf8(file.readAll()));
    }();
    return catalogue;
}
