// The page's tables of what the plant stage finds: the change log, the polling table, the
// clients table and diagram (against the summary), and a capture of writes summarised. The
// expectations follow from the crafted frames.

#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "maps/register_map_loader.h"
#include "tests/analysis/plant_run.h"

namespace {

// The cells of each row of the table with `id`.
std::vector<std::vector<std::string>> Rows(const std::string& page, const std::string& id) {
    std::vector<std::vector<std::string>> rows;
    const std::string table =
        Between(page, "<table class=\"sortable\" id=\"" + id + "\"", "</table>");
    for (const std::string& row : All(table, "<tr[^>]*>(.*?)</tr>")) {
        std::vector<std::string> cells = All(row, "<td[^>]*>(.*?)</td>");
        if (!cells.empty()) {
            rows.push_back(std::move(cells));
        }
    }
    return rows;
}

Bytes Read(int unit, int function, int address, int count, uint16_t id) {
    return ModbusTcpAdu(static_cast<uint8_t>(unit),
                        {static_cast<uint8_t>(function), 0, static_cast<uint8_t>(address), 0,
                         static_cast<uint8_t>(count)},
                        id);
}

class PlantFacts : public InTempDirectory {
protected:
    // The page of the capture, with the summary read back into summary_.
    std::string Page(const Bytes& capture) {
        AnalysisOptions options;
        options.html = "report.html";
        summary_ = RunForSummary(capture, options);
        return ReadFileText("report.html");
    }
    TrafficConnection a_{"10.0.0.9", 40000};
    ModbusTraffic t_;
    Json summary_;
};

}  // namespace

// A register read changing, a coil written then read back: two changes, the read back none.
TEST_F(PlantFacts, ChangeLogNamesOldNewAccessClientAndFrame) {
    t_.Request(a_, 0, Read(1, 3, 0, 1, 1)).Response(a_, 5, ModbusTcpAdu(1, {3, 2, 0, 7}, 1));
    t_.Request(a_, 100, Read(1, 3, 0, 1, 2)).Response(a_, 105, ModbusTcpAdu(1, {3, 2, 0, 9}, 2));
    t_.Request(a_, 200, Read(1, 1, 0, 1, 3)).Response(a_, 205, ModbusTcpAdu(1, {1, 1, 0}, 3));
    const Bytes write = ModbusTcpAdu(1, {5, 0, 0, 0xFF, 0}, 4);
    t_.Request(a_, 300, write).Response(a_, 305, write);
    t_.Request(a_, 400, Read(1, 1, 0, 1, 5)).Response(a_, 405, ModbusTcpAdu(1, {1, 1, 1}, 5));
    const std::string page = Page(t_.Build());
    // Time, device, point, old, new, access, by, report frame (the response's record).
    EXPECT_EQ(
        Rows(page, "changes"),
        (std::vector<std::vector<std::string>>{
            {TimeAt(105), "10.0.0.5:502 unit 1", "40001", "7", "9", "read", "", "4"},
            {TimeAt(300), "10.0.0.5:502 unit 1", "00001", "0", "1", "written", "10.0.0.9", "8"}}));
}

// With a register map, a register of an entry changes as the entry; one in none as itself.
TEST_F(PlantFacts, ChangeLogNamesMapEntries) {
    const std::string yaml =
        "- name: level\n  address: 0\n  data_type: uint16\n"
        "  unit_of_measurement: m\n";
    WriteFile("map.yaml", Bytes(yaml.begin(), yaml.end()));
    auto map = std::make_shared<RegisterMap>();
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadRegisterMap("map.yaml", *map, error, warnings)) << error;
    t_.Request(a_, 0, Read(1, 3, 0, 2, 1))
        .Response(a_, 5, ModbusTcpAdu(1, {3, 4, 0, 7, 0, 100}, 1));
    t_.Request(a_, 100, Read(1, 3, 0, 2, 2))
        .Response(a_, 105, ModbusTcpAdu(1, {3, 4, 0, 9, 0, 101}, 2));
    AnalysisOptions options;
    options.html = "report.html";
    options.registerMap = map;
    RunForSummary(t_.Build(), options);
    EXPECT_EQ(
        Rows(ReadFileText("report.html"), "changes"),
        (std::vector<std::vector<std::string>>{
            {TimeAt(105), "10.0.0.5:502 unit 1", "40002", "100", "101", "read", "", "4"},
            {TimeAt(105), "10.0.0.5:502 unit 1", "level (40001)", "7 m", "9 m", "read", "", "4"}}));
}

TEST_F(PlantFacts, ChangeLogKeepsItsFirstRowsAndCountsAll) {
    for (int i = 0; i < 1100; ++i) {  // 40001 alternating 0 and 1: 1,099 changes
        const uint16_t id = static_cast<uint16_t>(i);
        t_.Request(a_, 10 * i, Read(1, 3, 0, 1, id))
            .Response(a_, 10 * i + 1, ModbusTcpAdu(1, {3, 2, 0, static_cast<uint8_t>(i % 2)}, id));
    }
    const std::string page = Page(t_.Build());
    EXPECT_NE(page.find("<p>1099 changes: 0 written, 1099 read.</p>\r\n<details><summary>"),
              std::string::npos);
    EXPECT_NE(page.find("<p class=\"note\">The first 1000 of 1099 changes are shown.</p>"),
              std::string::npos);
    const auto rows = Rows(page, "changes");
    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_EQ(rows.back().at(0), TimeAt(10 * 1000 + 1));
}

// Intervals 990, 1010, 1000, 1000, 980, 1020 and four of 1000 ms: median 1000, 10th percentile
// 980 and 90th 1010 (rank floor((n - 1) q)), so a jitter of 30.
TEST_F(PlantFacts, PollingTableGivesPeriodJitterAndPolls) {
    int ms = 0;
    uint16_t id = 0;
    for (int interval : {0, 990, 1010, 1000, 1000, 980, 1020, 1000, 1000, 1000, 1000}) {
        ms += interval;
        t_.Request(a_, ms, Read(1, 3, 0, 2, id))
            .Response(a_, ms + 5, ModbusTcpAdu(1, {3, 4, 0, 1, 0, 2}, id));
        ++id;
    }
    t_.Request(a_, ms + 100, Read(1, 3, 9, 1, id))  // 40010, read once
        .Response(a_, ms + 105, ModbusTcpAdu(1, {3, 2, 0, 1}, id));
    const std::string page = Page(t_.Build());
    EXPECT_EQ(Rows(page, "polling"),
              (std::vector<std::vector<std::string>>{{"10.0.0.5:502 unit 1", "10.0.0.9",
                                                      "3 Read Holding Registers", "40001-40002",
                                                      "11", "1000", "30"}}));
    EXPECT_NE(page.find("<tr data-device=\"10.0.0.5:502 unit 1\">"), std::string::npos);
    EXPECT_NE(page.find("<p class=\"note\">Ranges read only once (a scan, or a look by hand), "
                        "not listed: 1.</p>"),
              std::string::npos);
}

// Two clients: 10.0.0.9 reads unit 1 three times (one refused) and writes it once; 10.0.0.7
// reads units 1 and 2.
TEST_F(PlantFacts, ClientsTableAndDiagramMatchTheSummary) {
    TrafficConnection b{"10.0.0.7", 40001};
    for (uint16_t i = 0; i < 3; ++i) {
        t_.Request(a_, 10 * i, Read(1, 3, 0, 1, i))
            .Response(a_, 10 * i + 1,
                      i == 1 ? ModbusTcpAdu(1, {0x83, 2}, i) : ModbusTcpAdu(1, {3, 2, 0, 1}, i));
    }
    const Bytes write = ModbusTcpAdu(1, {6, 0, 0, 0, 5}, 9);
    t_.Request(a_, 50, write).Response(a_, 51, write);
    t_.Request(b, 60, Read(1, 4, 0, 1, 1)).Response(b, 61, ModbusTcpAdu(1, {4, 2, 0, 1}, 1));
    t_.Request(b, 70, Read(2, 4, 0, 1, 2)).Response(b, 71, ModbusTcpAdu(2, {4, 2, 0, 1}, 2));
    const std::string page = Page(t_.Build());
    const std::map<std::string, std::vector<uint64_t>> expected = {{"10.0.0.9", {4, 1, 1, 1}},
                                                                   {"10.0.0.7", {2, 0, 0, 2}}};
    ASSERT_EQ(summary_["clients"].size(), 2u);
    for (const Json& client : summary_["clients"]) {
        const std::string address = client["address"];
        uint64_t requests = 0;
        for (const Json& function : client["requests"]) {
            requests += function["requests"].get<uint64_t>();
        }
        const std::vector<uint64_t> fromSummary = {requests, client["writes"], client["exceptions"],
                                                   client["devices"].size()};
        EXPECT_EQ(fromSummary, expected.at(address)) << address;
        const std::string row = Between(page, "<tr data-client=\"" + address + "\">", "</tr>");
        std::vector<uint64_t> fromPage;
        for (const char* column : {"requests", "writes", "exceptions", "devices"}) {
            const auto cells = All(row, "data-col=\"" + std::string(column) + "\">(\\d+)<");
            ASSERT_EQ(cells.size(), 1u) << row;
            fromPage.push_back(std::stoull(cells[0]));
        }
        EXPECT_EQ(fromPage, fromSummary) << address;
    }
    const std::string diagram = Between(page, "<svg class=\"talkers\" id=\"talkers\"", "</svg>");
    // Clients, servers and units in address order; a link per client and server reached.
    EXPECT_EQ(All(diagram, "<g class=\"node\" (data-kind=\"\\w+\" data-name=\"[^\"]+\")"),
              (std::vector<std::string>{"data-kind=\"client\" data-name=\"10.0.0.7\"",
                                        "data-kind=\"client\" data-name=\"10.0.0.9\"",
                                        "data-kind=\"server\" data-name=\"10.0.0.5:502\"",
                                        "data-kind=\"unit\" data-name=\"10.0.0.5:502 unit 1\"",
                                        "data-kind=\"unit\" data-name=\"10.0.0.5:502 unit 2\""}));
    EXPECT_EQ(
        All(diagram, "<g class=\"edge\" (data-from=\"[^\"]+\" data-to=\"[^\"]+\")"),
        (std::vector<std::string>{"data-from=\"10.0.0.7\" data-to=\"10.0.0.5:502\"",
                                  "data-from=\"10.0.0.9\" data-to=\"10.0.0.5:502\"",
                                  "data-from=\"10.0.0.5:502\" data-to=\"10.0.0.5:502 unit 1\"",
                                  "data-from=\"10.0.0.5:502\" data-to=\"10.0.0.5:502 unit 2\""}));
}

// Thirty writes of 40001 and five of coils 00001-00002: two rows, each write folded away.
TEST_F(PlantFacts, AWriteOnlyCaptureIsSummarised) {
    for (uint16_t i = 0; i < 30; ++i) {
        const Bytes write = ModbusTcpAdu(1, {6, 0, 0, 0, static_cast<uint8_t>(i)}, i);
        t_.Request(a_, 10 * i, write).Response(a_, 10 * i + 1, write);
    }
    for (uint16_t i = 0; i < 5; ++i) {
        t_.Request(a_, 400 + 10 * i, ModbusTcpAdu(1, {15, 0, 0, 0, 2, 1, 2}, 100 + i))
            .Response(a_, 401 + 10 * i, ModbusTcpAdu(1, {15, 0, 0, 0, 2}, 100 + i));
    }
    const std::string page = Page(t_.Build());
    // Client, device, function, references, writes, refused, first write, its frame, last
    // write, last values.
    EXPECT_EQ(Rows(page, "write-ranges"),
              (std::vector<std::vector<std::string>>{
                  {"10.0.0.9", "10.0.0.5:502 unit 1", "6 Preset Single Register", "40001", "30",
                   "0", TimeAt(0), "2", TimeAt(290), "29"},
                  {"10.0.0.9", "10.0.0.5:502 unit 1", "15 Force Multiple Coils", "00001-00002", "5",
                   "0", TimeAt(400), "62", TimeAt(440), "0 1"}}));
    EXPECT_NE(page.find("<details><summary>Each write (35)</summary>"), std::string::npos);
}

TEST_F(PlantFacts, AReadOnlyCaptureSaysThereWereNoWrites) {
    t_.Request(a_, 0, Read(1, 3, 0, 1, 1)).Response(a_, 5, ModbusTcpAdu(1, {3, 2, 0, 7}, 1));
    const std::string page = Page(t_.Build());
    EXPECT_NE(page.find("<p>No writes in this capture.</p>"), std::string::npos);
    EXPECT_EQ(page.find("id=\"write-table\""), std::string::npos);
}
