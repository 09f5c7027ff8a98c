// The crash reporter program: see ReporterRun.h.

#include "ReporterRun.h"

int main(int argc, char **argv)
{
    return reporter::runReporter(argc, argv);
}
