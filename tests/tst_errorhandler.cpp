// Errors that escape an event handler reach the error handler; the program goes on if asked to.

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "controls/TPanel.h"
#include "crash/ErrorHandler.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>
#include <stdexcept>

#ifdef Q_OS_WIN
#include <shlobj.h>
#include <windows.h>
#endif

class ErrorHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exceptionInClickHandlerReachesTheHandler();
    void reportsAreAppended();
    void closeEndsTheMessageLoop();
    void unwritableReportStillAsksTheUser();
    void reportGoesToTheApplicationDataFolder();
    void errorEndingTheProgramIsReported();

private:
    QTemporaryDir *m_dir = nullptr;
    QStringList m_shown;
    QStringList m_reportPaths;
    ErrorChoice m_answer = ErrorChoice::Continue;
};

void ErrorHandlerTest::init()
{
    m_dir = new QTemporaryDir;
    m_shown.clear();
    m_reportPaths.clear();
    m_answer = ErrorChoice::Continue;
    ErrorHandler::setReportFolder(m_dir->path());
    ErrorHandler::setAsk([this](const QString &text, const QString &reportPath) {
        m_shown << text;
        m_reportPaths << reportPath;
        return m_answer;
    });
}

void ErrorHandlerTest::cleanup()
{
    ErrorHandler::setAsk({});
    ErrorHandler::setReportFolder({});
    delete m_dir;
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
    // The program continues: the window still takes clicks.
    QVERIFY(window.isVisible());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(clicks, 2);
    QCOMPARE(m_shown.size(), 1);
}

void ErrorHandlerTest::reportsAreAppended()
{
    ErrorHandler::handle(QStringLiteral("first failure"));
    ErrorHandler::handle(QStringLiteral("second failure"));
    QFile report(QDir(m_dir->path()).filePath(QStringLiteral("bugreport.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(report.readAll());
    QVERIFY(text.indexOf(QLatin1String("Error: first failure")) >= 0);
    QVERIFY(text.indexOf(QLatin1String("Error: second failure")) > text.indexOf(QLatin1String("first failure")));
    QCOMPARE(text.count(QLatin1String("Vartolin " VARTOLIN_VERSION)), 2);
    QCOMPARE(m_reportPaths.first(), report.fileName());
}

void ErrorHandlerTest::closeEndsTheMessageLoop()
{
    m_answer = ErrorChoice::Close;
    QTimer::singleShot(0, this, [] { throw std::runtime_error("Stream write error"); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    watchdog.start(5000);
    QCOMPARE(QCoreApplication::exec(), EXIT_FAILURE);
    QCOMPARE(m_shown, QStringList{"Stream write error"});
}

void ErrorHandlerTest::unwritableReportStillAsksTheUser()
{
    // The report folder is a regular file: the report cannot be written, the user is still told.
    QFile blocker(QDir(m_dir->path()).filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ErrorHandler::setReportFolder(blocker.fileName());
    QCOMPARE(ErrorHandler::handle(QStringLiteral("lost report")), ErrorChoice::Continue);
    QCOMPARE(m_shown, QStringList{"lost report"});
    QCOMPARE(m_reportPaths, QStringList{QString()});
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
    QVERIFY(after.startsWith(before) && after.contains("Error: report in the application data"));
    QCOMPARE(m_reportPaths, QStringList{path});
}

void ErrorHandlerTest::errorEndingTheProgramIsReported()
{
    // This program again, told to let an error escape main(): it ends, and the report is written.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--escape-main"), m_dir->path()});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    QFile report(QDir(m_dir->path()).filePath(QStringLiteral("bugreport.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(report.readAll().contains("Error: escaped from main"));
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--escape-main") == 0) {
        ErrorHandler::install();
        ErrorHandler::setReportFolder(QString::fromLocal8Bit(argv[2]));
        throw std::runtime_error("escaped from main");
    }
    VartolinApplication app(argc, argv);
    configureApplication();
    ErrorHandler::install();
    ErrorHandlerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorhandler.moc"
