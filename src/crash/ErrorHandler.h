#pragma once
// The program-wide handler for errors that escape an event handler. The program is sound when a C++
// error arrives here, so the box appears in it and Continue goes on. The report is gathered by the
// crash reporter from outside, as for a fatal fault, and appended to "bugreport.txt" in the user's
// application-data folder; without the reporter a short report is written here.

#include "CrashDialog.h"

#include <QString>
#include <utility>

using ErrorChoice = crash::CrashChoice;

class ErrorHandler
{
public:
    // Installs the fatal-fault handler too; from then on an error that escapes even the message
    // loop is reported before the program ends.
    static void install();
    // Where reports go; empty: the application-data folder (known once the application is named).
    static void setReportFolder(const QString &folder);
    static QString reportPath();

    // Reports the error and shows the box; returns the user's choice. Restart starts the game
    // afresh, and Restart and Close ask the application to quit.
    static ErrorChoice handle(const QString &errorText);
    // Reports the exception being handled; call only from inside a catch block.
    static void handleCurrentException();

    // Runs a handler and reports what escapes it right there, so that the exception never unwinds
    // through the toolkit's own event delivery, which is not written to survive it.
    template <class Handler> static void guard(Handler &&handler)
    {
        try {
            handler();
        } catch (...) {
            handleCurrentException();
        }
    }
    // The handler wrapped for connecting to a signal emitted by toolkit code (a button's click),
    // which cannot unwind an error.
    template <class Handler> static auto guarded(Handler handler)
    {
        return [handler = std::move(handler)] { guard(handler); };
    }
};
