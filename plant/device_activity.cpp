#include "plant/device_activity.h"

#include <algorithm>

void DeviceActivity::Take(const Transaction& t, const Derivation& derived) {
    const CModbusMessage& first = t.First();
    const DeviceKey key{t.Server(), first.unit};
    Device& device = devices_[key];
    const int64_t ns = first.SteadyNanoseconds();
    if (t.request) {
        device.requests.Add(ns);
    }
    newestNs_ = std::max(newestNs_, ns);
    if (derived.write) {
        device.lastWrite = LastWrite{first.time, t.Client(), *derived.write};
    }
    for (const Anomaly& anomaly : derived.anomalies) {
        if (anomaly.kind == AnomalyKind::SlowResponse) {
            ++device.slowResponses;
        } else if (anomaly.kind != AnomalyKind::UnansweredRequest) {
            ++device.anomalies;
        }
        ++anomalies_;
        const CaptureTimestamp& time = anomaly.message ? anomaly.message->time : first.time;
        newestAnomalies_.push_front(RecentAnomaly{time, key, anomaly.kind, anomaly.detail});
        if (newestAnomalies_.size() > kKeptAnomalies) {
            newestAnomalies_.pop_back();
        }
    }
}
