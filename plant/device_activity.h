#pragma once
// What the live view shows of each device besides the plant model: its recent request rate, its
// anomalies counted apart from unanswered requests and slow responses, the last write made to
// it, and the newest anomalies of the whole plant. Bounded: an entry per device and the
// kKeptAnomalies newest anomalies.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

#include "plant/anomalies.h"
#include "plant/derivation.h"
#include "plant/plant_model.h"
#include "plant/recent_rate.h"
#include "plant/write_record.h"
#include "session/transaction.h"

// An anomaly as it happened: when (of the message it is about), at which device.
struct RecentAnomaly {
    CaptureTimestamp time;
    DeviceKey device;
    AnomalyKind kind;
    std::string detail;
};

// The last write to a device: when, from which client.
struct LastWrite {
    CaptureTimestamp time;
    Endpoint client;
    WriteRecord write;
};

class DeviceActivity {
public:
    static constexpr size_t kKeptAnomalies = 10;

    struct Device {
        RecentRate requests;
        uint64_t anomalies = 0;  // other than unanswered requests and slow responses
        uint64_t slowResponses = 0;
        std::optional<LastWrite> lastWrite;
    };

    // The transaction with what the stage derived of it (its anomalies, its write).
    void Take(const Transaction& transaction, const Derivation& derived);

    const std::map<DeviceKey, Device>& Devices() const { return devices_; }
    // Newest first, at most kKeptAnomalies.
    const std::deque<RecentAnomaly>& NewestAnomalies() const { return newestAnomalies_; }
    // Every anomaly taken.
    uint64_t Anomalies() const { return anomalies_; }
    // The newest capture time taken (steady nanoseconds), 0 before any.
    int64_t NewestNs() const { return newestNs_; }

private:
    std::map<DeviceKey, Device> devices_;
    std::deque<RecentAnomaly> newestAnomalies_;
    uint64_t anomalies_ = 0;
    int64_t newestNs_ = 0;
};
