#include "plant/quantile_sketch.h"

#include <algorithm>
#include <cmath>

namespace {

// Bins grow by this factor; a bin's middle is within kRelativeError of anything in it.
const double kGrowth = (1 + QuantileSketch::kRelativeError) / (1 - QuantileSketch::kRelativeError);
const double kLogGrowth = std::log(kGrowth);

size_t BinOf(double value) {
    if (!(value >= QuantileSketch::kSmallest)) {
        return 0;
    }
    // Snapped before it is cut to a bin: the platforms' log may differ in the last bit, and a
    // value on a bin's edge must fall in the same bin everywhere.
    const double exact = std::log(value / QuantileSketch::kSmallest) / kLogGrowth;
    return 1 + static_cast<size_t>(std::round(exact * 1e9) / 1e9);
}

// The value that stands for a bin: the point with the same relative distance to both edges.
double ValueOfBin(size_t bin) {
    if (bin == 0) {
        return 0;
    }
    const double low = QuantileSketch::kSmallest * std::exp(kLogGrowth * (bin - 1));
    return low * 2 * kGrowth / (1 + kGrowth);
}

}  // namespace

void QuantileSketch::Add(double value) {
    if (!std::isfinite(value)) {
        return;
    }
    value = std::max(value, 0.0);
    min_ = count_ == 0 ? value : std::min(min_, value);
    max_ = count_ == 0 ? value : std::max(max_, value);
    ++count_;
    if (binned_) {
        AddToBin(value);
        return;
    }
    if (!exact_.empty() && value < exact_.back()) {
        sorted_ = false;
    }
    exact_.push_back(value);
    if (exact_.size() > exactSamples_) {
        MoveToBins();
    }
}

void QuantileSketch::AddToBin(double value) {
    const size_t bin = BinOf(value);
    if (bins_.empty()) {
        firstBin_ = bin;
    } else if (bin < firstBin_) {
        bins_.insert(bins_.begin(), firstBin_ - bin, 0);
        firstBin_ = bin;
    }
    if (bin - firstBin_ >= bins_.size()) {
        bins_.resize(bin - firstBin_ + 1, 0);
    }
    ++bins_[bin - firstBin_];
}

void QuantileSketch::MoveToBins() {
    binned_ = true;
    for (double value : exact_) {
        AddToBin(value);
    }
    exact_.clear();
    exact_.shrink_to_fit();
}

double QuantileSketch::Quantile(double q) const {
    if (count_ == 0) {
        return 0;
    }
    const uint64_t rank = static_cast<uint64_t>(std::floor((count_ - 1) * std::clamp(q, 0.0, 1.0)));
    if (!binned_) {
        if (!sorted_) {
            std::sort(exact_.begin(), exact_.end());
            sorted_ = true;
        }
        return exact_[rank];
    }
    if (rank == 0) {
        return min_;
    }
    if (rank == count_ - 1) {
        return max_;
    }
    uint64_t seen = 0;
    for (size_t i = 0; i < bins_.size(); ++i) {
        seen += bins_[i];
        if (seen > rank) {
            // To the nanosecond (of milliseconds): the same digits on every platform.
            const double value = std::round(ValueOfBin(firstBin_ + i) * 1e6) / 1e6;
            return std::clamp(value, min_, max_);
        }
    }
    return max_;
}
