#include "plant/write_ranges.h"

#include <algorithm>

void WriteRanges::Take(const Transaction& t, const Derivation& derived) {
    if (!derived.write || !t.request) {
        return;
    }
    const WriteRecord& write = *derived.write;
    ++writes_;
    WriteRangeKey key{t.Client().address, DeviceKey{t.Server(), t.request->unit}, write.function,
                      write.points.empty() ? 0 : write.points.front().reference,
                      static_cast<uint32_t>(write.points.size())};
    auto found = ranges_.find(key);
    if (found == ranges_.end()) {
        if (ranges_.size() >= kRanges) {
            ++leftOut_;
            return;
        }
        found = ranges_.emplace(key, WriteRangeStats()).first;
        found->second.firstTime = t.request->time;
        found->second.firstFrame = t.ReportNumber();
    }
    WriteRangeStats& stats = found->second;
    ++stats.writes;
    stats.refused += write.outcome == WriteOutcome::Exception ? 1 : 0;
    stats.lastTime = t.request->time;
    stats.lastValues.clear();
    for (size_t i = 0; i < write.points.size() && i < kValues; ++i) {
        stats.lastValues.push_back(write.points[i].value);
    }
}

std::vector<const std::pair<const WriteRangeKey, WriteRangeStats>*> WriteRanges::ByFirstWrite()
    const {
    std::vector<const std::pair<const WriteRangeKey, WriteRangeStats>*> rows;
    for (const auto& range : ranges_) {
        rows.push_back(&range);
    }
    std::sort(rows.begin(), rows.end(), [](const auto* a, const auto* b) {
        return a->second.firstFrame < b->second.firstFrame;
    });
    return rows;
}
