#pragma once
// The platform half of the fault handler: FaultHandler_posix.cpp or FaultHandler_win.cpp.

#include <QString>
#include <QStringList>

namespace crash {

// The running program's path, read from the system (no application object needed).
QString platformExecutablePath();
// The reporter in `programFolder`, or where an installation keeps it; empty when there is none.
QString platformFindReporter(const QString &programFolder);
// Builds, in static memory, everything the handler needs to start the reporter.
void platformPrepareLaunch(const QString &program, const QStringList &arguments);
bool platformInstallHandlers();

// The terminate handler of both: notes the uncaught error's text in the record, then aborts, which
// the fault handler reports.
[[noreturn]] void noteUncaughtErrorAndAbort();

} // namespace crash
