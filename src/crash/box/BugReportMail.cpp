#include "BugReportMail.h"

#include "CrashDialog.h"
#include "ReportFile.h"
#include "SendDialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrlQuery>

namespace crash {

QString supportAddress()
{
    return QStringLiteral("support@vartolin.example");
}

QString bugReportSubject()
{
    return QStringLiteral("%1 %2 bug report").arg(QCoreApplication::applicationName(), QStringLiteral(VARTOLIN_VERSION));
}

MailMessage composeBugReportMail(const SendRequest &request, const CrashDetails &details,
                                 const QString &attachmentFolder)
{
    MailMessage message{supportAddress(), bugReportSubject(), {}, {}};
    const QString doing = request.whatWereYouDoing.isEmpty() ? QStringLiteral("(not said)") : request.whatWereYouDoing;
    message.body = QStringLiteral("What were you doing?\n%1\n\nName: %2\nE-mail address: %3\n\nError: %4\n")
                       .arg(doing, request.name, request.email, withoutHome(details.error));

    const QDir folder(attachmentFolder);
    // New files only, never through a link someone else left there.
    QFile report(folder.filePath(QStringLiteral("bugreport.txt")));
    QFile::remove(report.fileName());
    if (report.open(QIODevice::WriteOnly | QIODevice::NewOnly) && report.write(reportFileBytes(details.report)) >= 0
        && report.flush())
        message.attachments << QFileInfo(report).absoluteFilePath();
    report.close();
    if (request.attachScreenshot && !details.screenshot.isNull()) {
        QFile picture(folder.filePath(QStringLiteral("screenshot.png")));
        QFile::remove(picture.fileName());
        if (picture.open(QIODevice::WriteOnly | QIODevice::NewOnly) && details.screenshot.save(&picture, "PNG"))
            message.attachments << QFileInfo(picture).absoluteFilePath();
    }
    return message;
}

QUrl mailtoLink(const MailMessage &message)
{
    QUrl link;
    link.setScheme(QStringLiteral("mailto"));
    link.setPath(message.to);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QString::fromLatin1(QUrl::toPercentEncoding(message.subject)));
    QString body = message.body;
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    query.addQueryItem(QStringLiteral("body"), QString::fromLatin1(QUrl::toPercentEncoding(body)));
    link.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return link;
}

QString sendBugReport(const SendRequest &request, const CrashDetails &details, QTemporaryDir &outgoing,
                      QWidget *parent)
{
    if (!outgoing.isValid())
        return QStringLiteral("No private folder for the message could be made (%1).").arg(outgoing.errorString());
    const QString folder = outgoing.path();
    MailMessage message = composeBugReportMail(request, details, folder);
    QString detail;
    switch (handToMailProgram(message, parent, &detail)) {
    case Handoff::Handed:
        return QStringLiteral("Your mail program has a new message to %1 with the report attached. "
                              "Nothing is sent until you send it there.")
            .arg(message.to);
    case Handoff::Cancelled:
        return QStringLiteral("The message was not sent.");
    case Handoff::NoMailProgram:
        break;
    }
    // No mail program takes attachments: a plain message, and the user attaches the report: the
    // saved one, or else the outgoing copy, which then stays.
    QString reportFile = QDir::toNativeSeparators(details.reportPath);
    if (details.reportPath.isEmpty()) {
        reportFile = QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("bugreport.txt")));
        outgoing.setAutoRemove(false);
    }
    message.body += QStringLiteral("\nThe bug report is the file %1; please attach it.\n").arg(withoutHome(reportFile));
    if (QDesktopServices::openUrl(mailtoLink(message)))
        return QStringLiteral("A new message to %1 was opened (%2). Please attach the file %3 to it.")
            .arg(message.to, detail, reportFile);
    return QStringLiteral("No mail program could be opened (%1). Please send the file %2 to %3.")
        .arg(detail, reportFile, message.to);
}

} // namespace crash
