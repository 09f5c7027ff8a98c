#include "GameWindow.h"

#include <windows.h>

namespace reporter {

bool windowBelongsTo(std::uint64_t window, qint64 pid)
{
    const HWND handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
    if (!IsWindow(handle))
        return false;
    DWORD owner = 0;
    GetWindowThreadProcessId(handle, &owner);
    return owner != 0 && qint64(owner) == pid;
}

} // namespace reporter
