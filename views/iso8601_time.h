#pragma once
// Capture timestamps as ISO-8601 UTC text.

#include <string>

#include "capture/capture_record.h"

// "2026-12-07T13:50:16.123456Z": as many sub-second digits as the capture records (6 or 9).
// Years outside 0000-9999 are written with as many digits as they need, negative with a sign.
std::string Iso8601Utc(const CaptureTimestamp& time);
