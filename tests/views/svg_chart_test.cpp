// The axes of a chart: round steps of 1, 2 or 5 times a power of ten, ends alone for ranges no
// step can cover (a register map's float64 may decode to anything a double holds), always finite
// and found in a bounded number of steps; short tick texts; decades of a log axis.

#include "views/svg_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

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

TEST(LinearTicks, AnyRangeGivesAFiniteAxisInFewSteps) {
    constexpr double kHuge = std::numeric_limits<double>::max();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Values(LinearTicks(-kHuge, kHuge, 5)), (std::vector<double>{-kHuge, kHuge}));
    EXPECT_EQ(Values(LinearTicks(-kInfinity, kInfinity, 5)), (std::vector<double>{-kHuge, kHuge}));
    // 2^60 and the next double: whole steps past 2^53, which a double cannot count through.
    const double big = 1152921504606846976.0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> ranges[] = {
        {big, big + 256}, {nan, 1},         {nan, nan},        {-kInfinity, -kInfinity},
        {kHuge, kHuge},   {3.4e38, 3.4e38}, {-1e-320, 1e-320}, {5, 5}};
    for (const auto& range : ranges) {
        const std::vector<double> ticks = Values(LinearTicks(range.first, range.second, 5));
        ASSERT_GE(ticks.size(), 2u) << range.first << " " << range.second;
        EXPECT_LE(ticks.size(), 21u);
        for (size_t i = 1; i < ticks.size(); ++i) {
            EXPECT_LT(ticks[i - 1], ticks[i]) << range.first << " " << range.second;
        }
        EXPECT_TRUE(std::isfinite(ticks.front()) && std::isfinite(ticks.back()));
        if (!std::isnan(range.first) && std::isfinite(range.first)) {
            EXPECT_LE(ticks.front(), range.first);
            EXPECT_GE(ticks.back(), range.second);
        }
    }
}

TEST(LinearTicks, LargeAndSmallNumbersReadInExponentForm) {
    std::vector<std::string> texts;
    for (const Tick& tick : LinearTicks(-3.4e38, 3.4e38, 5)) {
        texts.push_back(tick.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"-4e38", "-2e38", "0", "2e38", "4e38"}));
    EXPECT_EQ(LinearTicks(0, 1e-8, 2).back().text, "1e-8");
    EXPECT_EQ(LinearTicks(0, 0.5, 5).back().text, "0.5");
    EXPECT_EQ(LinearTicks(0, 3e7, 3).back().text, "3e7");
}

TEST(DecadeTicks, PowersOfTenBetweenTheEnds) {
    EXPECT_EQ(Values(DecadeTicks(0.01, 1000)), (std::vector<double>{0.01, 0.1, 1, 10, 100, 1000}));
    EXPECT_EQ(DecadeTicks(0.1, 1000)[3].text, "100");
    // Ends without a decade give no ticks, and end.
    EXPECT_TRUE(DecadeTicks(0, 1000).empty());
    EXPECT_TRUE(DecadeTicks(1, std::numeric_limits<double>::infinity()).empty());
}

namespace {

// The x axis label as the chart shows it, for a label of `count` times `character`.
std::string ShownXLabel(const std::string& character, size_t count) {
    std::string label;
    for (size_t i = 0; i < count; ++i) {
        label += character;
    }
    ChartAxis x;
    x.label = label;
    const std::string svg = SvgChart("t", x, ChartAxis{}).Svg();
    const size_t at = svg.find('>', svg.find("class=\"axis-label x\"")) + 1;
    return svg.substr(at, svg.find("</text>", at) - at);
}

size_t Utf8Characters(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

}  // namespace

// A label too long for its axis is cut to as many characters as the longest label shown whole,
// its ellipsis counted among them; multi-byte characters count as one.
TEST(SvgChart, ALongLabelIsCutToTheRoomWithItsEllipsis) {
    const std::string ellipsis = "\xE2\x80\xA6";
    for (const std::string character : {"x", "\xC3\xA9", "\xE2\x82\xAC"}) {
        size_t room = 1;
        while (room < 1000 &&
               ShownXLabel(character, room + 1).size() == (room + 1) * character.size()) {
            ++room;
        }
        ASSERT_LT(room, 1000u) << "no label is cut";
        for (size_t extra : {1, 2, 10}) {
            const std::string shown = ShownXLabel(character, room + extra);
            EXPECT_EQ(Utf8Characters(shown), room) << character << " " << extra;
            ASSERT_GE(shown.size(), ellipsis.size());
            EXPECT_EQ(shown.substr(shown.size() - ellipsis.size()), ellipsis);
            EXPECT_EQ(shown.substr(0, shown.size() - ellipsis.size()),
                      ShownXLabel(character, room - 1));
        }
    }
}
