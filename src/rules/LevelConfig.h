#pragma once
// How the window is set up for each level: the page shown, the range of values drawn, which
// answer controls of the size-comparison page show, and the size of the number font.

#include <optional>

enum class Page { SizeComparison = 0, Quantities9 = 1, Quantities30 = 2, Numbers = 3 };

struct LevelConfig {
    Page page;
    int max = 0;                // values are drawn from 0 to max - 1; 0 where unused
    bool crocodileAnswers = false; // page 0: crocodile pictures (level 1) or text panels (level 2)
    int numberFontPoints = 0;   // pages 3 only
};

std::optional<LevelConfig> levelConfig(int level);

// A size in points as a character height in pixels at 96 dots per inch, rounded.
int pointsToPixels(int points);
