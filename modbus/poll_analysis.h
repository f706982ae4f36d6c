#pragma once

#include "modbus/frame_report.h"
#include "modbus/frame_view.h"

// The field-by-field decoding of a poll (a request from the client).
FrameFields AnalysePoll(FrameView frame);
