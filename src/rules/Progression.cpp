#include "Progression.h"

AnswerOutcome judgeAnswer(GameProgress progress, int answer, int expected)
{
    if (answer != expected)
        return {{progress.level, 0}, false};
    ++progress.streak;
    if (progress.streak > kStreakLength) {
        progress.streak = 0;
        progress.level = progress.level >= kLevelCount ? 1 : progress.level + 1;
    }
    return {progress, true};
}

StreakMark streakMarkAt(int position, int streak)
{
    if (position < streak)
        return StreakMark::PastOK;
    return position == streak ? StreakMark::Current : StreakMark::Futur;
}
