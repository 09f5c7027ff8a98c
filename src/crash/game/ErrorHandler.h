#pragma once
// The program-wide handler for errors that escape an event handler. The program is sound when a C++
// error arrives here, so the box appears in it and Continue goes on. The report is gathered by the
// crash reporter from outside, as for a fatal fault, and appended to "bugreport.txt" in the user's
// application-data folder; without the reporter a short report is written here.

#include "crash/box/CrashDialog.h"

#include <QString>
#include <utility>

using ErrorChoice = crash::CrashChoice;

class ErrorHandler
{
public:
    // Installs the fatal-fault handler too; from then on an error that escapes even the message loop is reported
    // before the program ends.
    static void install();
    // Where reports go; empty: the application-data folder (known once the application is named).
    static void setReportFolder(const QString &folder);
    static QString reportPath();

    // Reports the error and shows the box; returns the user's choice. Restart starts the game
    // afresh, and Restart and Close ask the application to quit.
    static ErrorChoice handle(const QString &errorText);
    // Reports the exception being handled; call only from inside a catch block.
    static void handleCurrentException();
};
