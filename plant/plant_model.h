#pragma once
// What a capture tells about the plant, gathered from the transactions as they come: the
// devices (a server address and a unit id), what each client asks of them, how fast they answer
// and how often they are polled. Memory grows with the plant (devices, clients, polled ranges),
// not with the length of the capture; each write is handed back with its transaction's
// derivation for the views to keep or stream.

#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "plant/address_ranges.h"
#include "plant/derivation.h"
#include "plant/point_values.h"
#include "plant/poll_timing.h"
#include "plant/quantile_sketch.h"
#include "plant/value_mapper.h"
#include "plant/write_record.h"
#include "session/transaction.h"

class PlantTrends;
struct DeviceTrends;

struct DeviceKey {
    Endpoint server;
    uint8_t unit = 0;
    friend bool operator<(const DeviceKey& a, const DeviceKey& b) {
        return std::tie(a.server, a.unit) < std::tie(b.server, b.unit);
    }
};

// One client's polls of one range with one function.
struct PollKey {
    IpAddress client;
    int function = 0;
    uint32_t first = 0;  // 0-based address
    uint32_t count = 0;
    friend bool operator<(const PollKey& a, const PollKey& b) {
        return std::tie(a.client, a.function, a.first, a.count) <
               std::tie(b.client, b.function, b.first, b.count);
    }
};

// Poll intervals are many streams of like values: fewer are kept exactly.
constexpr size_t kExactIntervals = 256;
// Bounds that keep a device's state from growing with the length of a run (a client probing
// random ranges for days): past them, what is not kept is counted.
constexpr size_t kPolledRangesKept = 1024;  // polled ranges followed per device
constexpr size_t kClientsKept = 256;        // clients named per device, devices per client

struct PollStats {
    uint64_t polls = 0;
    int64_t lastNanoseconds = 0;
    QuantileSketch intervalsMs{kExactIntervals};  // between any two polls
    PollCycles cycles;                            // between bursts: the period
};

struct IdentificationObject {
    int id = 0;
    std::string value;
};

// The value last read from each point of a device, per table up to the highest address read.
class LastValues {
public:
    void Set(PointTable table, uint16_t address, int32_t value) {
        std::vector<int32_t>& values = tables_[static_cast<int>(table)];
        if (address >= values.size()) {
            values.resize(address + 1u, kNone);
        }
        values[address] = value;
    }
    std::optional<int32_t> Get(PointTable table, uint16_t address) const {
        const std::vector<int32_t>& values = tables_[static_cast<int>(table)];
        if (address >= values.size() || values[address] == kNone) {
            return std::nullopt;
        }
        return values[address];
    }

private:
    static constexpr int32_t kNone = INT32_MIN;  // no word or coil state is negative
    std::vector<int32_t> tables_[kPointTableCount];
};

// How the typed value of one map entry went on one device.
struct MappedStats {
    uint64_t count = 0;
    uint64_t changes = 0;  // a value differing from the one before
    std::optional<double> first, last, min, max;
    std::string firstText, lastText;
};

struct DeviceStats {
    std::set<IpAddress> clients;
    // On the steady capture clock (CModbusMessage::SteadyTime), so that the first is never after
    // the last.
    CaptureTimestamp firstSeen;
    CaptureTimestamp lastSeen;
    int64_t firstSeenNs = 0;  // the same in nanoseconds, to compare without converting
    int64_t lastSeenNs = 0;
    uint64_t requests = 0;
    uint64_t responses = 0;
    std::map<int, uint64_t> exceptions;  // code -> count
    std::map<Unanswered, uint64_t> unanswered;
    QuantileSketch responseTimesMs;
    std::map<int, uint64_t> functions;  // function -> transactions
    AddressRanges read[kPointTableCount];
    AddressRanges written[kPointTableCount];
    std::map<PollKey, PollStats> polling;  // at most kPolledRangesKept
    uint64_t pollsNotFollowed = 0;         // polls of ranges past kPolledRangesKept
    uint64_t clientsNotKept = 0;           // connections of clients not named, past kClientsKept
    std::map<int, std::string> identification;  // object id -> value, from 43/14 responses
    LastValues lastRead;
    std::unordered_map<const MapEntry*, MappedStats> mapped;  // with a register map
};

struct ClientStats {
    std::set<DeviceKey> devices;       // at most kClientsKept
    uint64_t devicesNotKept = 0;       // connections to devices not named, past kClientsKept
    std::map<int, uint64_t> requests;  // function -> requests
    uint64_t writes = 0;
    uint64_t exceptions = 0;      // responses to its requests that were exceptions
    uint64_t devicesScanned = 0;  // devices it raised an address_scan anomaly on
};

class PlantModel {
public:
    // What the model keeps of each device: everything, or an overview without the polls of
    // each range (DeviceStats::polling), the address ranges read and written and the map
    // entries' statistics (DeviceStats::mapped), for views that show none of them; or that
    // overview with the polls.
    enum class Detail : uint8_t { Full, Overview, Polls };

    // `trends` (may be null) gathers the series of the charts.
    explicit PlantModel(Detail detail = Detail::Full, PlantTrends* trends = nullptr)
        : detail_(detail), trends_(trends) {}

    // Counts the transaction with what was derived of it (its response time, point values
    // and typed values), and sets the write it made in `derived`.
    void Take(const Transaction& transaction, Derivation& derived);

    const std::map<DeviceKey, DeviceStats>& Devices() const { return devices_; }
    const std::map<IpAddress, ClientStats>& Clients() const { return clients_; }
    uint64_t Transactions() const { return transactions_; }
    // Per map entry and device, in map order, then by device.
    std::vector<std::pair<std::pair<const MapEntry*, DeviceKey>, const MappedStats*>> Mapped()
        const;

private:
    // What one connection's transactions with one unit and one server end lead to, found once:
    // so the device, the client and the polled ranges stay the same.
    struct ConnectionUnit {
        uint64_t key = UINT64_MAX;  // connection, server end and unit; none yet
        DeviceStats* device = nullptr;
        ClientStats* client = nullptr;                   // once it has sent a request
        DeviceTrends* trends = nullptr;                  // with trends
        std::unordered_map<uint64_t, PollStats*> polls;  // by function, first and count
    };
    // A connection's cache of its polls starts anew past this many.
    static constexpr size_t kCachedPolls = 256;
    ConnectionUnit& Find(const Transaction& t, bool& firstOfDevice);

    void CountMessages(const Transaction& t, ConnectionUnit& known,
                       std::optional<double> responseMs);
    void CountScans(ConnectionUnit& known, const std::vector<Anomaly>& anomalies);
    void RecordPoll(const Transaction& t, ConnectionUnit& known);
    void RecordPoints(const Transaction& t, ConnectionUnit& known,
                      const std::vector<PointValue>& points);
    void RecordWrite(const Transaction& t, ConnectionUnit& known, Derivation& derived);
    void RecordMapped(DeviceStats& device, const std::vector<MappedValue>& values);

    std::map<DeviceKey, DeviceStats> devices_;
    std::map<IpAddress, ClientStats> clients_;
    // Only a cache, in slots by connection and unit (a newer one takes a slot over): a capture
    // of many short connections must not fill memory with it.
    static constexpr size_t kConnectionSlots = 4096;
    std::vector<ConnectionUnit> connections_ = std::vector<ConnectionUnit>(kConnectionSlots);
    uint64_t transactions_ = 0;
    Detail detail_;
    PlantTrends* trends_;
};
