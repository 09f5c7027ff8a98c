#pragma once
// Sending a report: the message to the support address, handed to the user's mail program.

#include <QString>
#include <QStringList>
#include <QUrl>

class QTemporaryDir;
class QWidget;

namespace crash {

struct CrashDetails;
struct SendRequest;

QString supportAddress();
QString bugReportSubject();

struct MailMessage {
    QString to;
    QString subject;
    QString body;
    QStringList attachments; // absolute paths
};

// The message for a report: what the user wrote and who they are in the body (the home folder
// written as in the report); the report and, when asked for, the picture of the game written into
// `attachmentFolder` and attached.
MailMessage composeBugReportMail(const SendRequest &request, const CrashDetails &details,
                                 const QString &attachmentFolder);

// A mailto: link for the message: everything but the attachments.
QUrl mailtoLink(const MailMessage &message);

// Composes the message with its attachments in `outgoing` (a private folder that goes once the mail
// program has them) and hands it over; returns what the user is told.
QString sendBugReport(const SendRequest &request, const CrashDetails &details, QTemporaryDir &outgoing,
                      QWidget *parent);

// --- the platform's mail program: MailHandoff_posix.cpp or MailHandoff_win.cpp -------------------

enum class Handoff { Handed, Cancelled, NoMailProgram };
// The message with its attachments to the user's mail program (xdg-email; Simple MAPI).
Handoff handToMailProgram(const MailMessage &message, QWidget *parent, QString *detail);

#ifdef Q_OS_WIN
// The Simple MAPI library to load (default MAPI32.DLL); a test puts a recording stand-in there.
void setMapiLibrary(const QString &path);
#endif

} // namespace crash
