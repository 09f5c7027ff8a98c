// The SVG drawings themselves, before they become pictures: no drawing may reach beyond its frame,
// or its picture would show a figure with a flat-cut edge.

#include "pictures/Catalogue.h"
#include "pictures/artc/ArtRender.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class DrawingsTest : public QObject
{
    Q_OBJECT

private slots:
    void noFigureIsCutByItsFrame();
};

void DrawingsTest::noFigureIsCutByItsFrame()
{
    QFile table(QStringLiteral(VARTOLIN_PICTURE_TABLE));
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QDir art(QStringLiteral(VARTOLIN_ART_DIR));
    int checked = 0;
    for (const PictureOutput &out : parsePictureTable(QString::fromUtf8(table.readAll()))) {
        // A mirror image is checked through its original; the About strip is painted to its edges.
        if (!out.mirrorOf().isEmpty() || out.form == PictureForm::PngEdge)
            continue;
        QSize frame = out.size;
        if (out.form == PictureForm::Glyph)
            frame.setWidth(frame.width() / 4); // one cell is drawn, the strip derived from it
        const art::InkOutside ink = art::inkOutsideFrame(art.filePath(out.source), frame);
        // The crocodile head's neck runs off the edge behind the head, and only there.
        const int allowedRight = out.source == QLatin1String("crocodile_head.svg") ? ink.right : 0;
        QVERIFY2(ink.total() - allowedRight == 0,
                 qPrintable(QStringLiteral("%1 (%2) reaches beyond its frame by %3 px left, %4 top, %5 right, "
                                           "%6 bottom")
                                .arg(out.name, out.source).arg(ink.left).arg(ink.top)
                                .arg(ink.right - allowedRight).arg(ink.bottom)));
        ++checked;
    }
    QCOMPARE(checked, 11 * 3 + 1 + 7 + 15 + 3 + 4 + 1);
}

QTEST_MAIN(DrawingsTest)
#include "tst_drawings.moc"
