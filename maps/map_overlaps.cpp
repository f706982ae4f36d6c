#include "maps/map_overlaps.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace {

uint32_t LastAddress(const MapEntry& entry) {
    return uint32_t{entry.address} + entry.count - 1;
}

auto GroupOf(const MapEntry& entry) {
    return std::tie(entry.host, entry.unit, entry.table);
}

}  // namespace

std::vector<std::string> OverlapWarnings(const std::string& path, const RegisterMap& map) {
    const std::vector<MapEntry>& entries = map.entries;
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::tie(entries[a].host, entries[a].unit, entries[a].table, entries[a].address) <
               std::tie(entries[b].host, entries[b].unit, entries[b].table, entries[b].address);
    });
    std::vector<std::string> warnings;
    const MapEntry* reaching = nullptr;  // of the group so far, the one that reaches furthest
    for (size_t index : order) {
        const MapEntry& entry = entries[index];
        if (reaching != nullptr && GroupOf(*reaching) == GroupOf(entry) &&
            entry.address <= LastAddress(*reaching)) {
            const uint32_t last = std::min(LastAddress(entry), LastAddress(*reaching));
            warnings.push_back(path + ":" + std::to_string(entry.line) + ": warning: '" +
                               entry.name + "' overlaps '" + reaching->name + "' (line " +
                               std::to_string(reaching->line) + ") at " +
                               PointTableName(entry.table) + " " + std::to_string(entry.address) +
                               "-" + std::to_string(last));
        }
        if (reaching == nullptr || GroupOf(*reaching) != GroupOf(entry) ||
            LastAddress(entry) > LastAddress(*reaching)) {
            reaching = &entry;
        }
    }
    return warnings;
}
