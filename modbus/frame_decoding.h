#pragma once
// Lines shared by the poll and response decoders.

#include <string>

#include "modbus/frame_fields.h"

// How many of `count` items, the first at entry `firstIndex` and each `stride` entries wide, lie
// inside the frame list; a negative count gives 0. Keeps hostile byte counts from running away.
int ItemsWithinList(int64_t count, int firstIndex, int stride);

// start + delta as a point offset, wrapping instead of overflowing on hostile words.
int32_t PointOffset(int32_t start, int64_t delta);

void AppendDeviceLine(std::string& report, const FrameValues& frame);
void AppendFunctionLine(std::string& report, int32_t function);

// Function 5: point address and required coil state.
void AppendSingleCoilLines(std::string& report, const FrameValues& frame, int32_t function);
// Function 6: point address and required register value.
void AppendSingleRegisterLines(std::string& report, const FrameValues& frame, int32_t function);
// Function 22: point address, AND mask, OR mask and the algorithm.
void AppendMaskWriteLines(std::string& report, const FrameValues& frame, int32_t function);
