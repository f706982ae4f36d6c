// A build without the web part: the command line has no update check and no feedback.

#include <ostream>

#include "cli/web_commands.h"

std::vector<OptionEntry> WebCommandOptions() {
    return {};
}

const char* WebCommandUsage() {
    return "";
}

const char* WebCommandExitStatus() {
    return "";
}

int RunWebCommand(const CliOptions&, CliStreams streams, PlatformServices&) {
    // Not reached: without the options above no web command can be asked for.
    streams.err << "zep-modbus-parser: this build has no network functions\n";
    return 2;
}
