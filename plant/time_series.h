#pragma once
// Series over the capture's time in bounded memory. Every series of a run shares one bucketing:
// at most kBuckets buckets of one width from the first time seen. The span of a capture is known
// only at its end, so when a time falls past the last bucket the width doubles, and each series
// merges its buckets in pairs the next time it is touched (bucket_table.h).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

class TimeBuckets {
public:
    // As many as a chart has pixel columns: a column never shows less than one bucket.
    static constexpr size_t kBuckets = 300;
    static constexpr int64_t kFirstWidthNs = 1000000;  // 1 ms

    // The bucket of a time, widening the buckets when it lies past the last one. Times before
    // the first one seen count in bucket 0.
    size_t Place(int64_t ns);

    int64_t OriginNs() const { return originNs_; }
    int64_t WidthNs() const { return widthNs_; }
    int Doublings() const { return doublings_; }
    // The buckets up to the last one a time fell in.
    size_t Used() const { return used_; }

private:
    bool started_ = false;
    int64_t originNs_ = 0;
    int64_t widthNs_ = kFirstWidthNs;
    int doublings_ = 0;
    size_t used_ = 0;
};

// A count per bucket (requests, exceptions).
struct Count {
    uint64_t n = 0;
    void Merge(const Count& other) { n += other.n; }
};

// The values that fell in a bucket: the least and the greatest, the envelope a pixel column
// shows, and the last one, which holds until the next sample. Kept as floats (finer than any
// pixel) to keep the many series small; only values a float holds are added (Holds). None yet is
// the empty range from +inf down to -inf, so merging is a few comparisons without a branch.
struct Extent {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    float last = 0;
    static bool Holds(double value) {
        return std::abs(value) <= static_cast<double>(std::numeric_limits<float>::max());
    }
    bool Any() const { return min <= max; }
    void Add(double value) {
        const auto v = static_cast<float>(value);
        min = std::min(min, v);
        max = std::max(max, v);
        last = v;
    }
    // `later` follows this one in time.
    void Merge(const Extent& later) {
        last = later.Any() ? later.last : last;
        min = std::min(min, later.min);
        max = std::max(max, later.max);
    }
};
