#pragma once
// Quantiles of a stream of non-negative values (response times, poll intervals) in bounded
// memory: exact while at most `exactSamples` have come, then estimated from a histogram of
// logarithmic bins whose value is off by at most kRelativeError of the true quantile (values
// below kSmallest are counted as 0). Minimum and maximum stay exact.

#include <cstddef>
#include <cstdint>
#include <vector>

class QuantileSketch {
public:
    static constexpr size_t kExactSamples = 4096;
    static constexpr double kRelativeError = 0.005;
    static constexpr double kSmallest = 1e-3;

    explicit QuantileSketch(size_t exactSamples = kExactSamples) : exactSamples_(exactSamples) {}

    void Add(double value);

    uint64_t Count() const { return count_; }
    bool Exact() const { return !binned_; }
    double Min() const { return min_; }
    double Max() const { return max_; }
    // The value at rank floor((n - 1) * q) of the values in ascending order (the lower of two
    // middle values for the median); 0 when there are none.
    double Quantile(double q) const;

private:
    void MoveToBins();
    void AddToBin(double value);

    size_t exactSamples_;
    uint64_t count_ = 0;
    double min_ = 0;
    double max_ = 0;
    mutable std::vector<double> exact_;  // sorted on demand
    mutable bool sorted_ = true;
    // Bin 0: below kSmallest; bin i: around kSmallest * g^(i-1). Only the bins from firstBin_ on
    // are kept, since the values of one stream span a few decades at most.
    bool binned_ = false;
    size_t firstBin_ = 0;
    std::vector<uint32_t> bins_;
};
