#pragma once
// The frame analyser: one frame (and, for a response, the poll it answers) decoded into a
// DecodedFrame.

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

// `poll` is the answered poll, or empty.
DecodedFrame AnalyseFrame(FrameView frame, FrameView poll = FrameView());
