#include "CachedText.h"

#include <QCache>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QTransform>

namespace {

struct RenderedGlyph {
    QImage image;   // premultiplied, already in the text's colour, at the screen's pixel density
    QPoint offset;  // of the image's top-left from the glyph's origin on the baseline, in device pixels
};

QCache<QString, RenderedGlyph> &glyphCache()
{
    // Cost is counted in bytes: the digits and letters of every size and colour the game shows
    // fit many times over.
    static QCache<QString, RenderedGlyph> cache(32 * 1024 * 1024);
    return cache;
}

const RenderedGlyph *renderedGlyph(const QRawFont &rawFont, const QString &fontKey, quint32 glyph,
                                   const QColor &colour, qreal ratio)
{
    const QString key = fontKey + QLatin1Char('|') + rawFont.familyName() + QLatin1Char('|')
                        + QString::number(glyph) + QLatin1Char('|') + QString::number(colour.rgba(), 16)
                        + QLatin1Char('|') + QString::number(ratio);
    if (const RenderedGlyph *cached = glyphCache().object(key))
        return cached;
    // Rendered in device pixels, so that a glyph is as sharp on a 2x screen as on a 1x one.
    const QPainterPath outline = QTransform::fromScale(ratio, ratio).map(rawFont.pathForGlyph(glyph));
    auto rendered = std::make_unique<RenderedGlyph>();
    if (!outline.isEmpty()) {
        // One pixel of margin for the antialiased edge.
        const QRect bounds = outline.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
        rendered->offset = bounds.topLeft();
        rendered->image = QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied);
        rendered->image.fill(Qt::transparent);
        QPainter glyphPainter(&rendered->image);
        glyphPainter.setRenderHint(QPainter::Antialiasing);
        glyphPainter.translate(-bounds.topLeft());
        glyphPainter.fillPath(outline, colour);
        glyphPainter.end();
        rendered->image.setDevicePixelRatio(ratio);
    }
    const qsizetype cost = std::max<qsizetype>(1, rendered->image.sizeInBytes());
    RenderedGlyph *raw = rendered.get();
    if (!glyphCache().insert(key, rendered.release(), cost))
        return nullptr; // larger than the whole cache: drawn from its outline instead
    return raw;
}

} // namespace

void drawCachedText(QPainter &painter, const QRect &rect, const QString &text, const QFont &font,
                    const QColor &colour)
{
    QTextLayout layout(text, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return;
    const QPointF origin(rect.x() + (rect.width() - line.naturalTextWidth()) / 2,
                         rect.y() + (rect.height() - line.height()) / 2);
    const QString fontKey = font.key();
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QRawFont rawFont = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const QPointF at = origin + positions[i];
            if (const RenderedGlyph *glyph = renderedGlyph(rawFont, fontKey, glyphs[i], colour, ratio)) {
                // Placed on whole device pixels, as the toolkit places glyphs.
                const QPoint device = (at * ratio).toPoint() + glyph->offset;
                if (!glyph->image.isNull())
                    painter.drawImage(QPointF(device) / ratio, glyph->image);
            } else {
                painter.fillPath(rawFont.pathForGlyph(glyphs[i]).translated(at), colour);
            }
        }
    }
}
