// The failing process on Linux: every thread is held with ptrace while the report is gathered,
// its memory read through /proc/<pid>/mem, its stacks unwound by elfutils' libdwfl from each
// module's call-frame information (the faulting thread from the signal's own registers), and its
// modules read from /proc/<pid>/maps.

#include "CrashedProcess.h"
#include "Demangle.h"
#include "ReportText.h"
#include "SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <elfutils/libdwfl.h>

#include <cerrno>
#include <cstddef>
#include <sys/syscall.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/ptrace.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

namespace reporter {

namespace {

QString firstLine(const QString &path)
{
    return QString::fromUtf8(readSystemFile(path, 4096).split('\n').value(0)).trimmed();
}

QString processName(qint64 pid)
{
    return firstLine(QStringLiteral("/proc/%1/comm").arg(pid));
}

QVector<qint64> threadsOf(pid_t pid)
{
    return numericEntries(QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                          maxThreads);
}

QString signalCodeText(int signal, int code)
{
    struct Code {
        int signal, code;
        const char *name, *meaning;
    };
    static const Code codes[] = {
        {SIGSEGV, SEGV_MAPERR, "SEGV_MAPERR", "address not mapped to object"},
        {SIGSEGV, SEGV_ACCERR, "SEGV_ACCERR", "invalid permissions for mapped object"},
        {SIGBUS, BUS_ADRALN, "BUS_ADRALN", "invalid address alignment"},
        {SIGBUS, BUS_ADRERR, "BUS_ADRERR", "nonexistent physical address"},
        {SIGBUS, BUS_OBJERR, "BUS_OBJERR", "object-specific hardware error"},
        {SIGFPE, FPE_INTDIV, "FPE_INTDIV", "integer divide by zero"},
        {SIGFPE, FPE_INTOVF, "FPE_INTOVF", "integer overflow"},
        {SIGFPE, FPE_FLTDIV, "FPE_FLTDIV", "floating-point divide by zero"},
        {SIGFPE, FPE_FLTOVF, "FPE_FLTOVF", "floating-point overflow"},
        {SIGFPE, FPE_FLTINV, "FPE_FLTINV", "invalid floating-point operation"},
        {SIGILL, ILL_ILLOPC, "ILL_ILLOPC", "illegal opcode"},
        {SIGILL, ILL_ILLOPN, "ILL_ILLOPN", "illegal operand"},
        {SIGILL, ILL_PRVOPC, "ILL_PRVOPC", "privileged opcode"},
        {SIGILL, ILL_BADSTK, "ILL_BADSTK", "internal stack error"},
    };
    for (const Code &entry : codes)
        if (entry.signal == signal && entry.code == code)
            return QStringLiteral("%1 (%2)").arg(QLatin1String(entry.meaning), QLatin1String(entry.name));
    return QStringLiteral("code %1").arg(code);
}

// "SIGSEGV (signal 11), address not mapped to object (SEGV_MAPERR), at address 0x0", or who sent it.
QString faultDescription(const crash::FaultRecord &record, qint64 pid)
{
    const QString error = QString::fromUtf8(record.errorText);
    if (record.kind == crash::FaultKind::CppError)
        return QStringLiteral("C++ error: %1").arg(error);
    const char *abbreviation = sigabbrev_np(record.signal);
    QString text = QStringLiteral("SIG%1 (signal %2)").arg(QLatin1String(abbreviation ? abbreviation : "?")).arg(record.signal);
    if (record.signalCode > 0) {
        text += QStringLiteral(", %1, at address %2").arg(signalCodeText(record.signal, record.signalCode), hexNumber(record.faultAddress));
    } else if (record.senderPid == pid) {
        text += record.signal == SIGABRT ? QStringLiteral(", raised by the program itself (abort)")
                                         : QStringLiteral(", raised by the program itself");
    } else {
        const QString sender = processName(record.senderPid);
        text += QStringLiteral(", sent by process %1%2").arg(record.senderPid).arg(sender.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(sender));
    }
    if (!error.isEmpty())
        text += QStringLiteral(", %1").arg(error);
    return text;
}

#if defined(__x86_64__)
// The general registers, in the order of DWARF's numbers 0..16 (rax rdx rcx rbx rsi rdi rbp rsp
// r8..r15, return address) and then the others the report shows: where each one is in the signal's
// machine context (gregset_t) and in ptrace's user_regs_struct.
struct RegisterPlace {
    const char *name;
    int inContext;          // -1: not in the machine context
    std::size_t inPtrace;   // offset in user_regs_struct, or noPtrace
};
constexpr std::size_t noPtrace = std::size_t(-1);
#define VARTOLIN_USER_REG(field) offsetof(user_regs_struct, field)
constexpr RegisterPlace registerTable[] = {
    {"rax", REG_RAX, VARTOLIN_USER_REG(rax)}, {"rdx", REG_RDX, VARTOLIN_USER_REG(rdx)},
    {"rcx", REG_RCX, VARTOLIN_USER_REG(rcx)}, {"rbx", REG_RBX, VARTOLIN_USER_REG(rbx)},
    {"rsi", REG_RSI, VARTOLIN_USER_REG(rsi)}, {"rdi", REG_RDI, VARTOLIN_USER_REG(rdi)},
    {"rbp", REG_RBP, VARTOLIN_USER_REG(rbp)}, {"rsp", REG_RSP, VARTOLIN_USER_REG(rsp)},
    {"r8", REG_R8, VARTOLIN_USER_REG(r8)},    {"r9", REG_R9, VARTOLIN_USER_REG(r9)},
    {"r10", REG_R10, VARTOLIN_USER_REG(r10)}, {"r11", REG_R11, VARTOLIN_USER_REG(r11)},
    {"r12", REG_R12, VARTOLIN_USER_REG(r12)}, {"r13", REG_R13, VARTOLIN_USER_REG(r13)},
    {"r14", REG_R14, VARTOLIN_USER_REG(r14)}, {"r15", REG_R15, VARTOLIN_USER_REG(r15)},
    {"rip", REG_RIP, VARTOLIN_USER_REG(rip)}, {"eflags", REG_EFL, VARTOLIN_USER_REG(eflags)},
    {"err", REG_ERR, noPtrace},               {"trapno", REG_TRAPNO, noPtrace},
    {"cr2", REG_CR2, noPtrace},               {"fs_base", -1, VARTOLIN_USER_REG(fs_base)},
};
#undef VARTOLIN_USER_REG
constexpr int dwarfRegisterCount = 17;
#endif

// A thread's registers: from the signal's machine context for the faulting thread, from ptrace
// for any other. Empty when neither can be read.
QVector<Register> threadRegisters(pid_t tid, const crash::FaultRecord &record, bool fromRecord)
{
    QVector<Register> registers;
#if defined(__x86_64__)
    if (fromRecord && record.contextSize >= sizeof(gregset_t)) {
        gregset_t g;
        std::memcpy(&g, record.context, sizeof g);
        for (const RegisterPlace &place : registerTable)
            if (place.inContext >= 0)
                registers.push_back({QLatin1String(place.name), quint64(g[place.inContext])});
        return registers;
    }
    user_regs_struct r{};
    if (ptrace(PTRACE_GETREGS, tid, nullptr, &r) != 0)
        return registers;
    for (const RegisterPlace &place : registerTable) {
        if (place.inPtrace == noPtrace)
            continue;
        unsigned long long value = 0;
        std::memcpy(&value, reinterpret_cast<const char *>(&r) + place.inPtrace, sizeof value);
        registers.push_back({QLatin1String(place.name), quint64(value)});
    }
#else
    (void)tid;
    (void)record;
    (void)fromRecord;
#endif
    return registers;
}

} // namespace

struct CrashedProcess::Private {
    pid_t pid = 0;
    std::vector<pid_t> held;
    std::map<pid_t, int> pendingSignals; // a signal met while stopping a thread, given back on release
    int memory = -1;
    int pidfd = -1;   // the process itself, whatever its id comes to name later
    bool ended = false;
    Snapshot snapshot;
    Dwfl *dwfl = nullptr;

    bool read(quint64 address, void *into, std::size_t size) const
    {
        return memory >= 0 && pread(memory, into, size, off_t(address)) == ssize_t(size);
    }

    // Stops every thread. Threads may start while the others are being stopped: go round until no
    // new one shows, within the deadline.
    void hold(const Deadline &deadline)
    {
        for (int round = 0; round < 20 && !deadline.passed(); ++round) {
            bool more = false;
            for (const qint64 thread : threadsOf(pid)) {
                const pid_t tid = pid_t(thread);
                if (std::find(held.begin(), held.end(), tid) != held.end())
                    continue;
                if (held.size() >= std::size_t(maxThreads) || deadline.passed())
                    break;
                if (ptrace(PTRACE_SEIZE, tid, nullptr, nullptr) != 0) {
                    if (errno != ESRCH)
                        snapshot.problems << QStringLiteral("thread %1 cannot be inspected: %2").arg(tid).arg(QString::fromLocal8Bit(strerror(errno)));
                    continue;
                }
                ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr);
                int status = 0;
                pid_t stopped = 0;
                while ((stopped = waitpid(tid, &status, __WALL | WNOHANG)) == 0 && !deadline.passed())
                    QThread::usleep(500);
                if (stopped != tid || !WIFSTOPPED(status)) {
                    ptrace(PTRACE_DETACH, tid, nullptr, nullptr);
                    continue;
                }
                const int signal = WSTOPSIG(status);
                if ((status >> 16) == 0 && signal != SIGTRAP && signal != SIGSTOP)
                    pendingSignals[tid] = signal;
                held.push_back(tid);
                more = true;
            }
            if (!more)
                break;
        }
    }

    bool initialRegisters(pid_t tid, Dwarf_Word (&dwarf)[17]) const
    {
#if defined(__x86_64__)
        const crash::FaultRecord &record = snapshot.record;
        const bool fromRecord = snapshot.recordRead && quint64(tid) == record.threadId
                                && record.kind == crash::FaultKind::Signal;
        const QVector<Register> registers = threadRegisters(tid, record, fromRecord);
        if (registers.size() < dwarfRegisterCount)
            return false;
        for (int i = 0; i < dwarfRegisterCount; ++i)
            dwarf[i] = Dwarf_Word(registers[i].value);
        return true;
#else
        (void)tid;
        (void)dwarf;
        return false;
#endif
    }

    // --- libdwfl's view of the stopped process ---------------------------------------------------

    std::size_t nextThreadIndex = 0;

    static pid_t nextThread(Dwfl *, void *self, void **threadArg)
    {
        auto *d = static_cast<Private *>(self);
        if (*threadArg == nullptr)
            d->nextThreadIndex = 0;
        *threadArg = d;
        return d->nextThreadIndex < d->held.size() ? d->held[d->nextThreadIndex++] : 0;
    }
    static bool memoryRead(Dwfl *, Dwarf_Addr address, Dwarf_Word *result, void *self)
    {
        return static_cast<Private *>(self)->read(address, result, sizeof *result);
    }
    static bool setInitialRegisters(Dwfl_Thread *thread, void *self)
    {
        Dwarf_Word registers[17];
        if (!static_cast<Private *>(self)->initialRegisters(dwfl_thread_tid(thread), registers))
            return false;
        return dwfl_thread_state_registers(thread, 0, 17, registers);
    }

    bool openDwfl()
    {
        // Debug files only from this machine's own folders: the reporter asks no server, whatever
        // the environment names (main() also clears DEBUGINFOD_URLS before anything is loaded).
        static char *debuginfoPath = nullptr;
        static const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, findLocalDebuginfo, nullptr, &debuginfoPath};
        static const Dwfl_Thread_Callbacks threadCallbacks = {nextThread, nullptr, memoryRead, setInitialRegisters,
                                                              nullptr, nullptr};
        dwfl = dwfl_begin(&callbacks);
        if (!dwfl)
            return false;
        dwfl_report_begin(dwfl);
        const int failed = dwfl_linux_proc_report(dwfl, pid);
        dwfl_report_end(dwfl, nullptr, nullptr);
        if (failed != 0) {
            snapshot.problems << QStringLiteral("the modules cannot be read: %1").arg(QString::fromLocal8Bit(strerror(failed > 0 ? failed : errno)));
            return false;
        }
        if (!dwfl_attach_state(dwfl, nullptr, pid, &threadCallbacks, this))
            snapshot.problems << QStringLiteral("the stacks cannot be unwound: %1").arg(QString::fromUtf8(dwfl_errmsg(-1)));
        return true;
    }

    static int findLocalDebuginfo(Dwfl_Module *module, void **userData, const char *moduleName, Dwarf_Addr base,
                                  const char *fileName, const char *debugLink, GElf_Word crc, char **debugFileName)
    {
        ::unsetenv("DEBUGINFOD_URLS");
        return dwfl_standard_find_debuginfo(module, userData, moduleName, base, fileName, debugLink, crc, debugFileName);
    }

    struct Unwinding {
        Private *d;
        ThreadStack *stack;
        const Deadline *deadline;
    };

    static int onFrame(Dwfl_Frame *state, void *arg)
    {
        auto *u = static_cast<Unwinding *>(arg);
        Dwarf_Addr pc = 0;
        bool activation = false;
        if (!dwfl_frame_pc(state, &pc, &activation))
            return DWARF_CB_ABORT;
        // A return address points past its call: look the call itself up.
        const Dwarf_Addr lookup = activation ? pc : pc - 1;
        Frame frame;
        frame.pc = pc;
        if (Dwfl_Module *module = dwfl_addrmodule(u->d->dwfl, lookup)) {
            const char *name = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            Dwarf_Addr bias = 0;
            if (!dwfl_module_getelf(module, &bias))
                dwfl_module_info(module, nullptr, &bias, nullptr, nullptr, nullptr, nullptr, nullptr);
            frame.module = QFileInfo(QString::fromLocal8Bit(name ? name : "?")).fileName();
            frame.moduleOffset = pc - bias;
            GElf_Off offset = 0;
            GElf_Sym symbol;
            if (const char *function = dwfl_module_addrinfo(module, lookup, &offset, &symbol, nullptr, nullptr, nullptr))
                frame.function = demangled(function) + QStringLiteral("+") + hexNumber(offset + (lookup == pc ? 0 : 1));
        }
        u->stack->frames.push_back(frame);
        return u->stack->frames.size() >= maxFrames || u->deadline->passed() ? DWARF_CB_ABORT : DWARF_CB_OK;
    }

    struct ModuleListing {
        QVector<Module> *modules;
        const Deadline *deadline;
        bool cut = false;
    };

    static int onModule(Dwfl_Module *module, void **, const char *name, Dwarf_Addr start, void *arg)
    {
        auto *listing = static_cast<ModuleListing *>(arg);
        QVector<Module> *modules = listing->modules;
        if (modules->size() >= maxModules || listing->deadline->passed()) {
            listing->cut = true;
            return DWARF_CB_ABORT;
        }
        Dwarf_Addr end = 0;
        dwfl_module_info(module, nullptr, nullptr, &end, nullptr, nullptr, nullptr, nullptr);
        Module entry{QString::fromLocal8Bit(name ? name : "?"), start, end - start, {}};
        Dwarf_Addr bias = 0;
        if (!dwfl_module_getelf(module, &bias))
            return DWARF_CB_OK; // a mapped file that is no program or library (a font, shared memory)
        const unsigned char *bits = nullptr;
        GElf_Addr address = 0;
        const int length = dwfl_module_build_id(module, &bits, &address);
        if (length > 0)
            entry.identity = QStringLiteral("build id ")
                             + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bits), length).toHex());
        else
            entry.identity = QStringLiteral("no build id");
        modules->push_back(entry);
        return DWARF_CB_OK;
    }
};

CrashedProcess::CrashedProcess(qint64 pid, quint64 recordAddress, const Deadline &deadline)
    : d(std::make_unique<Private>())
{
    d->pid = pid_t(pid);
    d->snapshot.pid = pid;
#ifdef SYS_pidfd_open
    d->pidfd = int(syscall(SYS_pidfd_open, d->pid, 0));
#endif
    d->snapshot.executable = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    d->hold(deadline);
    if (d->held.empty())
        d->snapshot.problems << QStringLiteral("the process could not be stopped for inspection");
    d->memory = open(QStringLiteral("/proc/%1/mem").arg(pid).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    crash::FaultRecord &record = d->snapshot.record;
    const bool read = !d->held.empty() && d->read(recordAddress, &record, sizeof record);
    QVector<quint64> threads;
    for (const pid_t tid : d->held)
        threads.push_back(quint64(tid));
    checkFaultRecord(d->snapshot, read, threads);
}

CrashedProcess::~CrashedProcess()
{
    if (!d->ended)
        release();
    if (d->dwfl)
        dwfl_end(d->dwfl);
    if (d->memory >= 0)
        close(d->memory);
    if (d->pidfd >= 0)
        close(d->pidfd);
}

bool CrashedProcess::held() const
{
    return !d->held.empty();
}

Snapshot CrashedProcess::snapshot(const Deadline &deadline)
{
    Snapshot &s = d->snapshot;
    const crash::FaultRecord &record = s.record;
    s.faultingThread = s.recordRead ? record.threadId : 0;
    s.fault = s.recordRead ? faultDescription(record, qint64(d->pid))
                           : QStringLiteral("unknown (%1)").arg(s.problems.value(0, QStringLiteral("no fault record")));
    if (s.faultingThread)
        s.registers = threadRegisters(pid_t(s.faultingThread), record, record.kind == crash::FaultKind::Signal);

    if (d->openDwfl()) {
        // The faulting thread first, then the others in the order of their ids.
        std::vector<pid_t> order = d->held;
        std::stable_partition(order.begin(), order.end(), [&](pid_t tid) { return quint64(tid) == s.faultingThread; });
        for (const pid_t tid : order) {
            if (deadline.passed()) {
                s.problems << QStringLiteral("the stacks of %1 threads: out of time").arg(order.size() - std::size_t(s.threads.size()));
                break;
            }
            ThreadStack stack;
            stack.id = quint64(tid);
            stack.name = firstLine(QStringLiteral("/proc/%1/task/%2/comm").arg(d->pid).arg(tid));
            stack.faulting = quint64(tid) == s.faultingThread;
            Private::Unwinding unwinding{d.get(), &stack, &deadline};
            if (dwfl_getthread_frames(d->dwfl, tid, Private::onFrame, &unwinding) != 0 && stack.frames.size() < maxFrames
                && dwfl_errno() != 0)
                stack.problem = QString::fromUtf8(dwfl_errmsg(-1));
            s.threads.push_back(stack);
        }
        Private::ModuleListing listing{&s.modules, &deadline};
        dwfl_getmodules(d->dwfl, Private::onModule, &listing, 0);
        if (listing.cut)
            s.problems << QStringLiteral("modules past the first %1: out of time or too many").arg(s.modules.size());
    }
    s.processes = runningProcesses(deadline, &s.problems);
    s.system = systemFacts();
    return s;
}

void CrashedProcess::end()
{
    if (d->ended)
        return;
    d->ended = true;
    // Through the process's own descriptor: after a box that stayed open for hours, its id may name
    // another process by now.
#ifdef SYS_pidfd_send_signal
    if (d->pidfd < 0 || syscall(SYS_pidfd_send_signal, d->pidfd, SIGKILL, nullptr, 0) != 0)
#endif
        if (!d->held.empty()) // still traced by us, so still that process
            kill(d->pid, SIGKILL);
    // Each held thread reports its end to us; the leader's comes only after all the others'.
    const Deadline deadline(std::chrono::seconds(3));
    for (const pid_t tid : d->held) {
        int status = 0;
        while (tid != d->pid && waitpid(tid, &status, __WALL | WNOHANG) == 0 && !deadline.passed())
            QThread::msleep(5);
    }
    for (int status = 0; waitpid(d->pid, &status, __WALL | WNOHANG) == 0 && !deadline.passed();)
        QThread::msleep(10);
    // The process is gone once it is a zombie for its parent to collect, or collected.
    while (!deadline.passed()) {
        const QByteArray stat = readSystemFile(QStringLiteral("/proc/%1/stat").arg(d->pid), 4096);
        if (stat.isEmpty() || processState(stat) == 'Z')
            break;
        QThread::msleep(10);
    }
    d->held.clear();
}

void CrashedProcess::release()
{
    for (const pid_t tid : d->held) {
        const auto pending = d->pendingSignals.find(tid);
        ptrace(PTRACE_DETACH, tid, nullptr, reinterpret_cast<void *>(long(pending == d->pendingSignals.end() ? 0 : pending->second)));
    }
    d->held.clear();
}

QVector<RunningProcess> runningProcesses(const Deadline &deadline, QStringList *problems)
{
    QVector<RunningProcess> processes;
    const QVector<qint64> ids =
        numericEntries(QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot), maxProcesses);
    for (const qint64 pid : ids) {
        if (deadline.passed()) {
            *problems << QStringLiteral("%1 of %2 processes: out of time").arg(ids.size() - processes.size()).arg(ids.size());
            break;
        }
        processes.push_back({quint64(pid), processName(pid)});
    }
    return processes;
}

SystemFacts systemFacts()
{
    SystemFacts facts;
    const QString pretty = osPrettyName(readSystemFile(QStringLiteral("/etc/os-release")));
    utsname names{};
    uname(&names);
    facts.os = QStringLiteral("%1; %2 %3 %4").arg(pretty.isEmpty() ? QStringLiteral("unknown distribution") : pretty,
                                                 QString::fromLocal8Bit(names.sysname), QString::fromLocal8Bit(names.release),
                                                 QString::fromLocal8Bit(names.machine));
    facts.cpu = cpuModel(readSystemFile(QStringLiteral("/proc/cpuinfo")));
    facts.cpuCount = int(sysconf(_SC_NPROCESSORS_ONLN));
    const MemoryFigures memory = memoryFigures(readSystemFile(QStringLiteral("/proc/meminfo")));
    facts.memoryTotal = memory.total;
    facts.memoryFree = memory.available;
    return facts;
}

} // namespace reporter
