#pragma once
// The error box: "An error occurred in the application.", the error in one line, and six buttons.
// Send, Save and Show act on the report and leave the box open; Continue, Restart and Close end it
// with that choice. Continue is offered only where the program can really go on.

#include "DialogHook.h"

#include <QImage>
#include <memory>

class QLabel;
class QPushButton;
class QScreen;
class QTemporaryDir;

namespace crash {

enum class CrashChoice { Continue, Restart, Close };

struct CrashDetails {
    QString error;       // what went wrong; shown in one line
    QString report;      // the whole report
    QString reportPath;  // where it was added; empty when it could not be
    QString reportProblem; // why not
    QImage screenshot;   // the game's window as it was; null when there is none
    bool canContinue = true;
};

class CrashDialog : public HookedDialog
{
    Q_OBJECT

public:
    explicit CrashDialog(CrashDetails details, QWidget *parent = nullptr);
    ~CrashDialog() override; // removes the outgoing copies

    // Shows the box modally, centred on `screen` (or on its parent), and returns the choice.
    CrashChoice run(QScreen *screen = nullptr);
    CrashChoice choice() const { return m_choice; }
    const CrashDetails &details() const { return m_details; }

    QPushButton *sendButton, *saveButton, *showButton, *continueButton, *restartButton, *closeButton;
    QLabel *errorLabel, *statusLabel;

    void sendReport();
    void saveReport();
    void showReport();

private:
    void finish(CrashChoice choice);
    void setStatus(const QString &text);

    CrashDetails m_details;
    std::unique_ptr<QTemporaryDir> m_outgoing;
    CrashChoice m_choice = CrashChoice::Close;
};

} // namespace crash
