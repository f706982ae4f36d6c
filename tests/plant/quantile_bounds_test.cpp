// The sketch's promises in numbers: exact for up to 4,096 values (by default), then every
// quantile within 0.5% of the exact one, minimum and maximum exact throughout.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "plant/quantile_sketch.h"

namespace {

// The value at rank floor((n - 1) q) of `sorted`.
double ExactQuantile(const std::vector<double>& sorted, double q) {
    return sorted[static_cast<size_t>(std::floor((sorted.size() - 1) * q))];
}

}  // namespace

TEST(QuantileSketchBounds, ExactForUpTo4096Values) {
    QuantileSketch sketch;
    std::vector<double> values;
    for (int i = 0; i < 4096; ++i) {
        values.push_back(1 + (i * 7919) % 4096 * 0.25);  // distinct, scrambled
        sketch.Add(values.back());
    }
    ASSERT_TRUE(sketch.Exact());
    std::sort(values.begin(), values.end());
    for (double q : {0.0, 0.25, 0.5, 0.9, 0.99, 1.0}) {
        EXPECT_EQ(sketch.Quantile(q), ExactQuantile(values, q)) << q;
    }
    sketch.Add(2);
    EXPECT_FALSE(sketch.Exact());
    EXPECT_EQ(sketch.Count(), 4097u);
}

TEST(QuantileSketchBounds, ALimitOfItsOwn) {
    QuantileSketch sketch(256);
    for (int i = 1; i <= 256; ++i) {
        sketch.Add(i);
    }
    EXPECT_TRUE(sketch.Exact());
    EXPECT_EQ(sketch.Quantile(0.95), 243);  // rank floor(255 * 0.95) = 242
    sketch.Add(257);
    EXPECT_FALSE(sketch.Exact());
}

// Response times over four decades: each percentile within 0.5%, yet not always the exact value
// (the histogram is used).
TEST(QuantileSketchBounds, EstimatesWithinHalfAPercent) {
    std::mt19937 random(11);
    std::lognormal_distribution<double> responseTimes(2.0, 1.2);
    QuantileSketch sketch;
    std::vector<double> values;
    for (int i = 0; i < 50000; ++i) {
        values.push_back(responseTimes(random));
        sketch.Add(values.back());
    }
    ASSERT_FALSE(sketch.Exact());
    std::sort(values.begin(), values.end());
    double worst = 0;
    for (int percent = 1; percent <= 99; ++percent) {
        const double q = percent / 100.0;
        const double exact = ExactQuantile(values, q);
        const double error = std::fabs(sketch.Quantile(q) - exact) / exact;
        EXPECT_LE(error, 0.005) << q;
        worst = std::max(worst, error);
    }
    EXPECT_GT(worst, 0.0);
    EXPECT_EQ(sketch.Min(), values.front());
    EXPECT_EQ(sketch.Max(), values.back());
    EXPECT_EQ(sketch.Quantile(0), values.front());
    EXPECT_EQ(sketch.Quantile(1), values.back());
}
