#pragma once
// The text of a report, from what was gathered: heading, fault, registers, threads with their
// stacks, modules, processes, and the machine. No environment and no file contents: a parent may
// read all of it before it is sent.

#include "CrashedProcess.h"

namespace reporter {

// The home folder is written as "~" (Linux) or "%USERPROFILE%" (Windows) in every path.
QString reportText(const Snapshot &snapshot);

// A number as "0x1f": offsets and addresses in a frame's line.
QString hexNumber(quint64 value);

} // namespace reporter
