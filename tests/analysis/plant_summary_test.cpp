// The plant summary and the points file of a crafted capture: three devices behind one gateway
// address, polls, writes with and without an earlier read, exceptions of every code and one
// transaction for each kind of anomaly. The expectations follow from the frames below.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "analysis/analysis_run.h"
#include "plant/register_map.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

const int kExceptionCodes[] = {1, 2, 3, 4, 5, 6, 8, 10, 11};

Bytes PlantCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.10", 40001};
    ModbusTraffic t;
    // Unit 1: 40001 x2 polled three times, a second apart, answered after 10, 30 and 20 ms.
    const uint16_t values[3][2] = {{7, 8}, {7, 9}, {7, 10}};
    const int answerMs[3] = {10, 30, 20};
    for (uint16_t i = 0; i < 3; ++i) {
        t.Request(a, 1000 * i, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x02}, i + 1));
        t.Response(a, 1000 * i + answerMs[i],
                   ModbusTcpAdu(1,
                                {0x03, 0x04, 0x00, static_cast<uint8_t>(values[i][0]), 0x00,
                                 static_cast<uint8_t>(values[i][1])},
                                i + 1));
    }
    // Unit 1 writes 40002 (last read as 10): acknowledged by its echo.
    t.Request(a, 3000, ModbusTcpAdu(1, {0x06, 0x00, 0x01, 0x00, 0x2A}, 10));
    t.Response(a, 3005, ModbusTcpAdu(1, {0x06, 0x00, 0x01, 0x00, 0x2A}, 10));
    // Unit 3, never read: a write whose echo differs (value_mismatch), from client b.
    t.Request(b, 3100, ModbusTcpAdu(3, {0x06, 0x00, 0x04, 0x00, 0x01}, 11));
    t.Response(b, 3105, ModbusTcpAdu(3, {0x06, 0x00, 0x04, 0x00, 0x02}, 11));
    // Unit 2: a read of 30011 answered with every exception code, then code 12 (undefined).
    int ms = 4000;
    uint16_t id = 20;
    for (int code : kExceptionCodes) {
        t.Request(a, ms, ModbusTcpAdu(2, {0x04, 0x00, 0x0A, 0x00, 0x01}, id));
        t.Response(a, ms + 1, ModbusTcpAdu(2, {0x84, static_cast<uint8_t>(code)}, id));
        ms += 10;
        ++id;
    }
    t.Request(a, 4200, ModbusTcpAdu(2, {0x04, 0x00, 0x0A, 0x00, 0x01}, 40));
    t.Response(a, 4201, ModbusTcpAdu(2, {0x84, 0x0C}, 40));
    // A write of coil 5 on unit 3 refused with exception 2.
    t.Request(b, 4300, ModbusTcpAdu(3, {0x05, 0x00, 0x04, 0xFF, 0x00}, 41));
    t.Response(b, 4301, ModbusTcpAdu(3, {0x85, 0x02}, 41));
    // A response nobody asked for.
    t.Response(a, 5000, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 99));
    // Unit and function mismatches.
    t.Request(a, 5100, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 50));
    t.Response(a, 5101, ModbusTcpAdu(9, {0x03, 0x02, 0x00, 0x01}, 50));
    t.Request(a, 5200, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 51));
    t.Response(a, 5201, ModbusTcpAdu(1, {0x04, 0x02, 0x00, 0x01}, 51));
    // Two requests with one id before the first answer.
    t.Request(a, 5300, ModbusTcpAdu(1, {0x03, 0x00, 0x05, 0x00, 0x01}, 52));
    t.Request(a, 5301, ModbusTcpAdu(1, {0x03, 0x00, 0x05, 0x00, 0x01}, 52));
    t.Response(a, 5302, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 52));
    t.Response(a, 5303, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 52));
    // A slow answer: 1500 ms.
    t.Request(a, 6000, ModbusTcpAdu(1, {0x03, 0x00, 0x06, 0x00, 0x01}, 53));
    t.Response(a, 7500, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 53));
    // Unit 250, function 0, a read with a byte too many.
    t.Request(a, 8100, ModbusTcpAdu(250, {0x03, 0x00, 0x07, 0x00, 0x01}, 55));
    t.Response(a, 8101, ModbusTcpAdu(250, {0x03, 0x02, 0x00, 0x01}, 55));
    t.Request(a, 8200, ModbusTcpAdu(1, {0x00, 0x00}, 56));
    t.Response(a, 8201, ModbusTcpAdu(1, {0x80, 0x01}, 56));
    t.Request(a, 8300, ModbusTcpAdu(1, {0x03, 0x00, 0x08, 0x00, 0x01, 0xFF}, 57));
    t.Response(a, 8301, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 57));
    // Unit 3 identifies itself (43/14, basic objects, all in one response).
    t.Request(b, 8500, ModbusTcpAdu(3, {0x2B, 0x0E, 0x01, 0x00}, 58));
    t.Response(b, 8501,
               ModbusTcpAdu(3,
                            {0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x04, 'A', 'C', 'M',
                             'E', 0x01, 0x02, 'P', '1'},
                            58));
    // Never answered: the capture ends.
    t.Request(b, 9000, ModbusTcpAdu(3, {0x01, 0x00, 0x00, 0x00, 0x08}, 60));
    return t.Build();
}

class PlantSummary : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        WriteFile("plant.pcap", PlantCapture());
        host_.inputPath = "plant.pcap";
        host_.options = AnalysisOptions();
        host_.options.summary = "summary.json";
        host_.options.points = "points.csv";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        summary_ = Json::parse(ReadFileText("summary.json"));
    }

    const Json& Device(int unit) const {
        for (const Json& device : summary_["devices"]) {
            if (device["unit"] == unit) {
                return device;
            }
        }
        static const Json none;
        ADD_FAILURE() << "no device with unit " << unit;
        return none;
    }

    FakeHost host_;
    FakePlatform platform_;
    Json summary_;
};

}  // namespace

TEST_F(PlantSummary, DevicesAreKeyedByServerAndUnit) {
    std::set<int> units;
    for (const Json& device : summary_["devices"]) {
        EXPECT_EQ(device["server"], "10.0.0.5:502");
        units.insert(device["unit"].get<int>());
    }
    // Unit 9 only answered for unit 1 (a mismatch): the transaction belongs to the request's.
    EXPECT_EQ(units, (std::set<int>{1, 2, 3, 250}));
    const Json& unit1 = Device(1);
    EXPECT_EQ(unit1["clients"], Json::array({"10.0.0.9"}));
    // 3 polls, 1 write, 2 mismatches, 2 with one id, slow, function 0, the long read.
    EXPECT_EQ(unit1["requests"], 11);
    EXPECT_EQ(unit1["responses"], 12);  // and the unsolicited one
    EXPECT_EQ(unit1["first_seen"], "2023-11-14T22:13:20.000000Z");
    EXPECT_EQ(unit1["last_seen"], "2023-11-14T22:13:28.301000Z");
    const Json& times = unit1["response_time_ms"];
    EXPECT_EQ(times["count"], 11);
    EXPECT_DOUBLE_EQ(times["max"].get<double>(), 1500.0);
    EXPECT_EQ(Device(3)["clients"], Json::array({"10.0.0.10"}));
    EXPECT_EQ(Device(3)["unanswered"], Json({{"capture ended", 1}}));
    EXPECT_EQ(Device(3)["identification"],
              Json::parse(R"([{"id":0,"name":"VendorName","value":"ACME"},)"
                          R"({"id":1,"name":"ProductCode","value":"P1"}])"));
}

TEST_F(PlantSummary, ExceptionsPerCodeWithTheirNames) {
    const Json& unit2 = Device(2);
    EXPECT_EQ(unit2["requests"], 10);
    for (int code : kExceptionCodes) {
        EXPECT_EQ(unit2["exceptions"][std::to_string(code)], 1) << code;
    }
    EXPECT_EQ(unit2["exceptions"]["12"], 1);
    EXPECT_EQ(unit2["exception_names"]["2"], "Illegal Data Address");
    EXPECT_EQ(unit2["exception_names"]["11"], "Gateway Target Device Failed to Respond");
    // Nothing was read: every answer was an exception.
    EXPECT_EQ(unit2["tables"]["input_registers"]["read"], Json::array());
}

TEST_F(PlantSummary, ResponseTimesAndPolling) {
    // Unit 3's three answers took 5, 1 and 1 ms.
    const Json& unit3 = Device(3)["response_time_ms"];
    EXPECT_DOUBLE_EQ(unit3["min"].get<double>(), 1.0);
    EXPECT_DOUBLE_EQ(unit3["p50"].get<double>(), 1.0);  // the lower middle value
    EXPECT_DOUBLE_EQ(unit3["max"].get<double>(), 5.0);
    const Json* poll = nullptr;
    for (const Json& p : Device(1)["polling"]) {
        if (p["function"] == 3 && p["first"] == 0 && p["count"] == 2) {
            poll = &p;
        }
    }
    ASSERT_NE(poll, nullptr);
    EXPECT_EQ((*poll)["client"], "10.0.0.9");
    EXPECT_EQ((*poll)["first_reference"], 40001);
    EXPECT_EQ((*poll)["polls"], 3);
    EXPECT_DOUBLE_EQ((*poll)["interval_ms"]["p50"].get<double>(), 1000.0);
    const Json& read = Device(1)["tables"]["holding_registers"]["read"];
    ASSERT_GE(read.size(), 1u);
    EXPECT_EQ(
        read[0],
        Json({{"first", 0}, {"last", 1}, {"first_reference", 40001}, {"last_reference", 40002}}));
    // Only the write of 40002 (address 1) was acknowledged on unit 1.
    const Json& written = Device(1)["tables"]["holding_registers"]["written"];
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(
        written[0],
        Json({{"first", 1}, {"last", 1}, {"first_reference", 40002}, {"last_reference", 40002}}));
}

TEST_F(PlantSummary, WritesWithTheValueReadBefore) {
    const Json& writes = summary_["writes"];
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0]["unit"], 1);
    EXPECT_EQ(writes[0]["outcome"], "acknowledged");
    EXPECT_EQ(writes[0]["points"][0], Json({{"table", "holding_registers"},
                                            {"address", 1},
                                            {"reference", 40002},
                                            {"value", 42},
                                            {"previous", 10}}));
    EXPECT_EQ(writes[1]["client"], "10.0.0.10:40001");
    EXPECT_TRUE(writes[1]["points"][0]["previous"].is_null());
    EXPECT_EQ(writes[2]["outcome"], "exception");
    EXPECT_EQ(writes[2]["exception_code"], 2);
    EXPECT_EQ(writes[2]["points"][0]["table"], "coils");
    EXPECT_EQ(writes[2]["points"][0]["reference"], 5);
    EXPECT_EQ(writes[2]["points"][0]["value"], 1);
}

TEST_F(PlantSummary, EveryKindOfAnomaly) {
    std::map<std::string, int> kinds;
    for (const Json& anomaly : summary_["anomalies"]) {
        ++kinds[anomaly["kind"].get<std::string>()];
        EXPECT_TRUE(anomaly["report_frame"].is_number());
        const std::string connection = anomaly["connection"];
        EXPECT_NE(connection.find(":4000"), std::string::npos) << connection;
        EXPECT_EQ(connection.substr(connection.size() - 16), " -> 10.0.0.5:502") << connection;
    }
    const std::map<std::string, int> expected = {
        {"invalid_length", 1},
        {"invalid_unit_identifier", 2},
        {"invalid_function_code", 1},
        {"invalid_exception_code", 1},
        {"unsolicited_response", 1},
        {"value_mismatch", 1},
        {"unit_mismatch", 1},
        {"function_mismatch", 1},
        {"duplicate_transaction_id", 1},
        {"unanswered_request", 1},
        {"slow_response", 1},
    };
    EXPECT_EQ(kinds, expected);
}

TEST_F(PlantSummary, PointsFileRowsAreTheValuesReadAndWritten) {
    const std::string points = ReadFileText("points.csv");
    EXPECT_EQ(points.rfind("time,client,server,unit,table,address,reference,value,access,"
                           "transaction_id,report_frame,name,typed_value,unit_of_measurement\r\n",
                           0),
              0u);
    // The first poll's answer, and the write of 42 to 40002 (report frames are the responses');
    // without a map the last three fields are empty.
    EXPECT_NE(points.find("2023-11-14T22:13:20.010000Z,10.0.0.9:40000,10.0.0.5:502,1,"
                          "holding_registers,0,40001,7,read,1,2,,,\r\n"
                          "2023-11-14T22:13:20.010000Z,10.0.0.9:40000,10.0.0.5:502,1,"
                          "holding_registers,1,40002,8,read,1,2,,,\r\n"),
              std::string::npos)
        << points;
    EXPECT_NE(points.find("2023-11-14T22:13:23.000000Z,10.0.0.9:40000,10.0.0.5:502,1,"
                          "holding_registers,1,40002,42,write,10,8,,,\r\n"),
              std::string::npos);
    // The refused coil write wrote nothing.
    EXPECT_EQ(points.find(",coils,4,5,1,write,"), std::string::npos);
}

// The same capture with a map: 40001-40002 of unit 1 as one uint32 in thousandths of a metre,
// a name "level, tank" that needs quoting, and an entry over 40002-40003 that no transaction
// holds whole.
TEST_F(PlantSummary, TypedValuesThroughARegisterMap) {
    auto map = std::make_shared<RegisterMap>();
    MapEntry level;
    level.name = "level, tank";
    level.address = 0;
    level.unit = 1;
    level.type = MapDataType::Uint32;
    level.count = 2;
    level.scale = 0.001;
    level.unitOfMeasurement = "m";
    map->entries.push_back(level);
    MapEntry straddling = level;
    straddling.name = "straddling";
    straddling.address = 1;
    map->entries.push_back(straddling);
    host_.options.registerMap = map;
    host_.options.transactionLog = "log.jsonl";
    std::filesystem::remove("output.txt");
    ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);

    // Polls read (7, 8), (7, 9), (7, 10): 7 * 65536 + 8 = 458760 thousandths.
    const std::string points = ReadFileText("points.csv");
    EXPECT_NE(points.find(",holding_registers,0,40001,7,read,1,2,\"level, tank\",458.76,m\r\n"
                          "2023-11-14T22:13:20.010000Z,10.0.0.9:40000,10.0.0.5:502,1,"
                          "holding_registers,1,40002,8,read,1,2,\"level, tank\",,m\r\n"),
              std::string::npos)
        << points;
    const Json first =
        Json::parse(ReadFileText("log.jsonl").substr(0, ReadFileText("log.jsonl").find('\n')));
    ASSERT_EQ(first["values"].size(), 1u);
    EXPECT_EQ(first["values"][0]["name"], "level, tank");
    EXPECT_EQ(first["values"][0]["reference"], 40001);
    EXPECT_EQ(first["values"][0]["type"], "uint32");
    EXPECT_DOUBLE_EQ(first["values"][0]["value"].get<double>(), 458.76);
    EXPECT_EQ(first["values"][0]["unit"], "m");

    const Json summary = Json::parse(ReadFileText("summary.json"));
    const Json& values = summary["values"];
    // Three polls hold 40002 without 40003; the write of 40002 holds part of both entries; the
    // read of 40001 alone (transaction 50) part of the level.
    EXPECT_EQ(values["split_entries"], 6);
    ASSERT_EQ(values["entries"].size(), 1u);
    const Json& stats = values["entries"][0];
    EXPECT_EQ(stats["count"], 3);
    EXPECT_EQ(stats["changes"], 2);
    EXPECT_DOUBLE_EQ(stats["first"].get<double>(), 458.76);
    EXPECT_DOUBLE_EQ(stats["max"].get<double>(), 458.762);
    EXPECT_DOUBLE_EQ(stats["last"].get<double>(), 458.762);
    EXPECT_TRUE(stats["first_text"].is_null());
}
