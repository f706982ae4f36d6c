#pragma once

#include <string>

#include "modbus/frame_fields.h"

// Appends the field-by-field decoding of a poll (a request from the client).
void AnalysePoll(const FrameValues& frame, int length, std::string& report);
