#pragma once
// Capture time on a clock that never goes back. A capture's own clock may step: an NTP
// correction sets it back or forward, and captures read as one may overlap or lie hours apart.
// Time-outs and response times run on this clock instead: at a step it carries on from where it
// was, so a step neither expires the requests waiting nor puts an answer before its request.

#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <vector>

#include "capture/capture_record.h"
#include "session/CModbusMessage.h"

class SteadyCaptureClock {
public:
    // Captures on several interfaces interleave their records a little out of time order: a
    // record less than this earlier than the one before only holds the clock.
    static constexpr int64_t kBackwardToleranceNanoseconds = 1'000'000'000;  // 1 s
    // A running capture sees some traffic (keep-alives, polls) well within this; a longer
    // silence is the clock set forward, or the next of several captures.
    static constexpr int64_t kForwardLimitNanoseconds = 3'600'000'000'000;  // 1 h

    // Takes the time of the next record, numbered `record`.
    void Advance(uint64_t record, const CaptureTimestamp& time);
    // The steady time of `time`, that of record `record` taken already (a message's last byte
    // may have come some records before the one that completed it).
    int64_t SteadyOf(uint64_t record, const CaptureTimestamp& time) const;
    // The latest steady time of the records taken.
    int64_t now() const { return now_; }
    // The steps seen since the last call, in record order.
    std::vector<ClockStep> TakeSteps();

private:
    // From `firstRecord` on, steady time is capture time plus `nanoseconds`.
    struct Offset {
        uint64_t firstRecord;
        int64_t nanoseconds;
    };
    // Steps so far back that no message still being framed began before them are forgotten.
    static constexpr size_t kKeptOffsets = 64;
    // Steps waiting for a message: past this many (a capture whose clock jumps at every record
    // and that frames nothing), the last one kept stands for the larger of it and the next.
    static constexpr size_t kPendingSteps = 64;

    int64_t OffsetAt(uint64_t record) const;

    bool started_ = false;
    int64_t lastCaptureTime_ = 0;  // of the record before
    int64_t now_ = std::numeric_limits<int64_t>::min();
    int64_t offsetBeforeKept_ = 0;
    std::deque<Offset> offsets_;  // the latest steps', in record order
    std::vector<ClockStep> steps_;
};
