#pragma once
// The text of a report, from what was gathered: heading, fault, registers, threads with their
// stacks, modules, processes, and the machine. No environment and no file contents: a parent may
// read all of it before it is sent.

#include "CrashedProcess.h"

namespace reporter {

QString reportText(const Snapshot &snapshot);

} // namespace reporter
