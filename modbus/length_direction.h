#pragma once
// Decides from function code, frame length and the frame's own byte counts whether a frame can
// be a poll, a response, both, or neither.

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

// `isException`: the validation found the exception bit set (always a response).
LengthEvaluation EvaluateLengthAndDirection(FrameView frame, bool isException);

// The analysis of a frame up to its decoding: validation, length evaluation and, when both let
// the frame through (stage Decoded), the direction decision that says which sections to decode.
// No section is decoded.
DecodedFrame AssessFrame(FrameView frame);

// What a frame can only be, on its content alone: the assessment's decision for a poll or a
// response; Undecided when the frame stops before the decision or the decision is anything else.
FrameClass ClassifyFrame(FrameView frame);
