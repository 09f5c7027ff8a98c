#pragma once
// Levels 5 to 8: two numbers, as digits or (level 6) as French words.

#include "RelationDraw.h"
#include <string>

// The French word for 0..9, without accents; empty for any other value.
std::string NumberWord(int n);

struct NumberChallenge {
    int expected;
    std::string left;    // the captions shown
    std::string right;
};

NumberChallenge drawNumberChallenge(int level, int max, ChallengePacing &pacing);
