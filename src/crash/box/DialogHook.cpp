#include "DialogHook.h"

#include <QPointer>
#include <QTimer>

namespace crash {

namespace {

DialogHook &hook()
{
    static DialogHook current;
    return current;
}

} // namespace

void setDialogHook(DialogHook replacement)
{
    hook() = std::move(replacement);
}

void offerToHook(QDialog &dialog)
{
    if (!hook())
        return;
    // After the show has finished: the hook may close the dialog again.
    QTimer::singleShot(0, &dialog, [target = QPointer<QDialog>(&dialog)] {
        if (target && hook())
            hook()(*target);
    });
}

void HookedDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    offerToHook(*this);
}

} // namespace crash
