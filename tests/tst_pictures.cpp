// Every rendered picture of the catalogue: size, stored form, ground, crop, and the derived ones.

#include "app/Startup.h"
#include "pictures/Catalogue.h"
#include "pictures/PackedImage.h"
#include "pictures/PictureLoader.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"

#include <QtTest>
#include <cmath>

namespace {

// The sizes the game is laid out for, written out here on their own so that a slip in the
// catalogue table shows up.
const QHash<QString, QSize> &expectedSizes()
{
    static const QHash<QString, QSize> sizes = [] {
        QHash<QString, QSize> s;
        const int objects[11][6] = {
            {330, 556, 231, 389, 162, 273}, {456, 277, 319, 194, 223, 136}, {320, 547, 224, 383, 157, 268},
            {215, 396, 150, 276, 105, 193}, {245, 322, 172, 226, 120, 158}, {275, 359, 192, 251, 134, 175},
            {429, 550, 300, 385, 210, 270}, {276, 308, 193, 215, 135, 150}, {382, 308, 267, 215, 187, 151},
            {261, 337, 183, 236, 128, 165}, {295, 278, 206, 194, 144, 136}};
        for (int n = 0; n < 11; ++n) {
            s.insert(QStringLiteral("imgFacile_%1_G").arg(n + 1), {objects[n][0], objects[n][1]});
            s.insert(QStringLiteral("imgFacile_%1_M").arg(n + 1), {objects[n][2], objects[n][3]});
            s.insert(QStringLiteral("imgFacile_%1_P").arg(n + 1), {objects[n][4], objects[n][5]});
        }
        const QSize level3[] = {{275, 112}, {90, 133}, {181, 247}, {91, 133}, {107, 119}, {169, 180}, {156, 101}};
        for (int k = 0; k < 7; ++k)
            s.insert(QStringLiteral("imgNiv3_%1").arg(k + 1), level3[k]);
        const QSize level4[] = {{89, 71}, {48, 54}, {43, 73}, {98, 63}, {49, 61}, {90, 71}, {55, 55}, {57, 62},
                                {60, 51}, {59, 57}, {108, 61}, {77, 58}, {69, 65}, {58, 60}, {81, 50}};
        for (int k = 0; k < 15; ++k)
            s.insert(QStringLiteral("imgNiv4_%1").arg(k + 1), level4[k]);
        for (const char *name : {"imgFacile_Grand", "imgFacile_Petit"})
            s.insert(QLatin1String(name), {106, 74});
        for (const char *name : {"imgPastOK", "imgCurrent", "imgFutur"})
            s.insert(QLatin1String(name), {32, 32});
        s.insert(QStringLiteral("bbtAbout"), {128, 32});
        s.insert(QStringLiteral("bbtClose"), {128, 32});
        s.insert(QStringLiteral("bbtSave"), {64, 16});
        s.insert(QStringLiteral("BitBtn2"), {64, 16});
        s.insert(QStringLiteral("Image1"), {101, 360});
        s.insert(QStringLiteral("imgDonate"), {122, 47});
        return s;
    }();
    return sizes;
}

const QList<PictureOutput> &allOutputs()
{
    return builtInPictures();
}

QString storedPath(const PictureOutput &out, int scale)
{
    return pictureResourcePath(scale == 2 ? out.storedFile2x : out.storedFile);
}

QImage load(const PictureOutput &out, int scale = 1)
{
    return QImage(storedPath(out, scale));
}

// The stored file of a picture by its base name, at 1x or 2x.
QImage stored(const QString &name, int scale)
{
    for (const PictureOutput &out : allOutputs())
        if (out.name == name)
            return load(out, scale).convertToFormat(QImage::Format_RGB32);
    return {};
}

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kMagenta = 0xFFFF00FF;

int marginFrom(const QImage &image, QRgb ground, int edge)
{
    const int w = image.width(), h = image.height();
    for (int d = 0; d < (edge % 2 ? h : w); ++d) {
        for (int t = 0; t < (edge % 2 ? w : h); ++t) {
            int x, y;
            switch (edge) {
            case 0: x = d; y = t; break;              // left
            case 1: x = t; y = d; break;              // top
            case 2: x = w - 1 - d; y = t; break;      // right
            default: x = t; y = h - 1 - d; break;     // bottom
            }
            if (image.pixel(x, y) != ground)
                return d;
        }
    }
    return -1;
}

int bitsPerPixelOfBmp(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM"))
        return -1;
    return quint8(header[28]) | (quint8(header[29]) << 8);
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { configureApplication(); }
    void catalogueCoversEveryPicture();
    void sizesAndForms();
    void mainWindowPicturesOnWhiteCroppedTight();
    void sizeObjectsAreOneDrawingInSeventyPercentSteps();
    void crocodilesAreExactMirrors();
    void discsShareOneOutline();
    void glyphStripCells();
    void aboutPictures();
    void picturesAreDecodedOnce();
    void packedFormsMatchStoredForms();
    void packingRoundTrips();
    void damagedPackedDataIsRejected();
    void malformedPictureTableIsRejected();
    void controlsShowTheRenderingOfTheScreen();
};

void PicturesTest::catalogueCoversEveryPicture()
{
    QSet<QString> names;
    for (const PictureOutput &out : allOutputs()) {
        QVERIFY2(!names.contains(out.name), qPrintable(out.name));
        names.insert(out.name);
    }
    QCOMPARE(names.size(), expectedSizes().size());
    for (auto it = expectedSizes().begin(); it != expectedSizes().end(); ++it)
        QVERIFY2(names.contains(it.key()), qPrintable(it.key()));
}

void PicturesTest::sizesAndForms()
{
    for (const PictureOutput &out : allOutputs()) {
        QCOMPARE(out.size, expectedSizes().value(out.name));
        for (int scale : {1, 2}) {
            const QImage image = load(out, scale);
            QVERIFY2(!image.isNull(), qPrintable(out.name));
            QCOMPARE(image.size(), out.size * scale);
            switch (out.form) {
            case PictureForm::Png:
            case PictureForm::PngEdge:
                QVERIFY2(!image.hasAlphaChannel(), qPrintable(out.name));
                break;
            case PictureForm::PngAlpha:
                QVERIFY2(image.hasAlphaChannel(), qPrintable(out.name));
                break;
            case PictureForm::Bmp:
            case PictureForm::Glyph:
                QCOMPARE(bitsPerPixelOfBmp(storedPath(out, scale)), 24);
                // The transparent colour is the bottom-left pixel's, and it is magenta.
                QCOMPARE(image.pixel(0, image.height() - 1), kMagenta);
                break;
            }
        }
    }
}

void PicturesTest::mainWindowPicturesOnWhiteCroppedTight()
{
    int checked = 0;
    for (const PictureOutput &out : allOutputs()) {
        if (out.form != PictureForm::Png)
            continue;
        const QImage image = load(out).convertToFormat(QImage::Format_RGB32);
        // A pure white ground: most of the border is exactly white.
        int white = 0, border = 0;
        for (int x = 0; x < image.width(); ++x, border += 2)
            white += (image.pixel(x, 0) == kWhite) + (image.pixel(x, image.height() - 1) == kWhite);
        for (int y = 0; y < image.height(); ++y, border += 2)
            white += (image.pixel(0, y) == kWhite) + (image.pixel(image.width() - 1, y) == kWhite);
        QVERIFY2(white * 2 > border, qPrintable(out.name + QStringLiteral(" has no white ground")));
        for (int edge = 0; edge < 4; ++edge) {
            const int margin = marginFrom(image, kWhite, edge);
            QVERIFY2(margin >= 0 && margin <= 6,
                     qPrintable(QStringLiteral("%1: margin %2 on edge %3").arg(out.name).arg(margin).arg(edge)));
        }
        ++checked;
    }
    QCOMPARE(checked, 33 + 2 + 7 + 15);
}

void PicturesTest::sizeObjectsAreOneDrawingInSeventyPercentSteps()
{
    for (int n = 1; n <= 11; ++n) {
        const QImage g(pictureResourcePath(QStringLiteral("imgFacile_%1_G.png").arg(n)));
        const QImage m(pictureResourcePath(QStringLiteral("imgFacile_%1_M.png").arg(n)));
        const QImage p(pictureResourcePath(QStringLiteral("imgFacile_%1_P.png").arg(n)));
        QVERIFY(std::abs(m.width() - g.width() * 0.7) <= 1.2 && std::abs(m.height() - g.height() * 0.7) <= 1.2);
        QVERIFY(std::abs(p.width() - m.width() * 0.7) <= 1.2 && std::abs(p.height() - m.height() * 0.7) <= 1.2);
        // The big picture scaled down looks like the small one.
        const QImage shrunk = g.scaled(p.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
        const QImage small = p.convertToFormat(QImage::Format_RGB32);
        double difference = 0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x) {
                const QRgb a = shrunk.pixel(x, y), b = small.pixel(x, y);
                difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        difference /= 3.0 * small.width() * small.height();
        QVERIFY2(difference < 12, qPrintable(QStringLiteral("object %1 differs by %2").arg(n).arg(difference)));
    }
}

void PicturesTest::crocodilesAreExactMirrors()
{
    for (int scale : {1, 2}) {
        const QImage grand = stored(QStringLiteral("imgFacile_Grand"), scale);
        const QImage petit = stored(QStringLiteral("imgFacile_Petit"), scale);
        QCOMPARE(grand.width(), 106 * scale);
        QCOMPARE(petit, grand.mirrored(true, false));
        QVERIFY(grand != petit); // not symmetric by accident: the jaws face one way
        // The neck runs off the right edge of ">": the right column is figure, the left mostly ground.
        int figureRight = 0, figureLeft = 0;
        for (int y = 0; y < grand.height(); ++y) {
            figureRight += grand.pixel(grand.width() - 1, y) != kWhite;
            figureLeft += grand.pixel(0, y) != kWhite;
        }
        QVERIFY(figureRight > figureLeft);
    }
}

void PicturesTest::discsShareOneOutline()
{
    for (int scale : {1, 2}) {
        QList<QImage> discs;
        for (const char *name : {"imgPastOK", "imgCurrent", "imgFutur"})
            discs << stored(QLatin1String(name), scale);
        const int side = 32 * scale;
        QCOMPARE(discs[0].size(), QSize(side, side));
        int outsideCount = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const bool outside = discs[0].pixel(x, y) == kMagenta;
                outsideCount += outside;
                for (const QImage &disc : discs)
                    QCOMPARE(disc.pixel(x, y) == kMagenta, outside);
                const double distance = std::hypot(x + 0.5 - side / 2, y + 0.5 - side / 2) / scale;
                if (distance < 15)
                    QVERIFY(!outside);
                if (distance > 16.5)
                    QVERIFY(outside);
            }
        }
        if (scale == 1)
            QCOMPARE(outsideCount, 212);
        // Green, blue and amber at the centre.
        const QColor green = discs[0].pixelColor(16 * scale, 20 * scale), blue = discs[1].pixelColor(16 * scale, 20 * scale),
                     amber = discs[2].pixelColor(16 * scale, 20 * scale);
        QVERIFY(green.green() > green.red() && green.green() > green.blue());
        QVERIFY(blue.blue() > blue.red() && blue.blue() > blue.green());
        QVERIFY(amber.red() > amber.blue() + 80 && amber.green() > amber.blue() + 40);
    }
}

void PicturesTest::glyphStripCells()
{
    for (const char *name : {"bbtAbout", "bbtClose", "bbtSave", "BitBtn2"}) {
        for (int scale : {1, 2}) {
            const QImage strip = stored(QLatin1String(name), scale);
            QCOMPARE(strip.size(), expectedSizes().value(QLatin1String(name)) * scale);
            const int w = strip.width() / 4;
            int darker = 0, drawn = 0;
            for (int y = 0; y < strip.height(); ++y) {
                for (int x = 0; x < w; ++x) {
                    const QRgb normal = strip.pixel(x, y), grey = strip.pixel(w + x, y);
                    const QRgb pressed = strip.pixel(2 * w + x, y), latched = strip.pixel(3 * w + x, y);
                    QCOMPARE(latched, normal);
                    QCOMPARE(grey == kMagenta, normal == kMagenta);
                    QCOMPARE(pressed == kMagenta, normal == kMagenta);
                    if (normal == kMagenta)
                        continue;
                    ++drawn;
                    QVERIFY(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
                    darker += qGray(pressed) < qGray(normal) || qGray(normal) == 0;
                }
            }
            QVERIFY2(drawn > w * strip.height() / 4, name);
            QCOMPARE(darker, drawn);
        }
    }
}

void PicturesTest::aboutPictures()
{
    const QImage strip = QImage(pictureResourcePath(QStringLiteral("Image1.png"))).convertToFormat(QImage::Format_RGB32);
    int white = 0;
    for (int y = 0; y < strip.height(); ++y)
        white += strip.pixel(0, y) == kWhite;
    QVERIFY(white < strip.height() / 10); // painted to its edges, no white ground
    const QImage donate(pictureResourcePath(QStringLiteral("imgDonate.png")));
    QCOMPARE(qAlpha(donate.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(donate.pixel(donate.width() / 2, 10)), 255);
}

void PicturesTest::picturesAreDecodedOnce()
{
    const Picture a = cataloguePicture(QStringLiteral("imgFacile_3_G"));
    const Picture b = cataloguePicture(QStringLiteral("imgFacile_3_G"));
    QVERIFY(a.sharesImageWith(b));
    QCOMPARE(a.pixmap().cacheKey(), b.pixmap().cacheKey());
    QVERIFY(!a.isBitmap());
    QVERIFY(cataloguePicture(QStringLiteral("imgFutur")).isBitmap());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, cataloguePicture(QStringLiteral("imgFacile_12_G")));
}

void PicturesTest::packedFormsMatchStoredForms()
{
    // The game shows the packed form; it must be the stored PNG or BMP pixel for pixel.
    for (const PictureOutput &out : allOutputs()) {
        for (int scale : {1, 2}) {
            const QImage stored = load(out, scale);
            const QImage packed = readPictureFile(pictureResourcePath(scale == 2 ? out.packedFile2x : out.packedFile));
            QVERIFY2(!stored.isNull(), qPrintable(out.name));
            const QImage::Format format = stored.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                   : QImage::Format_RGB32;
            QCOMPARE(packed.format(), format);
            QVERIFY2(packed == stored.convertToFormat(format), qPrintable(out.name));
        }
    }
}

void PicturesTest::packingRoundTrips()
{
    // Runs longer than one count holds, runs broken by single pixels, and partial transparency.
    QImage image(300, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (int x = 0; x < image.width(); x += 7)
        image.setPixel(x, 150, qRgba(x % 256, 20, 30, x % 200)); // after a white run of 45,000
    image.setPixel(299, 0, qRgb(1, 2, 3));
    image.setPixel(299, 199, qRgb(1, 2, 3));
    const QImage expected = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(unpackImage(packImage(image)), expected);

    QImage opaque(3, 5, QImage::Format_RGB888);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x)
            opaque.setPixel(x, y, qRgb(x * 80, y * 50, 7));
    const QImage back = unpackImage(packImage(opaque));
    QCOMPARE(back.format(), QImage::Format_RGB32);
    QCOMPARE(back, opaque.convertToFormat(QImage::Format_RGB32));
}

void PicturesTest::damagedPackedDataIsRejected()
{
    QImage image(30, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int i = 0; i < 30; ++i)
        image.setPixel(i, i, qRgb(i, 0, 0));
    const QByteArray good = packImage(image);
    QCOMPARE(unpackImage(good), image);

    auto rejects = [](const QByteArray &data) {
        try {
            unpackImage(data);
        } catch (const std::runtime_error &) {
            return true;
        }
        return false;
    };
    for (int cut : {0, 3, 12, 16, int(good.size()) - 1})
        QVERIFY2(rejects(good.left(cut)), qPrintable(QString::number(cut)));
    QVERIFY(rejects(good + QByteArray(1, '\0')));     // trailing bytes
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'W';
    QVERIFY(rejects(wrongMagic));
    QByteArray huge = good;
    huge[5] = char(0x7f);                             // width far beyond any picture
    QVERIFY(rejects(huge));
    QByteArray longRun = good;
    longRun[16] = char(0xff);                         // first run longer than the image
    longRun[17] = char(0xff);
    QVERIFY(rejects(longRun));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, readPictureFile(QStringLiteral(":/pictures/none.vpx")));
}

void PicturesTest::malformedPictureTableIsRejected()
{
    const QString row = QStringLiteral("a\t%1\t%2\tb.svg\ta.png\ta.vpx\ta@2x.png\ta@2x.vpx");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, parsePictureTable(row.arg(QStringLiteral("jpeg"), QStringLiteral("1x1"))));
    for (const char *size : {"1by1", "x1", "1x-1", "0x5", "1x"})
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, parsePictureTable(row.arg(QStringLiteral("png"), QLatin1String(size))));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, parsePictureTable(QStringLiteral("a\tpng\t1x1\tb.svg")));
    const auto outputs = parsePictureTable(QStringLiteral("# comment\n\n") + row.arg(QStringLiteral("glyph"), QStringLiteral("64x16"))
                                           + QStringLiteral("\r\nb\tpng\t2x3\tmirror:a\tb.png\tb.vpx\tb@2x.png\tb@2x.vpx\n"));
    QCOMPARE(outputs.size(), 2);
    QCOMPARE(outputs[0].form, PictureForm::Glyph);
    QVERIFY(outputs[0].isBitmap() && outputs[0].mirrorOf().isEmpty());
    QCOMPARE(outputs[1].size, QSize(2, 3));
    QCOMPARE(outputs[1].mirrorOf(), QStringLiteral("a"));
    QCOMPARE(outputs[1].packedFile2x, QStringLiteral("b@2x.vpx"));
}

void PicturesTest::controlsShowTheRenderingOfTheScreen()
{
    // Run at the screen's scale (the suite runs at 1x and again at 2x): a picture control shows the
    // stored rendering for that density pixel for pixel, and takes the same place at every scale.
    const qreal ratio = qApp->devicePixelRatio();
    const QString expected = qEnvironmentVariable("VARTOLIN_EXPECTED_SCALE"); // that the scale took
    if (!expected.isEmpty())
        QCOMPARE(ratio, expected.toDouble());
    const int scale = ratio > 1 ? 2 : 1;
    QWidget ground;
    for (const PictureOutput &out : allOutputs()) {
        if (out.isBitmap() || out.form == PictureForm::PngAlpha)
            continue; // shown keyed or blended over the ground; a glyph strip is checked below
        TImage image(&ground);
        image.setCenter(true);
        image.resize(out.size);
        image.setPicture(cataloguePicture(out.name));
        QCOMPARE(image.pictureRect(), QRect(QPoint(0, 0), out.size));
        const QImage shown = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), out.size * ratio);
        if (ratio == scale) // a fractional scale resamples; whole ones show the pixels as stored
            QVERIFY2(shown == load(out, scale).convertToFormat(QImage::Format_RGB32), qPrintable(out.name));
    }
    // A glyph strip shows its first cell from the strip of the screen's density.
    TBitBtn button(&ground);
    button.resize(120, 40);
    button.setText(QStringLiteral("Quitter"));
    button.setGlyph(cataloguePicture(QStringLiteral("bbtClose")));
    const QImage shown = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage strip = stored(QStringLiteral("bbtClose"), scale);
    const QPoint at = button.glyphRect().topLeft() * scale;
    int drawn = 0;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width() / 4; ++x)
            if (strip.pixel(x, y) != kMagenta && ratio == scale) {
                QCOMPARE(shown.pixel(at + QPoint(x, y)), strip.pixel(x, y));
                ++drawn;
            }
    QVERIFY(drawn > 0 || ratio != scale);
}

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
