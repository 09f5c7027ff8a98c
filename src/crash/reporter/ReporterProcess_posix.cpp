#include "ReporterRun.h"

#include <cstdlib>

namespace reporter {

void hardenReporterProcess()
{
    // elfutils asks a debug-info server for every library on a stack when this names one (Ubuntu,
    // Fedora and Arch sessions do): slow, and it tells a third party what the family runs.
    ::unsetenv("DEBUGINFOD_URLS");
    ::unsetenv("DEBUGINFOD_PROGRESS");
}

} // namespace reporter
