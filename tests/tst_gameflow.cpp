// A real main window with a scripted random source: answers, streak strip, levels, challenges.

#include "app/Startup.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"
#include "rules/NumberChallenge.h"
#include "support/GameProbe.h"
#include "support/TestSupport.h"
#include "uMain.h"

#include <QtTest>


class GameFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { configureApplication(); }
    void init();
    void cleanup();

    void firstView();
    void wrongAnswerEmptiesTheStreakAndKeepsTheChallenge();
    void tenFillTheStripAndTheEleventhChangesLevel();
    void levelEightWrapsToOne();
    void levelConfigurationOnScreen();
    void numberCaptionsFollowTheRelation();
    void numbersFitTheirPanels();
    void sizeChallengeCopiesTheRightHolders();
    void quantityPlacesMatchTheCounts();
    void clicksWhileBuildingAreIgnored();
    void quitterClosesTheWindow();
    void randomClicksKeepTheInvariants();

private:
    TImage *image(const QString &name) const { return m_window->component<TImage>(name); }
    TPanel *panel(const QString &name) const { return m_window->component<TPanel>(name); }
    int page() const { return probe::activePage(*m_window); }
    QWidget *visibleAnswer(int tag) const { return probe::visibleAnswer(*m_window, tag); }
    void click(QWidget *control);
    void checkInvariants(const char *when);

    ScriptedRandom *m_random = nullptr;
    RandomSourceScope *m_scope = nullptr;
    RecordingPacing *m_pacing = nullptr;
    TfrmMain *m_window = nullptr;
};

void GameFlowTest::init()
{
    m_random = new ScriptedRandom(2016);
    m_scope = new RandomSourceScope(m_random);
    m_pacing = new RecordingPacing;
    m_window = new TfrmMain;
    m_window->setPacing(m_pacing);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void GameFlowTest::cleanup()
{
    delete m_window;
    delete m_pacing;
    delete m_scope;
    delete m_random;
}

void GameFlowTest::click(QWidget *control)
{
    QVERIFY(control);
    const QPoint centre = control->mapTo(m_window, control->rect().center());
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, centre);
}

void GameFlowTest::checkInvariants(const char *when)
{
    const QString violation = probe::invariantViolation(*m_window);
    QVERIFY2(violation.isEmpty(), qPrintable(QLatin1String(when) + QStringLiteral(": ") + violation));
}

void GameFlowTest::firstView()
{
    QCOMPARE(m_window->level(), 1);
    QCOMPARE(m_window->streak(), 0);
    QCOMPARE(page(), 0);
    QVERIFY(image(QStringLiteral("imgFacile_Grand"))->isVisible());
    QVERIFY(image(QStringLiteral("imgFacile_Petit"))->isVisible());
    QVERIFY(panel(QStringLiteral("pnlFacile_Egal"))->isVisible());
    QVERIFY(!panel(QStringLiteral("pnlFacile_Grand"))->isVisible());
    QVERIFY(!image(QStringLiteral("imgFacile_Gauche"))->picture().isNull());
    QVERIFY(!image(QStringLiteral("imgFacile_Droite"))->picture().isNull());
    QVERIFY(m_window->lastImage() >= 1 && m_window->lastImage() <= 11);
    checkInvariants("first view");
}

void GameFlowTest::wrongAnswerEmptiesTheStreakAndKeepsTheChallenge()
{
    m_window->startAt(5, 9);
    const QString left = panel(QStringLiteral("pnlDifficile_Gauche"))->caption();
    const QString right = panel(QStringLiteral("pnlDifficile_Droite"))->caption();
    const int expected = m_window->expectedAnswer();
    click(visibleAnswer(expected == 1 ? -1 : expected + 1));
    QCOMPARE(m_window->streak(), 0);
    QCOMPARE(m_window->level(), 5);
    QCOMPARE(m_window->expectedAnswer(), expected);
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Gauche"))->caption(), left);
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Droite"))->caption(), right);
    checkInvariants("after a wrong answer");
}

void GameFlowTest::tenFillTheStripAndTheEleventhChangesLevel()
{
    for (int i = 1; i <= 10; ++i) {
        click(visibleAnswer(m_window->expectedAnswer()));
        QCOMPARE(m_window->streak(), i);
        QCOMPARE(m_window->level(), 1);
        checkInvariants("during the streak");
    }
    click(visibleAnswer(m_window->expectedAnswer()));
    QCOMPARE(m_window->level(), 2);
    QCOMPARE(m_window->streak(), 0);
    QVERIFY(!image(QStringLiteral("imgFacile_Grand"))->isVisible());
    QVERIFY(!image(QStringLiteral("imgFacile_Petit"))->isVisible());
    QVERIFY(panel(QStringLiteral("pnlFacile_Grand"))->isVisible());
    QVERIFY(panel(QStringLiteral("pnlFacile_Petit"))->isVisible());
    checkInvariants("at level 2");
}

void GameFlowTest::levelEightWrapsToOne()
{
    m_window->startAt(8, 10);
    const int before = m_window->lastImage();
    click(visibleAnswer(m_window->expectedAnswer()));
    QCOMPARE(m_window->level(), 1);
    QCOMPARE(m_window->streak(), 0);
    QCOMPARE(page(), 0);
    QVERIFY(image(QStringLiteral("imgFacile_Grand"))->isVisible());
    QVERIFY(m_window->lastImage() != before);
    checkInvariants("back at level 1");
}

void GameFlowTest::levelConfigurationOnScreen()
{
    const int pages[] = {0, 0, 1, 2, 3, 3, 3, 3};
    const int fontPx[] = {0, 0, 0, 0, 467, 120, 333, 213};
    for (int level = 1; level <= 8; ++level) {
        m_window->startAt(level, 0);
        QCOMPARE(page(), pages[level - 1]);
        if (fontPx[level - 1]) {
            QCOMPARE(panel(QStringLiteral("pnlDifficile_Gauche"))->font().pixelSize(), fontPx[level - 1]);
            QCOMPARE(panel(QStringLiteral("pnlDifficile_Droite"))->font().pixelSize(), fontPx[level - 1]);
        }
        checkInvariants("level configuration");
    }
}

void GameFlowTest::numberCaptionsFollowTheRelation()
{
    // Level 6, a = 7, "=": the same word twice.
    m_random->script({7, 0, 34, 0, 0});
    m_window->startAt(6, 0);
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Gauche"))->caption(), QStringLiteral("sept"));
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Droite"))->caption(), QStringLiteral("sept"));
    // Level 8, a = 0: never the bigger value; here "<" with b = 999.
    m_random->script({0, 0, 2, 0, 0, 999});
    m_window->startAt(8, 0);
    QCOMPARE(m_window->expectedAnswer(), -1);
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Gauche"))->caption(), QStringLiteral("0"));
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Droite"))->caption(), QStringLiteral("999"));
    // Level 7: digits without leading zeros.
    m_random->script({9, 0, 0, 0, 0, 10});
    m_window->startAt(7, 0);
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Gauche"))->caption(), QStringLiteral("9"));
    QCOMPARE(panel(QStringLiteral("pnlDifficile_Droite"))->caption(), QStringLiteral("10"));
    QVERIFY(m_random->scriptUsedUp());
}

void GameFlowTest::numbersFitTheirPanels()
{
    // The widest caption of each level stays on one line inside the panel's inner rectangle.
    const struct { int level; QStringList captions; } levels[] = {
        {5, {"0", "8"}}, {6, {"zero", "quatre", "trois", "huit"}}, {7, {"88", "99", "40"}}, {8, {"888", "999", "404"}}};
    for (const auto &row : levels) {
        m_window->startAt(row.level, 0);
        TPanel *side = panel(QStringLiteral("pnlDifficile_Gauche"));
        const QFontMetrics metrics(side->font());
        for (const QString &caption : row.captions)
            QVERIFY2(metrics.horizontalAdvance(caption) <= side->innerRect().width(), qPrintable(caption));
        QVERIFY(metrics.tightBoundingRect(QStringLiteral("8")).height() <= side->innerRect().height());
    }
}

void GameFlowTest::sizeChallengeCopiesTheRightHolders()
{
    // Object 4, "=" (band 50), pair selector 1 -> G / G.
    m_random->script({4, 50, 80});
    m_window->startAt(1, 0);
    QCOMPARE(m_window->lastImage(), 4);
    QCOMPARE(m_window->expectedAnswer(), 0);
    QVERIFY(image(QStringLiteral("imgFacile_Gauche"))->picture().sharesImageWith(image(QStringLiteral("imgFacile_4_G"))->picture()));
    QVERIFY(image(QStringLiteral("imgFacile_Droite"))->picture().sharesImageWith(image(QStringLiteral("imgFacile_4_G"))->picture()));
    // Object 4 again is skipped; object 11, ">" (band 90), selector -1 -> G / M.
    m_random->script({4, 11, 90, 0});
    m_window->startAt(2, 0);
    QCOMPARE(m_window->lastImage(), 11);
    QVERIFY(image(QStringLiteral("imgFacile_Gauche"))->picture().sharesImageWith(image(QStringLiteral("imgFacile_11_G"))->picture()));
    QVERIFY(image(QStringLiteral("imgFacile_Droite"))->picture().sharesImageWith(image(QStringLiteral("imgFacile_11_M"))->picture()));
    // Only the two side pictures change on page 0.
    QVERIFY(panel(QStringLiteral("pnlFacile_Grand"))->isVisible());
    QVERIFY(panel(QStringLiteral("pnlFacile_Egal"))->isVisible());
}

void GameFlowTest::quantityPlacesMatchTheCounts()
{
    // Level 3: a = 0, "=" -> both sides empty; object 2.
    m_random->script({0, 1, 5, 5, 1});
    m_window->startAt(3, 0);
    QCOMPARE(m_window->expectedAnswer(), 0);
    for (int i = 0; i < 9; ++i) {
        QVERIFY(image(QStringLiteral("imgNiv3Gauche_%1").arg(i))->picture().isNull());
        QVERIFY(image(QStringLiteral("imgNiv3Droite_%1").arg(i))->picture().isNull());
    }
    // Level 4: a = 30 (largest), odd -> ">", b drawn below; object 11 fills all thirty left places.
    m_random->script({30, 5, 1, 5, 12, 10});
    m_window->startAt(4, 0);
    QCOMPARE(m_window->expectedAnswer(), 1);
    const Picture object = image(QStringLiteral("imgNiv4_11"))->picture();
    int right = 0;
    for (int i = 0; i < 30; ++i) {
        QVERIFY(image(QStringLiteral("imgNiv4Gauche_%1").arg(i))->picture().sharesImageWith(object));
        const Picture place = image(QStringLiteral("imgNiv4Droite_%1").arg(i))->picture();
        QVERIFY(place.isNull() || place.sharesImageWith(object));
        right += !place.isNull();
    }
    QCOMPARE(right, 12);
    QCOMPARE(image(QStringLiteral("imgNiv4Gauche_29"))->pictureRect(), QRect(0, 19, 88, 49));
    checkInvariants("level 4");
}

void GameFlowTest::clicksWhileBuildingAreIgnored()
{
    m_window->startAt(5, 3);
    int nested = 0;
    m_pacing->onMessages = [&] {
        // A click that arrives while the right value is being sought.
        QVERIFY(m_window->isBuildingChallenge());
        const int streakBefore = m_window->streak();
        for (int tag : {-1, 0, 1})
            click(visibleAnswer(tag));
        nested += m_window->streak() != streakBefore;
    };
    click(visibleAnswer(m_window->expectedAnswer()));
    m_pacing->onMessages = nullptr;
    QCOMPARE(nested, 0);
    QCOMPARE(m_window->streak(), 4);
    QVERIFY(!m_window->isBuildingChallenge());
    QVERIFY(m_pacing->messageRounds > 0);
    checkInvariants("after clicks during the build");
}

void GameFlowTest::quitterClosesTheWindow()
{
    // "Quitter" inside a running message loop: the loop ends, the program would exit.
    QTimer watchdog; // firing would mean the loop never ended
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    watchdog.start(5000);
    QTimer::singleShot(0, this, [this] { click(m_window->FindComponent(QStringLiteral("bbtClose"))); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!m_window->isVisible());

    // The close box does the same.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTimer::singleShot(0, m_window, &QWidget::close);
    watchdog.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

void GameFlowTest::randomClicksKeepTheInvariants()
{
    std::mt19937 dice(99);
    QSet<int> levelsSeen;
    for (int i = 0; i < 4000; ++i) {
        probe::randomMouseEvent(*m_window, dice);
        checkInvariants("random clicks");
        if (QTest::currentTestFailed())
            return;
        levelsSeen.insert(m_window->level());
    }
    QCOMPARE(levelsSeen.size(), 8);
}

QTEST_MAIN(GameFlowTest)
#include "tst_gameflow.moc"
