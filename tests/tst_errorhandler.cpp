// Errors that escape an event handler: the report is gathered by the crash reporter from outside
// and appended, the box shows with Continue, and the program goes on, restarts or closes. Sending
// hands the report to the mail program (a stand-in records what it was given).

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "about/SaveDialog.h"
#include "controls/TPanel.h"
#include "crash/box/BugReportMail.h"
#include "crash/game/ErrorHandler.h"
#include "crash/game/FaultHandler.h"
#include "crash/box/ReportFile.h"
#include "crash/box/SendDialog.h"
#include "support/CrashSupport.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>
#include <stdexcept>

#ifdef Q_OS_WIN
#include <atomic>
#include <thread>
#include <shlobj.h>
#include <windows.h>
#include <tlhelp32.h>
#endif

class ErrorHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exceptionInClickHandlerReachesTheHandler();
    void reportIsGatheredFromOutsideAndAppended();
    void boxShowsSavesAndRestarts();
    void closeEndsTheMessageLoop();
    void unwritableReportStillAsksTheUser();
    void withoutReporterAShortReportIsWritten_data();
    void withoutReporterAShortReportIsWritten();
    void reportGoesToTheApplicationDataFolder();
    void errorEndingTheProgramIsReported();
#ifdef Q_OS_WIN
    void reporterDyingWhileHoldingLetsTheGameGoOn();
#endif
    void sendHandsTheReportToTheMailProgram();
    void sendWithoutMailProgramOpensAMailtoLink();

public slots:
    void recordMailtoLink(const QUrl &url) { m_mailto = url; }

private:
    // Answers every box with these button clicks in turn (then Continue), noting what each showed.
    void answerWith(QStringList clicks);
    QString readReport() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_shown;
    QList<crash::CrashDetails> m_details;
    QStringList m_viewed;
    QUrl m_mailto;
};

void ErrorHandlerTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_shown.clear();
    m_details.clear();
    m_viewed.clear();
    ErrorHandler::setReportFolder(m_dir->path());
    // Should this suite itself fail fatally, the reporter's box closes at once.
    crash::setReporter(QStringLiteral(VARTOLIN_REPORTER_PATH));
    answerWith({});
}

void ErrorHandlerTest::cleanup()
{
    crash::setDialogHook({});
    TSaveDialog::setRunner({});
    ErrorHandler::setReportFolder({});
    m_dir.reset();
}

void ErrorHandlerTest::answerWith(QStringList clicks)
{
    crash::setDialogHook([this, clicks](QDialog &dialog) mutable {
        if (auto *box = qobject_cast<crash::CrashDialog *>(&dialog)) {
            if (!box->property("seen").toBool()) { // the hook sees a box once per click
                box->setProperty("seen", true);
                m_shown << box->errorLabel->text();
                m_details << box->details();
            }
            const QString click = clicks.isEmpty() ? QStringLiteral("continueButton") : clicks.takeFirst();
            box->findChild<QPushButton *>(click)->click();
            if (box->isVisible())
                crash::offerToHook(*box);
        } else if (auto *text = dialog.findChild<QPlainTextEdit *>(QStringLiteral("reportText"))) {
            m_viewed << (text->isReadOnly() ? QStringLiteral("read-only: ") : QStringLiteral("editable: ")) + text->toPlainText();
            dialog.accept();
        } else if (auto *form = qobject_cast<crash::SendDialog *>(&dialog)) {
            form->nameEdit->setText(QStringLiteral("Camille Parent"));
            form->emailEdit->setText(QStringLiteral("camille@example.org"));
            form->doingEdit->setPlainText(QStringLiteral("Saving the licence"));
            form->screenshotBox->setChecked(true);
            form->sendButton->click();
        }
    });
}

QString ErrorHandlerTest::readReport() const
{
    QFile report(QDir(m_dir->path()).filePath(QStringLiteral("bugreport.txt")));
    return report.open(QIODevice::ReadOnly) ? QString::fromUtf8(report.readAll()) : QString();
}

void ErrorHandlerTest::exceptionInClickHandlerReachesTheHandler()
{
    QWidget window;
    window.resize(200, 100);
    auto *panel = new TPanel(&window);
    panel->setGeometry(0, 0, 100, 100);
    int clicks = 0;
    connect(panel, &TControl::clicked, this, [&clicks] {
        if (++clicks == 1)
            throw std::runtime_error("Cannot create file \"/nowhere/EULA.txt\". No such file or directory");
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(m_shown, QStringList{"Cannot create file \"/nowhere/EULA.txt\". No such file or directory"});
    QVERIFY(m_details.front().canContinue);
    // Continue: the window still takes clicks.
    QVERIFY(window.isVisible());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(clicks, 2);
    QCOMPARE(m_shown.size(), 1);
}

void ErrorHandlerTest::reportIsGatheredFromOutsideAndAppended()
{
    const QByteArray earlier = writeEarlierReports(QDir(m_dir->path()).filePath(QStringLiteral("bugreport.txt")));
    ErrorHandler::handle(QStringLiteral("first failure"));
    ErrorHandler::handle(QStringLiteral("second failure"));
    QFile file(QDir(m_dir->path()).filePath(QStringLiteral("bugreport.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(earlier));
    const QString added = QString::fromUtf8(bytes.mid(earlier.size())).remove(QLatin1Char('\r'));
    const QStringList reports = added.split(QStringLiteral("==== end of report ====\n"), Qt::SkipEmptyParts);
    QCOMPARE(reports.size(), 3); // two, and the blank line after the second
    const QString first = reports[0] + QStringLiteral("==== end of report ====\n");
    QVERIFY2(missingSections(first).isEmpty(), qPrintable(missingSections(first).join(", ") + first));
    QVERIFY(reports[0].contains(QLatin1String("Fault: C++ error: first failure")));
    QVERIFY(reports[1].contains(QLatin1String("Fault: C++ error: second failure")));
    // The thread the error escaped on, down to this test function (on Windows, where no debug
    // information is read, down to this program).
    const QString faulting = reports[0].section(QStringLiteral("(faulting)\n"), 1).section(QStringLiteral("\nThread "), 0, 0);
#ifdef Q_OS_WIN
    QVERIFY2(faulting.contains(QLatin1String(" tst_errorhandler.exe+0x")), qPrintable(faulting));
#else
    QVERIFY2(faulting.contains(QLatin1String("reportIsGatheredFromOutsideAndAppended")), qPrintable(faulting));
#endif
    QCOMPARE(m_details.front().reportPath, file.fileName());
    // The file holds exactly what was there, then the two reports the boxes showed.
    QCOMPARE(bytes, earlier + crash::reportFileBytes(m_details[0].report + m_details[1].report));
    // Each error's text goes with its own report only.
    QVERIFY(!reports[1].contains(QLatin1String("first failure")));
    QCOMPARE(crash::faultRecord().errorText[0], '\0');
#ifndef Q_OS_WIN
    QCOMPARE(file.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
#endif
}

void ErrorHandlerTest::boxShowsSavesAndRestarts()
{
    const QString copy = m_dir->filePath(QStringLiteral("copy.txt"));
    QStringList suggested;
    TSaveDialog::setRunner([&](QWidget *, const QString &name) -> std::optional<QString> {
        suggested << name;
        return copy;
    });
    const QString restarted = m_dir->filePath(QStringLiteral("restarted.txt"));
    crash::setRestartCommand({QCoreApplication::applicationFilePath(), QStringLiteral("--restarted"), restarted});
    const auto restoreRestart = qScopeGuard([] { crash::setRestartCommand({QCoreApplication::applicationFilePath()}); });
    answerWith({QStringLiteral("showButton"), QStringLiteral("saveButton"), QStringLiteral("restartButton")});

    QCOMPARE(ErrorHandler::handle(QStringLiteral("restart me")), ErrorChoice::Restart);
    QCoreApplication::processEvents(); // the quit the handler asked for
    const QString report = m_details.front().report;
    QCOMPARE(m_viewed, QStringList{QStringLiteral("read-only: ") + report});
    QCOMPARE(suggested, QStringList{"bugreport.txt"});
    QFile saved(copy);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), crash::reportFileBytes(report));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(restarted), 30000);
    QFile level(restarted);
    QVERIFY(level.open(QIODevice::ReadOnly));
    QCOMPARE(level.readAll().trimmed(), QByteArray("level 1"));
}

void ErrorHandlerTest::closeEndsTheMessageLoop()
{
    answerWith({QStringLiteral("closeButton")});
    QTimer::singleShot(0, this, [] { throw std::runtime_error("Stream write error"); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    watchdog.start(30000);
    QCOMPARE(QCoreApplication::exec(), EXIT_FAILURE);
    QCOMPARE(m_shown, QStringList{"Stream write error"});
}

void ErrorHandlerTest::unwritableReportStillAsksTheUser()
{
    // The report folder is a regular file: the report cannot be added, the user is still told.
    QFile blocker(m_dir->filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ErrorHandler::setReportFolder(blocker.fileName());
    QCOMPARE(ErrorHandler::handle(QStringLiteral("lost report")), ErrorChoice::Continue);
    QCOMPARE(m_shown, QStringList{"lost report"});
    QVERIFY(m_details.front().reportPath.isEmpty());
    QVERIFY(m_details.front().report.contains(QLatin1String("Fault: C++ error: lost report")));
}

void ErrorHandlerTest::withoutReporterAShortReportIsWritten_data()
{
    QTest::addColumn<bool>("killed");
    QTest::addColumn<QString>("why");
    QTest::newRow("no reporter") << false << "the crash reporter was not found";
    QTest::newRow("reporter killed while it holds the game") << true << "the crash reporter failed";
}

void ErrorHandlerTest::withoutReporterAShortReportIsWritten()
{
    QFETCH(bool, killed);
    QFETCH(QString, why);
    if (killed)
        qputenv("VARTOLIN_TEST_DIE_WHILE_HOLDING", "1");
    else
        crash::setReporter({});
    const auto restore = qScopeGuard([] { qunsetenv("VARTOLIN_TEST_DIE_WHILE_HOLDING"); });
    // The game goes on: the box comes, and this returns.
    QCOMPARE(ErrorHandler::handle(QStringLiteral("no reporter")), ErrorChoice::Continue);
    const QString report = readReport();
    QVERIFY(report.contains(QLatin1String("Version: " VARTOLIN_VERSION)));
    QVERIFY(report.contains(QLatin1String("Fault: C++ error: no reporter")));
    QVERIFY2(report.contains(why), qPrintable(report));
    QCOMPARE(m_details.front().report, QString(report).remove(QLatin1Char('\r')));
}

void ErrorHandlerTest::reportGoesToTheApplicationDataFolder()
{
    ErrorHandler::setReportFolder({});
#ifdef Q_OS_WIN
    // The user's roaming application data, as the system names it.
    PWSTR known = nullptr;
    QVERIFY(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known)));
    const QString appData = QDir::fromNativeSeparators(QString::fromWCharArray(known));
    CoTaskMemFree(known);
#else
    const QString appData = m_dir->filePath(QStringLiteral("data home"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(appData));
    const auto restore = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
#endif
    const QString path = ErrorHandler::reportPath();
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("bugreport.txt"));
    QVERIFY2(path.startsWith(appData + QLatin1Char('/'), Qt::CaseInsensitive), qPrintable(path + QStringLiteral(" is not in ") + appData));

    // A report written there; a report the user already had is given back as it was.
    QFile report(path);
    const bool existed = report.exists();
    const QByteArray before = existed && report.open(QIODevice::ReadOnly) ? report.readAll() : QByteArray();
    report.close();
    ErrorHandler::setReportFolder({}); // the record follows the folder now in use
    ErrorHandler::handle(QStringLiteral("report in the application data"));
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QByteArray after = report.readAll();
    report.close();
    if (existed) {
        QVERIFY(report.open(QIODevice::WriteOnly | QIODevice::Truncate) && report.write(before) == before.size());
        report.close();
    } else {
        report.remove();
    }
    QVERIFY(after.startsWith(before) && after.contains("Fault: C++ error: report in the application data"));
    QCOMPARE(m_details.front().reportPath, path);
}

void ErrorHandlerTest::errorEndingTheProgramIsReported()
{
    // This program again, told to let an error escape main(): its report is written, and the
    // reporter's box (answered: Close) ends it.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escape-main"), m_dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    QTRY_VERIFY_WITH_TIMEOUT(readReport().contains(QLatin1String("escaped from main")), 30000);
}

#ifdef Q_OS_WIN
void ErrorHandlerTest::reporterDyingWhileHoldingLetsTheGameGoOn()
{
    // A reporter that suspends the other threads, as the reporter does, and dies holding them: the
    // game lets them go, writes its own short report and goes on.
    const QString heldLog = m_dir->filePath(QStringLiteral("held.txt"));
    qputenv("VARTOLIN_TEST_HELD_LOG", QFile::encodeName(heldLog));
    crash::setReporter(QCoreApplication::applicationFilePath());
    std::atomic<int> beats{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            ++beats;
            Sleep(5);
        }
    });
    const auto cleanUp = qScopeGuard([&] {
        stop = true;
        worker.join();
        qunsetenv("VARTOLIN_TEST_HELD_LOG");
    });
    QCOMPARE(ErrorHandler::handle(QStringLiteral("held and left")), ErrorChoice::Continue);
    QFile held(heldLog);
    QVERIFY(held.open(QIODevice::ReadOnly));
    QVERIFY2(held.readAll().toInt() >= 2, "the stand-in held fewer threads than the worker and the launcher");
    const int before = beats;
    QTRY_VERIFY_WITH_TIMEOUT(beats > before + 5, 5000);
    const QString report = readReport();
    QVERIFY2(report.contains(QLatin1String("Fault: C++ error: held and left"))
                 && report.contains(QLatin1String("the crash reporter failed")),
             qPrintable(report));
}
#endif

void ErrorHandlerTest::sendHandsTheReportToTheMailProgram()
{
#ifdef Q_OS_WIN
    const QString log = m_dir->filePath(QStringLiteral("mapi.log"));
    qputenv("VARTOLIN_MAPI_LOG", QDir::toNativeSeparators(log).toLocal8Bit());
    crash::setMapiLibrary(QStringLiteral(VARTOLIN_MAPI_STANDIN));
    const auto restore = qScopeGuard([] { crash::setMapiLibrary({}); });
#else
    // A stand-in xdg-email first on the path, writing down its arguments one per line.
    const QString log = m_dir->filePath(QStringLiteral("xdg-email.log"));
    const QString bin = m_dir->filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile standIn(bin + QStringLiteral("/xdg-email"));
    QVERIFY(standIn.open(QIODevice::WriteOnly));
    // It keeps a copy of the first attached file (the originals go once the mail program has them).
    standIn.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + log.toUtf8() + "'\n"
                  "for a in \"$@\"; do [ -f \"$a\" ] && cp \"$a\" '" + log.toUtf8() + ".attached' && break; done\n");
    standIn.close();
    standIn.setPermissions(standIn.permissions() | QFileDevice::ExeUser);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ':' + path);
    const auto restore = qScopeGuard([path] { qputenv("PATH", path); });
#endif
    answerWith({QStringLiteral("sendButton"), QStringLiteral("continueButton")});
    ErrorHandler::handle(QStringLiteral("please send"));
    QFile recorded(log);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QString given = QString::fromUtf8(recorded.readAll());
    QVERIFY2(given.contains(QLatin1String("support@vartolin.example")), qPrintable(given));
    QVERIFY(given.contains(QLatin1String("Vartolin " VARTOLIN_VERSION " bug report")));
    for (const char *part : {"What were you doing?", "Saving the licence", "Camille Parent", "camille@example.org"})
        QVERIFY2(given.contains(QLatin1String(part)), part);
    // The report goes as a file holding exactly the report shown.
    const QRegularExpression attached(QStringLiteral("^(.*bugreport\\.txt)\\r?$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = attached.match(given);
    QVERIFY2(match.hasMatch(), qPrintable(given));
    QFile attachment(log + QStringLiteral(".attached"));
    QVERIFY(attachment.open(QIODevice::ReadOnly));
    QCOMPARE(attachment.readAll(), crash::reportFileBytes(m_details.front().report));
    // It was in a folder of this user's alone, gone with the box.
    const QFileInfo outgoing(QFileInfo(match.captured(1)).absolutePath());
    QVERIFY2(!outgoing.exists(), qPrintable(outgoing.filePath()));
    QVERIFY(!outgoing.filePath().startsWith(m_dir->path()));
    // No window to picture here: no screenshot goes with it.
    QVERIFY(!given.contains(QLatin1String("screenshot.png")));
}

void ErrorHandlerTest::sendWithoutMailProgramOpensAMailtoLink()
{
#ifdef Q_OS_WIN
    crash::setMapiLibrary(m_dir->filePath(QStringLiteral("no-such-mapi.dll")));
    const auto restoreMapi = qScopeGuard([] { crash::setMapiLibrary({}); });
#else
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir->path())); // no xdg-email there
    const auto restorePath = qScopeGuard([path] { qputenv("PATH", path); });
#endif
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "recordMailtoLink");
    const auto restore = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); });
    answerWith({QStringLiteral("sendButton"), QStringLiteral("continueButton")});
    ErrorHandler::handle(QStringLiteral("no mail program"));
    QCOMPARE(m_mailto.scheme(), QStringLiteral("mailto"));
    QCOMPARE(m_mailto.path(), QStringLiteral("support@vartolin.example"));
    const QUrlQuery query(m_mailto);
    QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), crash::bugReportSubject());
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    QVERIFY2(body.contains(QLatin1String("Saving the licence")) && body.contains(QLatin1String("bugreport.txt")), qPrintable(body));
}

#ifdef Q_OS_WIN
// This program as a reporter that suspends every thread of the game but the one its record names,
// notes how many in VARTOLIN_TEST_HELD_LOG, and is ended holding them.
int holdAndDie(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString problem;
    const std::optional<crash::ReporterCommand> command = crash::ReporterCommand::fromArguments(arguments, &problem);
    const HANDLE game = command ? OpenProcess(PROCESS_VM_READ, FALSE, DWORD(command->pid)) : nullptr;
    crash::FaultRecord record{};
    SIZE_T got = 0;
    if (!game || !ReadProcessMemory(game, reinterpret_cast<void *>(command->recordAddress), &record, sizeof record, &got))
        return 2;
    int held = 0;
    const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(list, &entry); more; more = Thread32Next(list, &entry))
        if (entry.th32OwnerProcessID == DWORD(command->pid) && entry.th32ThreadID != record.threadId)
            if (const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID))
                held += SuspendThread(thread) != DWORD(-1);
    QFile note(qEnvironmentVariable("VARTOLIN_TEST_HELD_LOG"));
    if (note.open(QIODevice::WriteOnly))
        note.write(QByteArray::number(held));
    note.close();
    TerminateProcess(GetCurrentProcess(), 9);
    return 9;
}
#endif

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    if (argc > 2 && qstrcmp(argv[1], "--pid") == 0)
        return holdAndDie(argc, argv);
#endif
    if (argc == 3 && qstrcmp(argv[1], "--escape-main") == 0) {
        installErrorReporting();
        ErrorHandler::setReportFolder(QString::fromLocal8Bit(argv[2]));
        crash::setReporter(QStringLiteral(VARTOLIN_REPORTER_PATH));
        qputenv("VARTOLIN_TEST_ANSWERS", "close"); // the reporter's box
        throw std::runtime_error("escaped from main");
    }
    if (argc == 3 && qstrcmp(argv[1], "--restarted") == 0)
        return runRestartedGame(argc, argv);
    VartolinApplication app(argc, argv);
    configureApplication();
    installErrorReporting();
    ErrorHandlerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorhandler.moc"
