#pragma once
// bugreport.txt: reports are only ever added at its end, and it belongs to the user alone.

#include <QByteArray>
#include <QString>

namespace crash {

// <the user's application-data folder>/bugreport.txt; the application name must be set.
QString defaultReportPath();

// A report's text as it is stored: UTF-8, with the platform's line ends.
QByteArray reportFileBytes(const QString &report);

// Adds `report` at the end of the file at `path` in one append, creating its folder (private to
// the user) and the file (0600) when needed. Returns an empty text on success, otherwise what went
// wrong; a failed append leaves what the file held as it was.
QString appendReport(const QString &path, const QString &report);

// The folder that takes the reports, made private to the user (0700 on POSIX) when it is this
// user's; false when it cannot be made.
bool makePrivateFolder(const QString &path);

// A path as the program hands it to the system's calls: the file system's encoding (Windows: UTF-8).
QByteArray nativePathBytes(const QString &path);

// The first lines of every report: date and time (UTC), program, version, compiler line.
QString reportHeading();
QString reportEnding();

// The text with the user's home folder written as "~" (Linux) or "%USERPROFILE%" (Windows), so
// that a report or a mail does not spell out the account's name.
QString withoutHome(const QString &text);
QString withoutHome(const QString &text, const QString &home);

} // namespace crash
