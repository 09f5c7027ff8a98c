#include "VartolinApplication.h"

#include "crash/ErrorHandler.h"

#include <QFont>

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

void installFontSubstitutions()
{
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
}
