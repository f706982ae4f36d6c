#include "session/steady_capture_clock.h"

#include <algorithm>
#include <iterator>

#include "capture/capture_time.h"

namespace {

// Hostile timestamps saturate at the ends of int64_t; so do the sums and differences of them.
int64_t SaturatedAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return sum;
}

int64_t SaturatedSubtract(int64_t a, int64_t b) {
    int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) {
        return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return difference;
}

uint64_t Magnitude(int64_t value) {
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

}  // namespace

void SteadyCaptureClock::Advance(uint64_t record, const CaptureTimestamp& time) {
    const int64_t captured = ToNanoseconds(time);
    if (!started_) {
        started_ = true;
        lastCaptureTime_ = captured;
        now_ = captured;
        return;
    }
    const int64_t change = SaturatedSubtract(captured, lastCaptureTime_);
    lastCaptureTime_ = captured;
    if (change <= -kBackwardToleranceNanoseconds || change > kForwardLimitNanoseconds) {
        // The step is taken out: this record's steady time is the clock's latest.
        offsets_.push_back({record, SaturatedSubtract(now_, captured)});
        if (offsets_.size() > kKeptOffsets) {
            offsetBeforeKept_ = offsets_.front().nanoseconds;
            offsets_.pop_front();
        }
        if (steps_.size() < kPendingSteps) {
            steps_.push_back(ClockStep{change, record});
        } else if (Magnitude(change) > Magnitude(steps_.back().nanoseconds)) {
            steps_.back() = ClockStep{change, record};
        }
        return;
    }
    now_ = std::max(now_, SaturatedAdd(captured, OffsetAt(record)));
}

int64_t SteadyCaptureClock::SteadyOf(uint64_t record, const CaptureTimestamp& time) const {
    return SaturatedAdd(ToNanoseconds(time), OffsetAt(record));
}

std::vector<ClockStep> SteadyCaptureClock::TakeSteps() {
    std::vector<ClockStep> steps;
    steps.swap(steps_);
    return steps;
}

int64_t SteadyCaptureClock::OffsetAt(uint64_t record) const {
    auto after = std::upper_bound(
        offsets_.begin(), offsets_.end(), record,
        [](uint64_t number, const Offset& offset) { return number < offset.firstRecord; });
    return after == offsets_.begin() ? offsetBeforeKept_ : std::prev(after)->nanoseconds;
}
