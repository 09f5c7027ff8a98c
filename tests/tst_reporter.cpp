// The crash reporter's pieces that read what they cannot trust: its command line, the fault record
// of a failing process, the system's own files (on fixtures, cut short and garbled ones among them),
// and the privacy and date rules of the reports. Nothing here crashes anything.

#include "crash/box/ReportFile.h"
#include "crash/game/ShortReport.h"
#include "crash/protocol/CrashProtocol.h"
#include "crash/reporter/CrashedProcess.h"
#include "crash/reporter/SystemFiles.h"

#include <QtTest>
#include <cstring>

using namespace reporter;

namespace {

QByteArray fixture(const char *name)
{
    return readSystemFile(QStringLiteral(VARTOLIN_FIXTURES "/system/") + QLatin1String(name));
}

crash::FaultRecord soundRecord()
{
    crash::FaultRecord record{};
    std::memcpy(record.magic, crash::faultRecordMagic, sizeof record.magic);
    record.version = crash::protocolVersion;
    record.size = sizeof record;
    record.kind = crash::FaultKind::Signal;
    record.signal = 11;
    record.threadId = 100;
    record.contextSize = 256;
    std::strcpy(record.errorText, "text");
    return record;
}

} // namespace

class ReporterTest : public QObject
{
    Q_OBJECT

private slots:
    void commandLineRoundTripsAndRefusesWhatTheGameNeverWrites();
    void faultRecordIsCheckedFieldByField_data();
    void faultRecordIsCheckedFieldByField();
    void systemFilesGiveFactsOrNothing();
    void homeFolderIsNotSpelledOut();
    void shortReportDatesAreUtc();
};

void ReporterTest::commandLineRoundTripsAndRefusesWhatTheGameNeverWrites()
{
    crash::ReporterCommand command;
    command.pid = 4242;
    command.recordAddress = 0x7ffd12345678;
    command.reportPath = QStringLiteral("/tmp/a folder/bugreport.txt");
    command.restart = {QStringLiteral("/usr/games/vartolin"), QStringLiteral("--x y")};
    command.window = 0x3a00007;
    command.gather = true;
    command.handOverPath = QStringLiteral("/tmp/hand-over.txt");
    QString problem;
    const auto back = crash::ReporterCommand::fromArguments(command.toArguments(), &problem);
    QVERIFY2(back, qPrintable(problem));
    QCOMPARE(back->pid, command.pid);
    QCOMPARE(back->recordAddress, command.recordAddress);
    QCOMPARE(back->reportPath, command.reportPath);
    QCOMPARE(back->restart, command.restart);
    QCOMPARE(back->window, command.window);
    QVERIFY(back->gather);
    QCOMPARE(back->handOverPath, command.handOverPath);

    const QStringList valid = crash::ReporterCommand{4242, 0x1000, QStringLiteral("/r")}.toArguments();
    QVERIFY(crash::ReporterCommand::fromArguments(valid, &problem));
    for (const QStringList &bad : {QStringList{}, valid.mid(2), valid + QStringList{QStringLiteral("--exec"), QStringLiteral("sh")},
                                   QStringList(valid).replaceInStrings(QStringLiteral("0x1000"), QStringLiteral("4096")),
                                   QStringList(valid).replaceInStrings(QStringLiteral("4242"), QStringLiteral("-1")),
                                   valid + QStringList{QStringLiteral("--gather")}, valid + QStringList{QStringLiteral("--window")}})
        QVERIFY2(!crash::ReporterCommand::fromArguments(bad, &problem), qPrintable(bad.join(QLatin1Char(' '))));
}

void ReporterTest::faultRecordIsCheckedFieldByField_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("said");
    QTest::newRow("sound") << 0 << true << QString();
    QTest::newRow("not read") << 1 << false << "could not be read";
    QTest::newRow("magic") << 2 << false << "does not start as one";
    QTest::newRow("version") << 3 << false << "another version";
    QTest::newRow("kind") << 4 << false << "unknown kind";
    QTest::newRow("signal") << 5 << false << "signal 999";
    QTest::newRow("registers") << 6 << true << "registers are left out";
    QTest::newRow("error text") << 7 << true << "error text is cut";
    QTest::newRow("thread") << 8 << true << "thread 7 is none";
}

void ReporterTest::faultRecordIsCheckedFieldByField()
{
    QFETCH(int, damage);
    QFETCH(bool, accepted);
    QFETCH(QString, said);
    Snapshot snapshot;
    snapshot.record = soundRecord();
    crash::FaultRecord &record = snapshot.record;
    switch (damage) {
    case 2: record.magic[0] = 'X'; break;
    case 3: record.version = 1; break;
    case 4: record.kind = crash::FaultKind(77); break;
    case 5: record.signal = 999; break;
    case 6: record.contextSize = 1u << 30; break;
    case 7: std::memset(record.errorText, 'x', sizeof record.errorText); break;
    case 8: record.threadId = 7; break;
    }
    checkFaultRecord(snapshot, damage != 1, {100, 101});
    QCOMPARE(snapshot.recordRead, accepted);
    QCOMPARE(snapshot.problems.join(QLatin1Char('|')).contains(said), true);
    QCOMPARE(snapshot.problems.isEmpty(), said.isEmpty());
    // Whatever was damaged, what is kept can be used as it is.
    QVERIFY(record.contextSize <= sizeof record.context);
    QVERIFY(std::memchr(record.errorText, '\0', sizeof record.errorText));
    QVERIFY(record.threadId == 0 || record.threadId == 100);
    if (!accepted)
        QCOMPARE(record.kind, crash::FaultKind::None);
}

void ReporterTest::systemFilesGiveFactsOrNothing()
{
    QCOMPARE(osPrettyName(fixture("os-release")), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    QCOMPARE(osPrettyName(fixture("os-release-single-quotes")), QStringLiteral("Arch Linux"));
    QCOMPARE(osPrettyName(fixture("os-release-cut")), QString());
    QCOMPARE(cpuModel(fixture("cpuinfo")), QStringLiteral("Intel(R) Xeon(R) CPU @ 2.20GHz"));
    QCOMPARE(cpuModel(fixture("cpuinfo-arm")), QString());
    const MemoryFigures memory = memoryFigures(fixture("meminfo"));
    QCOMPARE(memory.total, quint64(24636012) * 1024);
    QCOMPARE(memory.available, quint64(20000000) * 1024);
    const MemoryFigures garbled = memoryFigures(fixture("meminfo-garbled"));
    QCOMPARE(garbled.total, quint64(0)); // would overflow in bytes
    QCOMPARE(garbled.available, quint64(0));
    QCOMPARE(processState(fixture("stat-zombie")), 'Z'); // a name with ") " in it
    QCOMPARE(processState(fixture("stat-sleeping")), 'S');
    QCOMPARE(processState("4244 (cut"), '\0');
    QCOMPARE(readSystemFile(QStringLiteral(VARTOLIN_FIXTURES "/system/meminfo"), 8), QByteArray("MemTotal"));
    QCOMPARE(numericEntries({QStringLiteral("self"), QStringLiteral("30"), QStringLiteral("4"), QStringLiteral("-3"),
                             QStringLiteral("12"), QStringLiteral("1x")}, 2),
             (QVector<qint64>{4, 12}));
}

void ReporterTest::homeFolderIsNotSpelledOut()
{
#ifdef Q_OS_WIN
    QCOMPARE(crash::withoutHome(QStringLiteral("Process: 9 C:\\Users\\Ann\\Downloads\\vartolin.exe\n  c:/users/ann/x.dll"),
                                QStringLiteral("C:/Users/Ann")),
             QStringLiteral("Process: 9 %USERPROFILE%\\Downloads\\vartolin.exe\n  %USERPROFILE%/x.dll"));
#else
    const QString text = QStringLiteral("Process: 9 /home/ann/Documents/vartolin\n"
                                        "  0x1 size 0x2 /home/ann/lib.so build id 12\n"
                                        "C++ error: cannot open /home/ann: no\n"
                                        "/home/annex/x /srv/home/ann/x");
    QCOMPARE(crash::withoutHome(text, QStringLiteral("/home/ann/")),
             QStringLiteral("Process: 9 ~/Documents/vartolin\n"
                            "  0x1 size 0x2 ~/lib.so build id 12\n"
                            "C++ error: cannot open ~: no\n"
                            "/home/annex/x /srv/home/ann/x"));
    QCOMPARE(crash::withoutHome(text, QStringLiteral("/")), text);
#endif
}

void ReporterTest::shortReportDatesAreUtc()
{
    for (const auto &[seconds, date] : {std::pair<std::int64_t, const char *>{0, "1970-01-01T00:00:00Z"},
                                        {951825599, "2000-02-29T11:59:59Z"},
                                        {1796922300, "2026-12-10T17:05:00Z"}}) {
        crash::FixedText text;
        crash::addIsoDate(text, seconds);
        QCOMPARE(QByteArray(text.buffer, qsizetype(text.length)), QByteArray(date));
        // The same as the reporter's own reports say it.
        QCOMPARE(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate), QString::fromLatin1(date));
    }
    crash::FixedText report;
    crash::formatShortReport(report, 0, "SIGSEGV (signal 11) at address 0x0", "Only this much is known.");
    const QString text = QString::fromUtf8(report.buffer, qsizetype(report.length)).remove(QLatin1Char('\r'));
    QVERIFY2(text.startsWith(QStringLiteral("==== Vartolin bug report ====\nDate: 1970-01-01T00:00:00Z\nProgram: Vartolin\n"
                                            "Version: " VARTOLIN_VERSION "\n")),
             qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("Fault: SIGSEGV (signal 11) at address 0x0\nOnly this much is known.\n"
                                         "==== end of report ====\n\n")));
}

QTEST_GUILESS_MAIN(ReporterTest)
#include "tst_reporter.moc"
