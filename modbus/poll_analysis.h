#pragma once

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

// The field-by-field decoding of a poll (a request from the client).
FrameFields AnalysePoll(FrameView frame);
