#pragma once
// What the About dialog asks of the operating system. Each platform has its implementation in one
// file: Platform_win.cpp or Platform_posix.cpp.

#include <QByteArray>
#include <QStringView>
#include <functional>
#include <optional>

class QString;
class QWidget;

namespace platform {

// The high 32 bits of the running program's file version: the major number in the high 16 bits,
// the minor in the low 16. nullopt when it cannot be read.
std::optional<quint32> fileVersionMajorMinor();

// Asks the desktop to open an address as the user sees it. Failures are not reported.
void openAddress(QWidget *owner, const QString &address);

// Encodes one character (one code point) in the user's 8-bit code page; nullopt when that code
// page has no such character.
using CharacterEncoder = std::function<std::optional<QByteArray>(QStringView character)>;
CharacterEncoder userCodePageEncoder();

#ifdef Q_OS_WIN
// The shell's "open" call itself (ShellExecuteW, with the window handle as a plain pointer), which
// a test replaces to see exactly what reaches the system. Returns the previous one; nullptr
// restores the system's.
using ShellExecuteCall = void (*)(void *window, const wchar_t *verb, const wchar_t *file,
                                  const wchar_t *parameters, const wchar_t *directory, int show);
ShellExecuteCall setShellExecuteCall(ShellExecuteCall call);
#endif

} // namespace platform
