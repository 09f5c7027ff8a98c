#pragma once
// The form before a report is sent: who is writing, what they were doing, and whether the picture
// of the game goes with it.

#include "DialogHook.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace crash {

struct SendRequest {
    QString name;
    QString email;
    QString whatWereYouDoing;
    bool attachScreenshot = false;
};

class SendDialog : public HookedDialog
{
    Q_OBJECT

public:
    SendDialog(bool screenshotAvailable, QWidget *parent = nullptr);
    SendRequest request() const;

    QLineEdit *nameEdit, *emailEdit;
    QPlainTextEdit *doingEdit;
    QCheckBox *screenshotBox;
    QPushButton *sendButton, *cancelButton;
};

} // namespace crash
