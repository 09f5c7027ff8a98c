#pragma once
// Opening an address with the desktop. Replaceable, so that tests record instead of opening.

#include <QString>
#include <functional>

class QWidget;

using ShellOpener = std::function<void(QWidget *owner, const QString &address)>;

// Opens `address` exactly as given; `owner` is the window any error box of the desktop belongs to.
void shellOpen(QWidget *owner, const QString &address);

// Replaces the opener; an empty function restores the desktop's. Returns the previous one.
ShellOpener setShellOpener(ShellOpener opener);
