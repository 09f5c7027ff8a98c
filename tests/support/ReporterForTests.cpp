// The reporter as the crash tests start it: the released program's code, with its box and dialogs
// answered from the environment the failing test game hands down, instead of by a user:
//   VARTOLIN_TEST_ANSWERS   box buttons in order (send, save, show, continue, restart, close)
//   VARTOLIN_TEST_LOG       what each dialog showed
//   VARTOLIN_TEST_SAVE_TO   the save dialog's answer
//   VARTOLIN_TEST_SEND_AS   the send form's answers: name|mail|text
//   VARTOLIN_TEST_DIE_WHILE_HOLDING   set: the reporter is killed once it has gathered the report

#include "ReporterAnswering.h"
#include "crash/reporter/ReporterRun.h"

#include <QString>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif
#include <QStringList>

int main(int argc, char **argv)
{
    const QString steps = qEnvironmentVariable("VARTOLIN_TEST_ANSWERS");
    if (!steps.isEmpty())
        reporter::answerDialogs({steps.split(QLatin1Char(','), Qt::SkipEmptyParts), qEnvironmentVariable("VARTOLIN_TEST_LOG"),
                                 qEnvironmentVariable("VARTOLIN_TEST_SAVE_TO"),
                                 qEnvironmentVariable("VARTOLIN_TEST_SEND_AS").split(QLatin1Char('|'))});
    if (qEnvironmentVariableIsSet("VARTOLIN_TEST_DIE_WHILE_HOLDING"))
        reporter::setWhileHoldingHook([] {
#ifdef Q_OS_WIN
            TerminateProcess(GetCurrentProcess(), 9);
#else
            raise(SIGKILL);
#endif
        });
    return reporter::runReporter(argc, argv);
}
