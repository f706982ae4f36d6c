// Capturing from interfaces (-i, -f, -D) on the command line: what may be combined, the filter
// narrowing capture files too, and the errors that end a run before anything is captured.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "capture/live_capture.h"
#include "capture/packet_filter.h"
#include "cli/cli_options.h"
#include "tests/cli/command_line_fixture.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ErrorOf(const std::vector<std::string>& arguments) {
    const CliOptions options = ParseCommandLine(arguments);
    EXPECT_EQ(options.command, CliCommand::UsageError);
    return options.error;
}

// A poll from `client` to 10.0.0.5 and its answer, on a connection of their own.
void AddExchange(PcapBuilder& capture, const std::string& client, uint16_t transaction) {
    const uint16_t clientPort = 40000 + transaction;
    PacketOptions request;
    request.source = client;
    request.sourcePort = clientPort;
    PacketOptions response;
    response.source = "10.0.0.5";
    response.destination = client;
    response.sourcePort = 502;
    response.destinationPort = clientPort;
    capture.Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, transaction), request))
        .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x02, 0x00, 0x2A}, transaction), response));
}

}  // namespace

TEST(LiveOptions, InterfacesRepeatAndTakeAFilter) {
    const CliOptions options =
        ParseCommandLine({"-i", "eth0", "--interface=eth1", "-f", "host 10.0.0.5"});
    EXPECT_EQ(options.command, CliCommand::Analyze) << options.error;
    EXPECT_EQ(options.interfaces, (std::vector<std::string>{"eth0", "eth1"}));
    EXPECT_EQ(options.captureFilter, "host 10.0.0.5");
    EXPECT_TRUE(options.captures.empty());
    EXPECT_EQ(ParseCommandLine({"-D"}).command, CliCommand::ListInterfaces);
    EXPECT_EQ(ParseCommandLine({"--list-interfaces"}).command, CliCommand::ListInterfaces);
}

TEST(LiveOptions, AnInterfaceIsReadAlone) {
    EXPECT_EQ(ErrorOf({"-i", "eth0", "capture.pcap"}),
              "-i captures from an interface; it cannot be given with capture files");
    // The address pairing reads its capture twice: an interface cannot be read again.
    EXPECT_EQ(ErrorOf({"--pairing=address", "-i", "eth0"}),
              "--pairing=address reads the capture twice; it cannot read an interface (-i)");
    EXPECT_EQ(ErrorOf({"-f", "tcp"}), "no capture file given");
    EXPECT_EQ(ErrorOf({"-D", "capture.pcap"}), "-D takes no capture file");
    EXPECT_EQ(ErrorOf({"-i", ""}), "the interface name is empty");
}

TEST_F(CommandLine, TheCaptureFilterNarrowsACaptureFile) {
    if (!PacketFiltersAvailable()) {
        EXPECT_EQ(Run({"-f", "host 10.0.0.7", "capture.pcap"}), 1);
        return;
    }
    PcapBuilder capture;
    AddExchange(capture, "10.0.0.7", 1);
    AddExchange(capture, "10.0.0.8", 2);
    AddExchange(capture, "10.0.0.7", 3);
    capture.WriteTo("capture.pcap");
    ASSERT_EQ(Run({"-f", "host 10.0.0.7", "--transactions=t.jsonl", "capture.pcap"}), 0)
        << err_.str();
    std::istringstream log(ReadFileText("t.jsonl"));
    std::vector<int> ids;
    for (std::string line; std::getline(log, line);) {
        EXPECT_TRUE(Contains(line, "\"client\":\"10.0.0.7:")) << line;
        ids.push_back(std::stoi(line.substr(line.find("\"transaction_id\":") + 17)));
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 3}));
}

TEST_F(CommandLine, AFilterThatDoesNotCompileEndsTheRunWithLibpcapsMessage) {
    WriteCapture();
    EXPECT_EQ(Run({"-f", "tcp prot 502", "capture.pcap"}), 1);
    if (PacketFiltersAvailable()) {
        EXPECT_TRUE(Contains(err_.str(), "Invalid capture filter\nFilter: tcp prot 502\n"))
            << err_.str();
        EXPECT_TRUE(Contains(err_.str(), "syntax error")) << err_.str();
    } else {
        EXPECT_TRUE(Contains(err_.str(), "cannot apply capture filters")) << err_.str();
    }
    EXPECT_FALSE(std::filesystem::exists("output.txt"));
}

TEST_F(CommandLine, AnUnknownInterfaceEndsTheRun) {
    if (LiveCaptureAvailable() && geteuid() != 0) {
        GTEST_SKIP() << "without root, libpcap refuses to capture before it looks for the device";
    }
    EXPECT_EQ(Run({"-i", "zep-no-such0"}), 1);
    if (LiveCaptureAvailable()) {
        EXPECT_TRUE(Contains(err_.str(), "no interface 'zep-no-such0' to capture on"))
            << err_.str();
    } else {
        EXPECT_TRUE(Contains(err_.str(), "cannot capture from interfaces")) << err_.str();
    }
    EXPECT_FALSE(std::filesystem::exists("output.txt"));
}

TEST_F(CommandLine, ListsInterfacesAsTcpdumpDoes) {
    if (!LiveCaptureAvailable()) {
        EXPECT_EQ(Run({"-D"}), 1);
        return;
    }
    ASSERT_EQ(Run({"-D"}), 0) << err_.str();
    // "1.eth0 [Up, Running, Connected]", "3.lo [Up, Running, Loopback]": numbered from 1.
    std::istringstream lines(out_.str());
    const std::regex entry(
        R"((\d+)\.(\S+)( \(.+\))?( \[[A-Z][a-z]+( [a-z]+)*(, [A-Z][a-z]+( [a-z]+)*)*\])?)");
    int number = 0;
    bool loopback = false;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, entry)) << line;
        EXPECT_EQ(std::stoi(match[1]), ++number);
        loopback = loopback || (match[2] == "lo" && Contains(line, "Loopback"));
    }
    EXPECT_TRUE(loopback) << out_.str();
}
