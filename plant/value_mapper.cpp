#include "plant/value_mapper.h"

#include <algorithm>

ValueMapper::ValueMapper(std::shared_ptr<const RegisterMap> map)
    : map_(std::move(map)), matched_(map_->entries.size(), false) {
    for (const MapEntry& entry : map_->entries) {
        byTable_[static_cast<int>(entry.table)].push_back(&entry);
        longest_ = std::max(longest_, entry.count);
    }
    for (auto& entries : byTable_) {
        std::stable_sort(entries.begin(), entries.end(), [](const MapEntry* a, const MapEntry* b) {
            return a->address < b->address;
        });
    }
}

bool ValueMapper::Applies(const MapEntry& entry, const Transaction& t, uint8_t unit) const {
    if (entry.unit && *entry.unit != unit) {
        return false;
    }
    if (entry.host.empty()) {
        return true;
    }
    const Endpoint& server = t.Server();
    return entry.host == server.address.ToString() || entry.host == server.ToString();
}

void ValueMapper::Map(const Transaction& t, const std::vector<PointValue>& points,
                      std::vector<MappedValue>& values) {
    // Runs of one table, access and standing with consecutive addresses.
    size_t start = 0;
    for (size_t i = 1; i <= points.size(); ++i) {
        if (i == points.size() || points[i].table != points[start].table ||
            points[i].access != points[start].access ||
            points[i].standing != points[start].standing ||
            points[i].address != points[i - 1].address + 1) {
            MapRun(t, points, start, i - 1, values);
            start = i;
        }
    }
}

void ValueMapper::MapRun(const Transaction& t, const std::vector<PointValue>& points, size_t first,
                         size_t last, std::vector<MappedValue>& values) {
    if (points.empty() || points[first].standing == PointStanding::Unaddressed) {
        return;
    }
    const PointValue& head = points[first];
    const bool counted = TakenByPlant(head.standing);
    const uint32_t low = head.address;
    const uint32_t high = points[last].address;
    const uint8_t unit = t.First().unit;
    const std::vector<const MapEntry*>& entries = byTable_[static_cast<int>(head.table)];
    // Entries that may touch the run begin no more than the longest entry before it.
    const uint32_t from = low >= longest_ ? low - longest_ + 1 : 0;
    auto it =
        std::lower_bound(entries.begin(), entries.end(), from,
                         [](const MapEntry* e, uint32_t address) { return e->address < address; });
    for (; it != entries.end() && (*it)->address <= high; ++it) {
        const MapEntry& entry = **it;
        const uint32_t end = entry.address + entry.count - 1u;
        if (end < low || !Applies(entry, t, unit)) {
            continue;
        }
        if (entry.address < low || end > high) {
            splitEntries_ += counted ? 1 : 0;
            continue;
        }
        words_.clear();
        for (uint32_t a = entry.address; a <= end; ++a) {
            words_.push_back(static_cast<uint16_t>(points[first + (a - low)].value));
        }
        values.push_back({DecodeEntry(entry, words_), head.access, head.standing});
        if (counted) {
            matched_[static_cast<size_t>(&entry - map_->entries.data())] = true;
        }
    }
}

std::vector<const MapEntry*> ValueMapper::UnmatchedEntries() const {
    std::vector<const MapEntry*> unmatched;
    for (size_t i = 0; i < matched_.size(); ++i) {
        if (!matched_[i]) {
            unmatched.push_back(&map_->entries[i]);
        }
    }
    return unmatched;
}
