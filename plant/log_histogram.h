#pragma once
// Counts of response times in logarithmic bins, kPerDecade to a decade from kLowestMs up to
// kLowestMs * 10^kDecades; smaller and greater values count in the first and the last bin.

#include <array>
#include <cmath>
#include <cstdint>

class LogHistogram {
public:
    static constexpr int kPerDecade = 5;
    static constexpr int kDecades = 8;
    static constexpr double kLowestMs = 0.01;
    static constexpr int kBins = kPerDecade * kDecades;

    void Add(double ms) {
        // Snapped to a billionth before the floor: the platforms' log10 may differ in the last
        // bit, and a time on a bin's edge must fall in the same bin everywhere.
        const double exact = std::log10(ms / kLowestMs) * kPerDecade;
        const double position = std::floor(std::round(exact * 1e9) / 1e9);
        const int bin = !(position > 0)     ? 0
                        : position >= kBins ? kBins - 1
                                            : static_cast<int>(position);
        ++bins_[static_cast<size_t>(bin)];
    }
    const std::array<uint64_t, kBins>& Bins() const { return bins_; }
    // Where a bin starts: kLowestMs * 10^(bin / kPerDecade).
    static double LowerEdge(int bin) {
        return kLowestMs * std::pow(10.0, static_cast<double>(bin) / kPerDecade);
    }

private:
    std::array<uint64_t, kBins> bins_{};
};
