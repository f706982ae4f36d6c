// Two files of one run that are one file: a usage error before anything is written, however
// the file is named (".", "..", a link, -C's directory for the report and the logs).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/cli/command_line_fixture.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct Collision {
    std::vector<std::string> arguments;
    const char* message;
};

const Collision kCollisions[] = {
    {{"--html", "output.txt", "capture.pcap"},
     "the report and --html name the same file 'output.txt'"},
    {{"--summary", "s.json", "--points", "s.json", "capture.pcap"},
     "--summary and --points name the same file 's.json'"},
    {{"--transactions", "log.txt", "capture.pcap"},
     "log.txt and --transactions name the same file 'log.txt'"},
    {{"-o", "r.txt", "--suggest-map", "./sub/../r.txt", "capture.pcap"},
     "the report and --suggest-map name the same file './sub/../r.txt'"},
    {{"--debug-log", "--points", "Debuglog.txt", "capture.pcap"},
     "Debuglog.txt and --points name the same file 'Debuglog.txt'"},
    // With -C the report and the logs are in its directory, the other files where the command
    // was given.
    {{"-C", "work", "--transactions", "work/log.txt", "capture.pcap"},
     "log.txt and --transactions name the same file 'work/log.txt'"},
    {{"-C", "work", "--html", "sub/../work/./output.txt", "capture.pcap"},
     "the report and --html name the same file 'sub/../work/./output.txt'"},
    {{"--summary", "capture.pcap", "capture.pcap"},
     "--summary and the capture name the same file 'capture.pcap'"},
    {{"-o", "../dir/capture.pcap", "capture.pcap"},
     "the report and the capture name the same file 'capture.pcap'"},
    {{"--map", "map.csv", "--points", "map.csv", "capture.pcap"},
     "--points and --map name the same file 'map.csv'"},
};

}  // namespace

class SameFileTwice : public CommandLine {
protected:
    void SetUp() override {
        CommandLine::SetUp();
        WriteCapture();
        WriteText("map.csv", "name,address\nA,0\n");
        fs::create_directory("sub");
        fs::create_directory("work");
    }

    // The usage error, and not a byte written: no report, no log, the capture and the map as
    // they were.
    void ExpectCollision(const std::vector<std::string>& arguments, const std::string& message) {
        const std::string capture = ReadFileText("capture.pcap");
        EXPECT_EQ(Run(arguments), 2) << message;
        EXPECT_EQ(err_.str(), "zep-modbus-parser: " + message +
                                  "\nTry 'zep-modbus-parser --help' for more information.\n");
        EXPECT_EQ(out_.str(), "");
        for (const char* written : {"output.txt", "log.txt", "Debuglog.txt", "s.json", "r.txt",
                                    "work/output.txt", "work/log.txt"}) {
            EXPECT_FALSE(fs::exists(written)) << written << " after: " << message;
        }
        EXPECT_EQ(ReadFileText("capture.pcap"), capture);
        EXPECT_EQ(ReadFileText("map.csv"), "name,address\nA,0\n");
    }
};

TEST_F(SameFileTwice, SamePathIsAUsageError) {
    // "../dir/capture.pcap" seen from the test's directory, whatever it is called.
    const std::string parent = "../" + fs::path(directory_).filename().string();
    for (Collision collision : kCollisions) {
        for (std::string& argument : collision.arguments) {
            if (argument.rfind("../dir/", 0) == 0) {
                argument = parent + argument.substr(6);
            }
        }
        ExpectCollision(collision.arguments, collision.message);
    }
}

TEST_F(SameFileTwice, LinksToOneFileAreAUsageError) {
    // A link whose file the run would create, and one to a file that exists.
    fs::create_symlink("s.json", "new-link.json");
    ExpectCollision({"--summary", "s.json", "--points", "new-link.json", "capture.pcap"},
                    "--summary and --points name the same file 'new-link.json'");
    fs::create_symlink("map.csv", "map-link.csv");
    ExpectCollision({"--map", "map.csv", "--html", "map-link.csv", "capture.pcap"},
                    "--html and --map name the same file 'map.csv'");
    fs::create_hard_link("capture.pcap", "hard.pcap");
    ExpectCollision({"--transactions", "hard.pcap", "capture.pcap"},
                    "--transactions and the capture name the same file 'capture.pcap'");
}

TEST_F(SameFileTwice, DevicesAndStandardOutputMayBeNamedTwice) {
    EXPECT_EQ(Run({"-q", "-o", "/dev/null", "--summary", "/dev/null", "--points", "/dev/null",
                   "--html", "/dev/null", "capture.pcap"}),
              0)
        << err_.str();
}
