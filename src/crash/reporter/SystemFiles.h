#pragma once
// Readers of the system's own files (/proc, /etc/os-release), as plain functions of their text, so
// that they are tested on fixture files. Each takes what it finds and ignores the rest: a file of
// another kernel, cut short or garbled gives fewer facts, never a wrong one or a crash.

#include <QByteArray>
#include <QString>
#include <QVector>

namespace reporter {

// Reads at most `limit` bytes of a file; files under /proc tell no size, so they are read to
// their end (or the limit) rather than by their size.
QByteArray readSystemFile(const QString &path, qsizetype limit = 1024 * 1024);

// PRETTY_NAME of os-release, unquoted; empty when there is none.
QString osPrettyName(const QByteArray &osRelease);
// The first "model name" of /proc/cpuinfo.
QString cpuModel(const QByteArray &cpuinfo);
// MemTotal and MemAvailable of /proc/meminfo, in bytes (0 when missing or out of range).
struct MemoryFigures {
    quint64 total = 0;
    quint64 available = 0;
};
MemoryFigures memoryFigures(const QByteArray &meminfo);
// The state letter of /proc/<pid>/stat (after the name in parentheses, which may hold anything);
// '\0' when the text is no such line.
char processState(const QByteArray &stat);
// The numeric entries of a /proc folder listing, sorted, at most `limit`.
QVector<qint64> numericEntries(const QStringList &names, int limit);

} // namespace reporter
