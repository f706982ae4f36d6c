#pragma once
// Quantiles of a stream of non-negative values (response times, poll intervals) in bounded
// memory: exact while at most kExactSamples have come, then estimated from a histogram of
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

    void Add(double value);

    uint64_t Count() const { return count_; }
    bool Exact() const { return binned_.empty(); }
    double Min() const { return min_; }
    double Max() const { return max_; }
    // The value at rank floor((n - 1) * q) of the values in ascending order (the lower of two
    // middle values for the median); 0 when there are none.
    double Quantile(double q) const;

private:
    void MoveToBins();
    void AddToBin(double value);

    uint64_t count_ = 0;
    double min_ = 0;
    double max_ = 0;
    mutable std::vector<double> exact_;  // sorted on demand
    mutable bool sorted_ = true;
    std::vector<uint64_t> binned_;  // bin 0: below kSmallest; bin i: around kSmallest * g^(i-1)
};
