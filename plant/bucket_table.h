#pragma once
// Series of one device on the shared time buckets, kept bucket by bucket: what one transaction
// adds falls in one row, and the next transactions' in the same or the next one, so following
// many registers of many devices costs no cache miss per value. `Bucket` is Count or Extent.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "plant/time_series.h"

template <class Bucket>
class BucketTable {
public:
    explicit BucketTable(size_t series = 0) : series_(series), width_(series) {
        cells_.resize(TimeBuckets::kBuckets * width_);
    }

    // A new series, by its index.
    size_t AddSeries() {
        if (series_ == width_) {
            // Widen the rows: a device follows a few registers or many.
            const size_t width = std::max<size_t>(4, 2 * width_);
            std::vector<Bucket> cells(TimeBuckets::kBuckets * width);
            for (size_t row = 0; row < TimeBuckets::kBuckets && width_ > 0; ++row) {
                std::copy_n(cells_.begin() + static_cast<std::ptrdiff_t>(row * width_), width_,
                            cells.begin() + static_cast<std::ptrdiff_t>(row * width));
            }
            cells_ = std::move(cells);
            width_ = width;
        }
        return series_++;
    }

    // The buckets of every series at a time, valid until a series is added.
    Bucket* Row(const TimeBuckets& buckets, size_t bucket) {
        if (doublings_ != buckets.Doublings()) {
            CatchUp(buckets);
        }
        return &cells_[bucket * width_];
    }
    // Asks for a row to be brought into the cache while other work goes on: its values come
    // next, and it is often far from the row touched last (as many devices are followed).
    void Prefetch(size_t bucket) const {
        constexpr size_t kPerLine = 64 / sizeof(Bucket);
        const Bucket* row = cells_.data() + bucket * width_;
        for (size_t series = 0; series < width_; series += kPerLine) {
            __builtin_prefetch(row + series, 1);  // GCC and Clang, the compilers we build with
        }
    }
    // One series: kBuckets buckets at the shared width. Rows not merged to it yet (a table not
    // settled) are merged in the copy, the table left as it is.
    std::vector<Bucket> Column(const TimeBuckets& buckets, size_t series) const {
        std::vector<Bucket> column(TimeBuckets::kBuckets);
        for (size_t row = 0; row < TimeBuckets::kBuckets; ++row) {
            column[row] = cells_[row * width_ + series];
        }
        constexpr size_t kHalf = TimeBuckets::kBuckets / 2;
        for (int doublings = doublings_; doublings < buckets.Doublings(); ++doublings) {
            for (size_t row = 0; row < kHalf; ++row) {
                Bucket pair = column[2 * row];
                pair.Merge(column[2 * row + 1]);
                column[row] = pair;
            }
            std::fill(column.begin() + static_cast<std::ptrdiff_t>(kHalf), column.end(), Bucket());
        }
        return column;
    }
    // Brings every row to the shared width, as the plant stage does before the views read.
    void Settle(const TimeBuckets& buckets) {
        if (doublings_ != buckets.Doublings()) {
            CatchUp(buckets);
        }
    }

private:
    // Merges the rows in pairs until they have the shared width. Rare, so kept out of line:
    // inlined, it would keep the per-value paths that fetch a row from being inlined themselves.
    [[gnu::noinline]] void CatchUp(const TimeBuckets& buckets) {
        constexpr size_t kHalf = TimeBuckets::kBuckets / 2;
        if (cells_.empty()) {  // no series yet: nothing to merge
            doublings_ = buckets.Doublings();
            return;
        }
        for (; doublings_ < buckets.Doublings(); ++doublings_) {
            for (size_t row = 0; row < kHalf; ++row) {
                Bucket* merged = &cells_[row * width_];
                const Bucket* first = &cells_[2 * row * width_];
                const Bucket* second = first + width_;
                for (size_t series = 0; series < width_; ++series) {
                    Bucket pair = first[series];
                    pair.Merge(second[series]);
                    merged[series] = pair;
                }
            }
            std::fill(cells_.begin() + static_cast<std::ptrdiff_t>(kHalf * width_), cells_.end(),
                      Bucket());
        }
    }

    int doublings_ = 0;
    size_t series_ = 0;
    size_t width_ = 0;           // buckets in a row
    std::vector<Bucket> cells_;  // kBuckets rows
};
