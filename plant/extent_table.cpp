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
    for (; doublings_ < buckets.Doublings(); ++doublings_) {
        for (size_t row = 0; row < TimeBuckets::kBuckets; ++row) {
            for (size_t series = 0; series < width_; ++series) {
                Extent pair;
                if (2 * row < TimeBuckets::kBuckets) {
                    pair = cells_[2 * row * width_ + series];
                    pair.Merge(cells_[(2 * row + 1) * width_ + series]);
                }
                cells_[row * width_ + series] = pair;
            }
        }
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
