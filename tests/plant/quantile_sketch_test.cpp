// Quantiles exact while few values came, within the stated error after; merged address ranges.

#include "plant/quantile_sketch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "plant/address_ranges.h"

TEST(QuantileSketch, ExactRanksWhileFew) {
    QuantileSketch sketch;
    EXPECT_EQ(sketch.Quantile(0.5), 0);
    for (double value : {40.0, 10.0, 30.0, 20.0}) {
        sketch.Add(value);
    }
    EXPECT_TRUE(sketch.Exact());
    EXPECT_EQ(sketch.Quantile(0.5), 20);  // rank floor(3 * 0.5) = 1: the lower middle value
    EXPECT_EQ(sketch.Quantile(0.99), 30);
    EXPECT_EQ(sketch.Quantile(1.0), 40);
    EXPECT_EQ(sketch.Min(), 10);
    sketch.Add(-5);  // a clock that went back counts as no time
    EXPECT_EQ(sketch.Min(), 0);
}

TEST(QuantileSketch, EstimatesStayWithinTheRelativeError) {
    std::mt19937 random(7);
    std::lognormal_distribution<double> responseTimes(3.0, 1.5);
    QuantileSketch sketch;
    std::vector<double> values;
    for (size_t i = 0; i < 3 * QuantileSketch::kExactSamples; ++i) {
        values.push_back(responseTimes(random));
        sketch.Add(values.back());
    }
    ASSERT_FALSE(sketch.Exact());
    std::sort(values.begin(), values.end());
    for (double q : {0.01, 0.5, 0.9, 0.99}) {
        const double exact = values[static_cast<size_t>((values.size() - 1) * q)];
        EXPECT_NEAR(sketch.Quantile(q), exact, exact * QuantileSketch::kRelativeError) << q;
    }
    EXPECT_EQ(sketch.Max(), values.back());
    EXPECT_EQ(sketch.Count(), values.size());
}

TEST(AddressRanges, AdjacentAndOverlappingRangesMerge) {
    AddressRanges ranges;
    ranges.Add(10, 5);  // 10-14
    ranges.Add(20, 1);
    ranges.Add(15, 2);  // adjacent: 10-16
    ranges.Add(0, 0);   // nothing
    ranges.Add(65535, 1);
    std::vector<AddressRange> got = ranges.Ranges();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].first, 10u);
    EXPECT_EQ(got[0].last, 16u);
    ranges.Add(12, 9);  // 12-20 joins both
    got = ranges.Ranges();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].last, 20u);
    EXPECT_EQ(got[1].first, 65535u);
}

TEST(AddressRanges, ARangeJustBeforeAnotherJoinsIt) {
    AddressRanges ranges;
    ranges.Add(10, 5);  // 10-14
    ranges.Add(5, 5);   // 5-9 ends where 10-14 begins: 5-14
    ranges.Add(0, 4);   // 0-3 leaves 4 out: apart
    const std::vector<AddressRange> got = ranges.Ranges();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, 0u);
    EXPECT_EQ(got[0].last, 3u);
    EXPECT_EQ(got[1].first, 5u);
    EXPECT_EQ(got[1].last, 14u);
}
