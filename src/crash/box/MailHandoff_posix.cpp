// The user's mail program on Linux and other free desktops, through xdg-email.

#include "BugReportMail.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace crash {

Handoff handToMailProgram(const MailMessage &message, QWidget *, QString *detail)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty()) {
        *detail = QStringLiteral("xdg-email was not found");
        return Handoff::NoMailProgram;
    }
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), message.subject,
                          QStringLiteral("--body"), message.body};
    for (const QString &file : message.attachments)
        arguments << QStringLiteral("--attach") << file;
    arguments << message.to;

    // xdg-email returns once the mail program has the message, or keeps waiting while a mail
    // program it started runs: the box stays responsive meanwhile, and a long wait counts as handed.
    // Owned by the application, so that a mail program still open outlives this call.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop wait;
    QObject::connect(process, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    QTimer::singleShot(15000, &wait, &QEventLoop::quit);
    process->start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (process->state() != QProcess::NotRunning) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return Handoff::Handed; // still running: the mail program is open
    }
    process->deleteLater();
    if (process->error() == QProcess::FailedToStart) {
        *detail = QStringLiteral("xdg-email could not be started");
        return Handoff::NoMailProgram;
    }
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        return Handoff::Handed;
    *detail = QStringLiteral("xdg-email ended with status %1").arg(process->exitCode());
    return Handoff::NoMailProgram;
}

} // namespace crash
