#pragma once
#include <QString>

// The application title: the main window's caption, the About dialog's heading, and the name under
// which the game and its crash reporter keep their files.
inline QString applicationTitle()
{
    return QStringLiteral("Vartolin");
}
