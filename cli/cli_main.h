#pragma once
// The command-line program as a function, so that it can be run by the tests.

#include <iosfwd>
#include <string>
#include <vector>

class PlatformServices;

struct CliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool stdinIsTerminal;
    bool stderrIsTerminal;
};

// Returns the exit status: 0 analysis completed, 1 the run ended early, 2 usage error or a
// register map that cannot be loaded (for the web commands: 0 the server answered with a
// decisive word, 1 it did not).
int RunCommandLine(const std::vector<std::string>& arguments, CliStreams streams,
                   PlatformServices& platform);
