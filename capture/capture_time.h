#pragma once
// Capture timestamps as one comparable number.

#include <cstdint>
#include <limits>

#include "capture/capture_record.h"

// Nanoseconds since 1970, saturated at the ends of int64_t so hostile timestamps cannot overflow.
// Inline: the plant views ask it of every message several times.
inline int64_t ToNanoseconds(const CaptureTimestamp& time) {
    constexpr int64_t kNanosPerSecond = 1000000000;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    if (time.seconds > kMax / kNanosPerSecond - 1) {
        return kMax;
    }
    if (time.seconds < kMin / kNanosPerSecond + 1) {
        return kMin;
    }
    constexpr int64_t kPowersOfTen[] = {
        1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000};
    const int digits = time.fractionDigits;
    int64_t fraction = time.fraction;
    if (digits <= 9) {
        fraction *= kPowersOfTen[9 - digits];
    } else {
        // A 32-bit fraction is below 10^10: finer than that, it is 0 ns.
        fraction = digits - 9 <= 10 ? fraction / kPowersOfTen[digits - 9] : 0;
    }
    if (fraction >= kNanosPerSecond) {
        fraction = kNanosPerSecond - 1;  // a broken fraction stays inside its second
    }
    return time.seconds * kNanosPerSecond + fraction;
}
