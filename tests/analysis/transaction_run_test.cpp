// Whole runs with the transaction pairing, and captures in every container and link layer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/analysis_run.h"
#include "tests/support/capture_builder.h"
#include "tests/support/frame_helpers.h"
#include "tests/support/packet_builder.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace fs = std::filesystem;

namespace {

PacketOptions Between(const std::string& source, uint16_t sourcePort,
                      const std::string& destination, uint16_t destinationPort) {
    PacketOptions options;
    options.source = source;
    options.destination = destination;
    options.sourcePort = sourcePort;
    options.destinationPort = destinationPort;
    return options;
}

const Bytes kReadTwoFrom40001 = {0x03, 0x00, 0x00, 0x00, 0x02};
const Bytes kReadOneFrom40011 = {0x03, 0x00, 0x0A, 0x00, 0x01};

class TransactionRun : public InTempDirectory {
protected:
    AnalysisResult Run(const Bytes& capture) {
        WriteFile("capture.pcap", capture);
        host_.inputPath = "capture.pcap";
        host_.options = AnalysisOptions();
        return RunAnalysis(host_, platform_);
    }
    std::string Report() const { return ReadFileText("output.txt"); }

    FakeHost host_;
    FakePlatform platform_;
};

// The block of message `number` in the report ("Frame: NNN" up to the next block).
std::string Block(const std::string& report, const std::string& number) {
    const size_t start = report.find("Frame: " + number + "\r\n");
    if (start == std::string::npos) {
        return std::string();
    }
    return report.substr(start, report.find("Frame: ", start + 1) - start);
}

}  // namespace

TEST_F(TransactionRun, InterleavedClientsArePairedByConnection) {
    // Client A reads 40001 x2, client B 40011 x1, both with transaction id 1; B is answered first.
    const Bytes capture =
        PcapBuilder()
            .Record(TcpPacket(ModbusTcpAdu(1, kReadTwoFrom40001),
                              Between("10.0.0.1", 40000, "10.0.0.5", 502)))
            .Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011),
                              Between("10.0.0.2", 40001, "10.0.0.5", 502)))
            .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x07}),
                              Between("10.0.0.5", 502, "10.0.0.2", 40001)))
            .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x04, 0x00, 0x01, 0x00, 0x02}),
                              Between("10.0.0.5", 502, "10.0.0.1", 40000)))
            .Build();
    ASSERT_EQ(Run(capture), AnalysisResult::Completed);
    const std::string report = Report();
    EXPECT_EQ(Block(report, "001"), "");  // answered polls get no block of their own
    const std::string toB = Block(report, "003");
    EXPECT_NE(toB.find("Point Address  =40011   (Obtained from Poll)\r\n"
                       "Point Count    =1       (Obtained from Poll)\r\n"
                       "\tPoint Address  =40011   Value=7    =0x07\r\n"),
              std::string::npos)
        << toB;
    const std::string toA = Block(report, "004");
    EXPECT_NE(toA.find("Point Address  =40001   (Obtained from Poll)\r\n"
                       "Point Count    =2       (Obtained from Poll)\r\n"
                       "\tPoint Address  =40001   Value=1    =0x01\r\n"
                       "\tPoint Address  =40002   Value=2    =0x02\r\n"),
              std::string::npos)
        << toA;
}

TEST_F(TransactionRun, EveryMessageOfASegmentIsReported) {
    Bytes three;
    for (uint16_t id = 1; id <= 3; ++id) {
        const Bytes adu = ModbusTcpAdu(1, kReadOneFrom40011, id);
        three.insert(three.end(), adu.begin(), adu.end());
    }
    ASSERT_EQ(Run(PcapBuilder().Record(TcpPacket(three)).Build()), AnalysisResult::Completed);
    const std::string report = Report();
    for (const char* number : {"001", "002", "003"}) {
        EXPECT_NE(Block(report, number).find("Poll Analysis"), std::string::npos) << number;
    }
    EXPECT_NE(host_.resultsText.find("1\tMessages processed\r\n3\tModbus messages processed"),
              std::string::npos);
}

TEST_F(TransactionRun, SamePacketsGiveTheSameReportInEveryContainer) {
    TcpSpec tcp;
    tcp.payload = ModbusTcpAdu(1, kReadTwoFrom40001);
    const Bytes ip = Ipv4Datagram(TcpBytes(tcp));
    struct Variant {
        const char* name;
        Bytes capture;
    };
    const Variant variants[] = {
        {"pcap Ethernet", PcapBuilder().Record(OverEthernet(ip, kEtherIpv4)).Build()},
        {"pcap VLAN x3",
         PcapBuilder().Record(OverEthernet(ip, kEtherIpv4, {0x88A8, 0x8100, 0x9100})).Build()},
        {"pcap big-endian SLL",
         PcapBuilder().BigEndian().LinkType(113).Record(OverSll(ip, kEtherIpv4)).Build()},
        {"pcap SLL2", PcapBuilder().LinkType(276).Record(OverSll2(ip, kEtherIpv4)).Build()},
        {"pcap raw IP", PcapBuilder().LinkType(101).Record(ip).Build()},
        {"pcap loopback", PcapBuilder().LinkType(0).Record(OverLoopback(ip, 2, false)).Build()},
        {"pcapng", PcapngBuilder()
                       .Section(true)
                       .Interface(1, 0, 9)
                       .Enhanced(0, 1, OverEthernet(ip, kEtherIpv4))
                       .Build()},
    };
    std::string first;
    for (const Variant& variant : variants) {
        fs::remove("output.txt");
        ASSERT_EQ(Run(variant.capture), AnalysisResult::Completed) << variant.name;
        const std::string report = Report();
        EXPECT_NE(report.find("Source:        =10.0.0.9\r\nDestination    =10.0.0.5"),
                  std::string::npos)
            << variant.name;
        if (first.empty()) {
            first = report;
        }
        EXPECT_EQ(report, first) << variant.name;
    }
}

TEST_F(TransactionRun, Ipv6AddressesInTheirTextForm) {
    TcpSpec tcp;
    tcp.payload = ModbusTcpAdu(1, kReadTwoFrom40001);
    const Bytes packet = OverEthernet(Ipv6Packet(TcpBytes(tcp), {{43, 8}}), kEtherIpv6);
    ASSERT_EQ(Run(PcapBuilder().Record(packet).Build()), AnalysisResult::Completed);
    EXPECT_NE(Report().find("Source:        =2001:db8::9\r\nDestination    =2001:db8::5\r\n"),
              std::string::npos);
}

TEST_F(TransactionRun, DamagedRecordEndsTheRunAfterWhatCameBefore) {
    const Bytes poll = TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011));
    EXPECT_EQ(Run(PcapBuilder().Record(poll).TruncatedRecord(poll, 300000).Record(poll).Build()),
              AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text.rfind(
                  "The capture is damaged or could not be read at record 2 (file offset ", 0),
              0u)
        << presenter_.boxes[0].text;
    EXPECT_NE(Block(Report(), "001").find("Poll Analysis"), std::string::npos);
    EXPECT_EQ(host_.resultsText.find("Messages processed"), std::string::npos);
}

TEST_F(TransactionRun, CutLastRecordIsToldAndTheRunCompletes) {
    const Bytes poll = TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011));
    EXPECT_EQ(Run(PcapBuilder().Record(poll).TruncatedRecord(poll, poll.size() + 10).Build()),
              AnalysisResult::Completed);
    ASSERT_EQ(host_.warnings.size(), 1u);
    EXPECT_NE(host_.warnings[0].find("cut record (record 2"), std::string::npos);
}

TEST_F(TransactionRun, DirectoryIsRefusedBeforeAnythingElse) {
    fs::create_directory("captures");
    host_.inputPath = "captures";
    host_.options = AnalysisOptions();
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text,
              "The input file is a directory, not a capture file\nInput file=[captures]");
    EXPECT_TRUE(host_.controlEvents.empty());
}

TEST_F(TransactionRun, StopRequestLeavesWholeBlocks) {
    PcapBuilder builder;
    for (uint16_t id = 1; id <= 50; ++id) {
        builder.Timestamp(1700000000u + id, 0)
            .Record(
                TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, id),
                          Between("10.0.0.9", static_cast<uint16_t>(40000 + id), "10.0.0.5", 502)));
    }
    host_.stopAfterProgress = true;
    WriteFile("capture.pcap", builder.Build());
    host_.inputPath = "capture.pcap";
    host_.options = AnalysisOptions();
    host_.options.responseTimeoutSeconds = 0.5;  // polls one second apart are reported alone
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Interrupted);
    const std::string report = Report();
    EXPECT_NE(report.find("Frame: 001\r\n"), std::string::npos);
    EXPECT_EQ(report.find("Frame: 050\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");  // the last block is whole
}

TEST_F(TransactionRun, TransactionLogHasOneObjectPerTransaction) {
    const Bytes capture = PcapBuilder()
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, 7)))
                              .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x2A}, 7),
                                                Between("10.0.0.5", 502, "10.0.0.9", 40000)))
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadTwoFrom40001, 8),
                                                Between("10.0.0.9", 40001, "10.0.0.5", 502)))
                              .Build();
    WriteFile("capture.pcap", capture);
    host_.inputPath = "capture.pcap";
    host_.options = AnalysisOptions();
    host_.options.transactionLog = "transactions.jsonl";
    ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
    std::istringstream lines(ReadFileText("transactions.jsonl"));
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]["report_frame"], 2);
    EXPECT_EQ(objects[0]["transaction_id"], 7);
    EXPECT_EQ(objects[0]["points"][0]["reference"], 40011);
    EXPECT_EQ(objects[0]["points"][0]["value"], 42);
    EXPECT_EQ(objects[1]["report_frame"], 3);
    EXPECT_TRUE(objects[1]["response"].is_null());
}

TEST_F(TransactionRun, StopRequestStillReportsTheRequestsWaitingForAnswers) {
    PcapBuilder builder;
    for (uint16_t id = 1; id <= 10; ++id) {
        builder.Timestamp(1700000000u + id, 0)
            .Record(
                TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, id),
                          Between("10.0.0.9", static_cast<uint16_t>(40000 + id), "10.0.0.5", 502)));
    }
    host_.stopAfterChecks = 3;  // three records read, their polls still waiting (5 s time-out)
    WriteFile("capture.pcap", builder.Build());
    host_.inputPath = "capture.pcap";
    host_.options = AnalysisOptions();
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Interrupted);
    const std::string report = Report();
    for (const char* number : {"001", "002", "003"}) {
        EXPECT_NE(Block(report, number).find("Poll Analysis"), std::string::npos) << number;
    }
    EXPECT_EQ(report.find("Frame: 004"), std::string::npos);
}

TEST_F(TransactionRun, TransactionLogIsWrittenAnewAndNeverOverTheCapture) {
    const Bytes capture =
        PcapBuilder().Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011))).Build();
    for (int run = 0; run < 2; ++run) {
        fs::remove("output.txt");
        WriteFile("capture.pcap", capture);
        host_.inputPath = "capture.pcap";
        host_.options = AnalysisOptions();
        host_.options.transactionLog = "log.jsonl";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
    }
    const std::string log = ReadFileText("log.jsonl");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);

    host_.options.transactionLog = "capture.pcap";
    fs::remove("output.txt");
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    EXPECT_EQ(presenter_.boxes.back().text,
              "The capture cannot be its own report or log\nFile: capture.pcap");
    EXPECT_EQ(ReadFileText("capture.pcap").size(), capture.size());
}

TEST_F(TransactionRun, MessagesThatNeverCameWholeAreCountedAsIgnored) {
    // The second poll's header claims one byte more than its connection ever carried.
    const Bytes capture = PcapBuilder()
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, 1)))
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, 2, 7),
                                                Between("10.0.0.9", 40001, "10.0.0.5", 502)))
                              .Build();
    ASSERT_EQ(Run(capture), AnalysisResult::Completed);
    EXPECT_EQ(host_.resultsText.substr(0, host_.resultsText.find("Output:")),
              "2\tMessages processed\r\n2\tModbus messages processed\r\n1\tModbus message ingored "
              "\r\n\r\n");
    ASSERT_EQ(host_.warnings.size(), 1u);
    EXPECT_NE(host_.warnings[0].find("12 captured bytes belong to no whole message"),
              std::string::npos)
        << host_.warnings[0];
}

TEST_F(TransactionRun, CorruptRecordLengthInTheExampleEndsTheRunAsDamaged) {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    Bytes capture;
    {
        const std::string text = ReadFileText(std::string(source) + "/examples/example.pcap");
        capture.assign(text.begin(), text.end());
    }
    // Record 5 claims 5,000 captured bytes; what follows it is the rest of the capture.
    size_t offset = 24;
    for (int record = 1; record < 5; ++record) {
        offset += 16 + (capture[offset + 8] | capture[offset + 9] << 8);
    }
    capture[offset + 8] = 5000 & 0xFF;
    capture[offset + 9] = 5000 >> 8;
    for (PairingMode mode : {PairingMode::Transaction, PairingMode::Address}) {
        fs::remove("output.txt");
        WriteFile("capture.pcap", capture);
        host_.inputPath = "capture.pcap";
        host_.options = AnalysisOptions();
        host_.options.pairing = mode;
        EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
        EXPECT_EQ(presenter_.boxes.back().text.rfind(
                      "The capture is damaged or could not be read at record 5 (file offset " +
                          std::to_string(offset) + "): record length 5000 exceeds its original",
                      0),
                  0u)
            << presenter_.boxes.back().text;
    }
}
