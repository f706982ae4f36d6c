#pragma once

#include <string>

#include "modbus/frame_fields.h"

// Appends the field-by-field decoding of a response from the server. `previous` is the poll it
// answers (previousLength 0: no poll supplied), which gives read responses their addresses.
void AnalyseResponse(const FrameValues& frame, int length, const FrameValues& previous,
                     int previousLength, std::string& report);
