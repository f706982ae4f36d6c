#pragma once
// Checks of a frame as a Modbus RTU frame: minimum length, CRC, address, function, exception bit.

#include <string>

#include "modbus/frame_fields.h"

constexpr int RET_CODE_ERROR = -1;   // the frame cannot be analysed
constexpr int RET_CODE_OK = 0;       // no errors or warnings
constexpr int RET_CODE_WARNING = 1;  // errors or warnings reported, analysis goes on

// Appends numbered errors and warnings to `report`; isException becomes 1 for an exception
// response, else 0.
int ValidateFrame(const FrameValues& frame, int length, std::string& report, int& isException);
