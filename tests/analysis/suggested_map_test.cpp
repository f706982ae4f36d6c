// The suggested register map of a crafted capture: 60 polls of a device whose registers hold
// planted float32, uint32 and int32 values in all four orders (negative int32s whose high word
// stays FFFF among them), 16-bit ramps and counters side by side, constants and plain words,
// besides coils, input registers, a write and a second server. The expectations follow from
// the values planted below.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"

namespace {

constexpr int kPolls = 60;
constexpr double kPi = 3.14159265358979;

enum class Kind { Float32, Uint32, Int32 };
const char* const kKindNames[] = {"float32", "uint32", "int32"};
// The four bytes of a value, A the most significant, in the order each swap sends them.
const char* const kSwapNames[] = {"none", "word", "byte", "word_byte"};
const int kSentBytes[4][4] = {{0, 1, 2, 3}, {2, 3, 0, 1}, {1, 0, 3, 2}, {3, 2, 1, 0}};
enum Swap { kNone, kWord, kByte, kWordByte };

struct Planted {
    uint16_t address;
    Kind kind;
    Swap swap;
    double (*value)(int poll);
};

// A plain word at 35 moves smoothly just before the first negative int32, whose high word (FFFF)
// would also pair with it word-swapped.
const Planted kPlanted[] = {
    {0, Kind::Float32, kNone, [](int i) { return 22.5 + 2.5 * std::sin(2 * kPi * i / 60); }},
    {2, Kind::Float32, kWord, [](int i) { return 1.1 + 0.1 * std::sin(2 * kPi * i / 45 + 1); }},
    {4, Kind::Float32, kByte, [](int i) { return 12 + 3 * std::sin(2 * kPi * i / 50 + 2); }},
    {6, Kind::Float32, kWordByte, [](int i) { return 0.75 + 0.2 * std::cos(2 * kPi * i / 40); }},
    {8, Kind::Float32, kNone, [](int i) { return -3 + 8 * std::sin(2 * kPi * i / 60 + 0.5); }},
    {10, Kind::Float32, kWord, [](int i) { return 50 + 0.05 * std::sin(2 * kPi * i / 30); }},
    {12, Kind::Uint32, kNone, [](int i) { return 100000.0 + 1700 * i; }},
    {14, Kind::Uint32, kWord, [](int i) { return 250000 + 2100 * i + 300 * std::sin(i / 5.0); }},
    {16, Kind::Uint32, kByte, [](int i) { return 180000.0 + 1900 * i; }},
    {18, Kind::Uint32, kWordByte, [](int i) { return 500000.0 + 1800 * i; }},
    {20, Kind::Int32, kNone, [](int i) { return 5000 * std::sin(2 * kPi * i / 60); }},
    {22, Kind::Int32, kWord, [](int i) { return -2000 + 4000 * std::sin(2 * kPi * i / 50); }},
    {24, Kind::Int32, kByte, [](int i) { return 3000 * std::cos(2 * kPi * i / 40); }},
    {26, Kind::Int32, kWordByte, [](int i) { return 1500 * std::sin(2 * kPi * i / 30 + 1); }},
    // Byte-swapped floats: a slow ramp, a small value, a negative one.
    {28, Kind::Float32, kByte, [](int i) { return 20 + 0.01 * i; }},
    {30, Kind::Float32, kByte, [](int i) { return 0.012 + 0.001 * std::sin(i / 5.0); }},
    {32, Kind::Float32, kWordByte, [](int i) { return -15.5 + 0.4 * std::sin(i / 6.0); }},
    // Negative int32s between -65536 and -1: the high word stays FFFF.
    {36, Kind::Int32, kNone, [](int i) { return -2000 + 500 * std::sin(i / 8.0); }},
    {38, Kind::Int32, kByte, [](int i) { return -30 + 20 * std::sin(i / 7.0); }},
    {40, Kind::Int32, kWord, [](int i) { return -1200 + 800 * std::cos(i / 9.0); }},
    {42, Kind::Int32, kWordByte, [](int i) { return -40000 + 9000 * std::sin(i / 8.0); }},
    {44, Kind::Uint32, kByte, [](int i) { return 70000.0 + 9000 * i; }},
};

struct PlainWord {
    uint16_t address;
    uint16_t (*value)(int poll);
};

uint16_t Word(double value) {
    return static_cast<uint16_t>(static_cast<int64_t>(std::lround(value)));
}

const PlainWord kPlainWords[] = {
    {34, [](int) { return Word(7); }},
    {35, [](int i) { return Word(2300 + 50 * std::sin(i / 7.0)); }},
    // Ramps and counters side by side, each word on its own (a 16-bit word wraps at 65536):
    // two ramps up, a ramp up and one down, two counters of uneven steps, a slow counter and a
    // fast ramp.
    {46, [](int i) { return Word(3000 * i); }},
    {47, [](int i) { return Word(5000 + 1000 * i); }},
    {48, [](int i) { return Word(700 * i + 100); }},
    {49, [](int i) { return Word(60000 - 1300 * i); }},
    {50, [](int i) { return Word(500 * i + 400 * (i / 3)); }},
    {51, [](int i) { return Word(i * 900 + (i % 3) * 200); }},
    {52, [](int i) { return Word(100 + i); }},
    {53, [](int i) { return Word(2200 * i); }},
    // Counters, constants and values moving within a band.
    {54, [](int i) { return Word(100 + i); }},
    {55, [](int) { return Word(1234); }},
    {56, [](int i) { return Word(2300 + 50 * std::sin(i / 7.0)); }},
    {57, [](int) { return Word(0); }},
    {58, [](int i) { return Word(7 * i); }},
    {59, [](int i) { return Word(500 + 100 * std::cos(i / 9.0)); }},
    {60, [](int i) { return Word(40 + i % 3); }},
};
constexpr uint8_t kRegisters = 61;

uint32_t Bits(Kind kind, double value) {
    if (kind == Kind::Float32) {
        const float single = static_cast<float>(value);
        uint32_t bits;
        std::memcpy(&bits, &single, sizeof bits);
        return bits;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(std::lround(value)));
}

Bytes PolledWords(int poll) {
    Bytes bytes(2 * kRegisters);
    for (const Planted& p : kPlanted) {
        const uint32_t bits = Bits(p.kind, p.value(poll));
        for (int i = 0; i < 4; ++i) {
            bytes[2 * p.address + i] =
                static_cast<uint8_t>(bits >> (24 - 8 * kSentBytes[p.swap][i]));
        }
    }
    for (const PlainWord& w : kPlainWords) {
        bytes[2 * w.address] = static_cast<uint8_t>(w.value(poll) >> 8);
        bytes[2 * w.address + 1] = static_cast<uint8_t>(w.value(poll));
    }
    return bytes;
}

// A read response: function, byte count, the words.
Bytes ReadResponse(uint8_t function, const Bytes& words) {
    Bytes pdu(2 + words.size());
    pdu[0] = function;
    pdu[1] = static_cast<uint8_t>(words.size());
    std::copy(words.begin(), words.end(), pdu.begin() + 2);
    return pdu;
}

Bytes MapCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    TrafficConnection b{"10.0.0.9", 40001, "10.0.0.6"};
    ModbusTraffic t;
    uint16_t id = 1;
    for (int i = 0; i < kPolls; ++i, id += 3) {
        const int ms = 1000 * i;
        t.Request(a, ms, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, kRegisters}, id));
        t.Response(a, ms + 5, ModbusTcpAdu(1, ReadResponse(0x03, PolledWords(i)), id));
        // Coils 1-4 and, on unit 2, input registers 30001-30002 (constant).
        t.Request(a, ms + 10, ModbusTcpAdu(1, {0x01, 0x00, 0x00, 0x00, 0x04}, id + 1));
        t.Response(a, ms + 15, ModbusTcpAdu(1, {0x01, 0x01, static_cast<uint8_t>(i % 16)}, id + 1));
        t.Request(a, ms + 20, ModbusTcpAdu(2, {0x04, 0x00, 0x00, 0x00, 0x02}, id + 2));
        t.Response(a, ms + 25, ModbusTcpAdu(2, {0x04, 0x04, 0x00, 0x11, 0x00, 0x22}, id + 2));
    }
    // 40101 written only; the second server read once.
    t.Request(a, 61000, ModbusTcpAdu(1, {0x06, 0x00, 0x64, 0x00, 0x01}, 999));
    t.Response(a, 61005, ModbusTcpAdu(1, {0x06, 0x00, 0x64, 0x00, 0x01}, 999));
    t.Request(b, 62000, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, 1));
    t.Response(b, 62005, ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}, 1));
    return t.Build();
}

// The entries of the map by name: each key to its value, a comment kept apart under "#".
using YamlEntry = std::map<std::string, std::string>;

std::map<std::string, YamlEntry> ParseEntries(const std::string& text) {
    std::map<std::string, YamlEntry> entries;
    std::istringstream lines(text);
    YamlEntry entry;
    auto flush = [&] {
        if (!entry.empty()) {
            entries[entry["name"]] = entry;
        }
        entry.clear();
    };
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.back(), '\r') << line;
        line.pop_back();
        if (line.rfind("- ", 0) == 0) {
            flush();
            line = "  " + line.substr(2);
        }
        if (line.rfind("  ", 0) != 0) {
            continue;  // the leading comment
        }
        const size_t colon = line.find(": ");
        std::string value = line.substr(colon + 2);
        const size_t comment = value.find("  # ");
        if (comment != std::string::npos) {
            entry["#"] = value.substr(comment + 4);
            value.erase(comment);
        }
        entry[line.substr(2, colon - 2)] = value;
    }
    flush();
    return entries;
}

class SuggestedMap : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        WriteFile("plant.pcap", MapCapture());
        host_.inputPath = "plant.pcap";
        host_.options = AnalysisOptions();
        host_.options.suggestMap = "map.yaml";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        text_ = ReadFileText("map.yaml");
        entries_ = ParseEntries(text_);
    }

    const YamlEntry& Entry(const std::string& name) {
        static const YamlEntry none;
        const auto found = entries_.find("ip10_0_0_5_502_" + name);
        EXPECT_NE(found, entries_.end()) << name;
        return found == entries_.end() ? none : found->second;
    }

    FakeHost host_;
    FakePlatform platform_;
    std::string text_;
    std::map<std::string, YamlEntry> entries_;
};

}  // namespace

// Recovered: the entry at the planted address has the planted data_type and swap. False: any
// other entry of unit 1's holding registers with a 32-bit data_type.
TEST_F(SuggestedMap, RecoversEveryPlantedValueAndProposesNoOther) {
    int recovered = 0;
    for (const Planted& p : kPlanted) {
        const YamlEntry& entry = Entry("u1_hr_" + std::to_string(40001 + p.address));
        const std::string swap = entry.count("swap") ? entry.at("swap") : "none";
        const bool right = entry.count("data_type") &&
                           entry.at("data_type") == kKindNames[static_cast<int>(p.kind)] &&
                           swap == kSwapNames[p.swap];
        EXPECT_TRUE(right) << p.address << ": "
                           << (entry.count("data_type") ? entry.at("data_type") : "") << " "
                           << swap;
        recovered += right ? 1 : 0;
        if (right) {
            const double confidence = std::stod(entry.at("#").substr(std::strlen("confidence ")));
            EXPECT_GT(confidence, 0.5) << p.address;
            EXPECT_LE(confidence, 1.0) << p.address;
            // The second word is part of the value, not an entry of its own.
            EXPECT_EQ(entries_.count("ip10_0_0_5_502_u1_hr_" + std::to_string(40002 + p.address)),
                      0u);
        }
    }
    int proposed = 0;
    for (const auto& [name, entry] : entries_) {
        const std::string type = entry.count("data_type") ? entry.at("data_type") : "";
        proposed += type == "float32" || type == "uint32" || type == "int32" ? 1 : 0;
    }
    const int planted = static_cast<int>(std::size(kPlanted));
    const int falseProposals = proposed - recovered;
    std::cout << "recovered " << recovered << " of " << planted << " planted 32-bit values, "
              << falseProposals << " false 32-bit proposals\n";
    EXPECT_EQ(recovered, planted);
    EXPECT_EQ(falseProposals, 0);
}

TEST_F(SuggestedMap, RampsCountersConstantsAndPlainWordsStayWords) {
    for (const PlainWord& w : kPlainWords) {
        const YamlEntry& entry = Entry("u1_hr_" + std::to_string(40001 + w.address));
        EXPECT_EQ(entry.count("data_type") ? entry.at("data_type") : "", "uint16") << w.address;
        EXPECT_EQ(entry.count("swap"), 0u) << w.address;
        EXPECT_EQ(entry.count("#"), 0u) << w.address;
    }
    EXPECT_EQ(Entry("u2_ir_30001").at("data_type"), "uint16");
    EXPECT_EQ(Entry("u2_ir_30002").at("input_type"), "input");
}

TEST_F(SuggestedMap, ListsEveryServerUnitTableAndAddressReadOrWritten) {
    // Coils 1-4, unit 1's registers and its written 40101, unit 2's two, the other server's.
    EXPECT_EQ(entries_.size(), 4u + kRegisters - std::size(kPlanted) + 1u + 2u + 1u);
    for (int coil = 1; coil <= 4; ++coil) {
        const YamlEntry& entry = Entry("u1_co_" + std::to_string(coil));
        EXPECT_EQ(entry.at("input_type"), "coil");
        EXPECT_EQ(entry.at("address"), std::to_string(coil - 1));
        EXPECT_EQ(entry.count("data_type"), 0u);
    }
    EXPECT_EQ(Entry("u1_hr_40101").at("address"), "100");
    EXPECT_EQ(entries_.at("ip10_0_0_6_502_u1_hr_40001").at("host"), "\"10.0.0.6:502\"");
    // Each entry as --map reads it, in the keys of Home Assistant's Modbus integration.
    EXPECT_NE(text_.find("- name: ip10_0_0_5_502_u1_hr_40003\r\n"
                         "  host: \"10.0.0.5:502\"\r\n"
                         "  slave: 1\r\n"
                         "  input_type: holding\r\n"
                         "  address: 2\r\n"
                         "  data_type: float32  # confidence 0."),
              std::string::npos)
        << text_;
    EXPECT_EQ(text_.rfind("# ", 0), 0u);
}

// Values that move steadily, rising and falling, in every order Home Assistant names: floats
// by small and by large steps (more than 32767 units in the last place a poll), unsigned
// integers whose high word carries by small and by large steps, and integers whose high word is
// held beside a low word that climbs or falls: FFFE (a negative number far from zero) and 0001.
// Beside them, in a read of their own, ramps and counters side by side.
namespace {

struct SteadyKind {
    const char* what;
    Kind kind;
    double lowest;  // rising from here, falling to here
    double step;    // a poll
};

const SteadyKind kSteadyKinds[] = {
    {"float32 by small steps", Kind::Float32, 40, 0.05},
    {"float32 by large steps", Kind::Float32, 3, 0.03},  // 125829 units in the last place
    {"uint32 carrying", Kind::Uint32, 300000, 1234},
    {"uint32 carrying by large steps", Kind::Uint32, 3000000, 45000},
    {"int32 held at FFFE", Kind::Int32, -131072 + 5000, 900},
    {"uint32 held at 0001", Kind::Uint32, 65536 + 5000, 900},
};
constexpr int kDirections = 2;  // rising, falling
constexpr int kSteadyValues = std::size(kSteadyKinds) * kDirections * 4;

struct SteadyValue {
    const SteadyKind* kind;
    Swap swap;
    bool falling;
    uint16_t address;
};

std::vector<SteadyValue> SteadyValues() {
    std::vector<SteadyValue> values;
    for (const SteadyKind& kind : kSteadyKinds) {
        for (int direction = 0; direction < kDirections; ++direction) {
            for (Swap swap : {kNone, kWord, kByte, kWordByte}) {
                values.push_back(
                    {&kind, swap, direction == 1, static_cast<uint16_t>(2 * values.size())});
            }
        }
    }
    return values;
}

double SteadyValueAt(const SteadyValue& v, int poll) {
    const int steps = v.falling ? kPolls - 1 - poll : poll;
    return v.kind->lowest + v.kind->step * steps;
}

// Each pair of words moves on its own, read at 200 onwards.
const PlainWord kSideBySide[] = {
    {200, [](int i) { return Word(16000 + i); }},  // two counters in step
    {201, [](int i) { return Word(16000 + i); }},
    {202, [](int i) { return Word(0x4400 + i); }},  // a slow counter, a ramp of large steps
    {203, [](int i) { return Word(40000 * i); }},
    {204, [](int i) { return Word(100 + 3 * i); }},  // a counter, a ramp
    {205, [](int i) { return Word(500 + 1000 * i); }},
    {206, [](int i) { return Word(60000 - 900 * i); }},  // a ramp down, a counter
    {207, [](int i) { return Word(7 * i); }},
    {208, [](int i) { return Word(1 + i / 10); }},  // a counter that steps now and then, a ramp
    {209, [](int i) { return Word(700 * i); }},
    {210, [](int i) { return Word(3000 * i); }},  // two ramps
    {211, [](int i) { return Word(5000 + 1000 * i); }},
};
constexpr uint8_t kSideBySideWords = std::size(kSideBySide);

Bytes SteadyWords(int poll) {
    Bytes bytes(4 * kSteadyValues);  // two registers a value
    for (const SteadyValue& v : SteadyValues()) {
        const uint32_t bits = Bits(v.kind->kind, SteadyValueAt(v, poll));
        for (int i = 0; i < 4; ++i) {
            bytes[2 * v.address + i] =
                static_cast<uint8_t>(bits >> (24 - 8 * kSentBytes[v.swap][i]));
        }
    }
    return bytes;
}

Bytes SideBySideWords(int poll) {
    Bytes bytes;
    for (const PlainWord& w : kSideBySide) {
        bytes.push_back(static_cast<uint8_t>(w.value(poll) >> 8));
        bytes.push_back(static_cast<uint8_t>(w.value(poll)));
    }
    return bytes;
}

Bytes SteadyCapture() {
    TrafficConnection a{"10.0.0.9", 40000};
    ModbusTraffic t;
    uint16_t id = 1;
    for (int i = 0; i < kPolls; ++i, id += 2) {
        const int ms = 1000 * i;
        t.Request(a, ms, ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 2 * kSteadyValues}, id));
        t.Response(a, ms + 5, ModbusTcpAdu(1, ReadResponse(0x03, SteadyWords(i)), id));
        t.Request(a, ms + 10, ModbusTcpAdu(1, {0x03, 0x00, 200, 0x00, kSideBySideWords}, id + 1));
        t.Response(a, ms + 15, ModbusTcpAdu(1, ReadResponse(0x03, SideBySideWords(i)), id + 1));
    }
    return t.Build();
}

class SuggestedSteadyMap : public InTempDirectory {};

}  // namespace

TEST_F(SuggestedSteadyMap, RecoversEveryOrderRisingAndFallingAndNoRampsSideBySide) {
    WriteFile("steady.pcap", SteadyCapture());
    AnalysisOptions options;
    options.suggestMap = "map.yaml";
    ASSERT_EQ(RunAnalysisOf("steady.pcap", options), AnalysisResult::Completed);
    const std::map<std::string, YamlEntry> entries = ParseEntries(ReadFileText("map.yaml"));
    int recovered = 0;
    for (const SteadyValue& v : SteadyValues()) {
        const auto found = entries.find("u1_hr_" + std::to_string(40001 + v.address));
        ASSERT_NE(found, entries.end()) << v.address;
        const YamlEntry& entry = found->second;
        const std::string type = entry.count("data_type") ? entry.at("data_type") : "";
        const std::string swap = entry.count("swap") ? entry.at("swap") : "none";
        const bool right =
            type == kKindNames[static_cast<int>(v.kind->kind)] && swap == kSwapNames[v.swap];
        EXPECT_TRUE(right) << v.kind->what << (v.falling ? " falling" : " rising") << ", swap "
                           << kSwapNames[v.swap] << ": " << type << " " << swap;
        recovered += right ? 1 : 0;
    }
    int proposed = 0;
    for (const auto& [name, entry] : entries) {
        const std::string type = entry.count("data_type") ? entry.at("data_type") : "";
        proposed += type == "float32" || type == "uint32" || type == "int32" ? 1 : 0;
    }
    for (const PlainWord& w : kSideBySide) {
        const YamlEntry& entry = entries.at("u1_hr_" + std::to_string(40001 + w.address));
        EXPECT_EQ(entry.at("data_type"), "uint16") << w.address;
    }
    std::cout << "recovered " << recovered << " of " << kSteadyValues << " steady 32-bit values, "
              << proposed - recovered << " false 32-bit proposals\n";
    EXPECT_EQ(recovered, kSteadyValues);
    EXPECT_EQ(proposed, recovered);
}
