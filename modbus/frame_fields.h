#pragma once
// Frame text and frame bytes, and the small field helpers of the frame analyser.

#include <array>
#include <cstdint>
#include <string>

// A frame as a list of byte values: device address, function code, data, CRC high, CRC low.
constexpr int kMaxFrameBytes = 1000;
using FrameValues = std::array<int32_t, kMaxFrameBytes>;

// Tokens of a frame text are separated by runs of these characters.
constexpr const char* kFrameTextDelimiters = "\r\n[] \t,:.(){}<>";
// Frame texts are read through a working buffer of this many characters.
constexpr size_t kFrameTextBufferSize = 10000;

// Reads up to maxCount hexadecimal tokens of `text` into `values` and returns how many it read.
int ParseHexBytes(std::string text, FrameValues& values, int maxCount);

// Entry `index`, or 0 outside the list.
int32_t ByteAt(const FrameValues& values, int index);
// Entry index * 256 + entry index + 1.
int32_t GetWord(const FrameValues& values, int index);
// value AND (1 << bit % 32): nonzero when the bit is set.
int32_t GetBit(int32_t value, int bit);

const char* GetOnOffText(int32_t value);
const char* GetRunIndicatorText(int32_t value);

// 0 when byteCount is nonzero and a frame of `length` bytes carries exactly byteCount data bytes
// (address, function, byte count, data, two CRC bytes); -1 otherwise.
int CheckByteCount(int32_t byteCount, int length);
