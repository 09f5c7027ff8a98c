#pragma once
// A C++ symbol as the source writes it ("_ZN8TfrmMain..." as "TfrmMain::..."); others as they are.
// The one place that knows the compiler's name mangling: with a compiler whose run-time has no
// demangler, names stay as they are.

#include <QString>

namespace reporter {

QString demangled(const char *symbol);

} // namespace reporter
