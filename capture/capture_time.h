#pragma once
// Capture timestamps as one comparable number.

#include <cstdint>

#include "capture/capture_record.h"

// Nanoseconds since 1970, saturated at the ends of int64_t so hostile timestamps cannot overflow.
int64_t ToNanoseconds(const CaptureTimestamp& time);
