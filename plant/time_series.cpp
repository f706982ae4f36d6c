#include "plant/time_series.h"

size_t TimeBuckets::Place(int64_t ns) {
    if (!started_) {
        started_ = true;
        originNs_ = ns;
    }
    const int64_t offset = std::max<int64_t>(0, ns - originNs_);
    while (offset / widthNs_ >= static_cast<int64_t>(kBuckets)) {
        widthNs_ *= 2;
        ++doublings_;
        used_ = (used_ + 1) / 2;
    }
    const size_t index = static_cast<size_t>(offset / widthNs_);
    used_ = std::max(used_, index + 1);
    return index;
}
