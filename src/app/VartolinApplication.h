#pragma once
// The application object: every exception that escapes an event handler ends here and goes to
// the error handler instead of ending the program.

#include "ApplicationTitle.h"
#include "FontSubstitutions.h"

#include <QApplication>

class VartolinApplication : public QApplication
{
    Q_OBJECT
public:
    VartolinApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
