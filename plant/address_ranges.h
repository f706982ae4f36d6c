#pragma once
// A set of 0-based point addresses kept as merged ranges: adjacent and overlapping ranges
// become one. At most kRangesKept apart: an addition that would make one more is counted, not
// kept, so a device probed at scattered addresses for days stays small.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

struct AddressRange {
    uint32_t first = 0;
    uint32_t last = 0;  // inclusive
};

class AddressRanges {
public:
    static constexpr size_t kRangesKept = 1024;

    // Adds first .. first + count - 1 (count 0 adds nothing), up to the last address 65535.
    void Add(uint32_t first, uint32_t count);
    std::vector<AddressRange> Ranges() const;
    bool Empty() const { return ranges_.empty(); }
    // Additions not kept, past kRangesKept ranges.
    uint64_t NotKept() const { return notKept_; }

private:
    std::map<uint32_t, uint32_t> ranges_;  // first -> last, disjoint and not adjacent
    uint64_t notKept_ = 0;
};
