#pragma once
// Checks of a frame as a Modbus RTU frame: minimum length, CRC, address, function, exception bit.

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

ValidationResult ValidateFrame(FrameView frame);
