// The charts of the HTML report read back as a reader of the page would: each series' path
// mapped through its chart's plot rect and data-t0/t1/v0/v1 to times and values. The captures
// below say what each chart must show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "plant/register_map.h"
#include "tests/analysis/plant_run.h"

namespace {

struct Point {
    double x = 0;
    double y = 0;
};

// One chart: its attributes, plot rect, the named series (paths split at each M) and write marks.
struct Chart {
    std::string svg;
    double t0 = 0, t1 = 0, v0 = 0, v1 = 0;
    double left = 0, top = 0, width = 0, height = 0;
    std::vector<std::vector<Point>> segments;

    double XOf(double t) const { return left + (t - t0) / (t1 - t0) * width; }
    double ValueOf(double y) const { return v0 + (top + height - y) / height * (v1 - v0); }
    // The value the series holds at capture time `t` (a horizontal stroke over it), if any.
    std::optional<double> At(double t) const {
        const double x = XOf(t);
        std::optional<double> value;
        for (const auto& segment : segments) {
            for (size_t i = 1; i < segment.size(); ++i) {
                const Point& a = segment[i - 1];
                const Point& b = segment[i];
                if (a.y == b.y && std::min(a.x, b.x) <= x && x <= std::max(a.x, b.x)) {
                    value = ValueOf(a.y);
                }
            }
        }
        return value;
    }
    // The value a pixel stands for: how close a value read back can be.
    double Resolution() const { return std::abs(v1 - v0) / height; }
};

std::string Attribute(const std::string& text, const std::string& name) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(" " + name + "=\"([^\"]*)\"")) ? match[1].str()
                                                                                    : std::string();
}

double Number(const std::string& text, const std::string& name) {
    return std::stod(Attribute(text, name));
}

// The charts of the page with a series named `name`.
std::vector<Chart> ChartsOf(const std::string& page, const std::string& name) {
    std::vector<Chart> charts;
    const std::regex svgs("<svg [\\s\\S]*?</svg>");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), svgs);
         it != std::sregex_iterator(); ++it) {
        Chart chart;
        chart.svg = it->str();
        std::smatch path;
        if (!std::regex_search(chart.svg, path,
                               std::regex("<path class=\"[^\"]*series\" data-name=\"" + name +
                                          "\" d=\"([^\"]*)\""))) {
            continue;
        }
        const std::string head = chart.svg.substr(0, chart.svg.find('>'));
        chart.t0 = Number(head, "data-t0");
        chart.t1 = Number(head, "data-t1");
        chart.v0 = Number(head, "data-v0");
        chart.v1 = Number(head, "data-v1");
        std::smatch plot;
        EXPECT_TRUE(std::regex_search(chart.svg, plot, std::regex("<rect class=\"plot\"[^>]*>")));
        chart.left = Number(plot.str(), "x");
        chart.top = Number(plot.str(), "y");
        chart.width = Number(plot.str(), "width");
        chart.height = Number(plot.str(), "height");
        const std::string d = path[1].str();
        const std::regex command("([MLHV])([-0-9.]+)(?: ([-0-9.]+))?");
        Point pen;
        for (auto c = std::sregex_iterator(d.begin(), d.end(), command);
             c != std::sregex_iterator(); ++c) {
            const char op = (*c)[1].str()[0];
            const double a = std::stod((*c)[2].str());
            if (op == 'M') {
                chart.segments.emplace_back();
            }
            pen = op == 'H'   ? Point{a, pen.y}
                  : op == 'V' ? Point{pen.x, a}
                              : Point{a, std::stod((*c)[3].str())};
            chart.segments.back().push_back(pen);
        }
        charts.push_back(chart);
    }
    return charts;
}

// Seconds since the epoch of `ms` after the captures' start.
double At(int ms) {
    return ModbusTraffic::kStart + ms / 1000.0;
}

Bytes Words(uint8_t function, const std::vector<uint16_t>& words) {
    Bytes pdu = {function, static_cast<uint8_t>(2 * words.size())};
    for (uint16_t word : words) {
        pdu.push_back(static_cast<uint8_t>(word >> 8));
        pdu.push_back(static_cast<uint8_t>(word));
    }
    return pdu;
}

Bytes ReadHolding(uint16_t first, uint16_t count) {
    return {0x03, static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(first),
            static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
}

std::string Page(const Bytes& capture, std::shared_ptr<RegisterMap> map = nullptr) {
    AnalysisOptions options;
    options.html = "report.html";
    options.registerMap = std::move(map);
    RunForSummary(capture, options);
    return ReadFileText("report.html");
}

std::shared_ptr<RegisterMap> MapOf(const std::vector<std::pair<std::string, MapDataType>>& types) {
    auto map = std::make_shared<RegisterMap>();
    uint16_t address = 0;
    for (const auto& type : types) {
        MapEntry entry;
        entry.name = type.first;
        entry.type = type.second;
        entry.address = address;
        entry.count = RegistersOf(type.second);
        address = static_cast<uint16_t>(address + entry.count);
        map->entries.push_back(entry);
    }
    return map;
}

}  // namespace

using PageCharts = InTempDirectory;

// 40001 read every second for a minute but from 40 s to 49 s: 13624 for the first 30 reads,
// then 14130.
TEST_F(PageCharts, ARegisterIsDrawnFromItsFirstReadAndStepsOnce) {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 60; ++i) {
        if (i >= 40 && i < 50) {
            continue;
        }
        t.Request(a, 1000 * i, ModbusTcpAdu(1, ReadHolding(0, 1), i));
        t.Response(
            a, 1000 * i + 20,
            ModbusTcpAdu(1, Words(0x03, {static_cast<uint16_t>(i < 30 ? 13624 : 14130)}), i));
    }
    const std::vector<Chart> charts = ChartsOf(Page(t.Build()), "40001");
    ASSERT_EQ(charts.size(), 1u);
    const Chart& chart = charts[0];
    for (int ms : {300, 10000, 29600}) {
        ASSERT_TRUE(chart.At(At(ms))) << ms;
        EXPECT_NEAR(*chart.At(At(ms)), 13624, chart.Resolution()) << ms;
    }
    // No dip back to the old value after the change.
    for (int ms : {30500, 31500, 32200, 38500, 50500, 59000}) {
        ASSERT_TRUE(chart.At(At(ms))) << ms;
        EXPECT_NEAR(*chart.At(At(ms)), 14130, chart.Resolution()) << ms;
    }
    // Ten seconds unread: a gap.
    EXPECT_FALSE(chart.At(At(45000)));
    EXPECT_EQ(chart.segments.size(), 2u);
}

// 20 entries read every second ten times; only the last three change (once, three times, nine).
TEST_F(PageCharts, AMapsMostChangedEntriesAreDrawn) {
    std::vector<std::pair<std::string, MapDataType>> types;
    for (int i = 1; i <= 20; ++i) {
        types.push_back({"e" + std::to_string(i), MapDataType::Uint16});
    }
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 10; ++i) {
        std::vector<uint16_t> words(20, 7);
        words[17] = i < 5 ? 1 : 2;
        words[18] = static_cast<uint16_t>(i / 3);
        words[19] = i;
        t.Request(a, 1000 * i, ModbusTcpAdu(1, ReadHolding(0, 20), i));
        t.Response(a, 1000 * i + 5, ModbusTcpAdu(1, Words(0x03, words), i));
    }
    const std::string page = Page(t.Build(), MapOf(types));
    for (int i = 1; i <= 17; ++i) {
        EXPECT_TRUE(ChartsOf(page, "e" + std::to_string(i)).empty()) << i;
    }
    for (const char* drawn : {"e18", "e19", "e20"}) {
        EXPECT_EQ(ChartsOf(page, drawn).size(), 1u) << drawn;
    }
    EXPECT_NE(page.find("<title>e20 (40020): 9 changes</title>"), std::string::npos);
    EXPECT_EQ(page.find("more changing"), std::string::npos);
    EXPECT_NE(page.find("17 map entries read or written did not change."), std::string::npos);
}

// Six registers read every second ten times, 40001 changing once, 40002 twice ... 40006 six
// times: without a map four register charts are drawn, the most changed first.
TEST_F(PageCharts, TheMostChangedRegistersAreDrawnFirst) {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 10; ++i) {
        std::vector<uint16_t> words;
        for (uint16_t k = 0; k < 6; ++k) {
            words.push_back(std::min<uint16_t>(i, k + 1));
        }
        t.Request(a, 1000 * i, ModbusTcpAdu(1, ReadHolding(0, 6), i));
        t.Response(a, 1000 * i + 5, ModbusTcpAdu(1, Words(0x03, words), i));
    }
    const std::string page = Page(t.Build());
    for (const char* left : {"40001", "40002"}) {
        EXPECT_TRUE(ChartsOf(page, left).empty()) << left;
    }
    size_t previous = 0;
    for (const char* drawn : {"40006", "40005", "40004", "40003"}) {
        ASSERT_EQ(ChartsOf(page, drawn).size(), 1u) << drawn;
        const size_t at = page.find("data-name=\"" + std::string(drawn) + "\"");
        EXPECT_GT(at, previous) << drawn;
        previous = at;
    }
}

// Coils 00001-00002 and input 10001 polled every second; 10.0.0.10 switches coil 00001 on at
// 4.5 s, and the input follows at the poll of 6 s.
TEST_F(PageCharts, ACoilSwitchedByAWriteAndItsFeedbackAreStepCharts) {
    TrafficConnection poller{"10.0.0.9", 40000};
    TrafficConnection operatorPanel{"10.0.0.10", 40001};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 10; ++i) {
        const auto id = static_cast<uint16_t>(2 * i);
        t.Request(poller, 1000 * i, ModbusTcpAdu(1, {0x01, 0x00, 0x00, 0x00, 0x02}, id));
        t.Response(poller, 1000 * i + 5,
                   ModbusTcpAdu(1, {0x01, 0x01, static_cast<uint8_t>(i < 5 ? 0 : 1)}, id));
        t.Request(poller, 1000 * i + 100,
                  ModbusTcpAdu(1, {0x02, 0x00, 0x00, 0x00, 0x01}, static_cast<uint16_t>(id + 1)));
        t.Response(poller, 1000 * i + 105,
                   ModbusTcpAdu(1, {0x02, 0x01, static_cast<uint8_t>(i < 6 ? 0 : 1)},
                                static_cast<uint16_t>(id + 1)));
        if (i == 4) {
            const Bytes on = {0x05, 0x00, 0x00, 0xFF, 0x00};
            t.Request(operatorPanel, 4500, ModbusTcpAdu(1, on, 99));
            t.Response(operatorPanel, 4510, ModbusTcpAdu(1, on, 99));
        }
    }
    const std::string page = Page(t.Build());

    const std::vector<Chart> coil = ChartsOf(page, "00001");
    ASSERT_EQ(coil.size(), 1u);
    EXPECT_EQ(Attribute(coil[0].svg, "data-v0") + Attribute(coil[0].svg, "data-v1"), "01");
    EXPECT_NEAR(*coil[0].At(At(2000)), 0, 1e-9);
    EXPECT_NEAR(*coil[0].At(At(4800)), 1, 1e-9);  // written, before the next poll
    EXPECT_NEAR(*coil[0].At(At(8000)), 1, 1e-9);
    std::smatch mark;
    ASSERT_TRUE(std::regex_search(coil[0].svg, mark, std::regex("<g class=\"write-mark\"[^>]*>")));
    EXPECT_EQ(Attribute(mark.str(), "data-client"), "10.0.0.10");
    EXPECT_NEAR(Number(mark.str(), "data-time"), At(4500), 1e-6);

    const std::vector<Chart> input = ChartsOf(page, "10001");
    ASSERT_EQ(input.size(), 1u);
    EXPECT_NEAR(*input[0].At(At(5500)), 0, 1e-9);
    EXPECT_NEAR(*input[0].At(At(6500)), 1, 1e-9);
    EXPECT_EQ(input[0].svg.find("write-mark"), std::string::npos);
    EXPECT_TRUE(ChartsOf(page, "00002").empty());
    EXPECT_NE(page.find("1 coil or discrete input read or written did not change."),
              std::string::npos);
}

// Three requests every ten seconds for two minutes: 0.3 requests a second throughout.
TEST_F(PageCharts, ASlowRegularPollIsASteadyRate) {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    uint16_t id = 0;
    for (int poll = 0; poll <= 12; ++poll) {
        for (uint16_t range = 0; range < 3; ++range, ++id) {
            const int ms = 10000 * poll + 50 * range;
            t.Request(a, ms, ModbusTcpAdu(1, ReadHolding(range * 10, 1), id));
            t.Response(a, ms + 10, ModbusTcpAdu(1, Words(0x03, {1}), id));
        }
    }
    const std::vector<Chart> rates = ChartsOf(Page(t.Build()), "requests");
    ASSERT_EQ(rates.size(), 1u);
    for (int ms = 0; ms <= 120000; ms += 700) {
        ASSERT_TRUE(rates[0].At(At(ms))) << ms;
        EXPECT_NEAR(*rates[0].At(At(ms)), 0.3, 0.03 + rates[0].Resolution()) << ms;
    }
}

// Unit 1 polled every 10 s for 1,000 s; unit 2 asked three times in its first second only. Unit
// 2 has no poll period to spread its requests over: its rate stands where they came, and is
// nothing once it is no longer asked.
TEST_F(PageCharts, ABurstIsDrawnWhereItCameNotSpreadOverTheCapture) {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    uint16_t id = 0;
    for (uint16_t burst = 0; burst < 3; ++burst, ++id) {
        t.Request(a, 300 * burst, ModbusTcpAdu(2, ReadHolding(0, 1), id));
        t.Response(a, 300 * burst + 10, ModbusTcpAdu(2, Words(0x03, {1}), id));
    }
    for (int ms = 0; ms <= 1000000; ms += 10000, ++id) {
        t.Request(a, ms + 5, ModbusTcpAdu(1, ReadHolding(0, 1), id));
        t.Response(a, ms + 15, ModbusTcpAdu(1, Words(0x03, {1}), id));
    }
    const std::vector<Chart> rates = ChartsOf(Page(t.Build()), "requests");
    ASSERT_EQ(rates.size(), 2u);
    const Chart& burst = rates[1];
    double most = 0;
    for (int ms = 0; ms <= 20000; ms += 100) {
        most = std::max(most, burst.At(At(ms)).value_or(0));
    }
    EXPECT_GT(most, 0) << "the burst is drawn";
    for (int ms = 50000; ms <= 1000000; ms += 5000) {
        EXPECT_LE(burst.At(At(ms)).value_or(0), burst.Resolution()) << ms;
    }
}

// Values no axis can take whole: the largest floats, infinities, NaN, beyond a float, huge
// integers. The page is written, with finite axes and the values left out counted.
TEST_F(PageCharts, AnyValueDraws) {
    const float floats[] = {1, 3.4e38f, INFINITY, NAN, -3.4e38f, 2, NAN, 1};
    const double doubles[] = {1, 1e300, -1e300, 5, 5, 5, 5, 5};
    const int64_t integers[] = {0, INT64_MAX, INT64_MIN, 1, 1, 1, 1, 1};
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 8; ++i) {
        std::vector<uint16_t> words;
        uint32_t f = 0;
        std::memcpy(&f, &floats[i], 4);
        uint64_t d = 0;
        std::memcpy(&d, &doubles[i], 8);
        const auto n = static_cast<uint64_t>(integers[i]);
        words = {static_cast<uint16_t>(f >> 16), static_cast<uint16_t>(f)};
        for (uint64_t value : {d, n}) {
            for (int shift = 48; shift >= 0; shift -= 16) {
                words.push_back(static_cast<uint16_t>(value >> shift));
            }
        }
        t.Request(a, 1000 * i, ModbusTcpAdu(1, ReadHolding(0, 10), i));
        t.Response(a, 1000 * i + 5, ModbusTcpAdu(1, Words(0x03, words), i));
    }
    const std::string page = Page(t.Build(), MapOf({{"f", MapDataType::Float32},
                                                    {"d", MapDataType::Float64},
                                                    {"n", MapDataType::Int64}}));
    for (const char* name : {"f", "d", "n"}) {
        const std::vector<Chart> charts = ChartsOf(page, name);
        ASSERT_EQ(charts.size(), 1u) << name;
        EXPECT_TRUE(std::isfinite(charts[0].v0) && std::isfinite(charts[0].v1)) << name;
        EXPECT_LT(charts[0].v0, charts[0].v1) << name;
    }
    EXPECT_LE(ChartsOf(page, "f")[0].v0, -3.4e38);
    EXPECT_GE(ChartsOf(page, "f")[0].v1, 3.4e38);
    EXPECT_NE(page.find("3 values left out: not finite, or too large to draw."), std::string::npos);
    EXPECT_NE(page.find("2 values left out: not finite, or too large to draw."), std::string::npos);
}
