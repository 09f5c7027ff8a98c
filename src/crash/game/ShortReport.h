#pragma once
// The short report the game writes itself when its reporter could not: after a fatal fault (from a
// signal handler or an exception filter, so without the heap, locks or locale), after a C++ error
// the reporter could not gather, and for an uncaught error in a build without fault handlers. One
// writer for all of them, so they agree on date, program and version with the reporter's reports.

#include <cstddef>
#include <cstdint>

namespace crash {

// Text in fixed memory; what does not fit is cut.
struct FixedText {
    char buffer[2048];
    std::size_t length = 0;
    void add(const char *text);
    void add(const char *text, std::size_t count);
    void addNumber(std::uint64_t value);
    void addHex(std::uint64_t value);
};

// Called once at start-up, while the program is sound: the compiler line of the report heading.
void prepareShortReports(const char *compilerLine);

// "==== Vartolin bug report ====", the date (UTC), program, version and compiler, "Fault: <fault>",
// "<why>", the end line, with the platform's line ends.
void formatShortReport(FixedText &out, std::int64_t unixSeconds, const char *fault, const char *why);

// The date as ISO 8601 in UTC ("2026-12-10T17:05:00Z"), computed without the C library's time zones.
void addIsoDate(FixedText &out, std::int64_t unixSeconds);

} // namespace crash
