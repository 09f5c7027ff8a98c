// A long run of random mouse input through all eight levels: the invariants hold after every
// event, and memory does not grow once the pictures of every level have been seen.

#include "app/Startup.h"
#include "support/GameProbe.h"
#include "support/TestSupport.h"
#include "uMain.h"

#include <QtTest>

#ifdef Q_OS_WIN
#include <malloc.h>
#include <windows.h>
#include <psapi.h>
#else
#include <fstream>
#include <malloc.h>
#include <string>
#endif

namespace {

struct MemoryUse {
    long heapKb;       // bytes the program holds on the heap
    long residentKb;   // what the system counts for the process, after the allocator gave back what it could
};

#ifdef Q_OS_WIN
// The run-time library's heap, block by block, and the memory the system has committed to the
// process (its private bytes).
MemoryUse memoryUse()
{
    _heapmin();
    long long used = 0;
    _HEAPINFO entry{};
    int status;
    while ((status = _heapwalk(&entry)) == _HEAPOK)
        if (entry._useflag == _USEDENTRY)
            used += static_cast<long long>(entry._size);
    // The commit charge: what PrivateUsage reports too, where that is filled in (Wine leaves it 0).
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    const bool known = GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {status == _HEAPEND ? long(used / 1024) : -1, known ? long(counters.PagefileUsage / 1024) : -1};
}
#else
// Resident memory in kB, from the kernel's own account of this process.
long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

MemoryUse memoryUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return {long((info.uordblks + info.hblkhd) / 1024), residentKb()};
}
#endif

// A short round unless the long one is asked for (make soak: 100,000).
int eventCount()
{
    const QByteArray wanted = qgetenv("VARTOLIN_SOAK_EVENTS");
    return wanted.isEmpty() ? 3000 : wanted.toInt();
}

} // namespace

class SoakTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { configureApplication(); }
    void randomInputForAlongTime();
};

void SoakTest::randomInputForAlongTime()
{
    ScriptedRandom random(4242);
    random.keepLog = false;
    RandomSourceScope scope(&random);
    RecordingPacing pacing;
    TfrmMain window;
    window.setPacing(&pacing);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    std::mt19937 dice(31337);
    QSet<int> levelsSeen;
    const int events = eventCount();
    const int warmUp = std::min(1000, events / 2);
    MemoryUse afterWarmUp{};
    for (int i = 1; i <= events; ++i) {
        probe::randomMouseEvent(window, dice);
        const QString violation = probe::invariantViolation(window);
        QVERIFY2(violation.isEmpty(), qPrintable(QStringLiteral("event %1: %2").arg(i).arg(violation)));
        levelsSeen.insert(window.level());
        if (i == warmUp)
            afterWarmUp = memoryUse();
    }
    QCOMPARE(levelsSeen.size(), 8);
    const MemoryUse atEnd = memoryUse();
    qInfo("heap in use: %ld kB after %d events, %ld kB after %d; resident: %ld kB, then %ld kB",
          afterWarmUp.heapKb, warmUp, atEnd.heapKb, events, afterWarmUp.residentKb, atEnd.residentKb);
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer keeps freed memory in quarantine: memory is measured in the normal build");
#endif
    QVERIFY2(afterWarmUp.heapKb > 0 && afterWarmUp.residentKb > 0, "the memory probe could not read the process");
    QVERIFY2(atEnd.heapKb <= afterWarmUp.heapKb * 105 / 100, "the heap grows with the number of clicks");
    QVERIFY2(atEnd.residentKb <= afterWarmUp.residentKb * 105 / 100, "resident memory grows with the number of clicks");
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
