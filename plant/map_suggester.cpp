#include "plant/map_suggester.h"

#include "plant/word_pair_scoring.h"

namespace {

struct TableNaming {
    const char* abbreviation;
};

// In PointTable order.
const TableNaming kTableNaming[kPointTableCount] = {{"co"}, {"di"}, {"ir"}, {"hr"}};

bool HoldsWords(PointTable table) {
    return table == PointTable::InputRegisters || table == PointTable::HoldingRegisters;
}

// "10.0.0.5:502" -> "ip10_0_0_5_502_".
std::string ServerPrefix(const std::string& server) {
    std::string prefix = "ip";
    for (char c : server) {
        const bool keep =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (keep) {
            prefix.push_back(c);
        } else if (prefix.back() != '_' && prefix.size() > 2) {
            prefix.push_back('_');
        }
    }
    return prefix + "_";
}

}  // namespace

void MapSuggester::Take(const Transaction& t, const std::vector<PointValue>& values) {
    if (values.empty()) {
        return;
    }
    TableKey key{t.Server(), t.request ? t.request->unit : t.response->unit, values[0].table};
    TableSeen* seen = &tables_[key];
    const PointValue* previous = nullptr;
    for (const PointValue& point : values) {
        if (point.table != key.table) {
            key.table = point.table;
            seen = &tables_[key];
            previous = nullptr;
        }
        seen->addresses.insert(point.address);
        const bool read = point.access == PointAccess::Read;
        if (read && HoldsWords(point.table) && previous != nullptr &&
            previous->access == PointAccess::Read && previous->address + 1 == point.address) {
            seen->pairs[previous->address].Add(
                {static_cast<uint16_t>(previous->value), static_cast<uint16_t>(point.value)});
        }
        previous = &point;
    }
}

std::vector<SuggestedEntry> MapSuggester::Suggest() const {
    std::set<Endpoint> servers;
    for (const auto& table : tables_) {
        servers.insert(table.first.server);
    }
    std::vector<SuggestedEntry> entries;
    for (const auto& table : tables_) {
        const std::string host = table.first.server.ToString();
        AddTable(table.first, table.second, servers.size() > 1 ? ServerPrefix(host) : "", entries);
    }
    return entries;
}

void MapSuggester::AddTable(const TableKey& key, const TableSeen& seen, const std::string& prefix,
                            std::vector<SuggestedEntry>& entries) const {
    const TableNaming& naming = kTableNaming[static_cast<int>(key.table)];
    const std::string host = key.server.ToString();
    auto next = seen.addresses.begin();
    while (next != seen.addresses.end()) {
        SuggestedEntry suggested;
        MapEntry& entry = suggested.entry;
        entry.address = *next;
        entry.name = prefix + "u" + std::to_string(key.unit) + "_" + naming.abbreviation + "_" +
                     std::to_string(ReferenceBase(key.table) + entry.address);
        entry.table = key.table;
        entry.unit = key.unit;
        entry.host = host;
        entry.type = HoldsWords(key.table) ? MapDataType::Uint16 : MapDataType::Bit;
        const auto pair = seen.pairs.find(entry.address);
        const std::optional<PairVerdict> verdict =
            pair == seen.pairs.end() ? std::nullopt : JudgeWordPair(pair->second);
        if (verdict) {
            entry.type = verdict->type;
            entry.order = verdict->order;
            entry.count = 2;
            suggested.confidence = verdict->confidence;
        }
        next = seen.addresses.upper_bound(static_cast<uint16_t>(entry.address + entry.count - 1));
        entries.push_back(std::move(suggested));
    }
}
