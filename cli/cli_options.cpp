#include "cli/cli_options.h"

#include <cstdlib>

#include "cli/web_commands.h"

namespace {

std::string Accept() {
    return std::string();
}

std::string ApplyHelp(CliOptions& options, const std::string&) {
    options.command = CliCommand::Help;
    return Accept();
}

std::string ApplyVersion(CliOptions& options, const std::string&) {
    options.command = CliCommand::Version;
    return Accept();
}

std::string ApplyAnswer(CliOptions& options, CliAnswer answer) {
    if (options.answer != CliAnswer::Ask && options.answer != answer) {
        return "--yes and --no exclude each other";
    }
    options.answer = answer;
    return Accept();
}

std::string ApplyYes(CliOptions& options, const std::string&) {
    return ApplyAnswer(options, CliAnswer::Yes);
}

std::string ApplyNo(CliOptions& options, const std::string&) {
    return ApplyAnswer(options, CliAnswer::No);
}

std::string ApplyDirectory(CliOptions& options, const std::string& directory) {
    if (directory.empty()) {
        return "the directory name is empty";
    }
    options.directory = directory;
    return Accept();
}

std::string ApplyOutput(CliOptions& options, const std::string& report) {
    if (report.empty()) {
        return "the report file name is empty";
    }
    options.report = report;
    return Accept();
}

std::string ApplyForce(CliOptions& options, const std::string&) {
    options.force = true;
    return Accept();
}

std::string ApplyQuiet(CliOptions& options, const std::string&) {
    options.quiet = true;
    return Accept();
}

std::string ApplyDebugLog(CliOptions& options, const std::string&) {
    options.debugLog = true;
    return Accept();
}

std::string ApplyPairing(CliOptions& options, const std::string& mode) {
    if (mode != "transaction" && mode != "address") {
        return "--pairing takes 'transaction' or 'address', not '" + mode + "'";
    }
    options.addressPairing = mode == "address";
    return Accept();
}

std::string ApplyPort(CliOptions& options, const std::string& value) {
    char* end = nullptr;
    const long port = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || port < 1 || port > 65535) {
        return "--port takes a TCP port from 1 to 65535, not '" + value + "'";
    }
    options.ports.push_back(static_cast<uint16_t>(port));
    return Accept();
}

std::string ApplyResponseTimeout(CliOptions& options, const std::string& value) {
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(seconds >= 0) || seconds > 86400) {
        return "--response-timeout takes seconds from 0 (none) to 86400, not '" + value + "'";
    }
    options.responseTimeoutSeconds = seconds;
    options.timeoutGiven = true;
    return Accept();
}

std::string ApplyTransactions(CliOptions& options, const std::string& file) {
    if (file.empty()) {
        return "the transaction log file name is empty";
    }
    options.transactionLog = file;
    return Accept();
}

// An output file named by an option: not empty.
std::string NamedFile(const char* what, const std::string& file, std::string& target) {
    if (file.empty()) {
        return std::string("the ") + what + " file name is empty";
    }
    target = file;
    return Accept();
}

std::string ApplySummary(CliOptions& options, const std::string& file) {
    return NamedFile("summary", file, options.summary);
}

std::string ApplyPoints(CliOptions& options, const std::string& file) {
    return NamedFile("points", file, options.points);
}

std::string ApplySuggestMap(CliOptions& options, const std::string& file) {
    return NamedFile("suggested map", file, options.suggestMap);
}

std::string ApplyMap(CliOptions& options, const std::string& file) {
    return NamedFile("register map", file, options.map);
}

std::string ApplyHtml(CliOptions& options, const std::string& file) {
    return NamedFile("HTML report", file, options.html);
}

std::string ApplySlowResponse(CliOptions& options, const std::string& value) {
    char* end = nullptr;
    const double ms = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(ms >= 0) || ms > 86400000) {
        return "--slow-response takes milliseconds from 0 to 86400000, not '" + value + "'";
    }
    options.slowResponseMs = ms;
    options.slowResponseGiven = true;
    return Accept();
}

// Seconds of wall-clock time from `least` to `most`; false when `value` is not one.
bool ReadSeconds(const std::string& value, double least, double most, double& seconds) {
    char* end = nullptr;
    const double read = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(read >= least) || read > most) {
        return false;
    }
    seconds = read;
    return true;
}

std::string ApplyUpdate(CliOptions& options, const std::string& value) {
    // The views are refreshed once a second: a shorter interval would not come sooner.
    if (!ReadSeconds(value, 1, 86400, options.updateSeconds)) {
        return "--update takes seconds from 1 to 86400, not '" + value + "'";
    }
    return Accept();
}

std::string ApplyDuration(CliOptions& options, const std::string& value) {
    constexpr double kMonth = 31 * 86400.0;
    if (!ReadSeconds(value, 0, kMonth, options.durationSeconds) || options.durationSeconds == 0) {
        return "--duration takes seconds above 0, up to 2678400 (31 days), not '" + value + "'";
    }
    return Accept();
}

std::string ApplyTop(CliOptions& options, const std::string&) {
    options.top = true;
    return Accept();
}

std::string ApplyInterface(CliOptions& options, const std::string& name) {
    if (name.empty()) {
        return "the interface name is empty";
    }
    options.interfaces.push_back(name);
    return Accept();
}

std::string ApplyCaptureFilter(CliOptions& options, const std::string& filter) {
    options.captureFilter = filter;
    return Accept();
}

std::string ApplyListInterfaces(CliOptions& options, const std::string&) {
    options.command = CliCommand::ListInterfaces;
    return Accept();
}

// The help of an option with a numeric default names the default its option takes.
const char* ResponseTimeoutHelp() {
    static const std::string help =
        "a request unanswered this long (capture time) is\nreported alone (default " +
        std::to_string(kDefaultResponseTimeoutSeconds) + "; 0: no time-out)";
    return help.c_str();
}

const char* SlowResponseHelp() {
    static const std::string help =
        "a response later than MS milliseconds is an anomaly\nin the summary (default " +
        std::to_string(kDefaultSlowResponseMs) + ")";
    return help.c_str();
}

std::vector<OptionEntry> BuildOptionTable() {
    std::vector<OptionEntry> table = {
        {'C', "directory", "DIR", "work in DIR (log.txt and the default report go there)",
         ApplyDirectory},
        {'o', "output", "FILE",
         "write the report to FILE (default: output.txt);\n"
         "'-' is standard output (summary to standard error)",
         ApplyOutput},
        {'\0', "force", nullptr, "delete an existing report file instead of stopping", ApplyForce},
        {'q', "quiet", nullptr,
         "notices only to log.txt, not to standard error (the\n"
         "error that ends a run still is); questions are\n"
         "answered by --yes/--no",
         ApplyQuiet},
        {'\0', "yes", nullptr, "answer Yes to questions when nobody can be asked", ApplyYes},
        {'\0', "no", nullptr, "answer No to them (the default)", ApplyNo},
        {'\0', "debug-log", nullptr, "also write the diagnostic log Debuglog.txt", ApplyDebugLog},
        {'i', "interface", "IFACE",
         "capture live from the network interface IFACE instead\n"
         "of reading files, until interrupted (repeatable; Linux)",
         ApplyInterface},
        {'f', "capture-filter", "FILTER",
         "keep only the packets that pass FILTER (tcpdump's\n"
         "syntax) from the interface or the files; an interface\n"
         "takes TCP on the Modbus ports by default",
         ApplyCaptureFilter},
        {'D', "list-interfaces", nullptr, "list the interfaces -i can capture from and exit",
         ApplyListInterfaces},
        {'\0', "pairing", "MODE",
         "pair by 'transaction' (per connection and transaction\n"
         "id, the default) or by 'address' (one server, one client)",
         ApplyPairing},
        {'\0', "port", "N", "also take TCP port N as Modbus/TCP (repeatable)", ApplyPort},
        {'\0', "response-timeout", "SECONDS", ResponseTimeoutHelp(), ApplyResponseTimeout},
        {'\0', "transactions", "FILE", "also write every transaction to FILE as JSON Lines",
         ApplyTransactions},
        {'\0', "summary", "FILE",
         "also write the plant summary to FILE as JSON: devices,\n"
         "clients, response times, polling, writes, anomalies",
         ApplySummary},
        {'\0', "points", "FILE", "also write every point value read or written to FILE\nas CSV",
         ApplyPoints},
        {'\0', "suggest-map", "FILE",
         "also write a register map drafted from the traffic to\n"
         "FILE as YAML, with 32-bit types where the values show them",
         ApplySuggestMap},
        {'\0', "html", "FILE",
         "also write a self-contained HTML report to FILE: devices,\n"
         "charts, writes, anomalies (prints on A4)",
         ApplyHtml},
        {'\0', "slow-response", "MS", SlowResponseHelp(), ApplySlowResponse},
        {'\0', "map", "FILE",
         "read what the registers mean from the register map\n"
         "FILE (YAML, or CSV when its name ends in .csv)",
         ApplyMap},
        {'\0', "update", "SECONDS",
         "rewrite the summary, the page and the drafted map\n"
         "every SECONDS while a stream or live capture goes on\n"
         "(default 10; SIGHUP: now); a file writes them at its end",
         ApplyUpdate},
        {'\0', "duration", "SECONDS",
         "stop after SECONDS of wall-clock time, as Ctrl-C but\n"
         "ending normally",
         ApplyDuration},
        {'\0', "top", nullptr,
         "show the devices, those needing attention first, and\n"
         "the newest anomalies on standard output, redrawn every\n"
         "second; plain tables one after another when it is no\n"
         "terminal",
         ApplyTop},
    };
    for (const OptionEntry& web : WebCommandOptions()) {
        table.push_back(web);
    }
    table.push_back({'h', "help", nullptr, "show this text and exit", ApplyHelp});
    table.push_back({'V', "version", nullptr, "show the version and exit", ApplyVersion});
    return table;
}

const OptionEntry* FindLong(const std::string& name) {
    for (const OptionEntry& entry : OptionTable()) {
        if (name == entry.longName) {
            return &entry;
        }
    }
    return nullptr;
}

const OptionEntry* FindShort(char name) {
    for (const OptionEntry& entry : OptionTable()) {
        if (entry.shortName != '\0' && entry.shortName == name) {
            return &entry;
        }
    }
    return nullptr;
}

// Walks the arguments; options that take a value may take the next one.
class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool AtEnd() const { return next_ >= arguments_.size(); }
    const std::string& Take() { return arguments_[next_++]; }

    // "--name", "--name=value" or "--name value".
    std::string ReadLong(const std::string& argument, CliOptions& options) {
        const size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? equals : equals - 2);
        const OptionEntry* entry = FindLong(name);
        if (entry == nullptr) {
            return "unrecognized option '--" + name + "'";
        }
        if (entry->valueName == nullptr) {
            if (equals != std::string::npos) {
                return "option '--" + name + "' doesn't allow an argument";
            }
            return entry->apply(options, std::string());
        }
        if (equals != std::string::npos) {
            return entry->apply(options, argument.substr(equals + 1));
        }
        if (AtEnd()) {
            return "option '--" + name + "' requires an argument";
        }
        return entry->apply(options, Take());
    }

    // "-q", "-qo FILE", "-oFILE": flags may be bundled; a value ends the bundle.
    std::string ReadShort(const std::string& argument, CliOptions& options) {
        for (size_t i = 1; i < argument.size(); ++i) {
            const OptionEntry* entry = FindShort(argument[i]);
            if (entry == nullptr) {
                return std::string("invalid option -- '") + argument[i] + "'";
            }
            if (entry->valueName == nullptr) {
                const std::string error = entry->apply(options, std::string());
                if (!error.empty() || Answered(options)) {
                    return error;
                }
                continue;
            }
            if (i + 1 < argument.size()) {
                return entry->apply(options, argument.substr(i + 1));
            }
            if (AtEnd()) {
                return std::string("option requires an argument -- '") + argument[i] + "'";
            }
            return entry->apply(options, Take());
        }
        return std::string();
    }

    static bool Answered(const CliOptions& options) {
        return options.command == CliCommand::Help || options.command == CliCommand::Version;
    }

private:
    const std::vector<std::string>& arguments_;
    size_t next_ = 0;
};

CliOptions UsageError(const std::string& error) {
    CliOptions options;
    options.command = CliCommand::UsageError;
    options.error = error;
    return options;
}

// Checks the operands against the command that was asked for.
CliOptions Finish(CliOptions options, const std::vector<std::string>& operands) {
    if (options.command == CliCommand::ListInterfaces) {
        return operands.empty() ? options : UsageError("-D takes no capture file");
    }
    if (!options.interfaces.empty()) {
        if (!operands.empty()) {
            return UsageError(
                "-i captures from an interface; it cannot be given with capture files");
        }
        if (options.addressPairing) {
            return UsageError(
                "--pairing=address reads the capture twice; it cannot read an interface (-i)");
        }
    } else if (options.command == CliCommand::Analyze && operands.empty()) {
        return UsageError("no capture file given");
    }
    if (options.command != CliCommand::Analyze) {
        if (!operands.empty()) {
            return UsageError("--check-update and --send-feedback take no capture file");
        }
        return options;
    }
    if (operands.size() > 1) {
        for (const std::string& operand : operands) {
            if (operand == "-") {
                return UsageError("standard input ('-') cannot be read together with files");
            }
        }
        if (options.addressPairing) {
            return UsageError("--pairing=address reads one capture file at a time");
        }
    }
    if (options.addressPairing &&
        (!options.transactionLog.empty() || !options.ports.empty() || options.timeoutGiven ||
         !options.summary.empty() || !options.points.empty() || !options.suggestMap.empty() ||
         !options.html.empty() || options.slowResponseGiven || !options.map.empty())) {
        return UsageError(
            "--transactions, --summary, --points, --suggest-map, --html, --slow-response, --map, "
            "--port and --response-timeout need --pairing=transaction");
    }
    int onStandardOutput = 0;
    for (const std::string* file : {&options.report, &options.transactionLog, &options.summary,
                                    &options.points, &options.suggestMap, &options.html}) {
        onStandardOutput += *file == "-" ? 1 : 0;
    }
    if (onStandardOutput > 1) {
        return UsageError("only one output can go to standard output ('-')");
    }
    if (options.top && onStandardOutput > 0) {
        return UsageError("--top draws on standard output: no output can go there ('-')");
    }
    if (options.top && options.addressPairing) {
        return UsageError("--top needs --pairing=transaction");
    }
    options.captures = operands;
    return options;
}

}  // namespace

const std::vector<OptionEntry>& OptionTable() {
    static const std::vector<OptionEntry> table = BuildOptionTable();
    return table;
}

CliOptions ParseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> operands;
    ArgumentReader reader(arguments);
    bool onlyOperands = false;
    while (!reader.AtEnd()) {
        const std::string& argument = reader.Take();
        std::string error;
        if (onlyOperands || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);  // "-" alone is an operand too
            continue;
        }
        if (argument == "--") {
            onlyOperands = true;
            continue;
        }
        error = argument[1] == '-' ? reader.ReadLong(argument, options)
                                   : reader.ReadShort(argument, options);
        if (!error.empty()) {
            return UsageError(error);
        }
        if (ArgumentReader::Answered(options)) {
            return options;  // --help and --version win over whatever else is given
        }
    }
    return Finish(options, operands);
}
