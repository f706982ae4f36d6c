#pragma once
// The four tables of a Modbus device's data model and their Modicon reference bases.

#include <cstdint>

enum class PointTable : uint8_t { Coils, DiscreteInputs, InputRegisters, HoldingRegisters };
constexpr int kPointTableCount = 4;

// A table's points sit at addresses 0 to 65535.
constexpr int64_t kAddressCount = 65536;

// Whether `count` points from address `first` run past the last address.
constexpr bool RunsPastLastAddress(int64_t first, int64_t count) {
    return count > 0 && first + count > kAddressCount;
}

// The Modicon reference of a table's address 0: 1, 10001, 30001 or 40001.
int ReferenceBase(PointTable table);

// "coils", "discrete_inputs", "input_registers", "holding_registers".
const char* PointTableName(PointTable table);
