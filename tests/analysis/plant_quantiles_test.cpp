// Response times and poll intervals of known distributions through the summary and the page:
// quantiles are the value at rank floor((n - 1) q), exact up to 4,096 response times per device
// and 256 intervals per polled range.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/analysis/plant_run.h"

namespace {

const Bytes kRead = {0x03, 0x00, 0x00, 0x00, 0x01};
const Bytes kAnswer = {0x03, 0x02, 0x00, 0x07};

// Unit 1: 100 answers taking 1 to 100 ms, in a scrambled order. Unit 2: polled 101 times, the
// intervals 1 to 100 ms.
Bytes KnownTimesCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.10", 40001};
    ModbusTraffic t;
    for (int i = 0; i < 100; ++i) {
        const int took = (i * 37) % 100 + 1;  // 37 is prime to 100: each of 1..100 once
        t.Request(a, 200 * i, ModbusTcpAdu(1, kRead, static_cast<uint16_t>(i)));
        t.Response(a, 200 * i + took, ModbusTcpAdu(1, kAnswer, static_cast<uint16_t>(i)));
    }
    int ms = 0;
    for (int i = 0; i <= 100; ++i) {
        ms += i;  // 0, 1, 3, 6, ...: interval i before poll i
        t.Request(b, ms, ModbusTcpAdu(2, kRead, static_cast<uint16_t>(i)));
        t.Response(b, ms, ModbusTcpAdu(2, kAnswer, static_cast<uint16_t>(i)));
    }
    return t.Build();
}

// Units 1 and 2 polled `polls` times each, every answer after 1 ms.
Bytes PollsCapture(int unit1Polls, int unit2Polls) {
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.10", 40001};
    ModbusTraffic t;
    for (int i = 0; i < std::max(unit1Polls, unit2Polls); ++i) {
        const uint16_t id = static_cast<uint16_t>(i);
        if (i < unit1Polls) {
            t.Request(a, 10 * i, ModbusTcpAdu(1, kRead, id));
            t.Response(a, 10 * i + 1, ModbusTcpAdu(1, kAnswer, id));
        }
        if (i < unit2Polls) {
            t.Request(b, 10 * i + 2, ModbusTcpAdu(2, kRead, id));
            t.Response(b, 10 * i + 3, ModbusTcpAdu(2, kAnswer, id));
        }
    }
    return t.Build();
}

class PlantQuantiles : public InTempDirectory {};

}  // namespace

TEST_F(PlantQuantiles, ResponseTimesOfOneToAHundredMs) {
    const Json summary = RunForSummary(KnownTimesCapture());
    // Ranks floor(99 q): 49, 89 and 98, the 50th, 90th and 99th value.
    EXPECT_EQ(DeviceOf(summary, 1)["response_time_ms"], Json({{"count", 100},
                                                              {"exact", true},
                                                              {"min", 1.0},
                                                              {"p50", 50.0},
                                                              {"p90", 90.0},
                                                              {"p99", 99.0},
                                                              {"max", 100.0}}));
    const Json polling = DeviceOf(summary, 2)["polling"];
    ASSERT_EQ(polling.size(), 1u);
    EXPECT_EQ(polling[0]["polls"], 101);
    // Ranks floor(99 q): 49 and 94.
    EXPECT_EQ(polling[0]["interval_ms"],
              Json({{"count", 100}, {"exact", true}, {"p50", 50.0}, {"p95", 95.0}}));
}

TEST_F(PlantQuantiles, PageShowsP50AndP99) {
    AnalysisOptions options;
    options.html = "page.html";
    RunForSummary(KnownTimesCapture(), options);
    const std::string page = ReadFileText("page.html");
    const size_t table = page.find("id=\"device-table\"");
    ASSERT_NE(table, std::string::npos);
    const std::string head = page.substr(table, page.find("</thead>", table) - table);
    EXPECT_NE(head.find("<th>p50 (ms)</th><th>p99 (ms)</th>"), std::string::npos) << head;
    // Server, unit, identification, requests, exceptions, unanswered, p50, p99.
    const std::string row =
        "<td>10.0.0.5:502</td><td class=\"n\">1</td><td></td>"
        "<td class=\"n\">100</td><td class=\"n\">0</td><td class=\"n\">0</td>"
        "<td class=\"n\">50</td><td class=\"n\">99</td>";
    EXPECT_NE(page.find(row, table), std::string::npos) << page.substr(table, 2000);
}

TEST_F(PlantQuantiles, PollIntervalsExactUpTo256) {
    // 257 polls: 256 intervals; 258 polls: 257.
    const Json summary = RunForSummary(PollsCapture(257, 258));
    const Json unit1 = DeviceOf(summary, 1)["polling"][0]["interval_ms"];
    const Json unit2 = DeviceOf(summary, 2)["polling"][0]["interval_ms"];
    EXPECT_EQ(unit1["count"], 256);
    EXPECT_EQ(unit1["exact"], true);
    EXPECT_EQ(unit2["count"], 257);
    EXPECT_EQ(unit2["exact"], false);
    // Every interval is 10 ms: within 0.5% once estimated.
    EXPECT_DOUBLE_EQ(unit1["p50"].get<double>(), 10.0);
    EXPECT_NEAR(unit2["p50"].get<double>(), 10.0, 0.05);
}

TEST_F(PlantQuantiles, ResponseTimesExactUpTo4096) {
    const Json summary = RunForSummary(PollsCapture(4096, 4097));
    const Json unit1 = DeviceOf(summary, 1)["response_time_ms"];
    const Json unit2 = DeviceOf(summary, 2)["response_time_ms"];
    EXPECT_EQ(unit1["count"], 4096);
    EXPECT_EQ(unit1["exact"], true);
    EXPECT_EQ(unit2["count"], 4097);
    EXPECT_EQ(unit2["exact"], false);
    EXPECT_NEAR(unit2["p90"].get<double>(), 1.0, 0.005);
}

namespace {

// The significant digits of a number as written: "50.3" 3, "0.00123" 3, "1200" 2.
size_t SignificantDigits(std::string text) {
    text = text.substr(0, text.find_first_of("eE"));
    text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
    text.erase(0, text.find_first_not_of("-0"));
    text.erase(text.find_last_not_of('0') + 1);
    return text.size();
}

}  // namespace

// Past the exact samples a quantile is within 0.5% of the exact value: a fourth digit would be
// noise, and the summary and the page give three.
TEST_F(PlantQuantiles, ApproximateQuantilesHaveThreeSignificantDigits) {
    constexpr int kAnswers = 5000;
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    std::vector<double> took;
    for (int i = 0; i < kAnswers; ++i) {
        took.push_back((i * 37) % 100 + 1);  // 1 to 100 ms, fifty times each
        t.Request(a, 200 * i, ModbusTcpAdu(1, kRead, static_cast<uint16_t>(i)));
        t.Response(a, 200 * i + static_cast<int>(took.back()),
                   ModbusTcpAdu(1, kAnswer, static_cast<uint16_t>(i)));
    }
    std::sort(took.begin(), took.end());
    AnalysisOptions options;
    options.html = "page.html";
    const Json times = DeviceOf(RunForSummary(t.Build(), options), 1)["response_time_ms"];
    ASSERT_EQ(times["exact"], false);
    for (const auto& [name, q] :
         {std::pair<const char*, double>{"p50", 0.5}, {"p90", 0.9}, {"p99", 0.99}}) {
        const double exact = took[static_cast<size_t>((kAnswers - 1) * q)];
        // The histogram's 0.5%, and at most as much again from the rounding.
        EXPECT_NEAR(times[name].get<double>(), exact, 0.01 * exact) << name;
        EXPECT_LE(SignificantDigits(times[name].dump()), 3u) << name << " " << times[name];
    }
    // The extremes are kept exact.
    EXPECT_EQ(times["min"], 1.0);
    EXPECT_EQ(times["max"], 100.0);
    // The page's p50 and p99 cells, as the summary gives them.
    const std::string page = ReadFileText("page.html");
    const std::vector<std::string> cells =
        All(Between(page, "id=\"device-table\"", "</table>"), "<td[^>]*>([^<]*)</td>");
    ASSERT_GE(cells.size(), 8u);
    EXPECT_EQ(std::stod(cells[6]), times["p50"].get<double>());
    EXPECT_EQ(std::stod(cells[7]), times["p99"].get<double>());
}
