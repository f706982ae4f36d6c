#include "cli/cli_options.h"

#include "common/product_identity.h"
#include "common/text_format.h"

namespace {

CliOptions UsageError(const std::string& error) {
    CliOptions options;
    options.command = CliCommand::UsageError;
    options.error = error;
    return options;
}

}  // namespace

CliOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool answerGiven = false;
    bool onlyOperands = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!onlyOperands && argument == "--help") {
            options.command = CliCommand::Help;
            return options;
        }
        if (!onlyOperands && argument == "--version") {
            options.command = CliCommand::Version;
            return options;
        }
        if (!onlyOperands && (argument == "--yes" || argument == "--no")) {
            const CliAnswer answer = argument == "--yes" ? CliAnswer::Yes : CliAnswer::No;
            if (answerGiven && answer != options.answer) {
                return UsageError("--yes and --no exclude each other");
            }
            options.answer = answer;
            answerGiven = true;
        } else if (!onlyOperands && argument == "--debug-log") {
            options.debugLog = true;
        } else if (!onlyOperands && argument == "-C") {
            if (i + 1 >= arguments.size()) {
                return UsageError("-C needs a directory");
            }
            options.directory = arguments[++i];
        } else if (!onlyOperands && argument == "--") {
            onlyOperands = true;
        } else if (!onlyOperands && argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option " + argument);
        } else if (options.capture.empty()) {
            options.capture = argument;
        } else {
            return UsageError("only one capture file can be analysed at a time");
        }
    }
    if (options.capture.empty()) {
        return UsageError("no capture file given");
    }
    options.command = CliCommand::Analyze;
    return options;
}

std::string UsageText() {
    return "Usage: zep-modbus-parser [--yes|--no] [-C DIR] [--debug-log] CAPTURE\n"
           "       zep-modbus-parser --help | --version\n"
           "\n"
           "Analyses the Modbus/TCP traffic in the libpcap capture CAPTURE and writes the report\n"
           "output.txt (and log.txt) in the current directory, or in DIR with -C.\n"
           "\n"
           "  --yes, --no   answer the questions of the run when standard input is not a terminal\n"
           "                (default: No)\n"
           "  -C DIR        work in directory DIR\n"
           "  --debug-log   also write the diagnostic log Debuglog.txt\n"
           "  --help        show this text\n"
           "  --version     show the version\n"
           "\n"
           "Exit status: 0 analysis completed, 1 the run ended early, 2 usage error.\n";
}

std::string VersionText() {
    return Format("zep-modbus-parser %s%c%c\n", kProductVersion, kBuildLetter, kBuildLetterUpper);
}
