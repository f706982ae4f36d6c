// Several capture files read as one: in the order of their first records' times, records
// numbered on, connections and split messages going on across the files.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/command_line_fixture.h"
#include "tests/support/packet_builder.h"

namespace {

struct Segment {
    bool toServer;
    uint16_t clientPort;
    uint32_t sequence;
    Bytes payload;
};

Bytes Packet(const Segment& s) {
    TcpSpec tcp;
    tcp.sourcePort = s.toServer ? s.clientPort : 502;
    tcp.destinationPort = s.toServer ? 502 : s.clientPort;
    tcp.sequence = s.sequence;
    tcp.payload = s.payload;
    Bytes ip = Ipv4Datagram(TcpBytes(tcp));
    if (!s.toServer) {
        for (int i = 12; i < 16; ++i) {
            std::swap(ip[i], ip[i + 4]);
        }
    }
    return OverEthernet(ip, kEtherIpv4);
}

Bytes Part(const Bytes& bytes, size_t from, size_t to) {
    return Bytes(bytes.begin() + from, bytes.begin() + to);
}

// Two connections (client ports 40001 and 40002); messages split over segments, one request
// left unanswered.
std::vector<Segment> Conversation() {
    const Bytes read = {0x03, 0x00, 0x00, 0x00, 0x02};
    const Bytes values = {0x03, 0x04, 0x00, 0x01, 0x00, 0x02};
    const Bytes aReq1 = ModbusTcpAdu(1, read, 1);
    const Bytes bReq1 = ModbusTcpAdu(2, read, 1);
    const Bytes aRes1 = ModbusTcpAdu(1, values, 1);
    const Bytes bRes1 = ModbusTcpAdu(2, values, 1);
    const Bytes aReq2 = ModbusTcpAdu(1, read, 2);
    const Bytes aRes2 = ModbusTcpAdu(1, values, 2);
    const Bytes bReq2 = ModbusTcpAdu(2, read, 2);
    return {
        {true, 40001, 1000, aReq1},
        {true, 40002, 5000, Part(bReq1, 0, 4)},
        {false, 40001, 2000, aRes1},
        {true, 40002, 5004, Part(bReq1, 4, bReq1.size())},
        {false, 40002, 6000, Part(bRes1, 0, 7)},
        {true, 40001, 1012, aReq2},
        {false, 40002, 6007, Part(bRes1, 7, bRes1.size())},
        {false, 40001, 2013, Part(aRes2, 0, 9)},
        {false, 40001, 2022, Part(aRes2, 9, aRes2.size())},
        {true, 40002, 5012, bReq2},
    };
}

// Records [from, to) of the conversation as a pcap file, 1 ms apart.
void WritePiece(const std::string& path, size_t from, size_t to) {
    const std::vector<Segment> segments = Conversation();
    PcapBuilder builder;
    for (size_t i = from; i < to; ++i) {
        builder.Timestamp(1700000000, static_cast<uint32_t>(i * 1000)).Record(Packet(segments[i]));
    }
    builder.WriteTo(path);
}

std::vector<nlohmann::json> LogLines(const std::string& path) {
    std::vector<nlohmann::json> lines;
    std::istringstream text(ReadFileText(path));
    for (std::string line; std::getline(text, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// The summary without its "Output:" line, which names the report.
std::string Counts(const std::string& summary) {
    return summary.substr(0, summary.find("Output:"));
}

}  // namespace

class RotatedCapture : public CommandLine {
protected:
    // Analyses `files` with the report and the log named after `name`.
    int Analyse(const std::string& name, const std::vector<std::string>& files) {
        std::vector<std::string> arguments = {"-o", name + ".txt", "--transactions",
                                              name + ".jsonl"};
        arguments.insert(arguments.end(), files.begin(), files.end());
        return Run(arguments);
    }
};

TEST_F(RotatedCapture, PiecesAtAnyRecordBoundaryReadAsTheWhole) {
    const size_t total = Conversation().size();
    WritePiece("whole.pcap", 0, total);
    ASSERT_EQ(Analyse("whole", {"whole.pcap"}), 0) << err_.str();
    const std::string summary = Counts(out_.str());
    const std::string report = ReadFileText("whole.txt");
    const std::vector<nlohmann::json> whole = LogLines("whole.jsonl");
    ASSERT_EQ(whole.size(), 4u);  // three pairs and the request left unanswered
    EXPECT_TRUE(whole[3]["response"].is_null());
    EXPECT_EQ(whole[1]["request"]["capture_frame"], 4);  // the split request of port 40002

    // Cut points, each list making one run: two pieces at every boundary, and three pieces.
    std::vector<std::vector<size_t>> splits;
    for (size_t cut = 1; cut < total; ++cut) {
        splits.push_back({cut});
    }
    splits.push_back({1, 9});
    splits.push_back({3, 4});
    splits.push_back({4, 7});
    for (const std::vector<size_t>& cuts : splits) {
        std::vector<std::string> files;
        std::string name = "split";
        size_t from = 0;
        for (size_t i = 0; i <= cuts.size(); ++i) {
            const size_t to = i < cuts.size() ? cuts[i] : total;
            name += "-" + std::to_string(to);
            files.push_back(name + ".pcap");
            WritePiece(files.back(), from, to);
            from = to;
        }
        SCOPED_TRACE(name);
        ASSERT_EQ(Analyse(name, files), 0) << err_.str();
        EXPECT_EQ(Counts(out_.str()), summary);
        EXPECT_EQ(ReadFileText(name + ".txt"), report);
        std::vector<nlohmann::json> lines = LogLines(name + ".jsonl");
        ASSERT_EQ(lines.size(), whole.size());
        for (size_t t = 0; t < lines.size(); ++t) {
            for (const char* side : {"request", "response"}) {
                nlohmann::json& message = lines[t][side];
                if (message.is_null()) {
                    continue;
                }
                // The file holding the message's last byte.
                const size_t record = message["capture_frame"].get<size_t>();
                size_t expected = 1;
                for (size_t cut : cuts) {
                    expected += record > cut ? 1 : 0;
                }
                EXPECT_EQ(message["capture"], expected) << t << side;
                message["capture"] = 1;
            }
            EXPECT_EQ(lines[t], whole[t]) << t;
        }
    }
}

TEST_F(RotatedCapture, FilesAreReadInTheOrderOfTheirFirstRecords) {
    WritePiece("whole.pcap", 0, 10);
    ASSERT_EQ(Analyse("whole", {"whole.pcap"}), 0);
    // The earlier records in the file whose name sorts last.
    WritePiece("c.pcap", 0, 4);
    WritePiece("b.pcap", 4, 7);
    WritePiece("a.pcap", 7, 10);
    ASSERT_EQ(Analyse("reversed", {"a.pcap", "b.pcap", "c.pcap"}), 0) << err_.str();
    EXPECT_EQ(ReadFileText("reversed.txt"), ReadFileText("whole.txt"));
    const std::vector<nlohmann::json> lines = LogLines("reversed.jsonl");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["request"]["capture"], 1);   // c.pcap, read first
    EXPECT_EQ(lines[2]["response"]["capture"], 3);  // a.pcap, read last
}

TEST_F(RotatedCapture, StandardInputCannotBeMixedWithFiles) {
    WriteCapture();
    EXPECT_EQ(Run({"capture.pcap", "-"}), 2);
    EXPECT_EQ(err_.str(),
              "zep-modbus-parser: standard input ('-') cannot be read together with files\n"
              "Try 'zep-modbus-parser --help' for more information.\n");
    EXPECT_EQ(Run({"--pairing", "address", "capture.pcap", "capture.pcap"}), 2);
}

TEST_F(RotatedCapture, EveryFileIsCheckedBeforeTheRun) {
    WriteCapture("first.pcap");
    WriteCapture("second.pcap");
    EXPECT_EQ(Run({"--transactions", "second.pcap", "first.pcap", "second.pcap"}), 2);
    EXPECT_EQ(
        err_.str().rfind("zep-modbus-parser: --transactions and the capture name the same file "
                         "'second.pcap'\n",
                         0),
        0u)
        << err_.str();
    EXPECT_EQ(Run({"first.pcap", "absent.pcap"}), 1);
    EXPECT_NE(err_.str().find("Input file=[absent.pcap]"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("output.txt"));
}

TEST_F(RotatedCapture, CutAndDamagedFilesAreNamed) {
    WritePiece("first.pcap", 0, 3);
    // The second file ends in a cut record: the third follows.
    const std::vector<Segment> segments = Conversation();
    PcapBuilder()
        .Timestamp(1700000000, 3000)
        .Record(Packet(segments[3]))
        .TruncatedRecord(Packet(segments[4]), 200)
        .WriteTo("second.pcap");
    WritePiece("third.pcap", 5, 10);
    ASSERT_EQ(Analyse("cut", {"first.pcap", "second.pcap", "third.pcap"}), 0) << err_.str();
    EXPECT_NE(err_.str().find("the capture file second.pcap ends in a cut record (record 2 at "
                              "offset 102): the input ends inside a record; the next file follows"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(LogLines("cut.jsonl").size(), 4u);

    // Damage in the second file ends the run and names that file, with its own record number.
    Bytes damaged = PcapBuilder().Timestamp(1700000000, 3000).Record(Packet(segments[3])).Build();
    damaged.insert(damaged.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0, 0, 0, 0});
    WriteFile("second.pcap", damaged);
    EXPECT_EQ(Analyse("damaged", {"first.pcap", "second.pcap", "third.pcap"}), 1);
    EXPECT_NE(err_.str().find("The capture is damaged or could not be read at record 2 (file "
                              "offset 102): record length"),
              std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("\nFile: second.pcap\n"), std::string::npos);
}
