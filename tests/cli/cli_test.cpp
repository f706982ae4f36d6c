// The command-line front end: options, exit status and what reaches the console.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/console_host.h"
#include "tests/cli/command_line_fixture.h"

namespace fs = std::filesystem;

TEST(ConsoleHost, ProgressLineOnlyWhileRunning) {
    std::ostringstream progress;
    ConsoleHost host(progress, true);
    host.SetResultsText("idle");
    host.RefreshControls();
    host.ShowProgress({3, ByteView(), true});
    EXPECT_EQ(progress.str(), "");
    host.SetBusy(true);
    const std::vector<uint8_t> frame = {0x01, 0x03};
    host.ShowProgress({12, ByteView(frame), true});
    EXPECT_EQ(progress.str(), "\r12 Modbus messages processed...Please wait");
    host.SetResultsText("7\tMessages processed\r\n");
    host.RefreshControls();  // a shorter line blanks what is left of the longer one
    EXPECT_EQ(progress.str(), "\r12 Modbus messages processed...Please wait\r7 Messages processed" +
                                  std::string(22, ' '));
    host.SetBusy(false);
    EXPECT_EQ(progress.str().substr(progress.str().size() - 1), "\r");
}

TEST_F(CommandLine, AnalysesAndPrintsTheSummary) {
    WriteCapture();
    EXPECT_EQ(Run({"capture.pcap"}), 0);
    const std::string reportPath = (fs::path(directory_) / "output.txt").string();
    EXPECT_EQ(out_.str(),
              "1\tMessages processed\n1\tModbus messages processed\n0\tModbus message ingored \n\n"
              "Output: " +
                  reportPath + "\n");
    EXPECT_EQ(err_.str(),
              "We have analyzed 1 modbus messages and saved the results to your computer\nFile: " +
                  reportPath + "\nWould you like to view the results?\n[No]\n\n");
    EXPECT_TRUE(fs::exists("output.txt"));
    EXPECT_TRUE(fs::exists("log.txt"));
    EXPECT_FALSE(fs::exists("Debuglog.txt"));
    EXPECT_TRUE(platform_.shellCalls.empty());

    // A second run meets the earlier report and ends early.
    EXPECT_EQ(Run({"--yes", "capture.pcap"}), 1);
    EXPECT_NE(err_.str().find("We have found a previous result file."), std::string::npos);
    EXPECT_NE(err_.str().find("[Yes]"), std::string::npos);
    ASSERT_EQ(platform_.shellCalls.size(), 1u);
    EXPECT_EQ(platform_.shellCalls[0].first, "explore");
}

TEST_F(CommandLine, AsksOnTheTerminal) {
    WriteCapture();
    EXPECT_EQ(Run({"capture.pcap"}, "maybe\ny\n", true), 0);
    EXPECT_NE(err_.str().find("Yes or No? [y/N] Yes or No? [y/N] [Yes]"), std::string::npos);
    EXPECT_EQ(platform_.shellCalls.size(), 1u);
}

TEST_F(CommandLine, WorksInTheGivenDirectoryAndReportsFailures) {
    WriteCapture();
    fs::create_directory("out");
    const std::string capture = (fs::path(directory_) / "capture.pcap").string();
    EXPECT_EQ(Run({"-C", "out", "--debug-log", "capture.pcap"}), 0);
    EXPECT_TRUE(fs::exists(fs::path(directory_) / "out" / "output.txt"));
    EXPECT_TRUE(fs::exists(fs::path(directory_) / "out" / "Debuglog.txt"));
    EXPECT_EQ(Run({"-C", (fs::path(directory_) / "absent").string(), capture}), 1);
    EXPECT_NE(err_.str().find("cannot work in directory"), std::string::npos);
    fs::current_path(directory_);
    EXPECT_EQ(Run({"absent.pcap"}), 1);
    EXPECT_EQ(err_.str(),
              "The input file does not exist/readable\nInput file=[absent.pcap]\n[OK]\n\n");
    EXPECT_EQ(out_.str(), "");
}

TEST_F(CommandLine, ExampleCaptureRecordedFromLibmodbus) {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string capture = (fs::path(source) / "examples" / "example.pcap").string();
    ASSERT_EQ(Run({capture}), 0);
    // 36 packets: handshake, acknowledgements and 26 Modbus/TCP messages (13 requests, 13 answers).
    EXPECT_EQ(
        out_.str().substr(0, out_.str().find("Output:")),
        "36\tMessages processed\n26\tModbus messages processed\n0\tModbus message ingored \n\n");
    const std::string report = ReadFileText("output.txt");
    // What the client read and wrote, decoded with its addresses.
    EXPECT_NE(report.find("\tPoint Address  =40001   Value=10   =0x0a\r\n\tPoint Address  =40002   "
                          "Value=258  =0x102\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("\tPoint Address  =30001   Value=4096 =0x1000\r\n"), std::string::npos);
    EXPECT_NE(report.find("Point Address  =40003   \r\nRequired value =4660    =0x1234\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("\tPoint Address  =40003   Value=4660 =0x1234\r\n"),
              std::string::npos);  // read/write
    EXPECT_NE(report.find("Run Indicator      =0xff    =On\r\n"), std::string::npos);
    EXPECT_NE(report.find("Exception Code =1       =0x01\r\n"), std::string::npos);
    EXPECT_NE(report.find("Exception Code =2       =0x02\r\n"), std::string::npos);
    EXPECT_EQ(report.find("Error #"), std::string::npos);
}
