#pragma once
// How regularly a range is polled, from the intervals between its polls: the period is their
// median, the jitter the spread of their middle 80% (90th minus 10th percentile), which one late
// answer or a pause of the poller does not move.

#include "plant/plant_model.h"

struct PollTiming {
    double periodMs = 0;
    double jitterMs = 0;
};

// None for a range polled once (no interval).
std::optional<PollTiming> PollTimingOf(const PollStats& stats);
