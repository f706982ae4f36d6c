// The shared time bucketing: a width that doubles as times go past the last bucket, and series
// that merge their buckets in pairs when they are next touched.

#include "plant/time_series.h"

#include <gtest/gtest.h>

#include <limits>

#include "plant/bucket_table.h"

namespace {

constexpr int64_t kMs = 1000000;

}  // namespace

TEST(TimeSeries, BucketsWidenAsTheSpanGrows) {
    TimeBuckets buckets;
    EXPECT_EQ(buckets.Place(5 * kMs), 0u);  // the first time is the origin
    EXPECT_EQ(buckets.Place(5 * kMs + 299 * kMs), 299u);
    EXPECT_EQ(buckets.Doublings(), 0);
    EXPECT_EQ(buckets.Place(5 * kMs + 300 * kMs), 150u);
    EXPECT_EQ(buckets.WidthNs(), 2 * kMs);
    EXPECT_EQ(buckets.Place(5 * kMs + 2000 * kMs), 250u);  // 8 ms wide
    EXPECT_EQ(buckets.Doublings(), 3);
    EXPECT_EQ(buckets.Place(0), 0u);  // before the origin
    EXPECT_EQ(buckets.Used(), 251u);
}

TEST(TimeSeries, SeriesMergeInPairs) {
    TimeBuckets buckets;
    BucketTable<Count> counts(1);
    BucketTable<Extent> values;
    const size_t first = values.AddSeries();
    const size_t second = values.AddSeries();
    for (int ms = 0; ms < 300; ++ms) {
        const size_t bucket = buckets.Place(ms * kMs);
        ++counts.Row(buckets, bucket)[0].n;
        values.Row(buckets, bucket)[first].Add(ms);
        values.Row(buckets, bucket)[second].Add(-ms);
    }
    BucketTable<Count> later(1);                          // made after the widening
    ++later.Row(buckets, buckets.Place(600 * kMs))[0].n;  // 4 ms wide from here
    EXPECT_EQ(later.Column(buckets, 0)[150].n, 1u);
    const std::vector<Count> merged = counts.Column(buckets, 0);
    EXPECT_EQ(merged[0].n, 4u);
    EXPECT_EQ(merged[74].n, 4u);
    EXPECT_EQ(merged[75].n, 0u);
    // A series added after the widening (rows of a wider table) keeps the others' values.
    const size_t third = values.AddSeries();
    for (size_t i = 0; i < 3; ++i) {
        values.AddSeries();
    }
    values.Row(buckets, 150)[third].Add(42);
    const std::vector<Extent> extents = values.Column(buckets, first);
    EXPECT_FLOAT_EQ(extents[1].min, 4);
    EXPECT_FLOAT_EQ(extents[1].max, 7);
    EXPECT_FALSE(extents[75].Any());
    EXPECT_FLOAT_EQ(values.Column(buckets, second)[74].min, -299);
    EXPECT_FLOAT_EQ(values.Column(buckets, third)[150].max, 42);
    EXPECT_FALSE(values.Column(buckets, third)[0].Any());
}

// A bucket's values: the envelope and the last one, which holds until the next sample; merged
// in time order, the later bucket's last value is the pair's.
TEST(TimeSeries, ABucketKeepsItsLastValue) {
    TimeBuckets buckets;
    BucketTable<Extent> values;
    const size_t series = values.AddSeries();
    const int samples[][2] = {{0, 13624}, {100, 14130}, {200, 13624}, {300, 14130}, {700, 9}};
    for (const auto& sample : samples) {
        values.Row(buckets, buckets.Place(sample[0] * kMs))[series].Add(sample[1]);
    }
    // 1 ms buckets merged up to 4 ms: 0-3, 100-103, ...
    const std::vector<Extent> extents = values.Column(buckets, series);
    EXPECT_FLOAT_EQ(extents[25].last, 14130);
    Extent pair = extents[0];
    pair.Merge(extents[1]);  // nothing in the later one: the earlier one's last stays
    EXPECT_FLOAT_EQ(pair.last, 13624);
    pair.Merge(extents[25]);
    EXPECT_FLOAT_EQ(pair.last, 14130);
    EXPECT_FLOAT_EQ(pair.min, 13624);
    EXPECT_FALSE(Extent::Holds(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(Extent::Holds(1e39));
    EXPECT_TRUE(Extent::Holds(-3.4e38));
}
