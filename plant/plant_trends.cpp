#include "plant/plant_trends.h"

#include <algorithm>
#include <cmath>

#include "capture/capture_time.h"
#include "session/mbap.h"
#include "session/response_time.h"

DeviceTrends& PlantTrends::Take(const Transaction& t, const DeviceKey& key, ValueMapper* mapper) {
    DeviceTrends& device = devices_[key];
    mapped_ = mapper != nullptr;
    if (t.request) {
        const size_t bucket = buckets_.Place(ToNanoseconds(t.request->time));
        ++device.requests.At(buckets_, bucket).n;
    }
    if (!t.response) {
        return device;
    }
    responseBucket_ = buckets_.Place(ToNanoseconds(t.response->time));
    if ((t.response->FunctionCode() & mbap::kExceptionBit) != 0) {
        ++device.exceptions.At(buckets_, responseBucket_).n;
    }
    if (const std::optional<double> ms = ResponseTimeMs(t)) {
        device.responseTimesMs.Add(*ms);
    }
    if (mapper != nullptr) {
        TakeMapped(t, *mapper, device);
    }
    return device;
}

void PlantTrends::TakeRead(DeviceTrends& device, const PointValue& point,
                           std::optional<int32_t> previous) {
    if (mapped_ || (point.table != PointTable::InputRegisters &&
                    point.table != PointTable::HoldingRegisters)) {
        return;
    }
    const RegisterKey key = static_cast<uint32_t>(point.table) << 16 | point.address;
    const bool changed = previous && *previous != point.value;
    const auto found = std::find(device.registerKeys.begin(), device.registerKeys.end(), key);
    Trend* trend = nullptr;
    if (found != device.registerKeys.end()) {
        trend = &device.registers[static_cast<size_t>(found - device.registerKeys.begin())];
    } else {
        if (!changed || device.registers.size() >= kCandidates) {
            return;
        }
        device.registerKeys.push_back(key);
        trend = &device.registers.emplace_back();
        trend->values.At(buckets_, responseBucket_).Add(*previous);
    }
    trend->changes += changed ? 1 : 0;
    trend->values.At(buckets_, responseBucket_).Add(point.value);
}

void PlantTrends::TakeMapped(const Transaction& t, ValueMapper& mapper, DeviceTrends& device) {
    for (const MappedValue& mapped : mapper.ValuesOf(t)) {
        const TypedValue& value = mapped.value;
        if (mapped.access != PointAccess::Read || !value.number || !std::isfinite(*value.number)) {
            continue;
        }
        auto found = device.mapped.find(value.entry);
        if (found == device.mapped.end()) {
            if (device.mapped.size() >= kCandidates) {
                continue;
            }
            found = device.mapped.emplace(value.entry, Trend()).first;
        }
        Trend& trend = found->second;
        trend.changes += trend.last && *trend.last != *value.number ? 1 : 0;
        trend.last = value.number;
        trend.values.At(buckets_, responseBucket_).Add(*value.number);
    }
}

int RegisterReference(RegisterKey key) {
    const auto table = static_cast<PointTable>(key >> 16);
    return (table == PointTable::InputRegisters ? 30001 : 40001) + static_cast<int>(key & 0xFFFF);
}
