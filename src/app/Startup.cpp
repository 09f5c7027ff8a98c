#include "Startup.h"

#include "VartolinApplication.h"
#include "crash/ErrorHandler.h"
#include "rules/Random.h"
#include "uMain.h"

void configureApplication()
{
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(VARTOLIN_VERSION));
    installFontSubstitutions();
}

int runVartolin(int &argc, char **argv)
{
    ErrorHandler::install();
    Randomize();

    VartolinApplication app(argc, argv);
    configureApplication();

    TfrmMain mainWindow;
    frmMain = &mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
