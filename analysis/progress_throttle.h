#pragma once
// Progress is shown for the first message and then at most every interval: redrawing it after
// every message costs more than the analysis itself.

#include <chrono>

class ProgressThrottle {
public:
    explicit ProgressThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(50))
        : interval_(interval) {}

    bool Due() {
        const auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < interval_) {
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
