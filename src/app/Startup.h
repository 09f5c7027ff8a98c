#pragma once
#include <functional>

class TfrmMain;

// The program's start-up sequence; returns when the main window has closed. `shown` runs once the
// main window has been shown, before the message loop starts (the benchmark watches the first
// paint through it).
int runVartolin(int &argc, char **argv, const std::function<void(TfrmMain &)> &shown = {});

// Title, names and font substitutions of the application object (also used by tests and tools).
void configureApplication();

// Crash reporting, installed first of all: the fault handlers, and the error handler as where the
// controls send an error that escapes their handlers.
void installErrorReporting();
