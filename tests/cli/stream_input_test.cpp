// The program itself reading a capture from a pipe, being interrupted, and both pairings agreeing
// where the original design is right.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/cli/command_line_fixture.h"

namespace fs = std::filesystem;

namespace {

int ExitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Example() {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    return source == nullptr ? std::string()
                             : (fs::path(source) / "examples" / "example.pcap").string();
}

}  // namespace

TEST_F(CommandLine, CaptureFromStandardInputGivesTheSameReport) {
    const std::string program = ZEP_CLI_PROGRAM;
    const std::string example = Example();
    ASSERT_FALSE(example.empty());
    fs::create_directory("file");
    fs::create_directory("pipe");
    ASSERT_EQ(ExitStatus(std::system(
                  ("cd file && '" + program + "' --no -q '" + example + "' >/dev/null").c_str())),
              0);
    ASSERT_EQ(
        ExitStatus(std::system(
            ("cd pipe && cat '" + example + "' | '" + program + "' --no -q - >/dev/null").c_str())),
        0);
    EXPECT_EQ(ReadFileText("pipe/output.txt"), ReadFileText("file/output.txt"));
}

TEST_F(CommandLine, BothPairingsAgreeOnOneClientOneServerAlternating) {
    const std::string example = Example();
    ASSERT_FALSE(example.empty());
    ASSERT_EQ(Run({"--no", "-o", "transaction.txt", example}), 0);
    const std::string transactionSummary = out_.str();
    ASSERT_EQ(Run({"--no", "--pairing=address", "-o", "address.txt", example}), 0);
    EXPECT_EQ(ReadFileText("transaction.txt"), ReadFileText("address.txt"));
    EXPECT_EQ(transactionSummary.substr(0, transactionSummary.find("Output:")),
              out_.str().substr(0, out_.str().find("Output:")));
}

TEST_F(CommandLine, InterruptedRunEndsInWholeBlocks) {
    // A writer feeds the program through a pipe, stops half-way, interrupts it, then closes.
    PcapBuilder first;
    PcapBuilder rest;
    for (uint16_t id = 1; id <= 40; ++id) {
        PacketOptions poll;
        poll.sourcePort = static_cast<uint16_t>(40000 + id);
        (id <= 20 ? first : rest)
            .Timestamp(1700000000u + id, 0)
            .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, id), poll));
    }
    const Bytes head = first.Build();
    const Bytes tail = rest.Build();
    const size_t headerSize = 24;
    int toProgram[2];
    ASSERT_EQ(pipe(toProgram), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(toProgram[0], 0);
        close(toProgram[1]);
        execl(ZEP_CLI_PROGRAM, ZEP_CLI_PROGRAM, "--no", "-q", "--response-timeout=0.5", "-",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toProgram[0]);
    ASSERT_EQ(write(toProgram[1], head.data(), head.size()), static_cast<ssize_t>(head.size()));
    usleep(300 * 1000);  // let it read and report what it has
    kill(child, SIGINT);
    usleep(100 * 1000);
    // The stop ends the program's wait on the silent pipe: it may be gone before this write.
    const auto previous = signal(SIGPIPE, SIG_IGN);
    const ssize_t more = write(toProgram[1], tail.data() + headerSize, tail.size() - headerSize);
    (void)more;
    signal(SIGPIPE, previous);
    close(toProgram[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(ExitStatus(status), 130);
    const std::string report = ReadFileText("output.txt");
    EXPECT_NE(report.find("Frame: 001\r\n"), std::string::npos);
    EXPECT_EQ(report.find("Frame: 040\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
}

TEST_F(CommandLine, StopEndsAWaitOnASilentPipeAndPrintsTheClosingCounts) {
    PcapBuilder head;
    for (uint16_t id = 1; id <= 5; ++id) {
        PacketOptions poll;
        poll.sourcePort = static_cast<uint16_t>(40000 + id);
        head.Timestamp(1700000000u + id, 0)
            .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01}, id), poll));
    }
    const Bytes capture = head.Build();
    int toProgram[2];
    int fromProgram[2];
    ASSERT_EQ(pipe(toProgram), 0);
    ASSERT_EQ(pipe(fromProgram), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(toProgram[0], 0);
        dup2(fromProgram[1], 1);
        close(toProgram[1]);
        close(fromProgram[0]);
        execl(ZEP_CLI_PROGRAM, ZEP_CLI_PROGRAM, "--no", "-q", "--response-timeout=0.5", "-",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toProgram[0]);
    close(fromProgram[1]);
    ASSERT_EQ(write(toProgram[1], capture.data(), capture.size()),
              static_cast<ssize_t>(capture.size()));
    usleep(300 * 1000);  // it has read all there is and waits for more
    kill(child, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    for (int tries = 0; tries < 50 && ended == 0; ++tries) {
        usleep(100 * 1000);
        ended = waitpid(child, &status, WNOHANG);
    }
    close(toProgram[1]);  // the writer never went away by itself
    if (ended == 0) {
        waitpid(child, &status, 0);
    }
    EXPECT_EQ(ended, child) << "the stop waited for the writer";
    EXPECT_EQ(ExitStatus(status), 130);
    std::string printed;
    char buffer[4096];
    for (ssize_t got; (got = read(fromProgram[0], buffer, sizeof buffer)) > 0;) {
        printed.append(buffer, static_cast<size_t>(got));
    }
    close(fromProgram[0]);
    EXPECT_NE(printed.find("5\tMessages processed\n5\tModbus messages processed\n"),
              std::string::npos)
        << printed;
    const std::string report = ReadFileText("output.txt");
    EXPECT_NE(report.find("Frame: 005\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
}
