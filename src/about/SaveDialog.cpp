#include "SaveDialog.h"

#include <QFileDialog>

namespace {

std::optional<QString> runFileDialog(QWidget *parent, const QString &fileName)
{
    // No title, filter, default suffix or start folder of our own; the user's choice is final, so
    // an existing file is replaced without asking.
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

TSaveDialog::Runner &runner()
{
    static TSaveDialog::Runner current = runFileDialog;
    return current;
}

} // namespace

bool TSaveDialog::Execute(QWidget *parent)
{
    const std::optional<QString> chosen = runner()(parent, FileName);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

TSaveDialog::Runner TSaveDialog::setRunner(Runner replacement)
{
    Runner previous = std::move(runner());
    runner() = replacement ? std::move(replacement) : Runner(runFileDialog);
    return previous;
}
