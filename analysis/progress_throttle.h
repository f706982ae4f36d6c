#pragma once
// Progress is shown at most every interval: redrawing it after every message costs more than the
// analysis itself. The first message is shown at once; records without messages only once the
// interval has passed, so a short run shows what it always showed.

#include <chrono>

class ProgressThrottle {
public:
    explicit ProgressThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(50))
        : interval_(interval), last_(std::chrono::steady_clock::now()) {}

    // `firstAtOnce`: true for a message, false for a record that only shows the run goes on.
    bool Due(bool firstAtOnce = true) {
        const auto now = std::chrono::steady_clock::now();
        if ((shown_ || !firstAtOnce) && now - last_ < interval_) {
            return false;
        }
        shown_ = true;
        last_ = now;
        return true;
    }

private:
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_;
    bool shown_ = false;
};
