#pragma once
// Glyphs larger than the toolkit's glyph cache holds are filled from their outlines on every
// paint, which makes one large number cost about a millisecond. drawCachedText lays the line out
// as QPainter::drawText would (centred, one line) and draws each glyph from a cache of glyphs
// already rendered in that font and colour, so repainting a number costs a few image copies.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The pixel size from which drawCachedText pays off: below it the toolkit caches glyphs itself.
inline constexpr int kCachedTextMinPixelSize = 64;

// Draws `text` on one line, centred in `rect`, in `font` and `colour`.
void drawCachedText(QPainter &painter, const QRect &rect, const QString &text, const QFont &font,
                    const QColor &colour);
