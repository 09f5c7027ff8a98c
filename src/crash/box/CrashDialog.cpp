#include "CrashDialog.h"

#include "BugReportMail.h"
#include "SendDialog.h"
#include "about/FileReplace.h"
#include "about/SaveDialog.h"
#include "ReportFile.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace crash {

namespace {

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

QPushButton *addButton(QGridLayout *grid, int row, int column, const QString &caption, const char *name)
{
    auto *button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setMinimumWidth(130);
    grid->addWidget(button, row, column);
    return button;
}

} // namespace

CrashDialog::CrashDialog(CrashDetails details, QWidget *parent) : HookedDialog(parent), m_details(std::move(details))
{
    setWindowTitle(QApplication::applicationName());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setObjectName(QStringLiteral("CrashDialog"));
    // The face of the game's own windows, at the size the system gives dialogs.
    QFont face = font();
    face.setFamily(QStringLiteral("Tahoma"));
    setFont(face);

    auto *icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto *heading = new QLabel(QStringLiteral("An error occurred in the application."));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    const QString error = oneLine(m_details.error);
    errorLabel = new QLabel;
    errorLabel->setObjectName(QStringLiteral("errorLabel"));
    errorLabel->setTextFormat(Qt::PlainText);
    errorLabel->setToolTip(error);
    const int width = 460;
    errorLabel->setText(errorLabel->fontMetrics().elidedText(error, Qt::ElideRight, width));
    errorLabel->setMinimumWidth(width);

    statusLabel = new QLabel;
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setTextFormat(Qt::PlainText);
    statusLabel->setWordWrap(true);
    QString status = m_details.reportPath.isEmpty()
                         ? QStringLiteral("The bug report could not be added to bugreport.txt (%1).").arg(m_details.reportProblem)
                         : QStringLiteral("A bug report was added to\n%1.").arg(QDir::toNativeSeparators(m_details.reportPath));
    if (!m_details.canContinue)
        status += QStringLiteral("\nThe program cannot go on after this error: Restart starts a new game.");
    statusLabel->setText(status);

    auto *texts = new QVBoxLayout;
    texts->addWidget(heading);
    texts->addWidget(errorLabel);
    texts->addSpacing(6);
    texts->addWidget(statusLabel);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(texts, 1);

    auto *buttons = new QGridLayout;
    sendButton = addButton(buttons, 0, 0, QStringLiteral("Send bug report"), "sendButton");
    saveButton = addButton(buttons, 0, 1, QStringLiteral("Save bug report"), "saveButton");
    showButton = addButton(buttons, 0, 2, QStringLiteral("Show bug report"), "showButton");
    continueButton = addButton(buttons, 1, 0, QStringLiteral("Continue"), "continueButton");
    restartButton = addButton(buttons, 1, 1, QStringLiteral("Restart"), "restartButton");
    closeButton = addButton(buttons, 1, 2, QStringLiteral("Close"), "closeButton");
    continueButton->setEnabled(m_details.canContinue);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(sendButton, &QPushButton::clicked, this, &CrashDialog::sendReport);
    connect(saveButton, &QPushButton::clicked, this, &CrashDialog::saveReport);
    connect(showButton, &QPushButton::clicked, this, &CrashDialog::showReport);
    connect(continueButton, &QPushButton::clicked, this, [this] { finish(CrashChoice::Continue); });
    connect(restartButton, &QPushButton::clicked, this, [this] { finish(CrashChoice::Restart); });
    connect(closeButton, &QPushButton::clicked, this, [this] { finish(CrashChoice::Close); });
}

CrashDialog::~CrashDialog() = default;

CrashChoice CrashDialog::run(QScreen *screen)
{
    m_choice = CrashChoice::Close; // the window's close box
    adjustSize();
    QRect area;
    if (screen)
        area = screen->availableGeometry();
    else if (parentWidget())
        area = parentWidget()->window()->frameGeometry();
    else if (QScreen *primary = QGuiApplication::primaryScreen())
        area = primary->availableGeometry();
    if (area.isValid()) {
        QRect box(QPoint(0, 0), sizeHint());
        box.moveCenter(area.center());
        move(box.topLeft());
    }
    exec();
    return m_choice;
}

void CrashDialog::finish(CrashChoice choice)
{
    m_choice = choice;
    accept();
}

void CrashDialog::setStatus(const QString &text)
{
    statusLabel->setText(text);
}

void CrashDialog::saveReport()
{
    TSaveDialog dialog;
    dialog.FileName = QStringLiteral("bugreport.txt");
    if (!dialog.Execute(this))
        return;
    try {
        replaceFile(dialog.FileName, reportFileBytes(m_details.report));
        setStatus(QStringLiteral("The bug report was saved to %1.").arg(QDir::toNativeSeparators(dialog.FileName)));
    } catch (const std::exception &error) {
        setStatus(QStringLiteral("The bug report was not saved: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void CrashDialog::showReport()
{
    HookedDialog viewer(this);
    viewer.setObjectName(QStringLiteral("reportViewer"));
    viewer.setWindowTitle(QStringLiteral("Bug report"));
    viewer.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto *text = new QPlainTextEdit(m_details.report);
    text->setObjectName(QStringLiteral("reportText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *close = new QPushButton(QStringLiteral("Close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, &viewer, &QDialog::accept);
    auto *layout = new QVBoxLayout(&viewer);
    layout->addWidget(text);
    layout->addWidget(close, 0, Qt::AlignRight);
    viewer.resize(760, 540);
    viewer.exec();
}

void CrashDialog::sendReport()
{
    SendDialog form(m_details.screenshot, this);
    if (form.exec() != QDialog::Accepted)
        return;
    // The copies that go with the message, in a folder of this user's alone, which goes with the box.
    if (!m_outgoing)
        m_outgoing = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("vartolin-report-XXXXXX")));
    setStatus(sendBugReport(form.request(), m_details, *m_outgoing, this));
}

} // namespace crash
