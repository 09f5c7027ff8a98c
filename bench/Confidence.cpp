#include "Confidence.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace confidence {

namespace {

// SplitMix64: tiny, and the same numbers from every standard library, unlike std::uniform_*.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); the modulo bias is below 1e-17 for the sample sizes used here.
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }
};

// The q-quantile of sorted values, interpolated between neighbours.
double quantile(const std::vector<double> &sorted, double q)
{
    const double position = q * double(sorted.size() - 1);
    const std::size_t below = std::size_t(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (position - double(below)) * (sorted[above] - sorted[below]);
}

} // namespace

double median(std::vector<double> values)
{
    if (values.empty())
        throw std::invalid_argument("median of nothing");
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + half, values.end());
    const double upper = values[half];
    if (values.size() % 2)
        return upper;
    return (*std::max_element(values.begin(), values.begin() + half) + upper) / 2;
}

Interval medianInterval(const std::vector<double> &sample, double level, int resamples, std::uint64_t seed)
{
    if (sample.empty() || resamples < 1 || !(level > 0 && level < 1))
        throw std::invalid_argument("medianInterval: empty sample or bad parameters");
    SplitMix64 random{seed};
    std::vector<double> draw(sample.size());
    std::vector<double> medians;
    medians.reserve(std::size_t(resamples));
    for (int r = 0; r < resamples; ++r) {
        for (double &value : draw)
            value = sample[random.below(sample.size())];
        medians.push_back(median(draw));
    }
    std::sort(medians.begin(), medians.end());
    const double tail = (1 - level) / 2;
    return {median(sample), quantile(medians, tail), quantile(medians, 1 - tail)};
}

std::vector<double> ratios(const std::vector<double> &numerators, const std::vector<double> &denominators)
{
    if (numerators.size() != denominators.size())
        throw std::invalid_argument("ratios: the rounds do not pair up");
    std::vector<double> out;
    out.reserve(numerators.size());
    for (std::size_t i = 0; i < numerators.size(); ++i)
        out.push_back(numerators[i] / denominators[i]);
    return out;
}

Verdict judge(const Interval &interval, double goal)
{
    if (interval.high <= goal)
        return Verdict::Met;
    if (interval.low > goal)
        return Verdict::Missed;
    return Verdict::Uncertain;
}

const char *verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Met:
        return "met";
    case Verdict::Missed:
        return "MISSED";
    case Verdict::Uncertain:
        return "uncertain";
    }
    return "?";
}

} // namespace confidence
