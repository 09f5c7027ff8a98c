#include "SizeChallenge.h"
#include "Random.h"

int bandOf(int r)
{
    if (r <= 33)
        return -1;
    return r <= 66 ? 0 : 1;
}

SizePair sizePairFor(int expected, int selector)
{
    // Rows: left smaller, equal, left bigger; columns: selector -1, 0, 1.
    static const SizePair table[3][3] = {
        {{'P', 'M'}, {'P', 'G'}, {'M', 'G'}},
        {{'P', 'P'}, {'M', 'M'}, {'G', 'G'}},
        {{'G', 'M'}, {'G', 'P'}, {'M', 'P'}},
    };
    return table[expected + 1][selector + 1];
}

SizeChallenge drawSizeChallenge(int lastObject)
{
    int object;
    do {
        object = Random(kSizeObjectCount + 1);
    } while (object < 1 || object == lastObject);
    const int expected = bandOf(Random(100));
    const int selector = bandOf(Random(100));
    return {object, expected, sizePairFor(expected, selector)};
}
