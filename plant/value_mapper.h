#pragma once
// Typed values of the transactions through a register map: each map entry whose registers the
// transaction read or wrote, all of them, decoded. An entry only partly in a transaction is
// counted and left out, never guessed.

#include <cstdint>
#include <memory>
#include <vector>

#include "plant/point_values.h"
#include "plant/register_map.h"
#include "session/transaction.h"

struct MappedValue {
    TypedValue value;  // value.entry is the map entry
    PointAccess access = PointAccess::Read;
    PointStanding standing = PointStanding::Answered;  // that of its points
};

class ValueMapper {
public:
    explicit ValueMapper(std::shared_ptr<const RegisterMap> map);

    // The mapped values of the transaction's `points` (PointValuesOf) into `values`, written
    // ones before read ones, each in address order. Points without an address map to nothing;
    // only points the plant takes count towards split and unmatched entries.
    void Map(const Transaction& transaction, const std::vector<PointValue>& points,
             std::vector<MappedValue>& values);
    // Entries seen only in part, summed over the transactions.
    uint64_t SplitEntries() const { return splitEntries_; }
    // The entries that gave no value in any transaction so far, in the map's order.
    std::vector<const MapEntry*> UnmatchedEntries() const;

private:
    void MapRun(const Transaction& t, const std::vector<PointValue>& points, size_t first,
                size_t last, std::vector<MappedValue>& values);
    bool Applies(const MapEntry& entry, const Transaction& t, uint8_t unit) const;

    std::shared_ptr<const RegisterMap> map_;
    // Per table, the entries by address.
    std::vector<const MapEntry*> byTable_[kPointTableCount];
    uint16_t longest_ = 1;         // registers of the longest entry
    std::vector<uint16_t> words_;  // of the entry being decoded
    uint64_t splitEntries_ = 0;
    std::vector<bool> matched_;  // per entry of the map, in its order
};
