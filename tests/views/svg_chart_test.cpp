// The value axis of a chart: round steps of 1, 2 or 5 times a power of ten, and ends alone for
// ranges no step can cover (a register map's float64 may decode to anything a double holds).

#include "views/svg_chart.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

std::vector<double> Values(const std::vector<Tick>& ticks) {
    std::vector<double> values;
    for (const Tick& tick : ticks) {
        values.push_back(tick.value);
    }
    return values;
}

}  // namespace

TEST(LinearTicks, StepsOfOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_EQ(Values(LinearTicks(0, 10, 5)), (std::vector<double>{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(Values(LinearTicks(0, 1000, 5)), (std::vector<double>{0, 200, 400, 600, 800, 1000}));
    EXPECT_EQ(Values(LinearTicks(3, 17, 3)), (std::vector<double>{0, 5, 10, 15, 20}));
}

TEST(LinearTicks, RangesBeyondADoublesStepsGiveTheirEnds) {
    constexpr double kHuge = std::numeric_limits<double>::max();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Values(LinearTicks(-kHuge, kHuge, 5)), (std::vector<double>{-kHuge, kHuge}));
    EXPECT_EQ(Values(LinearTicks(-kInfinity, kInfinity, 5)),
              (std::vector<double>{-kInfinity, kInfinity}));
    EXPECT_EQ(LinearTicks(std::numeric_limits<double>::quiet_NaN(), 1, 5).size(), 2u);
}
