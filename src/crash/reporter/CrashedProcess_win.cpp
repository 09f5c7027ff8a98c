// The failing process on Windows: its threads are suspended while the report is gathered, but for
// the one that waits for this program (the failing thread, or the thread a C++ error escaped on):
// should this program die or hang, that thread still runs and ends the game itself, or lets it go
// on. Its memory is read with ReadProcessMemory, every count read from it bounded; its stacks are
// walked by DbgHelp (the waiting thread from the context it left in its record), and its modules and
// the machine's processes listed by Toolhelp, within the deadline.

#include "CrashedProcess.h"
#include "Demangle.h"
#include "ReportText.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <dbghelp.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <map>
#include <vector>

namespace reporter {

namespace {

QString exceptionName(DWORD code)
{
    struct Named {
        DWORD code;
        const char *name;
    };
    static const Named names[] = {
        {EXCEPTION_ACCESS_VIOLATION, "EXCEPTION_ACCESS_VIOLATION"},
        {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
        {EXCEPTION_BREAKPOINT, "EXCEPTION_BREAKPOINT"},
        {EXCEPTION_DATATYPE_MISALIGNMENT, "EXCEPTION_DATATYPE_MISALIGNMENT"},
        {EXCEPTION_FLT_DIVIDE_BY_ZERO, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
        {EXCEPTION_FLT_INVALID_OPERATION, "EXCEPTION_FLT_INVALID_OPERATION"},
        {EXCEPTION_FLT_OVERFLOW, "EXCEPTION_FLT_OVERFLOW"},
        {EXCEPTION_ILLEGAL_INSTRUCTION, "EXCEPTION_ILLEGAL_INSTRUCTION"},
        {EXCEPTION_IN_PAGE_ERROR, "EXCEPTION_IN_PAGE_ERROR"},
        {EXCEPTION_INT_DIVIDE_BY_ZERO, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
        {EXCEPTION_INT_OVERFLOW, "EXCEPTION_INT_OVERFLOW"},
        {EXCEPTION_PRIV_INSTRUCTION, "EXCEPTION_PRIV_INSTRUCTION"},
        {EXCEPTION_STACK_OVERFLOW, "EXCEPTION_STACK_OVERFLOW"},
        {0xC0000409u, "STATUS_STACK_BUFFER_OVERRUN"},
        {0xC0000374u, "STATUS_HEAP_CORRUPTION"},
        {0x20474343u, "an uncaught C++ exception (GCC)"},
        {0xE06D7363u, "an uncaught C++ exception (MSVC)"},
    };
    for (const Named &entry : names)
        if (entry.code == code)
            return QLatin1String(entry.name);
    return QStringLiteral("exception");
}

QString registryText(HKEY root, const wchar_t *key, const wchar_t *value)
{
    wchar_t buffer[512];
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return {};
    return QString::fromWCharArray(buffer).trimmed();
}

QString threadName(HANDLE thread)
{
    using GetDescription = HRESULT(WINAPI *)(HANDLE, PWSTR *);
    static const auto get = reinterpret_cast<GetDescription>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    PWSTR description = nullptr;
    if (!get || FAILED(get(thread, &description)) || !description)
        return {};
    const QString name = QString::fromWCharArray(description);
    LocalFree(description);
    return name;
}

// The general registers of a CONTEXT, in the order the report shows them.
struct RegisterPlace {
    const char *name;
    std::size_t offset;
    std::size_t size;
};
#define VARTOLIN_CONTEXT_REG(name, field) {name, offsetof(CONTEXT, field), sizeof(CONTEXT::field)}
constexpr RegisterPlace registerTable[] = {
    VARTOLIN_CONTEXT_REG("rax", Rax), VARTOLIN_CONTEXT_REG("rbx", Rbx), VARTOLIN_CONTEXT_REG("rcx", Rcx),
    VARTOLIN_CONTEXT_REG("rdx", Rdx), VARTOLIN_CONTEXT_REG("rsi", Rsi), VARTOLIN_CONTEXT_REG("rdi", Rdi),
    VARTOLIN_CONTEXT_REG("rbp", Rbp), VARTOLIN_CONTEXT_REG("rsp", Rsp), VARTOLIN_CONTEXT_REG("r8", R8),
    VARTOLIN_CONTEXT_REG("r9", R9),   VARTOLIN_CONTEXT_REG("r10", R10), VARTOLIN_CONTEXT_REG("r11", R11),
    VARTOLIN_CONTEXT_REG("r12", R12), VARTOLIN_CONTEXT_REG("r13", R13), VARTOLIN_CONTEXT_REG("r14", R14),
    VARTOLIN_CONTEXT_REG("r15", R15), VARTOLIN_CONTEXT_REG("rip", Rip), VARTOLIN_CONTEXT_REG("eflags", EFlags),
};
#undef VARTOLIN_CONTEXT_REG

QVector<Register> registersOf(const CONTEXT &context)
{
    QVector<Register> registers;
    for (const RegisterPlace &place : registerTable) {
        quint64 value = 0;
        std::memcpy(&value, reinterpret_cast<const char *>(&context) + place.offset, place.size);
        registers.push_back({QLatin1String(place.name), value});
    }
    return registers;
}

// The ids of the process's threads, at most maxThreads, listed within the deadline.
QVector<quint64> threadsOf(DWORD pid, const Deadline &deadline)
{
    QVector<quint64> ids;
    const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (list == INVALID_HANDLE_VALUE)
        return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(list, &entry); more && ids.size() < maxThreads && !deadline.passed();
         more = Thread32Next(list, &entry))
        if (entry.th32OwnerProcessID == pid)
            ids.push_back(entry.th32ThreadID);
    CloseHandle(list);
    return ids;
}

// Bounds for what a module's headers, read from the failing process, may claim.
constexpr LONG maxHeaderOffset = 64 * 1024;
constexpr quint64 maxExportTable = 16 * 1024 * 1024;
constexpr quint64 maxExports = 1 << 18;
constexpr DWORD maxDebugEntries = 16;

// A module's exported functions by address: the names a DLL itself gives when DbgHelp has none.
struct Exports {
    std::vector<std::pair<DWORD, QString>> byAddress; // relative address, name; sorted
};

struct Thread {
    DWORD id = 0;
    HANDLE handle = nullptr;
    bool suspended = false; // all but the thread that waits for this program
};

} // namespace

struct CrashedProcess::Private {
    DWORD pid = 0;
    HANDLE process = nullptr;
    std::vector<Thread> threads;
    bool holding = false;
    bool ended = false;
    Snapshot snapshot;
    EXCEPTION_RECORD exception{};
    CONTEXT faultContext{};
    bool haveFaultContext = false;
    std::map<quint64, QString> moduleNames; // base -> file name
    std::map<quint64, Exports> exports;     // base -> its exports, read when first needed

    bool read(quint64 address, void *into, std::size_t size) const
    {
        SIZE_T got = 0;
        return address && process && ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), into, size, &got)
               && got == size;
    }

    // A module's PE headers, when they are what they claim to be.
    bool headersOf(quint64 base, IMAGE_NT_HEADERS64 &nt) const
    {
        IMAGE_DOS_HEADER dos{};
        return read(base, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0
               && dos.e_lfanew < maxHeaderOffset && read(base + quint64(dos.e_lfanew), &nt, sizeof nt)
               && nt.Signature == IMAGE_NT_SIGNATURE && nt.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    }

    const Exports &exportsOf(quint64 base)
    {
        const auto known = exports.find(base);
        if (known != exports.end())
            return known->second;
        Exports &found = exports[base];
        IMAGE_NT_HEADERS64 nt{};
        if (!headersOf(base, nt))
            return found;
        const IMAGE_DATA_DIRECTORY where = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        if (where.Size < sizeof(IMAGE_EXPORT_DIRECTORY) || where.Size > maxExportTable)
            return found;
        // The directory with its tables and names, read in one piece; every place in it is checked
        // in 64 bits, so that no count or address read from the process can wrap past the bounds.
        QByteArray table(int(where.Size), '\0');
        if (!read(base + where.VirtualAddress, table.data(), std::size_t(table.size())))
            return found;
        const quint64 tableSize = quint64(table.size());
        const auto at = [&](DWORD rva, quint64 size) -> const char * {
            if (rva < where.VirtualAddress)
                return nullptr;
            const quint64 offset = quint64(rva) - where.VirtualAddress;
            return offset <= tableSize && size <= tableSize - offset ? table.constData() + offset : nullptr;
        };
        IMAGE_EXPORT_DIRECTORY directory{};
        std::memcpy(&directory, table.constData(), sizeof directory);
        const quint64 functionCount = directory.NumberOfFunctions;
        const quint64 nameCount = directory.NumberOfNames;
        if (functionCount > maxExports || nameCount > maxExports)
            return found;
        const char *functions = at(directory.AddressOfFunctions, 4 * functionCount);
        const char *names = at(directory.AddressOfNames, 4 * nameCount);
        const char *ordinals = at(directory.AddressOfNameOrdinals, 2 * nameCount);
        if (!functions || !names || !ordinals)
            return found;
        const char *tableEnd = table.constData() + table.size();
        for (quint64 i = 0; i < nameCount; ++i) {
            DWORD nameAddress = 0;
            WORD ordinal = 0;
            std::memcpy(&nameAddress, names + 4 * i, sizeof nameAddress);
            std::memcpy(&ordinal, ordinals + 2 * i, sizeof ordinal);
            const char *name = at(nameAddress, 1);
            if (!name || ordinal >= functionCount || !std::memchr(name, '\0', std::size_t(tableEnd - name)))
                continue;
            DWORD function = 0;
            std::memcpy(&function, functions + 4 * quint64(ordinal), sizeof function);
            found.byAddress.push_back({function, demangled(name)});
        }
        std::sort(found.byAddress.begin(), found.byAddress.end());
        return found;
    }

    // The exported function that holds `address`: the nearest one at or below it.
    QString exportedFunction(quint64 base, quint64 address, quint64 pc)
    {
        if (address < base || address - base > MAXDWORD)
            return {};
        const Exports &list = exportsOf(base);
        const DWORD rva = DWORD(address - base);
        auto next = std::upper_bound(list.byAddress.begin(), list.byAddress.end(), rva,
                                     [](DWORD value, const auto &entry) { return value < entry.first; });
        if (next == list.byAddress.begin())
            return {};
        --next;
        return next->second + QStringLiteral("+") + hexNumber(pc - base - next->first);
    }

    bool known(DWORD tid) const
    {
        return std::any_of(threads.begin(), threads.end(), [tid](const Thread &t) { return t.id == tid; });
    }

    // Suspends every thread but `waiter`. Threads may start while the others are being suspended: go
    // round until no new one shows, within the deadline.
    void hold(DWORD waiter, const Deadline &deadline)
    {
        holding = true;
        for (int round = 0; round < 20 && !deadline.passed(); ++round) {
            bool more = false;
            for (const quint64 id : threadsOf(pid, deadline)) {
                const DWORD tid = DWORD(id);
                if (known(tid))
                    continue;
                if (threads.size() >= std::size_t(maxThreads) || deadline.passed())
                    break;
                const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION,
                                                 FALSE, tid);
                if (!thread)
                    continue; // ended meanwhile
                const bool suspend = tid != waiter;
                if (suspend && SuspendThread(thread) == DWORD(-1)) {
                    snapshot.problems << QStringLiteral("thread %1 cannot be suspended (error %2)").arg(tid).arg(GetLastError());
                    CloseHandle(thread);
                    continue;
                }
                threads.push_back({tid, thread, suspend});
                more = true;
            }
            if (!more)
                break;
        }
    }

    QString faultDescription() const
    {
        const crash::FaultRecord &record = snapshot.record;
        const QString error = QString::fromUtf8(record.errorText);
        if (record.kind == crash::FaultKind::CppError)
            return QStringLiteral("C++ error: %1").arg(error);
        if (record.kind == crash::FaultKind::RuntimeEnding)
            return QStringLiteral("%1 (the C run-time ends the program, %2)").arg(error).arg(record.exceptionCode, 8, 16, QLatin1Char('0'));
        QString text = QStringLiteral("%1 (%2) at %3").arg(exceptionName(record.exceptionCode))
                           .arg(record.exceptionCode, 8, 16, QLatin1Char('0'))
                           .arg(hexNumber(record.faultAddress));
        if ((record.exceptionCode == EXCEPTION_ACCESS_VIOLATION || record.exceptionCode == EXCEPTION_IN_PAGE_ERROR)
            && exception.NumberParameters >= 2) {
            const ULONG_PTR access = exception.ExceptionInformation[0];
            text += QStringLiteral(", %1 address %2")
                        .arg(access == 0 ? QStringLiteral("reading") : access == 8 ? QStringLiteral("executing") : QStringLiteral("writing"),
                             hexNumber(exception.ExceptionInformation[1]));
        }
        if (!error.isEmpty())
            text += QStringLiteral(", ") + error;
        return text;
    }

    // The thread's registers: the waiting thread's from the context it left, any other's from the
    // system, which gives them only for a suspended thread.
    bool contextOf(const Thread &thread, CONTEXT &context) const
    {
        if (haveFaultContext && quint64(thread.id) == snapshot.faultingThread) {
            context = faultContext;
            return true;
        }
        if (!thread.suspended)
            return false;
        context = CONTEXT{};
        context.ContextFlags = CONTEXT_FULL;
        return GetThreadContext(thread.handle, &context);
    }

    ThreadStack walk(const Thread &thread, const Deadline &deadline)
    {
        ThreadStack stack;
        stack.id = thread.id;
        stack.name = threadName(thread.handle);
        stack.faulting = quint64(thread.id) == snapshot.faultingThread;
        CONTEXT context;
        if (!contextOf(thread, context)) {
            stack.problem = thread.suspended ? QStringLiteral("its registers cannot be read")
                                             : QStringLiteral("it waits for this program and was left running");
            return stack;
        }
        STACKFRAME64 frame{};
        frame.AddrPC.Offset = context.Rip;
        frame.AddrFrame.Offset = context.Rbp;
        frame.AddrStack.Offset = context.Rsp;
        frame.AddrPC.Mode = frame.AddrFrame.Mode = frame.AddrStack.Mode = AddrModeFlat;
        while (stack.frames.size() < maxFrames && !deadline.passed()
               && StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, thread.handle, &frame, &context, nullptr,
                              SymFunctionTableAccess64, SymGetModuleBase64, nullptr)) {
            const quint64 pc = frame.AddrPC.Offset;
            if (pc == 0)
                break;
            // A return address points past its call: look the call itself up.
            const quint64 lookup = stack.frames.isEmpty() ? pc : pc - 1;
            Frame entry;
            entry.pc = pc;
            const quint64 base = SymGetModuleBase64(process, lookup);
            if (base) {
                const auto name = moduleNames.find(base);
                entry.module = name != moduleNames.end() ? name->second : QStringLiteral("?");
                entry.moduleOffset = pc - base;
            }
            alignas(SYMBOL_INFOW) char buffer[sizeof(SYMBOL_INFOW) + 512 * sizeof(wchar_t)];
            auto *symbol = reinterpret_cast<SYMBOL_INFOW *>(buffer);
            symbol->SizeOfStruct = sizeof(SYMBOL_INFOW);
            symbol->MaxNameLen = 512;
            DWORD64 displacement = 0;
            if (SymFromAddrW(process, lookup, &displacement, symbol))
                entry.function = QString::fromWCharArray(symbol->Name, int(std::min<ULONG>(symbol->NameLen, 512)))
                                 + QStringLiteral("+") + hexNumber(displacement + (lookup == pc ? 0 : 1));
            else if (base)
                entry.function = exportedFunction(base, lookup, pc);
            stack.frames.push_back(entry);
        }
        if (stack.frames.isEmpty()) { // no module holds the code address: nothing to walk from
            Frame entry;
            entry.pc = frame.AddrPC.Offset ? frame.AddrPC.Offset : context.Rip;
            stack.frames.push_back(entry);
            stack.problem = QStringLiteral("the code address lies in no module");
        }
        return stack;
    }

    QString identityOf(quint64 base) const
    {
        IMAGE_NT_HEADERS64 nt{};
        if (!headersOf(base, nt))
            return QStringLiteral("unreadable header");
        QString identity = QStringLiteral("time stamp %1").arg(nt.FileHeader.TimeDateStamp, 8, 16, QLatin1Char('0'));
        // The CodeView record of the debug directory: the build id a linker wrote (ld --build-id).
        const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG];
        const DWORD entries = std::min<DWORD>(directory.Size / sizeof(IMAGE_DEBUG_DIRECTORY), maxDebugEntries);
        for (DWORD i = 0; i < entries; ++i) {
            IMAGE_DEBUG_DIRECTORY entry{};
            if (!read(base + directory.VirtualAddress + quint64(i) * sizeof entry, &entry, sizeof entry))
                break;
            unsigned char codeView[24];
            if (entry.Type == IMAGE_DEBUG_TYPE_CODEVIEW && entry.SizeOfData >= sizeof codeView
                && read(base + entry.AddressOfRawData, codeView, sizeof codeView) && std::memcmp(codeView, "RSDS", 4) == 0)
                identity += QStringLiteral(", build id ")
                            + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(codeView + 4), 16).toHex());
        }
        return identity;
    }

    void listModules(const Deadline &deadline)
    {
        const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
        if (modules == INVALID_HANDLE_VALUE) {
            snapshot.problems << QStringLiteral("the modules cannot be listed (error %1)").arg(GetLastError());
            return;
        }
        MODULEENTRY32W entry{};
        entry.dwSize = sizeof entry;
        BOOL more = Module32FirstW(modules, &entry);
        for (; more && snapshot.modules.size() < maxModules && !deadline.passed(); more = Module32NextW(modules, &entry)) {
            const quint64 base = quint64(reinterpret_cast<quintptr>(entry.modBaseAddr));
            const QString path = QString::fromWCharArray(entry.szExePath, int(wcsnlen(entry.szExePath, MAX_PATH)));
            snapshot.modules.push_back({path, base, entry.modBaseSize, identityOf(base)});
            moduleNames[base] = QFileInfo(QDir::fromNativeSeparators(path)).fileName();
        }
        if (more)
            snapshot.problems << QStringLiteral("modules past the first %1: out of time or too many").arg(snapshot.modules.size());
        CloseHandle(modules);
    }
};

CrashedProcess::CrashedProcess(qint64 pid, quint64 recordAddress, const Deadline &deadline)
    : d(std::make_unique<Private>())
{
    d->pid = DWORD(pid);
    d->snapshot.pid = pid;
    d->process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, d->pid);
    if (!d->process) {
        d->snapshot.problems << QStringLiteral("the process cannot be opened (error %1)").arg(GetLastError());
        checkFaultRecord(d->snapshot, false, {});
        return;
    }
    wchar_t path[MAX_PATH * 4];
    DWORD length = DWORD(std::size(path));
    if (QueryFullProcessImageNameW(d->process, 0, path, &length))
        d->snapshot.executable = QString::fromWCharArray(path, int(length));

    // The record first: it names the thread that waits for this program, which is left running.
    crash::FaultRecord &record = d->snapshot.record;
    const bool read = d->read(recordAddress, &record, sizeof record);
    checkFaultRecord(d->snapshot, read, threadsOf(d->pid, deadline));
    if (d->snapshot.recordRead && record.kind == crash::FaultKind::Signal) {
        d->snapshot.problems << QStringLiteral("the fault record is damaged: a POSIX signal on Windows");
        d->snapshot.recordRead = false;
        record = crash::FaultRecord{};
    }
    // Without a thread that waits, none can be told from the rest: nothing is held, so that nothing
    // stays suspended should this program end unexpectedly.
    if (!d->snapshot.recordRead || record.threadId == 0) {
        d->snapshot.problems << QStringLiteral("the process was not stopped: its waiting thread is not known");
        return;
    }
    d->hold(DWORD(record.threadId), deadline);

    // The exception and the failing thread's registers, as the thread left them for this program.
    EXCEPTION_POINTERS pointers{};
    if (record.exceptionPointers && d->read(record.exceptionPointers, &pointers, sizeof pointers)) {
        if (record.kind != crash::FaultKind::CppError
            && (!d->read(quint64(quintptr(pointers.ExceptionRecord)), &d->exception, sizeof d->exception)
                || d->exception.ExceptionCode != record.exceptionCode
                || d->exception.NumberParameters > EXCEPTION_MAXIMUM_PARAMETERS))
            d->exception = EXCEPTION_RECORD{};
        d->haveFaultContext = d->read(quint64(quintptr(pointers.ContextRecord)), &d->faultContext, sizeof d->faultContext);
    }
    if (!d->haveFaultContext)
        d->snapshot.problems << QStringLiteral("the failing thread's registers could not be read");
}

CrashedProcess::~CrashedProcess()
{
    if (!d->ended)
        release();
    if (d->process)
        CloseHandle(d->process);
}

bool CrashedProcess::held() const
{
    return d->holding && !d->ended;
}

Snapshot CrashedProcess::snapshot(const Deadline &deadline)
{
    Snapshot &s = d->snapshot;
    s.faultingThread = s.recordRead ? s.record.threadId : 0;
    s.fault = s.recordRead ? d->faultDescription()
                           : QStringLiteral("unknown (%1)").arg(s.problems.value(0, QStringLiteral("no fault record")));
    if (d->process && d->holding) {
        d->listModules(deadline);
        // Each module's symbols when a frame first needs them, and only its public names: debug
        // information is read by scripts/symbolize, not here (Wine's DbgHelp would parse the DWARF of
        // every module on a stack, for longer than the deadline allows).
        SymSetOptions(SYMOPT_UNDNAME | SYMOPT_NO_PROMPTS | SYMOPT_FAIL_CRITICAL_ERRORS | SYMOPT_DEFERRED_LOADS
                      | SYMOPT_PUBLICS_ONLY);
        const bool symbols = SymInitializeW(d->process, nullptr, TRUE);
        if (!symbols)
            s.problems << QStringLiteral("the symbol handler cannot be started (error %1)").arg(GetLastError());
        // The faulting thread first, then the others in the order they were listed.
        std::vector<Thread> order = d->threads;
        std::stable_partition(order.begin(), order.end(), [&](const Thread &t) { return quint64(t.id) == s.faultingThread; });
        for (const Thread &thread : order) {
            if (deadline.passed()) {
                s.problems << QStringLiteral("the stacks of %1 threads: out of time").arg(order.size() - std::size_t(s.threads.size()));
                break;
            }
            if (quint64(thread.id) == s.faultingThread) {
                CONTEXT context;
                if (d->contextOf(thread, context))
                    s.registers = registersOf(context);
            }
            s.threads.push_back(d->walk(thread, deadline));
        }
        if (symbols)
            SymCleanup(d->process);
    }
    s.processes = runningProcesses(deadline, &s.problems);
    s.system = systemFacts();
    return s;
}

void CrashedProcess::end()
{
    if (d->ended || !d->process)
        return;
    d->ended = true;
    // The exit code the fault would have given: the exception's code, or 3, as abort() ends with.
    const crash::FaultRecord &record = d->snapshot.record;
    TerminateProcess(d->process, record.kind == crash::FaultKind::WindowsException ? record.exceptionCode : 3);
    WaitForSingleObject(d->process, 10000);
    for (const Thread &thread : d->threads)
        CloseHandle(thread.handle);
    d->threads.clear();
}

void CrashedProcess::release()
{
    for (const Thread &thread : d->threads) {
        if (thread.suspended)
            ResumeThread(thread.handle);
        CloseHandle(thread.handle);
    }
    d->threads.clear();
    d->holding = false;
}

QVector<RunningProcess> runningProcesses(const Deadline &deadline, QStringList *problems)
{
    QVector<RunningProcess> processes;
    const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) {
        *problems << QStringLiteral("the processes cannot be listed (error %1)").arg(GetLastError());
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    BOOL more = Process32FirstW(list, &entry);
    for (; more && processes.size() < maxProcesses && !deadline.passed(); more = Process32NextW(list, &entry))
        processes.push_back({entry.th32ProcessID, QString::fromWCharArray(entry.szExeFile, int(wcsnlen(entry.szExeFile, MAX_PATH)))});
    if (more)
        *problems << QStringLiteral("processes past the first %1: out of time or too many").arg(processes.size());
    CloseHandle(list);
    std::sort(processes.begin(), processes.end(), [](const RunningProcess &a, const RunningProcess &b) { return a.id < b.id; });
    return processes;
}

SystemFacts systemFacts()
{
    SystemFacts facts;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    using GetVersion = LONG(WINAPI *)(OSVERSIONINFOW *);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (const auto get = reinterpret_cast<GetVersion>(reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion"))))
        get(&version);
    const QString product = registryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName");
    facts.os = QStringLiteral("%1 %2.%3.%4").arg(product.isEmpty() ? QStringLiteral("Windows") : product)
                   .arg(version.dwMajorVersion).arg(version.dwMinorVersion).arg(version.dwBuildNumber);
    using WineVersion = const char *(CDECL *)();
    if (const auto wine = reinterpret_cast<WineVersion>(reinterpret_cast<void *>(GetProcAddress(ntdll, "wine_get_version"))))
        facts.os += QStringLiteral(" (Wine %1)").arg(QString::fromLatin1(wine()));
    facts.cpu = registryText(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString");
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    facts.cpuCount = int(system.dwNumberOfProcessors);
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory)) {
        facts.memoryTotal = memory.ullTotalPhys;
        facts.memoryFree = memory.ullAvailPhys;
    }
    return facts;
}

} // namespace reporter
