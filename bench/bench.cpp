// Start-up, memory and per-answer benchmark, as ratios against an empty Qt window.
//   bench                 runs everything and prints a table (medians of several runs)
//   bench --child empty   one start-up of an empty window of the game's size (internal)
//   bench --child game    one start-up of the game (internal)

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "controls/TImage.h"
#include "controls/TPageControl.h"
#include "pictures/Catalogue.h"
#include "rules/Random.h"
#include "uMain.h"

#include <QElapsedTimer>
#include <QWindow>
#include <QPaintEvent>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kStartupRuns = 9;
constexpr int kAnswersPerLevel = 300;

class NoPauses final : public ChallengePacing
{
public:
    void pause(int) override {}
    void processPendingMessages() override {}
};

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Reports once the window has painted for the first time, then ends the process.
class FirstPaintWatch : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched == m_window && !m_done) {
            m_done = true;
            QTimer::singleShot(0, [] {
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

int child(int argc, char **argv, bool game)
{
    if (game) {
        Randomize();
    }
    VartolinApplication app(argc, argv);
    FirstPaintWatch watch;
    std::unique_ptr<QWidget> window;
    if (game) {
        configureApplication();
        window = std::make_unique<TfrmMain>();
    } else {
        window = std::make_unique<QWidget>();
        window->setFixedSize(1095, 642);
    }
    watch.m_window = window.get();
    window->installEventFilter(&watch);
    window->show();
    return QApplication::exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct StartupFigures {
    double ms;
    double peakKb;
};

StartupFigures measureStartup(const QString &self, const QString &mode)
{
    std::vector<double> times, peaks;
    for (int i = 0; i < kStartupRuns; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(self, {QStringLiteral("--child"), mode});
        process.waitForFinished(60000);
        times.push_back(timer.nsecsElapsed() / 1e6);
        const QByteArray out = process.readAllStandardOutput();
        const int at = out.indexOf("peak_kb ");
        peaks.push_back(at >= 0 ? out.mid(at + 8).trimmed().toDouble() : 0);
    }
    return {median(times), median(peaks)};
}

double decodedPicturesKb()
{
    double bytes = 0;
    for (const CatalogueEntry &entry : builtInCatalogue())
        for (const PictureOutput &out : entry.outputs())
            bytes += 4.0 * out.size.width() * out.size.height();
    return bytes / 1024;
}

// One answer: judge the click, build the next challenge, paint what changed.
std::vector<double> measureAnswers()
{
    configureApplication();
    NoPauses noPauses;
    TfrmMain window;
    window.setPacing(&noPauses);
    window.show();
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const char *answers[9][3] = {{}, {"imgFacile_Petit", "pnlFacile_Egal", "imgFacile_Grand"},
                                 {"pnlFacile_Petit", "pnlFacile_Egal", "pnlFacile_Grand"},
                                 {"Panel10", "Panel8", "Panel9"}, {"Panel12", "Panel7", "Panel11"},
                                 {"Panel15", "Panel13", "Panel14"}, {"Panel15", "Panel13", "Panel14"},
                                 {"Panel15", "Panel13", "Panel14"}, {"Panel15", "Panel13", "Panel14"}};
    std::vector<double> perLevel;
    for (int level = 1; level <= 8; ++level) {
        window.startAt(level, 0);
        QCoreApplication::processEvents();
        std::vector<double> times;
        for (int i = 0; i < kAnswersPerLevel; ++i) {
            if (window.streak() == 10)
                window.startAt(level, 0); // stay on this level
            QWidget *right = window.FindComponent(QLatin1String(answers[level][window.expectedAnswer() + 1]));
            QElapsedTimer timer;
            timer.start();
            window.BalanceClick(right);
            QCoreApplication::processEvents(); // delivers the update and paints the changed regions
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        perLevel.push_back(median(times));
    }
    return perLevel;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, qstrcmp(argv[2], "game") == 0);

    const QString self = QString::fromLocal8Bit(argv[0]);
    const StartupFigures empty = measureStartup(self, QStringLiteral("empty"));
    const StartupFigures game = measureStartup(self, QStringLiteral("game"));

    VartolinApplication app(argc, argv);
    const double picturesKb = decodedPicturesKb();
    const std::vector<double> answers = measureAnswers();

    bool ok = true;
    auto verdict = [&ok](bool met) { ok = ok && met; return met ? "met" : "MISSED"; };
    const double startupRatio = game.ms / empty.ms;
    const double memoryGoal = (empty.peakKb + picturesKb) / empty.peakKb;
    const double memoryRatio = game.peakKb / empty.peakKb;
    std::printf("\n| Figure | Measured | Goal | |\n|---|---|---|---|\n");
    std::printf("| start-up to first paint | %.0f ms vs %.0f ms empty window: %.2fx | at most 1.30x | %s |\n",
                game.ms, empty.ms, startupRatio, verdict(startupRatio <= 1.3));
    std::printf("| peak memory | %.1f MB vs %.1f MB empty window: %.2fx | at most %.2fx (empty + %.1f MB of decoded pictures) | %s |\n",
                game.peakKb / 1024, empty.peakKb / 1024, memoryRatio, memoryGoal, picturesKb / 1024,
                verdict(memoryRatio <= memoryGoal));
    for (int level = 1; level <= 8; ++level) {
        const double limit = level == 4 ? 3.0 : 1.0;
        std::printf("| one answer at level %d (judge, build, redraw) | %.3f ms | under %.0f ms | %s |\n", level,
                    answers[level - 1], limit, verdict(answers[level - 1] < limit));
    }
    std::printf("\n%s\n", ok ? "bench: every goal met" : "bench: some goal missed");
    return ok ? 0 : 1;
}
