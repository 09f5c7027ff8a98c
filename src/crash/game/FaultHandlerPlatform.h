#pragma once
// The platform half of the fault handler: FaultHandler_posix.cpp or FaultHandler_win.cpp.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace crash {

// The running program's path, read from the system (no application object needed).
QString platformExecutablePath();
// Builds, in static memory, everything the handler needs to start the reporter, and makes it the
// one a fault uses in a single store.
void platformPrepareLaunch(const QString &program, const QStringList &arguments);
// Where a short report goes, in static memory.
void platformSetShortReportPath(const QString &path);
bool platformInstallHandlers();
// Adds a short report to the report file, with system calls alone.
void platformAppendShortReport(const char *text, std::size_t length);
// Sleeps a little, with a system call that is safe in a signal handler.
void platformNap();

// Who reports now: 0 (nobody) or the reporting thread, and whether that report is of a fatal fault.
enum class FatalEntry { Report, AlreadyReported, FaultWhileReporting };
FatalEntry enterFatalReport(std::uint64_t thread);

// The terminate handler of both: notes the uncaught error's text in the record, then aborts, which
// the fault handler reports (or, without one, writes a short report first).
[[noreturn]] void noteUncaughtErrorAndAbort();

} // namespace crash
