#pragma once
// Levels 1 and 2: one object on both sides, each side in one of three sizes.

inline constexpr int kSizeObjectCount = 11;

// Maps a draw of Random(100) to -1 (0..33), 0 (34..66) or 1 (67..99).
int bandOf(int r);

struct SizePair {
    char left;    // 'G' big, 'M' medium, 'P' small
    char right;
};

// The sizes shown for the expected answer and the pair selector c (both -1, 0 or 1).
SizePair sizePairFor(int expected, int selector);

struct SizeChallenge {
    int object;      // 1..11, never the previous one
    int expected;
    SizePair sizes;
};

// `lastObject` is the object of the previous challenge, 0 for none.
SizeChallenge drawSizeChallenge(int lastObject);
