#pragma once
// What a failing process hands to the crash reporter. It lives in the failing process's own memory
// and is filled there without allocating; the reporter, a separate program, reads it from outside
// (through ptrace or ReadProcessMemory) at the address given on its command line. Both programs
// come from one build, so they agree on the layout; the magic and the size guard against a reader
// from another one.

#include <cstdint>

namespace crash {

enum class FaultKind : std::uint32_t {
    None = 0,
    Signal = 1,           // POSIX: a fatal signal
    WindowsException = 2, // Windows: an unhandled structured exception
    RuntimeEnding = 3,    // the C run-time ends the program: abort, invalid parameter, ...
    CppError = 4,         // a C++ error that escaped an event handler; the program goes on
};

inline constexpr char faultRecordMagic[16] = "vartolin-fault1";

// The exception code the game gives to a C run-time ending on Windows (customer bit set).
inline constexpr std::uint32_t runtimeEndingCode = 0xE0564152u;

struct FaultRecord {
    char magic[16];
    std::uint32_t size; // sizeof(FaultRecord)
    FaultKind kind;
    std::int32_t signal;            // POSIX signal number
    std::int32_t signalCode;        // its si_code
    std::int32_t senderPid;         // a signal sent by a process: its id
    std::uint32_t exceptionCode;    // Windows exception code
    std::uint64_t faultAddress;     // the address the fault concerns (si_addr, ExceptionAddress)
    std::uint64_t threadId;         // the thread it happened on
    std::uint64_t exceptionPointers; // Windows: EXCEPTION_POINTERS * in the failing process
    std::uint32_t contextSize;      // bytes of `context` in use
    std::uint32_t reserved;
    // POSIX: the general registers of the signal's machine context (mcontext_t, up to this size).
    alignas(16) unsigned char context[1024];
    std::uint64_t windowId;         // the main window (X11 window id or HWND); 0 before it is shown
    std::int32_t windowGeometry[4]; // its frame: x, y, width, height in the screen's coordinates
    char errorText[1024];           // UTF-8: a C++ error's text or the run-time's reason
    char reportPath[2048];          // the bugreport.txt to append to, in the file system's encoding
    // The command that starts the game afresh: program and arguments, each ended by a '\0', the
    // list ended by an empty one.
    char restartCommand[2048];
};

} // namespace crash
