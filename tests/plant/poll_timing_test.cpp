// The poll period is the poller's cycle: reads within a burst (read-backs after a write,
// retries) are part of the burst, not periods of their own.

#include "plant/poll_timing.h"

#include <gtest/gtest.h>

#include <vector>

#include "plant/plant_model.h"

namespace {

constexpr int64_t kMs = 1000000;

PollTiming TimingOf(const std::vector<int64_t>& readsMs) {
    PollStats stats;
    for (int64_t ms : readsMs) {
        stats.cycles.Take(ms * kMs);
    }
    const std::optional<PollTiming> timing = PollTimingOf(stats);
    EXPECT_TRUE(timing.has_value());
    return timing.value_or(PollTiming{});
}

}  // namespace

TEST(PollTiming, ASteadyPollHasItsIntervalAsPeriod) {
    std::vector<int64_t> reads;
    for (int i = 0; i < 50; ++i) {
        reads.push_back(500 * i + (i % 5) * 4);  // 500 ms, up to 16 ms late
    }
    const PollTiming timing = TimingOf(reads);
    EXPECT_NEAR(timing.periodMs, 500, 16);
    EXPECT_LE(timing.jitterMs, 32);
}

TEST(PollTiming, ReadBacksAfterAWriteBelongToTheCycle) {
    // Once a second, and after a write 100 ms into each cycle three read-backs 1 ms apart: most
    // intervals are 1 ms, the cycle is a second.
    std::vector<int64_t> reads;
    for (int i = 0; i < 60; ++i) {
        for (int64_t at : {0, 101, 102, 103}) {
            reads.push_back(1000 * i + at);
        }
    }
    const PollTiming timing = TimingOf(reads);
    EXPECT_NEAR(timing.periodMs, 1000, 1);
    EXPECT_LT(timing.jitterMs, 10);
}

TEST(PollTiming, ARetryBelongsToItsCycleAndAPauseDoesNotStretchIt) {
    // Every 2 s, a retry 300 ms after every fourth poll, and one pause of a minute.
    std::vector<int64_t> reads;
    int64_t at = 0;
    for (int i = 0; i < 80; ++i) {
        reads.push_back(at);
        if (i % 4 == 0) {
            reads.push_back(at + 300);
        }
        at += i == 40 ? 60000 : 2000;
    }
    const PollTiming timing = TimingOf(reads);
    EXPECT_NEAR(timing.periodMs, 2000, 1);
    EXPECT_LT(timing.jitterMs, 10);
}

TEST(PollTiming, TwoReadsMakeOnePeriod) {
    EXPECT_DOUBLE_EQ(TimingOf({0, 250}).periodMs, 250);
    PollStats once;
    once.cycles.Take(0);
    EXPECT_FALSE(PollTimingOf(once).has_value());
}

TEST(PollTiming, ABurstLastsAtMostHalfACycle) {
    // A cycle of a second, then reads 120 ms apart from 3 s on: short intervals for a burst, but
    // it may last only to 3.5 s. The read at 3.6 s begins a burst, the cycle is judged anew from
    // the 120 ms intervals, and each read after it begins one: bursts begin at 1, 2, 3 and 3.6 s
    // and at 3.72, 3.84 and 3.96 s.
    PollCycles cycles;
    for (int64_t ms : {0, 1000, 2000, 3000, 3120, 3240, 3360, 3480, 3600, 3720, 3840, 3960}) {
        cycles.Take(ms * kMs);
    }
    EXPECT_EQ(cycles.CyclesMs().Count(), 7u);
    EXPECT_DOUBLE_EQ(cycles.CyclesMs().Max(), 1000);
    EXPECT_DOUBLE_EQ(cycles.CyclesMs().Min(), 120);
}
