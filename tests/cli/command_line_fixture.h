#pragma once
// Runs the command-line program as a function in a fresh directory, with its console in
// string streams.

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

class CommandLine : public InTempDirectory {
protected:
    int Run(const std::vector<std::string>& arguments, const std::string& input = "",
            bool terminal = false) {
        in_.clear();
        in_.str(input);
        out_.str("");
        err_.str("");
        return RunCommandLine(arguments, CliStreams{in_, out_, err_, terminal, false}, platform_);
    }
    // One poll of holding register 40001 from unit 1, unanswered.
    static void WriteCapture(const std::string& path = "capture.pcap") {
        PcapBuilder()
            .Record(TcpPacket(ModbusTcpAdu(1, {0x03, 0x00, 0x00, 0x00, 0x01})))
            .WriteTo(path);
    }

    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
    FakePlatform platform_;
};
