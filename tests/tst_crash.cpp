// Fatal faults, for real, in child processes running the game's main window: a write through a
// null pointer in an event handler, abort(), an integer division by zero, endless recursion, and a
// fault on a worker thread. Each gives a whole report from the reporter, earlier reports stay byte
// for byte, the box appears without Continue, and Restart starts a new game at level 1 while Close
// only ends the old one.

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "crash/game/ErrorHandler.h"
#include "crash/game/FaultHandler.h"
#include "support/CrashSupport.h"
#include "uMain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#ifndef Q_OS_WIN
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <cstdint>
#include <cstdlib>
#include <thread>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Each fault in a function of its own, so that the report can be checked for its name.
// Through volatile values, which the compiler can neither see through nor fold away.
[[gnu::noinline]] void writeThroughNull()
{
    volatile std::uintptr_t null = 0;
    *reinterpret_cast<volatile int *>(null) = 1;
}

[[gnu::noinline]] int divideByZero()
{
    volatile int dividend = 7, divisor = 0;
    return dividend / divisor;
}

[[gnu::noinline]] int recurseForever(int depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    return recurseForever(depth + 1) + frame[0];
}

[[gnu::noinline]] void faultOnWorkerThread()
{
    std::thread worker([] { writeThroughNull(); });
    worker.join();
}

[[gnu::noinline]] void overflowOnWorkerThread()
{
    std::thread worker([] { std::printf("%d\n", recurseForever(0)); });
    worker.join();
}

[[gnu::noinline]] void abortTheProgram()
{
    std::abort();
}

// `tst_crash --fault <kind> <folder> <answers>`: the game's window, then the fault from an event.
int runFaultingGame(int argc, char **argv)
{
    const QString kind = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    installErrorReporting();
    VartolinApplication app(argc, argv);
    configureApplication();
    ErrorHandler::setReportFolder(folder);
    // The reporter inherits these and answers its box with them.
    qputenv("VARTOLIN_TEST_ANSWERS", argv[4]);
    qputenv("VARTOLIN_TEST_LOG", QFile::encodeName(folder + QStringLiteral("/box.log")));
    qputenv("VARTOLIN_TEST_SAVE_TO", QFile::encodeName(folder + QStringLiteral("/saved.txt")));
    // "stalled": a reporter that never takes over (this program again), and a fault.
    crash::setReporter(kind == QLatin1String("stalled") ? QCoreApplication::applicationFilePath()
                                                         : QStringLiteral(VARTOLIN_REPORTER_PATH));
    crash::setRestartCommand({QCoreApplication::applicationFilePath(), QStringLiteral("--restarted"),
                              folder + QStringLiteral("/restarted.txt")});
    QFile mainThread(folder + QStringLiteral("/main-thread.txt"));
    if (mainThread.open(QIODevice::WriteOnly))
        mainThread.write(QByteArray::number(crash::currentThreadId()));
    mainThread.close();
    TfrmMain window;
    window.show();
    crash::watchMainWindow(&window);
    QTimer::singleShot(0, &window, [kind] {
        if (kind == QLatin1String("null") || kind == QLatin1String("stalled"))
            writeThroughNull();
        else if (kind == QLatin1String("abort"))
            abortTheProgram();
        else if (kind == QLatin1String("divide"))
            std::printf("%d\n", divideByZero());
        else if (kind == QLatin1String("recursion"))
            std::printf("%d\n", recurseForever(0));
        else if (kind == QLatin1String("worker"))
            faultOnWorkerThread();
        else if (kind == QLatin1String("worker overflow"))
            overflowOnWorkerThread();
    });
    return QApplication::exec();
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class CrashTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void faultIsReportedFromOutside_data();
    void faultIsReportedFromOutside();
    void reporterThatDiesLeavesTheShortReport();
#ifdef Q_OS_WIN
    void reporterThatNeverTakesOverIsEnded();
#endif
    void cleanupTestCase();

private:
    int m_debuginfoServer = -1;
};

void CrashTest::initTestCase()
{
#ifndef Q_OS_WIN
    // A debug-info server that never answers, as a desktop session may name one: the reporter must
    // neither wait for it nor tell it anything.
    m_debuginfoServer = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(bind(m_debuginfoServer, reinterpret_cast<sockaddr *>(&address), length) == 0);
    QVERIFY(listen(m_debuginfoServer, 16) == 0);
    QVERIFY(getsockname(m_debuginfoServer, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    qputenv("DEBUGINFOD_URLS", "http://127.0.0.1:" + QByteArray::number(ntohs(address.sin_port)));
#endif
}

void CrashTest::cleanupTestCase()
{
#ifndef Q_OS_WIN
    const int connection = accept(m_debuginfoServer, nullptr, nullptr);
    QVERIFY2(connection < 0 && (errno == EAGAIN || errno == EWOULDBLOCK), "the reporter asked the debug-info server");
    close(m_debuginfoServer);
#endif
}

void CrashTest::faultIsReportedFromOutside_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("fault");    // in the report's Fault line
    QTest::addColumn<QString>("function"); // on the faulting thread's stack
#ifdef Q_OS_WIN
    const char *nullWrite = "EXCEPTION_ACCESS_VIOLATION (c0000005) at 0x", *aborted = "abort() was called",
               *divided = "EXCEPTION_INT_DIVIDE_BY_ZERO (c0000094)", *overflowed = "EXCEPTION_STACK_OVERFLOW (c00000fd)";
#else
    const char *nullWrite = "SIGSEGV (signal 11), address not mapped", *aborted = "SIGABRT (signal 6), raised by the program itself",
               *divided = "SIGFPE (signal 8), integer divide by zero (FPE_INTDIV)", *overflowed = "SIGSEGV (signal 11)";
#endif
    QTest::newRow("null pointer in an event handler") << "null" << "show,save,restart" << nullWrite << "writeThroughNull";
    QTest::newRow("abort") << "abort" << "close" << aborted << "abortTheProgram";
    QTest::newRow("division by zero") << "divide" << "restart" << divided << "divideByZero";
    QTest::newRow("endless recursion") << "recursion" << "close" << overflowed << "recurseForever";
    QTest::newRow("worker thread") << "worker" << "restart" << nullWrite << "writeThroughNull";
    QTest::newRow("stack overflow on a worker thread") << "worker overflow" << "close" << overflowed << "recurseForever";
}

void CrashTest::faultIsReportedFromOutside()
{
#ifdef VARTOLIN_SANITIZE
    QSKIP("the sanitizers own the fatal signals in this build");
#endif
    QFETCH(QString, kind);
    QFETCH(QString, answers);
    QFETCH(QString, fault);
    QFETCH(QString, function);
    QTemporaryDir dir;
    const QString reportPath = dir.filePath(QStringLiteral("bugreport.txt"));
    const QByteArray earlier = writeEarlierReports(reportPath);

    QProcess game;
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Run as from a folder under the home folder: the report must not spell it out.
    const QString home = QFileInfo(QCoreApplication::applicationDirPath()).absolutePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("USERPROFILE"), QDir::toNativeSeparators(home)); // Windows' home
    game.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    game.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fault"), kind, dir.path(), answers});
    QVERIFY(game.waitForFinished(120000));
    // Ended by the reporter, not by returning.
    QVERIFY(game.exitStatus() == QProcess::CrashExit || game.exitCode() != 0);
    const bool restart = answers.endsWith(QLatin1String("restart"));
    QTRY_VERIFY_WITH_TIMEOUT(readAll(dir.filePath(QStringLiteral("box.log"))).contains(QLatin1String("click: ")), 30000);
    QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));

    QFile file(reportPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(earlier));
    const QString report = QString::fromUtf8(bytes.mid(earlier.size()));
    const QString text = QString(report).remove(QLatin1Char('\r')); // the file has CR LF on Windows
    QVERIFY2(missingSections(text).isEmpty(), qPrintable(missingSections(text).join(QStringLiteral(", "))));
    QVERIFY2(!text.contains(home), qPrintable(text.section(QLatin1Char('\n'), 0, 10)));
#ifdef Q_OS_WIN
    QVERIFY(text.contains(QLatin1String("%USERPROFILE%")));
#else
    QVERIFY(text.contains(QLatin1String("Process: ")) && text.contains(QLatin1String(" ~/")));
    QCOMPARE(file.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
#endif
    QVERIFY2(text.contains(QStringLiteral("Fault: ") + fault), qPrintable(text.section(QLatin1Char('\n'), 0, 8)));
    // The faulting thread comes first, and its stack starts where the fault happened.
    const QString faulting = text.section(QStringLiteral("(faulting)\n"), 1).section(QStringLiteral("\nThread "), 0, 0);
#ifdef Q_OS_WIN
    // No debug information is read on Windows (scripts/symbolize does that): the place is the
    // program's own module. A run-time ending starts in the handler, which is of the program too.
    QVERIFY2(faulting.startsWith(QLatin1String("  #0  0x")) && faulting.section(QLatin1Char('\n'), 0, 0).contains(QLatin1String(" tst_crash.exe+0x")),
             qPrintable(faulting));
    Q_UNUSED(function);
#else
    QVERIFY2(faulting.contains(function), qPrintable(faulting));
#endif
    const bool onWorker = kind.startsWith(QLatin1String("worker"));
    const QString mainThread = readAll(dir.filePath(QStringLiteral("main-thread.txt")));
    QVERIFY(!mainThread.isEmpty());
    QCOMPARE(text.contains(QRegularExpression(QStringLiteral("\nThread %1( \"[^\"]*\")? \\(faulting\\)").arg(mainThread))), !onWorker);
    QVERIFY2(text.count(QStringLiteral("\n  #")) > 10, "few frames: the stacks were not unwound");

    const QString log = readAll(dir.filePath(QStringLiteral("box.log")));
    QVERIFY2(log.contains(QStringLiteral("box: Vartolin | ") + fault.left(16)), qPrintable(log));
    QVERIFY2(log.contains(QLatin1String("Show bug report, [Continue], Restart, Close")), qPrintable(log));
    QVERIFY(log.contains(QLatin1String("A bug report was added to")));
    if (answers.startsWith(QLatin1String("show"))) {
        QVERIFY2(log.contains(QLatin1String("viewer: read-only")), qPrintable(log));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("saved.txt"))), report);
    }
#ifndef Q_OS_WIN
    // The maker reads the frames back to the source.
    if (kind == QLatin1String("null")) {
        QProcess symbolize;
        symbolize.setProcessEnvironment(environment); // the same home folder as the game's
        symbolize.start(QStringLiteral("bash"), {QStringLiteral(VARTOLIN_SOURCE_DIR "/scripts/symbolize"), reportPath});
        QVERIFY(symbolize.waitForFinished(120000));
        const QString symbolized = QString::fromUtf8(symbolize.readAllStandardOutput());
        QVERIFY2(symbolized.contains(QRegularExpression(QStringLiteral("writeThroughNull\\(\\) at \\S*tst_crash\\.cpp:\\d+"))),
                 qPrintable(symbolized.section(QStringLiteral("(faulting)"), 1).left(1500)));
    }
#endif
    const QString restarted = dir.filePath(QStringLiteral("restarted.txt"));
    if (restart) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(restarted) && !readAll(restarted).isEmpty(), 30000);
        QCOMPARE(readAll(restarted).trimmed(), QStringLiteral("level 1"));
    } else {
        QTest::qWait(1000);
        QVERIFY(!QFile::exists(restarted));
    }
}

void CrashTest::reporterThatDiesLeavesTheShortReport()
{
#ifdef VARTOLIN_SANITIZE
    QSKIP("the sanitizers own the fatal signals in this build");
#endif
    // The reporter is killed once it holds the game: the game runs on, writes what it knows, and
    // ends by its fault.
    QTemporaryDir dir;
    const QString reportPath = dir.filePath(QStringLiteral("bugreport.txt"));
    const QByteArray earlier = writeEarlierReports(reportPath);
    QProcess game;
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VARTOLIN_TEST_DIE_WHILE_HOLDING"), QStringLiteral("1"));
    game.setProcessEnvironment(environment);
    game.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fault"), QStringLiteral("null"), dir.path(),
                                                         QStringLiteral("close")});
    QVERIFY(game.waitForFinished(60000));
    QCOMPARE(game.exitStatus(), QProcess::CrashExit);
    const QByteArray bytes = [&] {
        QFile file(reportPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(bytes.startsWith(earlier));
    const QString added = QString::fromUtf8(bytes.mid(earlier.size())).remove(QLatin1Char('\r'));
    QVERIFY2(added.startsWith(QLatin1String("==== Vartolin bug report ====\nDate: ")), qPrintable(added));
    QVERIFY2(added.contains(QLatin1String("The crash reporter ended before it finished")), qPrintable(added));
    QVERIFY(added.contains(QLatin1String("Version: " VARTOLIN_VERSION)));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("box.log"))));
}

#ifdef Q_OS_WIN
void CrashTest::reporterThatNeverTakesOverIsEnded()
{
    // Past the take-over time the game ends the reporter, writes its own short report and ends.
    QTemporaryDir dir;
    QProcess game;
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    game.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fault"), QStringLiteral("stalled"), dir.path(),
                                                         QStringLiteral("close")});
    QVERIFY(game.waitForFinished(120000));
    QVERIFY(game.exitStatus() == QProcess::CrashExit || game.exitCode() != 0);
    const QString report = readAll(dir.filePath(QStringLiteral("bugreport.txt")));
    QVERIFY2(report.contains(QLatin1String("Fault: exception 0xc0000005 at address 0x"))
                 && report.contains(QLatin1String("did not take over in time")),
             qPrintable(report));
    const DWORD stalled = readAll(dir.filePath(QStringLiteral("box.log"))).section(QLatin1Char(' '), 1).toULong();
    QVERIFY(stalled != 0);
    const HANDLE reporter = OpenProcess(SYNCHRONIZE, FALSE, stalled);
    QVERIFY2(!reporter || WaitForSingleObject(reporter, 0) == WAIT_OBJECT_0, "the stalled reporter still runs");
    if (reporter)
        CloseHandle(reporter);
}
#endif

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    if (argc > 2 && qstrcmp(argv[1], "--pid") == 0) { // the stalled reporter: notes its id and waits
        QFile note(qEnvironmentVariable("VARTOLIN_TEST_LOG"));
        if (note.open(QIODevice::WriteOnly))
            note.write("stalled " + QByteArray::number(quint64(GetCurrentProcessId())));
        note.close();
        Sleep(INFINITE);
    }
#endif
    if (argc == 5 && qstrcmp(argv[1], "--fault") == 0)
        return runFaultingGame(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--restarted") == 0)
        return runRestartedGame(argc, argv);
    QCoreApplication app(argc, argv);
    CrashTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
