#pragma once
// A set of 0-based point addresses kept as merged ranges: adjacent and overlapping ranges
// become one.

#include <cstdint>
#include <map>
#include <vector>

struct AddressRange {
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive
};

class AddressRanges {
public:
    // Adds first .. first + count - 1 (count 0 adds nothing), up to the last address 65535.
    void Add(uint32_t first, uint32_t count);
    std::vector<AddressRange> Ranges() const;
    bool Empty() const { return ranges_.empty(); }

private:
    std::map<uint32_t, uint32_t> ranges_;  // first -> last, disjoint and not adjacent
};
