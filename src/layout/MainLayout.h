#pragma once
// Builds the main window's control tree from its layout tables: every control under its component
// name, with parent, geometry, flags, fonts, colours, Tag, tab order and visibility at start.
// Event bindings are recorded in each control's "OnClick" property and wired by the window.

#include <QString>
#include <vector>

class QWidget;

namespace layout {

inline constexpr int kClientWidth = 1095;
inline constexpr int kClientHeight = 642;

// Character heights in pixels (points × 96 / 72, rounded).
inline constexpr int kWindowFontPx = 11;
inline constexpr int kAnswerFontPx = 96;

void buildMainWindow(QWidget *form);

// The 14 answer controls, from the layout tables: the page each lies on, the answer it gives (its
// Tag), and whether it is one of the crocodile pictures of level 1, which level 2 swaps for text
// panels on the same rectangles.
struct AnswerControl {
    QString name;
    int page;
    int tag;
    bool picture;
};
const std::vector<AnswerControl> &answerControls();
// The control that gives `tag` at `level`; empty for a level that does not exist.
QString answerControlName(int level, int tag);

// Composed names of the numbered families.
QString sizeHolderName(int object, char sizeLetter);   // "imgFacile_7_M"

} // namespace layout
