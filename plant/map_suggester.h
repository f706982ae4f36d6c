#pragma once
// A register map drafted from the traffic: every server, unit and table read or written, one
// entry per register (uint16), coil or discrete input, and a 32-bit type where two adjacent
// registers read together are judged to hold one (word_pair_scoring.h). Of the pairs judged to
// hold a value, as many as do not overlap are taken, each taking both its registers; on a tie
// the fewer word-swapped numbers read from a high word that never changed (FFFF, 0001 ...),
// then the lower addresses. Memory grows with the plant (the addresses seen and a sample of 1 KiB
// per pair of adjacent registers read together), not with the capture; a client reading scattered
// ranges for days would fill a table, so at most kAddressesDrafted points and kPairsSampled
// pairs are kept per table, the readings of the rest counted.

#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "plant/point_values.h"
#include "plant/register_map.h"
#include "plant/word_pair_sample.h"
#include "session/transaction.h"

struct SuggestedEntry {
    MapEntry entry;                    // name, host ("ip:port"), unit, table, address, type ...
    std::optional<double> confidence;  // for a proposed 32-bit type
};

class MapSuggester {
public:
    static constexpr size_t kAddressesDrafted = 10000;
    static constexpr size_t kPairsSampled = 1024;

    // The transaction with its point values (PointValuesOf).
    void Take(const Transaction& transaction, const std::vector<PointValue>& points);
    // By server, unit, table (coils first) and address. Names are "u1_hr_40001" (unit, table,
    // Modicon reference), led by the server ("ip10_0_0_5_502_u1_...") when there are several.
    std::vector<SuggestedEntry> Suggest() const;
    // Readings of pairs past kPairsSampled in their table, not sampled: drafted as uint16.
    uint64_t PairReadingsNotSampled() const { return pairReadingsNotSampled_; }
    // Readings of points past kAddressesDrafted in their table: not drafted.
    uint64_t ReadingsNotDrafted() const { return readingsNotDrafted_; }

private:
    struct TableKey {
        Endpoint server;
        uint8_t unit = 0;
        PointTable table = PointTable::HoldingRegisters;
        friend bool operator<(const TableKey& a, const TableKey& b) {
            return std::tie(a.server, a.unit, a.table) < std::tie(b.server, b.unit, b.table);
        }
    };
    struct TableSeen {
        std::set<uint16_t> addresses;              // read or written
        std::map<uint16_t, WordPairSample> pairs;  // by the lower address; read together
    };

    void AddTable(const TableKey& key, const TableSeen& seen, const std::string& prefix,
                  std::vector<SuggestedEntry>& entries) const;

    std::map<TableKey, TableSeen> tables_;
    uint64_t pairReadingsNotSampled_ = 0;
    uint64_t readingsNotDrafted_ = 0;
};
