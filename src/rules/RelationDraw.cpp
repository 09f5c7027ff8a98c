#include "RelationDraw.h"
#include "Random.h"

#include <stdexcept>

namespace {

void pause(ChallengePacing &pacing)
{
    pacing.pause(Random(100));
}

} // namespace

int drawExpectedAnswer(int a, int max)
{
    if (a == 0)
        return Random(1000) % 2 == 1 ? 0 : -1;
    if (a == max - 1)
        return Random(1000) % 2 == 1 ? 1 : 0;
    return Random(1000) % 3 - 1;
}

int drawRightValue(int expected, int a, int max, ChallengePacing &pacing)
{
    if (expected == 0)
        return a;
    // A relation with no value to satisfy it would loop for ever; it cannot come from
    // drawExpectedAnswer, so meeting one is a programming error.
    if ((expected < 0 && a >= max - 1) || (expected > 0 && a <= 0))
        throw std::logic_error("no value satisfies the drawn relation");
    for (;;) {
        const int b = Random(max);
        pacing.processPendingMessages();
        if ((expected < 0 && b > a) || (expected > 0 && b < a))
            return b;
    }
}

Relation drawRelation(int a, int max, RelationSequence sequence, ChallengePacing &pacing)
{
    int expected = 0;
    switch (sequence) {
    case RelationSequence::Level3:
        expected = drawExpectedAnswer(a, max);
        pause(pacing);
        Randomize();
        pause(pacing);
        break;
    case RelationSequence::Level4:
        pause(pacing);
        expected = drawExpectedAnswer(a, max);
        pause(pacing);
        break;
    case RelationSequence::Numbers:
        pause(pacing);
        expected = drawExpectedAnswer(a, max);
        pause(pacing);
        Randomize();
        pause(pacing);
        break;
    }
    return {expected, drawRightValue(expected, a, max, pacing)};
}
