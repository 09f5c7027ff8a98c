// The control layer: picture fitting, the click rule, the page control, panels and bitmap buttons.

#include "controls/CachedText.h"
#include "controls/PictureFit.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleHints>
#include <QtTest>

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void fitting_data();
    void fitting();
    void clickRule();
    void doubleClickGivesOneClick();
    void ctrlTabKeepsThePage();
    void transparentBitmapLeavesOutBottomLeftColour();
    void copiesShareOnePicture();
    void autoSizeTakesThePictureSize();
    void panelCaptionAndProperties();
    void bitBtnGlyphCellsAndLayout();
    void bitBtnDoubleClickGivesOneClick();
    void cachedLargeTextLooksLikeDrawnText();
    void newCaptionRepaintsBothCaptions();

private:
    // A top-level host so that the QWindow overloads reach real child widgets.
    struct Host {
        QWidget window;
        Host() { window.resize(300, 200); window.show(); QVERIFY(QTest::qWaitForWindowExposed(&window)); }
        QWindow *handle() { return window.windowHandle(); }
    };
};

void ControlsTest::fitting_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("control");
    QTest::addColumn<int>("flags"); // 1 Stretch, 2 Proportional, 4 Center
    QTest::addColumn<QRect>("drawn");
    QTest::newRow("no flag: own size, top left") << QSize(40, 30) << QSize(100, 100) << 0 << QRect(0, 0, 40, 30);
    QTest::newRow("center alone never scales") << QSize(330, 556) << QSize(462, 575) << 4 << QRect(66, 9, 330, 556);
    QTest::newRow("center alone, bigger than the control") << QSize(200, 100) << QSize(100, 50) << 4 << QRect(-50, -25, 200, 100);
    QTest::newRow("wide picture shrinks to the width") << QSize(275, 112) << QSize(152, 183) << 6 << QRect(0, 61, 152, 61);
    QTest::newRow("smaller picture is not enlarged") << QSize(90, 133) << QSize(152, 183) << 6 << QRect(31, 25, 90, 133);
    QTest::newRow("tall picture shrinks to the height") << QSize(181, 247) << QSize(152, 183) << 6 << QRect(9, 0, 134, 183);
    QTest::newRow("wide, then limited by height") << QSize(98, 63) << QSize(88, 87) << 6 << QRect(0, 15, 88, 56);
    QTest::newRow("object 11 at level 4") << QSize(108, 61) << QSize(88, 87) << 6 << QRect(0, 19, 88, 49);
    QTest::newRow("square picture starts from the height") << QSize(60, 60) << QSize(100, 40) << 6 << QRect(30, 0, 40, 40);
    QTest::newRow("tiger: tall first, then width") << QSize(169, 180) << QSize(152, 183) << 6 << QRect(0, 11, 152, 161);
    QTest::newRow("proportional without center sits top left") << QSize(275, 112) << QSize(152, 183) << 2 << QRect(0, 0, 152, 61);
    QTest::newRow("stretch fills the control") << QSize(20, 10) << QSize(50, 50) << 1 << QRect(0, 0, 50, 50);
    QTest::newRow("stretch proportional enlarges") << QSize(20, 10) << QSize(50, 50) << 7 << QRect(0, 12, 50, 25);
    QTest::newRow("empty picture draws nothing") << QSize() << QSize(50, 50) << 7 << QRect();
}

void ControlsTest::fitting()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, control);
    QFETCH(int, flags);
    QFETCH(QRect, drawn);
    QCOMPARE(fitPicture(picture, control, flags & 1, flags & 2, flags & 4), drawn);
}

void ControlsTest::clickRule()
{
    Host host;
    auto *panel = new TPanel(&host.window);
    panel->setGeometry(10, 10, 80, 74);
    panel->show();
    QSignalSpy spy(panel, &TControl::clicked);
    QTest::mouseClick(host.handle(), Qt::LeftButton, {}, QPoint(50, 40));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().value<QObject *>(), panel);
    QTest::mouseClick(host.handle(), Qt::LeftButton, {}, QPoint(200, 150)); // beside it
    QCOMPARE(spy.count(), 1);
    // Pressed inside, released outside: nothing.
    QTest::mousePress(host.handle(), Qt::LeftButton, {}, QPoint(50, 40));
    QTest::mouseMove(host.handle(), QPoint(200, 150));
    QTest::mouseRelease(host.handle(), Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(spy.count(), 1);
    // Out and back in before the release still counts: the release is over the control.
    QTest::mousePress(host.handle(), Qt::LeftButton, {}, QPoint(50, 40));
    QTest::mouseMove(host.handle(), QPoint(200, 150));
    QTest::mouseRelease(host.handle(), Qt::LeftButton, {}, QPoint(60, 50));
    QCOMPARE(spy.count(), 2);
    // The other buttons give nothing.
    QTest::mouseClick(host.handle(), Qt::RightButton, {}, QPoint(50, 40));
    QTest::mouseClick(host.handle(), Qt::MiddleButton, {}, QPoint(50, 40));
    QCOMPARE(spy.count(), 2);
}

void ControlsTest::doubleClickGivesOneClick()
{
    Host host;
    auto *image = new TImage(&host.window);
    image->setGeometry(10, 10, 106, 74);
    image->show();
    QSignalSpy spy(image, &TControl::clicked);
    QTest::mouseDClick(host.handle(), Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(spy.count(), 1);
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    QTest::mouseClick(host.handle(), Qt::LeftButton, {}, QPoint(40, 40));
    QCOMPARE(spy.count(), 2); // the control is not left in a pressed state
}

void ControlsTest::ctrlTabKeepsThePage()
{
    Host host;
    auto *pages = new TPageControl(&host.window);
    pages->setGeometry(0, 0, 300, 200);
    for (int i = 0; i < 4; ++i)
        pages->addPage(new TTabSheet);
    pages->setActivePageIndex(2);
    pages->show();
    pages->setFocus();
    QTest::keyClick(&host.window, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(&host.window, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&host.window, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(pages->activePageIndex(), 2);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(pages->page(i)->isVisible(), i == 2);
    QCOMPARE(pages->page(0)->geometry(), QRect(4, 6, 292, 190));
}

void ControlsTest::transparentBitmapLeavesOutBottomLeftColour()
{
    // A bitmap whose bottom-left pixel is magenta: magenta disappears, other colours stay.
    QTemporaryDir dir;
    QImage bitmap(4, 4, QImage::Format_RGB32);
    bitmap.fill(QColor(255, 0, 255));
    bitmap.setPixel(1, 1, qRgb(0, 102, 0));
    const QString path = dir.filePath(QStringLiteral("disc.bmp"));
    QVERIFY(bitmap.save(path));

    Host host;
    host.window.setStyleSheet(QStringLiteral("background: rgb(10, 20, 30)"));
    auto *image = new TImage(&host.window);
    image->setGeometry(0, 0, 4, 4);
    image->setTransparent(true);
    image->setPicture(Picture::fromFile(path));
    image->show();
    QImage shot = host.window.grab(QRect(0, 0, 4, 4)).toImage();
    QCOMPARE(shot.pixelColor(1, 1), QColor(0, 102, 0));
    QCOMPARE(shot.pixelColor(0, 3), QColor(10, 20, 30));

    image->setTransparent(false);
    shot = host.window.grab(QRect(0, 0, 4, 4)).toImage();
    QCOMPARE(shot.pixelColor(0, 3), QColor(255, 0, 255));
}

void ControlsTest::copiesShareOnePicture()
{
    const Picture picture = Picture::fromImage(QImage(8, 8, QImage::Format_RGB32));
    TImage a, b;
    a.setPicture(picture);
    b.setPicture(a.picture());
    QVERIFY(b.picture().sharesImageWith(picture));
    QCOMPARE(b.picture().pixmap().cacheKey(), picture.pixmap().cacheKey());
    b.clearPicture();
    QVERIFY(b.picture().isNull());
    QCOMPARE(b.pictureRect(), QRect());
}

void ControlsTest::autoSizeTakesThePictureSize()
{
    TImage image;
    image.resize(10, 10);
    image.setAutoSize(true);
    image.setPicture(Picture::fromImage(QImage(106, 74, QImage::Format_RGB32)));
    QCOMPARE(image.size(), QSize(106, 74));
    QCOMPARE(image.property("AutoSize").toBool(), true);
}

void ControlsTest::panelCaptionAndProperties()
{
    Host host;
    auto *panel = new TPanel(&host.window);
    panel->setGeometry(0, 0, 80, 74);
    panel->setBorderWidth(4);
    panel->setParentBackground(false);
    panel->setColor(Qt::white);
    panel->setProperty("Caption", QStringLiteral(">"));
    panel->setProperty("Tag", -1);
    QCOMPARE(panel->caption(), QStringLiteral(">"));
    QCOMPARE(panel->accessibleName(), QStringLiteral(">"));
    QCOMPARE(tagOf(panel), -1);
    QCOMPARE(panel->innerRect(), QRect(4, 4, 72, 66));
    panel->show();
    const QImage shot = panel->grab().toImage();
    QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::white)); // own fill covers the border band too
    // The caption is drawn in the text colour, inside the inner rectangle only.
    bool inked = false;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) != QColor(Qt::white)) {
                inked = true;
                QVERIFY(panel->innerRect().contains(x, y));
            }
    QVERIFY(inked);
    // Its own ground hides what lies behind, so that need not be painted first.
    QVERIFY(panel->testAttribute(Qt::WA_OpaquePaintEvent));
    panel->setParentBackground(true);
    QVERIFY(!panel->testAttribute(Qt::WA_OpaquePaintEvent));
}

namespace {

class RecordingPanel : public TPanel
{
public:
    using TPanel::TPanel;
    QRegion painted;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        painted += event->region();
        TPanel::paintEvent(event);
    }
};

QRect inkOn(const QImage &shot, const QColor &ground)
{
    QRect ink;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) != ground)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

void ControlsTest::newCaptionRepaintsBothCaptions()
{
    // A new caption repaints only around the captions, but all of the old one and the new one:
    // anything less leaves stale ink on screen.
    Host host;
    host.window.resize(700, 420);
    auto *panel = new RecordingPanel(&host.window);
    panel->setGeometry(0, 0, 700, 420);
    panel->setBorderWidth(4);
    panel->setParentBackground(false);
    panel->setColor(Qt::white);
    panel->show();
    for (int pixelSize : {40, 213}) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(pixelSize);
        panel->setFont(font);
        for (const auto &[from, to] : {std::pair{QStringLiteral("1"), QStringLiteral("888")},
                                       std::pair{QStringLiteral("888"), QStringLiteral("7")},
                                       std::pair{QStringLiteral("7"), QStringLiteral("")}}) {
            panel->setCaption(from);
            const QRect oldInk = inkOn(panel->grab().toImage(), Qt::white);
            QCoreApplication::processEvents();
            panel->painted = QRegion();
            panel->setCaption(to);
            const QRect newInk = inkOn(panel->grab().toImage(), Qt::white);
            panel->painted = QRegion();
            panel->setCaption(from); // back and forth: the region is the same both ways
            panel->setCaption(to);
            QTRY_VERIFY(!panel->painted.isEmpty());
            const QString what = QStringLiteral("%1 px, %2 to %3").arg(pixelSize).arg(from, to);
            // (QRegion::contains only tells whether a rectangle overlaps.)
            auto covers = [&](const QRect &rect) { return (QRegion(rect) - panel->painted).isEmpty(); };
            QVERIFY2(covers(oldInk), qPrintable(what));
            QVERIFY2(covers(newInk), qPrintable(what));
            if (pixelSize == 40)
                QVERIFY2(!covers(panel->rect()), qPrintable(what));
        }
    }
}

void ControlsTest::bitBtnGlyphCellsAndLayout()
{
    // A strip of four 8 x 8 cells in four colours over a magenta bottom-left pixel.
    QImage strip(32, 8, QImage::Format_RGB32);
    const QColor cells[] = {Qt::red, Qt::gray, Qt::darkRed, Qt::red};
    for (int c = 0; c < 4; ++c)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                strip.setPixelColor(c * 8 + x, y, cells[c]);
    strip.setPixelColor(0, 7, QColor(255, 0, 255));

    Host host;
    auto *button = new TBitBtn(&host.window);
    button->setGeometry(0, 0, 133, 41);
    button->setText(QStringLiteral("A propos de..."));
    button->setGlyph(Picture::fromImage(strip));
    button->show();
    const QRect glyph = button->glyphRect();
    QCOMPARE(glyph.size(), QSize(8, 8));
    QCOMPARE(glyph.top(), (41 - 8) / 2);
    const int textWidth = button->fontMetrics().horizontalAdvance(button->text());
    QCOMPARE(glyph.left(), (133 - (8 + 4 + textWidth)) / 2); // glyph and caption centred together

    QCOMPARE(button->glyphCellShown(), 1);
    QImage shot = button->grab().toImage();
    QCOMPARE(shot.pixelColor(glyph.center()), QColor(Qt::red));
    QVERIFY(shot.pixelColor(glyph.bottomLeft()) != QColor(255, 0, 255));

    button->setDown(true);
    QCOMPARE(button->glyphCellShown(), 3);
    shot = button->grab().toImage();
    QCOMPARE(shot.pixelColor(glyph.center() + QPoint(1, 1)), QColor(Qt::darkRed));
    button->setDown(false);
    button->setEnabled(false);
    QCOMPARE(button->glyphCellShown(), 2);
}

void ControlsTest::bitBtnDoubleClickGivesOneClick()
{
    Host host;
    auto *button = new TBitBtn(&host.window);
    button->setGeometry(0, 0, 99, 41);
    button->show();
    QSignalSpy spy(button, &QAbstractButton::clicked);
    QTest::mouseDClick(host.handle(), Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(spy.count(), 1);
}

namespace {

struct Ink {
    QRect bounds;
    int pixels = 0;
    int rim = 0;    // partly covered pixels: a glyph scaled up from a coarser rendering has more
};

Ink inkOf(const QImage &image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            ink.rim += grey > 40 && grey < 215;
            if (grey < 128) {
                ink.bounds |= QRect(x, y, 1, 1);
                ++ink.pixels;
            }
        }
    return ink;
}

} // namespace

void ControlsTest::cachedLargeTextLooksLikeDrawnText()
{
    // The cached glyphs must land where the toolkit would draw the text: same centring, same
    // glyphs, same spacing (a wrong baseline or advance moves the ink box by many pixels).
    // On a 2x screen the glyphs must be rendered at 2x, as sharp as the toolkit draws them there.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    for (const qreal ratio : {1.0, 2.0}) {
        for (const auto &[text, pixelSize] : {std::pair{QStringLiteral("986"), 213},
                                              std::pair{QStringLiteral("sept"), 120},
                                              std::pair{QStringLiteral("47"), 333}}) {
            font.setPixelSize(pixelSize);
            const QRect box(0, 0, 700, 420);
            const QString what = QStringLiteral("%1 at %2x").arg(text).arg(ratio);
            QImage drawn(box.size() * ratio, QImage::Format_RGB32), cached(box.size() * ratio, QImage::Format_RGB32);
            drawn.setDevicePixelRatio(ratio);
            cached.setDevicePixelRatio(ratio);
            drawn.fill(Qt::white);
            {
                QPainter painter(&drawn);
                painter.setFont(font);
                painter.setPen(Qt::black);
                painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
            }
            for (int twice = 0; twice < 2; ++twice) { // the second pass draws from the cache
                cached.fill(Qt::white);
                QPainter painter(&cached);
                drawCachedText(painter, box, text, font, Qt::black);
            }
            const Ink expected = inkOf(drawn), got = inkOf(cached);
            QVERIFY2(expected.pixels > 1000, qPrintable(what));
            const int e[] = {expected.bounds.left(), expected.bounds.top(), expected.bounds.right(), expected.bounds.bottom()};
            const int g[] = {got.bounds.left(), got.bounds.top(), got.bounds.right(), got.bounds.bottom()};
            for (int edge = 0; edge < 4; ++edge)
                QVERIFY2(std::abs(e[edge] - g[edge]) <= 2 * ratio,
                         qPrintable(QStringLiteral("%1: edge %2 at %3, expected %4").arg(what).arg(edge).arg(g[edge]).arg(e[edge])));
            QVERIFY2(std::abs(got.pixels - expected.pixels) <= expected.pixels / 50, qPrintable(what));
            // Scaled up from a 1x rendering, the rim is twice the toolkit's; unhinted against a
            // hinting font engine (Windows), about a third more.
            QVERIFY2(got.rim < expected.rim * 1.6, qPrintable(QStringLiteral("%1: blurred, %2 rim pixels, expected %3")
                                                                 .arg(what).arg(got.rim).arg(expected.rim)));
        }
    }

    // The colour is part of what is cached.
    font.setPixelSize(100);
    QImage red(200, 150, QImage::Format_RGB32);
    red.fill(Qt::white);
    {
        QPainter painter(&red);
        drawCachedText(painter, red.rect(), QStringLiteral("8"), font, Qt::black);
        red.fill(Qt::white);
        drawCachedText(painter, red.rect(), QStringLiteral("8"), font, Qt::red);
    }
    int redPixels = 0, blackPixels = 0;
    for (int y = 0; y < red.height(); ++y)
        for (int x = 0; x < red.width(); ++x) {
            const QRgb p = red.pixel(x, y);
            redPixels += qRed(p) > 200 && qGreen(p) < 60;
            blackPixels += qRed(p) < 60;
        }
    QVERIFY(redPixels > 500);
    QCOMPARE(blackPixels, 0);
}

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
