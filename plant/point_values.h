#pragma once
// The point values a transaction carries, one per coil, input or register, with the table it
// belongs to and its 0-based address: what was read from a device and what was written to it.

#include <cstdint>
#include <vector>

#include "modbus/function_table.h"
#include "session/transaction.h"

enum class PointAccess : uint8_t { Read, Write };

struct PointValue {
    PointTable table = PointTable::HoldingRegisters;
    uint16_t address = 0;   // 0-based, as on the wire
    int32_t reference = 0;  // Modicon: 1, 10001, 30001 or 40001 + address
    int32_t value = 0;      // register word, or coil state 0/1 (function 5: any other word as sent)
    PointAccess access = PointAccess::Read;
};

// A coil state as function 5 writes it: 1 for 0xFF00, 0 for 0x0000, any other word as sent.
int32_t CoilState(int32_t word);

// The values a request asks to write: 5, 6, 15, 16 and the write part of 23.
std::vector<PointValue> WrittenValuesOf(const FrameFields& request);

// The values written by the request (5, 6, 15, 16 and the write part of 23; a write answered
// with an exception wrote nothing and gives none; the echo of 5 or 6 stands in for a request
// that is missing or could not be analysed) and the values read by the response (1, 2, 3, 4,
// 23), in that order. Padding coils and the values of a response without its request (whose
// addresses are unknown) are left out.
std::vector<PointValue> PointValuesOf(const Transaction& transaction);
// The same into `values`, whose memory a caller taking many transactions keeps.
void PointValuesOf(const Transaction& transaction, std::vector<PointValue>& values);
