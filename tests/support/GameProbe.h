#pragma once
// Looks at a running main window the way a tester would: which answer controls show, whether the
// screen agrees with the game state, and random mouse input over the real window.

#include <QString>
#include <QWidget>
#include <random>

class TfrmMain;

namespace probe {

int activePage(const TfrmMain &window);

// The visible answer control of the page showing that gives `tag`, or nullptr.
QWidget *visibleAnswer(const TfrmMain &window, int tag);

// Empty when level, streak, strip and the challenge on screen agree; otherwise what is wrong.
QString invariantViolation(const TfrmMain &window);

// Sends one random mouse sequence to the window: a click, a double-click or a press-drag-release,
// half of the time aimed at an answer control (mostly the right one, so that levels go round).
void randomMouseEvent(TfrmMain &window, std::mt19937 &dice);

} // namespace probe
