#pragma once
// Events per second over the last few seconds, counted per whole second of capture time: a
// bounded count however long the run.

#include <cstdint>
#include <optional>

class RecentRate {
public:
    static constexpr int kSeconds = 5;

    // An event at `ns` (capture time in nanoseconds, never going back).
    void Add(int64_t ns) {
        const int64_t second = SecondOf(ns);
        Slot& slot = slots_[Index(second)];
        if (slot.second != second) {
            slot = Slot{second, 0};
        }
        ++slot.count;
        if (!firstNs_) {
            firstNs_ = ns;
        }
    }

    // The rate over the kSeconds whole seconds up to the one of `nowNs`, the last one counted as
    // far as it has come; over less when the first event came later. A span below one second
    // counts as one, so the first events give no wild rate.
    double PerSecond(int64_t nowNs) const {
        if (!firstNs_) {
            return 0;
        }
        const int64_t now = SecondOf(nowNs);
        const int64_t first = now - kSeconds + 1;
        uint64_t events = 0;
        for (const Slot& slot : slots_) {
            events += slot.second >= first && slot.second <= now ? slot.count : 0;
        }
        const int64_t start = first * kNsPerSecond > *firstNs_ ? first * kNsPerSecond : *firstNs_;
        const int64_t span = nowNs - start > kNsPerSecond ? nowNs - start : kNsPerSecond;
        return static_cast<double>(events) * kNsPerSecond / static_cast<double>(span);
    }

private:
    static constexpr int64_t kNsPerSecond = 1000000000;
    struct Slot {
        int64_t second = INT64_MIN;
        uint64_t count = 0;
    };
    static int64_t SecondOf(int64_t ns) {
        return ns >= 0 ? ns / kNsPerSecond : -((-ns + kNsPerSecond - 1) / kNsPerSecond);
    }
    static int Index(int64_t second) {
        const int64_t index = second % kSeconds;
        return static_cast<int>(index < 0 ? index + kSeconds : index);
    }

    Slot slots_[kSeconds];
    std::optional<int64_t> firstNs_;
};
