#include "GameProbe.h"

#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "controls/TPanel.h"
#include "layout/MainLayout.h"
#include "rules/NumberChallenge.h"
#include "uMain.h"

#include <QtTest>

namespace probe {
namespace {

QStringList answerNames(int page)
{
    QStringList names;
    for (const layout::AnswerControl &control : layout::answerControls())
        if (control.page == page)
            names << control.name;
    return names;
}

int valueOfCaption(const QString &caption)
{
    for (int n = 0; n <= 9; ++n)
        if (caption == QString::fromStdString(NumberWord(n)))
            return n;
    bool ok = false;
    const int value = caption.toInt(&ok);
    return ok ? value : -1;
}

int relationOf(int left, int right)
{
    return left < right ? -1 : (left == right ? 0 : 1);
}

const Picture &pictureOf(const TfrmMain &window, const QString &name)
{
    return window.component<TImage>(name)->picture();
}

// Anywhere but on the two buttons of the top bar, which would open a dialog or end the game.
QPoint randomPoint(std::mt19937 &dice)
{
    if (std::uniform_int_distribution<int>(0, 9)(dice) == 0)
        return {std::uniform_int_distribution<int>(140, 990)(dice), std::uniform_int_distribution<int>(0, 48)(dice)};
    return {std::uniform_int_distribution<int>(0, layout::kClientWidth - 1)(dice),
            std::uniform_int_distribution<int>(49, layout::kClientHeight - 1)(dice)};
}

} // namespace

int activePage(const TfrmMain &window)
{
    return window.component<TPageControl>(QStringLiteral("PageControl"))->activePageIndex();
}

QWidget *visibleAnswer(const TfrmMain &window, int tag)
{
    for (const QString &name : answerNames(activePage(window))) {
        QWidget *control = window.FindComponent(name);
        if (control->isVisible() && control->property("Tag").toInt() == tag)
            return control;
    }
    return nullptr;
}

QString invariantViolation(const TfrmMain &window)
{
    const int level = window.level(), streak = window.streak();
    if (level < 1 || level > 8)
        return QStringLiteral("level %1").arg(level);
    if (streak < 0 || streak > 10)
        return QStringLiteral("streak %1").arg(streak);
    for (int i = 0; i < 10; ++i) {
        const char *source = i < streak ? "imgPastOK" : (i == streak ? "imgCurrent" : "imgFutur");
        if (!pictureOf(window, QStringLiteral("imgScore%1").arg(i)).sharesImageWith(pictureOf(window, QLatin1String(source))))
            return QStringLiteral("streak position %1 does not show %2").arg(i).arg(QLatin1String(source));
    }
    const int expected = window.expectedAnswer();
    const int page = activePage(window);
    int left = 0, right = 0;
    if (page == 3) {
        left = valueOfCaption(window.component<TPanel>(QStringLiteral("pnlDifficile_Gauche"))->caption());
        right = valueOfCaption(window.component<TPanel>(QStringLiteral("pnlDifficile_Droite"))->caption());
        if (left < 0 || right < 0)
            return QStringLiteral("a caption is not a number");
    } else if (page == 1 || page == 2) {
        const QString family = page == 1 ? QStringLiteral("imgNiv3") : QStringLiteral("imgNiv4");
        for (int i = 0; i < (page == 1 ? 9 : 30); ++i) {
            left += !pictureOf(window, family + QStringLiteral("Gauche_%1").arg(i)).isNull();
            right += !pictureOf(window, family + QStringLiteral("Droite_%1").arg(i)).isNull();
        }
    } else {
        left = pictureOf(window, QStringLiteral("imgFacile_Gauche")).size().width();
        right = pictureOf(window, QStringLiteral("imgFacile_Droite")).size().width();
    }
    if (relationOf(left, right) != expected)
        return QStringLiteral("page %1 shows %2 and %3, expected answer %4").arg(page).arg(left).arg(right).arg(expected);
    return {};
}

void randomMouseEvent(TfrmMain &window, std::mt19937 &dice)
{
    QWindow *handle = window.windowHandle();
    QPoint at = randomPoint(dice);
    const int kind = std::uniform_int_distribution<int>(0, 9)(dice);
    if (kind < 5) {
        const int tag = kind < 4 ? window.expectedAnswer() : std::uniform_int_distribution<int>(-1, 1)(dice);
        if (QWidget *target = visibleAnswer(window, tag))
            at = target->mapTo(&window, target->rect().center());
    }
    if (kind == 7 || kind == 8) {
        QTest::mouseDClick(handle, Qt::LeftButton, {}, at);
    } else if (kind == 9) {
        const QPoint to = randomPoint(dice);
        QTest::mousePress(handle, Qt::LeftButton, {}, at);
        QTest::mouseMove(handle, to);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    } else {
        QTest::mouseClick(handle, Qt::LeftButton, {}, at);
    }
}

} // namespace probe
