#include "ReportFile.h"

#include "FaultRecord.h"
#include "about/CompilerVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>

namespace crash {

QString defaultReportPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("bugreport.txt"));
}

QByteArray reportFileBytes(const QString &report)
{
    QByteArray bytes = report.toUtf8();
#ifdef Q_OS_WIN
    bytes.replace("\n", "\r\n");
#endif
    return bytes;
}

QString appendReport(const QString &path, const QString &report)
{
    if (path.isEmpty())
        return QStringLiteral("no place for the report is known");
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(info.absolutePath()));
    QFile file(path);
    // Unbuffered: the whole report goes to the system in one write, at the end of the file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 before = file.size();
    const QByteArray bytes = reportFileBytes(report);
    if (file.write(bytes) == bytes.size())
        return {};
    const QString error = file.errorString();
    file.resize(before);
    return error.isEmpty() ? QStringLiteral("the report was not written whole") : error;
}

QByteArray pathForRecord(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

QString pathFromRecord(const char *path)
{
#ifdef Q_OS_WIN
    return QString::fromUtf8(path);
#else
    return QFile::decodeName(path);
#endif
}

QStringList restartCommandOf(const FaultRecord &record)
{
    QStringList command;
    const char *part = record.restartCommand;
    const char *end = part + sizeof record.restartCommand;
    while (part < end && *part) {
        const std::size_t length = strnlen(part, std::size_t(end - part));
        command << QString::fromUtf8(part, qsizetype(length));
        part += length + 1;
    }
    return command;
}

QString reportHeading()
{
    return QStringLiteral("==== %1 bug report ====\n"
                          "Date: %2\n"
                          "Program: %1\n"
                          "Version: %3\n"
                          "%4\n")
        .arg(QCoreApplication::applicationName(),
             QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                 .toString(Qt::ISODate),
             QStringLiteral(VARTOLIN_VERSION), compilerVersionText().trimmed());
}

QString reportEnding()
{
    return QStringLiteral("==== end of report ====\n\n");
}

} // namespace crash
