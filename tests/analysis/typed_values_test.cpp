// A map loaded from YAML decodes planted values exactly: float32 in all four orders, int32,
// uint32, int64, float64, a scaled int16, a string and a coil.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/analysis_run.h"
#include "maps/register_map_loader.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

using Json = nlohmann::json;

// The value's bytes most significant first, A B C D ..., put on the wire in `order`: per pair
// of words CDAB swaps the words, BADC the bytes of each word.
void Put(Bytes& pdu, std::vector<uint8_t> bytes, const std::string& order) {
    const size_t words = bytes.size() / 2;
    if (order == "CDAB" || order == "DCBA") {
        std::vector<uint8_t> swapped;
        for (size_t w = words; w-- > 0;) {
            swapped.push_back(bytes[2 * w]);
            swapped.push_back(bytes[2 * w + 1]);
        }
        bytes = swapped;
    }
    if (order == "BADC" || order == "DCBA") {
        for (size_t w = 0; w < words; ++w) {
            std::swap(bytes[2 * w], bytes[2 * w + 1]);
        }
    }
    pdu.insert(pdu.end(), bytes.begin(), bytes.end());
}

template <typename T>
std::vector<uint8_t> BigEndianOf(T value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    std::vector<uint8_t> bytes(sizeof value);
    for (size_t i = 0; i < sizeof value; ++i) {
        bytes[sizeof value - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return bytes;
}

const char* const kMap = R"(- name: temp_abcd
  slave: 1
  address: 0
  data_type: float32
- name: temp_cdab
  address: 2
  data_type: float32
  swap: word
- name: flow_badc
  address: 4
  data_type: float32
  swap: byte
- name: level_dcba
  address: 6
  data_type: float32
  byte_order: DCBA
- name: delta
  address: 8
  data_type: int32
- name: energy
  address: 10
  data_type: uint32
  swap: word
- name: big
  address: 12
  data_type: int64
- name: scaled
  address: 16
  data_type: int16
  scale: 0.1
  precision: 1
  unit_of_measurement: "degC"
- name: tag
  address: 17
  data_type: string
  count: 2
- name: pi
  address: 20
  data_type: float64
- name: running
  input_type: coil
  address: 3
)";

}  // namespace

class TypedValues : public InTempDirectory {};

TEST_F(TypedValues, EachPlantedValueDecodesExactly) {
    Bytes registers;
    Put(registers, BigEndianOf(21.5f), "ABCD");
    Put(registers, BigEndianOf(-3.25f), "CDAB");
    Put(registers, BigEndianOf(1013.25f), "BADC");
    Put(registers, BigEndianOf(0.125f), "DCBA");
    Put(registers, BigEndianOf(int32_t{-123456}), "ABCD");
    Put(registers, BigEndianOf(uint32_t{3000000000u}), "CDAB");
    Put(registers, BigEndianOf(int64_t{-9876543210}), "ABCD");
    Put(registers, BigEndianOf(int16_t{-215}), "ABCD");
    Put(registers, {'P', 'U', 'M', 'P'}, "ABCD");
    Put(registers, {0, 0}, "ABCD");  // 40020, in no entry
    Put(registers, BigEndianOf(3.141592653589793), "ABCD");
    ASSERT_EQ(registers.size(), 48u);
    Bytes response = {0x03, 48};
    response.insert(response.end(), registers.begin(), registers.end());

    TrafficConnection connection{"10.0.0.9", 40000};
    ModbusTraffic traffic;
    traffic.Request(connection, 0, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 24}, 1))
        .Response(connection, 5, ModbusTcpAdu(1, response, 1))
        .Request(connection, 10, ModbusTcpAdu(1, {0x01, 0x00, 0x00, 0x00, 0x08}, 2))
        .Response(connection, 15, ModbusTcpAdu(1, {0x01, 0x01, 0x08}, 2));
    WriteFile("plant.pcap", traffic.Build());
    WriteFile("map.yaml", Bytes(kMap, kMap + std::strlen(kMap)));

    auto map = std::make_shared<RegisterMap>();
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadRegisterMap("map.yaml", *map, error, warnings)) << error;
    FakeHost host;
    FakePlatform platform;
    host.inputPath = "plant.pcap";
    host.options = AnalysisOptions();
    host.options.registerMap = map;
    host.options.transactionLog = "log.jsonl";
    ASSERT_EQ(RunAnalysis(host, platform), AnalysisResult::Completed);

    std::map<std::string, Json> byName;
    std::istringstream lines(ReadFileText("log.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        const Json parsed = Json::parse(line);
        for (const Json& value : parsed["values"]) {
            byName[value["name"].get<std::string>()] = value;
        }
    }
    const std::map<std::string, double> numbers = {
        {"temp_abcd", 21.5},    {"temp_cdab", -3.25}, {"flow_badc", 1013.25},
        {"level_dcba", 0.125},  {"delta", -123456},   {"energy", 3000000000.0},
        {"big", -9876543210.0}, {"scaled", -21.5},    {"pi", 3.141592653589793},
        {"running", 1},
    };
    for (const auto& expected : numbers) {
        ASSERT_TRUE(byName.count(expected.first)) << expected.first;
        EXPECT_EQ(byName[expected.first]["value"].get<double>(), expected.second) << expected.first;
    }
    EXPECT_EQ(byName["tag"]["text"], "PUMP");
    EXPECT_EQ(byName["scaled"]["unit"], "degC");
    EXPECT_EQ(byName["energy"]["reference"], 40011);
    EXPECT_EQ(byName["running"]["reference"], 4);
}
