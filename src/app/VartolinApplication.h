#pragma once
// The application object: every exception that escapes an event handler ends here and goes to
// the error handler instead of ending the program.

#include <QApplication>

class VartolinApplication : public QApplication
{
    Q_OBJECT
public:
    VartolinApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The application title: the main window's caption and the About dialog's heading.
QString applicationTitle();

// Where "Tahoma", "Verdana" or "Courier New" is missing, a face of like width takes its place.
void installFontSubstitutions();
