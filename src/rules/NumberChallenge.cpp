#include "NumberChallenge.h"
#include "Random.h"

namespace {

constexpr int kWordLevel = 6;

std::string caption(int level, int value)
{
    return level == kWordLevel ? NumberWord(value) : std::to_string(value);
}

} // namespace

std::string NumberWord(int n)
{
    static const char *const words[] = {"zero", "un",  "deux", "trois", "quatre",
                                        "cinq", "six", "sept", "huit",  "neuf"};
    return n >= 0 && n <= 9 ? words[n] : "";
}

NumberChallenge drawNumberChallenge(int level, int max, ChallengePacing &pacing)
{
    const int a = Random(max);
    const Relation relation = drawRelation(a, max, RelationSequence::Numbers, pacing);
    return {relation.expected, caption(level, a), caption(level, relation.right)};
}
