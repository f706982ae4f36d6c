#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS (reflected polynomial 0xA001, initial value 0xFFFF), table driven. The result has
// the CRC's low-order byte in its high half: an RTU frame carries the result's high byte first.
uint16_t ModbusCRC16(const uint8_t* bytes, size_t length);
