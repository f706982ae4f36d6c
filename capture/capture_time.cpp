#include "capture/capture_time.h"

#include <limits>

int64_t ToNanoseconds(const CaptureTimestamp& time) {
    constexpr int64_t kNanosPerSecond = 1000000000;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    if (time.seconds > kMax / kNanosPerSecond - 1) {
        return kMax;
    }
    if (time.seconds < kMin / kNanosPerSecond + 1) {
        return kMin;
    }
    int64_t fraction = time.fraction;
    for (int digits = time.fractionDigits; digits < 9; ++digits) {
        fraction *= 10;
    }
    for (int digits = time.fractionDigits; digits > 9; --digits) {
        fraction /= 10;
    }
    if (fraction >= kNanosPerSecond) {
        fraction = kNanosPerSecond - 1;  // a broken fraction stays inside its second
    }
    return time.seconds * kNanosPerSecond + fraction;
}
