#pragma once
// The one program-wide source of random numbers. Random(n) is uniform over 0..n-1; Randomize()
// re-seeds it from the clock. Tests put a scripted or seeded source in its place.

#include <cstdint>

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual int next(int n) = 0;              // uniform over 0..n-1, n >= 1
    virtual void seed(std::uint32_t seed) = 0;
};

int Random(int n);
void Randomize();

// Low 32 bits of the high-resolution clock: the seed Randomize uses.
std::uint32_t clockSeed();

// Replaces the program-wide source (nullptr restores the built-in one); returns the previous one.
RandomSource *setRandomSource(RandomSource *source);
RandomSource &randomSource();
