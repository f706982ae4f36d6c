#include "modbus/modbus_crc.h"

#include <array>

namespace {

struct CrcTables {
    std::array<uint8_t, 256> high{};  // low byte of the bitwise CRC of byte i
    std::array<uint8_t, 256> low{};   // high byte of the bitwise CRC of byte i
};

constexpr CrcTables MakeTables() {
    CrcTables tables;
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
        tables.high[i] = static_cast<uint8_t>(crc & 0xFF);
        tables.low[i] = static_cast<uint8_t>(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

uint16_t ModbusCRC16(const uint8_t* bytes, size_t length) {
    uint8_t hi = 0xFF;
    uint8_t lo = 0xFF;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t index = static_cast<uint8_t>(hi ^ bytes[i]);
        hi = static_cast<uint8_t>(lo ^ kTables.high[index]);
        lo = kTables.low[index];
    }
    return static_cast<uint16_t>((hi << 8) | lo);
}
