#pragma once
// The frame analyser: one frame (and, for a response, the poll it answers) decoded into a
// FrameReport.

#include "modbus/frame_report.h"
#include "modbus/frame_view.h"

// `poll` is the answered poll, or empty.
FrameReport AnalyseFrame(FrameView frame, FrameView poll = FrameView());
