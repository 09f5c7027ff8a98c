// The failing process on Linux: every thread is held with ptrace while the report is gathered,
// its memory read through /proc/<pid>/mem, its stacks unwound by elfutils' libdwfl from each
// module's call-frame information (the faulting thread from the signal's own registers), and its
// modules read from /proc/<pid>/maps.

#include "CrashedProcess.h"
#include "ReportText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>
#include <QThread>

#include <elfutils/libdwfl.h>

#include <cerrno>
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

QString readLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

// Files under /proc tell no size, so they are read to their end rather than by their size.
QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

QString processName(qint64 pid)
{
    return readLine(QStringLiteral("/proc/%1/comm").arg(pid));
}

std::vector<pid_t> threadsOf(pid_t pid)
{
    std::vector<pid_t> threads;
    const QStringList entries = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        if (const int tid = entry.toInt(); tid > 0)
            threads.push_back(pid_t(tid));
    std::sort(threads.begin(), threads.end());
    return threads;
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

// DWARF register numbers 0..16 on x86-64: rax rdx rcx rbx rsi rdi rbp rsp r8..r15, return address.
constexpr int dwarfRegisterCount = 17;

} // namespace

struct CrashedProcess::Private {
    pid_t pid = 0;
    std::vector<pid_t> held;
    std::map<pid_t, int> pendingSignals; // a signal met while stopping a thread, given back on release
    int memory = -1;
    bool ended = false;
    Snapshot snapshot;
    Dwfl *dwfl = nullptr;

    bool read(quint64 address, void *into, std::size_t size) const
    {
        return memory >= 0 && pread(memory, into, size, off_t(address)) == ssize_t(size);
    }

    void hold()
    {
        // Threads may start while the others are being stopped: go round until no new one shows.
        for (int round = 0; round < 20; ++round) {
            bool more = false;
            for (const pid_t tid : threadsOf(pid)) {
                if (std::find(held.begin(), held.end(), tid) != held.end())
                    continue;
                if (ptrace(PTRACE_SEIZE, tid, nullptr, nullptr) != 0) {
                    if (errno != ESRCH)
                        snapshot.problems << QStringLiteral("thread %1 cannot be inspected: %2").arg(tid).arg(QString::fromLocal8Bit(strerror(errno)));
                    continue;
                }
                ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr);
                int status = 0;
                if (waitpid(tid, &status, __WALL) != tid || !WIFSTOPPED(status))
                    continue;
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

    bool initialRegisters(pid_t tid, Dwarf_Word (&dwarf)[dwarfRegisterCount]) const
    {
#if defined(__x86_64__)
        const crash::FaultRecord &record = snapshot.record;
        if (snapshot.recordRead && quint64(tid) == record.threadId && record.kind == crash::FaultKind::Signal
            && record.contextSize >= sizeof(gregset_t)) {
            gregset_t g;
            std::memcpy(&g, record.context, sizeof g);
            const int order[] = {REG_RAX, REG_RDX, REG_RCX, REG_RBX, REG_RSI, REG_RDI, REG_RBP, REG_RSP, REG_R8,
                                 REG_R9, REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
            for (int i = 0; i < dwarfRegisterCount; ++i)
                dwarf[i] = Dwarf_Word(g[order[i]]);
            return true;
        }
        user_regs_struct r{};
        if (ptrace(PTRACE_GETREGS, tid, nullptr, &r) != 0)
            return false;
        const unsigned long long values[] = {r.rax, r.rdx, r.rcx, r.rbx, r.rsi, r.rdi, r.rbp, r.rsp, r.r8,
                                             r.r9, r.r10, r.r11, r.r12, r.r13, r.r14, r.r15, r.rip};
        for (int i = 0; i < dwarfRegisterCount; ++i)
            dwarf[i] = Dwarf_Word(values[i]);
        return true;
#else
        (void)tid;
        (void)dwarf;
        return false;
#endif
    }

    QVector<Register> faultingRegisters(pid_t tid) const
    {
        QVector<Register> registers;
#if defined(__x86_64__)
        const crash::FaultRecord &record = snapshot.record;
        if (record.kind == crash::FaultKind::Signal && record.contextSize >= sizeof(gregset_t)) {
            gregset_t g;
            std::memcpy(&g, record.context, sizeof g);
            const std::pair<const char *, int> named[] = {
                {"rax", REG_RAX}, {"rbx", REG_RBX}, {"rcx", REG_RCX}, {"rdx", REG_RDX}, {"rsi", REG_RSI},
                {"rdi", REG_RDI}, {"rbp", REG_RBP}, {"rsp", REG_RSP}, {"r8", REG_R8}, {"r9", REG_R9},
                {"r10", REG_R10}, {"r11", REG_R11}, {"r12", REG_R12}, {"r13", REG_R13}, {"r14", REG_R14},
                {"r15", REG_R15}, {"rip", REG_RIP}, {"eflags", REG_EFL}, {"err", REG_ERR}, {"trapno", REG_TRAPNO},
                {"cr2", REG_CR2}};
            for (const auto &[name, index] : named)
                registers.push_back({QLatin1String(name), quint64(g[index])});
            return registers;
        }
        user_regs_struct r{};
        if (ptrace(PTRACE_GETREGS, tid, nullptr, &r) != 0)
            return registers;
        const std::pair<const char *, unsigned long long> named[] = {
            {"rax", r.rax}, {"rbx", r.rbx}, {"rcx", r.rcx}, {"rdx", r.rdx}, {"rsi", r.rsi}, {"rdi", r.rdi},
            {"rbp", r.rbp}, {"rsp", r.rsp}, {"r8", r.r8}, {"r9", r.r9}, {"r10", r.r10}, {"r11", r.r11},
            {"r12", r.r12}, {"r13", r.r13}, {"r14", r.r14}, {"r15", r.r15}, {"rip", r.rip},
            {"eflags", r.eflags}, {"fs_base", r.fs_base}};
        for (const auto &[name, value] : named)
            registers.push_back({QLatin1String(name), quint64(value)});
#else
        (void)tid;
#endif
        return registers;
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
        Dwarf_Word registers[dwarfRegisterCount];
        if (!static_cast<Private *>(self)->initialRegisters(dwfl_thread_tid(thread), registers))
            return false;
        return dwfl_thread_state_registers(thread, 0, dwarfRegisterCount, registers);
    }

    bool openDwfl()
    {
        static char *debuginfoPath = nullptr;
        static const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr,
                                                 &debuginfoPath};
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

    struct Unwinding {
        Private *d;
        ThreadStack *stack;
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
        return u->stack->frames.size() >= maxFrames ? DWARF_CB_ABORT : DWARF_CB_OK;
    }

    static int onModule(Dwfl_Module *module, void **, const char *name, Dwarf_Addr start, void *arg)
    {
        auto *modules = static_cast<QVector<Module> *>(arg);
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

CrashedProcess::CrashedProcess(qint64 pid, quint64 recordAddress) : d(std::make_unique<Private>())
{
    d->pid = pid_t(pid);
    d->snapshot.pid = pid;
    d->snapshot.executable = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    d->hold();
    if (d->held.empty())
        d->snapshot.problems << QStringLiteral("the process could not be stopped for inspection");
    d->memory = open(QStringLiteral("/proc/%1/mem").arg(pid).toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    crash::FaultRecord &record = d->snapshot.record;
    acceptFaultRecord(d->snapshot, d->read(recordAddress, &record, sizeof record));
}

CrashedProcess::~CrashedProcess()
{
    if (!d->ended)
        release();
    if (d->dwfl)
        dwfl_end(d->dwfl);
    if (d->memory >= 0)
        close(d->memory);
}

Snapshot CrashedProcess::snapshot()
{
    Snapshot &s = d->snapshot;
    const crash::FaultRecord &record = s.record;
    s.faultingThread = s.recordRead ? record.threadId : 0;
    s.fault = s.recordRead ? faultDescription(record, qint64(d->pid))
                           : QStringLiteral("unknown (the fault record could not be read)");
    if (s.recordRead)
        s.registers = d->faultingRegisters(pid_t(record.threadId));

    if (d->openDwfl()) {
        // The faulting thread first, then the others in the order of their ids.
        std::vector<pid_t> order = d->held;
        std::stable_partition(order.begin(), order.end(), [&](pid_t tid) { return quint64(tid) == s.faultingThread; });
        for (const pid_t tid : order) {
            ThreadStack stack;
            stack.id = quint64(tid);
            stack.name = readLine(QStringLiteral("/proc/%1/task/%2/comm").arg(d->pid).arg(tid));
            stack.faulting = quint64(tid) == s.faultingThread;
            Private::Unwinding unwinding{d.get(), &stack};
            if (dwfl_getthread_frames(d->dwfl, tid, Private::onFrame, &unwinding) != 0 && stack.frames.size() < maxFrames
                && dwfl_errno() != 0)
                stack.problem = QString::fromUtf8(dwfl_errmsg(-1));
            s.threads.push_back(stack);
        }
        dwfl_getmodules(d->dwfl, Private::onModule, &s.modules, 0);
    }
    s.processes = runningProcesses();
    s.system = systemFacts();
    return s;
}

void CrashedProcess::end()
{
    if (d->ended)
        return;
    d->ended = true;
    kill(d->pid, SIGKILL);
    // Each held thread reports its end to us; the leader's comes only after all the others'.
    for (const pid_t tid : d->held) {
        int status = 0;
        if (tid != d->pid)
            waitpid(tid, &status, __WALL);
    }
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (waitpid(d->pid, &status, __WALL | WNOHANG) != 0)
            break;
        QThread::msleep(10);
    }
    // The process is gone once it is a zombie for its parent to collect, or collected.
    for (int i = 0; i < 300; ++i) {
        const QString stat = readLine(QStringLiteral("/proc/%1/stat").arg(d->pid));
        const int close = stat.lastIndexOf(QLatin1Char(')'));
        if (stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == QLatin1String("Z")))
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

QVector<RunningProcess> runningProcesses()
{
    QVector<RunningProcess> processes;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number)
            processes.push_back({quint64(pid), processName(pid)});
    }
    std::sort(processes.begin(), processes.end(), [](const RunningProcess &a, const RunningProcess &b) { return a.id < b.id; });
    return processes;
}

SystemFacts systemFacts()
{
    SystemFacts facts;
    QString pretty;
    for (const QString &line : linesOf(QStringLiteral("/etc/os-release")))
        if (line.startsWith(QLatin1String("PRETTY_NAME=")))
            pretty = line.mid(12).remove(QLatin1Char('"')).trimmed();
    utsname names{};
    uname(&names);
    facts.os = QStringLiteral("%1; %2 %3 %4").arg(pretty.isEmpty() ? QStringLiteral("unknown distribution") : pretty,
                                                 QString::fromLocal8Bit(names.sysname), QString::fromLocal8Bit(names.release),
                                                 QString::fromLocal8Bit(names.machine));
    for (const QString &line : linesOf(QStringLiteral("/proc/cpuinfo")))
        if (facts.cpu.isEmpty() && line.startsWith(QLatin1String("model name")))
            facts.cpu = line.section(QLatin1Char(':'), 1).trimmed();
    facts.cpuCount = int(sysconf(_SC_NPROCESSORS_ONLN));
    for (const QString &line : linesOf(QStringLiteral("/proc/meminfo"))) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() >= 2 && fields[0] == QLatin1String("MemTotal:"))
            facts.memoryTotal = fields[1].toULongLong() * 1024;
        if (fields.size() >= 2 && fields[0] == QLatin1String("MemAvailable:"))
            facts.memoryFree = fields[1].toULongLong() * 1024;
    }
    return facts;
}

} // namespace reporter
