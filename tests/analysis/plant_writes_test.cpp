// The write audit of the summary: every write request with its outcome, the values it asks for
// with the values read before (a mask write's result worked out as Modbus defines it), the
// ranges counted as written (acknowledged writes only), the clients' write counts and the rows
// of the points file.

#include <gtest/gtest.h>

#include <string>

#include "tests/analysis/plant_run.h"

namespace {

Json Point(const char* table, int address, int reference, const Json& value, const Json& previous) {
    return {{"table", table},
            {"address", address},
            {"reference", reference},
            {"value", value},
            {"previous", previous}};
}

Json Range(int first, int last, int base) {
    return {{"first", first},
            {"last", last},
            {"first_reference", base + first},
            {"last_reference", base + last}};
}

Bytes WritesCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.10", 40001};
    TrafficConnection c{"10.0.0.11", 40002};
    ModbusTraffic t;
    // A reads 40005 as 0x0012, then masks it with AND 0x00F2, OR 0x0025: the example of the
    // Modbus application protocol, whose result is 0x0017.
    t.Request(a, 0, ModbusTcpAdu(1, {0x03, 0x00, 0x04, 0x00, 0x01}, 1));
    t.Response(a, 2, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x12}, 1));
    // C only reads.
    t.Request(c, 50, ModbusTcpAdu(1, {0x03, 0x00, 0x64, 0x00, 0x01}, 1));
    t.Response(c, 51, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x01}, 1));
    const Bytes firstMask = {0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25};
    t.Request(a, 100, ModbusTcpAdu(1, firstMask, 2));
    t.Response(a, 101, ModbusTcpAdu(1, firstMask, 2));
    // 40006 read as 0x1234, masked with AND 0xFF00, OR 0x00AB: 0x1200 | 0x00AB = 0x12AB.
    t.Request(a, 200, ModbusTcpAdu(1, {0x03, 0x00, 0x05, 0x00, 0x01}, 3));
    t.Response(a, 201, ModbusTcpAdu(1, {0x03, 0x02, 0x12, 0x34}, 3));
    const Bytes secondMask = {0x16, 0x00, 0x05, 0xFF, 0x00, 0x00, 0xAB};
    t.Request(a, 300, ModbusTcpAdu(1, secondMask, 4));
    t.Response(a, 301, ModbusTcpAdu(1, secondMask, 4));
    // A mask of 40010, never read: its result is unknown.
    const Bytes blindMask = {0x16, 0x00, 0x09, 0x00, 0x0F, 0x00, 0xF0};
    t.Request(a, 400, ModbusTcpAdu(1, blindMask, 5));
    t.Response(a, 401, ModbusTcpAdu(1, blindMask, 5));
    // 40011-40012 := 1, 2, refused with exception 3.
    t.Request(a, 500,
              ModbusTcpAdu(1, {0x10, 0x00, 0x0A, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02}, 6));
    t.Response(a, 501, ModbusTcpAdu(1, {0x90, 0x03}, 6));
    // B writes coils 20-29 as in the protocol's example: CD 01 -> 1 0 1 1 0 0 1 1, 1 0.
    t.Request(b, 700, ModbusTcpAdu(1, {0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}, 7));
    t.Response(b, 701, ModbusTcpAdu(1, {0x0F, 0x00, 0x13, 0x00, 0x0A}, 7));
    // A writes 40005 := 99: the value read before is still 0x12 (a write is not a read).
    t.Request(a, 800, ModbusTcpAdu(1, {0x06, 0x00, 0x04, 0x00, 0x63}, 8));
    t.Response(a, 801, ModbusTcpAdu(1, {0x06, 0x00, 0x04, 0x00, 0x63}, 8));
    // B writes 40021 := 7; the capture ends before the answer.
    t.Request(b, 900, ModbusTcpAdu(1, {0x06, 0x00, 0x14, 0x00, 0x07}, 9));
    return t.Build();
}

class PlantWrites : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        AnalysisOptions options;
        options.points = "points.csv";
        summary_ = RunForSummary(WritesCapture(), options);
        points_ = ReadFileText("points.csv");
    }

    Json summary_;
    std::string points_;
};

}  // namespace

TEST_F(PlantWrites, EveryWriteRequestWithItsOutcome) {
    const Json& writes = summary_["writes"];
    ASSERT_EQ(writes.size(), 7u);
    const struct {
        int function;
        const char* client;
        const char* outcome;
        Json exceptionCode;
        int ms;
    } expected[] = {
        {22, "10.0.0.9:40000", "acknowledged", nullptr, 100},
        {22, "10.0.0.9:40000", "acknowledged", nullptr, 300},
        {22, "10.0.0.9:40000", "acknowledged", nullptr, 400},
        {16, "10.0.0.9:40000", "exception", 3, 500},
        {15, "10.0.0.10:40001", "acknowledged", nullptr, 700},
        {6, "10.0.0.9:40000", "acknowledged", nullptr, 800},
        {6, "10.0.0.10:40001", "unanswered", nullptr, 900},
    };
    for (size_t i = 0; i < writes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(writes[i]["function"], expected[i].function);
        EXPECT_EQ(writes[i]["client"], expected[i].client);
        EXPECT_EQ(writes[i]["server"], "10.0.0.5:502");
        EXPECT_EQ(writes[i]["unit"], 1);
        EXPECT_EQ(writes[i]["outcome"], expected[i].outcome);
        EXPECT_EQ(writes[i]["exception_code"], expected[i].exceptionCode);
        EXPECT_EQ(writes[i]["time"], TimeAt(expected[i].ms));
        EXPECT_EQ(writes[i]["values"], Json::array());
    }
}

TEST_F(PlantWrites, MaskWritesGiveTheValueTheyMake) {
    const Json& writes = summary_["writes"];
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[0]["points"],
              Json::array({Point("holding_registers", 4, 40005, 0x0017, 0x0012)}));
    EXPECT_EQ(writes[1]["points"],
              Json::array({Point("holding_registers", 5, 40006, 0x12AB, 0x1234)}));
    EXPECT_EQ(writes[2]["points"],
              Json::array({Point("holding_registers", 9, 40010, nullptr, nullptr)}));
}

TEST_F(PlantWrites, PointsOfTheOtherWrites) {
    const Json& writes = summary_["writes"];
    ASSERT_EQ(writes.size(), 7u);
    // A refused write still shows what it asked for.
    EXPECT_EQ(writes[3]["points"],
              Json::array({Point("holding_registers", 10, 40011, 1, nullptr),
                           Point("holding_registers", 11, 40012, 2, nullptr)}));
    const int coils[] = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0};
    Json coilPoints = Json::array();
    for (int i = 0; i < 10; ++i) {
        coilPoints.push_back(Point("coils", 19 + i, 20 + i, coils[i], nullptr));
    }
    EXPECT_EQ(writes[4]["points"], coilPoints);
    EXPECT_EQ(writes[5]["points"], Json::array({Point("holding_registers", 4, 40005, 99, 0x12)}));
    EXPECT_EQ(writes[6]["points"],
              Json::array({Point("holding_registers", 20, 40021, 7, nullptr)}));
}

TEST_F(PlantWrites, OnlyAcknowledgedWritesCountAsWritten) {
    const Json tables = DeviceOf(summary_, 1)["tables"];
    EXPECT_EQ(tables["holding_registers"]["written"],
              Json::array({Range(4, 5, 40001), Range(9, 9, 40001)}));
    EXPECT_EQ(tables["coils"]["written"], Json::array({Range(19, 28, 1)}));
    EXPECT_EQ(tables["holding_registers"]["read"],
              Json::array({Range(4, 5, 40001), Range(100, 100, 40001)}));
}

TEST_F(PlantWrites, ClientsCountTheirWriteRequests) {
    std::map<std::string, int> writes;
    for (const Json& client : summary_["clients"]) {
        writes[client["address"]] = client["writes"];
    }
    const std::map<std::string, int> expected = {
        {"10.0.0.9", 5}, {"10.0.0.10", 2}, {"10.0.0.11", 0}};
    EXPECT_EQ(writes, expected);
}

// Values written come from the requests unless refused; mask writes give no row.
TEST_F(PlantWrites, PointsFileRowsOfWrites) {
    const std::string server = ",10.0.0.5:502,1,";
    EXPECT_NE(points_.find(TimeAt(800) + ",10.0.0.9:40000" + server +
                           "holding_registers,4,40005,99,write,8,"),
              std::string::npos)
        << points_;
    EXPECT_NE(points_.find(TimeAt(900) + ",10.0.0.10:40001" + server +
                           "holding_registers,20,40021,7,write,9,"),
              std::string::npos)
        << points_;
    EXPECT_NE(points_.find(TimeAt(700) + ",10.0.0.10:40001" + server + "coils,28,29,0,write,7,"),
              std::string::npos);
    EXPECT_EQ(points_.find(",40011,"), std::string::npos);
    EXPECT_EQ(points_.find(",40012,"), std::string::npos);
    EXPECT_EQ(points_.find(",40010,"), std::string::npos);
    size_t writeRows = 0;
    for (size_t at = points_.find(",write,"); at != std::string::npos;
         at = points_.find(",write,", at + 1)) {
        ++writeRows;
    }
    EXPECT_EQ(writeRows, 12u);  // 10 coils, 40005 and 40021
}
