#include "QuantityChallenge.h"
#include "Random.h"

#include <stdexcept>

std::string drawOccupancyMask(int places, int count)
{
    if (count < 0 || count > places)
        throw std::invalid_argument("more objects than places");
    std::string mask(places, '0');
    for (int filled = 0; filled < count;) {
        char &place = mask[Random(places)];
        if (place == '0') {
            place = '1';
            ++filled;
        }
    }
    return mask;
}

QuantityChallenge drawQuantityChallenge(const QuantityLevel &level, ChallengePacing &pacing)
{
    const int a = Random(level.max);
    const Relation relation = drawRelation(a, level.max, level.sequence, pacing);
    const int object = Random(level.objects) + 1;
    std::string left = drawOccupancyMask(level.places, a);
    std::string right = drawOccupancyMask(level.places, relation.right);
    return {relation.expected, object, std::move(left), std::move(right)};
}
