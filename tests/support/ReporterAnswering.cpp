#include "ReporterAnswering.h"

#include "about/SaveDialog.h"
#include "crash/box/CrashDialog.h"
#include "crash/box/SendDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace reporter {

namespace {

void log(const QString &path, const QString &line)
{
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write(line.toUtf8() + '\n');
}

QString enabledButtons(const crash::CrashDialog &box)
{
    QStringList names;
    for (const QPushButton *button : {box.sendButton, box.saveButton, box.showButton, box.continueButton,
                                      box.restartButton, box.closeButton})
        names << (button->isEnabled() ? button->text() : QStringLiteral("[%1]").arg(button->text()));
    return names.join(QStringLiteral(", "));
}

} // namespace

void answerDialogs(const Answers &answers)
{
    if (!answers.saveTo.isEmpty())
        TSaveDialog::setRunner([path = answers.saveTo](QWidget *, const QString &suggested) -> std::optional<QString> {
            return suggested == QLatin1String("bugreport.txt") ? std::optional<QString>(path) : std::nullopt;
        });
    auto steps = std::make_shared<QStringList>(answers.steps);
    crash::setDialogHook([answers, steps](QDialog &dialog) {
        if (auto *box = qobject_cast<crash::CrashDialog *>(&dialog)) {
            log(answers.logPath, QStringLiteral("box: %1 | %2 | %3 | buttons: %4")
                                     .arg(dialog.windowTitle(), box->errorLabel->text(), box->statusLabel->text(),
                                          enabledButtons(*box)));
            const QString step = steps->isEmpty() ? QStringLiteral("close") : steps->takeFirst();
            QPushButton *button = step == QLatin1String("send")       ? box->sendButton
                                  : step == QLatin1String("save")     ? box->saveButton
                                  : step == QLatin1String("show")     ? box->showButton
                                  : step == QLatin1String("continue") ? box->continueButton
                                  : step == QLatin1String("restart")  ? box->restartButton
                                                                      : box->closeButton;
            log(answers.logPath, QStringLiteral("click: %1%2").arg(button->text(), button->isEnabled() ? QString() : QStringLiteral(" (disabled)")));
            button->click();
            if (box->isVisible())
                crash::offerToHook(*box); // still up after send, save or show: the next step
            return;
        }
        if (auto *form = qobject_cast<crash::SendDialog *>(&dialog)) {
            log(answers.logPath, QStringLiteral("send form: screenshot %1").arg(form->screenshotBox->isEnabled() ? "available" : "not available"));
            form->nameEdit->setText(answers.sendAs.value(0));
            form->emailEdit->setText(answers.sendAs.value(1));
            form->doingEdit->setPlainText(answers.sendAs.value(2));
            form->screenshotBox->setChecked(true);
            form->sendButton->click();
            return;
        }
        if (auto *text = dialog.findChild<QPlainTextEdit *>(QStringLiteral("reportText"))) {
            log(answers.logPath, QStringLiteral("viewer: %1, %2 lines")
                                     .arg(text->isReadOnly() ? "read-only" : "editable")
                                     .arg(text->document()->blockCount()));
            dialog.accept();
        }
    });
}

} // namespace reporter
