#pragma once
// What changed when: each value of a coil, input or register (or, with a register map, of a map
// entry) that differs from the one known before it, read from a device or written to it, as
// Zeek's Modbus memory-map tracking logs a register that changed. The first kRows changes are
// kept and the rest counted; the value known of each point is kept per device.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plant/derivation.h"
#include "plant/plant_model.h"

// A point's value, or a map entry's typed value (text for a string entry).
struct ChangeValue {
    std::optional<double> number;
    std::string text;
    friend bool operator==(const ChangeValue& a, const ChangeValue& b);
};

struct ChangeRecord {
    CaptureTimestamp time;  // of the response that read it, or of the writing request
    DeviceKey device;
    PointTable table = PointTable::HoldingRegisters;
    int32_t reference = 0;              // Modicon reference of the point or the entry's first
    const MapEntry* entry = nullptr;    // with a register map: the entry whose value changed
    std::optional<ChangeValue> before;  // none when a write is the first value known
    ChangeValue after;
    PointAccess access = PointAccess::Read;
    IpAddress client;  // who read or wrote it
    uint64_t reportFrame = 0;
};

class ChangeLog {
public:
    static constexpr size_t kRows = 1000;

    // The values the transaction read, and those of its write when the device acknowledged it.
    void Take(const Transaction& transaction, const Derivation& derived);

    const std::vector<ChangeRecord>& Rows() const { return rows_; }
    uint64_t Count() const { return count_; }
    uint64_t Written() const { return written_; }  // of Count(), the changes written

private:
    struct Known {
        std::vector<int32_t> points[kPointTableCount];  // by address, up to the highest known
        std::map<const MapEntry*, ChangeValue> entries;
    };
    Known& KnownOf(const Transaction& t);
    // Counts a change: whether it is kept (the first kRows are).
    bool Keep(PointAccess access);
    // Keeps the change with the transaction's time, device, client and frame.
    void Record(const Transaction& t, PointAccess access, ChangeRecord row,
                const std::optional<ChangeValue>& before);
    void TakePoints(const Transaction& t, Known& known, const std::vector<PointValue>& points,
                    const std::vector<MappedValue>& values, PointAccess access);
    void TakeValues(const Transaction& t, Known& known, const std::vector<MappedValue>& values,
                    PointAccess access);

    std::map<DeviceKey, Known> devices_;
    // Only a cache of each connection and unit's device, in slots (a newer one takes a slot
    // over): a capture of many short connections must not fill memory with it.
    struct Slot {
        uint64_t key = UINT64_MAX;
        Known* known = nullptr;
    };
    static constexpr int kSlotBits = 12;
    std::vector<Slot> slots_ = std::vector<Slot>(size_t{1} << kSlotBits);
    std::vector<ChangeRecord> rows_;
    uint64_t count_ = 0;
    uint64_t written_ = 0;
};
