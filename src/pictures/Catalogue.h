#pragma once
// The pictures the build made from the catalogue (catalogue.tsv), one row per picture: which
// control it is for, its size and stored form, and the files that hold it at 1x and at 2x. The
// build derives every file name once and writes this table; the program, the art compiler and the
// tests only read it.

#include <QList>
#include <QSize>
#include <QString>

enum class PictureForm { Png, PngEdge, PngAlpha, Bmp, Glyph };

// "png", "png-edge", "png-alpha", "bmp" or "glyph"; throws std::runtime_error on anything else.
PictureForm pictureFormFromName(QStringView name);

struct PictureOutput {
    QString name;       // the control that receives it
    PictureForm form = PictureForm::Png;
    QSize size;         // in the layout's pixels; the 2x files are twice as large
    QString source;     // the SVG it is drawn from, or "mirror:<name>" for the mirror of another
    QString storedFile, packedFile;       // the PNG or BMP, and the same pixels as the program reads them
    QString storedFile2x, packedFile2x;   // the same at twice the size, for high-density screens
    bool isBitmap() const;                // stored as a BMP, whose bottom-left colour may be left out
    QString mirrorOf() const;             // empty unless the picture is another's mirror image
};

// Parses the table; throws std::runtime_error naming the line on a malformed row.
QList<PictureOutput> parsePictureTable(const QString &text);

// The table compiled into the program.
const QList<PictureOutput> &builtInPictures();
QString pictureResourcePath(const QString &fileName);
