#pragma once
// Runs the analysis of a crafted capture in the current directory with the plant outputs the
// options name, and reads the summary back.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

using Json = nlohmann::json;

// `options.summary` is set to summary.json; the report goes to a fresh output.txt.
inline Json RunForSummary(const Bytes& capture, AnalysisOptions options = AnalysisOptions()) {
    std::filesystem::remove("output.txt");
    std::filesystem::remove("summary.json");
    WriteFile("capture.pcap", capture);
    FakeHost host;
    FakePlatform platform;
    host.inputPath = "capture.pcap";
    options.summary = "summary.json";
    host.options = options;
    EXPECT_EQ(RunAnalysis(host, platform), AnalysisResult::Completed);
    return Json::parse(ReadFileText("summary.json"));
}

// The device of the summary with `unit` (null when there is none).
inline Json DeviceOf(const Json& summary, int unit) {
    for (const Json& device : summary["devices"]) {
        if (device["unit"] == unit) {
            return device;
        }
    }
    return Json();
}

// A message's time `ms` milliseconds after ModbusTraffic::kStart (2023-11-14T22:13:20Z), up to
// 39.999 s.
inline std::string TimeAt(int ms) {
    char text[40];
    std::snprintf(text, sizeof text, "2023-11-14T22:13:%02d.%03d000Z", 20 + ms / 1000, ms % 1000);
    return text;
}

// The first group of every match of `pattern` in `text`.
inline std::vector<std::string> All(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression);
         it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1].str());
    }
    return found;
}

// The text from `open` to the next `close` (to the end without one); empty without `open`.
inline std::string Between(const std::string& text, const std::string& open,
                           const std::string& close) {
    const size_t start = text.find(open);
    if (start == std::string::npos) {
        return std::string();
    }
    const size_t end = text.find(close, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
