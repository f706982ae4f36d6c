#pragma once
// Decides from function code, frame length and the frame's own byte counts whether a frame can
// be a poll, a response, both, or neither.

#include <string>

#include "modbus/frame_fields.h"

// Outcomes.
constexpr int LEN_OK = 0;
constexpr int LEN_IMPOSSIBLE = 1;
constexpr int LEN_NOT_SUPPORTED = 2;
constexpr int LEN_MISMATCH = 3;
constexpr int LEN_BAD_PARITY = 4;
constexpr int LEN_TOO_SHORT = 5;

// Direction flags.
constexpr int DIR_POLL = 1;
constexpr int DIR_RESPONSE = 2;
constexpr int DIR_VALID = 4;
constexpr int DIR_INVALID = 8;

// `function` is byte 1 as it stands, `byte2` byte 2. On LEN_IMPOSSIBLE, LEN_BAD_PARITY and
// LEN_MISMATCH, declaredByteCount + 5 is the frame length that the frame itself declares.
int EvaluateLengthAndDirection(int32_t function, int32_t byte2, const FrameValues& frame,
                               int length, int& flags, int& declaredByteCount, int isException);

// 1 for a frame that can only be a poll, 2 for one that can only be a response, else 0.
int ClassifyFrame(const std::string& frameText);
