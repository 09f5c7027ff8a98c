#pragma once
// The failing game as the reporter sees it from outside: stopped while it is looked at, read
// through the system's debugging interfaces (ptrace and /proc on Linux; process and thread handles,
// DbgHelp and Toolhelp on Windows), and ended by the reporter. One implementation per platform:
// CrashedProcess_linux.cpp, CrashedProcess_win.cpp.

#include "Deadline.h"
#include "crash/protocol/CrashProtocol.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

namespace reporter {

struct Register {
    QString name;
    quint64 value = 0;
};

struct Frame {
    quint64 pc = 0;          // the frame's address
    QString module;          // file name of the module holding it
    quint64 moduleOffset = 0; // pc less the module's load bias (ELF) or base (PE)
    QString function;        // with its offset, where the symbols allow
};

struct ThreadStack {
    quint64 id = 0;
    QString name;
    bool faulting = false;
    QVector<Frame> frames;   // at most maxFrames
    QString problem;         // why the stack ends early, if it does
};
inline constexpr int maxFrames = 64;
inline constexpr int maxThreads = 256;
inline constexpr int maxModules = 1024;
inline constexpr int maxProcesses = 10000;

struct Module {
    QString path;
    quint64 base = 0;
    quint64 size = 0;
    QString identity; // "build id ..." or "time stamp ..."
};

struct RunningProcess {
    quint64 id = 0;
    QString name;
};

struct SystemFacts {
    QString os;
    QString cpu;
    int cpuCount = 0;
    quint64 memoryTotal = 0; // bytes
    quint64 memoryFree = 0;
};

// Everything the report says about the failing process.
struct Snapshot {
    bool recordRead = false;
    crash::FaultRecord record{};
    qint64 pid = 0;
    QString executable;
    QString fault;                 // the fault in one line: name, code, address, or the C++ error
    quint64 faultingThread = 0;
    QVector<Register> registers;   // of the faulting thread
    QVector<ThreadStack> threads;  // at most maxThreads
    QVector<Module> modules;
    QVector<RunningProcess> processes;
    SystemFacts system;
    QStringList problems;          // what could not be gathered, and why
};

// Checks the fault record just read from the failing process, field by field, against what the
// process really is (its threads): keeps what holds, clears what does not, and says so in the
// snapshot's problems. Sets recordRead when the record is one this build wrote.
void checkFaultRecord(Snapshot &snapshot, bool read, const QVector<quint64> &threads);

class CrashedProcess
{
public:
    // Stops the process (within `deadline`) and reads its fault record from `recordAddress`.
    CrashedProcess(qint64 pid, quint64 recordAddress, const Deadline &deadline);
    // Lets the process run on, unless it was ended.
    ~CrashedProcess();
    CrashedProcess(const CrashedProcess &) = delete;
    CrashedProcess &operator=(const CrashedProcess &) = delete;

    // Everything the report says, gathered until `deadline`; what is left then is marked so.
    Snapshot snapshot(const Deadline &deadline);
    // Whether the process is stopped for inspection now.
    bool held() const;
    // Ends the process for good (a fatal fault: the reporter's last word on it).
    void end();
    // Lets it run on (a C++ error: the game shows its own box).
    void release();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Done without the failing process: the processes of the machine, and its hardware and system.
QVector<RunningProcess> runningProcesses(const Deadline &deadline, QStringList *problems);
SystemFacts systemFacts();

} // namespace reporter
