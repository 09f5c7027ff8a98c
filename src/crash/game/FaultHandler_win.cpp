// Fatal faults on Windows: every unhandled structured exception (through the unhandled-exception
// filter; a stack overflow through a vectored handler, before the system walks the exhausted stack)
// and the C run-time's own endings (abort, an invalid parameter, a pure virtual call).
//
// The failing thread notes the fault in the record and has a launcher thread, started in advance
// with a stack of its own, start the reporter: an overflowed stack has no room for CreateProcessW,
// and a fault inside the allocator would leave it waiting for ever on the heap's lock. Then it
// waits. The reporter suspends every other thread while it works and ends the process after its
// box; it never suspends the failing thread, so that thread still runs should the reporter die,
// hang or never take over, and then writes a short report with kernel calls alone and ends. Every
// wait before the reporter holds the process is bounded.

#include "FaultHandler.h"
#include "FaultHandlerPlatform.h"
#include "ShortReport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <windows.h>
#include <winternl.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

// Not in MinGW-w64's winternl.h.
extern "C" NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PVOID apcRoutine, PVOID apcContext, PIO_STATUS_BLOCK io,
                                      PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);

namespace crash {

namespace {

// How long the launcher has to start the reporter, and the reporter to hold this process.
constexpr DWORD launchMs = 10000;
constexpr ULONGLONG takeOverMs = 15000;

// The reporter's path and command line for CreateProcessW: two slots, so that the command line can be
// prepared again (the window's id) while a fault on another thread may be reading the other one.
struct Launch {
    wchar_t program[MAX_PATH * 4];
    wchar_t commandLine[16384];
};
Launch g_launches[2];
std::atomic<const Launch *> g_launch{nullptr};
wchar_t g_commandScratch[16384]; // CreateProcessW may write into the command line it is given

// The report file as the kernel names it ("\??\C:\..."), for NtCreateFile: converted now, since the
// conversion at the time of a fault would take the heap.
wchar_t g_shortReportPath[4096 + 8];
USHORT g_shortReportPathBytes = 0;

HANDLE g_launcher = nullptr;
DWORD g_launcherId = 0;
HANDLE g_launchRequested = nullptr; // auto-reset
HANDLE g_launchDone = nullptr;      // manual reset
HANDLE volatile g_reporterProcess = nullptr;

// The exception a run-time ending is reported as: no system exception exists for it.
EXCEPTION_RECORD g_runtimeException;
CONTEXT g_runtimeContext;
EXCEPTION_POINTERS g_runtimePointers;

// In static memory: an overflowed stack has a few kilobytes left.
FixedText g_faultText;
FixedText g_shortReport;

std::int64_t unixSeconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime; // 100 ns since 1601
    return std::int64_t(ticks / 10000000u) - 11644473600;
}

void writeShortReport(const FaultRecord &record, const char *why)
{
    g_faultText.length = 0;
    if (record.kind == FaultKind::RuntimeEnding) {
        g_faultText.add(record.errorText, strnlen(record.errorText, sizeof record.errorText));
    } else {
        g_faultText.add("exception ");
        g_faultText.addHex(record.exceptionCode);
        g_faultText.add(" at address ");
        g_faultText.addHex(record.faultAddress);
    }
    g_faultText.buffer[std::min(g_faultText.length, sizeof g_faultText.buffer - 1)] = '\0';
    g_shortReport.length = 0;
    formatShortReport(g_shortReport, unixSeconds(), g_faultText.buffer, why);
    platformAppendShortReport(g_shortReport.buffer, g_shortReport.length);
}

HANDLE startReporter()
{
    const Launch *launch = g_launch.load();
    if (!launch)
        return nullptr;
    std::wmemcpy(g_commandScratch, launch->commandLine, std::size(g_commandScratch));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(launch->program, g_commandScratch, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return nullptr;
    CloseHandle(started.hThread);
    return started.hProcess;
}

DWORD WINAPI launchOnRequest(void *)
{
    for (;;) {
        WaitForSingleObject(g_launchRequested, INFINITE);
        g_reporterProcess = startReporter();
        SetEvent(g_launchDone);
    }
}

bool onLauncher()
{
    return g_launcher && GetCurrentThreadId() == g_launcherId;
}

// The reporter's process, started by the launcher within launchMs (or here, on the launcher itself).
HANDLE launchReporter(const char *&why)
{
    if (!g_launch.load())
        return nullptr;
    if (!g_launcher || onLauncher())
        return startReporter();
    SetEvent(g_launchRequested);
    if (WaitForSingleObject(g_launchDone, launchMs) != WAIT_OBJECT_0) {
        why = "The crash reporter could not be started in time; only this much is known.";
        return nullptr;
    }
    return g_reporterProcess;
}

// Whether the reporter holds this process: it suspends every thread but the failing one, the
// launcher among them.
bool reporterHolds()
{
    const DWORD before = SuspendThread(g_launcher);
    if (before == DWORD(-1))
        return false;
    ResumeThread(g_launcher);
    return before > 0;
}

// Waits for the reporter to end; it ends this process after its box, so this returns only when it
// did not take over in time, or died.
const char *waitForReporter(HANDLE reporter)
{
    const ULONGLONG deadline = GetTickCount64() + takeOverMs;
    bool held = !g_launcher || onLauncher(); // nothing to tell by: its own watchdog bounds it
    for (;;) {
        if (WaitForSingleObject(reporter, held ? INFINITE : 50) == WAIT_OBJECT_0)
            return "The crash reporter ended before it finished; only this much is known.";
        held = reporterHolds();
        if (!held && GetTickCount64() > deadline) {
            TerminateProcess(reporter, ERROR_TIMEOUT);
            WaitForSingleObject(reporter, 5000);
            return "The crash reporter did not take over in time; only this much is known.";
        }
    }
}

[[noreturn]] void endProcess(DWORD code)
{
    TerminateProcess(GetCurrentProcess(), code);
    for (;;)
        Sleep(INFINITE);
}

[[noreturn]] void reportAndEnd(EXCEPTION_POINTERS *pointers, FaultKind kind)
{
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    const DWORD self = GetCurrentThreadId();
    switch (enterFatalReport(self)) {
    case FatalEntry::Report:
        break;
    case FatalEntry::FaultWhileReporting:
        endProcess(code);
    case FatalEntry::AlreadyReported:
        if (onLauncher()) { // it failed while starting the reporter: the failing thread need not wait
            g_reporterProcess = nullptr;
            SetEvent(g_launchDone);
        }
        for (;;) // the reporter, or the thread that reports, ends the process
            Sleep(INFINITE);
    }

    FaultRecord &record = faultRecord();
    record.kind = kind;
    record.exceptionCode = code;
    record.faultAddress = reinterpret_cast<std::uint64_t>(pointers->ExceptionRecord->ExceptionAddress);
    record.threadId = self;
    record.exceptionPointers = reinterpret_cast<std::uint64_t>(pointers);

    const char *why = "The crash reporter could not be started; only this much is known.";
    if (const HANDLE reporter = launchReporter(why))
        why = waitForReporter(reporter);
    writeShortReport(record, why);
    endProcess(code);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *pointers)
{
    reportAndEnd(pointers, FaultKind::WindowsException);
}

LONG WINAPI onStackOverflow(EXCEPTION_POINTERS *pointers)
{
    if (pointers->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW)
        return EXCEPTION_CONTINUE_SEARCH;
    reportAndEnd(pointers, FaultKind::WindowsException);
}

[[noreturn]] void reportRuntimeEnding(const char *reason)
{
    // The reason, then what the record already holds (the uncaught C++ error that led to abort()).
    FaultRecord &record = faultRecord();
    FixedText text;
    text.add(reason);
    if (record.errorText[0] != '\0') {
        text.add(" ");
        text.add(record.errorText, strnlen(record.errorText, sizeof record.errorText));
    }
    const std::size_t length = std::min(text.length, sizeof record.errorText - 1);
    std::memcpy(record.errorText, text.buffer, length);
    record.errorText[length] = '\0';
    RtlCaptureContext(&g_runtimeContext);
    g_runtimeException = EXCEPTION_RECORD{};
    g_runtimeException.ExceptionCode = runtimeEndingCode;
    g_runtimeException.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    g_runtimeException.ExceptionAddress = reinterpret_cast<void *>(g_runtimeContext.Rip);
    g_runtimePointers = EXCEPTION_POINTERS{&g_runtimeException, &g_runtimeContext};
    reportAndEnd(&g_runtimePointers, FaultKind::RuntimeEnding);
}

void onAbortSignal(int)
{
    reportRuntimeEnding("abort() was called");
}

void onInvalidParameter(const wchar_t *, const wchar_t *, const wchar_t *, unsigned, uintptr_t)
{
    reportRuntimeEnding("a function of the C run-time was given an invalid parameter");
}

void onPureCall()
{
    reportRuntimeEnding("a pure virtual function was called");
}

// One argument for CreateProcessW's command line, quoted as the C run-time reads it back.
std::wstring quoted(const QString &argument)
{
    const std::wstring text = argument.toStdWString();
    if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos)
        return text;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// Lets every other thread of this process run again, as often as it was suspended. Only the reporter
// suspends them (a thread created suspended is resumed by its creator at once). A thread it left
// suspended may hold the heap's lock, so the threads are listed into pages of their own.
void resumeThreadsLeftSuspended()
{
    static_assert(sizeof(SYSTEM_PROCESS_INFORMATION) == 0x100 && sizeof(SYSTEM_THREAD_INFORMATION) == 0x50,
                  "the layout the system lists processes in");
    constexpr NTSTATUS lengthMismatch = NTSTATUS(0xC0000004L);
    const DWORD self = GetCurrentThreadId();
    const auto pid = ULONG_PTR(GetCurrentProcessId());
    SIZE_T size = 512 * 1024;
    for (int attempt = 0; attempt < 5; ++attempt, size *= 2) {
        auto *buffer = static_cast<unsigned char *>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!buffer)
            return;
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(SystemProcessInformation, buffer, ULONG(size), &needed);
        if (status == lengthMismatch) {
            VirtualFree(buffer, 0, MEM_RELEASE);
            continue;
        }
        for (SIZE_T offset = 0; NT_SUCCESS(status) && offset + sizeof(SYSTEM_PROCESS_INFORMATION) <= size;) {
            const auto *process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION *>(buffer + offset);
            const SIZE_T room = (size - offset - sizeof *process) / sizeof(SYSTEM_THREAD_INFORMATION);
            if (ULONG_PTR(process->UniqueProcessId) == pid) {
                const auto *threads = reinterpret_cast<const SYSTEM_THREAD_INFORMATION *>(process + 1);
                for (SIZE_T i = 0; i < std::min<SIZE_T>(process->NumberOfThreads, room); ++i) {
                    const auto tid = DWORD(ULONG_PTR(threads[i].ClientId.UniqueThread));
                    if (tid == self)
                        continue;
                    if (const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, tid)) {
                        for (int count = 0; count < MAXIMUM_SUSPEND_COUNT; ++count) {
                            const DWORD before = ResumeThread(thread);
                            if (before == DWORD(-1) || before <= 1)
                                break;
                        }
                        CloseHandle(thread);
                    }
                }
                break;
            }
            if (process->NextEntryOffset == 0)
                break;
            offset += process->NextEntryOffset;
        }
        VirtualFree(buffer, 0, MEM_RELEASE);
        return;
    }
}

} // namespace

void platformNap()
{
    Sleep(20);
}

std::uint64_t currentThreadId()
{
    return std::uint64_t(GetCurrentThreadId());
}

void allowReporterToInspect()
{
    // A program of the same user may open another's process and threads: nothing to allow.
}

QString platformExecutablePath()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    return length > 0 && length < std::size(path) ? QDir::fromNativeSeparators(QString::fromWCharArray(path, int(length)))
                                                  : QString();
}

void platformSetShortReportPath(const QString &path)
{
    g_shortReportPathBytes = 0;
    if (path.isEmpty())
        return;
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const QString kernelName = native.startsWith(QLatin1String("\\\\")) ? QStringLiteral("\\??\\UNC\\") + native.mid(2)
                                                                         : QStringLiteral("\\??\\") + native;
    if (std::size_t(kernelName.size()) >= std::size(g_shortReportPath))
        return;
    g_shortReportPath[kernelName.toWCharArray(g_shortReportPath)] = L'\0';
    g_shortReportPathBytes = USHORT(kernelName.size() * int(sizeof(wchar_t)));
}

void platformAppendShortReport(const char *text, std::size_t length)
{
    // As appendPrivately does it, in the kernel's own calls: append-only access, a link opened as
    // itself and then refused.
    if (g_shortReportPathBytes == 0 || length > MAXDWORD)
        return;
    UNICODE_STRING name{g_shortReportPathBytes, g_shortReportPathBytes, g_shortReportPath};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE file = nullptr;
    if (!NT_SUCCESS(NtCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF,
                                 FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr,
                                 0)))
        return;
    FILE_ATTRIBUTE_TAG_INFORMATION tag{};
    const bool link = NT_SUCCESS(NtQueryInformationFile(file, &io, &tag, sizeof tag, FileAttributeTagInformation))
                      && (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!link)
        NtWriteFile(file, nullptr, nullptr, nullptr, &io, const_cast<char *>(text), ULONG(length), nullptr, nullptr);
    NtClose(file);
}

void platformPrepareLaunch(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty()) {
        g_launch = nullptr;
        return;
    }
    Launch *slot = g_launch.load() == &g_launches[0] ? &g_launches[1] : &g_launches[0];
    const std::wstring path = QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath()).toStdWString();
    std::wstring line = quoted(QString::fromStdWString(path));
    for (const QString &argument : arguments)
        line += L" " + quoted(argument);
    if (path.size() + 1 > std::size(slot->program) || line.size() + 1 > std::size(slot->commandLine)) {
        g_launch = nullptr; // cut short, it would say something else: none at all
        return;
    }
    std::wmemcpy(slot->program, path.c_str(), path.size() + 1);
    std::wmemcpy(slot->commandLine, line.c_str(), line.size() + 1);
    g_launch = slot;
}

bool platformInstallHandlers()
{
    if (!g_launcher) {
        g_launchRequested = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        g_launchDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (g_launchRequested && g_launchDone)
            g_launcher = CreateThread(nullptr, 256 * 1024, launchOnRequest, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                      &g_launcherId);
        // Named in reports (Windows 10 and later).
        using SetDescription = HRESULT(WINAPI *)(HANDLE, PCWSTR);
        const auto name = reinterpret_cast<SetDescription>(
            reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
        if (g_launcher && name)
            name(g_launcher, L"crash reporter launcher");
        AddVectoredExceptionHandler(1, onStackOverflow);
    }
    SetUnhandledExceptionFilter(onUnhandledException);
    _set_invalid_parameter_handler(onInvalidParameter);
    _set_purecall_handler(onPureCall);
    std::signal(SIGABRT, onAbortSignal);
    return true;
}

bool runGatheringReporter(QProcess &process, const QString &program, const QStringList &arguments, int deadlineMs)
{
    // The reporter walks this thread's stack from here and leaves it running: this frame stays while
    // the reporter works, and what runs meanwhile runs below it.
    CONTEXT here{};
    RtlCaptureContext(&here);
    EXCEPTION_RECORD none{};
    none.ExceptionAddress = reinterpret_cast<void *>(here.Rip);
    EXCEPTION_POINTERS pointers{&none, &here};
    FaultRecord &record = faultRecord();
    record.exceptionPointers = reinterpret_cast<std::uint64_t>(&pointers);
    process.start(program, arguments);
    // While the reporter holds the other threads, one of them may hold a lock; this thread waits
    // without taking any, and lets them all go however the reporter ended.
    const HANDLE reporter = process.processId() == 0
                                ? nullptr
                                : OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, DWORD(process.processId()));
    bool inTime = false;
    if (reporter) {
        inTime = WaitForSingleObject(reporter, DWORD(deadlineMs)) == WAIT_OBJECT_0;
        if (!inTime) {
            TerminateProcess(reporter, ERROR_TIMEOUT);
            WaitForSingleObject(reporter, 5000);
        }
        CloseHandle(reporter);
        resumeThreadsLeftSuspended();
    }
    record.exceptionPointers = 0;
    return process.waitForFinished(reporter ? 5000 : deadlineMs) && (inTime || !reporter);
}

} // namespace crash
