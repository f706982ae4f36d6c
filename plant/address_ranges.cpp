#include "plant/address_ranges.h"

#include <algorithm>

#include "modbus/point_table.h"

void AddressRanges::Add(uint32_t first, uint32_t count) {
    if (count == 0 || first >= kAddressCount) {
        return;
    }
    uint32_t last =
        static_cast<uint32_t>(std::min<int64_t>(int64_t{first} + (count - 1), kAddressCount - 1));
    // Start at the range that could touch `first`: the last one beginning at or before it.
    auto it = ranges_.upper_bound(first);
    if (it != ranges_.begin()) {
        auto before = std::prev(it);
        if (static_cast<uint64_t>(before->second) + 1 >= first) {
            it = before;
        }
    }
    const bool touches =
        it != ranges_.end() && static_cast<uint64_t>(it->first) <= uint64_t(last) + 1;
    if (!touches && ranges_.size() >= kRangesKept) {
        ++notKept_;
        return;
    }
    while (it != ranges_.end() && static_cast<uint64_t>(it->first) <= uint64_t(last) + 1) {
        first = std::min(first, it->first);
        last = std::max(last, it->second);
        it = ranges_.erase(it);
    }
    ranges_.emplace(first, last);
}

std::vector<AddressRange> AddressRanges::Ranges() const {
    std::vector<AddressRange> ranges;
    ranges.reserve(ranges_.size());
    for (const auto& entry : ranges_) {
        ranges.push_back({entry.first, entry.second});
    }
    return ranges;
}
