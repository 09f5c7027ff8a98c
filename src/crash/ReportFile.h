#pragma once
// bugreport.txt: reports are only ever added at its end.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace crash {

struct FaultRecord;

// <the user's application-data folder>/bugreport.txt; the application name must be set.
QString defaultReportPath();

// A report's text as it is stored: UTF-8, with the platform's line ends.
QByteArray reportFileBytes(const QString &report);

// Adds `report` at the end of the file at `path`, creating the folder and the file when needed.
// What the file already holds is never rewritten: a write that fails halfway is taken back to the
// old size. Returns an empty text on success, otherwise what went wrong.
QString appendReport(const QString &path, const QString &report);

// A path as the fault record carries it: in the file system's encoding (Windows: UTF-8).
QByteArray pathForRecord(const QString &path);
QString pathFromRecord(const char *path);

// The restart command a fault record carries: its '\0'-ended parts up to the empty one.
QStringList restartCommandOf(const FaultRecord &record);

// The first lines of every report: date and time, program, version, compiler line.
QString reportHeading();
QString reportEnding();

} // namespace crash
