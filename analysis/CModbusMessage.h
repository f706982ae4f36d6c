#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_view.h"

// IPv4 address, 4 bytes in network order.
using Ipv4Address = std::array<uint8_t, 4>;

// One Modbus/TCP message taken out of a captured packet.
struct CModbusMessage {
    Ipv4Address source{};
    Ipv4Address destination{};
    int32_t number = 0;          // 1 for the first record that carried TCP payload
    std::vector<uint8_t> frame;  // the message as a Modbus RTU frame: unit id, PDU, CRC

    // The frame as text, "%02X " per byte, as the report and the progress line show it.
    std::string FrameText() const;
};

// "%02X " per byte.
std::string FrameTextOf(ByteView bytes);
// The RTU frame of a unit id and PDU: the bytes, then the CRC as an RTU frame carries it.
std::vector<uint8_t> RtuFrameOf(ByteView unitAndPdu);
// a.b.c.d
std::string AddressText(const Ipv4Address& address);
