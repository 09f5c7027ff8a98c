#include "ReporterRun.h"

#include "CrashedProcess.h"
#include "GameWindow.h"
#include "ReportText.h"
#include "app/ApplicationTitle.h"
#include "app/FontSubstitutions.h"
#include "crash/box/CrashDialog.h"
#include "crash/box/ReportFile.h"
#include "crash/protocol/CrashProtocol.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace reporter {

namespace {

using crash::ReporterExit;

void (*g_whileHolding)() = nullptr;

// Gathering as a whole; a machine with thousands of processes gets a shorter list, not a longer wait.
constexpr std::chrono::seconds gatheringTime(8);
// Whatever happens before the box is up (a display that does not answer, a reader that hangs):
// past this the reporter ends itself, which lets the game go, and the game writes its short report.
constexpr std::chrono::seconds watchdogTime(25);

class Watchdog
{
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (!m_disarmed.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fputs("vartolin-reporter: out of time\n", stderr);
                  std::_Exit(int(ReporterExit::OutOfTime));
              }
          })
    {
    }
    ~Watchdog() { disarm(); }
    void disarm()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_disarmed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_disarmed;
    bool m_done = false;
    std::thread m_thread;
};

QStringList argumentsOf(const QApplication &)
{
    return QCoreApplication::arguments().mid(1);
}

// The report for the game, into the file it made for it: opened without following a link and
// without creating anything.
bool handOver(const QString &path, const QString &report)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || QFileInfo(path).isSymLink())
        return false;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly))
        return false;
    const QByteArray bytes = crash::reportFileBytes(report);
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

void setWhileHoldingHook(void (*hook)())
{
    g_whileHolding = hook;
}

int runReporter(int argc, char **argv)
{
    hardenReporterProcess();
    Watchdog watchdog(watchdogTime);
    // The application object first, for its reading of the command line; it shows nothing yet. The
    // game is not stopped before this, so a display that is slow to answer costs it nothing.
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    QString problem;
    const std::optional<crash::ReporterCommand> command = crash::ReporterCommand::fromArguments(argumentsOf(app), &problem);
    if (!command) {
        std::fprintf(stderr, "vartolin-reporter: %s\n", qPrintable(problem));
        return int(ReporterExit::Usage);
    }

    const Deadline gathering(gatheringTime);
    CrashedProcess process(command->pid, command->recordAddress, gathering);
    const Snapshot snapshot = process.snapshot(gathering);
    if (g_whileHolding)
        g_whileHolding();
    if (command->gather) {
        // A game that cannot be looked into writes its own short report, which knows the error at least.
        if (!snapshot.recordRead)
            return int(ReporterExit::CannotInspect);
        process.release();
    } else if (!process.held()) {
        // Not stopped, so not waiting on us: end it now, with the report of what could be seen.
        process.end();
    }

    const QString report = reportText(snapshot);
    const QString appendProblem = crash::appendReport(command->reportPath, report);
    if (command->gather) {
        watchdog.disarm();
        if (!handOver(command->handOverPath, report))
            return int(ReporterExit::CannotInspect);
        return int(appendProblem.isEmpty() ? ReporterExit::Reported : ReporterExit::ReportNotAdded);
    }

    installFontSubstitutions();
    const GameWindow game = gameWindow(command->window, command->pid);
    watchdog.disarm(); // the box may stay up for as long as the user likes; the game stays stopped

    crash::CrashDetails details;
    details.error = snapshot.fault;
    details.report = report;
    details.reportPath = appendProblem.isEmpty() ? command->reportPath : QString();
    details.reportProblem = appendProblem;
    details.screenshot = game.picture;
    details.canContinue = false; // nothing in the failed process can be trusted to go on
    crash::CrashDialog box(details);
    const crash::CrashChoice choice = box.run(game.screen);
    process.end();
    if (choice == crash::CrashChoice::Restart && !command->restart.isEmpty())
        QProcess::startDetached(command->restart.front(), command->restart.mid(1));
    return int(ReporterExit::Reported);
}

} // namespace reporter
