// The live view: crafted captures run through the plant stage into --top's table. What each
// device must show follows from the frames below; the order from what needs attention.

#include "views/top_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "plant/recent_rate.h"
#include "tests/support/modbus_traffic.h"
#include "tests/support/test_environment.h"
#include "views/top_table.h"

namespace {

class FakeScreen : public TopScreen {
public:
    bool IsTerminal() const override { return terminal; }
    ScreenSize Size() const override { return size; }
    bool Write(const std::string& bytes) override {
        written += bytes;
        return true;
    }

    bool terminal = false;
    ScreenSize size;
    std::string written;
};

Bytes ReadOne(uint16_t id) {
    return ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, id);
}
Bytes OneRegister(uint16_t id, uint8_t value) {
    return ModbusTcpAdu(1, {0x03, 0x02, 0x00, value}, id);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// "10.0.0.5:502  1  0.0  4  0 ..." -> its cells.
std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; in >> cell;) {
        cells.push_back(cell);
    }
    return cells;
}

// The device lines of the final frame: those after the column header up to the first that
// names no device.
std::vector<std::string> DeviceLines(const std::vector<std::string>& frame) {
    std::vector<std::string> devices;
    for (size_t i = 2; i < frame.size() && frame[i].rfind("10.", 0) == 0; ++i) {
        devices.push_back(frame[i]);
    }
    return devices;
}

class TopViewRun : public InTempDirectory {
protected:
    // Runs the capture with --top on the fake screen; the final frame's lines.
    std::vector<std::string> Run(const Bytes& capture) {
        WriteFile("top.pcap", capture);
        host_.inputPath = "top.pcap";
        host_.options = AnalysisOptions();
        host_.options.top = &screen_;
        EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        const size_t final = screen_.written.rfind("zep-modbus-parser --top");
        EXPECT_NE(final, std::string::npos);
        return Lines(screen_.written.substr(final == std::string::npos ? 0 : final));
    }

    FakeHost host_;
    FakePlatform platform_;
    FakeScreen screen_;
};

// Three devices: 10.0.0.5 busy and answering in 4 ms, 10.0.0.6 answering with an exception,
// 10.0.0.7 never answering; a write of 1234 to 40011 on 10.0.0.5.
Bytes ThreeDevices() {
    ModbusTraffic t;
    TrafficConnection busy{"10.0.0.9", 40001, "10.0.0.5"};
    TrafficConnection refusing{"10.0.0.9", 40002, "10.0.0.6"};
    TrafficConnection silent{"10.0.0.9", 40003, "10.0.0.7"};
    for (uint16_t i = 1; i <= 10; ++i) {
        t.Request(busy, i * 100, ReadOne(i)).Response(busy, i * 100 + 4, OneRegister(i, 7));
    }
    t.Request(busy, 1050, ModbusTcpAdu(1, {0x06, 0x00, 0x0A, 0x04, 0xD2}, 50))
        .Response(busy, 1054, ModbusTcpAdu(1, {0x06, 0x00, 0x0A, 0x04, 0xD2}, 50));
    t.Request(refusing, 500, ReadOne(1)).Response(refusing, 503, ModbusTcpAdu(1, {0x83, 0x02}));
    t.Request(silent, 600, ReadOne(1));
    return t.Build();
}

TEST_F(TopViewRun, ShowsEachDeviceWithItsCountsTheUnansweredFirst) {
    const std::vector<std::string> frame = Run(ThreeDevices());
    ASSERT_GE(frame.size(), 5u);
    EXPECT_NE(frame[0].find("3 devices"), std::string::npos) << frame[0];
    EXPECT_EQ(frame[0].rfind("zep-modbus-parser --top (final)", 0), 0u) << frame[0];
    EXPECT_EQ(Cells(frame[1]), (std::vector<std::string>{"DEVICE", "UNIT", "REQ/S", "REQUESTS",
                                                         "UNANS", "EXC", "ANOM", "SLOW", "P50",
                                                         "ms", "P99", "ms", "LAST", "WRITE"}));
    const std::vector<std::string> devices = DeviceLines(frame);
    ASSERT_EQ(devices.size(), 3u);
    // DEVICE UNIT REQ/S REQUESTS UNANS EXC ANOM SLOW P50 P99 [LAST WRITE]
    const std::vector<std::string> silent = Cells(devices[0]);
    const std::vector<std::string> refusing = Cells(devices[1]);
    const std::vector<std::string> busy = Cells(devices[2]);
    ASSERT_EQ(silent.size(), 10u);
    EXPECT_EQ(silent[0], "10.0.0.7:502");
    EXPECT_EQ(silent[3], "1");
    EXPECT_EQ(silent[4], "1");
    EXPECT_EQ(silent[8], "-");  // never answered: no response time
    ASSERT_EQ(refusing.size(), 10u);
    EXPECT_EQ(refusing[0], "10.0.0.6:502");
    EXPECT_EQ(refusing[4], "0");
    EXPECT_EQ(refusing[5], "1");
    ASSERT_GE(busy.size(), 10u);
    EXPECT_EQ(busy[0], "10.0.0.5:502");
    EXPECT_EQ(busy[1], "1");
    EXPECT_EQ(busy[3], "11");
    EXPECT_EQ(busy[4], "0");
    EXPECT_EQ(busy[5], "0");
    EXPECT_EQ(busy[8], "4.0");
    EXPECT_EQ(busy[9], "4.0");
    // Written at 1.050 s after 22:13:20 by 10.0.0.9: 1234 to holding register 40011.
    EXPECT_NE(devices[2].find("22:13:21 10.0.0.9 fc6 40011=1234"), std::string::npos) << devices[2];
    // The unanswered request is the newest anomaly.
    bool listed = false;
    for (const std::string& line : frame) {
        listed = listed || (line.find("10.0.0.7:502 unit 1") != std::string::npos &&
                            line.find("unanswered_request") != std::string::npos);
    }
    EXPECT_TRUE(listed);
}

// 200 devices each asked once and answering, but for the 150th that never answers.
Bytes TwoHundredDevices() {
    ModbusTraffic t;
    for (int i = 0; i < 200; ++i) {
        TrafficConnection c{"10.1.0.1", static_cast<uint16_t>(30000 + i),
                            "10.0." + std::to_string(1 + i / 100) + "." + std::to_string(i % 100)};
        t.Request(c, i * 10, ReadOne(1));
        if (i != 150) {
            t.Response(c, i * 10 + 2, OneRegister(1, 1));
        }
    }
    return t.Build();
}

TEST_F(TopViewRun, TwoHundredDevicesFitTwentyFourRowsTheRestCounted) {
    screen_.size = {24, 200};
    const std::vector<std::string> frame = Run(TwoHundredDevices());
    EXPECT_EQ(frame.size(), 24u);
    const std::vector<std::string> devices = DeviceLines(frame);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(Cells(devices[0])[0], "10.0.2.50:502");
    const std::string rest =
        "... " + std::to_string(200 - devices.size()) + " more devices, all answering";
    ASSERT_GT(frame.size(), devices.size() + 2);
    EXPECT_EQ(frame[devices.size() + 2], rest);
    // The anomalies below the devices are whole: the one unanswered request last.
    EXPECT_NE(frame.back().find("10.0.2.50:502 unit 1  unanswered_request"), std::string::npos)
        << frame.back();
}

TEST_F(TopViewRun, ANarrowTerminalCutsLinesAndNeverWraps) {
    screen_.terminal = true;
    screen_.size = {10, 40};
    Run(ThreeDevices());
    const std::string& bytes = screen_.written;
    ASSERT_EQ(bytes.rfind("\x1b[H", 0), 0u);
    // Every line of every frame: the cursor movements taken out, less than 40 columns, so the
    // cursor never waits in the last one to wrap.
    size_t rows = 0;
    size_t longest = 0;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\x1b') {
            i = bytes.find_first_of("HJK", i);
            ASSERT_NE(i, std::string::npos);
            if (bytes[i] == 'H') {
                rows = 1;
            }
            continue;
        }
        if (bytes[i] == '\n') {
            EXPECT_LT(line.size(), 40u) << line;
            longest = std::max(longest, line.size());
            line.clear();
            ++rows;
            EXPECT_LE(rows, 10u);
            continue;
        }
        line += bytes[i] == '\r' ? "" : std::string(1, bytes[i]);
    }
    EXPECT_LT(line.size(), 40u) << line;
    // The device lines are longer than the terminal: cut in its last column but one, not before.
    EXPECT_EQ(longest, 39u);
}

// A frame straight to the table, one device whose last write and anomaly are long.
TopFrame LongFrame(const std::string& lastWrite, const std::string& anomaly) {
    TopFrame frame;
    frame.title = "zep-modbus-parser --top";
    TopDeviceRow device;
    device.device = "10.0.0.5:502";
    device.unit = 1;
    device.requests = 12;
    device.lastWrite = lastWrite;
    frame.devices.push_back(device);
    frame.newestAnomalies.push_back(anomaly);
    frame.anomaliesInAll = 1;
    return frame;
}

// Characters as a terminal counts them: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& line) {
    return static_cast<size_t>(std::count_if(line.begin(), line.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

TEST(TopTable, LongLinesAreCutAtTheLastColumnExactly) {
    // "Â°" (degree sign) is one column of two bytes.
    const TopFrame frame = LongFrame("22:13:21 10.0.0.9 fc16 " + std::string(100, 'w') +
                                         " 21.5 Â°"
                                         "C",
                                     std::string(90, 'a'));
    const std::vector<std::string> whole = TopTableLines(frame, ScreenSize{24, 0});
    for (const int columns : {30, 57, 80}) {
        const std::vector<std::string> cut = TopTableLines(frame, ScreenSize{24, columns});
        ASSERT_EQ(cut.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i) {
            // A line that fits stands whole; a longer one keeps exactly its first `columns`.
            const size_t expected = std::min(Columns(whole[i]), static_cast<size_t>(columns));
            EXPECT_EQ(Columns(cut[i]), expected) << columns << ": " << cut[i];
            EXPECT_EQ(whole[i].rfind(cut[i], 0), 0u) << cut[i];
        }
    }
    // The degree sign is kept whole where the cut falls after it.
    const std::vector<std::string> wide = TopTableLines(frame, ScreenSize{24, 1000});
    EXPECT_EQ(wide, whole);
}

TEST(TopTable, ControlBytesNeverReachTheTerminal) {
    // Every byte a terminal acts on, in the texts a capture or a map can carry.
    std::string controls;
    for (int byte = 0x01; byte < 0x20; ++byte) {
        controls += static_cast<char>(byte);
    }
    controls += '\x7F';
    controls += "\xC2\x9B";  // CSI, the C1 control U+009B in UTF-8: one character
    for (const int columns : {0, 200}) {
        const std::vector<std::string> lines = TopTableLines(
            LongFrame("w " + controls + " end", "a " + controls + " end"), ScreenSize{24, columns});
        bool lastWriteShown = false;
        for (const std::string& line : lines) {
            for (const char c : line) {
                const auto byte = static_cast<unsigned char>(c);
                EXPECT_TRUE(byte >= 0x20 && byte != 0x7F) << "byte " << static_cast<int>(byte);
            }
            EXPECT_EQ(line.find("\xC2\x9B"), std::string::npos) << line;
            // Each one shown as a character of its own: the columns stay where they were.
            lastWriteShown = lastWriteShown ||
                             line.find("w " + std::string(controls.size() - 1, '?') + " end") !=
                                 std::string::npos;
        }
        EXPECT_TRUE(lastWriteShown);
    }
}

TEST_F(TopViewRun, PlainTextHasNoEscapeBytes) {
    screen_.terminal = false;
    screen_.size = {24, 80};
    Run(ThreeDevices());
    EXPECT_EQ(screen_.written.find('\x1b'), std::string::npos);
    for (const std::string& line : Lines(screen_.written)) {
        EXPECT_LE(line.size(), 80u) << line;
    }
}

TEST(RecentRate, CountsTheLastSecondsAndFallsInSilence) {
    constexpr int64_t kSecond = 1000000000;
    RecentRate rate;
    EXPECT_EQ(rate.PerSecond(100 * kSecond), 0);
    for (int64_t ms = 0; ms < 20000; ms += 100) {  // 10 a second for 20 s
        rate.Add(100 * kSecond + ms * 1000000);
    }
    EXPECT_NEAR(rate.PerSecond(120 * kSecond), 10, 0.5);
    // From 118 s to now: 4 s, the 2 s after 120 silent.
    EXPECT_NEAR(rate.PerSecond(122 * kSecond), 5, 1e-9);
    EXPECT_EQ(rate.PerSecond(130 * kSecond), 0);
    RecentRate starting;
    starting.Add(5 * kSecond);
    starting.Add(5 * kSecond + 1);
    EXPECT_NEAR(starting.PerSecond(5 * kSecond + 2), 2, 1e-9);  // less than a second: as one
}

}  // namespace
