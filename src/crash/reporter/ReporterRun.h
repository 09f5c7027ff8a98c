#pragma once
// The reporter as a whole, for its main() (and the test build's). The game starts it when
// something went wrong: for a fatal fault from its fault handler, which then waits; for a C++ error
// with --gather, while the game waits. It stops the game, gathers the report from outside within a
// deadline, appends it to bugreport.txt, and then either hands it over and lets the game go on
// (--gather), or grabs the game's picture, shows the box (send, save or show the report; restart or
// close) and ends the game.

namespace reporter {

int runReporter(int argc, char **argv);

// For tests: called once the report is gathered, while the game is still held (a test reporter
// dies there, to show what the game does when its reporter dies).
void setWhileHoldingHook(void (*hook)());

// --- ReporterProcess_posix.cpp or ReporterProcess_win.cpp ---------------------------------------

// Before anything else: nothing of the network (no debug-info server), libraries only from where
// the system keeps them.
void hardenReporterProcess();

} // namespace reporter
