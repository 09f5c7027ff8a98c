#include "ReportFile.h"

#include "PrivateAppend.h"
#include "about/CompilerVersion.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstring>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace crash {

bool makePrivateFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
#ifndef Q_OS_WIN
    if (QFileInfo(path).ownerId() != uint(geteuid()))
        return true; // not ours to change
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                    | QFile::WriteUser | QFile::ExeUser);
#endif
    return true;
}

namespace {

QString systemErrorText(int code)
{
    if (code == -1)
        return QStringLiteral("the report was not written whole");
#ifdef Q_OS_WIN
    return QStringLiteral("Windows error %1").arg(code);
#else
    return QString::fromLocal8Bit(strerror(code));
#endif
}

} // namespace

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

QByteArray nativePathBytes(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

QString appendReport(const QString &path, const QString &report)
{
    if (path.isEmpty())
        return QStringLiteral("no place for the report is known");
    const QFileInfo info(path);
    if (!makePrivateFolder(info.absolutePath()))
        return QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(info.absolutePath()));
    const QByteArray bytes = reportFileBytes(report);
    const int error = appendPrivately(nativePathBytes(info.absoluteFilePath()).constData(), bytes.constData(),
                                      std::size_t(bytes.size()));
    return error == 0 ? QString() : systemErrorText(error);
}

QString reportHeading()
{
    return QStringLiteral("==== %1 bug report ====\n"
                          "Date: %2\n"
                          "Program: %1\n"
                          "Version: %3\n"
                          "%4\n")
        .arg(QStringLiteral("Vartolin"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
             QStringLiteral(VARTOLIN_VERSION), compilerVersionText().trimmed());
}

QString reportEnding()
{
    return QStringLiteral("==== end of report ====\n\n");
}

QString withoutHome(const QString &text, const QString &home)
{
    const QString folder = QDir::cleanPath(home);
    // A path starts the line or follows a space, a quote, a bracket or a sign: never inside another.
    const QString start = QStringLiteral("(?<![^\\s\"'(\\[=,:])");
    if (folder.isEmpty() || folder == QLatin1String("/"))
        return text;
#ifdef Q_OS_WIN
    const QString alias = QStringLiteral("%USERPROFILE%");
    // Written either way round, in any case: C:\Users\Name, C:/Users/Name.
    const QString native = QRegularExpression::escape(QDir::toNativeSeparators(folder));
    const QString forward = QRegularExpression::escape(folder);
    const QRegularExpression pattern(QStringLiteral("%3(%1|%2)(?=[\\\\/\"' ,;:)\\]]|$)").arg(native, forward, start),
                                     QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
#else
    const QString alias = QStringLiteral("~");
    const QRegularExpression pattern(QStringLiteral("%2%1(?=[/\"' ,;:)\\]]|$)").arg(QRegularExpression::escape(folder), start),
                                     QRegularExpression::MultilineOption);
#endif
    return QString(text).replace(pattern, alias);
}

QString withoutHome(const QString &text)
{
#ifdef Q_OS_WIN
    // What %USERPROFILE% stands for, as the report writes it.
    const QString profile = qEnvironmentVariable("USERPROFILE");
    return withoutHome(text, profile.isEmpty() ? QDir::homePath() : QDir::fromNativeSeparators(profile));
#else
    return withoutHome(text, QDir::homePath());
#endif
}

} // namespace crash
