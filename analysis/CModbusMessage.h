#pragma once

#include <array>
#include <cstdint>
#include <string>

// IPv4 address, 4 bytes in network order.
using Ipv4Address = std::array<uint8_t, 4>;

// One Modbus/TCP message taken out of a captured packet.
struct CModbusMessage {
    Ipv4Address source{};
    Ipv4Address destination{};
    int32_t number = 0;     // 1 for the first record that carried TCP payload
    std::string frameText;  // the message as a Modbus RTU frame: "%02X " per byte, CRC included
};
