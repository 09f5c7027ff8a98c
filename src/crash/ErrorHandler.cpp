#include "ErrorHandler.h"

#include "FaultHandler.h"
#include "ReportFile.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

bool g_handling = false;
QString g_folder;

// The reporter's exit statuses in gathering mode: the report is on its output but not in the file;
// the program could not be looked into.
constexpr int reportNotAdded = 3;
constexpr int cannotInspect = 4;

// A report written here, when the reporter cannot gather one.
void writeShortReport(const QString &errorText, const QString &why, crash::CrashDetails &details)
{
    details.report = crash::reportHeading() + QStringLiteral("Fault: C++ error: %1\n").arg(errorText)
                     + QStringLiteral("Nothing more is known: %1.\n").arg(why) + crash::reportEnding();
    const QString path = ErrorHandler::reportPath();
    const QString problem = crash::appendReport(path, details.report);
    if (problem.isEmpty())
        details.reportPath = path;
    else
        details.reportProblem = problem;
}

void gatherReport(const QString &errorText, crash::CrashDetails &details)
{
    const QString reporter = crash::reporterProgram();
    if (reporter.isEmpty()) {
        writeShortReport(errorText, QStringLiteral("the crash reporter was not found"), details);
        return;
    }
    crash::FaultRecord &record = crash::faultRecord();
    record.kind = crash::FaultKind::CppError;
    record.threadId = crash::currentThreadId();
    record.contextSize = 0;
    const QByteArray text = errorText.toUtf8().left(int(sizeof record.errorText) - 1);
    std::memset(record.errorText, 0, sizeof record.errorText);
    std::memcpy(record.errorText, text.constData(), std::size_t(text.size()));

    QProcess process;
    crash::allowReporterToInspect();
    process.start(reporter, crash::reporterArguments() << QStringLiteral("--gather"));
    const bool finished = process.waitForFinished(60000);
    record.kind = crash::FaultKind::None;
    if (!finished || process.exitStatus() != QProcess::NormalExit
        || (process.exitCode() != 0 && process.exitCode() != reportNotAdded)) {
        process.kill();
        process.waitForFinished(5000);
        const QString why = finished && process.exitCode() == cannotInspect
                                ? QStringLiteral("the crash reporter could not look into the program")
                                : QStringLiteral("the crash reporter failed (%1)").arg(process.errorString());
        writeShortReport(errorText, why, details);
        return;
    }
    details.report = QString::fromUtf8(process.readAllStandardOutput());
    if (process.exitCode() == 0)
        details.reportPath = ErrorHandler::reportPath();
    else
        details.reportProblem = QString::fromUtf8(process.readAllStandardError()).trimmed();
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
    if (crash::installFaultHandler())
        return;
    // No fatal-fault handler (sanitizer builds): an error that escapes everything is still noted.
    std::set_terminate([] {
        if (const std::exception_ptr error = std::current_exception()) {
            QString text = QStringLiteral("Unknown error");
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &escaped) {
                text = QString::fromLocal8Bit(escaped.what());
            } catch (...) {
            }
            crash::appendReport(reportPath(), crash::reportHeading() + QStringLiteral("Fault: C++ error: %1\n").arg(text)
                                                  + crash::reportEnding());
        }
        std::abort();
    });
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
    g_handling = true;
    crash::CrashDetails details;
    details.error = errorText;
    details.canContinue = true;
    if (QWidget *window = crash::mainWindow(); window && window->isVisible())
        details.screenshot = window->grab().toImage();
    gatherReport(errorText, details);

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
