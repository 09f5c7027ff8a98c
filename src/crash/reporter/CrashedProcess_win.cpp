// The failing process on Windows: its threads are suspended while the report is gathered, its
// memory read with ReadProcessMemory, its stacks walked by DbgHelp (the faulting thread from the
// exception's own context), and its modules and the machine's processes listed by Toolhelp.

#include "CrashedProcess.h"
#include "ReportText.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <dbghelp.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstring>
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

// A module's exported functions by address: the names a DLL itself gives when DbgHelp has none.
struct Exports {
    std::vector<std::pair<DWORD, QString>> byAddress; // relative address, name; sorted
};

} // namespace

struct CrashedProcess::Private {
    DWORD pid = 0;
    HANDLE process = nullptr;
    std::vector<std::pair<DWORD, HANDLE>> threads; // suspended
    bool ended = false;
    Snapshot snapshot;
    EXCEPTION_RECORD exception{};
    CONTEXT faultContext{};
    bool haveFaultContext = false;
    std::map<quint64, QString> moduleNames; // base -> file name
    std::map<quint64, Exports> exports;     // base -> its exports, read when first needed

    const Exports &exportsOf(quint64 base)
    {
        const auto known = exports.find(base);
        if (known != exports.end())
            return known->second;
        Exports &found = exports[base];
        IMAGE_DOS_HEADER dos{};
        IMAGE_NT_HEADERS64 nt{};
        if (!read(base, &dos, sizeof dos) || !read(base + dos.e_lfanew, &nt, sizeof nt))
            return found;
        const IMAGE_DATA_DIRECTORY where = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        if (where.Size < sizeof(IMAGE_EXPORT_DIRECTORY) || where.Size > 64 * 1024 * 1024)
            return found;
        // The directory with its tables and names, read in one piece.
        QByteArray table(int(where.Size), '\0');
        if (!read(base + where.VirtualAddress, table.data(), std::size_t(table.size())))
            return found;
        const auto at = [&](DWORD rva, std::size_t size) -> const char * {
            return rva >= where.VirtualAddress && rva - where.VirtualAddress + size <= std::size_t(table.size())
                       ? table.constData() + (rva - where.VirtualAddress) : nullptr;
        };
        const auto *directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(table.constData());
        const auto *functions = reinterpret_cast<const DWORD *>(at(directory->AddressOfFunctions, 4 * directory->NumberOfFunctions));
        const auto *names = reinterpret_cast<const DWORD *>(at(directory->AddressOfNames, 4 * directory->NumberOfNames));
        const auto *ordinals = reinterpret_cast<const WORD *>(at(directory->AddressOfNameOrdinals, 2 * directory->NumberOfNames));
        if (!functions || !names || !ordinals)
            return found;
        const char *tableEnd = table.constData() + table.size();
        for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
            const char *name = at(names[i], 1);
            if (name && ordinals[i] < directory->NumberOfFunctions && std::memchr(name, '\0', std::size_t(tableEnd - name)))
                found.byAddress.push_back({functions[ordinals[i]], demangled(name)});
        }
        std::sort(found.byAddress.begin(), found.byAddress.end());
        return found;
    }

    // The exported function that holds `address`: the nearest one at or below it.
    QString exportedFunction(quint64 base, quint64 address, quint64 pc)
    {
        const Exports &list = exportsOf(base);
        const DWORD rva = DWORD(address - base);
        auto next = std::upper_bound(list.byAddress.begin(), list.byAddress.end(), rva,
                                     [](DWORD value, const auto &entry) { return value < entry.first; });
        if (next == list.byAddress.begin())
            return {};
        --next;
        return next->second + QStringLiteral("+") + hexNumber(pc - base - next->first);
    }

    bool read(quint64 address, void *into, std::size_t size) const
    {
        SIZE_T got = 0;
        return address && ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), into, size, &got) && got == size;
    }

    void suspendThreads()
    {
        const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (list == INVALID_HANDLE_VALUE)
            return;
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(list, &entry); more; more = Thread32Next(list, &entry)) {
            if (entry.th32OwnerProcessID != pid)
                continue;
            const HANDLE thread = OpenThread(THREAD_ALL_ACCESS, FALSE, entry.th32ThreadID);
            if (!thread)
                continue;
            SuspendThread(thread);
            threads.push_back({entry.th32ThreadID, thread});
        }
        CloseHandle(list);
    }

    bool isFatal() const
    {
        return snapshot.recordRead && snapshot.record.kind != crash::FaultKind::CppError;
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

    bool contextOf(DWORD tid, HANDLE thread, CONTEXT &context) const
    {
        if (haveFaultContext && quint64(tid) == snapshot.faultingThread) {
            context = faultContext;
            return true;
        }
        context = CONTEXT{};
        context.ContextFlags = CONTEXT_FULL;
        return GetThreadContext(thread, &context);
    }

    QVector<Register> registersOf(const CONTEXT &c) const
    {
        const std::pair<const char *, DWORD64> named[] = {
            {"rax", c.Rax}, {"rbx", c.Rbx}, {"rcx", c.Rcx}, {"rdx", c.Rdx}, {"rsi", c.Rsi}, {"rdi", c.Rdi},
            {"rbp", c.Rbp}, {"rsp", c.Rsp}, {"r8", c.R8}, {"r9", c.R9}, {"r10", c.R10}, {"r11", c.R11},
            {"r12", c.R12}, {"r13", c.R13}, {"r14", c.R14}, {"r15", c.R15}, {"rip", c.Rip}, {"eflags", c.EFlags}};
        QVector<Register> registers;
        for (const auto &[name, value] : named)
            registers.push_back({QLatin1String(name), quint64(value)});
        return registers;
    }

    ThreadStack walk(DWORD tid, HANDLE thread)
    {
        ThreadStack stack;
        stack.id = tid;
        stack.name = threadName(thread);
        stack.faulting = quint64(tid) == snapshot.faultingThread;
        CONTEXT context;
        if (!contextOf(tid, thread, context)) {
            stack.problem = QStringLiteral("its registers cannot be read");
            return stack;
        }
        STACKFRAME64 frame{};
        frame.AddrPC.Offset = context.Rip;
        frame.AddrFrame.Offset = context.Rbp;
        frame.AddrStack.Offset = context.Rsp;
        frame.AddrPC.Mode = frame.AddrFrame.Mode = frame.AddrStack.Mode = AddrModeFlat;
        while (stack.frames.size() < maxFrames
               && StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, thread, &frame, &context, nullptr,
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
                entry.function = QString::fromWCharArray(symbol->Name, int(symbol->NameLen)) + QStringLiteral("+")
                                 + hexNumber(displacement + (lookup == pc ? 0 : 1));
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
        IMAGE_DOS_HEADER dos{};
        IMAGE_NT_HEADERS64 nt{};
        if (!read(base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !read(base + dos.e_lfanew, &nt, sizeof nt))
            return QStringLiteral("unreadable header");
        QString identity = QStringLiteral("time stamp %1").arg(nt.FileHeader.TimeDateStamp, 8, 16, QLatin1Char('0'));
        // The CodeView record of the debug directory: the build id a linker wrote (ld --build-id).
        const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG];
        for (DWORD offset = 0; offset + sizeof(IMAGE_DEBUG_DIRECTORY) <= directory.Size; offset += sizeof(IMAGE_DEBUG_DIRECTORY)) {
            IMAGE_DEBUG_DIRECTORY entry{};
            if (!read(base + directory.VirtualAddress + offset, &entry, sizeof entry))
                break;
            unsigned char codeView[24];
            if (entry.Type == IMAGE_DEBUG_TYPE_CODEVIEW && entry.SizeOfData >= sizeof codeView
                && read(base + entry.AddressOfRawData, codeView, sizeof codeView) && std::memcmp(codeView, "RSDS", 4) == 0)
                identity += QStringLiteral(", build id ")
                            + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(codeView + 4), 16).toHex());
        }
        return identity;
    }
};

CrashedProcess::CrashedProcess(qint64 pid, quint64 recordAddress) : d(std::make_unique<Private>())
{
    d->pid = DWORD(pid);
    d->snapshot.pid = pid;
    d->process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, d->pid);
    if (!d->process) {
        d->snapshot.problems << QStringLiteral("the process cannot be opened (error %1)").arg(GetLastError());
        return;
    }
    d->suspendThreads();
    wchar_t path[MAX_PATH * 4];
    DWORD length = DWORD(std::size(path));
    if (QueryFullProcessImageNameW(d->process, 0, path, &length))
        d->snapshot.executable = QString::fromWCharArray(path, int(length));

    crash::FaultRecord &record = d->snapshot.record;
    acceptFaultRecord(d->snapshot, d->read(recordAddress, &record, sizeof record));
    if (!d->snapshot.recordRead)
        return;
    EXCEPTION_POINTERS pointers{};
    if (record.exceptionPointers && d->read(record.exceptionPointers, &pointers, sizeof pointers)) {
        d->read(quint64(pointers.ExceptionRecord), &d->exception, sizeof d->exception);
        d->haveFaultContext = d->read(quint64(pointers.ContextRecord), &d->faultContext, sizeof d->faultContext);
    }
}

CrashedProcess::~CrashedProcess()
{
    if (!d->ended)
        release();
    if (d->process)
        CloseHandle(d->process);
}

Snapshot CrashedProcess::snapshot()
{
    Snapshot &s = d->snapshot;
    if (!d->process) {
        s.processes = runningProcesses();
        s.system = systemFacts();
        return s;
    }
    s.faultingThread = s.recordRead ? s.record.threadId : 0;
    s.fault = s.recordRead ? d->faultDescription() : QStringLiteral("unknown (the fault record could not be read)");

    const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, d->pid);
    if (modules != INVALID_HANDLE_VALUE) {
        MODULEENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32FirstW(modules, &entry); more; more = Module32NextW(modules, &entry)) {
            const quint64 base = quint64(reinterpret_cast<quintptr>(entry.modBaseAddr));
            const QString path = QString::fromWCharArray(entry.szExePath);
            s.modules.push_back({path, base, entry.modBaseSize, d->identityOf(base)});
            d->moduleNames[base] = QFileInfo(QDir::fromNativeSeparators(path)).fileName();
        }
        CloseHandle(modules);
    }

    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_NO_PROMPTS);
    if (!SymInitializeW(d->process, nullptr, TRUE))
        s.problems << QStringLiteral("the symbol handler cannot be started (error %1)").arg(GetLastError());
    std::vector<std::pair<DWORD, HANDLE>> order = d->threads;
    std::stable_partition(order.begin(), order.end(), [&](const auto &t) { return quint64(t.first) == s.faultingThread; });
    for (const auto &[tid, thread] : order) {
        if (quint64(tid) == s.faultingThread) {
            CONTEXT context;
            if (d->contextOf(tid, thread, context))
                s.registers = d->registersOf(context);
        }
        s.threads.push_back(d->walk(tid, thread));
    }
    SymCleanup(d->process);
    s.processes = runningProcesses();
    s.system = systemFacts();

    // A fatal fault's thread waits for this program in the fault handler: it runs again, so that it
    // can still write a short report should this program end unexpectedly. The others stay still.
    if (d->isFatal())
        for (const auto &[tid, thread] : d->threads)
            if (quint64(tid) == s.faultingThread)
                ResumeThread(thread);
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
    for (const auto &[tid, thread] : d->threads)
        CloseHandle(thread);
    d->threads.clear();
}

void CrashedProcess::release()
{
    for (const auto &[tid, thread] : d->threads) {
        if (!(d->isFatal() && quint64(tid) == d->snapshot.faultingThread))
            ResumeThread(thread);
        CloseHandle(thread);
    }
    d->threads.clear();
}

QVector<RunningProcess> runningProcesses()
{
    QVector<RunningProcess> processes;
    const HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE)
        return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(list, &entry); more; more = Process32NextW(list, &entry))
        processes.push_back({entry.th32ProcessID, QString::fromWCharArray(entry.szExeFile)});
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
