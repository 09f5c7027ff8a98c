// Fatal faults on Windows: every unhandled structured exception (through the unhandled-exception
// filter) and the C run-time's own endings (abort, an invalid parameter, a pure virtual call). The
// failing thread does no more than note the fault in the record, start the reporter and wait for
// it; the reporter ends the process.

#include "FaultHandler.h"
#include "FaultHandlerPlatform.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace crash {

namespace {

wchar_t g_reporterPath[MAX_PATH * 4];
wchar_t g_commandLine[16384]; // CreateProcessW may write into it
bool g_launchReady = false;
volatile LONG g_reportingThread = 0;

// A stack overflow leaves the thread a few kilobytes, too few to start a program: a thread started
// in advance does that for it.
HANDLE g_overflowed = nullptr;
EXCEPTION_POINTERS *volatile g_overflowPointers = nullptr;
volatile DWORD g_overflowThread = 0;

// The exception a run-time ending is reported as: no system exception exists for it.
EXCEPTION_RECORD g_runtimeException;
CONTEXT g_runtimeContext;
EXCEPTION_POINTERS g_runtimePointers;

// Appends `text` (ASCII) to `out` at `length`, staying inside the buffer.
void add(char *out, std::size_t &length, std::size_t size, const char *text)
{
    while (*text && length + 1 < size)
        out[length++] = *text++;
}

void addHex(char *out, std::size_t &length, std::size_t size, unsigned long long value)
{
    char digits[17];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % 16];
        value /= 16;
    } while (value);
    add(out, length, size, "0x");
    while (count > 0 && length + 1 < size)
        out[length++] = digits[--count];
}

// When the reporter could not do its work: a short report, with kernel calls and no allocation.
void writeShortReport(DWORD code, const void *address)
{
    const FaultRecord &record = faultRecord();
    wchar_t path[2048];
    if (record.reportPath[0] == '\0'
        || MultiByteToWideChar(CP_UTF8, 0, record.reportPath, -1, path, int(std::size(path))) == 0)
        return;
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[512];
    std::size_t length = 0;
    add(text, length, sizeof text, "==== Vartolin bug report ====\r\nProgram: Vartolin " VARTOLIN_VERSION "\r\nFault: exception ");
    addHex(text, length, sizeof text, code);
    add(text, length, sizeof text, " at address ");
    addHex(text, length, sizeof text, reinterpret_cast<unsigned long long>(address));
    add(text, length, sizeof text, "\r\nThe crash reporter could not be started or did not finish; only this much is known.\r\n"
                                   "==== end of report ====\r\n\r\n");
    DWORD written = 0;
    WriteFile(file, text, DWORD(length), &written, nullptr);
    CloseHandle(file);
}

[[noreturn]] void reportAndEnd(EXCEPTION_POINTERS *pointers, FaultKind kind, DWORD faultingThread)
{
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    const LONG self = LONG(faultingThread);
    const LONG earlier = InterlockedCompareExchange(&g_reportingThread, self, 0);
    if (earlier == self) // a fault while reporting one
        TerminateProcess(GetCurrentProcess(), code);
    if (earlier != 0) // another thread reports; the reporter ends the process
        for (;;)
            Sleep(INFINITE);

    FaultRecord &record = faultRecord();
    record.kind = kind;
    record.exceptionCode = code;
    record.faultAddress = reinterpret_cast<std::uint64_t>(pointers->ExceptionRecord->ExceptionAddress);
    record.threadId = std::uint64_t(faultingThread);
    record.exceptionPointers = reinterpret_cast<std::uint64_t>(pointers);
    if (g_launchReady) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessW(g_reporterPath, g_commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &started)) {
            WaitForSingleObject(started.hProcess, INFINITE);
            CloseHandle(started.hProcess);
            CloseHandle(started.hThread);
        }
    }
    // Still alive: the reporter did not end this process, so it did not finish its work.
    writeShortReport(code, pointers->ExceptionRecord->ExceptionAddress);
    TerminateProcess(GetCurrentProcess(), code);
    for (;;)
        Sleep(INFINITE);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS *pointers)
{
    reportAndEnd(pointers, FaultKind::WindowsException, GetCurrentThreadId());
}

// First in line for a stack overflow, before the system walks the exhausted stack for handlers.
LONG WINAPI onStackOverflow(EXCEPTION_POINTERS *pointers)
{
    if (pointers->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW || !g_overflowed)
        return EXCEPTION_CONTINUE_SEARCH;
    g_overflowPointers = pointers;
    g_overflowThread = GetCurrentThreadId();
    SetEvent(g_overflowed);
    for (;;)
        Sleep(INFINITE);
}

DWORD WINAPI reportOverflows(void *)
{
    WaitForSingleObject(g_overflowed, INFINITE);
    reportAndEnd(g_overflowPointers, FaultKind::WindowsException, g_overflowThread);
}

[[noreturn]] void reportRuntimeEnding(const char *reason)
{
    // The reason, then what the record already holds (the uncaught C++ error that led to abort()).
    FaultRecord &record = faultRecord();
    char text[sizeof record.errorText];
    std::size_t length = 0;
    add(text, length, sizeof text, reason);
    if (record.errorText[0] != '\0') {
        add(text, length, sizeof text, " ");
        add(text, length, sizeof text, record.errorText);
    }
    text[length] = '\0';
    std::memcpy(record.errorText, text, length + 1);
    RtlCaptureContext(&g_runtimeContext);
    g_runtimeException = EXCEPTION_RECORD{};
    g_runtimeException.ExceptionCode = runtimeEndingCode;
    g_runtimeException.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    g_runtimeException.ExceptionAddress = reinterpret_cast<void *>(g_runtimeContext.Rip);
    g_runtimePointers = EXCEPTION_POINTERS{&g_runtimeException, &g_runtimeContext};
    reportAndEnd(&g_runtimePointers, FaultKind::RuntimeEnding, GetCurrentThreadId());
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

} // namespace

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

QString platformFindReporter(const QString &programFolder)
{
    const QString path = QDir(programFolder).filePath(QStringLiteral("vartolin-reporter.exe"));
    return QFileInfo::exists(path) ? path : QString();
}

void platformPrepareLaunch(const QString &program, const QStringList &arguments)
{
    g_launchReady = false;
    if (program.isEmpty())
        return;
    const std::wstring path = QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath()).toStdWString();
    std::wstring line = quoted(QString::fromStdWString(path));
    for (const QString &argument : arguments)
        line += L" " + quoted(argument);
    if (path.size() + 1 > std::size(g_reporterPath) || line.size() + 1 > std::size(g_commandLine))
        return;
    std::wmemcpy(g_reporterPath, path.c_str(), path.size() + 1);
    std::wmemcpy(g_commandLine, line.c_str(), line.size() + 1);
    g_launchReady = true;
}

bool platformInstallHandlers()
{
    g_overflowed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_overflowed) {
        if (const HANDLE thread = CreateThread(nullptr, 64 * 1024, reportOverflows, nullptr, 0, nullptr)) {
            CloseHandle(thread);
            AddVectoredExceptionHandler(1, onStackOverflow);
        }
    }
    SetUnhandledExceptionFilter(onUnhandledException);
    _set_invalid_parameter_handler(onInvalidParameter);
    _set_purecall_handler(onPureCall);
    std::signal(SIGABRT, onAbortSignal);
    std::set_terminate(noteUncaughtErrorAndAbort);
    return true;
}

} // namespace crash
