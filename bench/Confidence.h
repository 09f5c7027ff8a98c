// How sure a benchmark figure is: a bootstrap confidence interval of the median of paired ratios,
// and a verdict against a goal that says "uncertain" when the interval straddles it. Plain C++, so
// the statistics are tested without a window system.
#pragma once

#include <cstdint>
#include <vector>

namespace confidence {

double median(std::vector<double> values);

struct Interval {
    double median; // of the sample itself
    double low;
    double high;
};

// Percentile bootstrap of the sample's median: `resamples` draws with replacement from a generator
// seeded with `seed`, so the same sample gives the same interval on every machine.
Interval medianInterval(const std::vector<double> &sample, double level = 0.95, int resamples = 4000,
                        std::uint64_t seed = 0x5eed);

// The per-round ratios of two figures measured in the same interleaved rounds: pairing them
// cancels what a round shares, such as a burst of load from elsewhere.
std::vector<double> ratios(const std::vector<double> &numerators, const std::vector<double> &denominators);

enum class Verdict { Met, Missed, Uncertain };

// Against a goal of "at most `goal`": met only when the whole interval is within it, missed only
// when the whole interval is beyond it.
Verdict judge(const Interval &interval, double goal);

const char *verdictName(Verdict verdict);

} // namespace confidence
