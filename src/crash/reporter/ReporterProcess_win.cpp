#include "ReporterRun.h"

#include <windows.h>

namespace reporter {

void hardenReporterProcess()
{
    // A library loaded by name comes from the system folder, never from the program's folder or
    // the current one (a ZIP unpacked into Downloads may hold anything).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace reporter
