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

// Whether `time` lies within what nanoseconds since 1970 in int64_t hold (1677-09-21 to
// 2262-04-11): ToNanoseconds of a time outside is only its end of that range.
inline bool FitsNanoseconds(const CaptureTimestamp& time) {
    constexpr int64_t kNanosPerSecond = 1000000000;
    return time.seconds <= std::numeric_limits<int64_t>::max() / kNanosPerSecond - 1 &&
           time.seconds >= std::numeric_limits<int64_t>::min() / kNanosPerSecond + 1;
}

// `time` moved by `ns` nanoseconds, in its own resolution when the move is a whole number of its
// units (so an unmoved time prints as it was captured), otherwise in nanoseconds. The seconds
// saturate at the ends of int64_t.
inline CaptureTimestamp ShiftedTimestamp(const CaptureTimestamp& time, int64_t ns) {
    constexpr int64_t kNanosPerSecond = 1000000000;
    int64_t unitNs = 0;
    if (time.fractionDigits <= 9 && time.fraction < kNanosPerSecond) {
        unitNs = 1;
        for (int d = time.fractionDigits; d < 9; ++d) {
            unitNs *= 10;
        }
    }
    CaptureTimestamp shifted = time;
    int64_t fraction = 0;  // in units of 1 / perSecond s
    int64_t perSecond = 0;
    if (unitNs > 0 && ns % unitNs == 0 && int64_t{time.fraction} * unitNs < kNanosPerSecond) {
        perSecond = kNanosPerSecond / unitNs;
        fraction = int64_t{time.fraction} + ns % kNanosPerSecond / unitNs;
    } else {
        const int64_t own = ToNanoseconds(CaptureTimestamp{0, time.fraction, time.fractionDigits});
        shifted.fractionDigits = 9;
        perSecond = kNanosPerSecond;
        fraction = own + ns % kNanosPerSecond;
    }
    int64_t seconds = ns / kNanosPerSecond;
    if (fraction < 0) {
        fraction += perSecond;
        --seconds;
    } else if (fraction >= perSecond) {
        fraction -= perSecond;
        ++seconds;
    }
    if (__builtin_add_overflow(time.seconds, seconds, &shifted.seconds)) {
        shifted.seconds =
            seconds > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    shifted.fraction = static_cast<uint32_t>(fraction);
    return shifted;
}

// `time` as the steady capture clock has it at `steadyNs`: moved by the offset between the two,
// or as it is when that offset does not fit.
inline CaptureTimestamp SteadyTimestamp(const CaptureTimestamp& time, int64_t steadyNs) {
    int64_t offset = 0;
    return __builtin_sub_overflow(steadyNs, ToNanoseconds(time), &offset)
               ? time
               : ShiftedTimestamp(time, offset);
}
