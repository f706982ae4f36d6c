#include "capture/timestamp_resolution.h"

#include <limits>

namespace {

uint64_t PowerOfTen(unsigned exponent) {
    uint64_t value = 1;
    for (unsigned i = 0; i < exponent; ++i) {
        value *= 10;
    }
    return value;
}

}  // namespace

bool TimestampResolution::FromTsresol(uint8_t code, TimestampResolution& resolution) {
    const bool powerOfTwo = (code & 0x80) != 0;
    const uint8_t exponent = code & 0x7F;
    // 10^19 and 2^63 are the largest unit counts per second that fit in 64 bits.
    if (exponent > (powerOfTwo ? 63 : 19)) {
        return false;
    }
    resolution.powerOfTwo_ = powerOfTwo;
    resolution.exponent_ = exponent;
    return true;
}

TimestampResolution TimestampResolution::Decimal(uint8_t digits) {
    TimestampResolution resolution;
    resolution.exponent_ = digits;
    return resolution;
}

CaptureTimestamp TimestampResolution::Convert(uint64_t units, int64_t offsetSeconds) const {
    CaptureTimestamp time;
    uint64_t fraction = 0;
    if (powerOfTwo_) {
        // 2^-19 s is still coarser than a microsecond; 2^-20 s is finer.
        time.fractionDigits = exponent_ <= 19 ? 6 : 9;
        time.seconds = static_cast<int64_t>(units >> exponent_);
        fraction = units & ((uint64_t{1} << exponent_) - 1);
        unsigned bits = exponent_;
        if (bits > 32) {  // keep fraction * 10^9 inside 64 bits; finer than 0.3 ns is lost
            fraction >>= bits - 32;
            bits = 32;
        }
        fraction = (fraction * PowerOfTen(time.fractionDigits)) >> bits;
    } else {
        time.fractionDigits = exponent_ <= 6 ? 6 : 9;
        const uint64_t perSecond = PowerOfTen(exponent_);
        time.seconds = static_cast<int64_t>(units / perSecond);
        fraction = units % perSecond;
        if (exponent_ <= time.fractionDigits) {
            fraction *= PowerOfTen(time.fractionDigits - exponent_);
        } else {
            fraction /= PowerOfTen(exponent_ - time.fractionDigits);
        }
    }
    // A hostile offset saturates instead of overflowing.
    const int64_t limit = std::numeric_limits<int64_t>::max();
    if (offsetSeconds > 0 && time.seconds > limit - offsetSeconds) {
        time.seconds = limit;
    } else if (offsetSeconds < 0 &&
               time.seconds < std::numeric_limits<int64_t>::min() - offsetSeconds) {
        time.seconds = std::numeric_limits<int64_t>::min();
    } else {
        time.seconds += offsetSeconds;
    }
    time.fraction = static_cast<uint32_t>(fraction);
    return time;
}
