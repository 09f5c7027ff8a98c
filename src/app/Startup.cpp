#include "Startup.h"

#include "FontWarmup.h"
#include "VartolinApplication.h"
#include "controls/EscapedError.h"
#include "crash/game/ErrorHandler.h"
#include "crash/game/FaultHandler.h"
#include "rules/Random.h"
#include "uMain.h"

#include <QScopeGuard>

void configureApplication()
{
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(VARTOLIN_VERSION));
    installFontSubstitutions();
    // The default report folder is named after the application, so it is known only now.
    crash::setReportPath(ErrorHandler::reportPath());
}

void installErrorReporting()
{
    ErrorHandler::install();
    controls::setEscapedErrorSink(&ErrorHandler::handleCurrentException);
}

int runVartolin(int &argc, char **argv, const std::function<void(TfrmMain &)> &shown)
{
    FontWarmup fontWarmup;
    installErrorReporting();
    Randomize();

    VartolinApplication app(argc, argv);
    const auto fontWarmupDone = qScopeGuard([&fontWarmup] { fontWarmup.finish(); });
    configureApplication();
    fontWarmup.applicationReady();

    TfrmMain mainWindow;
    frmMain = &mainWindow;
    mainWindow.show();
    crash::watchMainWindow(&mainWindow);
    if (shown)
        shown(mainWindow);
    return QApplication::exec();
}
