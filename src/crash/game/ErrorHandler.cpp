#include "ErrorHandler.h"

#include "FaultHandler.h"
#include "ShortReport.h"
#include "crash/box/PrivateAppend.h"
#include "crash/box/ReportFile.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QTemporaryFile>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool g_handling = false;
QString g_folder;
// Gathering stops the game only while it reads it; the whole run is bounded all the same.
constexpr int reporterDeadlineMs = 60000;

// A report written here, when the reporter cannot gather one.
void writeShortReport(const QString &errorText, const QString &why, crash::CrashDetails &details)
{
    const QByteArray fault = QStringLiteral("C++ error: %1").arg(crash::withoutHome(errorText)).toUtf8();
    const QByteArray reason = QStringLiteral("Nothing more is known: %1.").arg(why).toUtf8();
    crash::FixedText text;
    crash::formatShortReport(text, std::int64_t(std::time(nullptr)), fault.constData(), reason.constData());
    details.report = QString::fromUtf8(text.buffer, qsizetype(text.length)).remove(QLatin1Char('\r'));
    const QString path = ErrorHandler::reportPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (const int error = crash::appendPrivately(crash::nativePathBytes(path).constData(), text.buffer, text.length))
        details.reportProblem = error > 0 ? QString::fromLocal8Bit(std::strerror(error))
                                          : QStringLiteral("the report was not written whole");
    else
        details.reportPath = path;
}

void gatherReport(const QString &errorText, crash::CrashDetails &details)
{
    const QString reporter = crash::reporterProgram();
    if (reporter.isEmpty()) {
        writeShortReport(errorText, QStringLiteral("the crash reporter was not found"), details);
        return;
    }
    // The report comes back in a file of this user's, not through a pipe: the reporter writes it
    // after it has let the game go, so no size of report can stall either side.
    QTemporaryFile handOver(QDir::temp().filePath(QStringLiteral("vartolin-report-XXXXXX.txt")));
    if (!handOver.open()) {
        writeShortReport(errorText, QStringLiteral("no file to take the report could be made"), details);
        return;
    }
    handOver.close();

    crash::FaultRecord &record = crash::faultRecord();
    record.kind = crash::FaultKind::CppError;
    record.threadId = crash::currentThreadId();
    record.contextSize = 0;
    const QByteArray text = errorText.toUtf8().left(int(sizeof record.errorText) - 1);
    std::memset(record.errorText, 0, sizeof record.errorText);
    std::memcpy(record.errorText, text.constData(), std::size_t(text.size()));

    crash::ReporterCommand command = crash::reporterCommand();
    command.gather = true;
    command.handOverPath = handOver.fileName();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    crash::allowReporterToInspect();
#ifdef Q_OS_WIN
    const bool finished = crash::runGatheringReporter(process, reporter, command.toArguments(), reporterDeadlineMs);
#else
    process.start(reporter, command.toArguments());
    const bool finished = process.waitForFinished(reporterDeadlineMs);
#endif
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    const auto status = crash::ReporterExit(process.exitCode());
    const bool handedOver = finished && process.exitStatus() == QProcess::NormalExit
                            && (status == crash::ReporterExit::Reported || status == crash::ReporterExit::ReportNotAdded);
    QFile report(handOver.fileName());
    if (handedOver && report.open(QIODevice::ReadOnly)) {
        details.report = QString::fromUtf8(report.readAll()).remove(QLatin1Char('\r'));
        if (status == crash::ReporterExit::Reported)
            details.reportPath = ErrorHandler::reportPath();
        else
            details.reportProblem = QStringLiteral("the report could not be added to %1")
                                        .arg(QDir::toNativeSeparators(ErrorHandler::reportPath()));
        return;
    }
    QString why;
    if (!finished)
        why = QStringLiteral("the crash reporter did not finish in time");
    else if (process.exitStatus() == QProcess::NormalExit && status == crash::ReporterExit::CannotInspect)
        why = QStringLiteral("the crash reporter could not look into the program");
    else if (process.exitStatus() == QProcess::NormalExit && status == crash::ReporterExit::OutOfTime)
        why = QStringLiteral("the crash reporter ran out of time");
    else
        why = QStringLiteral("the crash reporter failed (%1)").arg(process.errorString());
    writeShortReport(errorText, why, details);
}

void startAfresh()
{
    const QStringList command = crash::restartCommand();
    if (!command.isEmpty())
        QProcess::startDetached(command.front(), command.mid(1));
}

} // namespace

void ErrorHandler::install()
{
    crash::installFaultHandler();
}

void ErrorHandler::setReportFolder(const QString &folder)
{
    g_folder = folder;
    crash::setReportPath(reportPath());
}

QString ErrorHandler::reportPath()
{
    return g_folder.isEmpty() ? crash::defaultReportPath() : QDir(g_folder).filePath(QStringLiteral("bugreport.txt"));
}

ErrorChoice ErrorHandler::handle(const QString &errorText)
{
    if (g_handling) // an error while the box is up: keep the first box, do not stack them
        return ErrorChoice::Continue;
    if (!crash::beginCppErrorReport()) // an error inside this thread's own report
        return ErrorChoice::Continue;
    g_handling = true;
    crash::CrashDetails details;
    details.error = errorText;
    details.canContinue = true;
    if (QWidget *window = crash::mainWindow(); window && window->isVisible())
        details.screenshot = window->grab().toImage();
    gatherReport(errorText, details);
    crash::endCppErrorReport(); // its text goes with this report only

    crash::CrashDialog box(details, QApplication::activeWindow());
    const ErrorChoice choice = box.run();
    g_handling = false;
    if (choice == ErrorChoice::Restart)
        startAfresh();
    if (choice != ErrorChoice::Continue)
        QCoreApplication::exit(EXIT_FAILURE);
    return choice;
}

void ErrorHandler::handleCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        handle(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        handle(QStringLiteral("Unknown error"));
    }
}
