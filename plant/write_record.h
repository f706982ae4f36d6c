#pragma once
// What a write asked of a device, and how the device took it: one record per transaction of a
// writing function, found by the plant model with the values last read before the write.

#include <cstdint>
#include <optional>
#include <vector>

#include "plant/point_values.h"
#include "plant/value_mapper.h"

enum class WriteOutcome : uint8_t { Acknowledged, Exception, Unanswered };

struct WrittenPoint {
    PointTable table = PointTable::HoldingRegisters;
    uint16_t address = 0;
    int32_t reference = 0;
    std::optional<int32_t> value;     // none for a mask write to a register never read
    std::optional<int32_t> previous;  // the value last read from it before the write
};

struct WriteRecord {
    int function = 0;
    std::vector<WrittenPoint> points;
    std::vector<MappedValue> values;  // the typed values written, with a register map
    WriteOutcome outcome = WriteOutcome::Unanswered;
    int exceptionCode = 0;
};

// "acknowledged", "exception" or "unanswered".
const char* WriteOutcomeName(WriteOutcome outcome);
