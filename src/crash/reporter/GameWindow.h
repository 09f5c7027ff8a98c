#pragma once
// The game's main window, seen from the reporter: its picture as it is (still showing what it
// showed when the fault happened) and the screen it is on. The window's id comes from the command
// line and is taken only when the window really belongs to the game's process.

#include <QImage>
#include <cstdint>

class QScreen;

namespace reporter {

struct GameWindow {
    QImage picture;           // null when there is none to take
    QScreen *screen = nullptr; // the primary screen when the window's is not known
};

GameWindow gameWindow(std::uint64_t window, qint64 pid);

// Whether `window` is a top-level window of process `pid` (X11: its _NET_WM_PID; Windows: its
// thread's process). False wherever that cannot be told. GameWindowOwner_*.cpp.
bool windowBelongsTo(std::uint64_t window, qint64 pid);

} // namespace reporter
