#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_view.h"
#include "modbus/rtu_frame.h"
#include "network/ip_address.h"

// One Modbus/TCP message taken out of a captured packet.
struct CModbusMessage {
    IpAddress source;
    IpAddress destination;
    int32_t number = 0;          // the message number the report block carries
    std::vector<uint8_t> frame;  // the message as a Modbus RTU frame: unit id, PDU, CRC

    // The frame as text, "%02X " per byte, as the report and the progress line show it.
    std::string FrameText() const;
};
