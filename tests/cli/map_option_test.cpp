// --map: a map that cannot be loaded stops the program with status 2 before the run writes
// anything; warnings about a map that loads leave the run to go on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/cli/command_line_fixture.h"
#include "tests/support/modbus_traffic.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct UnloadableMap {
    const char* file;
    const char* text;  // nullptr: none is written
    const char* message;
};

const UnloadableMap kUnloadable[] = {
    {"map.csv", "name,address,slav\nA,1,1\n",
     "zep-modbus-parser: map.csv:1:14: unknown key 'slav' (did you mean 'slave'?)\n"},
    {"map.csv", "name,reference\nA,20001\n",
     "zep-modbus-parser: map.csv:2:3: reference '20001' is out of range (1-9999, 10001-19999, "
     "30001-39999, 40001-49999, or six digits up to 065536, 165536, 365536, 465536)\n"},
    {"semicolons.csv", "name;address\nA;1\n",
     "zep-modbus-parser: semicolons.csv:1:1: the map's columns are separated by semicolons; use "
     "commas\n"},
    {"gone.csv", nullptr,
     "zep-modbus-parser: gone.csv: cannot be opened: No such file or directory\n"},
};

}  // namespace

TEST_F(CommandLine, UnloadableMapStopsBeforeTheRun) {
    WriteCapture();
    for (const UnloadableMap& map : kUnloadable) {
        if (map.text != nullptr) {
            WriteText(map.file, map.text);
        }
        EXPECT_EQ(Run({"--map", map.file, "capture.pcap"}), 2) << map.file;
        EXPECT_EQ(err_.str(), map.message);
        EXPECT_EQ(out_.str(), "");
        EXPECT_FALSE(fs::exists("output.txt"));
        EXPECT_FALSE(fs::exists("log.txt"));
    }
}

TEST_F(CommandLine, MapWarningsLetTheRunGoOn) {
    WriteCapture();
    WriteText("map.csv", "name,address,data_type\nWide,0,uint32\nNarrow,1,\n");
    fs::create_directory("work");
    // The map, like the capture, is named relative to where the command was given.
    EXPECT_EQ(Run({"-q", "-C", "work", "--map=map.csv", "capture.pcap"}), 0);
    EXPECT_EQ(err_.str(),
              "zep-modbus-parser: map.csv:3: warning: 'Narrow' overlaps 'Wide' (line 2) at "
              "holding_registers 1-1\n");
    EXPECT_TRUE(fs::exists(fs::path(directory_) / "work" / "output.txt"));
}

TEST_F(CommandLine, SuggestedMapIsReadBack) {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string capture = (fs::path(source) / "examples" / "example.pcap").string();
    ASSERT_EQ(Run({"-q", "--suggest-map=suggested.yaml", capture}), 0);
    if (!ZEP_WITH_YAML) {
        return;
    }
    EXPECT_EQ(Run({"-q", "--force", "--map=suggested.yaml", capture}), 0) << err_.str();
    EXPECT_EQ(err_.str(), "");
}

TEST_F(CommandLine, MapEntriesThatMatchNoTransactionAreNamed) {
    // Holding registers 0 and 1 of unit 1 read once.
    TrafficConnection connection{"10.0.0.9", 40000};
    WriteFile("capture.pcap", ModbusTraffic()
                                  .Request(connection, 0, ModbusTcpAdu(1, {0x03, 0, 0, 0, 2}))
                                  .Response(connection, 10, ModbusTcpAdu(1, {0x03, 4, 0, 7, 0, 9}))
                                  .Build());
    WriteText("map.csv",
              "name,address,input_type,slave\n"
              "Flow,0,,\n"
              "Spare,5,,\n"  // never read
              "Level,1,,\n"
              "Pump,0,coil,\n"      // another table
              "Elsewhere,0,,2\n");  // another unit
    ASSERT_EQ(Run({"--no", "--summary=summary.json", "--map=map.csv", "capture.pcap"}), 0);
    EXPECT_NE(err_.str().find("zep-modbus-parser: warning: 3 map entries matched no transaction: "
                              "Spare, Pump, Elsewhere\n"),
              std::string::npos)
        << err_.str();
    const nlohmann::json summary = nlohmann::json::parse(ReadFileText("summary.json"));
    EXPECT_EQ(summary["values"]["unmatched"],
              nlohmann::json::array({"Spare", "Pump", "Elsewhere"}));

    // A long list names the first ten.
    std::string many = "name,address\n";
    for (int i = 1; i <= 12; ++i) {
        many += "Unread " + std::to_string(i) + "," + std::to_string(100 + i) + "\n";
    }
    WriteText("many.csv", many);
    ASSERT_EQ(Run({"--no", "--force", "--points=points.csv", "--map=many.csv", "capture.pcap"}), 0);
    EXPECT_NE(err_.str().find("warning: 12 map entries matched no transaction: Unread 1, Unread 2, "
                              "Unread 3, Unread 4, Unread 5, Unread 6, Unread 7, Unread 8, "
                              "Unread 9, Unread 10 and 2 more\n"),
              std::string::npos)
        << err_.str();
}

// With -q the run's warnings reach no terminal, but log.txt, the summary and the page have them,
// each in its own words.
TEST_F(CommandLine, QuietRunKeepsItsWarningsInTheLogTheSummaryAndThePage) {
    TrafficConnection connection{"10.0.0.9", 40000};
    WriteFile("capture.pcap", ModbusTraffic()
                                  .Request(connection, 0, ModbusTcpAdu(1, {0x03, 0, 0, 0, 2}))
                                  .Response(connection, 10, ModbusTcpAdu(1, {0x03, 4, 0, 7, 0, 9}))
                                  .Build());
    WriteText("map.csv", "name,address\nFlow,0\nSpare <1>,5\n");
    ASSERT_EQ(
        Run({"-q", "--summary=summary.json", "--html=page.html", "--map=map.csv", "capture.pcap"}),
        0);
    EXPECT_EQ(err_.str(), "");
    const std::string warning = "1 map entry matched no transaction: Spare <1>";
    EXPECT_NE(ReadFileText("log.txt").find("] Warning: " + warning + "\r\n"), std::string::npos)
        << ReadFileText("log.txt");
    const nlohmann::json summary = nlohmann::json::parse(ReadFileText("summary.json"));
    EXPECT_EQ(summary["warnings"], nlohmann::json::array({warning}));
    EXPECT_EQ(summary.count("warnings_not_listed"), 0u);
    const std::string page = ReadFileText("page.html");
    EXPECT_NE(page.find("<li>1 map entry matched no transaction: Spare &lt;1&gt;</li>"),
              std::string::npos);
    // The unmatched entries are listed on the page too, as the summary's values.unmatched.
    EXPECT_EQ(summary["values"]["unmatched"], nlohmann::json::array({"Spare <1>"}));
    const size_t unmatched = page.find("id=\"unmatched-entries\"");
    ASSERT_NE(unmatched, std::string::npos);
    EXPECT_NE(page.find("<li>Spare &lt;1&gt;</li>", unmatched), std::string::npos);
    // Near the top: before the capture's facts.
    EXPECT_LT(page.find("id=\"warnings\""), page.find("id=\"capture\""));

    // A run without warnings has the list, empty, and no such section on its page.
    ASSERT_EQ(Run({"-q", "--force", "--summary=quiet.json", "--html=quiet.html", "capture.pcap"}),
              0);
    EXPECT_EQ(nlohmann::json::parse(ReadFileText("quiet.json"))["warnings"],
              nlohmann::json::array());
    EXPECT_EQ(ReadFileText("quiet.html").find("id=\"warnings\""), std::string::npos);
}
