#pragma once
// Command line of zep-modbus-parser.

#include <string>
#include <vector>

enum class CliCommand { Analyze, Help, Version, UsageError, CheckUpdate, SendFeedback };
enum class CliAnswer { Ask, Yes, No };

struct CliOptions {
    CliCommand command = CliCommand::UsageError;
    CliAnswer answer = CliAnswer::Ask;  // --yes / --no answer questions when nobody can be asked
    std::string directory;              // -C DIR: where output.txt and the logs go
    std::string capture;
    bool debugLog = false;
    std::string error;         // what is wrong, for UsageError
    std::string feedbackText;  // --send-feedback TEXT
    std::string webHost;       // --web-host HOST: another server than the maker's
};

CliOptions ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();
std::string VersionText();
