// Damaged and hostile input: random corruption of real-looking captures and random frames must
// give a finished run or a clear message, never a crash or a hang (run under the sanitizers too).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <regex>

#include "analysis/analysis_run.h"
#include "modbus/frame_analysis.h"
#include "views/report_text.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace fs = std::filesystem;

namespace {

Bytes SampleCapture() {
    PacketOptions answer;
    answer.source = "10.0.0.5";
    answer.destination = "10.0.0.9";
    PcapBuilder capture;
    const std::vector<std::pair<Bytes, Bytes>> exchanges = {
        {{0x03, 0x00, 0x00, 0x00, 0x02}, {0x03, 0x04, 0x00, 0x0A, 0x01, 0x02}},
        {{0x01, 0x00, 0x13, 0x00, 0x0A}, {0x01, 0x02, 0xCD, 0x01}},
        {{0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}, {0x0F, 0x00, 0x13, 0x00, 0x0A}},
        {{0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02},
         {0x10, 0x00, 0x01, 0x00, 0x02}},
        {{0x17, 0x00, 0x03, 0x00, 0x01, 0x00, 0x0E, 0x00, 0x01, 0x02, 0x00, 0xFF},
         {0x17, 0x02, 0x12, 0x34}},
        {{0x11}, {0x11, 0x05, 0x0A, 0xFF, 0x01, 0x02, 0x03}},
    };
    for (const auto& [poll, response] : exchanges) {
        capture.Record(TcpPacket(ModbusTcpAdu(1, poll)));
        capture.Record(TcpPacket(ModbusTcpAdu(1, response), answer));
    }
    return capture.Build();
}

class HostileInput : public InTempDirectory {};

}  // namespace

TEST_F(HostileInput, CorruptedCapturesFinishOrEndWithAMessage) {
    const Bytes original = SampleCapture();
    std::mt19937 random(20261207);
    const std::regex summary(
        "^(\\d+)\tMessages processed\r\n(\\d+)\tModbus messages processed\r\n(\\d+)\t");
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = original;
        const int flips = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < flips; ++i) {
            damaged[24 + random() % (damaged.size() - 24)] = static_cast<uint8_t>(random());
        }
        if (round % 10 == 0)
            damaged.resize(24 + random() % (damaged.size() - 24));
        WriteFile("capture.pcap", damaged);
        fs::remove("output.txt");

        FakeHost host;
        FakePlatform platform;
        host.inputPath = "capture.pcap";
        const size_t boxesBefore = presenter_.boxes.size();
        const AnalysisResult result = RunAnalysis(host, platform);
        std::smatch counts;
        if (result == AnalysisResult::Completed) {
            ASSERT_TRUE(std::regex_search(host.resultsText, counts, summary)) << "round " << round;
            EXPECT_GE(std::stoi(counts[1]), std::stoi(counts[2])) << "round " << round;
            EXPECT_GE(std::stoi(counts[2]), std::stoi(counts[3])) << "round " << round;
        } else {
            EXPECT_GT(presenter_.boxes.size(), boxesBefore)
                << "round " << round;  // the user was told why
        }
        if (!host.controlEvents.empty()) {  // whatever happened, the controls are usable again
            EXPECT_EQ(host.controlEvents.back(), "enable 3") << "round " << round;
        }
    }
}

TEST_F(HostileInput, RandomFramesAreAnalysed) {
    std::mt19937 random(7);
    const uint8_t functions[] = {1, 2, 3, 4, 5, 6, 7, 11, 12, 15, 16, 17, 22, 23, 0x83, 0};
    for (int round = 0; round < 2000; ++round) {
        // Mostly short frames, now and then one longer than the analyser looks at.
        const size_t length = random() % (round % 50 == 0 ? 1300 : 40);
        Bytes frame;
        for (size_t i = 0; i < length; ++i)
            frame.push_back(static_cast<uint8_t>(random()));
        if (frame.size() > 1) {
            frame[1] = functions[random() % sizeof(functions)];
        }
        if (round % 2) {
            frame = WithRtuCrc(frame);  // past the validation, into the decoders
        }
        const Bytes poll = round % 3 ? frame : Bytes();
        const DecodedFrame report =
            AnalyseFrame(FrameView(ByteView(frame)), FrameView(ByteView(poll)));
        EXPECT_EQ(report.length, static_cast<int>(std::min<size_t>(frame.size(), 1000)))
            << "round " << round;
        const std::string text = FrameAnalysisText(report, ByteView(frame), nullptr);
        EXPECT_EQ(text.rfind("\r\nFrame Analysis (", 0), 0u) << "round " << round;
    }
}
