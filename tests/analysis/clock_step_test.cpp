// Whole runs on captures whose clock steps: set back an hour, a response captured before its
// request, set forward two hours while a request waits. Time-outs and response times run on a
// clock that takes the step out, and the step is reported as a clock_step anomaly; a long real
// silence still times a request out.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/support/capture_builder.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

constexpr int64_t kHourMs = 3'600'000;
const Bytes kReadTwoFrom40001 = {0x03, 0x00, 0x00, 0x00, 0x02};
const Bytes kTwoRegisters = {0x03, 0x04, 0x00, 0x07, 0x00, 0x08};

// One poll of connection `c`: the request at `requestMs`, its answer at `responseMs`.
void Poll(ModbusTraffic& t, TrafficConnection& c, uint16_t id, int64_t requestMs,
          int64_t responseMs) {
    t.Request(c, requestMs, ModbusTcpAdu(1, kReadTwoFrom40001, id));
    t.Response(c, responseMs, ModbusTcpAdu(1, kTwoRegisters, id));
}

class SteppingClock : public InTempDirectory {
protected:
    void Run(const ModbusTraffic& traffic) {
        WriteFile("capture.pcap", traffic.Build());
        host_.inputPath = "capture.pcap";
        host_.options = AnalysisOptions();
        host_.options.summary = "summary.json";
        host_.options.transactionLog = "log.jsonl";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        summary_ = Json::parse(ReadFileText("summary.json"));
        std::istringstream lines(ReadFileText("log.jsonl"));
        for (std::string line; std::getline(lines, line);) {
            log_.push_back(Json::parse(line));
        }
    }

    const Json& Unit1() const { return summary_["devices"][0]; }

    std::vector<Json> Anomalies(const std::string& kind) const {
        std::vector<Json> found;
        for (const Json& anomaly : summary_["anomalies"]) {
            if (anomaly["kind"] == kind) {
                found.push_back(anomaly);
            }
        }
        return found;
    }

    FakeHost host_;
    FakePlatform platform_;
    Json summary_;
    std::vector<Json> log_;
};

}  // namespace

TEST_F(SteppingClock, SetBackAnHourLeavesEveryRequestAnswered) {
    // 20 polls a second apart, each answered after 10 ms; from the 11th on the clock reads an
    // hour less. Records 1-20 are the first ten polls, record 21 the first after the step.
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (uint16_t i = 0; i < 20; ++i) {
        const int64_t ms = kHourMs + 1000 * i - (i >= 10 ? kHourMs : 0);
        Poll(t, c, i, ms, ms + 10);
    }
    Run(t);
    EXPECT_EQ(Unit1()["requests"], 20);
    EXPECT_EQ(Unit1()["responses"], 20);
    EXPECT_EQ(Unit1()["unanswered"], Json::object());
    EXPECT_EQ(Unit1()["response_time_ms"]["count"], 20);
    EXPECT_DOUBLE_EQ(Unit1()["response_time_ms"]["max"].get<double>(), 10.0);
    ASSERT_EQ(summary_["anomalies"].size(), 1u) << summary_["anomalies"];
    const Json& step = summary_["anomalies"][0];
    EXPECT_EQ(step["kind"], "clock_step");
    // Record 20 at 1 h 9.010 s, record 21 at 10 s.
    EXPECT_EQ(step["detail"], "the capture clock stepped back 3599.010 s at record 21");
    EXPECT_EQ(log_.size(), 20u);
}

TEST_F(SteppingClock, ResponseCapturedBeforeItsRequestHasNoResponseTime) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    Poll(t, c, 1, 0, 10);
    Poll(t, c, 2, 5000, 4000);  // its answer a second before it
    Run(t);
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_DOUBLE_EQ(log_[0]["response_time_ms"].get<double>(), 10.0);
    EXPECT_TRUE(log_[1]["response_time_ms"].is_null()) << log_[1]["response_time_ms"];
    EXPECT_EQ(Unit1()["response_time_ms"]["count"], 1);
    const std::vector<Json> steps = Anomalies("clock_step");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0]["detail"], "the capture clock stepped back 1.000 s at record 4");
}

TEST_F(SteppingClock, SetForwardWhileARequestWaitsDoesNotTimeItOut) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    Poll(t, c, 1, 0, 10);
    Poll(t, c, 2, 1000, 2 * kHourMs + 1010);  // the clock set forward two hours meanwhile
    Poll(t, c, 3, 2 * kHourMs + 2000, 2 * kHourMs + 2010);
    Run(t);
    EXPECT_EQ(Unit1()["responses"], 3);
    EXPECT_EQ(Unit1()["unanswered"], Json::object());
    EXPECT_TRUE(Anomalies("unsolicited_response").empty());
    // How long the answer across the step took is not known.
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_TRUE(log_[1]["response_time_ms"].is_null());
    const std::vector<Json> steps = Anomalies("clock_step");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0]["detail"], "the capture clock stepped forward 7200.010 s at record 4");
}

TEST_F(SteppingClock, ARealSilenceStillTimesOut) {
    // 61 s without a record is a silence, not a step: past the default 60 s time-out.
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    Poll(t, c, 1, 0, 10);
    t.Request(c, 1000, ModbusTcpAdu(1, kReadTwoFrom40001, 2));
    Poll(t, c, 3, 62'000, 62'010);
    Run(t);
    EXPECT_EQ(Unit1()["unanswered"], Json({{"timed out", 1}}));
    EXPECT_TRUE(Anomalies("clock_step").empty());
}

TEST_F(SteppingClock, EveryStepIsReportedOnTheFirstMessageAfterIt) {
    // Each poll on a connection of its own, so its request is framed before the connection is
    // known to carry Modbus. The second request is stamped 5 h early, its answer 1.5 h after
    // that, the third request on time again: three steps, at records 3, 4 and 5.
    const int64_t start = 6 * kHourMs;
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.9", 40001};
    TrafficConnection c{"10.0.0.9", 40002};
    ModbusTraffic t;
    Poll(t, a, 1, start, start + 10);
    Poll(t, b, 2, start + 1000 - 5 * kHourMs, start + 1000 - 5 * kHourMs + 3 * kHourMs / 2);
    Poll(t, c, 3, start + 3000, start + 3010);
    Run(t);
    const std::vector<Json> steps = Anomalies("clock_step");
    ASSERT_EQ(steps.size(), 3u) << summary_["anomalies"];
    // 10 ms to 1 s - 5 h; + 1.5 h; from 1 s - 3.5 h to 3 s.
    EXPECT_EQ(steps[0]["detail"], "the capture clock stepped back 17999.010 s at record 3");
    EXPECT_EQ(steps[1]["detail"], "the capture clock stepped forward 5400.000 s at record 4");
    EXPECT_EQ(steps[2]["detail"], "the capture clock stepped forward 12602.000 s at record 5");
    // Each on the message of the record that stepped: the request, the answer, the request.
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_EQ(steps[0]["time"], log_[1]["request"]["time"]);
    EXPECT_EQ(steps[1]["time"], log_[1]["response"]["time"]);
    EXPECT_EQ(steps[2]["time"], log_[2]["request"]["time"]);
}

TEST_F(SteppingClock, TimesPast2262AreAnsweredAsCaptured) {
    // A pcapng in microseconds from 2300-01-01: past what int64_t nanoseconds since 1970 hold.
    // Two polls a second apart, each answered after 10 ms.
    constexpr uint64_t k2300Us = 10413792000ull * 1000000;
    PcapngBuilder capture;
    capture.Section().Interface(1);
    uint32_t clientSequence = 1000;
    uint32_t serverSequence = 9000;
    const auto add = [&](uint64_t us, bool toServer, const Bytes& adu) {
        PacketOptions o;
        o.source = toServer ? "10.0.0.9" : "10.0.0.5";
        o.destination = toServer ? "10.0.0.5" : "10.0.0.9";
        o.sourcePort = toServer ? 40000 : 502;
        o.destinationPort = toServer ? 502 : 40000;
        uint32_t& own = toServer ? clientSequence : serverSequence;
        o.sequence = own;
        o.acknowledgement = toServer ? serverSequence : clientSequence;
        own += static_cast<uint32_t>(adu.size());
        capture.Enhanced(0, k2300Us + us, TcpPacket(adu, o));
    };
    for (uint16_t id = 1; id <= 2; ++id) {
        add(1000000u * id, true, ModbusTcpAdu(1, kReadTwoFrom40001, id));
        add(1000000u * id + 10000, false, ModbusTcpAdu(1, kTwoRegisters, id));
    }
    WriteFile("capture.pcapng", capture.Build());
    host_.inputPath = "capture.pcapng";
    host_.options = AnalysisOptions();
    host_.options.summary = "summary.json";
    host_.options.transactionLog = "log.jsonl";
    host_.options.html = "page.html";
    ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
    std::istringstream lines(ReadFileText("log.jsonl"));
    int answered = 0;
    for (std::string line; std::getline(lines, line); ++answered) {
        const Json transaction = Json::parse(line);
        ASSERT_TRUE(transaction["response_time_ms"].is_number()) << line;
        EXPECT_DOUBLE_EQ(transaction["response_time_ms"].get<double>(), 10.0);
    }
    EXPECT_EQ(answered, 2);
    const Json summary = Json::parse(ReadFileText("summary.json"));
    EXPECT_EQ(summary["capture"]["first_time"], "2300-01-01T00:00:01.000000Z");
    // Told once, naming the first record out of range.
    ASSERT_EQ(host_.warnings.size(), 1u);
    EXPECT_NE(host_.warnings[0].find("record 1 is stamped past 2262-04-11"), std::string::npos)
        << host_.warnings[0];
    EXPECT_NE(ReadFileText("page.html").find("data-t0=\""), std::string::npos);
}
