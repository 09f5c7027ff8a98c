#pragma once
// Fatal faults: a signal (POSIX) or an unhandled structured exception and the C run-time's own
// endings (Windows), in any thread. The process that faults trusts nothing of itself any more: it
// notes the fault in a record set up in advance, starts the reporter with a command line prepared
// in advance, and waits, for a bounded time, to be taken over; the reporter gathers the report from
// outside, shows the box and ends the process. When the reporter cannot do its work, the game writes
// a short report with system calls alone and ends.

#include "crash/protocol/CrashProtocol.h"

#include <QString>
#include <QStringList>

class QProcess;
class QWidget;

namespace crash {

// Installs the handlers. Sanitizer builds keep the signals to the sanitizers and install nothing.
// Returns whether fatal faults are now reported.
bool installFaultHandler();
bool faultHandlerInstalled();

// The reporter program: beside the game in a build, or where the installation keeps it.
QString reporterProgram();
void setReporter(const QString &program);

// Where the report goes, and how the game starts afresh (default: this program, no arguments).
void setReportPath(const QString &path);
void setRestartCommand(const QStringList &command);
QStringList restartCommand();

// The main window, whose picture goes with a report and over whose screen the box appears.
void watchMainWindow(QWidget *window);
QWidget *mainWindow();

// The reporter's command line for this process as prepared now (a fatal fault's; gathering adds
// its hand-over file).
ReporterCommand reporterCommand();

// The record handed to the reporter. The error handler fills it for a C++ error.
FaultRecord &faultRecord();
// The id of the calling thread as the reporter sees it.
std::uint64_t currentThreadId();
// Lets the reporter, a child of this process, look into it where the system asks for that (Linux).
void allowReporterToInspect();

#ifdef Q_OS_WIN
// Starts the reporter that gathers a C++ error's report as `process`, and waits for it. It leaves
// this thread running while it holds the others, so the wait takes no lock they may hold; should it
// die or overrun `deadlineMs`, it is ended and every thread it left suspended runs again. Whether it
// ended in time.
bool runGatheringReporter(QProcess &process, const QString &program, const QStringList &arguments, int deadlineMs);
#endif

// One report at a time. A C++ error takes the record while its report is gathered and gives it
// back, its text cleared, when the report is made. While a fatal fault is being reported, a C++
// error never returns from beginCppErrorReport (the reporter ends the process); false means a report
// is already under way on this thread.
bool beginCppErrorReport();
void endCppErrorReport();

} // namespace crash
