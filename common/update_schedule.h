#pragma once
// When a file rewritten while a run goes on is due again: every interval of wall-clock time, or
// at once when the user asks. An interval of zero never comes due (the file is written at the
// end only).

#include <chrono>

class UpdateSchedule {
public:
    using Clock = std::chrono::steady_clock;

    explicit UpdateSchedule(double seconds)
        : interval_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double>(seconds > 0 ? seconds : 0))),
          next_(Clock::now() + interval_) {}

    // True when the file is due now; the next interval starts then.
    bool Due(bool requested, Clock::time_point now = Clock::now()) {
        if (interval_ == Clock::duration::zero() || (!requested && now < next_)) {
            return false;
        }
        next_ = now + interval_;
        return true;
    }

private:
    Clock::duration interval_;
    Clock::time_point next_;
};
