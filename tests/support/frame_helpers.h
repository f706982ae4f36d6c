#pragma once
// Frames for the analyser tests: as a value list and as the text the extraction writes.

#include <string>

#include "modbus/frame_fields.h"
#include "tests/support/pcap_builder.h"

FrameValues Values(const Bytes& bytes);
// "%02X " per byte.
std::string FrameText(const Bytes& bytes);
