#include "VartolinApplication.h"

#include "crash/game/ErrorHandler.h"


VartolinApplication::VartolinApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool VartolinApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorHandler::handleCurrentException();
    }
    return true;
}
