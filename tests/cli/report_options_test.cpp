// -o names the report, --force replaces an existing one (without it the run still stops), and
// -q keeps the notices to log.txt.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/cli/command_line_fixture.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(CommandLine, OutputNamesTheReport) {
    WriteCapture();
    fs::create_directory("reports");
    ASSERT_EQ(Run({"--output=reports/plant.txt", "capture.pcap"}), 0);
    EXPECT_TRUE(fs::exists("reports/plant.txt"));
    EXPECT_FALSE(fs::exists("output.txt"));
    EXPECT_TRUE(
        Contains(out_.str(), "Output: " + (fs::path(directory_) / "reports/plant.txt").string()));
    EXPECT_TRUE(Contains(ReadFileText("reports/plant.txt"), "Frame: 001"));
}

TEST_F(CommandLine, OutputIsRelativeToWhereTheCommandWasGiven) {
    WriteCapture();
    fs::create_directory("work");
    ASSERT_EQ(Run({"-C", "work", "-o", "mine.txt", "capture.pcap"}), 0);
    fs::current_path(directory_);
    EXPECT_TRUE(fs::exists("mine.txt"));
    EXPECT_TRUE(fs::exists("work/log.txt"));
    EXPECT_FALSE(fs::exists("work/mine.txt"));
    EXPECT_FALSE(fs::exists("work/output.txt"));
}

TEST_F(CommandLine, ExistingReportStopsTheRunWithoutForce) {
    WriteCapture();
    WriteText("plant.txt", "an earlier report");
    EXPECT_EQ(Run({"-o", "plant.txt", "capture.pcap"}), 1);
    EXPECT_TRUE(Contains(err_.str(), "We have found a previous result file.\nFile: " +
                                         (fs::path(directory_) / "plant.txt").string()));
    EXPECT_EQ(ReadFileText("plant.txt"), "an earlier report");
    EXPECT_EQ(out_.str(), "");
}

TEST_F(CommandLine, ForceReplacesTheExistingReport) {
    WriteCapture();
    ASSERT_EQ(Run({"capture.pcap"}), 0);
    const std::string fresh = ReadFileText("output.txt");
    WriteText("output.txt", "an earlier report that is longer than the new one " +
                                std::string(fresh.size(), 'x'));
    EXPECT_EQ(Run({"--force", "capture.pcap"}), 0);
    EXPECT_EQ(ReadFileText("output.txt"), fresh);
    EXPECT_FALSE(Contains(err_.str(), "previous result file"));
}

TEST_F(CommandLine, ForceStillStopsWhenTheReportCannotBeDeleted) {
    WriteCapture();
    fs::create_directories("busy/inside");  // a folder with something in it is not deleted
    EXPECT_EQ(Run({"--force", "-o", "busy", "capture.pcap"}), 1);
    EXPECT_TRUE(Contains(err_.str(), "We have found a previous result file."));
    EXPECT_TRUE(fs::exists("busy/inside"));
}

// The block of the one poll that WriteCapture records (10.0.0.9 -> 10.0.0.5, unanswered).
const char kPollBlock[] =
    "Frame: 001\r\n\r\nFrame Analysis (01 03 00 00 00 01 84 0A )\r\n--------------\r\n\r\n"
    "The frame has no errors.\r\n\r\nPoll Analysis\r\n-------------\r\n"
    "Source:        =10.0.0.9\r\nDestination    =10.0.0.5\r\n"
    "Device Address =1       =0x01\r\n"
    "Function       =3       =0x03 =Read Holding Registers\r\n"
    "Point Address  =40001   \r\nPoint Count    =1       \r\n\r\n\r\n";

TEST_F(CommandLine, ForceDeletesRegularFilesOnly) {
    WriteCapture();
    fs::create_directory("empty");  // an empty folder could be deleted, but is not a report
    EXPECT_EQ(Run({"--force", "-o", "empty", "capture.pcap"}), 1);
    EXPECT_TRUE(Contains(err_.str(), "We have found a previous result file."));
    EXPECT_TRUE(fs::is_directory("empty"));
}

TEST_F(CommandLine, DeviceAsReportIsWrittenIntoNotReplaced) {
    WriteCapture();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-o", "/dev/null", "capture.pcap"},
          std::vector<std::string>{"--force", "-o", "/dev/null", "capture.pcap"}}) {
        EXPECT_EQ(Run(arguments), 0) << err_.str();
        EXPECT_FALSE(Contains(err_.str(), "previous result file"));
        EXPECT_TRUE(Contains(out_.str(), "Output: /dev/null"));
        EXPECT_TRUE(fs::is_character_file("/dev/null"));
    }
    EXPECT_FALSE(fs::exists("output.txt"));
}

TEST_F(CommandLine, NamedPipeAsReportIsWrittenInto) {
    WriteCapture();
    ASSERT_EQ(mkfifo("report.fifo", 0600), 0);
    std::string received;
    std::thread reader([&received] {
        std::ifstream pipe("report.fifo", std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(pipe), std::istreambuf_iterator<char>());
    });
    const int status = Run({"--force", "-o", "report.fifo", "capture.pcap"});
    // Should the run not have opened the pipe, this lets the reader go.
    const int unblock = open("report.fifo", O_WRONLY | O_NONBLOCK);
    if (unblock >= 0) {
        close(unblock);
    }
    reader.join();
    EXPECT_EQ(status, 0) << err_.str();
    EXPECT_EQ(received, kPollBlock);
    EXPECT_TRUE(fs::is_fifo("report.fifo"));
}

TEST_F(CommandLine, DashWritesTheReportToStandardOutputAndTheSummaryToStandardError) {
    WriteCapture();
    const std::string command = std::string("'") + ZEP_CLI_PROGRAM +
                                "' --no -q -o - capture.pcap >report.txt 2>summary.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileText("report.txt"), kPollBlock);
    EXPECT_EQ(ReadFileText("summary.txt"),
              "1\tMessages processed\n1\tModbus messages processed\n0\tModbus message ingored "
              "\n\nOutput: -\n");
    EXPECT_FALSE(fs::exists("output.txt"));
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(CommandLine, QuietKeepsNoticesInTheLogOnly) {
    WriteCapture();
    // Even on a terminal nothing is asked: the answer is No, the input is left alone.
    EXPECT_EQ(Run({"-q", "capture.pcap"}, "y\n", true), 0);
    EXPECT_EQ(err_.str(), "");
    EXPECT_TRUE(Contains(out_.str(), "1\tModbus messages processed\n"));
    EXPECT_TRUE(platform_.shellCalls.empty());
    EXPECT_TRUE(Contains(ReadFileText("log.txt"), "We have analyzed 1 modbus messages"));

    EXPECT_EQ(Run({"--quiet", "--yes", "absent.pcap"}), 1);
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(Contains(ReadFileText("log.txt"), "The input file does not exist/readable"));
}

TEST_F(CommandLine, QuietStillShowsTheErrorThatEndsTheRun) {
    WriteCapture();
    WriteText("notes.txt", "Not a capture, but long enough to hold a capture file header.\n");
    fs::create_directory("folder");
    // A capture of one TCP segment on another port than 502: no Modbus message in it.
    PacketOptions web;
    web.destinationPort = 80;
    PcapBuilder().Record(TcpPacket({'G', 'E', 'T', ' ', '/'}, web)).WriteTo("web.pcap");
    WriteText("earlier.txt", "an earlier report");
    struct Ending {
        const char* capture;
        const char* report;
        const char* message;  // the first line of the box
    };
    const Ending endings[] = {
        {"absent.pcap", "output.txt", "The input file does not exist/readable\n"},
        {"notes.txt", "output.txt", "Invalid input file\nFile: notes.txt\n"},
        {"folder", "output.txt", "The input file is a directory, not a capture file\n"},
        {"web.pcap", "output.txt", "Error: There are no valid Modbus messages in this file\n"},
        {"capture.pcap", "earlier.txt", "We have found a previous result file.\n"},
    };
    for (const Ending& ending : endings) {
        // The box is shown as it is without -q, with the answer taken.
        EXPECT_EQ(Run({"-o", ending.report, ending.capture}), 1) << ending.capture;
        const std::string shown = err_.str();
        EXPECT_EQ(Run({"-q", "-o", ending.report, ending.capture}), 1) << ending.capture;
        EXPECT_EQ(err_.str().rfind(ending.message, 0), 0u) << err_.str();
        EXPECT_EQ(err_.str(), shown);
        EXPECT_EQ(out_.str(), "");
    }
}

TEST_F(CommandLine, SummaryPointsAndMapPathsAreCheckedBeforeTheAnalysis) {
    WriteCapture();
    fs::create_directory("folder");
    const std::string cannotWrite = "Can not write to the report file\nFile: ";
    for (const char* option : {"--summary", "--points", "--suggest-map", "--html"}) {
        EXPECT_EQ(Run({option, "folder", "capture.pcap"}), 1) << option;
        EXPECT_TRUE(Contains(err_.str(), cannotWrite + (fs::path(directory_) / "folder").string()))
            << err_.str();
        EXPECT_EQ(Run({option, "capture.pcap", "capture.pcap"}), 2) << option;
        EXPECT_TRUE(Contains(err_.str(), "and the capture name the same file 'capture.pcap'"));
        EXPECT_EQ(Run({option, "missing/dir/file", "capture.pcap"}), 1) << option;
        EXPECT_TRUE(Contains(err_.str(), cannotWrite));
        EXPECT_EQ(Run({option, "", "capture.pcap"}), 2) << option;
        // Nothing was analysed: no report was begun.
        EXPECT_FALSE(fs::exists("output.txt"));
        EXPECT_FALSE(fs::exists("missing"));
    }
    // A summary on standard output sends the closing lines to standard error.
    const std::string command = std::string("'") + ZEP_CLI_PROGRAM +
                                "' --no -q --summary - capture.pcap >summary.json 2>closing.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileText("summary.json").rfind("{\r\n  \"capture\": {", 0), 0u);
    EXPECT_TRUE(Contains(ReadFileText("closing.txt"), "Modbus messages processed"));
}
