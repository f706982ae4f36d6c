// A register map applied end to end: an entry with `slave` only to that unit, scale, offset and
// precision as the map's fields define them (raw x scale + offset, then rounded), the first,
// last, least and greatest value of each entry, and the points file's RFC 4180 quoting of the
// names, texts and units a map brings.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plant/register_map.h"
#include "tests/analysis/plant_run.h"

namespace {

MapEntry Entry(const std::string& name, uint16_t address, MapDataType type) {
    MapEntry entry;
    entry.name = name;
    entry.address = address;
    entry.type = type;
    entry.count = type == MapDataType::String ? 2 : RegistersOf(type);
    return entry;
}

std::shared_ptr<RegisterMap> PlantMap() {
    auto map = std::make_shared<RegisterMap>();
    MapEntry temperature = Entry("temperature", 0, MapDataType::Int16);
    temperature.unit = 1;
    temperature.scale = 0.01;
    temperature.precision = 1;
    temperature.unitOfMeasurement = "C";
    MapEntry setpoint = Entry("setpoint", 1, MapDataType::Uint16);  // any unit
    setpoint.scale = 2;
    setpoint.offset = 3;
    MapEntry label = Entry("label", 2, MapDataType::String);
    label.unit = 1;
    MapEntry rounded = Entry("rounded", 4, MapDataType::Uint16);
    rounded.unit = 1;
    rounded.scale = 0.1;
    rounded.precision = 0;
    map->entries = {temperature, setpoint, label, rounded};
    return map;
}

// Unit 1 reads 40001-40005 four times; unit 2 reads 40001-40002 once.
Bytes MappedCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    // temperature (int16): 1049, 12346, -500, 2001; setpoint: 100, 100, 100, 40000; label: "ABCD",
    // "WXYZ", "ABCD", "EF" (padded with 0); rounded: 26, 24, 27, 0.
    const uint16_t words[4][5] = {{1049, 100, 0x4142, 0x4344, 26},
                                  {12346, 100, 0x5758, 0x595A, 24},
                                  {0xFE0C, 100, 0x4142, 0x4344, 27},
                                  {2001, 40000, 0x4546, 0x0000, 0}};
    for (uint16_t i = 0; i < 4; ++i) {
        Bytes answer = {0x03, 10};
        for (uint16_t word : words[i]) {
            answer.push_back(static_cast<uint8_t>(word >> 8));
            answer.push_back(static_cast<uint8_t>(word));
        }
        t.Request(a, 100 * i, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x05}, i));
        t.Response(a, 100 * i + 1, ModbusTcpAdu(1, answer, i));
    }
    t.Request(a, 500, ModbusTcpAdu(2, {0x03, 0x00, 0x00, 0x00, 0x02}, 9));
    t.Response(a, 501, ModbusTcpAdu(2, {0x03, 0x04, 0x30, 0x39, 0x00, 0x05}, 9));
    return t.Build();
}

class MappedValues : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        AnalysisOptions options;
        options.points = "points.csv";
        options.registerMap = PlantMap();
        summary_ = RunForSummary(MappedCapture(), options);
        points_ = ReadFileText("points.csv");
    }

    Json summary_;
    std::string points_;
};

class PointsFileQuoting : public InTempDirectory {};

}  // namespace

TEST_F(MappedValues, EntriesPerDeviceInMapOrder) {
    std::vector<std::pair<std::string, int>> entries;
    for (const Json& entry : summary_["values"]["entries"]) {
        entries.push_back({entry["name"], entry["unit"]});
    }
    // temperature, label and rounded name unit 1 only; setpoint any unit.
    const std::vector<std::pair<std::string, int>> expected = {
        {"temperature", 1}, {"setpoint", 1}, {"setpoint", 2}, {"label", 1}, {"rounded", 1}};
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(summary_["values"]["split_entries"], 0);
}

TEST_F(MappedValues, ScaleOffsetAndPrecision) {
    const Json& entries = summary_["values"]["entries"];
    ASSERT_EQ(entries.size(), 5u);
    // x 0.01, to one decimal: 10.49 -> 10.5, 123.46 -> 123.5, -5, 20.01 -> 20.
    const Json& temperature = entries[0];
    EXPECT_EQ(temperature["count"], 4);
    EXPECT_EQ(temperature["changes"], 3);
    EXPECT_DOUBLE_EQ(temperature["first"].get<double>(), 10.5);
    EXPECT_DOUBLE_EQ(temperature["last"].get<double>(), 20.0);
    EXPECT_DOUBLE_EQ(temperature["min"].get<double>(), -5.0);
    EXPECT_DOUBLE_EQ(temperature["max"].get<double>(), 123.5);
    EXPECT_EQ(temperature["unit_of_measurement"], "C");
    EXPECT_EQ(temperature["reference"], 40001);
    EXPECT_TRUE(temperature["first_text"].is_null());
    // 100 x 2 + 3 = 203, 40000 x 2 + 3 = 80003; unit 2 read 5: 13.
    const Json& setpoint = entries[1];
    EXPECT_EQ(setpoint["changes"], 1);
    EXPECT_DOUBLE_EQ(setpoint["first"].get<double>(), 203.0);
    EXPECT_DOUBLE_EQ(setpoint["last"].get<double>(), 80003.0);
    EXPECT_DOUBLE_EQ(setpoint["min"].get<double>(), 203.0);
    EXPECT_DOUBLE_EQ(entries[2]["first"].get<double>(), 13.0);
    // x 0.1 to no decimals: 2.6 -> 3, 2.4 -> 2, 2.7 -> 3, 0.
    const Json& rounded = entries[4];
    EXPECT_DOUBLE_EQ(rounded["first"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(rounded["max"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(rounded["last"].get<double>(), 0.0);
    EXPECT_EQ(rounded["changes"], 3);
}

TEST_F(MappedValues, FirstAndLastText) {
    const Json& label = summary_["values"]["entries"][3];
    EXPECT_EQ(label["name"], "label");
    EXPECT_EQ(label["type"], "string");
    EXPECT_EQ(label["count"], 4);
    EXPECT_EQ(label["changes"], 3);  // each differs from the one before
    EXPECT_EQ(label["first_text"], "ABCD");
    EXPECT_EQ(label["last_text"], "EF");
    for (const char* key : {"first", "last", "min", "max"}) {
        EXPECT_TRUE(label[key].is_null()) << key;
    }
}

TEST_F(MappedValues, PointsFileNamesOnlyTheUnitsAnEntryApplies) {
    // Unit 2's 40001 (12345) has no entry; its 40002 is setpoint's.
    EXPECT_NE(points_.find(",2,holding_registers,0,40001,12345,read,9,10,,,\r\n"),
              std::string::npos)
        << points_;
    EXPECT_NE(points_.find(",2,holding_registers,1,40002,5,read,9,10,setpoint,13,\r\n"),
              std::string::npos);
    EXPECT_NE(points_.find(",1,holding_registers,0,40001,12346,read,1,4,temperature,123.5,C\r\n"),
              std::string::npos);
    // A string's text on its first register's row, the name on both.
    EXPECT_NE(points_.find(",40003,17734,read,3,8,label,EF,\r\n" + TimeAt(301) +
                           ",10.0.0.9:40000,10.0.0.5:502,1,holding_registers,3,40004,0,read,3,8,"
                           "label,,\r\n"),
              std::string::npos);
}

// Names, texts and units with a comma, a quote, CR or LF are quoted, their quotes doubled.
TEST_F(PointsFileQuoting, FieldsThatNeedIt) {
    const struct {
        const char* name;
        const char* field;  // as the points file writes it
    } names[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
    };
    auto map = std::make_shared<RegisterMap>();
    for (uint16_t i = 0; i < 5; ++i) {
        map->entries.push_back(Entry(names[i].name, i, MapDataType::Uint16));
    }
    map->entries[0].unitOfMeasurement = "in \"";
    map->entries[1].unitOfMeasurement = "m,s";
    MapEntry text = Entry("text", 5, MapDataType::String);  // "a,"
    map->entries.push_back(text);
    MapEntry quote = Entry("quote", 7, MapDataType::String);  // "\"b"
    map->entries.push_back(quote);

    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    t.Request(a, 0, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x09}));
    t.Response(a, 1, ModbusTcpAdu(1, {0x03, 18, 0,   10,  0, 11, 0,   12,  0, 13,
                                      0,    14, 'a', ',', 0, 0,  '"', 'b', 0, 0}));
    AnalysisOptions options;
    options.points = "points.csv";
    options.registerMap = map;
    RunForSummary(t.Build(), options);
    const std::string points = ReadFileText("points.csv");
    for (uint16_t i = 0; i < 5; ++i) {
        const std::string row = "holding_registers," + std::to_string(i) + "," +
                                std::to_string(40001 + i) + "," + std::to_string(10 + i) +
                                ",read,1,2," + names[i].field + "," + std::to_string(10 + i) + ",";
        EXPECT_NE(points.find(row), std::string::npos) << row << "\n" << points;
    }
    EXPECT_NE(points.find(",read,1,2,plain,10,\"in \"\"\"\r\n"), std::string::npos);
    EXPECT_NE(points.find(",read,1,2,\"a,b\",11,\"m,s\"\r\n"), std::string::npos);
    EXPECT_NE(points.find(",40006,24876,read,1,2,text,\"a,\",\r\n"), std::string::npos) << points;
    EXPECT_NE(points.find(",40008,8802,read,1,2,quote,\"\"\"b\",\r\n"), std::string::npos);
}

// `host` as "ip" applies to the server at any port, as "ip:port" to that port only.
TEST_F(PointsFileQuoting, EntriesOfOtherServersDoNotApply) {
    auto map = std::make_shared<RegisterMap>();
    for (const char* host : {"10.0.0.5", "10.0.0.5:502", "10.0.0.6", "10.0.0.5:503"}) {
        MapEntry entry = Entry(host, 0, MapDataType::Uint16);
        entry.host = host;
        map->entries.push_back(entry);
    }
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    t.Request(a, 0, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}));
    t.Response(a, 1, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}));
    AnalysisOptions options;
    options.registerMap = map;
    const Json summary = RunForSummary(t.Build(), options);
    std::vector<std::string> names;
    for (const Json& entry : summary["values"]["entries"]) {
        names.push_back(entry["name"]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"10.0.0.5", "10.0.0.5:502"}));
}
