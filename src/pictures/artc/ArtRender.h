#pragma once
// Rendering of one SVG drawing to the stored form of a picture.

#include "../Catalogue.h"
#include <QImage>

namespace art {

inline constexpr QRgb kMagenta = 0xFFFF00FF;

// Renders the drawing to exactly `size` pixels in the given stored form.
QImage render(const QString &svgPath, QSize size, PictureForm form);

// A strip of four cells from one cell's drawing: normal, grey, darker, normal.
QImage glyphStrip(const QImage &cell);

QImage mirrored(const QImage &image);

// Pixels of the drawing that lie beyond each edge of its frame when it is drawn at `size`: what the
// picture would cut off. Found by widening the view box on every side.
struct InkOutside {
    int left, top, right, bottom;
    int total() const { return left + top + right + bottom; }
};
InkOutside inkOutsideFrame(const QString &svgPath, QSize size);

// Distance in pixels from each edge to the nearest pixel that is not the ground colour.
struct Margins { int left, top, right, bottom; };
Margins marginsAround(const QImage &image, QRgb ground);

} // namespace art
