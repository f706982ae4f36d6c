#pragma once
// What the plant's charts show, over the capture's time in bounded memory: per device the
// requests and exceptions per time bucket, its response times in logarithmic bins, and how its
// registers went. Without a register map, only the first kCandidates registers of a device that
// change are followed (from their first change on), and the most changed of them are drawn;
// with one, the numeric values of its first kCandidates entries seen on the device.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "plant/bucket_table.h"
#include "plant/log_histogram.h"
#include "plant/plant_model.h"
#include "plant/time_series.h"

// An input or holding register: the table in the high half, the address in the low one.
using RegisterKey = uint32_t;

struct DeviceTrends {
    static constexpr size_t kRequests = 0;
    static constexpr size_t kExceptions = 1;
    BucketTable<Count> messages{2};  // series kRequests and kExceptions
    LogHistogram responseTimesMs;
    // Of the map entries followed with a map, without one of the candidate registers: series
    // i is candidate i. Kept small and apart, as each value read touches them.
    BucketTable<Extent> values;
    std::vector<RegisterKey> registerKeys;
    std::vector<uint64_t> registerChanges;
    // Where each register's candidate stands (its index + 1; 0 for none) by table and address,
    // up to the highest address read.
    std::vector<uint8_t> candidateOf[2];  // input registers, holding registers
    // Map entries are the elements of one vector: their addresses are in map order.
    std::map<const MapEntry*, size_t> mapped;  // each entry's series
};

class PlantTrends {
public:
    static constexpr size_t kCandidates = 32;

    // `mapped`: a register map gives the values to follow, not the registers that change.
    explicit PlantTrends(bool mapped) : mapped_(mapped) {}
    bool Mapped() const { return mapped_; }

    // The series of a device, made empty the first time.
    DeviceTrends& Device(const DeviceKey& key) { return devices_[key]; }
    // Counts the transaction, answered in `responseMs` or not, on its device, with its typed
    // values through the register map.
    void Take(const Transaction& t, DeviceTrends& device, std::optional<double> responseMs,
              const std::vector<MappedValue>& values);
    // The point values of the transaction last taken (those read from the device count), with
    // the values last read before it.
    void TakeReads(DeviceTrends& device, const std::vector<PointValue>& points,
                   const LastValues& before);

    TimeBuckets& Buckets() { return buckets_; }
    std::map<DeviceKey, DeviceTrends>& Devices() { return devices_; }

private:
    void TakeMapped(const std::vector<MappedValue>& values, DeviceTrends& device);

    bool mapped_;
    TimeBuckets buckets_;
    std::map<DeviceKey, DeviceTrends> devices_;
    size_t responseBucket_ = 0;  // of the transaction last taken
};

// The Modicon reference of a register key: 30001 or 40001 plus its address.
int RegisterReference(RegisterKey key);
