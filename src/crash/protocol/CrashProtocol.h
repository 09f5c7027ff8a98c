#pragma once
// What the game and its crash reporter say to each other, in one place, with one version.
//
// The reporter acts on its command line alone: the game builds it at start-up, when nothing has
// gone wrong yet (which process, where its fault record lies, where the report goes, how the game
// starts afresh, which window is the game's). The fault record, in the failing game's memory, holds
// only facts about the fault; the reporter reads it from outside and checks every field, since the
// process that wrote it was failing.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace crash {

inline constexpr std::uint32_t protocolVersion = 2;

enum class FaultKind : std::uint32_t {
    None = 0,
    Signal = 1,           // POSIX: a fatal signal
    WindowsException = 2, // Windows: an unhandled structured exception
    RuntimeEnding = 3,    // the C run-time ends the program: abort, invalid parameter, ...
    CppError = 4,         // a C++ error that escaped an event handler; the program goes on
};

inline constexpr char faultRecordMagic[8] = {'V', 'R', 'T', 'F', 'A', 'U', 'L', 'T'};

// The exception code the game gives to a C run-time ending on Windows (customer bit set).
inline constexpr std::uint32_t runtimeEndingCode = 0xE0564152u;

struct FaultRecord {
    char magic[8];
    std::uint32_t version;          // protocolVersion
    std::uint32_t size;             // sizeof(FaultRecord)
    FaultKind kind;
    std::int32_t signal;            // POSIX signal number
    std::int32_t signalCode;        // its si_code
    std::int32_t senderPid;         // a signal sent by a process: its id
    std::uint32_t exceptionCode;    // Windows exception code
    std::uint32_t contextSize;      // bytes of `context` in use
    std::uint64_t faultAddress;     // the address the fault concerns (si_addr, ExceptionAddress)
    std::uint64_t threadId;         // the thread it happened on
    std::uint64_t exceptionPointers; // Windows: EXCEPTION_POINTERS * in the failing process
    // POSIX: the general registers of the signal's machine context (mcontext_t, up to this size).
    alignas(16) unsigned char context[1024];
    char errorText[1024];           // UTF-8, ended by a '\0': a C++ error's text or the run-time's reason
};

// The reporter's exit statuses.
enum class ReporterExit : int {
    Reported = 0,        // the report is in the file (and, gathering, in the hand-over file)
    Usage = 2,           // a command line the game never gives
    ReportNotAdded = 3,  // gathered and handed over, but the file could not take it
    CannotInspect = 4,   // the game could not be looked into: it writes its own short report
    OutOfTime = 5,       // gathering overran its deadline and was given up
};

// What the reporter is told. A fatal fault: it holds the game, reports, shows the box and ends the
// game. Gathering (a C++ error): it holds the game only while it reads it, lets it go, and hands
// the report over in a file the game created; the game shows the box.
struct ReporterCommand {
    qint64 pid = 0;
    std::uint64_t recordAddress = 0;
    QString reportPath;        // bugreport.txt
    QStringList restart;       // program and arguments that start the game afresh; may be empty
    std::uint64_t window = 0;  // the game's main window (X11 window id or HWND); 0: none yet
    bool gather = false;
    QString handOverPath;      // gathering: the file the report goes to for the game

    QStringList toArguments() const;
    // Nullopt, with the reason, for anything the game would not have written.
    static std::optional<ReporterCommand> fromArguments(const QStringList &arguments, QString *problem);
};

} // namespace crash
