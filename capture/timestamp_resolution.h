#pragma once
// The unit of a capture's timestamps (pcapng if_tsresol: 10^-n or 2^-n seconds) and the
// conversion of a count of such units into seconds and a decimal fraction.

#include <cstdint>

#include "capture/capture_record.h"

class TimestampResolution {
public:
    // Microseconds, the default of both containers.
    TimestampResolution() = default;

    // From the if_tsresol byte: high bit clear = 10^-value, set = 2^-(value & 0x7F).
    // False for units too fine to count in 64 bits.
    static bool FromTsresol(uint8_t code, TimestampResolution& resolution);
    static TimestampResolution Decimal(uint8_t digits);

    // Six fraction digits for units down to the microsecond, nine for finer ones.
    CaptureTimestamp Convert(uint64_t units, int64_t offsetSeconds = 0) const;

private:
    bool powerOfTwo_ = false;
    uint8_t exponent_ = 6;
};
