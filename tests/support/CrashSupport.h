#pragma once
// Shared by the crash tests: earlier reports that must survive byte for byte, the sections every
// report has, and the game started afresh by Restart, which notes the level it starts at.

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes earlier reports (CR LF and LF line ends, bytes that are no UTF-8) to `path`; returns them.
QByteArray writeEarlierReports(const QString &path);

// The sections of a whole report that `report` lacks.
QStringList missingSections(const QString &report);

// `program --restarted <file>`: builds the game's main window and writes "level <n>" to <file>.
int runRestartedGame(int argc, char **argv);
