#include "uAbout.h"

#include <QApplication>
#include <QDialog>
#include <memory>

void ShowAbout(const QString &)
{
    auto dialog = std::make_unique<QDialog>(QApplication::activeWindow());
    dialog->setObjectName(QStringLiteral("frmAbout"));
    dialog->setWindowTitle(QStringLiteral("About"));
    dialog->setFixedSize(474, 360);
    dialog->exec();
}
