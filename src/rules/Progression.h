#pragma once
// Judging an answer, the streak of correct answers in a row, and the move from level to level.

inline constexpr int kLevelCount = 8;
inline constexpr int kStreakLength = 10;   // positions of the streak strip

struct GameProgress {
    int level = 1;     // 1..8
    int streak = 0;    // correct answers in a row at this level, 0..10
};

struct AnswerOutcome {
    GameProgress progress;
    bool correct = false;      // a correct answer brings a new challenge
};

// `answer` is the clicked control's Tag, `expected` the challenge's expected answer (-1, 0, 1).
// The tenth correct answer in a row fills the strip; the eleventh moves to the next level, and
// level 8 is followed by level 1. A wrong answer empties the streak and keeps the level.
AnswerOutcome judgeAnswer(GameProgress progress, int answer, int expected);

enum class StreakMark { PastOK, Current, Futur };

// What streak position `position` (0..9) shows for a streak of `streak`.
StreakMark streakMarkAt(int position, int streak);
