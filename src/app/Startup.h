#pragma once
// The program's start-up sequence; returns when the main window has closed.
int runVartolin(int &argc, char **argv);

// Title, names and font substitutions of the application object (also used by tests and tools).
void configureApplication();
