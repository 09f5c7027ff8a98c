// Fatal signals on Linux and other POSIX systems. The handler runs in a process whose heap and
// locks may be broken, on any thread, possibly on a stack that has just overflowed: it uses only
// async-signal-safe system calls on memory prepared at start-up, forks without the C library's
// fork handlers (which take the allocator's locks), runs the reporter and waits to be ended by it.

#include "FaultHandler.h"
#include "FaultHandlerPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
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

// The reporter's path and arguments, ready for execve.
char g_launchText[8192];
char *g_launchArgv[64];
bool g_launchReady = false;

alignas(16) char g_alternateStack[64 * 1024];
std::atomic<long> g_reportingThread{0};

long threadId()
{
#ifdef SYS_gettid
    return long(syscall(SYS_gettid));
#else
    return long(getpid());
#endif
}

// --- a few async-signal-safe helpers ------------------------------------------------------------

struct Text {
    char buffer[512];
    std::size_t length = 0;
    void add(const char *text)
    {
        while (*text && length < sizeof buffer)
            buffer[length++] = *text++;
    }
    void addNumber(unsigned long long value, unsigned base = 10)
    {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value && count < int(sizeof digits));
        if (base == 16)
            add("0x");
        while (count > 0 && length < sizeof buffer)
            buffer[length++] = digits[--count];
    }
};

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

// When the reporter could not do its work: a short report, so that no fault goes without a trace.
void writeShortReport(int signal, const siginfo_t *info)
{
    const FaultRecord &record = faultRecord();
    if (record.reportPath[0] == '\0')
        return;
    const int file = open(record.reportPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0)
        return;
    Text text;
    text.add("==== Vartolin bug report ====\nDate: ");
    text.addNumber((unsigned long long)time(nullptr));
    text.add(" (seconds since 1970, UTC)\nProgram: Vartolin " VARTOLIN_VERSION "\nFault: ");
    text.add(signalName(signal));
    text.add(" (");
    text.addNumber((unsigned long long)signal);
    text.add(") at address ");
    text.addNumber((unsigned long long)(uintptr_t)info->si_addr, 16);
    text.add("\nThe crash reporter could not be started or did not finish; only this much is known.\n==== end of report ====\n\n");
    const ssize_t written = write(file, text.buffer, text.length);
    (void)written;
    close(file);
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

void onFatalSignal(int signal, siginfo_t *info, void *context)
{
    const long self = threadId();
    long expected = 0;
    if (!g_reportingThread.compare_exchange_strong(expected, self)) {
        if (expected == self) // a fault while reporting one: give up at once
            dieBy(signal);
        for (;;) // another thread is reporting; the reporter ends the whole process
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

    if (g_launchReady) {
        allowReporterToInspect();
        const pid_t child = forkWithoutHandlers();
        if (child == 0) {
            sigset_t none; // the reporter starts with no signal blocked, as any program does
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            execve(g_launchArgv[0], g_launchArgv, environ);
            _exit(127);
        }
        if (child > 0) {
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    // Still alive: the reporter did not end this process, so it did not finish its work.
    writeShortReport(signal, info);
    dieBy(signal);
}

} // namespace

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

QString platformFindReporter(const QString &programFolder)
{
    const QDir folder(programFolder);
    for (const QString &candidate : {QStringLiteral("vartolin-reporter"),
                                     QStringLiteral("../libexec/vartolin/vartolin-reporter")}) {
        const QString path = QDir::cleanPath(folder.filePath(candidate));
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

void platformPrepareLaunch(const QString &program, const QStringList &arguments)
{
    g_launchReady = false;
    if (program.isEmpty())
        return;
    std::size_t used = 0;
    int count = 0;
    for (const QString &part : QStringList{program} + arguments) {
        const QByteArray bytes = QFile::encodeName(part);
        if (used + std::size_t(bytes.size()) + 1 > sizeof g_launchText || count + 1 >= int(std::size(g_launchArgv)))
            return;
        std::memcpy(g_launchText + used, bytes.constData(), std::size_t(bytes.size()) + 1);
        g_launchArgv[count++] = g_launchText + used;
        used += std::size_t(bytes.size()) + 1;
    }
    g_launchArgv[count] = nullptr;
    g_launchReady = true;
}

bool platformInstallHandlers()
{
    // The main thread's stack may be what overflowed: the handler runs on a stack of its own.
    stack_t alternate{};
    alternate.ss_sp = g_alternateStack;
    alternate.ss_size = sizeof g_alternateStack;
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
    std::set_terminate(noteUncaughtErrorAndAbort);
    return true;
}

} // namespace crash
