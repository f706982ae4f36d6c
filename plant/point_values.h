#pragma once
// The point values a transaction carries, one per coil, input or register, with the table it
// belongs to and its 0-based address: what was read from a device and what was written to it.

#include <cstdint>
#include <vector>

#include "modbus/function_table.h"
#include "session/transaction.h"

enum class PointAccess : uint8_t { Read, Write };

// What a point tells of its device. The transaction log lists every point a transaction carries;
// the plant (its model, the points file, the change log, the drafted map) takes only those that
// say what a device holds.
enum class PointStanding : uint8_t {
    Answered,     // read from the device, or written and acknowledged
    Unanswered,   // written by a request never answered: it may have been written
    Refused,      // written by a request answered with an exception: nothing was written
    Unaddressed,  // read by a response without its request: `reference` is its 1-based index
};

struct PointValue {
    PointTable table = PointTable::HoldingRegisters;
    uint16_t address = 0;   // 0-based, as on the wire
    int32_t reference = 0;  // Modicon: 1, 10001, 30001 or 40001 + address
    int32_t value = 0;      // register word, or coil state 0/1 (function 5: any other word as sent)
    PointAccess access = PointAccess::Read;
    PointStanding standing = PointStanding::Answered;
};

// Whether the plant takes the point as what its device holds.
constexpr bool TakenByPlant(PointStanding standing) {
    return standing == PointStanding::Answered || standing == PointStanding::Unanswered;
}

// A coil state as function 5 writes it: 1 for 0xFF00, 0 for 0x0000, any other word as sent.
int32_t CoilState(int32_t word);

// The values a request asks to write: 5, 6, 15, 16 and the write part of 23.
std::vector<PointValue> WrittenValuesOf(const FrameFields& request);

// Every point value the transaction carries, written ones first: the values written by the
// request (5, 6, 15, 16 and the write part of 23; the echo of 5 or 6 stands in for a request that
// is missing or could not be analysed), then the values read by the response (1, 2, 3, 4, 23).
// Padding coils and points past the last address are left out. A transaction's points all stand
// alike: a refused write reads nothing, and a response without its request writes nothing but
// an echo, whose address it carries.
std::vector<PointValue> PointValuesOf(const Transaction& transaction);
// The same into `values`, whose memory a caller taking many transactions keeps.
void PointValuesOf(const Transaction& transaction, std::vector<PointValue>& values);
