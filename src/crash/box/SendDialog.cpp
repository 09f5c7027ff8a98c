#include "SendDialog.h"

#include "BugReportMail.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QImage>
#include <QPixmap>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace crash {

SendDialog::SendDialog(const QImage &screenshot, QWidget *parent) : HookedDialog(parent)
{
    setObjectName(QStringLiteral("SendDialog"));
    setWindowTitle(QStringLiteral("Send bug report"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *intro = new QLabel(QStringLiteral("Your mail program will open a message to %1 with the bug report "
                                            "attached. You can read the report first with Show bug report; "
                                            "nothing is sent until you send the message.")
                                 .arg(supportAddress()));
    intro->setWordWrap(true);
    nameEdit = new QLineEdit;
    nameEdit->setObjectName(QStringLiteral("nameEdit"));
    emailEdit = new QLineEdit;
    emailEdit->setObjectName(QStringLiteral("emailEdit"));
    doingEdit = new QPlainTextEdit;
    doingEdit->setObjectName(QStringLiteral("doingEdit"));
    doingEdit->setTabChangesFocus(true);
    doingEdit->setFixedHeight(110);
    screenshotBox = new QCheckBox(QStringLiteral("Attach a picture of the game as it was when the error happened"));
    screenshotBox->setObjectName(QStringLiteral("screenshotBox"));
    screenshotBox->setEnabled(!screenshot.isNull());
    screenshotPreview = new QLabel;
    screenshotPreview->setObjectName(QStringLiteral("screenshotPreview"));
    screenshotPreview->setFrameShape(QFrame::Box);
    if (!screenshot.isNull()) {
        const qreal ratio = devicePixelRatioF();
        QPixmap preview = QPixmap::fromImage(screenshot.scaled(QSize(320, 200) * ratio, Qt::KeepAspectRatio,
                                                               Qt::SmoothTransformation));
        preview.setDevicePixelRatio(ratio);
        screenshotPreview->setPixmap(preview);
        const int frame = 2 * screenshotPreview->frameWidth();
        screenshotPreview->setFixedSize(preview.deviceIndependentSize().toSize() + QSize(frame, frame));
        screenshotPreview->setToolTip(QStringLiteral("This picture goes with the message when the box above is ticked."));
    }
    screenshotPreview->setVisible(!screenshot.isNull());

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), nameEdit);
    form->addRow(QStringLiteral("E-mail address:"), emailEdit);
    form->addRow(new QLabel(QStringLiteral("What were you doing?")));
    form->addRow(doingEdit);
    form->addRow(screenshotBox);
    form->addRow(screenshotPreview);

    sendButton = new QPushButton(QStringLiteral("Send"));
    sendButton->setObjectName(QStringLiteral("sendButton"));
    cancelButton = new QPushButton(QStringLiteral("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    sendButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    connect(sendButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sendButton);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(480);
}

SendRequest SendDialog::request() const
{
    return {nameEdit->text().trimmed(), emailEdit->text().trimmed(), doingEdit->toPlainText().trimmed(),
            screenshotBox->isEnabled() && screenshotBox->isChecked()};
}

} // namespace crash
