// Real captures from other people's equipment, when they are present beside the project:
// the run must take every Modbus/TCP message and decode the same values as Wireshark's dissector.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "analysis/analysis_run.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace fs = std::filesystem;

namespace {

std::string CapturePath(const std::string& name) {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    const fs::path path =
        fs::path(source != nullptr ? source : ".") / ".." / "shared" / "captures" / name;
    return fs::exists(path) ? fs::absolute(path).lexically_normal().string() : std::string();
}

bool HaveTshark() {
    return std::system("tshark -v > /dev/null 2>&1") == 0;
}

// Runs tshark on `capture` and returns its standard output.
std::string Tshark(const std::string& capture, const std::string& arguments) {
    const std::string command = "tshark -r '" + capture + "' " + arguments + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++count;
    return count;
}

// Register values of read responses (functions 3 and 4) in report order.
std::vector<long> ReportedRegisterValues(const std::string& report) {
    std::vector<long> values;
    std::istringstream blocks(report);
    std::string line;
    bool inReadResponse = false;
    const std::regex value("\tPoint (Address|Index) +=\\d+ +Value=(\\d+) *=");
    while (std::getline(blocks, line)) {
        if (line.rfind("Frame: ", 0) == 0)
            inReadResponse = false;
        if (line.rfind("Function       =3 ", 0) == 0 || line.rfind("Function       =4 ", 0) == 0) {
            inReadResponse = true;
        }
        if (line.rfind("Poll Analysis", 0) == 0)
            inReadResponse = false;
        std::smatch match;
        if (inReadResponse && std::regex_search(line, match, value))
            values.push_back(std::stol(match[2]));
    }
    return values;
}

std::vector<long> TsharkRegisterValues(const std::string& capture) {
    std::vector<long> values;
    std::istringstream lines(Tshark(capture,
                                    "-Y 'mbtcp && tcp.srcport == 502 && (modbus.func_code == 3 || "
                                    "modbus.func_code == 4)' -T fields -e modbus.regval_uint16"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, ',')) {
            if (!field.empty())
                values.push_back(std::stol(field));
        }
    }
    return values;
}

class SharedCapture : public InTempDirectory {
protected:
    void Analyse(const std::string& capture) {
        host_.inputPath = capture;
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        report_ = ReadFileText("output.txt");
    }
    int Summary(const char* label) const {
        const std::regex pattern("(\\d+)\t" + std::string(label));
        std::smatch match;
        return std::regex_search(host_.resultsText, match, pattern) ? std::stoi(match[1]) : -1;
    }

    FakeHost host_;
    FakePlatform platform_;
    std::string report_;
};

}  // namespace

TEST_F(SharedCapture, SixUnitsWithArpAcknowledgementsAndOtherTraffic) {
    const std::string capture = CapturePath("moving_two_files_modbus_6RTU.pcap");
    if (capture.empty() || !HaveTshark())
        GTEST_SKIP() << "shared capture or tshark not available";
    Analyse(capture);

    const int records = CountLines(Tshark(capture, "-T fields -e frame.number"));
    const int withPayload =
        CountLines(Tshark(capture, "-Y 'tcp.len > 0' -T fields -e frame.number"));
    const int modbus = CountLines(Tshark(capture, "-Y mbtcp -T fields -e frame.number"));
    EXPECT_EQ(records, 3319);
    EXPECT_EQ(modbus, 720);
    EXPECT_EQ(Summary("Messages processed"), records);
    EXPECT_EQ(Summary("Modbus messages processed"), withPayload);
    // Everything with payload that is not Modbus/TCP fails the Modbus header checks.
    EXPECT_EQ(Summary("Modbus message ingored"), withPayload - modbus);

    // Every Modbus message has a block of its own, except the polls answered inside a response's
    // block.
    const int blocks = CountOf(report_, "Frame: ");
    const int answeredPolls = CountOf(report_, "(Obtained from Poll)\r\n") / 2;
    EXPECT_EQ(blocks + answeredPolls, modbus);
    const std::vector<long> values = ReportedRegisterValues(report_);
    EXPECT_EQ(values.size(), 120u * 4u);  // 20 reads of 4 holding registers from each of six units
    EXPECT_EQ(values, TsharkRegisterValues(capture));
}

TEST_F(SharedCapture, TimestampOptionsOnEverySegment) {
    const std::string capture = CapturePath("icsnpp_modbus_example.pcap");
    if (capture.empty() || !HaveTshark())
        GTEST_SKIP() << "shared capture or tshark not available";
    Analyse(capture);

    // Client and server share 127.0.0.1, so every message is reported in its own block, in capture
    // order: its heading names the unit and the real function code.
    std::istringstream expected(
        Tshark(capture, "-Y mbtcp -T fields -e mbtcp.unit_id -e modbus.func_code"));
    std::vector<std::string> headings;
    const std::regex heading("Frame Analysis \\(([0-9A-F]{2}) ([0-9A-F]{2}) ");
    for (std::sregex_iterator it(report_.begin(), report_.end(), heading), end; it != end; ++it) {
        headings.push_back(std::to_string(std::stoi((*it)[1], nullptr, 16)) + "\t" +
                           std::to_string(std::stoi((*it)[2], nullptr, 16) & 0x7F));
    }
    std::vector<std::string> tshark;
    std::string line;
    while (std::getline(expected, line))
        tshark.push_back(line);
    EXPECT_EQ(tshark.size(), 48u);
    EXPECT_EQ(headings, tshark);
    EXPECT_EQ(Summary("Modbus message ingored"), 0);
    const std::vector<long> values = ReportedRegisterValues(report_);
    EXPECT_FALSE(values.empty());
    EXPECT_EQ(values, TsharkRegisterValues(capture));
}
