// The HTML report of a crafted capture: three units behind one gateway, one of them polled with
// a changing register and written, one answering half its requests with an exception, one that
// identifies itself with a hostile vendor name and leaves 1,200 requests unanswered. The
// expectations follow from the frames below.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/analysis/plant_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

constexpr int kUnanswered = 1200;

Bytes HtmlCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    // Unit 1: 40001-40002 read five times, 40002 rising 1 to 5, each answered after 10 ms; then
    // a write of 40001.
    for (uint8_t i = 0; i < 5; ++i) {
        t.Request(a, 100 * i, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x02}, i));
        t.Response(a, 100 * i + 10,
                   ModbusTcpAdu(1, {0x03, 0x04, 0x00, 0x07, 0x00, static_cast<uint8_t>(i + 1)}, i));
    }
    t.Request(a, 600, ModbusTcpAdu(1, {0x06, 0x00, 0x00, 0x00, 0x2A}, 9));
    t.Response(a, 605, ModbusTcpAdu(1, {0x06, 0x00, 0x00, 0x00, 0x2A}, 9));
    // Unit 2: four reads of 30001, the second and the fourth refused with exception 2.
    for (uint8_t i = 0; i < 4; ++i) {
        t.Request(a, 700 + 10 * i, ModbusTcpAdu(2, {0x04, 0x00, 0x00, 0x00, 0x01}, 20 + i));
        t.Response(a, 702 + 10 * i,
                   i % 2 == 1 ? ModbusTcpAdu(2, {0x84, 0x02}, 20 + i)
                              : ModbusTcpAdu(2, {0x04, 0x02, 0x00, 0x01}, 20 + i));
    }
    // Unit 3 names itself "<script>alert(1)</script>" and a byte that is no UTF-8.
    Bytes identification = {0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 26};
    for (char c : std::string("<script>alert(1)</script>\xFF")) {
        identification.push_back(static_cast<uint8_t>(c));
    }
    t.Request(a, 800, ModbusTcpAdu(3, {0x2B, 0x0E, 0x01, 0x00}, 30));
    t.Response(a, 801, ModbusTcpAdu(3, identification, 30));
    // Then it answers nothing.
    for (int i = 0; i < kUnanswered; ++i) {
        t.Request(a, 1000 + i,
                  ModbusTcpAdu(3, {0x01, 0x00, 0x00, 0x00, 0x08}, static_cast<uint16_t>(100 + i)));
    }
    return t.Build();
}

class HtmlReport : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        std::filesystem::create_directory("captures");
        WriteFile("captures/plant.pcap", HtmlCapture());
        host_.inputPath = "captures/plant.pcap";
        host_.options = AnalysisOptions();
        host_.options.html = "report.html";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        page_ = ReadFileText("report.html");
    }

    // The cells of each row of the device table, by unit.
    std::map<std::string, std::vector<std::string>> DeviceRows() const {
        std::map<std::string, std::vector<std::string>> rows;
        const std::string table = Between(page_, "id=\"device-table\"", "</table>");
        for (const std::string& row : All(table, "<tr>(.*?)</tr>")) {
            const std::vector<std::string> cells = All(row, "<td[^>]*>(.*?)</td>");
            if (!cells.empty()) {
                rows[cells.at(1)] = cells;
            }
        }
        return rows;
    }

    FakeHost host_;
    FakePlatform platform_;
    std::string page_;
};

}  // namespace

TEST_F(HtmlReport, SelfContained) {
    EXPECT_NE(page_.find("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src "
                         "'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
                         "img-src data:\">"),
              std::string::npos);
    for (const char* reference : {"http://", "https://", "src=", "url(", "@import"}) {
        EXPECT_EQ(page_.find(reference), std::string::npos) << reference;
    }
    // CR LF line ends, and the same bytes from a second run.
    EXPECT_EQ(std::regex_search(page_, std::regex("[^\r]\n")), false);
    std::filesystem::remove("output.txt");
    std::filesystem::remove("report.html");
    ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
    EXPECT_EQ(ReadFileText("report.html"), page_);
}

TEST_F(HtmlReport, DeviceTableCountsTheTraffic) {
    const auto rows = DeviceRows();
    ASSERT_EQ(rows.size(), 3u);
    // Server, unit, identification, requests, exceptions, unanswered, p50, p99, exceptions by
    // code.
    EXPECT_EQ(rows.at("1"),
              (std::vector<std::string>{"10.0.0.5:502", "1", "", "6", "0", "0", "10", "10", ""}));
    EXPECT_EQ(rows.at("2").at(3), "4");
    EXPECT_EQ(rows.at("2").at(4), "2");
    EXPECT_EQ(rows.at("2").at(8), "2 Illegal Data Address: 2");
    EXPECT_EQ(rows.at("3").at(3), std::to_string(kUnanswered + 1));
    EXPECT_EQ(rows.at("3").at(5), std::to_string(kUnanswered));
    // Requests per unit and function: unit 1 read five times and wrote once.
    const std::string matrix = Between(page_, "id=\"function-matrix\"", "</table>");
    EXPECT_NE(matrix.find("<th>3 Read Holding Registers</th><th>4 Read Input Registers</th>"),
              std::string::npos)
        << matrix;
    EXPECT_NE(matrix.find("<td>10.0.0.5:502</td><td class=\"n\">1</td><td class=\"n\">0</td>"
                          "<td class=\"n\">5</td><td class=\"n\">0</td><td class=\"n\">1</td>"),
              std::string::npos)
        << matrix;
}

TEST_F(HtmlReport, CaptureContentIsEscaped) {
    EXPECT_EQ(page_.find("<script>alert"), std::string::npos);
    EXPECT_NE(DeviceRows().at("3").at(2).find(
                  "VendorName: &lt;script&gt;alert(1)&lt;/script&gt;\xEF\xBF\xBD"),
              std::string::npos);
}

TEST_F(HtmlReport, FileNamesWithoutFolders) {
    EXPECT_NE(page_.find("<td>plant.pcap</td>"), std::string::npos);
    EXPECT_EQ(page_.find("captures/"), std::string::npos);
}

TEST_F(HtmlReport, ChartsHaveTitlesAxesAndData) {
    const std::vector<std::string> charts =
        All(page_, "<svg class=\"chart[^\"]*\"([\\s\\S]*?)</svg>");
    // Each unit: histogram and rates; unit 1 also the register read changing and the one
    // written.
    ASSERT_EQ(charts.size(), 8u);
    for (const std::string& chart : charts) {
        EXPECT_EQ(All(chart, "^[^>]*><title>([^<]+)</title>").size(), 1u) << chart;
        EXPECT_EQ(All(chart, "<text class=\"axis-label (x|y)\"").size(), 2u) << chart;
        EXPECT_FALSE(All(chart, "<(path class=\"line|rect class=\"bar)").empty()) << chart;
    }
    EXPECT_EQ(All(page_, "<title>(40002: 4 changes)</title>").size(), 1u);
    EXPECT_EQ(All(page_, "<title>(40001: 1 change)</title>").size(), 1u);
    EXPECT_EQ(All(page_, "<title>(Response times)</title>").size(), 3u);
}

TEST_F(HtmlReport, LongTablesShowTheirFirstRows) {
    EXPECT_NE(page_.find("The first 1000 of " + std::to_string(kUnanswered) + " anomalies"),
              std::string::npos);
    const std::string anomalies = Between(page_, "id=\"anomaly-table\"", "</table>");
    EXPECT_EQ(All(anomalies, "(<tr><td)").size(), 1000u);
    // The write names the report block of its response (record 12).
    const std::string writes = Between(page_, "id=\"write-table\"", "</table>");
    EXPECT_NE(writes.find("<th>Report frame</th>"), std::string::npos);
    EXPECT_NE(writes.find("40001 = 42 (was 7)"), std::string::npos) << writes;
    EXPECT_NE(writes.find("<td class=\"n\">12</td></tr>"), std::string::npos) << writes;
}

using HtmlReportTables = InTempDirectory;

// Exactly as many rows as a table shows: all of them, and no note of rows left out.
TEST_F(HtmlReportTables, ATableAtItsLimitIsWhole) {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    for (int i = 0; i < 1000; ++i) {  // one unanswered_request each
        t.Request(a, i, ModbusTcpAdu(1, {0x01, 0x00, 0x00, 0x00, 0x08}, static_cast<uint16_t>(i)));
    }
    WriteFile("plant.pcap", t.Build());
    FakeHost host;
    FakePlatform platform;
    host.inputPath = "plant.pcap";
    host.options = AnalysisOptions();
    host.options.html = "report.html";
    ASSERT_EQ(RunAnalysis(host, platform), AnalysisResult::Completed);
    const std::string page = ReadFileText("report.html");
    EXPECT_EQ(page.find("The first 1000"), std::string::npos);
    const std::string anomalies = Between(page, "id=\"anomaly-table\"", "</table>");
    EXPECT_EQ(All(anomalies, "(<tr><td)").size(), 1000u);
}

// Why a device refuses. Client 10.0.0.9 reads input registers 30001-30016 of unit 1, each refused
// with Illegal Data Address (an address scan on the 16th), then one more answered with the
// undefined code 7 and one whose answer ends after the function. Client 10.0.0.10 writes 40001
// and is refused without a code, then reads 40001 and is answered.
class Refusals : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        TrafficConnection scanner{"10.0.0.9", 40000};
        TrafficConnection poller{"10.0.0.10", 40001};
        ModbusTraffic t;
        uint16_t id = 0;
        for (uint8_t address = 0; address < 16; ++address, ++id) {
            t.Request(scanner, 10 * id, ModbusTcpAdu(1, {0x04, 0x00, address, 0x00, 0x01}, id));
            t.Response(scanner, 10 * id + 2, ModbusTcpAdu(1, {0x84, 0x02}, id));
        }
        t.Request(scanner, 200, ModbusTcpAdu(1, {0x04, 0x00, 0x20, 0x00, 0x01}, 100));
        t.Response(scanner, 202, ModbusTcpAdu(1, {0x84, 0x07}, 100));
        t.Request(scanner, 210, ModbusTcpAdu(1, {0x04, 0x00, 0x21, 0x00, 0x01}, 101));
        t.Response(scanner, 212, ModbusTcpAdu(1, {0x84}, 101));
        t.Request(poller, 300, ModbusTcpAdu(1, {0x06, 0x00, 0x00, 0x00, 0x01}, 1));
        t.Response(poller, 302, ModbusTcpAdu(1, {0x86}, 1));
        t.Request(poller, 310, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 2));
        t.Response(poller, 312, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x05}, 2));
        WriteFile("refusals.pcap", t.Build());
        AnalysisOptions options;
        options.html = "report.html";
        options.summary = "summary.json";
        options.transactionLog = "transactions.jsonl";
        ASSERT_EQ(RunAnalysisOf("refusals.pcap", options), AnalysisResult::Completed);
        page_ = ReadFileText("report.html");
    }

    std::string page_;
};

TEST_F(Refusals, EachDeviceShowsItsExceptionsByCodeAndName) {
    const std::string table = Between(page_, "id=\"device-table\"", "</table>");
    EXPECT_NE(table.find("<th>Exceptions by code</th>"), std::string::npos) << table;
    // Codes in order, each with its name; the undefined 7 is "Unknown".
    EXPECT_NE(table.find("<td>without a code: 2; 2 Illegal Data Address: 16; 7 Unknown: 1</td>"),
              std::string::npos)
        << table;
    // The refused write says so, without a code to give.
    const std::string writes = Between(page_, "id=\"write-table\"", "</table>");
    EXPECT_NE(writes.find("<td>exception without a code</td>"), std::string::npos) << writes;
}

TEST_F(Refusals, AnomaliesNameTheFunctionAndMarkTheException) {
    const std::string anomalies = Between(page_, "id=\"anomaly-table\"", "</table>");
    // The response with code 7 is function 4 with the exception bit (0x84 = 132).
    EXPECT_NE(anomalies.find("<td>invalid_exception_code</td><td>10.0.0.9:40000 -&gt; "
                             "10.0.0.5:502</td><td class=\"n\">1</td><td>4 Read Input Registers "
                             "(exception)</td>"),
              std::string::npos)
        << anomalies;
    EXPECT_EQ(anomalies.find(">132<"), std::string::npos) << anomalies;
}

TEST_F(Refusals, AScanningClientIsMarked) {
    // The diagram: the scanner's node stands out and says why; the other client's does not.
    EXPECT_NE(page_.find("<g class=\"node scanning\" data-kind=\"client\" data-name=\"10.0.0.9\">"
                         "<title>10.0.0.9: address scan</title>"),
              std::string::npos);
    EXPECT_NE(page_.find("<g class=\"node\" data-kind=\"client\" data-name=\"10.0.0.10\">"),
              std::string::npos);
    // The clients table: its row, and only its row.
    const std::string clients = Between(page_, "id=\"clients\"", "</table>");
    EXPECT_NE(clients.find("<tr data-client=\"10.0.0.9\" class=\"scanning\"><td>10.0.0.9 "
                           "(address scan of 1 device)</td>"),
              std::string::npos)
        << clients;
    EXPECT_NE(clients.find("<tr data-client=\"10.0.0.10\"><td>10.0.0.10</td>"), std::string::npos)
        << clients;
}

// An exception response that ends after its function has no code: the summary counts it under
// "null", as the transaction log gives its code, and its write has no exception_code.
TEST_F(Refusals, ExceptionsWithoutACodeAreCountedUnderNull) {
    const Json summary = Json::parse(ReadFileText("summary.json"));
    const Json device = DeviceOf(summary, 1);
    EXPECT_EQ(device["exceptions"], Json({{"null", 2}, {"2", 16}, {"7", 1}}));
    std::string nameWithoutCode;
    std::istringstream log(ReadFileText("transactions.jsonl"));
    for (std::string line; std::getline(log, line);) {
        const Json transaction = Json::parse(line);
        if (transaction["exception"].is_object() && transaction["exception"]["code"].is_null()) {
            nameWithoutCode = transaction["exception"]["name"];
        }
    }
    ASSERT_FALSE(nameWithoutCode.empty());
    EXPECT_EQ(device["exception_names"]["null"], nameWithoutCode);
    EXPECT_EQ(device["exception_names"]["2"], "Illegal Data Address");
    ASSERT_EQ(summary["writes"].size(), 1u);
    EXPECT_EQ(summary["writes"][0]["outcome"], "exception");
    EXPECT_TRUE(summary["writes"][0]["exception_code"].is_null());
}
