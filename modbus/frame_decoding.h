#pragma once
// Field decoders shared by the poll and response analysis.

#include <cstdint>

#include "modbus/decoded_frame.h"
#include "modbus/frame_view.h"

// How many of `count` items, the first at byte `firstIndex` and each `stride` bytes wide, lie
// inside the analyser's kMaxFrameBytes bytes; a negative count gives 0. Keeps hostile byte counts
// from running away.
int ItemsWithinList(int64_t count, int firstIndex, int stride);

// Fields with unit, function and layout set.
FrameFields StartFields(FrameView frame, int32_t function, FrameLayout layout);

// Whether a request's read or write range runs past address 65535 (1 to 4, 15, 16, 23).
bool RangeRunsPastLastAddress(const FrameFields& request);

// Functions 5 and 6: point reference (word 2) and value (word 4).
void DecodeReferenceAndValue(FrameView frame, FrameFields& fields);
// Function 22: point reference, AND mask, OR mask.
void DecodeMaskWrite(FrameView frame, FrameFields& fields);

// Coil states of `byteCount` status bytes from byte `firstIndex`, 8 points per byte, lowest bit
// first. With addresses known, points get references from `start` and those past `quantity` are
// padding; without, points carry their 1-based index.
void DecodeCoilBits(FrameView frame, int firstIndex, int byteCount, int32_t start, int32_t quantity,
                    FrameFields& fields);

// `count` register words from byte `firstIndex`, referenced from `start` (or indexed).
// Points whose address would lie past 65535 are marked: the report lists them as the request
// numbers them, the plant outputs leave them out.
void DecodeRegisterWords(FrameView frame, int firstIndex, int count, int32_t start,
                         FrameFields& fields);
