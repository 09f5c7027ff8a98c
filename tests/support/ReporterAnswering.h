#pragma once
// The reporter's --answer option, for tests: the box and the dialogs it opens are answered by
// clicking their buttons in a given order, and what each one showed is written to a log.

#include <QString>
#include <QStringList>

namespace reporter {

struct Answers {
    QStringList steps;   // box buttons in order: send, save, show, continue, restart, close
    QString logPath;     // what each dialog showed
    QString saveTo;      // the path the save dialog answers with
    QStringList sendAs;  // name, e-mail address, what the user was doing
};

void answerDialogs(const Answers &answers);

} // namespace reporter
