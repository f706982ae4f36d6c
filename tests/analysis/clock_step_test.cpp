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
