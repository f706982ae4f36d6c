#pragma once

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

// The field-by-field decoding of a response from the server. `poll` is the poll it answers
// (empty: no poll supplied), which gives read responses their addresses.
FrameFields AnalyseResponse(FrameView frame, FrameView poll);
