#pragma once
// The compiler line of the About dialog, which crash reports carry too.

#include <QString>

// The number that identifies the compiler and run-time library that built the program.
double compilerVersionNumber();
// The compiler line as the dialog shows it, in the user's locale.
QString compilerVersionText();
