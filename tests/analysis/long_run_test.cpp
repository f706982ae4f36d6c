// What a run of days keeps stays within its bounds, with what it did not keep counted in the
// summary; a run that stays within them writes the summary as it always has. A live capture's
// packet counts close the summary and stand in the page's capture section.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "plant/plant_model.h"
#include "plant/plant_trends.h"
#include "tests/analysis/plant_run.h"
#include "views/html_report_file.h"
#include "views/summary_file.h"

namespace {

// One client polling `ranges` distinct single registers of unit 1, each twice, answered.
Bytes ManyPolledRanges(int ranges) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    uint16_t id = 0;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < ranges; ++i) {
            const int ms = round * 20000 + i * 10;
            const auto address = static_cast<uint8_t>(i >> 8);
            const auto low = static_cast<uint8_t>(i & 0xFF);
            ++id;
            t.Request(c, ms, ModbusTcpAdu(1, {0x03, address, low, 0x00, 0x01}, id));
            t.Response(c, ms + 1, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}, id));
        }
    }
    return t.Build();
}

// `clients` clients, each on its own connection, reading one register of unit 1 once.
Bytes ManyClients(int clients) {
    ModbusTraffic t;
    for (int i = 0; i < clients; ++i) {
        TrafficConnection c{"10.1." + std::to_string(i / 200) + "." + std::to_string(1 + i % 200),
                            static_cast<uint16_t>(40000 + i)};
        t.Request(c, i * 10, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 1));
        t.Response(c, i * 10 + 1, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}, 1));
    }
    return t.Build();
}

// Holding registers 0 .. 125 * requests - 1 read once, 125 to a request, all answered with 7.
Bytes ContiguousReads(int requests) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (int r = 0; r < requests; ++r) {
        const int first = 125 * r;
        const auto id = static_cast<uint16_t>(r + 1);
        t.Request(c, r * 10,
                  ModbusTcpAdu(1,
                               {0x03, static_cast<uint8_t>(first >> 8),
                                static_cast<uint8_t>(first & 0xFF), 0x00, 125},
                               id));
        Bytes response = {0x03, 250};
        for (int i = 0; i < 125; ++i) {
            response.insert(response.end(), {0x00, 0x07});
        }
        t.Response(c, r * 10 + 1, ModbusTcpAdu(1, response, id));
    }
    return t.Build();
}

std::string DraftedMap(const Bytes& capture) {
    AnalysisOptions options;
    options.suggestMap = "map.yaml";
    RunForSummary(capture, options);
    return ReadFileText("map.yaml");
}

// Each test in a directory of its own: they write files of the same names.
class LongRun : public InTempDirectory {};

}  // namespace

TEST_F(LongRun, RegisterPairsPastTheBoundAreCountedNotJudged) {
    // 124 pairs read together in each request: 8 requests stay below 1024 pairs, 9 pass it.
    const std::string within = DraftedMap(ContiguousReads(8));
    EXPECT_EQ(within.find("were not judged"), std::string::npos);
    const std::string past = DraftedMap(ContiguousReads(9));
    EXPECT_NE(past.find("\r\n# 92 readings of register pairs past 1024 pairs in their table were "
                        "not judged (drafted as uint16).\r\n"),
              std::string::npos);
    EXPECT_NE(past.find("address: 1124\r\n"), std::string::npos);  // every register is listed
}

TEST_F(LongRun, PointsPastTheBoundAreCountedNotDrafted) {
    // 125 registers a request: 80 requests draft 10,000 registers, the 81st none of its own.
    const std::string within = DraftedMap(ContiguousReads(80));
    EXPECT_EQ(within.find("were not drafted"), std::string::npos);
    EXPECT_NE(within.find("address: 9999\r\n"), std::string::npos);
    const std::string past = DraftedMap(ContiguousReads(81));
    EXPECT_NE(past.find("\r\n# 125 readings of points past 10000 in their table were not "
                        "drafted.\r\n"),
              std::string::npos);
    EXPECT_NE(past.find("address: 9999\r\n"), std::string::npos);
    EXPECT_EQ(past.find("address: 10000\r\n"), std::string::npos);
}

TEST_F(LongRun, PolledRangesPastTheBoundAreCountedNotFollowed) {
    const int bound = static_cast<int>(kPolledRangesKept);
    const Json within = DeviceOf(RunForSummary(ManyPolledRanges(bound)), 1);
    EXPECT_EQ(within["polling"].size(), kPolledRangesKept);
    EXPECT_FALSE(within.contains("polls_not_followed"));  // the document as it always was

    const Json past = DeviceOf(RunForSummary(ManyPolledRanges(bound + 6)), 1);
    EXPECT_EQ(past["polling"].size(), kPolledRangesKept);
    EXPECT_EQ(past["polls_not_followed"], 12);     // six ranges, polled twice each
    EXPECT_EQ(past["requests"], 2 * (bound + 6));  // still counted as transactions
}

TEST_F(LongRun, ClientsPastTheBoundAreCountedNotNamed) {
    const int bound = static_cast<int>(kClientsKept);
    const Json summary = RunForSummary(ManyClients(bound + 4));
    const Json device = DeviceOf(summary, 1);
    EXPECT_EQ(device["clients"].size(), kClientsKept);
    EXPECT_EQ(device["client_connections_not_listed"], 4);
    EXPECT_EQ(summary["clients"].size(), kClientsKept + 4);  // each client is still there
    EXPECT_FALSE(
        DeviceOf(RunForSummary(ManyClients(bound)), 1).contains("client_connections_not_listed"));
}

TEST_F(LongRun, PacketCountsOfALiveCaptureCloseTheSummaryAndStandInThePage) {
    CaptureFacts facts;
    facts.files = {"eth0"};
    PlantModel model;
    PlantTrends trends(false);
    {
        SummaryFile summary("plain.json");
        ASSERT_TRUE(summary.Close(PlantResult{facts, &model, &trends}));
    }
    EXPECT_FALSE(Json::parse(ReadFileText("plain.json")).contains("packets"));

    facts.statistics = CaptureStatistics{7000, 20, 3};
    SummaryFile summary("live.json");
    ASSERT_TRUE(summary.Close(PlantResult{facts, &model, &trends}));
    const nlohmann::ordered_json live = nlohmann::ordered_json::parse(ReadFileText("live.json"));
    ASSERT_EQ(live.back(),
              (nlohmann::ordered_json{
                  {"received", 7000}, {"dropped_by_kernel", 20}, {"dropped_by_interface", 3}}));
    EXPECT_EQ(std::prev(live.end()).key(), "packets");

    HtmlReportFile page("live.html");
    ASSERT_TRUE(page.Close(PlantResult{facts, &model, &trends}));
    EXPECT_NE(ReadFileText("live.html")
                  .find("<tr><th>Packets</th><td>7000 received, 20 dropped by "
                        "the kernel, 3 dropped by the interface</td></tr>"),
              std::string::npos);
}

TEST_F(LongRun, PointsPastTheWatchBoundAreCountedUnderTheCharts) {
    const int bound = static_cast<int>(PlantTrends::kWatchedPoints);
    AnalysisOptions options;
    options.html = "page.html";
    RunForSummary(ManyPolledRanges(bound + 5), options);
    EXPECT_NE(ReadFileText("page.html")
                  .find("5 more points read or written are not drawn: a device&#39;s first " +
                        std::to_string(bound) + " are watched."),
              std::string::npos);
    RunForSummary(ManyPolledRanges(bound), options);
    EXPECT_EQ(ReadFileText("page.html").find("are watched."), std::string::npos);
}
