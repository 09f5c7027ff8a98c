#include "ErrorHandler.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <cstdlib>
#include <exception>

#ifndef VARTOLIN_VERSION
#define VARTOLIN_VERSION "unknown"
#endif

namespace {

bool g_handling = false;
ErrorHandler::Ask g_ask;
QString g_folder;

} // namespace

void ErrorHandler::install()
{
    std::set_terminate([] {
        if (const std::exception_ptr error = std::current_exception()) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception &escaped) {
                appendReport(QString::fromLocal8Bit(escaped.what()));
            } catch (...) {
                appendReport(QStringLiteral("Unknown error"));
            }
        }
        std::abort();
    });
}

void ErrorHandler::setAsk(Ask ask)
{
    g_ask = std::move(ask);
}

void ErrorHandler::setReportFolder(const QString &folder)
{
    g_folder = folder;
}

QString ErrorHandler::reportPath()
{
    QString folder = g_folder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("bugreport.txt"));
}

bool ErrorHandler::appendReport(const QString &errorText)
{
    const QString path = reportPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    const QString report = QStringLiteral("---- %1\nApplication: %2 %3\nError: %4\n\n")
                               .arg(QDateTime::currentDateTime().toString(Qt::ISODate),
                                    QCoreApplication::applicationName(),
                                    QStringLiteral(VARTOLIN_VERSION), errorText);
    return file.write(report.toUtf8()) >= 0 && file.flush();
}

ErrorChoice ErrorHandler::handle(const QString &errorText)
{
    if (g_handling) // an error while the box is up: keep the first box, do not stack them
        return ErrorChoice::Continue;
    g_handling = true;
    const bool saved = appendReport(errorText);
    const QString savedAt = saved ? reportPath() : QString();
    const ErrorChoice choice = g_ask ? g_ask(errorText, savedAt) : askWithMessageBox(errorText, savedAt);
    g_handling = false;
    if (choice == ErrorChoice::Close)
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

ErrorChoice ErrorHandler::askWithMessageBox(const QString &errorText, const QString &reportPath)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setText(QStringLiteral("An error occurred in the application."));
    QString details = errorText;
    details += reportPath.isEmpty() ? QStringLiteral("\n\nThe bug report could not be saved.")
                                    : QStringLiteral("\n\nA bug report was added to %1.").arg(reportPath);
    box.setInformativeText(details);
    QPushButton *keepGoing = box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Close the program"), QMessageBox::DestructiveRole);
    box.setDefaultButton(keepGoing);
    box.exec();
    return box.clickedButton() == keepGoing ? ErrorChoice::Continue : ErrorChoice::Close;
}
