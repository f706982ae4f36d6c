#include "plant/change_log.h"

#include <cmath>

namespace {

ChangeValue PointChange(int32_t value) {
    return ChangeValue{static_cast<double>(value), std::string()};
}

ChangeValue TypedChange(const TypedValue& value) {
    return value.isText ? ChangeValue{std::nullopt, value.text} : ChangeValue{value.number, {}};
}

// The values of one access, in address order.
template <class Values>
std::vector<const typename Values::value_type*> OfAccess(const Values& values, PointAccess access) {
    std::vector<const typename Values::value_type*> found;
    for (const auto& value : values) {
        if (value.access == access) {
            found.push_back(&value);
        }
    }
    return found;
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
    if (!t.request) {
        return;  // a response alone: its addresses are unknown
    }
    Known& known = devices_[DeviceKey{t.Server(), t.request->unit}];
    if (derived.write && derived.write->outcome == WriteOutcome::Acknowledged) {
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
        TakePoints(t, known, derived.points, derived.values, PointAccess::Read);
        TakeValues(t, known, derived.values, PointAccess::Read);
    }
}

ChangeRecord ChangeLog::RowOf(const Transaction& t, PointAccess access) const {
    ChangeRecord row;
    row.time = access == PointAccess::Read ? t.response->time : t.request->time;
    row.device = DeviceKey{t.Server(), t.request->unit};
    row.access = access;
    row.client = t.Client().address;
    row.reportFrame = t.ReportNumber();
    return row;
}

void ChangeLog::Record(ChangeRecord row, const std::optional<ChangeValue>& before) {
    // A value read for the first time is no change; a first write is the operator's action.
    if ((before && *before == row.after) || (!before && row.access == PointAccess::Read)) {
        return;
    }
    row.before = before;
    if (count_++ < kRows) {
        rows_.push_back(std::move(row));
    }
}

// Points a map entry of the same access covers change as that entry, not word by word.
void ChangeLog::TakePoints(const Transaction& t, Known& known,
                           const std::vector<PointValue>& points,
                           const std::vector<MappedValue>& values, PointAccess access) {
    const std::vector<const MappedValue*> entries = OfAccess(values, access);
    size_t next = 0;
    for (const PointValue* point : OfAccess(points, access)) {
        while (next < entries.size() &&
               entries[next]->value.entry->address + entries[next]->value.entry->count <=
                   point->address) {
            ++next;
        }
        const MapEntry* entry = next < entries.size() ? entries[next]->value.entry : nullptr;
        const std::optional<int32_t> before = known.points.Get(point->table, point->address);
        known.points.Set(point->table, point->address, point->value);
        if (entry != nullptr && entry->table == point->table && entry->address <= point->address) {
            continue;
        }
        ChangeRecord row = RowOf(t, access);
        row.table = point->table;
        row.reference = point->reference;
        row.after = PointChange(point->value);
        Record(std::move(row),
               before ? std::optional<ChangeValue>(PointChange(*before)) : std::nullopt);
    }
}

void ChangeLog::TakeValues(const Transaction& t, Known& known,
                           const std::vector<MappedValue>& values, PointAccess access) {
    for (const MappedValue* value : OfAccess(values, access)) {
        const MapEntry* entry = value->value.entry;
        ChangeRecord row = RowOf(t, access);
        row.table = entry->table;
        row.reference = ReferenceBase(entry->table) + entry->address;
        row.entry = entry;
        row.after = TypedChange(value->value);
        const auto found = known.entries.find(entry);
        std::optional<ChangeValue> before;
        if (found != known.entries.end()) {
            before = found->second;
            found->second = row.after;
        } else {
            known.entries.emplace(entry, row.after);
        }
        Record(std::move(row), before);
    }
}
