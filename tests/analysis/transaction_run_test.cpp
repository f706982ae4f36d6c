// Whole runs with the transaction pairing: pairing by connection, several messages per segment,
// IPv6, damaged and cut captures, stop requests and the transaction log.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/analysis_run.h"
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

// One poll of 40011 from each of `count` clients, one second apart.
Bytes PollsFromClients(int count) {
    PcapBuilder builder;
    for (uint16_t id = 1; id <= count; ++id) {
        builder.Timestamp(1700000000u + id, 0)
            .Record(
                TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, id),
                          Between("10.0.0.9", static_cast<uint16_t>(40000 + id), "10.0.0.5", 502)));
    }
    return builder.Build();
}

class TransactionRun : public InTempDirectory {
protected:
    // Runs on `capture` with the default options, changed by `adjust` first.
    AnalysisResult Run(const Bytes& capture,
                       const std::function<void(AnalysisOptions&)>& adjust = {}) {
        WriteFile("capture.pcap", capture);
        host_.inputPath = "capture.pcap";
        host_.options = AnalysisOptions();
        if (adjust) {
            adjust(host_.options);
        }
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

TEST_F(TransactionRun, Ipv6AddressesInTheirTextForm) {
    TcpSpec tcp;
    tcp.payload = ModbusTcpAdu(1, kReadTwoFrom40001);
    const Bytes packet = OverEthernet(Ipv6Packet(TcpBytes(tcp), {{43, 8}}), kEtherIpv6);
    ASSERT_EQ(Run(PcapBuilder().Record(packet).Build()), AnalysisResult::Completed);
    EXPECT_NE(Report().find("Source:        =2001:db8::9\r\nDestination    =2001:db8::5\r\n"),
              std::string::npos);
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

// Request 3 of a connection was never captured, and no acknowledgement passes it (they stay at
// 1, as in a rewritten capture): the requests after it are still paired with their responses,
// and the warning counts the request's bytes as never captured.
TEST_F(TransactionRun, RequestNeverCapturedLeavesTheLaterOnesPaired) {
    PcapBuilder builder;
    PacketOptions request = Between("10.0.0.9", 40000, "10.0.0.5", 502);
    PacketOptions response = Between("10.0.0.5", 502, "10.0.0.9", 40000);
    for (uint8_t id = 1; id <= 5; ++id) {
        const Bytes poll = ModbusTcpAdu(1, kReadOneFrom40011, id);
        if (id != 3) {
            builder.Record(TcpPacket(poll, request));
        }
        request.sequence += static_cast<uint32_t>(poll.size());
        const Bytes answer = ModbusTcpAdu(1, {0x03, 0x02, 0x00, id}, id);
        builder.Record(TcpPacket(answer, response));
        response.sequence += static_cast<uint32_t>(answer.size());
    }
    ASSERT_EQ(Run(builder.Build(), [](AnalysisOptions& o) { o.transactionLog = "log.jsonl"; }),
              AnalysisResult::Completed);
    std::istringstream lines(ReadFileText("log.jsonl"));
    std::vector<int> paired;
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json object = nlohmann::json::parse(line);
        if (!object["request"].is_null() && !object["response"].is_null()) {
            const int id = object["transaction_id"];
            EXPECT_EQ(object["points"][0]["value"], id);  // the response that answers it
            paired.push_back(id);
        }
    }
    EXPECT_EQ(paired, std::vector<int>({1, 2, 4, 5}));
    ASSERT_EQ(host_.warnings.size(), 1u);
    EXPECT_NE(host_.warnings[0].find("12 bytes of Modbus/TCP streams were never captured and 0 "),
              std::string::npos)
        << host_.warnings[0];
}

TEST_F(TransactionRun, StopRequestStillReportsWhatWasCaptured) {
    host_.stopAfterChecks = 3;  // three records read, their polls still waiting (5 s time-out)
    EXPECT_EQ(Run(PollsFromClients(10)), AnalysisResult::Interrupted);
    const std::string report = Report();
    for (const char* number : {"001", "002", "003"}) {
        EXPECT_NE(Block(report, number).find("Poll Analysis"), std::string::npos) << number;
    }
    EXPECT_EQ(report.find("Frame: 004"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");  // the last block is whole
}

TEST_F(TransactionRun, TransactionLogHasOneObjectPerTransactionWrittenAnew) {
    const Bytes capture = PcapBuilder()
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadOneFrom40011, 7)))
                              .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x2A}, 7),
                                                Between("10.0.0.5", 502, "10.0.0.9", 40000)))
                              .Record(TcpPacket(ModbusTcpAdu(1, kReadTwoFrom40001, 8),
                                                Between("10.0.0.9", 40001, "10.0.0.5", 502)))
                              .Build();
    const auto withLog = [](AnalysisOptions& options) { options.transactionLog = "log.jsonl"; };
    for (int run = 0; run < 2; ++run) {  // the second run replaces the first one's log
        fs::remove("output.txt");
        ASSERT_EQ(Run(capture, withLog), AnalysisResult::Completed);
    }
    std::istringstream lines(ReadFileText("log.jsonl"));
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

    fs::remove("output.txt");
    EXPECT_EQ(Run(capture, [](AnalysisOptions& o) { o.transactionLog = "capture.pcap"; }),
              AnalysisResult::EndedEarly);
    EXPECT_EQ(presenter_.boxes.back().text,
              "The capture cannot be its own report or log\nFile: capture.pcap");
    EXPECT_EQ(ReadFileText("capture.pcap").size(), capture.size());
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
        EXPECT_EQ(Run(capture, [mode](AnalysisOptions& o) { o.pairing = mode; }),
                  AnalysisResult::EndedEarly);
        EXPECT_EQ(presenter_.boxes.back().text.rfind(
                      "The capture is damaged or could not be read at record 5 (file offset " +
                          std::to_string(offset) + "): record length 5000 exceeds its original",
                      0),
                  0u)
            << presenter_.boxes.back().text;
        // What came before is reported: the poll of record 4, whose answer is the damaged one.
        EXPECT_NE(Block(Report(), "001").find("Poll Analysis"), std::string::npos);
        EXPECT_EQ(host_.resultsText.find("Messages processed"), std::string::npos);
    }
}
