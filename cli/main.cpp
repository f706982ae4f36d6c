#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "cli/interrupt_request.h"
#include "platform/platform_services.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CliStreams streams{std::cin, std::cout, std::cerr, StdinIsTerminal(), StderrIsTerminal()};
    CatchInterrupts();
    return RunCommandLine(arguments, streams, SystemPlatform());
}
