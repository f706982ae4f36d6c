#pragma once
// A Modbus/TCP message as the RTU frame it stands for: unit id, PDU, CRC; and its frame text.

#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_view.h"

// The bytes, then the CRC as an RTU frame carries it.
std::vector<uint8_t> RtuFrameOf(ByteView unitAndPdu);
std::vector<uint8_t> RtuFrameOf(uint8_t unit, ByteView pdu);

// "%02X " per byte.
std::string FrameTextOf(ByteView bytes);
void AppendFrameText(std::string& text, ByteView bytes);
