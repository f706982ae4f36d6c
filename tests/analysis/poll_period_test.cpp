// The poll period the summary and the page give is the poller's cycle: coils read once a second,
// with read-backs 1 ms apart after a write in every cycle, are polled every 1000 ms.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "analysis/analysis_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

class PollPeriod : public InTempDirectory {};

}  // namespace

TEST_F(PollPeriod, ReadBacksAfterWritesAreNoPeriod) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    const Bytes read = {0x01, 0x00, 0x00, 0x00, 0x08};
    uint16_t id = 0;
    for (int cycle = 0; cycle < 30; ++cycle) {
        const int64_t at = 1000 * cycle;
        const auto state = static_cast<uint8_t>(cycle % 2);
        t.Request(c, at, ModbusTcpAdu(1, read, id));
        t.Response(c, at + 2, ModbusTcpAdu(1, {0x01, 0x01, state}, id++));
        // Coil 1 switched, then read back three times, each as the answer before it comes.
        const Bytes write = {0x05, 0x00, 0x00, static_cast<uint8_t>(state ? 0x00 : 0xFF), 0x00};
        t.Request(c, at + 100, ModbusTcpAdu(1, write, id));
        t.Response(c, at + 101, ModbusTcpAdu(1, write, id++));
        for (int64_t back = 102; back <= 104; ++back) {
            t.Request(c, at + back, ModbusTcpAdu(1, read, id));
            t.Response(c, at + back, ModbusTcpAdu(1, {0x01, 0x01, uint8_t(1 - state)}, id++));
        }
    }
    WriteFile("capture.pcap", t.Build());
    AnalysisOptions options;
    options.summary = "summary.json";
    options.html = "page.html";
    ASSERT_EQ(RunAnalysisOf("capture.pcap", options), AnalysisResult::Completed);
    const Json summary = Json::parse(ReadFileText("summary.json"));
    const Json& polling = summary["devices"][0]["polling"];
    ASSERT_EQ(polling.size(), 1u) << polling;
    EXPECT_EQ(polling[0]["polls"], 120);
    EXPECT_NEAR(polling[0]["period_ms"].get<double>(), 1000, 1);
    EXPECT_LT(polling[0]["jitter_ms"].get<double>(), 10);
    // Most intervals between reads are the read-backs' 1 ms: the period is none of them.
    EXPECT_LT(polling[0]["interval_ms"]["p50"].get<double>(), 2);
    // The page's Polling table: polls, period, jitter.
    std::smatch row;
    const std::string page = ReadFileText("page.html");
    ASSERT_TRUE(std::regex_search(page, row,
                                  std::regex("<td class=\"n\">120</td><td class=\"n\">([0-9.]+)"
                                             "</td><td class=\"n\">([0-9.]+)</td></tr>")));
    EXPECT_NEAR(std::stod(row[1].str()), 1000, 1);
}
