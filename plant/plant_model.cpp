#include "plant/plant_model.h"

#include <algorithm>
#include <cmath>

#include "capture/capture_time.h"
#include "modbus/function_table.h"
#include "plant/plant_trends.h"
#include "session/response_time.h"

namespace {

int FunctionOf(const Transaction& t) {
    return BaseFunctionCode(t.First().FunctionCode());
}

// On the steady capture clock: a step of the capture's clock moves neither end back.
void SeenAt(DeviceStats& device, bool first, const CModbusMessage& message) {
    const int64_t ns = message.SteadyNanoseconds();
    if (first || ns < device.firstSeenNs) {
        device.firstSeen = message.SteadyTime();
        device.firstSeenNs = ns;
    }
    if (first || ns > device.lastSeenNs) {
        device.lastSeen = message.SteadyTime();
        device.lastSeenNs = ns;
    }
}

// The range a request reads: functions 1 to 4, and the read part of 23.
bool ReadRange(const Transaction& t, PollKey& key) {
    if (!t.requestFrame || !t.requestFrame->poll) {
        return false;
    }
    const FrameFields& poll = *t.requestFrame->poll;
    PointTable table;
    if ((poll.layout != FrameLayout::ReadRequest && poll.layout != FrameLayout::ReadWriteRequest) ||
        !TableOfFunction(poll.function, table)) {
        return false;
    }
    key.function = poll.function;
    key.first = static_cast<uint32_t>(poll.reference - GetReferenceNumber(0, poll.function));
    key.count = static_cast<uint32_t>(poll.count);
    return true;
}

bool AnsweredWithException(const Transaction& t, int& code) {
    if (!t.response || !t.response->IsException()) {
        return false;
    }
    code = t.response->ExceptionCode();
    return true;
}

// Function 22: (current AND and-mask) OR (or-mask AND NOT and-mask).
int32_t MaskWritten(int32_t current, int32_t andMask, int32_t orMask) {
    return ((current & andMask) | (orMask & ~andMask)) & 0xFFFF;
}

}  // namespace

const char* WriteOutcomeName(WriteOutcome outcome) {
    static const char* const kNames[] = {"acknowledged", "exception", "unanswered"};
    return kNames[static_cast<int>(outcome)];
}

PlantModel::ConnectionUnit& PlantModel::Find(const Transaction& t, bool& firstOfDevice) {
    const CModbusMessage& first = t.First();
    // Which end serves is each transaction's own (a connection whose server stayed unknown
    // carries transactions either way, as every other view shows them): part of the key.
    const uint64_t serverIsHigherEnd = t.Client() < t.Server() ? 1 : 0;
    const uint64_t slotKey = (first.connectionId << 1 | serverIsHigherEnd) << 8 | first.unit;
    // Fibonacci hashing: the top bits of the key times 2^64 / golden ratio pick the slot.
    constexpr int kSlotBits = 12;
    static_assert(kConnectionSlots == size_t{1} << kSlotBits, "a slot per bit pattern");
    ConnectionUnit& known = connections_[(slotKey * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
    if (known.key != slotKey) {
        known = ConnectionUnit();
        known.key = slotKey;
    }
    firstOfDevice = false;
    if (known.device == nullptr) {
        const DeviceKey key{t.Server(), first.unit};
        auto found = devices_.find(key);
        firstOfDevice = found == devices_.end();
        known.device = firstOfDevice ? &devices_[key] : &found->second;
        if (trends_ != nullptr) {
            known.trends = &trends_->Device(key);
        }
    }
    if (known.client == nullptr && t.request) {
        known.client = &clients_[t.Client().address];
        const DeviceKey device{t.Server(), first.unit};
        std::set<DeviceKey>& devices = known.client->devices;
        if (devices.size() < kClientsKept || devices.count(device) > 0) {
            devices.insert(device);
        } else {
            ++known.client->devicesNotKept;
        }
        std::set<IpAddress>& clients = known.device->clients;
        if (clients.size() < kClientsKept || clients.count(t.Client().address) > 0) {
            clients.insert(t.Client().address);
        } else {
            ++known.device->clientsNotKept;
        }
    }
    return known;
}

void PlantModel::Take(const Transaction& t, Derivation& derived) {
    ++transactions_;
    bool first = false;
    ConnectionUnit& known = Find(t, first);
    DeviceStats& device = *known.device;
    if (t.request) {
        SeenAt(device, first, *t.request);
    }
    if (t.response) {
        SeenAt(device, first && !t.request, *t.response);
    }
    if (trends_ != nullptr) {
        trends_->Take(t, *known.trends, derived.responseMs, derived.PlantPoints(),
                      derived.PlantValues());
    }
    CountMessages(t, known, derived.responseMs);
    CountScans(known, derived.anomalies);
    if (detail_ != Detail::Overview) {
        RecordPoll(t, known);
    }
    RecordWrite(t, known, derived);
    if (trends_ != nullptr && derived.write) {
        trends_->TakeWrite(t, *known.trends, *derived.write);
    }
    RecordPoints(t, known, derived.PlantPoints());
    if (detail_ == Detail::Full) {
        RecordMapped(device, derived.PlantValues());
    }
    if (t.responseDetails) {
        // Device identification comes in pieces (more follows): each object as last sent.
        for (const DeviceIdObject& object : DeviceIdentificationObjects(*t.responseDetails)) {
            device.identification[object.id] = object.value;
        }
    }
}

void PlantModel::CountMessages(const Transaction& t, ConnectionUnit& known,
                               std::optional<double> responseMs) {
    DeviceStats& device = *known.device;
    const int function = FunctionOf(t);
    if (t.request) {
        ++device.requests;
        ++device.functions[function];
        ++known.client->requests[function];
        if (!t.response) {
            ++device.unanswered[t.unanswered];
        }
    }
    if (t.response) {
        ++device.responses;
        int code = 0;
        if (AnsweredWithException(t, code)) {
            ++device.exceptions[code];
            if (t.request) {  // a response alone was drawn by no request seen
                ++known.client->exceptions;
            }
        }
    }
    if (responseMs) {
        device.responseTimesMs.Add(*responseMs);
    }
}

void PlantModel::CountScans(ConnectionUnit& known, const std::vector<Anomaly>& anomalies) {
    for (const Anomaly& anomaly : anomalies) {
        // Raised once per client and device, on a request the client sent.
        if (anomaly.kind == AnomalyKind::AddressScan && known.client != nullptr) {
            ++known.client->devicesScanned;
        }
    }
}

void PlantModel::RecordPoll(const Transaction& t, ConnectionUnit& known) {
    PollKey key;
    if (!ReadRange(t, key)) {
        return;
    }
    const uint64_t cacheKey = uint64_t{static_cast<uint8_t>(key.function)} << 32 |
                              uint64_t{key.first & 0xFFFF} << 16 | (key.count & 0xFFFF);
    const auto cached = known.polls.find(cacheKey);
    PollStats* found = cached != known.polls.end() ? cached->second : nullptr;
    if (found == nullptr) {
        key.client = t.Client().address;
        std::map<PollKey, PollStats>& polling = known.device->polling;
        auto kept = polling.find(key);
        if (kept == polling.end()) {
            if (polling.size() >= kPolledRangesKept) {
                ++known.device->pollsNotFollowed;
                return;
            }
            kept = polling.emplace(key, PollStats()).first;
        }
        found = &kept->second;
        if (known.polls.size() >= kCachedPolls) {
            known.polls.clear();
        }
        known.polls.emplace(cacheKey, found);
    }
    PollStats& stats = *found;
    const int64_t now = t.request->SteadyNanoseconds();  // a clock step is no pause in polling
    if (stats.polls > 0) {
        stats.intervalsMs.Add(static_cast<double>(now - stats.lastNanoseconds) / 1e6);
    }
    ++stats.polls;
    stats.lastNanoseconds = now;
    stats.cycles.Take(now);
}

void PlantModel::RecordWrite(const Transaction& t, ConnectionUnit& known, Derivation& derived) {
    if (!t.request || !WritesPoints(t.request->FunctionCode())) {
        return;
    }
    DeviceStats& device = *known.device;
    WriteRecord& write = derived.write.emplace();
    write.function = t.request->FunctionCode();
    if (AnsweredWithException(t, write.exceptionCode)) {
        write.outcome = WriteOutcome::Exception;
    } else if (t.response) {
        write.outcome = WriteOutcome::Acknowledged;
    }
    const auto previousOf = [&device](PointTable table, uint16_t address) {
        return device.lastRead.Get(table, address);
    };
    if (t.requestFrame && t.requestFrame->poll) {
        const FrameFields& request = *t.requestFrame->poll;
        for (const PointValue& point : WrittenValuesOf(request)) {
            write.points.push_back({point.table, point.address, point.reference, point.value,
                                    previousOf(point.table, point.address)});
        }
        if (request.layout == FrameLayout::MaskWrite) {
            WrittenPoint point;
            point.address = static_cast<uint16_t>(request.reference - GetReferenceNumber(0, 22));
            point.reference = request.reference;
            point.previous = previousOf(point.table, point.address);
            if (point.previous) {
                point.value = MaskWritten(*point.previous, request.andMask, request.orMask);
            }
            write.points.push_back(point);
        }
    }
    if (write.outcome == WriteOutcome::Acknowledged && detail_ == Detail::Full) {
        for (const WrittenPoint& point : write.points) {
            device.written[static_cast<int>(point.table)].Add(point.address, 1);
        }
    }
    for (const MappedValue& value : derived.PlantValues()) {
        if (value.access == PointAccess::Write) {
            write.values.push_back(value);
        }
    }
    ++known.client->writes;
}

void PlantModel::RecordPoints(const Transaction& t, ConnectionUnit& known,
                              const std::vector<PointValue>& points) {
    DeviceStats& device = *known.device;
    if (!t.request || !t.responseFrame || !t.responseFrame->response) {
        return;
    }
    const FrameFields& response = *t.responseFrame->response;
    if (response.layout != FrameLayout::StatusBits && response.layout != FrameLayout::Registers) {
        return;
    }
    PollKey range;
    PointTable table;
    if (detail_ == Detail::Full && ReadRange(t, range) && TableOfFunction(range.function, table)) {
        device.read[static_cast<int>(table)].Add(range.first, range.count);
    }
    for (const PointValue& point : points) {
        if (point.access == PointAccess::Read) {
            device.lastRead.Set(point.table, point.address, point.value);
        }
    }
}

std::vector<std::pair<std::pair<const MapEntry*, DeviceKey>, const MappedStats*>>
PlantModel::Mapped() const {
    std::vector<std::pair<std::pair<const MapEntry*, DeviceKey>, const MappedStats*>> all;
    for (const auto& device : devices_) {
        for (const auto& entry : device.second.mapped) {
            all.push_back({{entry.first, device.first}, &entry.second});
        }
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return all;
}

void PlantModel::RecordMapped(DeviceStats& device, const std::vector<MappedValue>& values) {
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        MappedStats& stats = device.mapped[value.entry];
        if (value.isText) {
            stats.changes += stats.count > 0 && value.text != stats.lastText ? 1 : 0;
            if (stats.count == 0) {
                stats.firstText = value.text;
            }
            stats.lastText = value.text;
        } else if (value.number) {
            const double number = *value.number;
            // NaN differs even from itself: a change only when the bits differ.
            const bool same = stats.last && (*stats.last == number ||
                                             (std::isnan(*stats.last) && std::isnan(number)));
            stats.changes += stats.count > 0 && !same ? 1 : 0;
            if (!stats.first) {
                stats.first = number;
            }
            stats.last = number;
            if (!std::isnan(number)) {
                stats.min = stats.min ? std::min(*stats.min, number) : number;
                stats.max = stats.max ? std::max(*stats.max, number) : number;
            }
        }
        ++stats.count;
    }
}
