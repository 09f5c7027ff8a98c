#pragma once
// The picture catalogue: one row per drawing, read from catalogue.tsv. The build-time art compiler
// renders each row; the program and the tests read the same table back from the resources.

#include <QList>
#include <QSize>
#include <QString>

enum class PictureForm { Png, PngEdge, PngAlpha, Bmp, Glyph };

struct PictureOutput {
    QString name;   // the control that receives it, also the resource file's base name
    QSize size;
    PictureForm form;
    QString fileName() const;       // name + ".png" or ".bmp": the stored form
    QString packedFileName() const; // name + ".vpx": the same pixels as the program reads them
    bool isBitmap() const;          // stored as a BMP, whose bottom-left colour may be left out
};

struct CatalogueEntry {
    QString name;
    QString source;
    PictureForm form = PictureForm::Png;
    QList<QSize> sizes;
    QString derivation;         // "single", "sizes" or "mirror:<name>"
    QString mirrorName() const; // empty unless derivation is a mirror
    QList<PictureOutput> outputs() const;
};

// Parses the table; throws std::runtime_error naming the line on a malformed row.
QList<CatalogueEntry> parseCatalogue(const QString &text);

// The table compiled into the program.
const QList<CatalogueEntry> &builtInCatalogue();
QString pictureResourcePath(const QString &fileName);
