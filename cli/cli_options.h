#pragma once
// Command line of zep-modbus-parser: GNU-style options, described by a table.

#include <cstdint>
#include <string>
#include <vector>

#include "session/response_defaults.h"

enum class CliCommand {
    Analyze,
    Help,
    Version,
    UsageError,
    CheckUpdate,
    SendFeedback,
    ListInterfaces,  // -D
};
enum class CliAnswer { Ask, Yes, No };

struct CliOptions {
    CliCommand command = CliCommand::Analyze;
    CliAnswer answer = CliAnswer::Ask;    // --yes / --no answer questions when nobody can be asked
    std::string directory;                // -C DIR: where the logs and the default report go
    std::string report;                   // -o FILE; empty: output.txt in the working directory
    bool force = false;                   // --force: replace an existing report
    bool quiet = false;                   // -q: notices only in log.txt
    std::vector<std::string> captures;    // one, or several read as one
    std::vector<std::string> interfaces;  // -i IFACE: capture live instead (repeatable)
    std::string captureFilter;            // -f FILTER: BPF, for interfaces and files
    bool debugLog = false;
    bool addressPairing = false;  // --pairing address
    std::vector<uint16_t> ports;  // --port N: more Modbus/TCP ports than 502
    double responseTimeoutSeconds = kDefaultResponseTimeoutSeconds;  // --response-timeout
    bool timeoutGiven = false;                                       // --response-timeout was given
    std::string transactionLog;                                      // --transactions FILE
    std::string summary;                                             // --summary FILE
    std::string points;                                              // --points FILE
    std::string suggestMap;                                          // --suggest-map FILE
    std::string map;                                                 // --map FILE: the register map
    std::string html;                                                // --html FILE
    double slowResponseMs = kDefaultSlowResponseMs;                  // --slow-response MS
    bool slowResponseGiven = false;
    double updateSeconds = 10;   // --update SECONDS: the periodic files of a stream or live run
    double durationSeconds = 0;  // --duration SECONDS: stop after this long; 0: no end
    bool top = false;            // --top: the live view of the devices on standard output
    std::string error;           // what is wrong, for UsageError
    std::string feedbackText;    // --send-feedback TEXT
    std::string webHost;         // --web-host HOST: another server than the maker's
};

// One option. Applying it returns what is wrong with it, or an empty text.
struct OptionEntry {
    char shortName;         // '\0': long form only
    const char* longName;   // without the leading "--"
    const char* valueName;  // nullptr: the option takes no value
    const char* help;       // its description in --help; '\n' starts a continuation line
    std::string (*apply)(CliOptions& options, const std::string& value);
};

// Every option this build knows, in the order --help lists them.
const std::vector<OptionEntry>& OptionTable();

CliOptions ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();
std::string VersionText();
// The two lines printed for a usage error.
std::string UsageErrorText(const std::string& error);
