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
    CliCommand webCommand = CliCommand::Analyze;  // Analyze: no web command given
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
        } else if (!onlyOperands && argument == "--check-update") {
            if (webCommand == CliCommand::SendFeedback) {
                return UsageError("--check-update and --send-feedback exclude each other");
            }
            webCommand = CliCommand::CheckUpdate;
        } else if (!onlyOperands && argument == "--send-feedback") {
            if (i + 1 >= arguments.size()) {
                return UsageError("--send-feedback needs the text to send");
            }
            if (webCommand == CliCommand::CheckUpdate) {
                return UsageError("--check-update and --send-feedback exclude each other");
            }
            webCommand = CliCommand::SendFeedback;
            options.feedbackText = arguments[++i];
        } else if (!onlyOperands && argument == "--web-host") {
            if (i + 1 >= arguments.size()) {
                return UsageError("--web-host needs a host name");
            }
            options.webHost = arguments[++i];
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
    if (webCommand != CliCommand::Analyze) {
        if (!options.capture.empty()) {
            return UsageError("--check-update and --send-feedback take no capture file");
        }
        options.command = webCommand;
        return options;
    }
    if (options.capture.empty()) {
        return UsageError("no capture file given");
    }
    options.command = CliCommand::Analyze;
    return options;
}

std::string UsageText() {
    return "Usage: zep-modbus-parser [--yes|--no] [-C DIR] [--debug-log] CAPTURE\n"
           "       zep-modbus-parser --check-update [--yes|--no] [--web-host HOST]\n"
           "       zep-modbus-parser --send-feedback TEXT [--web-host HOST]\n"
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
           "  --check-update        ask the maker's web server whether a newer version exists\n"
           "                        (--yes/--no answer its download question)\n"
           "  --send-feedback TEXT  send TEXT to the maker as feedback\n"
           "  --web-host HOST       talk to HOST (host or host:port) instead of the maker's\n"
           "                        web server\n"
           "\n"
           "Exit status: 0 analysis completed, 1 the run ended early, 2 usage error.\n"
           "With --check-update or --send-feedback: 0 the server answered, 1 it did not.\n";
}

std::string VersionText() {
    return "zep-modbus-parser " + FullVersionText() + "\n";
}
