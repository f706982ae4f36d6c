// Whole analysis runs over crafted captures, checked against the exact report bytes.

#include "analysis/analysis_run.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/frame_helpers.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace fs = std::filesystem;

namespace {

PacketOptions ToServer() {
    return PacketOptions();
}  // 10.0.0.9 -> 10.0.0.5

PacketOptions ToClient() {
    PacketOptions options;
    options.source = "10.0.0.5";
    options.destination = "10.0.0.9";
    options.sourcePort = 502;
    options.destinationPort = 40000;
    return options;
}

Bytes Poll(const Bytes& pdu) {
    return TcpPacket(ModbusTcpAdu(1, pdu), ToServer());
}
Bytes Answer(const Bytes& pdu) {
    return TcpPacket(ModbusTcpAdu(1, pdu), ToClient());
}

const Bytes kReadPoll = {0x03, 0x00, 0x6B, 0x00, 0x01};
const Bytes kReadResponse = {0x03, 0x02, 0x00, 0x2A};

const std::string kFinis = "\n\nFinis.\n-----------------------------------------------------\n";
const std::string kToServer = "Source:        =10.0.0.9\nDestination    =10.0.0.5\n";
const std::string kToClient = "Source:        =10.0.0.5\nDestination    =10.0.0.9\n";

std::string Heading(const Bytes& rtu) {
    return "\nFrame Analysis (" + FrameText(rtu) + ")\n--------------\n";
}

// The block of an unanswered read-holding-registers poll, as the report file holds it.
std::string ReadPollBlock(const std::string& number) {
    return "Frame: " + number + "\n" + Heading(WithRtuCrc({0x01, 0x03, 0x00, 0x6B, 0x00, 0x01})) +
           "\nThe frame has no errors.\n\nPoll Analysis\n-------------\n" + kToServer +
           "Device Address =1       =0x01\n"
           "Function       =3       =0x03 =Read Holding Registers\n"
           "Point Address  =40108   \n"
           "Point Count    =1       \n\n\n";
}

std::string ReadResponseBlock(const std::string& number, bool withPoll) {
    std::string block =
        "Frame: " + number + "\n" + Heading(WithRtuCrc({0x01, 0x03, 0x02, 0x00, 0x2A})) +
        "\nThe frame has no errors.\n\nResponse Analysis\n-----------------\n" + kToClient +
        "Device Address =1       =0x01\n"
        "Function       =3       =0x03 =Read Holding Registers\n";
    if (withPoll) {
        block +=
            "Point Address  =40108   (Obtained from Poll)\n"
            "Point Count    =1       (Obtained from Poll)\n"
            "\tPoint Address  =40108   Value=42   =0x2a\n";
    } else {
        block +=
            "Point Count    =1       (Implied by byte count=2)\n"
            "\tPoint Index    =1       Value=42   =0x2a. (Address is unknown because the Poll "
            "Message was not "
            "provided.)\n"
            "Note that without knowledge of the poll, the specific addresses of each point cannot "
            "be determined as "
            "this information is not contained in the response.\n";
    }
    return block + kFinis + "\n\n";
}

class AnalysisRun : public InTempDirectory {
protected:
    AnalysisResult Run(const PcapBuilder& capture) {
        capture.WriteTo("capture.pcap");
        host_.inputPath = "capture.pcap";
        return RunAnalysis(host_, platform_);
    }
    std::string Report() const { return ReadFileText("output.txt"); }
    std::string ReportPath() const { return (fs::path(directory_) / "output.txt").string(); }
    std::string Summary(int records, int messages, int ignored) const {
        return std::to_string(records) + "\tMessages processed\r\n" + std::to_string(messages) +
               "\tModbus messages processed\r\n" + std::to_string(ignored) +
               "\tModbus message ingored \r\n\r\nOutput: " + ReportPath();
    }

    FakeHost host_;
    FakePlatform platform_;
};

}  // namespace

TEST_F(AnalysisRun, EmptyPathOnlyAsksForAFile) {
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text, "Please select a file to processed");
    EXPECT_TRUE(host_.controlEvents.empty());
    EXPECT_FALSE(fs::exists("output.txt"));
}

TEST_F(AnalysisRun, UnreadableInput) {
    host_.inputPath = "absent.pcap";
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    EXPECT_EQ(presenter_.boxes.at(0).text,
              "The input file does not exist/readable\nInput file=[absent.pcap]");
}

TEST_F(AnalysisRun, EarlierReportStopsTheRunAndOffersItsFolder) {
    WriteFile("output.txt", Bytes{'x'});
    presenter_.answers = {kIdNo, kIdYes};
    const PcapBuilder capture = PcapBuilder().Record(Poll(kReadPoll));
    EXPECT_EQ(Run(capture), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].style, kMbYesNo);
    EXPECT_EQ(presenter_.boxes[0].text,
              "We have found a previous result file.\nFile: " + ReportPath() +
                  "\nPlease remove this file before continuing.\n\nWould you like to "
                  "browse to this file ?");
    EXPECT_TRUE(platform_.shellCalls.empty());

    EXPECT_EQ(Run(capture), AnalysisResult::EndedEarly);
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].first, "explore");
    EXPECT_EQ(platform_.shellCalls[0].second, ReportPath().substr(0, ReportPath().size() - 10));
    EXPECT_EQ(Report(), "x");
}

TEST_F(AnalysisRun, TooLittleFreeSpaceInTheWorkingDirectory) {
    platform_.freeBytes = 5 * 1048576 + 17;
    EXPECT_EQ(Run(PcapBuilder().Record(Poll(kReadPoll))), AnalysisResult::EndedEarly);
    EXPECT_EQ(
        presenter_.boxes.at(0).text,
        "Not enugh free hard drive space\nFree space: 5 MB\nMinimum required free space: 10 MB");
    ASSERT_EQ(platform_.queriedDirectories.size(), 1u);
    EXPECT_TRUE(fs::equivalent(platform_.queriedDirectories[0], directory_));
    EXPECT_TRUE(host_.controlEvents.empty());
}

TEST_F(AnalysisRun, UnknownFreeSpaceDoesNotStopTheRun) {
    platform_.freeSpaceKnown = false;
    platform_.freeBytes = 0;
    EXPECT_EQ(Run(PcapBuilder().Record(Poll(kReadPoll))), AnalysisResult::Completed);
}

TEST_F(AnalysisRun, InvalidCaptureReenablesTheControls) {
    EXPECT_EQ(Run(PcapBuilder().LinkType(105)), AnalysisResult::EndedEarly);
    // The box names what cannot be read: 105 is IEEE 802.11.
    EXPECT_EQ(presenter_.boxes.at(0).text,
              "Invalid input file\nFile: capture.pcap\nlink type 105 (IEEE802_11) is not read");
    EXPECT_EQ(host_.controlEvents,
              (std::vector<std::string>{"disable 1000", "disable 3", "enable 1000", "enable 3"}));
}

TEST_F(AnalysisRun, CaptureShorterThanAFileHeaderCannotBeRead) {
    WriteFile("empty.pcap", {});
    host_.inputPath = "empty.pcap";
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    WriteFile("ten.pcap", {0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0});
    host_.inputPath = "ten.pcap";
    EXPECT_EQ(RunAnalysis(host_, platform_), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 2u);
    EXPECT_EQ(presenter_.boxes[0].text, "Can not read input file\nFile: empty.pcap\nan empty file");
    EXPECT_EQ(presenter_.boxes[1].text,
              "Can not read input file\nFile: ten.pcap\n10 bytes, too short for a capture file "
              "header (24 bytes)");
    EXPECT_FALSE(fs::exists("output.txt"));
}

TEST_F(AnalysisRun, CaptureWithoutModbusMessages) {
    EXPECT_EQ(Run(PcapBuilder().Record(Bytes(42, 0xAA)).Record(TcpPacket(Bytes(), ToClient()))),
              AnalysisResult::EndedEarly);
    EXPECT_EQ(presenter_.boxes.at(0).text,
              "Error: There are no valid Modbus messages in this file\nFile: capture.pcap");
    EXPECT_FALSE(fs::exists("output.txt"));
    EXPECT_EQ(host_.controlEvents.back(), "enable 3");
}

TEST_F(AnalysisRun, PollAndResponseGiveOneBlock) {
    presenter_.answers = {kIdYes};
    EXPECT_EQ(Run(PcapBuilder().Record(Poll(kReadPoll)).Record(Answer(kReadResponse))),
              AnalysisResult::Completed);
    EXPECT_EQ(Report(), Crlf(ReadResponseBlock("002", true)));
    EXPECT_EQ(host_.resultsText, Summary(2, 2, 0));
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text,
              "We have analyzed 2 modbus messages and saved the results to your computer\n"
              "File: " +
                  ReportPath() + "\nWould you like to view the results?");
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].first, "explore");
    EXPECT_EQ(host_.controlEvents,
              (std::vector<std::string>{"disable 1000", "disable 3", "enable 1000", "enable 3"}));
}

TEST_F(AnalysisRun, PollPollResponseAndAPollLeftAtTheEnd) {
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Poll(kReadPoll))
                      .Record(Poll(kReadPoll))
                      .Record(Answer(kReadResponse))
                      .Record(Poll(kReadPoll))),
              AnalysisResult::Completed);
    EXPECT_EQ(Report(),
              Crlf(ReadPollBlock("001") + ReadResponseBlock("003", true) + ReadPollBlock("004")));
}

TEST_F(AnalysisRun, ResponseWithoutPollAndUnrelatedTraffic) {
    PacketOptions unrelated;
    unrelated.source = "192.168.1.1";
    unrelated.destination = "192.168.1.2";
    const Bytes diagnostic = {0x08, 0x00, 0x00, 0x12, 0x34};
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Answer(kReadResponse))
                      .Record(Poll(kReadPoll))
                      .Record(TcpPacket(ModbusTcpAdu(1, diagnostic), unrelated))),
              AnalysisResult::Completed);
    const std::string unrelatedBlock = "Frame: 003\n" +
                                       Heading(WithRtuCrc({0x01, 0x08, 0x00, 0x00, 0x12, 0x34})) +
                                       "We do not support analysis of of some functions in this "
                                       "version of the application. Function "
                                       "code=8(dec)=0x8\n No further analysis is possible.\n\n\n";
    EXPECT_EQ(Report(),
              Crlf(ReadResponseBlock("001", false) + ReadPollBlock("002") + unrelatedBlock));
}

TEST_F(AnalysisRun, ExceptionResponse) {
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Poll({0x03, 0x01, 0x00, 0x00, 0x01}))
                      .Record(Answer({0x83, 0x02}))),
              AnalysisResult::Completed);
    EXPECT_EQ(
        Report(),
        Crlf("Frame: 002\n" + Heading(WithRtuCrc({0x01, 0x83, 0x02})) +
             "This is an exception response.\n\nThe frame has no errors.\n\nResponse Analysis\n"
             "-----------------\n" +
             kToClient +
             "Exception Response\n"
             "Device Address =1       =0x01\n"
             "Function       =3       =0x03 =Read Holding Registers\n"
             "Exception Code =2       =0x02\n" +
             kFinis + "\n\n"));
}

TEST_F(AnalysisRun, MultipleWritesMaskWriteAndReadWrite) {
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Poll({0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}))
                      .Record(Answer({0x0F, 0x00, 0x13, 0x00, 0x0A}))
                      .Record(Poll({0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02}))
                      .Record(Answer({0x10, 0x00, 0x01, 0x00, 0x02}))
                      .Record(Poll({0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25}))
                      .Record(Answer({0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25}))
                      .Record(Poll(
                          {0x17, 0x00, 0x03, 0x00, 0x01, 0x00, 0x0E, 0x00, 0x01, 0x02, 0x00, 0xFF}))
                      .Record(Answer({0x17, 0x02, 0x12, 0x34}))),
              AnalysisResult::Completed);
    const std::string maskHead =
        "Device Address =1       =0x01\n"
        "Function       =22      =0x16 =Masked Write 4x Registers\n"
        "Point Address  =40005    \n"
        "AND Mask       =242     =0xf2\n"
        "OR Mask        =37      =0x25\n"
        "Algorithm      ='Result = ( Current Contents AND And_Mask ) OR ( Or_Mask AND "
        "And_Mask )'\n";
    const std::string expected =
        "Frame: 002\n" + Heading(WithRtuCrc({0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A})) +
        "\nThe frame has no errors.\n\nResponse Analysis\n-----------------\n" + kToClient +
        "Device Address =1       =0x01\nFunction       =15      =0x0f =Force Multiple Coils\n"
        "Point Address  =00020   \nPoint Count    =10      \n" +
        kFinis + "\n\n" + "Frame: 004\n" +
        Heading(WithRtuCrc({0x01, 0x10, 0x00, 0x01, 0x00, 0x02})) +
        "\nThe frame has no errors.\n\nResponse Analysis\n-----------------\n" + kToClient +
        "Device Address =1       =0x01\nFunction       =16      =0x10 =Preset Multiple Registers\n"
        "Point Address  =40002    \nPoint Count    =2       \n" +
        kFinis + "\n\n" + "Frame: 006\n" +
        Heading(WithRtuCrc({0x01, 0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25})) +
        "\nThe frame has no errors.\n\nThe direction of the message is ambiguous. In isolation it "
        "cannot be "
        "determined if it is a poll or response. If information of about the previous or next "
        "message was known "
        "a best guess could have been made.\n\n\nPoll Analysis\n-------------\n1" +
        kToClient + maskHead + "\nResponse Analysis\n-----------------\n" + kToClient + maskHead +
        "This is the response - an echo of the poll.\n" + kFinis + "\n\n" + "Frame: 008\n" +
        Heading(WithRtuCrc({0x01, 0x17, 0x02, 0x12, 0x34})) +
        "\nThe frame has no errors.\n\nResponse Analysis\n-----------------\n" + kToClient +
        "Device Address =1       =0x01\nFunction       =23      =0x17 =Read or Write 4x Registers\n"
        "Point Address  =40004   (Obtained from Poll)\n"
        "Point Count    =1       (Obtained from Poll)\n"
        "\tPoint Address  =40004   Value=4660 =0x1234\n" +
        kFinis + "\n\n";
    EXPECT_EQ(Report(), Crlf(expected));
}

TEST_F(AnalysisRun, NoServerFoundAnalysesEveryMessageAlone) {
    const Bytes write = {0x06, 0x00, 0x01, 0x00, 0x03};
    EXPECT_EQ(Run(PcapBuilder().Record(Poll(write)).Record(Answer(write))),
              AnalysisResult::Completed);
    const std::string report = Report();
    EXPECT_EQ(report.rfind("Frame: 001\r\n", 0), 0u);
    EXPECT_NE(report.find("Frame: 002\r\n"), std::string::npos);
    EXPECT_EQ(report.find("Finis."), std::string::npos);
    EXPECT_EQ(report.find("echo"), std::string::npos);
}

TEST_F(AnalysisRun, IgnoredMessagesAreExplainedInTheSummary) {
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Poll(kReadPoll))
                      .Record(TcpPacket(ModbusTcpAdu(1, kReadResponse, 1, 9), ToClient()))
                      .Record(Answer(kReadResponse))),
              AnalysisResult::Completed);
    EXPECT_EQ(host_.resultsText,
              Summary(3, 3, 1) +
                  "\r\n\r\n* Modbus messages are ignored if any of the following occur\r\n"
                  "  - A Modbus TCP message with a zero length \r\n"
                  "  - A Modbus TCP message with an incorrect length \r\n"
                  "  - A Modbus TCP message with an invalid header  \r\n");
    EXPECT_EQ(Report(), Crlf(ReadResponseBlock("003", true)));
}

TEST_F(AnalysisRun, TenAlternatingMessages) {
    PcapBuilder capture;
    for (int i = 0; i < 5; ++i)
        capture.Record(Poll(kReadPoll)).Record(Answer(kReadResponse));
    EXPECT_EQ(Run(capture), AnalysisResult::Completed);
    EXPECT_EQ(host_.resultsText, Summary(10, 10, 0));
    EXPECT_NE(presenter_.boxes.back().text.find("We have analyzed 10 modbus messages"),
              std::string::npos);
    EXPECT_EQ(Report(), Crlf(ReadResponseBlock("002", true) + ReadResponseBlock("004", true) +
                             ReadResponseBlock("006", true) + ReadResponseBlock("008", true) +
                             ReadResponseBlock("010", true)));
}

TEST_F(AnalysisRun, ShortAndOversizedRecordsArePassedOver) {
    PacketOptions padded;
    padded.ethernetPadding = 6;
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(Bytes(42, 0xAA))
                      .Record(Poll(kReadPoll))
                      .Record(TcpPacket(Bytes(), padded))
                      .Record(Bytes(2000, 0))
                      .Record(Answer(kReadResponse))),
              AnalysisResult::Completed);
    EXPECT_TRUE(presenter_.boxes.size() == 1u);  // only the closing question
    EXPECT_EQ(host_.resultsText, Summary(5, 2, 0));
    EXPECT_EQ(Report(), Crlf(ReadResponseBlock("002", true)));
}

TEST_F(AnalysisRun, TimestampOptionsOnEverySegment) {
    PacketOptions poll = ToServer();
    PacketOptions answer = ToClient();
    poll.tcpOptionBytes = answer.tcpOptionBytes = 12;
    EXPECT_EQ(Run(PcapBuilder()
                      .Record(TcpPacket(ModbusTcpAdu(1, kReadPoll), poll))
                      .Record(TcpPacket(ModbusTcpAdu(1, kReadResponse), answer))),
              AnalysisResult::Completed);
    EXPECT_EQ(Report(), Crlf(ReadResponseBlock("002", true)));
}

TEST_F(AnalysisRun, ProgressNamesTheLatestMessage) {
    std::vector<std::string> seen;
    struct ProgressHost : FakeHost {
        std::vector<std::string>* seen;
        void RefreshControls() override { seen->push_back(resultsText); }
    } host;
    host.seen = &seen;
    PcapBuilder().Record(Poll(kReadPoll)).WriteTo("capture.pcap");
    host.inputPath = "capture.pcap";
    const std::string progress = "1\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t" +
                                 FrameText(WithRtuCrc({0x01, 0x03, 0x00, 0x6B, 0x00, 0x01}));
    // Every run shows its first message at once, also the second run of one host.
    for (int run = 0; run < 2; ++run) {
        seen.clear();
        fs::remove("output.txt");
        EXPECT_EQ(RunAnalysis(host, platform_), AnalysisResult::Completed);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0], progress) << "run " << run;
    }
}

TEST_F(AnalysisRun, ReportThatCannotBeWrittenEndsTheRun) {
    // After the first message someone puts a folder where the report should be.
    struct BlockingHost : FakeHost {
        void PumpPendingMessage() override {
            if (++pumps == 1) {
                fs::remove("output.txt");
                fs::create_directory("output.txt");
            }
        }
    } host;
    PcapBuilder()
        .Record(Poll(kReadPoll))
        .Record(Answer(kReadResponse))
        .Record(Answer(kReadResponse))
        .WriteTo("capture.pcap");
    host.inputPath = "capture.pcap";
    EXPECT_EQ(RunAnalysis(host, platform_), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text, "Can not write to the report file\nFile: " + ReportPath());
    EXPECT_EQ(host.controlEvents.back(), "enable 3");
    EXPECT_TRUE(host.resultsText.find("Messages processed") == std::string::npos);
}

TEST_F(AnalysisRun, FullDiskLeavesTheReportCutAfterItsLastWholeBlock) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system for the report needs root";
    }
    constexpr uintmax_t kCapacity = 64 * 1024;
    fs::create_directory("small");
    if (mount("tmpfs", "small", "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no tmpfs could be mounted: " << std::strerror(errno);
    }
    struct Unmount {
        ~Unmount() { umount2("small", MNT_DETACH); }
    } unmount;

    // About 100 KiB of report for a 64 KiB file system.
    PcapBuilder capture;
    const int polls = 300;
    for (int i = 0; i < polls; ++i) {
        capture.Record(Poll(kReadPoll));
    }
    capture.WriteTo("capture.pcap");
    AnalysisRequest request;
    request.inputPaths = {"capture.pcap"};
    request.reportPath = "small/output.txt";
    request.options = host_.options;
    EXPECT_EQ(RunAnalysis(request, host_, platform_), AnalysisResult::EndedEarly);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text, "Can not write to the report file\nFile: " +
                                            (fs::path(directory_) / "small/output.txt").string());

    const std::string report = ReadFileText("small/output.txt");
    EXPECT_LT(report.size(), kCapacity);
    ASSERT_FALSE(report.empty());
    std::string wholeBlocks;
    for (int block = 1; wholeBlocks.size() < report.size(); ++block) {
        char number[16];
        std::snprintf(number, sizeof(number), "%03d", block);
        wholeBlocks += Crlf(ReadPollBlock(number));
    }
    EXPECT_EQ(report, wholeBlocks);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
}

TEST_F(AnalysisRun, LogRecordsEveryBoxWithItsAnswer) {
    presenter_.answers = {kIdNo};
    EXPECT_EQ(Run(PcapBuilder().Record(Poll(kReadPoll))), AnalysisResult::Completed);
    const std::string log = ReadFileText("log.txt");
    EXPECT_NE(log.find("] MessageAndLog iType=[4] msg=[We have analyzed 1 modbus messages"),
              std::string::npos);
    EXPECT_NE(log.find("] MessageAndLog return = [ 7]"), std::string::npos);
    EXPECT_TRUE(platform_.shellCalls.empty());
}

// Every warning is logged and shown; the run keeps the first 20 for its summary and page and
// counts the rest, and forgets them when the next run starts.
TEST_F(AnalysisRun, WarningsAreLoggedShownAndKeptUpToTheirBound) {
    host_.RunStarts();
    for (int i = 1; i <= 25; ++i) {
        host_.Warn("warning " + std::to_string(i));
    }
    EXPECT_EQ(host_.warnings.size(), 25u);
    const std::string log = ReadFileText("log.txt");
    for (int i = 1; i <= 25; ++i) {
        EXPECT_NE(log.find("] Warning: warning " + std::to_string(i) + (i < 25 ? "\r\n" : "")),
                  std::string::npos)
            << i;
    }
    ASSERT_EQ(host_.Warnings().kept.size(), 20u);
    EXPECT_EQ(host_.Warnings().kept.front(), "warning 1");
    EXPECT_EQ(host_.Warnings().kept.back(), "warning 20");
    EXPECT_EQ(host_.Warnings().notKept, 5u);
    host_.RunStarts();
    EXPECT_TRUE(host_.Warnings().kept.empty());
    EXPECT_EQ(host_.Warnings().notKept, 0u);
}
