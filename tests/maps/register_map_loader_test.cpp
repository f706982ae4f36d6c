// Register maps in every shape load the same entries; a bad map gives one message that points
// at the file, line, column and key; overlapping entries only warn.

#include "maps/register_map_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/test_environment.h"

namespace {

using MapLoading = InTempDirectory;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool IsYamlName(const std::string& path) {
    return path.find(".csv") == std::string::npos;
}

// Everything an entry says but its line, which differs between the shapes.
std::string Described(const MapEntry& e) {
    std::ostringstream text;
    text << e.name << " | " << PointTableName(e.table) << " " << e.address << " unit "
         << (e.unit ? std::to_string(*e.unit) : "any") << " host '" << e.host << "' "
         << MapDataTypeName(e.type) << " x" << e.count << " " << ByteOrderName(e.order) << " *"
         << e.scale << " +" << e.offset << " precision "
         << (e.precision ? std::to_string(*e.precision) : "none") << " '" << e.unitOfMeasurement
         << "'";
    return text.str();
}

const std::vector<std::string> kPlantEntries = {
    "Voltage | holding_registers 100 unit 1 host '10.0.0.5:502' float32 x2 CDAB *0.1 +0 "
    "precision 1 'V'",
    "Serial, \"main\" | input_registers 16 unit 1 host '10.0.0.5:502' string x4 ABCD *1 +0 "
    "precision none ''",
    "Temperature | holding_registers 200 unit any host '10.0.0.5:502' int16 x1 BADC *1 +-40 "
    "precision none ''",
    "Pump | coils 4 unit 1 host '10.0.0.5:502' bit x1 ABCD *1 +0 precision none ''",
};

struct GoodMap {
    const char* file;
    const char* text;
};

const GoodMap kGoodMaps[] = {
    {"list.yaml",
     "- name: Voltage\n"
     "  address: 100\n"
     "  slave: 1\n"
     "  host: 10.0.0.5:502\n"
     "  data_type: float32\n"
     "  swap: word\n"
     "  scale: 0.1\n"
     "  precision: 1\n"
     "  unit_of_measurement: V\n"
     "- name: 'Serial, \"main\"'\n"
     "  reference: 30017\n"
     "  input_type: input\n"
     "  device_address: 1\n"
     "  host: 10.0.0.5:502\n"
     "  data_type: string\n"
     "  count: 4\n"
     "- {name: Temperature, address: 0xC8, host: '10.0.0.5:502', byte_order: BADC, offset: -40}\n"
     "- {name: Pump, input_type: coil, address: 4, slave: 1, host: '10.0.0.5:502'}\n"},
    {"sensors.yml",
     "sensors:\n"
     "  - {name: Voltage, address: 100, slave: 1, host: '10.0.0.5:502', data_type: float32,\n"
     "     swap: word, scale: 0.1, precision: 1, unit_of_measurement: V}\n"
     "  - {name: 'Serial, \"main\"', reference: 300017, slave: 1, host: '10.0.0.5:502',\n"
     "     data_type: string, count: 4}\n"
     "  - {name: Temperature, address: 200, host: '10.0.0.5:502', swap: byte, offset: -40}\n"
     "binary_sensors:\n"
     "  - {name: Pump, address: 4, slave: 1, host: '10.0.0.5:502'}\n"},
    {"configuration.yaml",
     "homeassistant:\n"
     "  name: Plant\n"
     "modbus:\n"
     "  - name: hub1\n"
     "    type: tcp\n"
     "    host: 10.0.0.5\n"
     "    port: 502\n"
     "    delay: 0\n"
     "    sensors:\n"
     "      - name: Voltage\n"
     "        address: 100\n"
     "        slave: 1\n"
     "        data_type: float32\n"
     "        swap: word\n"
     "        scale: 0.1\n"
     "        precision: 1\n"
     "        unit_of_measurement: V\n"
     "        device_class: voltage\n"
     "        scan_interval: 10\n"
     "      - name: 'Serial, \"main\"'\n"
     "        address: 16\n"
     "        input_type: input\n"
     "        slave: 1\n"
     "        data_type: string\n"
     "        count: 4\n"
     "      - name: Temperature\n"
     "        address: 200\n"
     "        swap: byte\n"
     "        offset: -40\n"
     "        state_class: measurement\n"
     "    binary_sensors:\n"
     "      - name: Pump\n"
     "        address: 4\n"
     "        slave: 1\n"
     "        device_class: running\n"},
    {"map.csv",
     "name,address,reference,input_type,slave,host,data_type,count,swap,byte_order,scale,offset,"
     "precision,unit_of_measurement\r\n"
     "Voltage,100,,,1,10.0.0.5:502,float32,,word,,0.1,,1,V\r\n"
     "\r\n"
     "\"Serial, \"\"main\"\"\",,30017,input,1,10.0.0.5:502,string,4,,,,,,\r\n"
     "Temperature,0xC8,,,,10.0.0.5:502,,,,BADC,,-40,,\r\n"
     "Pump,4,,coil,1,10.0.0.5:502,,,,,,,,\r\n"},
};

}  // namespace

TEST_F(MapLoading, EveryShapeLoadsTheSameEntries) {
    for (const GoodMap& good : kGoodMaps) {
        if (!ZEP_WITH_YAML && IsYamlName(good.file)) {
            continue;
        }
        WriteText(good.file, good.text);
        RegisterMap map;
        std::string error;
        std::vector<std::string> warnings;
        ASSERT_TRUE(LoadRegisterMap(good.file, map, error, warnings)) << error;
        std::vector<std::string> described;
        for (const MapEntry& entry : map.entries) {
            described.push_back(Described(entry));
        }
        EXPECT_EQ(described, kPlantEntries) << good.file;
        EXPECT_TRUE(warnings.empty()) << good.file;
    }
}

namespace {

struct BadMap {
    const char* file;
    const char* text;  // nullptr: `file` is a directory; "": none is written
    const char* message;
};

const BadMap kBadMaps[] = {
    {"map.yaml", "- name: A\n  address: 1\n  data_typ: int16\n",
     "map.yaml:3:3: unknown key 'data_typ' (did you mean 'data_type'?)"},
    {"map.yaml", "- name: A\n  address: 1\n  data_type: float16\n",
     "map.yaml:3:14: unknown data_type 'float16' (one of int16, uint16, int32, uint32, int64, "
     "uint64, float32, float64, string)"},
    {"map.yaml", "- name: A\n  address: 1\n  data_type: int32\n  count: 4\n",
     "map.yaml:4:10: count 4 for int32, which takes 2 register(s): count is for strings"},
    {"map.yaml", "- name: A\n  reference: 50001\n",
     "map.yaml:2:14: reference '50001' is out of range (1-9999, 10001-19999, 30001-39999, "
     "40001-49999, or six digits up to 065536, 165536, 365536, 465536)"},
    {"map.yaml", "- name: A\n  reference: 30001\n  input_type: holding\n",
     "map.yaml:3:15: input_type 'holding' disagrees with reference 30001 (input_registers)"},
    {"map.yaml", "- name: A\n  address: 65535\n  data_type: float32\n",
     "map.yaml:2:12: address 65535 with 2 registers runs past 65535"},
    {"map.yaml", "- name: A\n  address: 1\n  swap: word\n  byte_order: ABCD\n  data_type: int32\n",
     "map.yaml:4:15: byte_order 'ABCD' disagrees with swap 'word' (CDAB)"},
    {"map.yaml", "- name: A\n- address: 1\n",
     "map.yaml:1:3: an entry needs 'address' or 'reference'"},
    {"map.yaml", "- address: 1\n", "map.yaml:1:3: an entry needs 'name'"},
    {"map.yaml", "modbus:\n  - host: 10.0.0.5\n    sensor: []\n",
     "map.yaml:3:5: unknown key 'sensor' (did you mean 'sensors'?)"},
    {"map.csv", "name,adress\nA,1\n",
     "map.csv:1:6: unknown key 'adress' (did you mean 'address'?)"},
    // As a spreadsheet with a decimal comma saves it.
    {"map.csv", "name;address;slave\r\nA;1;1\r\n",
     "map.csv:1:1: the map's columns are separated by semicolons; use commas"},
    {"map.yaml", "switches:\n  - {name: A, address: 1, write_type: register}\n",
     "map.yaml:2:39: unknown write_type 'register' (one of holding, holdings, coil, coils)"},
    {"map.yaml", "sensors:\n  - {name: A, address: 1, write_type: coil}\n",
     "map.yaml:2:27: unknown key 'write_type'"},
    {"map.csv", "name,address,data_type\r\n\"Two\nlines\",1,int8\r\n",
     "map.csv:3:10: unknown data_type 'int8' (one of int16, uint16, int32, uint32, int64, uint64, "
     "float32, float64, string)"},
    {"map.yaml", "- name: A\n  address: 1\n  input_type: coil\n  data_type: int16\n",
     "map.yaml:4:14: data_type 'int16' does not apply to a coil or discrete input (one bit)"},
    {"map.csv", "name,address,swap\nA,1,word\n",
     "map.csv:2:5: swap 'word' swaps words, but int16 takes one register"},
    {"map.csv", "name,address,data_type\nA,1,string\n",
     "map.csv:2:1: a string needs 'count' (its registers)"},
    {"map.yaml", "# nothing here\n", "map.yaml: the register map has no entries"},
    {"maps", nullptr, "maps: is a directory, not a register map"},
    {"absent.yaml", "", "absent.yaml: cannot be opened: No such file or directory"},
};

}  // namespace

TEST_F(MapLoading, BadMapsGiveOneMessage) {
    for (const BadMap& bad : kBadMaps) {
        if (!ZEP_WITH_YAML && bad.text != nullptr && *bad.text != '\0' && IsYamlName(bad.file)) {
            continue;
        }
        std::filesystem::remove_all(bad.file);
        if (bad.text == nullptr) {
            std::filesystem::create_directory(bad.file);
        } else if (*bad.text != '\0') {
            WriteText(bad.file, bad.text);
        }
        RegisterMap map;
        map.entries.resize(1);
        std::string error;
        std::vector<std::string> warnings;
        EXPECT_FALSE(LoadRegisterMap(bad.file, map, error, warnings));
        EXPECT_EQ(error, bad.message);
        EXPECT_EQ(map.entries.size(), 1u) << "the map is left as it was";
    }
}

TEST_F(MapLoading, YamlSyntaxErrorNamesItsLine) {
    // The fifth line's key is indented under the scalar of the fourth.
    WriteText("map.yaml",
              "- name: A\n  address: 1\n- name: B\n  address: 2\n    data_type: int16\n");
    RegisterMap map;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(LoadRegisterMap("map.yaml", map, error, warnings));
    if (ZEP_WITH_YAML) {
        EXPECT_EQ(error.rfind("map.yaml:5:", 0), 0u) << error;
        EXPECT_NE(error.find(": YAML syntax error: "), std::string::npos) << error;
    } else {
        EXPECT_EQ(error, "map.yaml: this build reads register maps as CSV only (a .csv file)");
    }
}

TEST_F(MapLoading, OverlapsOnlyWarn) {
    WriteText("map.csv",
              "name,address,data_type,slave,input_type\n"
              "Power,10,float32,,\n"
              "Power low word,11,,,\n"
              "Other unit,10,,2,\n"
              "A coil,10,,,coil\n"
              "Power again,9,uint32,,\n");
    RegisterMap map;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadRegisterMap("map.csv", map, error, warnings)) << error;
    EXPECT_EQ(map.entries.size(), 5u);
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "map.csv:2: warning: 'Power' overlaps 'Power again' (line 6) at "
                            "holding_registers 10-10",
                            "map.csv:3: warning: 'Power low word' overlaps 'Power' (line 2) at "
                            "holding_registers 11-11",
                        }));
}

TEST_F(MapLoading, SwitchesAreReadFromTheTableTheyWrite) {
    if (!ZEP_WITH_YAML) {
        return;
    }
    // Home Assistant writes a switch to a holding register unless write_type says coil; what it
    // writes and reads back to verify says nothing about the point itself.
    WriteText("configuration.yaml",
              "modbus:\n"
              "  - name: hub1\n"
              "    type: tcp\n"
              "    host: 10.0.0.5\n"
              "    port: 502\n"
              "    switches:\n"
              "      - name: Relay\n"
              "        slave: 1\n"
              "        address: 3\n"
              "        write_type: coil\n"
              "        command_on: 1\n"
              "        command_off: 0\n"
              "      - name: Heater\n"
              "        device_address: 2\n"
              "        address: 7\n"
              "        command_on: 0xFF\n"
              "        verify:\n"
              "          address: 8\n"
              "          input_type: holding\n"
              "          state_on: [1, 2]\n"
              "      - {name: Valves, address: 20, write_type: coils, verify: }\n"
              "      - {name: Setpoint, address: 30, write_type: holdings}\n");
    RegisterMap map;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadRegisterMap("configuration.yaml", map, error, warnings)) << error;
    std::vector<std::string> described;
    for (const MapEntry& entry : map.entries) {
        described.push_back(Described(entry));
    }
    EXPECT_EQ(described,
              (std::vector<std::string>{
                  "Relay | coils 3 unit 1 host '10.0.0.5:502' bit x1 ABCD *1 +0 precision none ''",
                  "Heater | holding_registers 7 unit 2 host '10.0.0.5:502' uint16 x1 ABCD *1 +0 "
                  "precision none ''",
                  "Valves | coils 20 unit any host '10.0.0.5:502' bit x1 ABCD *1 +0 precision "
                  "none ''",
                  "Setpoint | holding_registers 30 unit any host '10.0.0.5:502' uint16 x1 ABCD "
                  "*1 +0 precision none ''",
              }));
}
