#include "plant/map_suggester.h"

#include <algorithm>

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

// Two overlapping pairs may both hold a value: [a, FFFF, b] reads as a word-swapped negative
// number at a or as one at the FFFF. Of the pairs judged to hold a value, those that do not
// overlap, as many as can be; then the fewest word-swapped high words that never changed (sign
// extensions and the like: the words in Modbus's own order is the likelier); then the lowest
// addresses first.
std::vector<std::optional<PairVerdict>> ChoosePairs(
    const std::vector<uint16_t>& addresses, const std::map<uint16_t, WordPairSample>& pairs) {
    const size_t n = addresses.size();
    std::vector<std::optional<PairVerdict>> verdicts(n);
    for (size_t i = 0; i + 1 < n; ++i) {
        const auto pair = pairs.find(addresses[i]);
        if (pair != pairs.end() && addresses[i + 1] == addresses[i] + 1) {
            verdicts[i] = JudgeWordPair(pair->second);
        }
    }
    // best[i]: the most weight the pairs from addresses[i] on can have. A pair weighs more than
    // all the doubts together, a doubt 1.
    const int64_t pairWeight = static_cast<int64_t>(n) + 1;
    std::vector<int64_t> best(n + 2, 0);
    std::vector<bool> take(n, false);
    for (size_t i = n; i-- > 0;) {
        best[i] = best[i + 1];
        if (verdicts[i]) {
            const bool doubtful = verdicts[i]->highHeld && (verdicts[i]->order == ByteOrder::CDAB ||
                                                            verdicts[i]->order == ByteOrder::DCBA);
            const int64_t weight = pairWeight - (doubtful ? 1 : 0);
            take[i] = weight + best[i + 2] >= best[i + 1];
            best[i] = std::max(best[i + 1], weight + best[i + 2]);
        }
    }
    std::vector<std::optional<PairVerdict>> taken(n);
    for (size_t i = 0; i < n; ++i) {
        if (take[i]) {
            taken[i] = verdicts[i];
            ++i;
        }
    }
    return taken;
}

}  // namespace

void MapSuggester::Take(const Transaction& t, const std::vector<PointValue>& values) {
    if (values.empty()) {
        return;
    }
    TableKey key{t.Server(), t.First().unit, values[0].table};
    TableSeen* seen = &tables_[key];
    const PointValue* previous = nullptr;
    for (const PointValue& point : values) {
        if (point.table != key.table) {
            key.table = point.table;
            seen = &tables_[key];
            previous = nullptr;
        }
        std::set<uint16_t>& addresses = seen->addresses;
        if (addresses.size() >= kAddressesDrafted && addresses.count(point.address) == 0) {
            ++readingsNotDrafted_;
            previous = nullptr;
            continue;
        }
        addresses.insert(point.address);
        const bool read = point.access == PointAccess::Read;
        if (read && HoldsWords(point.table) && previous != nullptr &&
            previous->access == PointAccess::Read && previous->address + 1 == point.address) {
            const auto pair = seen->pairs.find(previous->address);
            if (pair != seen->pairs.end() || seen->pairs.size() < kPairsSampled) {
                seen->pairs[previous->address].Add(
                    {static_cast<uint16_t>(previous->value), static_cast<uint16_t>(point.value)});
            } else {
                ++pairReadingsNotSampled_;
            }
        }
        previous = &point;
    }
}

std::vector<SuggestedEntry> MapSuggester::Suggest() const {
    std::set<Endpoint> servers;
    size_t addresses = 0;
    for (const auto& table : tables_) {
        servers.insert(table.first.server);
        addresses += table.second.addresses.size();
    }
    // At most one entry an address: sized once, so a big draft is not copied as it grows
    // (it is built again at every periodic rewrite of a live run).
    std::vector<SuggestedEntry> entries;
    entries.reserve(addresses);
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
    const std::vector<uint16_t> addresses(seen.addresses.begin(), seen.addresses.end());
    const std::vector<std::optional<PairVerdict>> taken = ChoosePairs(addresses, seen.pairs);
    for (size_t i = 0; i < addresses.size(); ++i) {
        SuggestedEntry suggested;
        MapEntry& entry = suggested.entry;
        entry.address = addresses[i];
        entry.name = prefix + "u" + std::to_string(key.unit) + "_" + naming.abbreviation + "_" +
                     std::to_string(ReferenceBase(key.table) + entry.address);
        entry.table = key.table;
        entry.unit = key.unit;
        entry.host = host;
        entry.type = HoldsWords(key.table) ? MapDataType::Uint16 : MapDataType::Bit;
        if (const std::optional<PairVerdict>& verdict = taken[i]) {
            entry.type = verdict->type;
            entry.order = verdict->order;
            entry.count = 2;
            suggested.confidence = verdict->confidence;
            ++i;  // the second word is part of the value
        }
        entries.push_back(std::move(suggested));
    }
}
