// The shared time bucketing: a width that doubles as times go past the last bucket, and series
// that merge their buckets in pairs when they are next touched.

#include "plant/time_series.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kMs = 1000000;

}  // namespace

TEST(TimeSeries, BucketsWidenAsTheSpanGrows) {
    TimeBuckets buckets;
    EXPECT_EQ(buckets.Place(5 * kMs), 0u);  // the first time is the origin
    EXPECT_EQ(buckets.Place(5 * kMs + 599 * kMs), 599u);
    EXPECT_EQ(buckets.Doublings(), 0);
    EXPECT_EQ(buckets.Place(5 * kMs + 600 * kMs), 300u);
    EXPECT_EQ(buckets.WidthNs(), 2 * kMs);
    EXPECT_EQ(buckets.Place(5 * kMs + 4000 * kMs), 500u);  // 8 ms wide
    EXPECT_EQ(buckets.Doublings(), 3);
    EXPECT_EQ(buckets.Place(0), 0u);  // before the origin
    EXPECT_EQ(buckets.Used(), 501u);
}

TEST(TimeSeries, SeriesMergeInPairs) {
    TimeBuckets buckets;
    TimeSeries<Count> counts;
    TimeSeries<Extent> values;
    for (int ms = 0; ms < 600; ++ms) {
        const size_t bucket = buckets.Place(ms * kMs);
        ++counts.At(buckets, bucket).n;
        values.At(buckets, bucket).Add(ms);
    }
    TimeSeries<Count> later;                           // made after the widening
    ++later.At(buckets, buckets.Place(1200 * kMs)).n;  // 4 ms wide from here
    EXPECT_EQ(later.Buckets(buckets)[300].n, 1u);
    const std::vector<Count>& merged = counts.Buckets(buckets);
    EXPECT_EQ(merged[0].n, 4u);
    EXPECT_EQ(merged[149].n, 4u);
    EXPECT_EQ(merged[150].n, 0u);
    const std::vector<Extent>& extents = values.Buckets(buckets);
    EXPECT_FLOAT_EQ(extents[1].min, 4);
    EXPECT_FLOAT_EQ(extents[1].max, 7);
    EXPECT_FALSE(extents[150].Any());
}
