#include "plant/extent_table.h"

#include <algorithm>

size_t ExtentTable::AddSeries() {
    if (series_ == width_) {
        // Widen the rows: a device follows a few registers or many.
        const size_t width = std::max<size_t>(4, 2 * width_);
        std::vector<Extent> cells(TimeBuckets::kBuckets * width);
        for (size_t row = 0; row < TimeBuckets::kBuckets && width_ > 0; ++row) {
            std::copy_n(cells_.begin() + static_cast<std::ptrdiff_t>(row * width_), width_,
                        cells.begin() + static_cast<std::ptrdiff_t>(row * width));
        }
        cells_ = std::move(cells);
        width_ = width;
    }
    return series_++;
}

void ExtentTable::CatchUp(const TimeBuckets& buckets) {
    constexpr size_t kHalf = TimeBuckets::kBuckets / 2;
    for (; doublings_ < buckets.Doublings(); ++doublings_) {
        for (size_t row = 0; row < kHalf; ++row) {
            Extent* merged = &cells_[row * width_];
            const Extent* first = &cells_[2 * row * width_];
            const Extent* second = first + width_;
            for (size_t series = 0; series < width_; ++series) {
                Extent pair = first[series];
                pair.Merge(second[series]);
                merged[series] = pair;
            }
        }
        std::fill(cells_.begin() + static_cast<std::ptrdiff_t>(kHalf * width_), cells_.end(),
                  Extent());
    }
}

std::vector<Extent> ExtentTable::Column(const TimeBuckets& buckets, size_t series) {
    CatchUp(buckets);
    std::vector<Extent> column(TimeBuckets::kBuckets);
    for (size_t row = 0; row < TimeBuckets::kBuckets; ++row) {
        column[row] = cells_[row * width_ + series];
    }
    return column;
}
