#include "FaultHandler.h"

#include "FaultHandlerPlatform.h"
#include "ShortReport.h"
#include "about/CompilerVersion.h"
#include "crash/box/ReportFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <exception>

namespace crash {

namespace {

FaultRecord g_record;
QString g_reporter;
QString g_reportPath;
QStringList g_restart;
std::uint64_t g_window = 0;
bool g_installed = false;
QPointer<QWidget> g_mainWindow;

// The thread that reports now (0: none), and whether its report is of a fatal fault.
std::atomic<std::uint64_t> g_reportingThread{0};
std::atomic<bool> g_reportIsFatal{false};

void prepareLaunch()
{
    platformPrepareLaunch(g_reporter, reporterCommand().toArguments());
}

// Where an installation keeps the reporter, relative to the game's folder (from the install
// layout), or beside the game in a build and on Windows.
QString findReporter(const QString &programFolder)
{
#ifdef Q_OS_WIN
    const QStringList candidates{QStringLiteral("vartolin-reporter.exe")};
#else
    const QStringList candidates{QStringLiteral("vartolin-reporter"), QStringLiteral(VARTOLIN_REPORTER_FROM_BINDIR)};
#endif
    for (const QString &candidate : candidates) {
        const QString path = QDir::cleanPath(QDir(programFolder).filePath(candidate));
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

} // namespace

FaultRecord &faultRecord()
{
    return g_record;
}

QString reporterProgram()
{
    return g_reporter;
}

ReporterCommand reporterCommand()
{
    ReporterCommand command;
    command.pid = QCoreApplication::applicationPid();
    command.recordAddress = std::uint64_t(quintptr(&g_record));
    command.reportPath = g_reportPath;
    command.restart = g_restart;
    command.window = g_window;
    return command;
}

void setReporter(const QString &program)
{
    g_reporter = program;
    if (g_installed)
        prepareLaunch();
}

void setReportPath(const QString &path)
{
    g_reportPath = path;
    // Made now, while the program is sound: a fatal fault's short report can only open a file.
    if (!path.isEmpty())
        makePrivateFolder(QFileInfo(path).absolutePath());
    platformSetShortReportPath(path);
    if (g_installed)
        prepareLaunch();
}

void setRestartCommand(const QStringList &command)
{
    g_restart = command;
    if (g_installed)
        prepareLaunch();
}

QStringList restartCommand()
{
    return g_restart;
}

void watchMainWindow(QWidget *window)
{
    g_mainWindow = window;
    // The window's id goes on the reporter's command line, which is prepared again once it exists.
    if (window->testAttribute(Qt::WA_WState_Created))
        g_window = std::uint64_t(window->winId());
    if (g_installed)
        prepareLaunch();
}

QWidget *mainWindow()
{
    return g_mainWindow;
}

FatalEntry enterFatalReport(std::uint64_t thread)
{
    for (;;) {
        std::uint64_t expected = 0;
        if (g_reportingThread.compare_exchange_strong(expected, thread)) {
            g_reportIsFatal = true;
            return FatalEntry::Report;
        }
        if (expected == thread) {
            if (g_reportIsFatal.exchange(true))
                return FatalEntry::FaultWhileReporting;
            return FatalEntry::Report; // a fault inside this thread's own C++ error report: it is fatal now
        }
        if (g_reportIsFatal)
            return FatalEntry::AlreadyReported;
        platformNap(); // a C++ error's report on another thread: it ends soon, then this one goes
    }
}

bool beginCppErrorReport()
{
    const std::uint64_t self = currentThreadId();
    for (;;) {
        std::uint64_t expected = 0;
        if (g_reportingThread.compare_exchange_strong(expected, self))
            return true;
        if (expected == self)
            return false;
        // Another thread reports: a fatal fault's reporter ends the process; a C++ error's ends soon.
        platformNap();
    }
}

void endCppErrorReport()
{
    g_record.kind = FaultKind::None;
    g_record.contextSize = 0;
    std::memset(g_record.errorText, 0, sizeof g_record.errorText);
    g_reportingThread = 0;
}

void noteUncaughtErrorAndAbort()
{
    const char *text = "Unknown error";
    if (const std::exception_ptr error = std::current_exception()) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception &escaped) {
            text = escaped.what();
        } catch (...) {
        }
        std::snprintf(g_record.errorText, sizeof g_record.errorText, "after an uncaught C++ error: %s", text);
    }
    if (!g_installed && !g_reportPath.isEmpty()) {
        // No fault handler reports the abort that follows (sanitizer builds): say it here.
        FixedText fault;
        fault.add("C++ error: ");
        fault.add(text);
        fault.buffer[std::min(fault.length, sizeof fault.buffer - 1)] = '\0';
        FixedText report;
        formatShortReport(report, std::int64_t(std::time(nullptr)), fault.buffer,
                          "The program ended: the error escaped every handler.");
        platformAppendShortReport(report.buffer, report.length);
    }
    std::abort();
}

bool faultHandlerInstalled()
{
    return g_installed;
}

bool installFaultHandler()
{
    std::memcpy(g_record.magic, faultRecordMagic, sizeof g_record.magic);
    g_record.version = protocolVersion;
    g_record.size = sizeof(FaultRecord);
    prepareShortReports(compilerVersionText().trimmed().toUtf8().constData());
    const QString self = platformExecutablePath();
    if (g_reporter.isEmpty())
        g_reporter = findReporter(QFileInfo(self).absolutePath());
    if (g_restart.isEmpty() && !self.isEmpty())
        g_restart = QStringList{self};
    std::set_terminate(noteUncaughtErrorAndAbort);
#ifdef VARTOLIN_SANITIZE
    return false; // the sanitizers own the fatal signals
#else
    prepareLaunch();
    g_installed = platformInstallHandlers();
    return g_installed;
#endif
}

} // namespace crash
