// Fatal signals on Linux and other POSIX systems. The handler runs in a process whose heap and
// locks may be broken, on any thread, possibly on a stack that has just overflowed: it uses only
// async-signal-safe system calls on memory prepared at start-up, forks without the C library's
// fork handlers (which take the allocator's locks), runs the reporter and waits, for a bounded
// time, to be taken over and ended by it.

#include "FaultHandler.h"
#include "FaultHandlerPlatform.h"
#include "ShortReport.h"
#include "crash/box/PrivateAppend.h"
#include "crash/box/ReportFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <new>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char **environ;

namespace crash {

namespace {

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// How long the reporter has to stop this process. Once it has, this thread runs again only if the
// reporter died, and then writes the short report.
constexpr int takeOverSeconds = 15;

// The reporter's path and arguments, ready for execve: two slots, so that the command line can be
// prepared again (the window's id) while a fault on another thread may be reading the other one.
struct Launch {
    char text[8192];
    char *argv[128];
};
Launch g_launches[2];
std::atomic<Launch *> g_launch{nullptr};

char g_shortReportPath[4096];
constexpr std::size_t alternateStackSize = 64 * 1024;
alignas(16) char g_mainAlternateStack[alternateStackSize];

long threadId()
{
#ifdef SYS_gettid
    return long(syscall(SYS_gettid));
#else
    return long(getpid());
#endif
}

const char *signalName(int signal)
{
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void writeShortReport(int signal, const siginfo_t *info, const char *why)
{
    FixedText fault;
    fault.add(signalName(signal));
    fault.add(" (signal ");
    fault.addNumber(std::uint64_t(signal));
    fault.add(") at address ");
    fault.addHex(std::uint64_t(uintptr_t(info->si_addr)));
    fault.buffer[std::min(fault.length, sizeof fault.buffer - 1)] = '\0';
    FixedText report;
    formatShortReport(report, std::int64_t(time(nullptr)), fault.buffer, why);
    platformAppendShortReport(report.buffer, report.length);
}

[[noreturn]] void dieBy(int signal)
{
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
#ifdef SYS_tgkill
    syscall(SYS_tgkill, getpid(), threadId(), signal);
#else
    raise(signal);
#endif
    _exit(128 + signal); // a handled signal that is ignored after all
}

pid_t forkWithoutHandlers()
{
#if defined(__linux__) && defined(SYS_clone)
    return pid_t(syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr));
#else
    return fork();
#endif
}

std::int64_t monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec);
}

// Waits for the reporter to end. It stops this process while it works and ends it after the box;
// this loop runs on only while the reporter has not taken over, or after it died.
const char *waitForReporter(pid_t child)
{
    const std::int64_t deadline = monotonicSeconds() + takeOverSeconds;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return "The crash reporter ended before it finished; only this much is known.";
        if (monotonicSeconds() > deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return "The crash reporter did not take over in time; only this much is known.";
        }
        platformNap();
    }
}

void onFatalSignal(int signal, siginfo_t *info, void *context)
{
    const long self = threadId();
    switch (enterFatalReport(std::uint64_t(self))) {
    case FatalEntry::Report:
        break;
    case FatalEntry::FaultWhileReporting:
        dieBy(signal);
    case FatalEntry::AlreadyReported:
        for (;;) // another thread reports; the reporter, or that thread, ends the whole process
            pause();
    }

    FaultRecord &record = faultRecord();
    record.kind = FaultKind::Signal;
    record.signal = signal;
    record.signalCode = info->si_code;
    record.senderPid = info->si_code <= 0 ? info->si_pid : 0; // SI_USER, SI_QUEUE, SI_TKILL: sent
    record.faultAddress = std::uint64_t(uintptr_t(info->si_addr));
    record.threadId = std::uint64_t(self);
    const auto *machine = &static_cast<const ucontext_t *>(context)->uc_mcontext;
    record.contextSize = std::uint32_t(std::min(sizeof *machine, sizeof record.context));
    std::memcpy(record.context, machine, record.contextSize);

    const char *why = "The crash reporter could not be started; only this much is known.";
    if (Launch *launch = g_launch.load()) {
        allowReporterToInspect();
        const pid_t child = forkWithoutHandlers();
        if (child == 0) {
            sigset_t none; // the reporter starts with no signal blocked, as any program does
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execve(launch->argv[0], launch->argv, environ);
            _exit(127);
        }
        if (child > 0)
            why = waitForReporter(child);
    }
    writeShortReport(signal, info, why);
    dieBy(signal);
}

// --- an alternate signal stack on every thread ---------------------------------------------------
// A stack overflow leaves no room to run the handler: each thread gets a stack of its own for it.
// Threads are started by the toolkit and the C++ library as well as by the game, so thread creation
// itself is wrapped.

struct AlternateStack {
    void *memory = nullptr;
    AlternateStack()
    {
        memory = mmap(nullptr, alternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            memory = nullptr;
            return;
        }
        stack_t alternate{};
        alternate.ss_sp = memory;
        alternate.ss_size = alternateStackSize;
        sigaltstack(&alternate, nullptr);
    }
    ~AlternateStack()
    {
        if (!memory)
            return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        munmap(memory, alternateStackSize);
    }
    AlternateStack(const AlternateStack &) = delete;
    AlternateStack &operator=(const AlternateStack &) = delete;
};

struct ThreadStart {
    void *(*routine)(void *);
    void *argument;
};

void *startWithAlternateStack(void *start)
{
    const ThreadStart what = *static_cast<ThreadStart *>(start);
    delete static_cast<ThreadStart *>(start);
    const AlternateStack stack; // taken down when the thread returns or exits (an unwind)
    return what.routine(what.argument);
}

} // namespace

void platformNap()
{
    timespec pause{0, 20 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

void platformAppendShortReport(const char *text, std::size_t length)
{
    if (g_shortReportPath[0] != '\0')
        appendPrivately(g_shortReportPath, text, length);
}

void platformSetShortReportPath(const QString &path)
{
    const QByteArray bytes = nativePathBytes(QFileInfo(path).absoluteFilePath());
    if (path.isEmpty() || std::size_t(bytes.size()) >= sizeof g_shortReportPath) {
        g_shortReportPath[0] = '\0';
        return;
    }
    std::memcpy(g_shortReportPath, bytes.constData(), std::size_t(bytes.size()) + 1);
}

std::uint64_t currentThreadId()
{
    return std::uint64_t(threadId());
}

void allowReporterToInspect()
{
#if defined(__linux__) && defined(PR_SET_PTRACER)
    // Yama may let a process trace only its descendants: naming this process as the permitted tracer
    // admits exactly its own children, the reporter among them.
    prctl(PR_SET_PTRACER, getpid(), 0, 0, 0);
#endif
}

QString platformExecutablePath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

void platformPrepareLaunch(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty()) {
        g_launch = nullptr;
        return;
    }
    Launch *slot = g_launch.load() == &g_launches[0] ? &g_launches[1] : &g_launches[0];
    std::size_t used = 0;
    std::size_t count = 0;
    for (const QString &part : QStringList{program} + arguments) {
        const QByteArray bytes = QFile::encodeName(part);
        if (used + std::size_t(bytes.size()) + 1 > sizeof slot->text || count + 1 >= std::size(slot->argv)) {
            g_launch = nullptr; // cut short, it would say something else: none at all
            return;
        }
        std::memcpy(slot->text + used, bytes.constData(), std::size_t(bytes.size()) + 1);
        slot->argv[count++] = slot->text + used;
        used += std::size_t(bytes.size()) + 1;
    }
    slot->argv[count] = nullptr;
    g_launch = slot;
}

bool platformInstallHandlers()
{
    // The main thread's stack may be what overflowed: the handler runs on a stack of its own.
    stack_t alternate{};
    alternate.ss_sp = g_mainAlternateStack;
    alternate.ss_size = sizeof g_mainAlternateStack;
    if (sigaltstack(&alternate, nullptr) != 0)
        return false;
    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : fatalSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : fatalSignals)
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    return true;
}

} // namespace crash

#ifndef VARTOLIN_SANITIZE // the sanitizers wrap thread creation themselves
extern "C" int pthread_create(pthread_t *thread, const pthread_attr_t *attributes, void *(*routine)(void *),
                              void *argument)
{
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const Create create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (!create)
        return EAGAIN;
    auto *start = new (std::nothrow) crash::ThreadStart{routine, argument};
    if (!start)
        return EAGAIN;
    const int result = create(thread, attributes, crash::startWithAlternateStack, start);
    if (result != 0)
        delete start;
    return result;
}
#endif
