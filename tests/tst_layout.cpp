// The main window's control tree against the layout tables: every one of the 182 controls by name.

#include "app/Startup.h"
#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"
#include "layout/MainLayout.h"
#include "uMain.h"

#include <QtTest>

namespace {

struct Expected {
    QString name;
    QString parent;
    QRect geometry;      // relative to the parent; an empty size means "size not fixed by the table"
    bool visible = true; // at start, before the first challenge
    int tag = 0;
    QString flags;       // pictures: S Stretch, P Proportional, C Center, A AutoSize, T Transparent
    int fontPx = 11;     // character height
    QString kind;        // image, panel, button, pages, sheet
    QString caption;
    int tabOrder = -1;   // -1: not checked
};

QList<Expected> expectedControls()
{
    QList<Expected> all;
    auto panel = [&](const char *name, const char *parent, QRect g, int tabOrder, int tag = 0,
                     const char *caption = "", int font = 11, bool visible = true) {
        all.append({QLatin1String(name), QLatin1String(parent), g, visible, tag, {}, font,
                     QStringLiteral("panel"), QString::fromUtf8(caption), tabOrder});
    };
    auto image = [&](const QString &name, const char *parent, QRect g, const char *flags, int tag = 0,
                     bool visible = true) {
        all.append({name, QLatin1String(parent), g, visible, tag, QLatin1String(flags), 11, QStringLiteral("image")});
    };

    panel("Panel5", "frmMain", {0, 0, 1095, 49}, 1);
    all.append({QStringLiteral("bbtAbout"), QStringLiteral("Panel5"), {4, 4, 133, 41}, true, 0, {}, 11,
                QStringLiteral("button"), QStringLiteral("A propos de...")});
    all.append({QStringLiteral("bbtClose"), QStringLiteral("Panel5"), {992, 4, 99, 41}, true, 0, {}, 11,
                QStringLiteral("button"), QStringLiteral("Quitter")});
    const int scoreLeft[] = {357, 395, 433, 471, 509, 547, 583, 621, 659, 697};
    for (int i = 0; i < 10; ++i)
        image(QStringLiteral("imgScore%1").arg(i), "Panel5", {scoreLeft[i], i == 0 ? 11 : 9, 32, 32}, "T");
    image(QStringLiteral("imgCurrent"), "Panel5", {12, 11, 32, 32}, "T", 0, false);
    image(QStringLiteral("imgPastOK"), "Panel5", {50, 11, 32, 32}, "T", 0, false);
    image(QStringLiteral("imgFutur"), "Panel5", {88, 11, 32, 32}, "T", 0, false);

    all.append({QStringLiteral("PageControl"), QStringLiteral("frmMain"), {0, 49, 1095, 593}, true, 0, {}, 11,
                QStringLiteral("pages"), {}, 0});
    for (int i = 1; i <= 4; ++i)
        all.append({QStringLiteral("TabSheet%1").arg(i), QStringLiteral("PageControl"), {4, 6, 1087, 583},
                    i == 2, 0, {}, 11, QStringLiteral("sheet"), {}, i - 1});

    // Page 0.
    panel("pnlFacile_Gauche", "TabSheet1", {0, 0, 470, 583}, 0);
    image(QStringLiteral("imgFacile_Gauche"), "pnlFacile_Gauche", {4, 4, 462, 575}, "C");
    panel("pnlFacile_Droite", "TabSheet1", {617, 0, 470, 583}, 1);
    image(QStringLiteral("imgFacile_Droite"), "pnlFacile_Droite", {4, 4, 462, 575}, "C");
    panel("Panel4", "TabSheet1", {470, 0, 147, 583}, 2);
    image(QStringLiteral("imgFacile_Grand"), "Panel4", {16, 99, 106, 74}, "A", 1);
    panel("pnlFacile_Grand", "Panel4", {16, 99, 106, 74}, 1, 1, ">", 96, false);
    panel("pnlFacile_Egal", "Panel4", {16, 255, 106, 74}, 0, 0, "=", 96);
    image(QStringLiteral("imgFacile_Petit"), "Panel4", {16, 411, 106, 74}, "A", -1);
    panel("pnlFacile_Petit", "Panel4", {16, 411, 106, 74}, 2, -1, "<", 96, false);
    for (int n = 1; n <= 11; ++n)
        for (const char *size : {"G", "M", "P"})
            image(QStringLiteral("imgFacile_%1_%2").arg(n).arg(QLatin1String(size)), "TabSheet1",
                  {500, 20, 50, 50}, "C", 0, false);

    // Pages 1 to 3: left side, right side, middle column, and the three answers in the middle.
    struct Frame { const char *sheet, *left, *middle, *right; int leftTab, middleTab, rightTab; const char *answers[3]; };
    const Frame frames[] = {
        {"TabSheet2", "pnlNiv3Gauche", "pnlNiv3Boutons", "pnlNiv3Droite", 0, 2, 1, {"Panel9", "Panel8", "Panel10"}},
        {"TabSheet3", "pnlNiv4Gauche", "pnlNiv4Boutons", "pnlNiv4Droite", 0, 1, 2, {"Panel11", "Panel7", "Panel12"}},
        {"TabSheet4", "pnlDifficile_Gauche", "Panel6", "pnlDifficile_Droite", 0, 1, 2, {"Panel14", "Panel13", "Panel15"}},
    };
    for (const Frame &f : frames) {
        const bool numbers = qstrcmp(f.sheet, "TabSheet4") == 0;
        panel(f.left, f.sheet, {0, 0, 490, 583}, f.leftTab, 0, numbers ? "8" : "", numbers ? 467 : 11);
        panel(f.middle, f.sheet, {490, 0, 107, 583}, f.middleTab);
        panel(f.right, f.sheet, {597, 0, 490, 583}, f.rightTab, 0, numbers ? "quatre" : "", numbers ? 120 : 11);
        panel(f.answers[0], f.middle, {9, 126, 80, 74}, 1, 1, ">", 96);
        panel(f.answers[1], f.middle, {9, 254, 80, 74}, 0, 0, "=", 96);
        panel(f.answers[2], f.middle, {9, 382, 80, 74}, 2, -1, "<", 96);
    }

    // Holders of the quantity pages: only their size is fixed.
    for (int k = 1; k <= 7; ++k)
        image(QStringLiteral("imgNiv3_%1").arg(k), "pnlNiv3Boutons", {0, 0, 20, 20}, "SP", 0, false);
    for (int k = 1; k <= 15; ++k)
        image(QStringLiteral("imgNiv4_%1").arg(k), "pnlNiv4Boutons", {0, 0, 20, 20}, "SP", 0, false);

    // The places, row by row, with the few that stand 2 px off their grid.
    const QHash<QString, QPoint> off = {
        {QStringLiteral("imgNiv3Droite_0"), {8, 10}},    {QStringLiteral("imgNiv3Droite_7"), {170, 388}},
        {QStringLiteral("imgNiv4Gauche_8"), {298, 105}}, {QStringLiteral("imgNiv4Gauche_10"), {10, 200}},
        {QStringLiteral("imgNiv4Droite_8"), {294, 105}}, {QStringLiteral("imgNiv4Droite_23"), {298, 386}}};
    for (const char *side : {"Gauche", "Droite"}) {
        const QByteArray p3 = QByteArray("pnlNiv3") + side, p4 = QByteArray("pnlNiv4") + side;
        for (int i = 0; i < 9; ++i) {
            const QString name = QStringLiteral("imgNiv3%1_%2").arg(QLatin1String(side)).arg(i);
            const QPoint at = off.value(name, QPoint(8 + 160 * (i % 3), 8 + 191 * (i / 3)));
            image(name, p3.constData(), QRect(at, QSize(152, 183)), "PC");
        }
        for (int i = 0; i < 30; ++i) {
            const QString name = QStringLiteral("imgNiv4%1_%2").arg(QLatin1String(side)).arg(i);
            const QPoint at = off.value(name, QPoint(8 + 96 * (i % 5), 8 + 95 * (i / 5)));
            image(name, p4.constData(), QRect(at, QSize(88, 87)), "PC");
        }
    }
    return all;
}

QString flagsOf(const TImage *image)
{
    QString flags;
    if (image->stretch()) flags += QLatin1Char('S');
    if (image->proportional()) flags += QLatin1Char('P');
    if (image->center()) flags += QLatin1Char('C');
    if (image->autoSize()) flags += QLatin1Char('A');
    if (image->transparent()) flags += QLatin1Char('T');
    return flags;
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { configureApplication(); }
    void everyControlAsTheTablesGiveIt();
    void runTimeNamesAllExist();
    void windowFrame();
    void answerControlsAndBindings();
    void keyboardReachesOnlyThePageControl();
    void storedContentBeforeTheFirstChallenge();
};

void LayoutTest::everyControlAsTheTablesGiveIt()
{
    TfrmMain window;
    const QList<Expected> expected = expectedControls();
    QCOMPARE(expected.size(), 182);
    int images = 0, panels = 0, buttons = 0, pages = 0, sheets = 0;
    for (const Expected &e : expected) {
        QWidget *control = window.FindComponent(e.name);
        QVERIFY2(control, qPrintable(e.name));
        QCOMPARE(control->objectName(), e.name);
        QVERIFY2(control->parentWidget() && control->parentWidget()->objectName() == e.parent, qPrintable(e.name));
        if (e.geometry.topLeft() != QPoint(0, 0) || !e.name.startsWith(QLatin1String("imgNiv")))
            QCOMPARE(control->geometry(), e.geometry);
        else
            QCOMPARE(control->size(), e.geometry.size());
        QVERIFY2(control->isVisibleTo(control->parentWidget()) == e.visible, qPrintable(e.name));
        QCOMPARE(control->property("Tag").toInt(), e.tag);
        QCOMPARE(QFontInfo(control->font()).pixelSize(), e.fontPx);
        if (e.tabOrder >= 0)
            QCOMPARE(control->property("TabOrder").toInt(), e.tabOrder);
        if (e.kind == QLatin1String("image")) {
            ++images;
            auto *image = qobject_cast<TImage *>(control);
            QVERIFY2(image, qPrintable(e.name));
            QCOMPARE(flagsOf(image), e.flags);
        } else if (e.kind == QLatin1String("panel")) {
            ++panels;
            auto *panel = qobject_cast<TPanel *>(control);
            QVERIFY2(panel, qPrintable(e.name));
            QCOMPARE(panel->caption(), e.caption);
        } else if (e.kind == QLatin1String("button")) {
            ++buttons;
            QCOMPARE(qobject_cast<TBitBtn *>(control)->text(), e.caption);
        } else if (e.kind == QLatin1String("pages")) {
            ++pages;
        } else {
            ++sheets;
            QVERIFY(qobject_cast<TTabSheet *>(control));
        }
    }
    QCOMPARE(images, 150);
    QCOMPARE(panels, 25);
    QCOMPARE(buttons, 2);
    QCOMPARE(pages, 1);
    QCOMPARE(sheets, 4);
    // Nothing beyond the tables: every named child of the window is one of them.
    int named = 0;
    for (QWidget *child : window.findChildren<QWidget *>())
        named += !child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_"));
    QCOMPARE(named, 182);
}

void LayoutTest::runTimeNamesAllExist()
{
    TfrmMain window;
    QStringList names;
    for (int n = 1; n <= 11; ++n)
        for (const char *suffix : {"_G", "_M", "_P"})
            names << QStringLiteral("imgFacile_") + QString::number(n) + QLatin1String(suffix);
    for (int k = 1; k <= 7; ++k)
        names << QStringLiteral("imgNiv3_") + QString::number(k);
    for (int k = 1; k <= 15; ++k)
        names << QStringLiteral("imgNiv4_") + QString::number(k);
    for (int i = 0; i <= 8; ++i)
        names << QStringLiteral("imgNiv3Gauche_") + QString::number(i) << QStringLiteral("imgNiv3Droite_") + QString::number(i);
    for (int i = 0; i <= 29; ++i)
        names << QStringLiteral("imgNiv4Gauche_") + QString::number(i) << QStringLiteral("imgNiv4Droite_") + QString::number(i);
    for (int i = 0; i <= 9; ++i)
        names << QStringLiteral("imgScore") + QString::number(i);
    QCOMPARE(names.size(), 33 + 7 + 15 + 18 + 60 + 10);
    for (const QString &name : names)
        QVERIFY2(qobject_cast<TImage *>(window.FindComponent(name)), qPrintable(name));
    // Names just outside the ranges do not exist.
    for (const char *missing : {"imgFacile_0_G", "imgFacile_12_M", "imgNiv3_8", "imgNiv4_0", "imgNiv3Gauche_9",
                                "imgNiv4Droite_30", "imgScore10", "imgScore_0", "imgFacile_07_M"})
        QVERIFY2(!window.FindComponent(QLatin1String(missing)), missing);
}

void LayoutTest::windowFrame()
{
    TfrmMain window;
    QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Vartolin"));
    QCOMPARE(window.size(), QSize(layout::kClientWidth, layout::kClientHeight));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QFontInfo(window.font()).pixelSize(), 11);
    auto *pages = window.component<TPageControl>(QStringLiteral("PageControl"));
    QCOMPARE(pages->pageCount(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(pages->page(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
    // The page area in window coordinates: x 4 to 1091, y 55 to 638.
    const QRect area(pages->page(0)->mapTo(&window, QPoint(0, 0)), pages->page(0)->size());
    QCOMPARE(area, QRect(QPoint(4, 55), QPoint(1090, 637)));
    // Side panels paint pure white, the top bar the window colour.
    for (const char *name : {"pnlFacile_Gauche", "pnlNiv4Droite", "pnlDifficile_Gauche"}) {
        auto *side = window.component<TPanel>(QLatin1String(name));
        QVERIFY(!side->parentBackground());
        QCOMPARE(side->color(), QColor(Qt::white));
        QCOMPARE(side->borderWidth(), 4);
    }
    auto *bar = window.component<TPanel>(QStringLiteral("Panel5"));
    QCOMPARE(bar->color(), window.palette().color(QPalette::Base));
    QVERIFY(window.component<TPanel>(QStringLiteral("Panel4"))->parentBackground());
}

void LayoutTest::answerControlsAndBindings()
{
    TfrmMain window;
    // Each page has a control for each answer, and level 1 has its crocodiles for "<" and ">".
    QStringList answers;
    QSet<QPair<int, int>> pageAndTag;
    for (const layout::AnswerControl &control : layout::answerControls()) {
        answers << control.name;
        pageAndTag.insert({control.page, control.tag});
        QCOMPARE(window.FindComponent(control.name)->property("Tag").toInt(), control.tag);
    }
    QCOMPARE(pageAndTag.size(), 12);
    QCOMPARE(layout::answerControlName(1, 1), QStringLiteral("imgFacile_Grand"));
    QCOMPARE(layout::answerControlName(2, 1), QStringLiteral("pnlFacile_Grand"));
    QCOMPARE(layout::answerControlName(7, -1), QStringLiteral("Panel15"));
    int bound = 0;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        const QString handler = control->property("OnClick").toString();
        const bool isAnswer = answers.contains(control->objectName());
        QCOMPARE(handler == QLatin1String("BalanceClick"), isAnswer);
        QCOMPARE(control->cursor().shape(), isAnswer ? Qt::PointingHandCursor : Qt::ArrowCursor);
        if (isAnswer) {
            ++bound;
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }
    QCOMPARE(bound, 14);
    QCOMPARE(window.FindComponent(QStringLiteral("imgFacile_Grand"))->accessibleName(), QStringLiteral(">"));
    QCOMPARE(window.FindComponent(QStringLiteral("imgFacile_Petit"))->accessibleName(), QStringLiteral("<"));
    QCOMPARE(window.FindComponent(QStringLiteral("bbtAbout"))->property("OnClick").toString(), QStringLiteral("bbtAboutClick"));
    QCOMPARE(window.FindComponent(QStringLiteral("bbtClose"))->property("OnClick").toString(), QStringLiteral("bbtCloseClick"));
    // The text panels of level 2 lie over the crocodiles of level 1, on exactly their rectangles.
    QCOMPARE(window.FindComponent(QStringLiteral("pnlFacile_Grand"))->geometry(),
             window.FindComponent(QStringLiteral("imgFacile_Grand"))->geometry());
}

void LayoutTest::keyboardReachesOnlyThePageControl()
{
    TfrmMain window;
    QStringList focusable;
    for (QWidget *control : window.findChildren<QWidget *>())
        if (control->focusPolicy() & Qt::TabFocus)
            focusable << control->objectName();
    QCOMPARE(focusable, QStringList{QStringLiteral("PageControl")});
}

void LayoutTest::storedContentBeforeTheFirstChallenge()
{
    TfrmMain window; // created, not shown: the first challenge has not been built
    auto picture = [&](const QString &name) { return window.component<TImage>(name)->picture(); };
    QCOMPARE(window.component<TPageControl>(QStringLiteral("PageControl"))->activePageIndex(), 1);
    QVERIFY(picture(QStringLiteral("imgFacile_Gauche")).isNull());
    QVERIFY(picture(QStringLiteral("imgFacile_Droite")).isNull());
    for (int i = 0; i < 9; ++i) {
        const Picture place = picture(QStringLiteral("imgNiv3Gauche_%1").arg(i));
        QVERIFY(i < 7 ? place.sharesImageWith(picture(QStringLiteral("imgNiv3_%1").arg(i + 1))) : place.isNull());
        QVERIFY(picture(QStringLiteral("imgNiv3Droite_%1").arg(i)).isNull());
    }
    for (int i = 0; i < 30; ++i) {
        const Picture place = picture(QStringLiteral("imgNiv4Gauche_%1").arg(i));
        QVERIFY(i < 15 ? place.sharesImageWith(picture(QStringLiteral("imgNiv4_%1").arg(i + 1))) : place.isNull());
        QVERIFY(picture(QStringLiteral("imgNiv4Droite_%1").arg(i)).isNull());
    }
    for (int i = 0; i < 10; ++i)
        QVERIFY(picture(QStringLiteral("imgScore%1").arg(i)).sharesImageWith(picture(QStringLiteral("imgFutur"))));
    QCOMPARE(window.level(), 1);
    QCOMPARE(window.streak(), 0);
    QCOMPARE(window.lastImage(), 0);
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
