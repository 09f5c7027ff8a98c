#pragma once
// The one seam of the crash box's dialogs (the box, the report viewer, the send form): once a dialog
// is on screen it is handed to the hook instead of waiting for the user. Tests answer through it;
// so does the reporter's --answer option, which the game never passes.

#include <QDialog>
#include <functional>

namespace crash {

using DialogHook = std::function<void(QDialog &)>;
void setDialogHook(DialogHook hook); // an empty function: the user answers

// Called from a dialog's showEvent.
void offerToHook(QDialog &dialog);

// A dialog that offers itself to the hook when shown.
class HookedDialog : public QDialog
{
public:
    using QDialog::QDialog;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace crash
