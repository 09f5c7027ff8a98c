#include "Random.h"

#include <chrono>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

class MersenneSource final : public RandomSource
{
public:
    int next(int n) override
    {
        if (n < 1)
            throw std::invalid_argument("Random needs a positive range");
        return std::uniform_int_distribution<int>(0, n - 1)(m_engine);
    }
    void seed(std::uint32_t seed) override { m_engine.seed(seed); }

private:
    std::mt19937 m_engine{5489u};
};

MersenneSource builtIn;
RandomSource *current = &builtIn;

} // namespace

std::uint32_t clockSeed()
{
#ifdef _WIN32
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter))
        return static_cast<std::uint32_t>(counter.QuadPart);
    return static_cast<std::uint32_t>(GetTickCount());
#else
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(ticks);
#endif
}

int Random(int n)
{
    return current->next(n);
}

void Randomize()
{
    current->seed(clockSeed());
}

RandomSource *setRandomSource(RandomSource *source)
{
    RandomSource *previous = current;
    current = source ? source : &builtIn;
    return previous == &builtIn ? nullptr : previous;
}

RandomSource &randomSource()
{
    return *current;
}
