// A step of the capture's clock changes nothing the summary and the page show but the step
// itself and the times as captured: one capture is run as it is, then with its second half
// shifted back an hour, and forward a day. Every output, read structurally with its recorded
// times left out, must be the same, and the step must be reported once and marked on the charts.
//
// The poller sends its next request as the answer to the last one comes (same timestamp), so
// the record after the split follows the one before it by no time: the clock that takes a step
// out loses nothing there, and the unshifted run is exactly what the shifted ones must show.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

constexpr int64_t kHourMs = 3'600'000;
constexpr int kTransactions = 300;
constexpr int kSplit = 150;  // the transactions from here on are shifted
constexpr int kWrite = 220;  // the write of coil 1, in the second half

// Reads coils 1-8 and registers 40001-40002 in turn, back to back, each answered after 10 ms;
// the register counts up every 10 transactions, coil 1 is switched on by the write.
Bytes Capture(int64_t shiftMs) {
    TrafficConnection c{"10.0.0.9", 40000};
    ModbusTraffic t;
    const int64_t base = 2 * kHourMs;  // the captured times stay after kStart
    bool coil = false;
    for (int i = 0; i < kTransactions; ++i) {
        const int64_t at = base + 10 * i + (i >= kSplit ? shiftMs : 0);
        const auto id = static_cast<uint16_t>(i);
        const auto value = static_cast<uint8_t>(i / 10);
        Bytes request;
        Bytes response;
        if (i == kWrite) {
            request = response = {0x05, 0x00, 0x00, 0xFF, 0x00};
            coil = true;
        } else if (i % 2 == 0) {
            request = {0x01, 0x00, 0x00, 0x00, 0x08};
            response = {0x01, 0x01, static_cast<uint8_t>(coil ? 1 : 0)};
        } else {
            request = {0x03, 0x00, 0x00, 0x00, 0x02};
            response = {0x03, 0x04, 0x00, value, 0x00, 0x07};
        }
        t.Request(c, at, ModbusTcpAdu(1, request, id));
        t.Response(c, at + 10, ModbusTcpAdu(1, response, id));
    }
    return t.Build();
}

// The outputs of one run, their recorded times left out.
struct Outputs {
    Json summary;
    std::vector<Json> log;
    std::vector<std::string> points;
    std::string charts;       // the page's device charts
    std::string sections;     // the page's devices, polling and functions sections
    std::string span;         // the page's span of the capture
    std::vector<Json> steps;  // clock_step anomalies
    size_t stepMarks = 0;     // clock steps marked on the charts
};

// Drops every member that holds a time as captured (or on the capture clock: the summary's
// first and last times).
void DropTimes(Json& json) {
    if (json.is_object()) {
        for (const char* key : {"time", "first_time", "last_time", "first_seen", "last_seen"}) {
            json.erase(key);
        }
    }
    if (json.is_structured()) {
        for (Json& member : json) {
            DropTimes(member);
        }
    }
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const size_t begin = text.find(from);
    const size_t end = text.find(to, begin);
    return begin == std::string::npos || end == std::string::npos ? std::string()
                                                                  : text.substr(begin, end - begin);
}

class ClockStepOutputs : public InTempDirectory {
protected:
    Outputs Run(int64_t shiftMs) {
        for (const char* output :
             {"output.txt", "summary.json", "log.jsonl", "points.csv", "page.html"}) {
            std::filesystem::remove(output);
        }
        WriteFile("capture.pcap", Capture(shiftMs));
        AnalysisOptions options;
        options.summary = "summary.json";
        options.transactionLog = "log.jsonl";
        options.points = "points.csv";
        options.html = "page.html";
        EXPECT_EQ(RunAnalysisOf("capture.pcap", options), AnalysisResult::Completed);
        Outputs out;
        out.summary = Json::parse(ReadFileText("summary.json"));
        Json kept = Json::array();
        for (const Json& anomaly : out.summary["anomalies"]) {
            (anomaly["kind"] == "clock_step" ? out.steps.push_back(anomaly)
                                             : kept.push_back(anomaly));
        }
        out.summary["anomalies"] = kept;
        DropTimes(out.summary);
        std::istringstream log(ReadFileText("log.jsonl"));
        for (std::string line; std::getline(log, line);) {
            Json transaction = Json::parse(line);
            DropTimes(transaction);
            Json anomalies = Json::array();
            for (const Json& anomaly : transaction["anomalies"]) {
                if (anomaly.dump().find("clock_step") == std::string::npos) {
                    anomalies.push_back(anomaly);
                }
            }
            transaction["anomalies"] = anomalies;
            out.log.push_back(transaction);
        }
        std::istringstream points(ReadFileText("points.csv"));
        for (std::string line; std::getline(points, line);) {
            out.points.push_back(line.substr(line.find(',')));  // the time first
        }
        const std::string page = ReadFileText("page.html");
        out.span = Between(page, "<th>Span</th>", "</tr>");
        out.sections = Between(page, "<section id=\"devices\">", "<section id=\"device-charts\">");
        std::string charts =
            Between(page, "<section id=\"device-charts\">", "<section id=\"changes");
        const std::regex step("<g class=\"clock-step\"[\\s\\S]*?</g>");
        out.stepMarks = static_cast<size_t>(std::distance(
            std::sregex_iterator(charts.begin(), charts.end(), step), std::sregex_iterator()));
        // The recorded times: the ends of the time axes, its origin, the writes' times.
        for (const char* time :
             {" data-t[01]=\"[^\"]*\"", "s after [^<]*", " data-time=\"[^\"]*\"",
              "<title>[^<]* written by ", "<g class=\"clock-step\"[\\s\\S]*?</g>"}) {
            charts = std::regex_replace(charts, std::regex(time), "");
        }
        out.charts = charts;
        return out;
    }

    void ExpectSameAsUnshifted(int64_t shiftMs, const std::string& step) {
        const Outputs plain = Run(0);
        const Outputs shifted = Run(shiftMs);
        ASSERT_TRUE(plain.steps.empty());
        EXPECT_EQ(plain.stepMarks, 0u);
        ASSERT_EQ(shifted.steps.size(), 1u);
        EXPECT_EQ(shifted.steps[0]["detail"], step);
        EXPECT_GT(shifted.stepMarks, 0u);
        EXPECT_EQ(shifted.summary, plain.summary);
        EXPECT_EQ(shifted.log, plain.log);
        EXPECT_EQ(shifted.points, plain.points);
        EXPECT_EQ(shifted.span, plain.span);
        EXPECT_NE(plain.span.find(">3 s<"), std::string::npos) << plain.span;
        EXPECT_EQ(shifted.sections, plain.sections);
        EXPECT_FALSE(plain.charts.empty());
        EXPECT_EQ(shifted.charts, plain.charts);
    }
};

}  // namespace

TEST_F(ClockStepOutputs, SecondHalfAnHourBackShowsAsTheCaptureWithoutTheStep) {
    // Record 301 is the first of the second half, at the time of record 300 less an hour.
    ExpectSameAsUnshifted(-kHourMs, "the capture clock stepped back 3600.000 s at record 301");
    // The capture's first and last times as the summary gives them never run backwards.
    const Json summary = Json::parse(ReadFileText("summary.json"));
    EXPECT_LE(summary["capture"]["first_time"].get<std::string>(),
              summary["capture"]["last_time"].get<std::string>());
}

TEST_F(ClockStepOutputs, SecondHalfADayForwardShowsAsTheCaptureWithoutTheStep) {
    ExpectSameAsUnshifted(24 * kHourMs,
                          "the capture clock stepped forward 86400.000 s at record 301");
}

TEST_F(ClockStepOutputs, DeviceFirstAndLastSeenNeverRunBackwards) {
    Run(-kHourMs);
    const Json summary = Json::parse(ReadFileText("summary.json"));
    const Json& device = summary["devices"][0];
    EXPECT_LE(device["first_seen"].get<std::string>(), device["last_seen"].get<std::string>());
    // The device was last seen at the end of the capture, not where its clock stepped.
    EXPECT_EQ(device["last_seen"], summary["capture"]["last_time"]);
}
