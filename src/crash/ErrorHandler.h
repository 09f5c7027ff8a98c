#pragma once
// The program-wide handler for errors that escape an event handler: it appends a short report to
// "bugreport.txt" in the user's application-data folder, shows the error and lets the user continue
// or close the program.

#include <QString>
#include <functional>
#include <utility>

enum class ErrorChoice { Continue, Close };

class ErrorHandler
{
public:
    // Shows the error to the user and returns their choice; replaced in tests.
    using Ask = std::function<ErrorChoice(const QString &errorText, const QString &reportPath)>;

    // From then on, an error that escapes even the message loop ends the program with its report
    // written first.
    static void install();
    static void setAsk(Ask ask);                 // an empty function restores the message box
    static void setReportFolder(const QString &folder); // empty: the application-data folder
    static QString reportPath();

    // Reports the error; returns the user's choice and, for Close, asks the application to quit.
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

private:
    static ErrorChoice askWithMessageBox(const QString &errorText, const QString &reportPath);
    static bool appendReport(const QString &errorText);
};
