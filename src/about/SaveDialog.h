#pragma once
// The save-file dialog of the About box: a file name in, the chosen path out. Running it goes
// through a replaceable function so that tests answer without a window.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

class TSaveDialog
{
public:
    // Shows the dialog with `fileName` suggested; the chosen path, or nullopt when cancelled.
    using Runner = std::function<std::optional<QString>(QWidget *parent, const QString &fileName)>;

    QString FileName;

    // Runs the dialog; on success FileName holds the chosen path exactly as the dialog gave it.
    bool Execute(QWidget *parent);

    // Replaces how the dialog is run; an empty function restores the real dialog. Returns the
    // previous runner.
    static Runner setRunner(Runner runner);
};
