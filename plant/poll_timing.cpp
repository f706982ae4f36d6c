#include "plant/poll_timing.h"

std::optional<PollTiming> PollTimingOf(const PollStats& stats) {
    const QuantileSketch& intervals = stats.intervalsMs;
    if (intervals.Count() == 0) {
        return std::nullopt;
    }
    return PollTiming{intervals.Quantile(0.5), intervals.Quantile(0.9) - intervals.Quantile(0.1)};
}
