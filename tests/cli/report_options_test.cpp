// -o names the report, --force replaces an existing one (without it the run still stops), and
// -q keeps the notices to log.txt.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST_F(CommandLine, QuietKeepsNoticesInTheLogOnly) {
    WriteCapture();
    // Even on a terminal nothing is asked: the answer is No, the input is left alone.
    EXPECT_EQ(Run({"-q", "capture.pcap"}, "y\n", true), 0);
    EXPECT_EQ(err_.str(), "");
    EXPECT_TRUE(Contains(out_.str(), "1\tModbus messages processed\n"));
    EXPECT_TRUE(platform_.shellCalls.empty());
    EXPECT_TRUE(Contains(ReadFileText("log.txt"), "We have analyzed 1 modbus messages"));

    EXPECT_EQ(Run({"--quiet", "--yes", "absent.pcap"}), 1);
    EXPECT_EQ(err_.str(), "");
    EXPECT_EQ(out_.str(), "");
    EXPECT_TRUE(Contains(ReadFileText("log.txt"), "The input file does not exist/readable"));
}
