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

// Distance in pixels from each edge to the nearest pixel that is not the ground colour.
struct Margins { int left, top, right, bottom; };
Margins marginsAround(const QImage &image, QRgb ground);

} // namespace art
