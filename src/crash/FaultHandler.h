#pragma once
// Fatal faults: a signal (POSIX) or an unhandled structured exception and the C run-time's own
// endings (Windows), in any thread. The process that faults trusts nothing of itself any more: it
// only notes the fault in a record it set up in advance, starts the reporter program and waits;
// the reporter gathers the report from outside, shows the box and ends the process. When the
// reporter cannot be started, a short report is written with system calls alone.

#include "FaultRecord.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace crash {

// Installs the handlers. Sanitizer builds keep the signals to the sanitizers and install nothing.
// Returns whether fatal faults are now reported.
bool installFaultHandler();
bool faultHandlerInstalled();

// The reporter program, found beside the game (or in the libexec folder of an installation).
QString reporterProgram();
// The reporter to start, and arguments added to its command line (tests answer its box with them).
void setReporter(const QString &program, const QStringList &extraArguments = {});
// The arguments the reporter is started with for this process: which process, where its record is.
QStringList reporterArguments();

// Where the report goes, and how the game starts afresh (default: this program, no arguments).
void setReportPath(const QString &path);
void setRestartCommand(const QStringList &command);

// The main window, whose picture goes with a report and over whose screen the box appears.
void watchMainWindow(QWidget *window);
QWidget *mainWindow();
// The command that starts the game afresh.
QStringList restartCommand();

// The record handed to the reporter. The error handler fills it for a C++ error.
FaultRecord &faultRecord();
// The id of the calling thread as the reporter sees it.
std::uint64_t currentThreadId();
// Lets the reporter, a child of this process, look into it where the system asks for that (Linux).
void allowReporterToInspect();

} // namespace crash
