#pragma once
// Builds the main window's control tree from its layout tables: every control under its component
// name, with parent, geometry, flags, fonts, colours, Tag, tab order and visibility at start.
// Event bindings are recorded in each control's "OnClick" property and wired by the window.

#include <QString>

class QWidget;

namespace layout {

inline constexpr int kClientWidth = 1095;
inline constexpr int kClientHeight = 642;

// Character heights in pixels (points × 96 / 72, rounded).
inline constexpr int kWindowFontPx = 11;
inline constexpr int kAnswerFontPx = 96;

void buildMainWindow(QWidget *form);

// Composed names of the numbered families.
QString sizeHolderName(int object, char sizeLetter);   // "imgFacile_7_M"

} // namespace layout
