#include "plant/plant_trends.h"

#include <algorithm>
#include <cmath>

#include "capture/capture_time.h"

void PlantTrends::Take(const Transaction& t, DeviceTrends& device, std::optional<double> responseMs,
                       const std::vector<MappedValue>& values) {
    if (t.request) {
        const size_t bucket = buckets_.Place(ToNanoseconds(t.request->time));
        ++device.messages.Row(buckets_, bucket)[DeviceTrends::kRequests].n;
    }
    if (!t.response) {
        return;
    }
    responseBucket_ = buckets_.Place(ToNanoseconds(t.response->time));
    device.values.Prefetch(responseBucket_);
    if (t.response->IsException()) {
        ++device.messages.Row(buckets_, responseBucket_)[DeviceTrends::kExceptions].n;
    }
    if (responseMs) {
        device.responseTimesMs.Add(*responseMs);
    }
    if (mapped_) {
        TakeMapped(values, device);
    }
}

void PlantTrends::TakeReads(DeviceTrends& device, const std::vector<PointValue>& points,
                            const LastValues& before) {
    Extent* row = nullptr;  // the values in the response's bucket, found once
    for (const PointValue& point : points) {
        if (point.access != PointAccess::Read || (point.table != PointTable::InputRegisters &&
                                                  point.table != PointTable::HoldingRegisters)) {
            continue;
        }
        const std::optional<int32_t> previous = before.Get(point.table, point.address);
        const bool changed = previous && *previous != point.value;
        std::vector<uint8_t>& candidates =
            device.candidateOf[point.table == PointTable::InputRegisters ? 0 : 1];
        const uint8_t index = point.address < candidates.size() ? candidates[point.address] : 0;
        size_t series = index > 0 ? index - 1u : 0;
        if (index == 0) {
            if (!changed || device.registerKeys.size() >= kCandidates) {
                continue;
            }
            if (point.address >= candidates.size()) {
                candidates.resize(point.address + 1u, 0);
            }
            series = device.values.AddSeries();
            device.registerKeys.push_back(static_cast<uint32_t>(point.table) << 16 | point.address);
            device.registerChanges.push_back(0);
            candidates[point.address] = static_cast<uint8_t>(series + 1u);
            row = device.values.Row(buckets_, responseBucket_);  // the rows may have moved
            row[series].Add(*previous);
        }
        device.registerChanges[series] += changed ? 1 : 0;
        if (row == nullptr) {
            row = device.values.Row(buckets_, responseBucket_);
        }
        row[series].Add(point.value);
    }
}

void PlantTrends::TakeMapped(const std::vector<MappedValue>& values, DeviceTrends& device) {
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        if (mapped.access != PointAccess::Read || !value.number || !std::isfinite(*value.number)) {
            continue;
        }
        auto found = device.mapped.find(value.entry);
        if (found == device.mapped.end()) {
            if (device.mapped.size() >= kCandidates) {
                continue;
            }
            found = device.mapped.emplace(value.entry, device.values.AddSeries()).first;
        }
        device.values.Row(buckets_, responseBucket_)[found->second].Add(*value.number);
    }
}

int RegisterReference(RegisterKey key) {
    const auto table = static_cast<PointTable>(key >> 16);
    return ReferenceBase(table) + static_cast<int>(key & 0xFFFF);
}
