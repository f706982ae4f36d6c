#pragma once
// How regularly a range is polled. A poller reads a range once a cycle, and sometimes again
// within the cycle: read-backs after a write, retries. Those reads belong to the cycle's burst,
// not to the period: an interval shorter than a quarter of the cycle continues the burst that
// began the cycle, and a longer one begins the next burst. The cycle it is judged against is the
// longest of the last three intervals that began a burst; a burst that would last longer than
// half of it begins anew and the cycle is judged again from there, so that a pause of the poller
// does not stretch the cycle for long.
//
// The period is the median of the intervals between the starts of bursts, the jitter the spread
// of their middle 80% (90th minus 10th percentile), which one late answer or a pause of the
// poller does not move. A range polled at a steady rate has a burst per poll: its period is the
// median interval between polls.

#include <cstdint>
#include <optional>

#include "plant/quantile_sketch.h"

// Intervals between bursts are many streams of like values: fewer are kept exactly.
constexpr size_t kExactCycles = 256;

// The polls of one range, on the steady capture clock, grouped into bursts.
class PollCycles {
public:
    void Take(int64_t ns);
    // The intervals between the starts of bursts, in ms.
    const QuantileSketch& CyclesMs() const { return cyclesMs_; }

private:
    static constexpr double kBurstShare = 0.25;   // of the cycle, for an interval in a burst
    static constexpr double kLongestBurst = 0.5;  // of the cycle, for a burst
    static constexpr int kStartsJudged = 3;

    double CycleMs() const;

    bool any_ = false;
    int64_t lastNs_ = 0;
    int64_t burstNs_ = 0;                          // when the current burst began
    double startIntervalsMs_[kStartsJudged] = {};  // the latest intervals that began a burst
    int starts_ = 0;
    QuantileSketch cyclesMs_{kExactCycles};
};

struct PollStats;
struct DeviceStats;

struct PollTiming {
    double periodMs = 0;
    double jitterMs = 0;
};

// None for a range polled in one burst.
std::optional<PollTiming> PollTimingOf(const PollStats& stats);
// How often a device is polled: the shortest period of its ranges; none when no range of it has
// one.
std::optional<double> DevicePollPeriodMs(const DeviceStats& device);
