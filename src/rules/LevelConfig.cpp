#include "LevelConfig.h"

std::optional<LevelConfig> levelConfig(int level)
{
    switch (level) {
    case 1: return LevelConfig{Page::SizeComparison, 0, true, 0};
    case 2: return LevelConfig{Page::SizeComparison, 0, false, 0};
    case 3: return LevelConfig{Page::Quantities9, 10, false, 0};
    case 4: return LevelConfig{Page::Quantities30, 31, false, 0};
    case 5: return LevelConfig{Page::Numbers, 10, false, 350};
    case 6: return LevelConfig{Page::Numbers, 10, false, 90};
    case 7: return LevelConfig{Page::Numbers, 100, false, 250};
    case 8: return LevelConfig{Page::Numbers, 1000, false, 160};
    default: return std::nullopt;
    }
}

int pointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}
