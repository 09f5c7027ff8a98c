#pragma once
// The form before a report is sent: who is writing, what they were doing, and whether the picture
// of the game goes with it.

#include "DialogHook.h"

class QCheckBox;
class QImage;
class QLabel;
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
    // The picture is shown in the form, as it would be attached, so that whoever sends sees what leaves.
    SendDialog(const QImage &screenshot, QWidget *parent = nullptr);
    SendRequest request() const;

    QLineEdit *nameEdit, *emailEdit;
    QPlainTextEdit *doingEdit;
    QCheckBox *screenshotBox;
    QLabel *screenshotPreview;
    QPushButton *sendButton, *cancelButton;
};

} // namespace crash
