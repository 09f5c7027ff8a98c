#include "SystemFiles.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace reporter {

namespace {

QList<QByteArray> linesOf(const QByteArray &text)
{
    return text.split('\n');
}

} // namespace

QByteArray readSystemFile(const QString &path, qsizetype limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    QByteArray bytes;
    while (bytes.size() < limit) {
        const QByteArray chunk = file.read(std::min<qsizetype>(limit - bytes.size(), 65536));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

QString osPrettyName(const QByteArray &osRelease)
{
    for (const QByteArray &line : linesOf(osRelease)) {
        if (!line.startsWith("PRETTY_NAME="))
            continue;
        QByteArray value = line.mid(12).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return QString::fromUtf8(value).simplified();
    }
    return {};
}

QString cpuModel(const QByteArray &cpuinfo)
{
    for (const QByteArray &line : linesOf(cpuinfo)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == "model name")
            return QString::fromUtf8(line.mid(colon + 1)).simplified();
    }
    return {};
}

MemoryFigures memoryFigures(const QByteArray &meminfo)
{
    MemoryFigures figures;
    for (const QByteArray &line : linesOf(meminfo)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const quint64 kilobytes = fields[1].toULongLong(&ok);
        if (!ok || kilobytes > std::numeric_limits<quint64>::max() / 1024)
            continue;
        if (fields[0] == "MemTotal:")
            figures.total = kilobytes * 1024;
        else if (fields[0] == "MemAvailable:")
            figures.available = kilobytes * 1024;
    }
    return figures;
}

char processState(const QByteArray &stat)
{
    // "pid (name) S ...": the name may hold spaces and parentheses, so the last ')' ends it.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size() || stat[close + 1] != ' ')
        return '\0';
    return stat[close + 2];
}

QVector<qint64> numericEntries(const QStringList &names, int limit)
{
    QVector<qint64> numbers;
    for (const QString &name : names) {
        bool ok = false;
        const qint64 number = name.toLongLong(&ok);
        if (ok && number > 0)
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    if (numbers.size() > limit)
        numbers.resize(limit);
    return numbers;
}

} // namespace reporter
