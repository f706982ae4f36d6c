#pragma once
// What the plant's charts show, over the capture's time in bounded memory: per device the
// requests and exceptions per time bucket, its response times in logarithmic bins, how its
// changing points went (coils and discrete inputs; registers, or with a register map its
// entries) and the writes to them.
//
// Every point sampled (read, or written and acknowledged) is watched: its first time, its
// sample count and its last value. When it first changes it is followed, while its device has
// room: a series of the device's value table gets its value before the change, back to the first
// sample, in the buckets where the device was asked anything, then every sample. So memory grows
// with the points read, and the series with a fixed number per device.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "network/ip_address.h"
#include "plant/bucket_table.h"
#include "plant/log_histogram.h"
#include "plant/plant_model.h"
#include "plant/time_series.h"

// A point of a device a chart may show: a coil, input or register by table and address, or an
// entry of the register map.
struct PointId {
    const MapEntry* entry = nullptr;  // an entry, or
    uint32_t key = 0;                 // table << 16 | address
    PointTable Table() const { return static_cast<PointTable>(key >> 16); }
    bool IsBit() const {
        return entry == nullptr &&
               (Table() == PointTable::Coils || Table() == PointTable::DiscreteInputs);
    }
    friend bool operator==(const PointId& a, const PointId& b) {
        return a.entry == b.entry && a.key == b.key;
    }
};

// Coils and inputs, or registers and map entries: each kind has its own room on a device.
enum class PointKind : uint8_t { Bits, Values };
constexpr int kPointKinds = 2;

// A point followed from its first change; its series in the value table has its index.
struct FollowedPoint {
    PointId id;
    uint64_t changes = 0;  // samples differing from the one before
    uint64_t samples = 0;
    int64_t firstNs = 0;  // of the first sample
    int64_t lastNs = 0;
    uint64_t leftOut = 0;  // values no chart draws: not finite, or beyond a float's range
    // The mean time between its samples; 0 with fewer than two.
    double IntervalSeconds() const {
        return samples > 1
                   ? static_cast<double>(lastNs - firstNs) / 1e9 / static_cast<double>(samples - 1)
                   : 0;
    }
};

// What is known of a point until it changes.
struct PointWatch {
    static constexpr uint16_t kNoRoom = UINT16_MAX;  // changed while its kind had no room

    double last = 0;
    uint32_t firstMs = 0;   // the first sample, after the buckets' origin (saturating)
    uint32_t samples = 0;   // saturating
    uint16_t leftOut = 0;   // saturating
    uint16_t followed = 0;  // its index in DeviceTrends::followed + 1, 0 while constant
};

// The first write to a point in a bucket, and how many fell in it.
struct WriteCell {
    int64_t ns = 0;
    uint32_t count = 0;
    uint16_t writer = 0;  // in DeviceTrends::writers
    void Merge(const WriteCell& later) {
        if (count == 0) {
            *this = later;
        } else {
            count += later.count;
        }
    }
};

struct DeviceTrends {
    static constexpr size_t kRequests = 0;
    static constexpr size_t kExceptions = 1;
    BucketTable<Count> messages{2};  // series kRequests and kExceptions
    LogHistogram responseTimesMs;
    // The followed points: series i of `values` is followed[i]. Kept apart from the watches,
    // as each value sampled touches them.
    BucketTable<Extent> values;
    std::vector<FollowedPoint> followed;
    std::vector<PointWatch> watches;
    std::vector<uint32_t> watchOf[kPointTableCount];           // by address: index + 1 in `watches`
    std::unordered_map<const MapEntry*, uint32_t> entryWatch;  // likewise
    size_t watched[kPointKinds] = {};                          // points sampled
    size_t notWatched = 0;  // points sampled past PlantTrends::kWatchedPoints, not watched
    size_t changed[kPointKinds] = {};  // of them, those that changed (followed or not)
    size_t followedOf[kPointKinds] = {};
    // Writes per point written: series i of `writes` is writtenPoints[i].
    BucketTable<WriteCell> writes;
    std::vector<PointId> writtenPoints;
    std::vector<IpAddress> writers;
    // How often the device is polled (plant/poll_timing.h), set when the trends are settled.
    std::optional<double> pollPeriodMs;
};

// A step of the capture's clock, where the charts' time (the steady capture clock) took it out.
struct ClockStepMark {
    int64_t ns = 0;    // on the steady clock: the first message after the step
    int64_t step = 0;  // how far the capture's clock stepped: below 0 back
};

class PlantTrends {
public:
    // Points followed per device and kind, and written points marked.
    static constexpr size_t kFollowed[kPointKinds] = {16, 32};
    static constexpr size_t kWrittenPoints = 64;
    static constexpr size_t kWriters = 256;
    // Points watched per device (about 24 bytes each): a client that scans the address space
    // must not make a device cost megabytes. Later points are counted, not watched.
    static constexpr size_t kWatchedPoints = 8192;
    // A point's watch index when its device had no room left.
    static constexpr uint32_t kNotWatched = UINT32_MAX;
    // Clock steps marked on the charts; later ones are counted.
    static constexpr size_t kStepMarks = 32;

    // `mapped`: a register map gives the values to follow, not the registers.
    explicit PlantTrends(bool mapped) : mapped_(mapped) {}
    bool Mapped() const { return mapped_; }

    // The series of a device, made empty the first time.
    DeviceTrends& Device(const DeviceKey& key) { return devices_[key]; }
    // Counts the transaction, answered in `responseMs` or not, on its device, and samples its
    // point values (`points`, `values` through the map) read, or written and acknowledged.
    void Take(const Transaction& t, DeviceTrends& device, std::optional<double> responseMs,
              const std::vector<PointValue>& points, const std::vector<MappedValue>& values);
    // Marks the write on the points it wrote.
    void TakeWrite(const Transaction& t, DeviceTrends& device, const WriteRecord& write);

    // Brings every series up to the shared bucket width and gives each device its poll period
    // (`periodOf`), before the views read.
    template <class PeriodOf>
    void Settle(PeriodOf periodOf) {
        for (auto& entry : devices_) {
            DeviceTrends& device = entry.second;
            device.messages.Settle(buckets_);
            device.values.Settle(buckets_);
            device.writes.Settle(buckets_);
            device.pollPeriodMs = periodOf(entry.first);
        }
    }

    const TimeBuckets& Buckets() const { return buckets_; }
    const std::map<DeviceKey, DeviceTrends>& Devices() const { return devices_; }
    const std::vector<ClockStepMark>& ClockSteps() const { return clockSteps_; }
    uint64_t ClockStepsNotMarked() const { return clockStepsNotMarked_; }

private:
    // When the values of the transaction being taken were written (its request) or read (its
    // response), and their row in the device's value table, found once (until a series is
    // added: the rows then move).
    struct SampleTime {
        int64_t ns = 0;
        size_t bucket = 0;
        Extent* row = nullptr;
    };

    void Sample(DeviceTrends& device, PointId id, uint32_t& watch, double value, SampleTime& at);
    // Watches a point from its first sample; its index in the device's watches + 1.
    uint32_t Watch(DeviceTrends& device, PointId id, double value, int64_t ns);
    void Follow(DeviceTrends& device, PointWatch& watch, PointId id, size_t bucket);
    void Mark(DeviceTrends& device, PointId id, const WriteCell& cell, size_t bucket);
    void NoteClockSteps(const CModbusMessage& message);

    bool mapped_;
    SampleTime written_;
    SampleTime read_;
    TimeBuckets buckets_;
    std::map<DeviceKey, DeviceTrends> devices_;
    std::vector<ClockStepMark> clockSteps_;
    uint64_t clockStepsNotMarked_ = 0;
};

// The Modicon reference of a point key: 1, 10001, 30001 or 40001 plus its address.
int PointReference(uint32_t key);
