#include "plant/plant_trends.h"

#include <algorithm>
#include <cmath>

#include "capture/capture_time.h"

namespace {

bool IsBitTable(PointTable table) {
    return table == PointTable::Coils || table == PointTable::DiscreteInputs;
}

size_t KindOf(PointId id) {
    return static_cast<size_t>(id.IsBit() ? PointKind::Bits : PointKind::Values);
}

}  // namespace

// Taken for every value read or written, so inlined; the work of a point's first sample and of
// its first change is kept out of line.
[[gnu::always_inline]] inline void PlantTrends::Sample(DeviceTrends& device, PointId id,
                                                       uint32_t& watchIndex, double value,
                                                       SampleTime& at) {
    if (watchIndex == 0) {
        watchIndex = Watch(device, id, value, at.ns);
        return;
    }
    if (watchIndex == kNotWatched) {
        return;
    }
    PointWatch& watch = device.watches[watchIndex - 1];
    // NaN differs even from itself: no change from one NaN to the next.
    const bool same = value == watch.last || (std::isnan(value) && std::isnan(watch.last));
    if (!same && watch.followed == 0) {
        Follow(device, watch, id, at.bucket);
    }
    const bool drawable = Extent::Holds(value);
    if (watch.followed == 0 || watch.followed == PointWatch::kNoRoom) {
        watch.samples += watch.samples < UINT32_MAX ? 1 : 0;
        watch.leftOut += !drawable && watch.leftOut < UINT16_MAX ? 1 : 0;
        watch.last = value;
        return;
    }
    const size_t series = watch.followed - 1u;
    FollowedPoint& point = device.followed[series];
    point.changes += same ? 0 : 1;
    ++point.samples;
    point.lastNs = std::max(point.lastNs, at.ns);
    if (drawable) {
        if (at.row == nullptr) {
            at.row = device.values.Row(buckets_, at.bucket);
        }
        at.row[series].Add(value);
    } else {
        ++point.leftOut;
    }
    watch.last = value;
}

void PlantTrends::Take(const Transaction& t, DeviceTrends& device, std::optional<double> responseMs,
                       const std::vector<PointValue>& points,
                       const std::vector<MappedValue>& values) {
    int64_t requestNs = t.request ? t.request->SteadyNanoseconds() : 0;
    if (t.request) {
        NoteClockSteps(*t.request);
        ++device.messages.Row(buckets_, buckets_.Place(requestNs))[DeviceTrends::kRequests].n;
    }
    if (!t.response) {
        return;  // nothing read, and what it wrote may not be there
    }
    NoteClockSteps(*t.response);
    const int64_t responseNs = t.response->SteadyNanoseconds();
    const size_t responseBucket = buckets_.Place(responseNs);
    device.values.Prefetch(responseBucket);
    if (t.response->IsException()) {
        ++device.messages.Row(buckets_, responseBucket)[DeviceTrends::kExceptions].n;
    }
    if (responseMs) {
        device.responseTimesMs.Add(*responseMs);
    }
    // Placed once the response has widened the buckets, if it did. A write known from its
    // echo alone counts at the echo's time.
    requestNs = t.First().SteadyNanoseconds();
    written_ = {requestNs, buckets_.Place(requestNs), nullptr};
    read_ = {responseNs, responseBucket, nullptr};
    for (const PointValue& point : points) {
        if (mapped_ && !IsBitTable(point.table)) {
            continue;  // with a map, its entries stand for the registers
        }
        const bool read = point.access == PointAccess::Read;
        std::vector<uint32_t>& watchOf = device.watchOf[static_cast<int>(point.table)];
        if (point.address >= watchOf.size()) {
            watchOf.resize(point.address + 1u, 0);
        }
        const PointId id{nullptr, static_cast<uint32_t>(point.table) << 16 | point.address};
        Sample(device, id, watchOf[point.address], point.value, read ? read_ : written_);
    }
    for (const MappedValue& mapped : values) {
        const TypedValue& value = mapped.value;
        if (!value.number || IsBitTable(value.entry->table)) {
            continue;  // text is not drawn; bits are drawn by their reference
        }
        const bool read = mapped.access == PointAccess::Read;
        Sample(device, PointId{value.entry, 0}, device.entryWatch[value.entry], *value.number,
               read ? read_ : written_);
    }
}

uint32_t PlantTrends::Watch(DeviceTrends& device, PointId id, double value, int64_t ns) {
    if (device.watches.size() >= kWatchedPoints) {
        ++device.notWatched;
        return kNotWatched;
    }
    PointWatch watch;
    watch.last = value;
    const int64_t ms = std::max<int64_t>(0, ns - buckets_.OriginNs()) / 1000000;
    watch.firstMs = static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
    watch.samples = 1;
    watch.leftOut = Extent::Holds(value) ? 0 : 1;
    device.watches.push_back(watch);
    ++device.watched[KindOf(id)];
    return static_cast<uint32_t>(device.watches.size());
}

void PlantTrends::Follow(DeviceTrends& device, PointWatch& watch, PointId id, size_t bucket) {
    const size_t kind = KindOf(id);
    ++device.changed[kind];
    if (device.followedOf[kind] >= kFollowed[kind]) {
        watch.followed = PointWatch::kNoRoom;
        return;
    }
    ++device.followedOf[kind];
    const size_t series = device.values.AddSeries();
    written_.row = nullptr;
    read_.row = nullptr;
    FollowedPoint point;
    point.id = id;
    point.samples = watch.samples;
    point.firstNs = buckets_.OriginNs() + int64_t{watch.firstMs} * 1000000;
    point.lastNs = point.firstNs;
    point.leftOut = watch.leftOut;
    device.followed.push_back(point);
    watch.followed = static_cast<uint16_t>(series + 1);
    if (!Extent::Holds(watch.last)) {
        return;
    }
    // The value it kept until now, from its first sample on, in the buckets where its device was
    // asked anything: then at least it could have been read.
    const size_t first = std::min(buckets_.Place(point.firstNs), bucket);
    for (size_t b = first; b <= bucket; ++b) {
        if (b == first || b == bucket ||
            device.messages.Row(buckets_, b)[DeviceTrends::kRequests].n > 0) {
            device.values.Row(buckets_, b)[series].Add(watch.last);
        }
    }
}

void PlantTrends::TakeWrite(const Transaction& t, DeviceTrends& device, const WriteRecord& write) {
    if (!t.request || write.outcome == WriteOutcome::Exception) {
        return;  // refused: nothing written
    }
    const IpAddress& client = t.Client().address;
    const auto known = std::find(device.writers.begin(), device.writers.end(), client);
    if (known == device.writers.end() && device.writers.size() >= kWriters) {
        return;
    }
    WriteCell cell;
    cell.ns = t.request->SteadyNanoseconds();
    cell.count = 1;
    cell.writer = static_cast<uint16_t>(known - device.writers.begin());
    if (known == device.writers.end()) {
        device.writers.push_back(client);
    }
    const size_t bucket = buckets_.Place(cell.ns);
    for (const WrittenPoint& point : write.points) {
        if (!mapped_ || IsBitTable(point.table)) {
            Mark(device, PointId{nullptr, static_cast<uint32_t>(point.table) << 16 | point.address},
                 cell, bucket);
        }
    }
    for (const MappedValue& value : write.values) {
        Mark(device, PointId{value.value.entry, 0}, cell, bucket);
    }
}

void PlantTrends::Mark(DeviceTrends& device, PointId id, const WriteCell& cell, size_t bucket) {
    const auto found = std::find(device.writtenPoints.begin(), device.writtenPoints.end(), id);
    size_t series = static_cast<size_t>(found - device.writtenPoints.begin());
    if (found == device.writtenPoints.end()) {
        if (device.writtenPoints.size() >= kWrittenPoints) {
            return;
        }
        series = device.writes.AddSeries();
        device.writtenPoints.push_back(id);
    }
    device.writes.Row(buckets_, bucket)[series].Merge(cell);
}

void PlantTrends::NoteClockSteps(const CModbusMessage& message) {
    for (const ClockStep& step : message.clockSteps) {
        if (clockSteps_.size() < kStepMarks) {
            clockSteps_.push_back({message.SteadyNanoseconds(), step.nanoseconds});
        } else {
            ++clockStepsNotMarked_;
        }
    }
}

int PointReference(uint32_t key) {
    const auto table = static_cast<PointTable>(key >> 16);
    return ReferenceBase(table) + static_cast<int>(key & 0xFFFF);
}
