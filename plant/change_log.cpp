#include "plant/change_log.h"

#include <climits>
#include <cmath>
#include <utility>

namespace {

constexpr int32_t kNone = INT32_MIN;  // no word or coil state is negative

ChangeValue PointChange(int32_t value) {
    return ChangeValue{static_cast<double>(value), std::string()};
}

ChangeValue TypedChange(const TypedValue& value) {
    return value.isText ? ChangeValue{std::nullopt, value.text} : ChangeValue{value.number, {}};
}

// Whether a value taken is a change: a value read for the first time is none; a first write is
// the operator's action.
bool IsChange(const std::optional<ChangeValue>& before, const ChangeValue& after,
              PointAccess access) {
    return before ? !(*before == after) : access == PointAccess::Write;
}

}  // namespace

bool operator==(const ChangeValue& a, const ChangeValue& b) {
    if (a.number && b.number) {
        // NaN differs even from itself: the same when both are NaN.
        return *a.number == *b.number || (std::isnan(*a.number) && std::isnan(*b.number));
    }
    return !a.number && !b.number && a.text == b.text;
}

void ChangeLog::Take(const Transaction& t, const Derivation& derived) {
    const bool wrote = derived.write && derived.write->outcome == WriteOutcome::Acknowledged;
    if (!t.request || (!wrote && (!t.response || derived.PlantPoints().empty()))) {
        return;  // nothing read or written (a response alone: its addresses are unknown)
    }
    Known& known = KnownOf(t);
    if (wrote) {
        std::vector<PointValue> written;
        for (const WrittenPoint& point : derived.write->points) {
            if (point.value) {
                written.push_back({point.table, point.address, point.reference, *point.value,
                                   PointAccess::Write});
            }
        }
        TakePoints(t, known, written, derived.write->values, PointAccess::Write);
        TakeValues(t, known, derived.write->values, PointAccess::Write);
    }
    if (t.response) {
        TakePoints(t, known, derived.PlantPoints(), derived.PlantValues(), PointAccess::Read);
        TakeValues(t, known, derived.PlantValues(), PointAccess::Read);
    }
}

ChangeLog::Known& ChangeLog::KnownOf(const Transaction& t) {
    const uint64_t key = t.request->connectionId << 8 | t.request->unit;
    // Fibonacci hashing: the top bits of the key times 2^64 / golden ratio pick the slot.
    Slot& slot = slots_[(key * 0x9E3779B97F4A7C15u) >> (64 - kSlotBits)];
    if (slot.key != key) {
        slot.key = key;
        slot.known = &devices_[DeviceKey{t.Server(), t.request->unit}];
    }
    return *slot.known;
}

bool ChangeLog::Keep(PointAccess access) {
    written_ += access == PointAccess::Write ? 1 : 0;
    return count_++ < kRows;
}

void ChangeLog::Record(const Transaction& t, PointAccess access, ChangeRecord row,
                       const std::optional<ChangeValue>& before) {
    row.time = access == PointAccess::Read ? t.response->time : t.request->time;
    row.device = DeviceKey{t.Server(), t.request->unit};
    row.access = access;
    row.client = t.Client().address;
    row.reportFrame = t.ReportNumber();
    row.before = before;
    rows_.push_back(std::move(row));
}

// Points a map entry of the same access covers change as that entry, not word by word. Both
// lists are in address order within an access.
void ChangeLog::TakePoints(const Transaction& t, Known& known,
                           const std::vector<PointValue>& points,
                           const std::vector<MappedValue>& values, PointAccess access) {
    size_t next = 0;
    for (const PointValue& point : points) {
        if (point.access != access) {
            continue;
        }
        std::vector<int32_t>& table = known.points[static_cast<int>(point.table)];
        if (point.address >= table.size()) {
            table.resize(point.address + 1u, kNone);
        }
        const int32_t last = std::exchange(table[point.address], point.value);
        if (last == point.value) {
            continue;  // the same again, as most values read are
        }
        while (next < values.size() &&
               (values[next].access != access ||
                values[next].value.entry->address + values[next].value.entry->count <=
                    point.address)) {
            ++next;
        }
        const std::optional<int32_t> before =
            last != kNone ? std::optional<int32_t>(last) : std::nullopt;
        const MapEntry* entry = next < values.size() ? values[next].value.entry : nullptr;
        if ((entry != nullptr && entry->table == point.table && entry->address <= point.address) ||
            (!before && access == PointAccess::Read) || !Keep(access)) {
            continue;
        }
        ChangeRecord row;
        row.table = point.table;
        row.reference = point.reference;
        row.after = PointChange(point.value);
        Record(t, access, std::move(row),
               before ? std::optional<ChangeValue>(PointChange(*before)) : std::nullopt);
    }
}

void ChangeLog::TakeValues(const Transaction& t, Known& known,
                           const std::vector<MappedValue>& values, PointAccess access) {
    for (const MappedValue& value : values) {
        if (value.access != access) {
            continue;
        }
        const MapEntry* entry = value.value.entry;
        ChangeValue after = TypedChange(value.value);
        std::optional<ChangeValue> before;
        const auto found = known.entries.find(entry);
        if (found != known.entries.end()) {
            before = found->second;
            found->second = after;
        } else {
            known.entries.emplace(entry, after);
        }
        if (IsChange(before, after, access) && Keep(access)) {
            ChangeRecord row;
            row.table = entry->table;
            row.reference = ReferenceBase(entry->table) + entry->address;
            row.entry = entry;
            row.after = std::move(after);
            Record(t, access, std::move(row), before);
        }
    }
}
