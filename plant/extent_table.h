#pragma once
// The value series of one device on the shared time buckets, kept bucket by bucket: the values
// of one transaction fall in one row, and the next transactions in the same or the next one, so
// following many registers of many devices costs no cache miss per value.

#include <cstddef>
#include <vector>

#include "plant/time_series.h"

class ExtentTable {
public:
    // A new series, by its index.
    size_t AddSeries();
    size_t Series() const { return series_; }

    // The extents of every series in a bucket, valid until a series is added.
    Extent* Row(const TimeBuckets& buckets, size_t bucket) {
        if (doublings_ != buckets.Doublings()) {
            CatchUp(buckets);
        }
        return &cells_[bucket * width_];
    }
    // Asks for a row to be brought into the cache while other work goes on: its values come
    // next, and it is often far from the row touched last (as many devices are followed).
    void Prefetch(size_t bucket) const {
        const Extent* row = cells_.data() + bucket * width_;
        for (size_t series = 0; series < width_; series += kPerLine) {
            __builtin_prefetch(row + series, 1);  // GCC and Clang, the compilers we build with
        }
    }
    // One series: kBuckets extents at the shared width.
    std::vector<Extent> Column(const TimeBuckets& buckets, size_t series);

private:
    static constexpr size_t kPerLine = 64 / sizeof(Extent);

    // Merges the rows in pairs until they have the shared width.
    void CatchUp(const TimeBuckets& buckets);

    int doublings_ = 0;
    size_t series_ = 0;
    size_t width_ = 0;           // cells in a row
    std::vector<Extent> cells_;  // kBuckets rows
};
