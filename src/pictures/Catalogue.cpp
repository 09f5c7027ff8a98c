#include "Catalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <stdexcept>

namespace {

PictureForm formFromText(const QString &text, int lineNo)
{
    if (text == QLatin1String("png")) return PictureForm::Png;
    if (text == QLatin1String("png-edge")) return PictureForm::PngEdge;
    if (text == QLatin1String("png-alpha")) return PictureForm::PngAlpha;
    if (text == QLatin1String("bmp")) return PictureForm::Bmp;
    if (text == QLatin1String("glyph")) return PictureForm::Glyph;
    throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": unknown form "
                             + text.toStdString());
}

QSize sizeFromText(const QString &text, int lineNo)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)x(\\d+)$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": bad size "
                                 + text.toStdString());
    return {match.captured(1).toInt(), match.captured(2).toInt()};
}

} // namespace

QString PictureOutput::fileName() const
{
    const bool bitmap = form == PictureForm::Bmp || form == PictureForm::Glyph;
    return name + (bitmap ? QStringLiteral(".bmp") : QStringLiteral(".png"));
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
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(blanks);
        const int lineNo = i + 1;
        if (cells.size() < 5)
            throw std::runtime_error("catalogue line " + std::to_string(lineNo) + ": too few columns");
        CatalogueEntry entry;
        entry.name = cells.first();
        entry.source = cells[1];
        entry.form = formFromText(cells[2], lineNo);
        entry.derivation = cells.last();
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
