#pragma once
// Levels 3 and 4: two groups of one object scattered over a grid of places on each side.

#include "RelationDraw.h"
#include <string>

struct QuantityLevel {
    int places;          // places per side: 9 or 30
    int max;             // counts are drawn from 0 to max - 1
    int objects;         // object pictures to choose from: 7 or 15
    RelationSequence sequence;
};

inline constexpr QuantityLevel kLevel3Quantities{9, 10, 7, RelationSequence::Level3};
inline constexpr QuantityLevel kLevel4Quantities{30, 31, 15, RelationSequence::Level4};

// A mask of `places` characters, '1' on `count` places chosen uniformly among all, '0' elsewhere.
std::string drawOccupancyMask(int places, int count);

struct QuantityChallenge {
    int expected;
    int object;            // 1..objects
    std::string left;      // occupancy masks
    std::string right;
};

// Counts through the relation draw, then the object, then the left and the right mask.
QuantityChallenge drawQuantityChallenge(const QuantityLevel &level, ChallengePacing &pacing);
