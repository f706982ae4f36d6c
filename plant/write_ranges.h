#pragma once
// Who wrote where: the writes per client, device, function and range written, with when each
// client first and last wrote there and the values last written. A capture of many writes reads
// from these few rows; at most kRanges are kept and the writes of the rest counted.

#include <cstdint>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "plant/derivation.h"
#include "plant/plant_model.h"

struct WriteRangeKey {
    IpAddress client;
    DeviceKey device;
    int function = 0;
    int32_t reference = 0;  // Modicon reference of the first point written
    uint32_t count = 0;     // points written
    friend bool operator<(const WriteRangeKey& a, const WriteRangeKey& b) {
        return std::tie(a.client, a.device, a.function, a.reference, a.count) <
               std::tie(b.client, b.device, b.function, b.reference, b.count);
    }
};

struct WriteRangeStats {
    uint64_t writes = 0;
    uint64_t refused = 0;  // answered with an exception
    CaptureTimestamp firstTime;
    uint64_t firstFrame = 0;  // report frame of the first write
    CaptureTimestamp lastTime;
    // The first kValues values of the last write (none for a mask write to a register never
    // read).
    std::vector<std::optional<int32_t>> lastValues;
};

class WriteRanges {
public:
    static constexpr size_t kRanges = 4096;
    static constexpr size_t kValues = 8;

    void Take(const Transaction& transaction, const Derivation& derived);

    const std::map<WriteRangeKey, WriteRangeStats>& Ranges() const { return ranges_; }
    // In the order each client first wrote there.
    std::vector<const std::pair<const WriteRangeKey, WriteRangeStats>*> ByFirstWrite() const;
    uint64_t Writes() const { return writes_; }
    uint64_t WritesLeftOut() const { return leftOut_; }  // to ranges past the kRanges kept

private:
    std::map<WriteRangeKey, WriteRangeStats> ranges_;
    uint64_t writes_ = 0;
    uint64_t leftOut_ = 0;
};
