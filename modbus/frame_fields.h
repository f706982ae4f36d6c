#pragma once
// The small field helpers of the frame analyser.

#include <cstdint>

// value AND (1 << bit % 32): nonzero when the bit is set.
int32_t GetBit(int32_t value, int bit);

const char* GetOnOffText(int32_t value);
const char* GetRunIndicatorText(int32_t value);

// 0 when byteCount is nonzero and a frame of `length` bytes carries exactly byteCount data bytes
// (address, function, byte count, data, two CRC bytes); -1 otherwise.
int CheckByteCount(int32_t byteCount, int length);
