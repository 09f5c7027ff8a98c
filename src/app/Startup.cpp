#include "Startup.h"

#include "FontWarmup.h"
#include "VartolinApplication.h"
#include "crash/ErrorHandler.h"
#include "rules/Random.h"
#include "uMain.h"

#include <QScopeGuard>

void configureApplication()
{
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(VARTOLIN_VERSION));
    installFontSubstitutions();
}

int runVartolin(int &argc, char **argv, const std::function<void(TfrmMain &)> &shown)
{
    FontWarmup fontWarmup;
    ErrorHandler::install();
    Randomize();

    VartolinApplication app(argc, argv);
    const auto fontWarmupDone = qScopeGuard([&fontWarmup] { fontWarmup.finish(); });
    configureApplication();
    fontWarmup.applicationReady();

    TfrmMain mainWindow;
    frmMain = &mainWindow;
    mainWindow.show();
    if (shown)
        shown(mainWindow);
    return QApplication::exec();
}
