#include "plant/poll_timing.h"

#include <algorithm>

#include "plant/plant_model.h"

void PollCycles::Take(int64_t ns) {
    if (!any_) {
        any_ = true;
        lastNs_ = burstNs_ = ns;
        return;
    }
    const double intervalMs = static_cast<double>(ns - lastNs_) / 1e6;
    const double burstMs = static_cast<double>(ns - burstNs_) / 1e6;
    lastNs_ = ns;
    const double cycleMs = CycleMs();
    const bool inBurstTime = starts_ > 0 && intervalMs < kBurstShare * cycleMs;
    if (inBurstTime && burstMs < kLongestBurst * cycleMs) {
        return;  // within the burst
    }
    if (inBurstTime) {
        // A burst longer than half the cycle is none: the cycle judged by was too long (a pause
        // of the poller began a burst), and is judged anew from here.
        starts_ = 0;
    }
    cyclesMs_.Add(burstMs);
    startIntervalsMs_[starts_++ % kStartsJudged] = intervalMs;
    burstNs_ = ns;
}

double PollCycles::CycleMs() const {
    const int judged = std::min(starts_, kStartsJudged);
    return judged == 0 ? 0 : *std::max_element(startIntervalsMs_, startIntervalsMs_ + judged);
}

std::optional<PollTiming> PollTimingOf(const PollStats& stats) {
    const QuantileSketch& cycles = stats.cycles.CyclesMs();
    if (cycles.Count() == 0) {
        return std::nullopt;
    }
    return PollTiming{cycles.Quantile(0.5), cycles.Quantile(0.9) - cycles.Quantile(0.1)};
}

std::optional<double> DevicePollPeriodMs(const DeviceStats& device) {
    std::optional<double> shortest;
    for (const auto& range : device.polling) {
        if (const std::optional<PollTiming> timing = PollTimingOf(range.second)) {
            shortest = std::min(shortest.value_or(timing->periodMs), timing->periodMs);
        }
    }
    return shortest;
}
