// Start-up, memory and per-answer benchmark: start-up against a window with one line of text,
// memory against an empty window, each answer against a time. Each figure is judged on a 95 %
// confidence interval, so a verdict holds from run to run: met when the whole interval is within
// the goal, missed when it is wholly beyond, uncertain otherwise.
//   bench                 runs everything and prints a table; exits 0 when every goal is met, 1 when
//                         one is missed, 2 when none is missed but one is uncertain
//   bench --answers       the per-answer figures alone
//   bench --child empty   one start-up of an empty window of the game's size (internal)
//   bench --child text    the same window with one line of text (internal)
//   bench --child game    one start-up of the game (internal)

#include "Confidence.h"
#include "app/FontWarmup.h"
#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "layout/MainLayout.h"
#include "pictures/Catalogue.h"
#include "rules/Random.h"
#include "uMain.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QWindow>
#include <QPaintEvent>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#ifdef Q_OS_WIN
#include <windows.h>
#include <psapi.h>
#else
#include <cstdlib>
#include <sys/resource.h>
#endif
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Start-ups are measured in interleaved rounds (one of each kind) until both ratios are decided
// against their goals, within these bounds. Each look at the data is another chance for noise to
// decide, so the rounds are looked at only at these counts, and a look stops only on a 99 %
// interval (six looks at 1 % each risk about as much as one at 5 %); the verdict is drawn from the
// 95 % interval, which is then decided too.
constexpr int kLooks[] = {12, 20, 30, 45, 60, 80};
constexpr double kStopLevel = 0.99;
constexpr double kRoundBudgetSeconds = 60;
constexpr double kStartupGoal = 1.30;
constexpr int kAnswersPerLevel = 300;

// The most memory the process has had in physical pages.
long peakRssKb()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return long(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

long long monotonicNs()
{
    // steady_clock is CLOCK_MONOTONIC (the performance counter on Windows): one clock for parent and child
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Reports once the window has painted for the first time, then ends the process.
class FirstPaintWatch : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched == m_window && !m_done) {
            m_done = true;
            // Runs once the whole window has painted and been flushed.
            QTimer::singleShot(0, [] {
                std::printf("painted_ns %lld\n", monotonicNs());
                std::printf("peak_kb %ld\n", peakRssKb());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }
    QWidget *m_window = nullptr;
    bool m_done = false;
};

enum class StartMode { Empty, OneText, Game };

// One start-up, watched until the first paint: the game exactly as the program starts it, an empty
// window of the game's size on the same application class, or that window with one line of text
// (the cheapest window that needs the font system, which an empty window never starts; it gets
// the same head start on loading the fonts as the game).
int child(int argc, char **argv, StartMode mode)
{
    FirstPaintWatch watch;
    auto watchFirstPaint = [&watch](QWidget &window) {
        watch.m_window = &window;
        window.installEventFilter(&watch);
    };
    if (mode == StartMode::Game)
        return runVartolin(argc, argv, [&](TfrmMain &window) { watchFirstPaint(window); });
    std::optional<FontWarmup> fontWarmup; // the text window gets the game's head start on the fonts
    if (mode == StartMode::OneText)
        fontWarmup.emplace();
    VartolinApplication app(argc, argv);
    const auto fontWarmupDone = qScopeGuard([&fontWarmup] { fontWarmup.reset(); });
    if (fontWarmup)
        fontWarmup->applicationReady();
    QWidget window;
    window.setFixedSize(layout::kClientWidth, layout::kClientHeight);
    if (mode == StartMode::OneText)
        (new QLabel(QStringLiteral("Quitter"), &window))->move(8, 8);
    window.show();
    watchFirstPaint(window);
    return QApplication::exec();
}

struct StartupFigures {
    double ms;
    double peakKb;
};

double figureFrom(const QByteArray &out, const QByteArray &name)
{
    for (const QByteArray &line : out.split('\n'))
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toDouble();
    throw std::runtime_error("bench child did not report " + name.toStdString());
}

StartupFigures startOnce(const QString &self, const QString &mode)
{
    // Timed from just before the process is started to the end of its first paint; the
    // teardown after that is not start-up and is left out.
    QProcess process;
    const long long launched = monotonicNs();
    process.start(self, {QStringLiteral("--child"), mode});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        throw std::runtime_error("bench child failed: " + mode.toStdString());
    const QByteArray out = process.readAllStandardOutput();
    return {(figureFrom(out, "painted_ns") - launched) / 1e6, figureFrom(out, "peak_kb")};
}

enum Kind { Empty, OneText, Game, KindCount };

// Every start-up of each kind, one of each per round.
struct Startups {
    std::vector<double> ms[KindCount], kb[KindCount];
    int rounds() const { return int(ms[Game].size()); }
    double medianMs(Kind kind) const { return confidence::median(ms[kind]); }
    double medianKb(Kind kind) const { return confidence::median(kb[kind]); }
    confidence::Interval startupRatio(Kind against, double level = 0.95) const
    {
        return confidence::medianInterval(confidence::ratios(ms[Game], ms[against]), level);
    }
    confidence::Interval memoryRatio(double level = 0.95) const
    {
        return confidence::medianInterval(confidence::ratios(kb[Game], kb[Empty]), level);
    }
};

double memoryGoal(const Startups &startups, double picturesKb)
{
    const double emptyKb = startups.medianKb(Empty);
    return (emptyKb + picturesKb) / emptyKb;
}

// Interleaved rounds, so a change in the machine's load touches every kind alike; the order turns
// from round to round so that no kind always follows another. Rounds are added until the start-up
// and memory ratios are each wholly within or wholly beyond their goals, or the bounds are reached.
Startups measureStartups(const QString &self, double picturesKb)
{
    const QString modes[KindCount] = {QStringLiteral("empty"), QStringLiteral("text"), QStringLiteral("game")};
    // One round first, not counted: the first starts also pay for reading the program and the
    // libraries from disk and, on a fresh display server, for its first clients.
    for (const QString &mode : modes)
        startOnce(self, mode);
    Startups startups;
    QElapsedTimer elapsed;
    elapsed.start();
    for (const int look : kLooks) {
        while (startups.rounds() < look) {
            const int round = startups.rounds();
            for (int i = 0; i < KindCount; ++i) {
                const int kind = (round + i) % KindCount;
                const StartupFigures run = startOnce(self, modes[kind]);
                startups.ms[kind].push_back(run.ms);
                startups.kb[kind].push_back(run.peakKb);
            }
        }
        using confidence::Verdict;
        const bool decided =
            confidence::judge(startups.startupRatio(OneText, kStopLevel), kStartupGoal) != Verdict::Uncertain
            && confidence::judge(startups.memoryRatio(kStopLevel), memoryGoal(startups, picturesKb))
                   != Verdict::Uncertain;
        if (decided || elapsed.elapsed() > kRoundBudgetSeconds * 1000)
            break;
    }
    return startups;
}

// The system's load average over the last minute, or a negative number where there is none.
double loadAverage()
{
#ifdef Q_OS_WIN
    return -1;
#else
    double load = -1;
    return getloadavg(&load, 1) == 1 ? load : -1;
#endif
}

double decodedPicturesKb()
{
    double bytes = 0;
    for (const PictureOutput &out : builtInPictures())
        bytes += 4.0 * out.size.width() * out.size.height();
    return bytes / 1024;
}

// One answer: judge the click, build the next challenge, paint what changed. The median of each
// level's answers with its interval.
std::vector<confidence::Interval> measureAnswers()
{
    configureApplication();
    NoPacing noPauses;
    TfrmMain window;
    window.setPacing(&noPauses);
    window.show();
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::vector<confidence::Interval> perLevel;
    for (int level = 1; level <= 8; ++level) {
        window.startAt(level, 0);
        QCoreApplication::processEvents();
        std::vector<double> times;
        for (int i = 0; i < kAnswersPerLevel; ++i) {
            if (window.streak() == 10)
                window.startAt(level, 0); // stay on this level
            QWidget *right = window.FindComponent(layout::answerControlName(level, window.expectedAnswer()));
            QElapsedTimer timer;
            timer.start();
            window.BalanceClick(right);
            QCoreApplication::processEvents(); // delivers the update and paints the changed regions
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        perLevel.push_back(confidence::medianInterval(times));
    }
    return perLevel;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        const StartMode mode = qstrcmp(argv[2], "game") == 0 ? StartMode::Game
                               : qstrcmp(argv[2], "text") == 0 ? StartMode::OneText
                                                               : StartMode::Empty;
        return child(argc, argv, mode);
    }

    if (argc == 2 && qstrcmp(argv[1], "--answers") == 0) { // the per-answer figures alone, for profiling
        VartolinApplication app(argc, argv);
        const std::vector<confidence::Interval> answers = measureAnswers();
        for (int level = 1; level <= 8; ++level)
            std::printf("level %d: %.3f ms\n", level, answers[level - 1].median);
        return 0;
    }
    const QString self = QString::fromLocal8Bit(argv[0]);
    const double picturesKb = decodedPicturesKb();
    const double loadBefore = loadAverage();
    const Startups startups = measureStartups(self, picturesKb);
    const double load = std::max(loadBefore, loadAverage());
    // The interval covers the noise of a steady machine, not a machine that others keep busy: there
    // the start-ups wait for a core at moments that change with the others' work, and the ratio
    // moved between runs a minute apart by more than either interval (offscreen at a load of 5 on
    // 2 cores: 1.24x, 1.21 to 1.30, then 1.53x, 1.40 to 1.64). A start-up that misses on such a
    // machine is reported as uncertain, not as missed. Busy: more runnable tasks than the cores,
    // besides the benchmark's own.
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const bool busy = load > cores + 1;

    VartolinApplication app(argc, argv);
    const std::vector<confidence::Interval> answers = measureAnswers();

    // Start-up is measured against the cheapest window that draws a letter: an empty window never
    // starts the font system, which any program showing text pays for. On a display the time of one
    // answer runs to the end of the repaint, the server's round trip included.
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    QStringList missed, uncertain;
    auto verdict = [&](const confidence::Interval &interval, double goal, const QString &figure,
                       bool judgedOnABusyMachine = false) {
        confidence::Verdict v = confidence::judge(interval, goal);
        if (judgedOnABusyMachine && busy && v == confidence::Verdict::Missed)
            v = confidence::Verdict::Uncertain;
        if (v == confidence::Verdict::Missed)
            missed << figure;
        else if (v == confidence::Verdict::Uncertain)
            uncertain << figure;
        return confidence::verdictName(v);
    };
    const confidence::Interval startup = startups.startupRatio(OneText);
    const confidence::Interval startupVsEmpty = startups.startupRatio(Empty);
    const confidence::Interval memory = startups.memoryRatio();
    const double memoryLimit = memoryGoal(startups, picturesKb);
    std::printf("\nOn Qt's \"%s\" platform (%d interleaved rounds of start-ups; ratios are medians of the rounds' "
                "ratios with their 95 %% confidence intervals",
                qPrintable(QGuiApplication::platformName()), startups.rounds());
    if (load >= 0)
        std::printf("; load average %.1f on %d cores%s", load, cores,
                    busy ? ", busy: a missed start-up is not judged" : "");
    std::printf("):\n\n| Figure | Measured | Goal | |\n|---|---|---|---|\n");
    std::printf("| start-up to first paint, against a window with one line of text | %.0f ms vs %.0f ms: %.2fx (%.2f to %.2f) | at most %.2fx | %s |\n",
                startups.medianMs(Game), startups.medianMs(OneText), startup.median, startup.low, startup.high,
                kStartupGoal, verdict(startup, kStartupGoal, QStringLiteral("start-up"), true));
    std::printf("| (for information) start-up against an empty window | %.0f ms vs %.0f ms: %.2fx (%.2f to %.2f) | | |\n",
                startups.medianMs(Game), startups.medianMs(Empty), startupVsEmpty.median, startupVsEmpty.low,
                startupVsEmpty.high);
    std::printf("| peak memory | %.1f MB vs %.1f MB empty window: %.2fx (%.2f to %.2f) | at most %.2fx (empty + %.1f MB of decoded pictures) | %s |\n",
                startups.medianKb(Game) / 1024, startups.medianKb(Empty) / 1024, memory.median, memory.low, memory.high,
                memoryLimit, picturesKb / 1024, verdict(memory, memoryLimit, QStringLiteral("peak memory")));
    for (int level = 1; level <= 8; ++level) {
        const double limit = offscreen ? (level == 4 ? 3.0 : 1.0) : 4.0;
        const confidence::Interval &answer = answers[level - 1];
        std::printf("| one answer at level %d (%s) | %.3f ms (%.3f to %.3f) | under %.0f ms | %s |\n", level,
                    offscreen ? "judge, build, redraw" : "click to the end of the repaint", answer.median,
                    answer.low, answer.high, limit,
                    verdict(answer, limit, QStringLiteral("one answer at level %1").arg(level)));
    }
    const QString platform = QGuiApplication::platformName();
    if (!missed.isEmpty()) {
        std::printf("\nbench: missed on \"%s\": %s\n", qPrintable(platform), qPrintable(missed.join(QStringLiteral(", "))));
        return 1;
    }
    if (!uncertain.isEmpty()) {
        // Not a pass: the run could not show the goal is kept. Told apart from a miss, so that a
        // loaded machine's run can be repeated rather than reported as a regression.
        std::printf("\nbench: uncertain on \"%s\" (%s): %s\n", qPrintable(platform),
                    busy ? "the interval straddles the goal, or the machine was busy"
                         : "the interval straddles the goal",
                    qPrintable(uncertain.join(QStringLiteral(", "))));
        return 2;
    }
    std::printf("\nbench: every goal met on \"%s\"\n", qPrintable(platform));
    return 0;
}
