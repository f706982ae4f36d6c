// The plant stage: each transaction's anomalies are found once and every view shows the same
// set; a client refused across many addresses is a scan; ranges polled once are counted, not
// listed. The expectations follow from the frames below.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <utility>

#include "analysis/analysis_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;
using KindAndFrame = std::pair<std::string, int>;

// A read of one holding register at `address`, refused as an illegal data address.
void RefusedRead(ModbusTraffic& t, TrafficConnection& c, int64_t ms, uint16_t address,
                 uint16_t id) {
    const uint8_t high = static_cast<uint8_t>(address >> 8);
    const uint8_t low = static_cast<uint8_t>(address & 0xFF);
    t.Request(c, ms, ModbusTcpAdu(1, {0x03, high, low, 0x00, 0x01}, id));
    t.Response(c, ms + 1, ModbusTcpAdu(1, {0x83, 0x02}, id));
}

class PlantStage : public InTempDirectory {
protected:
    void Run(const Bytes& capture) {
        WriteFile("plant.pcap", capture);
        host_.inputPath = "plant.pcap";
        host_.options = AnalysisOptions();
        host_.options.summary = "summary.json";
        host_.options.transactionLog = "log.jsonl";
        host_.options.html = "page.html";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        summary_ = Json::parse(ReadFileText("summary.json"));
    }

    std::multiset<KindAndFrame> SummaryAnomalies() const {
        std::multiset<KindAndFrame> found;
        for (const Json& anomaly : summary_["anomalies"]) {
            found.insert({anomaly["kind"].get<std::string>(), anomaly["report_frame"].get<int>()});
        }
        return found;
    }

    std::multiset<KindAndFrame> LogAnomalies() const {
        std::multiset<KindAndFrame> found;
        std::istringstream lines(ReadFileText("log.jsonl"));
        for (std::string line; std::getline(lines, line);) {
            const Json json = Json::parse(line);
            for (const Json& anomaly : json["anomalies"]) {
                found.insert({anomaly["kind"].get<std::string>(), json["report_frame"].get<int>()});
            }
        }
        return found;
    }

    FakeHost host_;
    FakePlatform platform_;
    Json summary_;
};

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST_F(PlantStage, EveryViewShowsTheSameAnomalies) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    // An echo that differs (frame 2), a slow answer (frame 4), a lone response (frame 5) and a
    // request the capture ends on (frame 6).
    t.Request(c, 0, ModbusTcpAdu(1, {0x06, 0x00, 0x01, 0x00, 0x2A}, 1));
    t.Response(c, 5, ModbusTcpAdu(1, {0x06, 0x00, 0x01, 0x00, 0x2B}, 1));
    t.Request(c, 100, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 2));
    t.Response(c, 1200, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}, 2));
    t.Response(c, 1300, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}, 9));
    t.Request(c, 1400, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 3));
    Run(t.Build());
    const std::multiset<KindAndFrame> expected = {{"value_mismatch", 2},
                                                  {"slow_response", 4},
                                                  {"unsolicited_response", 5},
                                                  {"unanswered_request", 6}};
    EXPECT_EQ(SummaryAnomalies(), expected);
    EXPECT_EQ(LogAnomalies(), expected);
    const std::string page = ReadFileText("page.html");
    for (const char* kind :
         {"value_mismatch", "slow_response", "unsolicited_response", "unanswered_request"}) {
        EXPECT_EQ(Occurrences(page, "<td>" + std::string(kind) + "</td>"), 1u) << kind;
    }
}

TEST_F(PlantStage, SixteenDistinctRefusedAddressesAreAScan) {
    TrafficConnection scanner{"10.0.0.9", 40000};
    TrafficConnection poller{"10.0.0.10", 40001};
    ModbusTraffic t;
    // The poller is refused twenty times for one address: a wrong map, no scan.
    for (uint16_t i = 0; i < 20; ++i) {
        RefusedRead(t, poller, 10 * i, 100, static_cast<uint16_t>(i + 1));
    }
    // The scanner is refused at 16 addresses (the 15th and 16th again for one of them first).
    uint16_t id = 100;
    int64_t ms = 1000;
    for (uint16_t address = 0; address < 15; ++address) {
        RefusedRead(t, scanner, ms += 10, address, ++id);
    }
    RefusedRead(t, scanner, ms += 10, 3, ++id);   // seen: still 15 distinct
    RefusedRead(t, scanner, ms += 10, 15, ++id);  // the 16th distinct address: frame 74
    RefusedRead(t, scanner, ms += 10, 16, ++id);  // raised once only
    Run(t.Build());
    EXPECT_EQ(SummaryAnomalies(), (std::multiset<KindAndFrame>{{"address_scan", 74}}));
    const Json& anomaly = summary_["anomalies"][0];
    EXPECT_EQ(anomaly["connection"], "10.0.0.9:40000 -> 10.0.0.5:502");
    EXPECT_EQ(anomaly["unit"], 1);
}

TEST_F(PlantStage, AScanIsRaisedOncePerClientAndDeviceHoweverLongItGoesOn) {
    TrafficConnection scanner{"10.0.0.9", 40000};
    ModbusTraffic t;
    // Refused at 48 distinct addresses: three times the threshold, one anomaly.
    for (uint16_t address = 0; address < 48; ++address) {
        RefusedRead(t, scanner, 10 * address, address, static_cast<uint16_t>(address + 1));
    }
    Run(t.Build());
    // The 16th refusal's response is message 32.
    EXPECT_EQ(SummaryAnomalies(), (std::multiset<KindAndFrame>{{"address_scan", 32}}));
}

TEST_F(PlantStage, RangesPolledOnceAreCountedNotListed) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    uint16_t id = 0;
    // 40001 x2 polled three times; 40011, 40012 and 30001 looked at once each.
    for (int i = 0; i < 3; ++i) {
        t.Request(c, 1000 * i, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x02}, ++id));
        t.Response(c, 1000 * i + 5, ModbusTcpAdu(1, {0x03, 0x04, 0, 1, 0, 2}, id));
    }
    for (uint8_t address : {10, 11}) {
        t.Request(c, 4000 + address, ModbusTcpAdu(1, {0x03, 0x00, address, 0x00, 0x01}, ++id));
        t.Response(c, 4001 + address, ModbusTcpAdu(1, {0x03, 0x02, 0, 3}, id));
    }
    t.Request(c, 5000, ModbusTcpAdu(1, {0x04, 0x00, 0x00, 0x00, 0x01}, ++id));
    t.Response(c, 5001, ModbusTcpAdu(1, {0x04, 0x02, 0, 4}, id));
    Run(t.Build());
    const Json& device = summary_["devices"][0];
    ASSERT_EQ(device["polling"].size(), 1u);
    EXPECT_EQ(device["polling"][0]["first_reference"], 40001);
    EXPECT_EQ(device["polling"][0]["polls"], 3);
    EXPECT_EQ(device["ranges_polled_once"], 3);
}
