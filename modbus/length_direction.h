#pragma once
// Decides from function code, frame length and the frame's own byte counts whether a frame can
// be a poll, a response, both, or neither.

#include "modbus/frame_report.h"
#include "modbus/frame_view.h"

// `isException`: the validation found the exception bit set (always a response).
LengthEvaluation EvaluateLengthAndDirection(FrameView frame, bool isException);

// What a frame can only be, on its content alone.
FrameClass ClassifyFrame(FrameView frame);
