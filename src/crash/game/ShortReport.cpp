#include "ShortReport.h"

#include <algorithm>
#include <cstring>

namespace crash {

namespace {

char g_compilerLine[256];

#ifdef _WIN32
constexpr const char *lineEnd = "\r\n";
#else
constexpr const char *lineEnd = "\n";
#endif

void addTwoDigits(FixedText &out, unsigned value)
{
    const char digits[2] = {char('0' + value / 10 % 10), char('0' + value % 10)};
    out.add(digits, 2);
}

} // namespace

void FixedText::add(const char *text)
{
    add(text, std::strlen(text));
}

void FixedText::add(const char *text, std::size_t count)
{
    for (std::size_t i = 0; i < count && length < sizeof buffer; ++i)
        buffer[length++] = text[i];
}

void FixedText::addNumber(std::uint64_t value)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (count > 0)
        add(&digits[--count], 1);
}

void FixedText::addHex(std::uint64_t value)
{
    char digits[16];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % 16];
        value /= 16;
    } while (value);
    add("0x");
    while (count > 0)
        add(&digits[--count], 1);
}

void prepareShortReports(const char *compilerLine)
{
    const std::size_t length = std::min(std::strlen(compilerLine), sizeof g_compilerLine - 1);
    std::memcpy(g_compilerLine, compilerLine, length);
    g_compilerLine[length] = '\0';
}

void addIsoDate(FixedText &out, std::int64_t unixSeconds)
{
    // Days to a civil date, valid for every day of the proleptic Gregorian calendar.
    std::int64_t days = unixSeconds / 86400;
    std::int64_t seconds = unixSeconds % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = unsigned(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const unsigned month = unsigned(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
    out.addNumber(std::uint64_t(year > 0 ? year : 0));
    out.add("-");
    addTwoDigits(out, month);
    out.add("-");
    addTwoDigits(out, day);
    out.add("T");
    addTwoDigits(out, unsigned(seconds / 3600));
    out.add(":");
    addTwoDigits(out, unsigned(seconds / 60 % 60));
    out.add(":");
    addTwoDigits(out, unsigned(seconds % 60));
    out.add("Z");
}

void formatShortReport(FixedText &out, std::int64_t unixSeconds, const char *fault, const char *why)
{
    out.add("==== Vartolin bug report ====");
    out.add(lineEnd);
    out.add("Date: ");
    addIsoDate(out, unixSeconds);
    out.add(lineEnd);
    out.add("Program: Vartolin");
    out.add(lineEnd);
    out.add("Version: " VARTOLIN_VERSION);
    out.add(lineEnd);
    if (g_compilerLine[0]) {
        out.add(g_compilerLine);
        out.add(lineEnd);
    }
    out.add("Fault: ");
    out.add(fault);
    out.add(lineEnd);
    out.add(why);
    out.add(lineEnd);
    out.add("==== end of report ====");
    out.add(lineEnd);
    out.add(lineEnd);
}

} // namespace crash
