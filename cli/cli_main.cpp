#include "cli/cli_main.h"

#include <filesystem>
#include <iostream>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "analysis/analysis_run.h"
#include "analysis/output_paths.h"
#include "capture/live_capture.h"
#include "cli/cli_options.h"
#include "cli/console_host.h"
#include "cli/console_platform.h"
#include "cli/console_presenter.h"
#include "cli/console_screen.h"
#include "cli/web_commands.h"
#include "common/logging.h"
#include "maps/register_map_loader.h"
#include "platform/platform_services.h"
#include "platform/standard_output_terminal.h"

namespace {

// A path named on the command line, made independent of a later change of directory.
std::string FromStartingDirectory(const std::string& path) {
    const std::string absolute = FullPathOf(path);
    return absolute.empty() ? path : absolute;
}

// Every file the run names, as seen from the directory the command was given in: the report's
// default and the logs are in -C's directory.
std::vector<NamedFile> FilesOfRun(const CliOptions& options) {
    const auto inWorkingDirectory = [&options](const char* name) {
        return options.directory.empty()
                   ? std::string(name)
                   : (std::filesystem::path(options.directory) / name).string();
    };
    std::vector<NamedFile> files = {
        {"the report",
         options.report.empty() ? inWorkingDirectory(kReportFileName) : options.report},
        {kLogFileName, inWorkingDirectory(kLogFileName)},
    };
    if (options.debugLog) {
        files.push_back({kDebugLogFileName, inWorkingDirectory(kDebugLogFileName)});
    }
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--transactions", &options.transactionLog},
        {"--summary", &options.summary},
        {"--points", &options.points},
        {"--suggest-map", &options.suggestMap},
        {"--html", &options.html},
    };
    for (const auto& [role, path] : outputs) {
        if (!path->empty()) {
            files.push_back({role, *path});
        }
    }
    for (const std::string& capture : options.captures) {
        files.push_back({"the capture", capture, false});
    }
    if (!options.map.empty()) {
        files.push_back({"--map", options.map, false});
    }
    return files;
}

// What is wrong when two of the run's files are one: empty when none are.
std::string CollidingFiles(const CliOptions& options) {
    const std::vector<NamedFile> files = FilesOfRun(options);
    const std::optional<FileCollision> collision = FindCollision(files);
    if (!collision) {
        return std::string();
    }
    const NamedFile& first = files[collision->first];
    const NamedFile& second = files[collision->second];
    return first.role + " and " + second.role + " name the same file '" + second.path + "'";
}

// The map of --map, read before anything else happens; its warnings go to standard error.
bool LoadMap(const std::string& path, std::shared_ptr<const RegisterMap>& loaded,
             std::ostream& err) {
    RegisterMap map;
    std::string error;
    std::vector<std::string> warnings;
    const bool read = LoadRegisterMap(path, map, error, warnings);
    for (const std::string& warning : warnings) {
        err << "zep-modbus-parser: " << warning << '\n';
    }
    if (!read) {
        err << "zep-modbus-parser: " << error << '\n';
        return false;
    }
    loaded = std::make_shared<const RegisterMap>(std::move(map));
    return true;
}

// `notices` are where the run's progress and warnings go: the console, or nowhere with -q.
int Analyze(const CliOptions& options, CliStreams streams, CliStreams notices,
            PlatformServices& platform) {
    // Before anything is written: a second output on one file would replace or spoil the first.
    const std::string collision = CollidingFiles(options);
    if (!collision.empty()) {
        streams.err << UsageErrorText(collision);
        return 2;
    }
    std::shared_ptr<const RegisterMap> registerMap;
    if (!options.map.empty() && !LoadMap(options.map, registerMap, streams.err)) {
        return 2;
    }
    // Files are named relative to where the command was given, not to -C's directory.
    std::vector<std::string> captures = options.captures;
    std::string report = options.report;
    std::string transactionLog = options.transactionLog;
    std::string summaryFile = options.summary;
    std::string pointsFile = options.points;
    std::string suggestedMapFile = options.suggestMap;
    std::string htmlFile = options.html;
    if (!options.directory.empty()) {
        for (std::string& capture : captures) {
            if (capture != "-") {
                capture = FromStartingDirectory(capture);
            }
        }
        if (!report.empty() && report != kStandardOutputName) {
            report = FromStartingDirectory(report);
        }
        for (std::string* output :
             {&transactionLog, &summaryFile, &pointsFile, &suggestedMapFile, &htmlFile}) {
            if (!output->empty() && *output != kStandardOutputName) {
                *output = FromStartingDirectory(*output);
            }
        }
        std::error_code error;
        std::filesystem::current_path(options.directory, error);
        if (error) {
            streams.err << "zep-modbus-parser: cannot work in directory " << options.directory
                        << ": " << error.message() << '\n';
            return 1;
        }
    }

    // As in the dialog, the diagnostic log stays off unless asked for.
    SetDebugLogEnabled(options.debugLog);
    ConsolePresenter presenter(streams.in, streams.err, streams.stdinIsTerminal, options.answer,
                               options.quiet);
    const ScopedMessagePresenter presenterScope(presenter);
    ConsolePlatform consolePlatform(platform, streams.out, "Folder: ");
    // The live view owns the terminal: no progress line is drawn across it. Only the process's
    // own standard output can be a terminal.
    ConsoleHost host(notices.err, notices.stderrIsTerminal && !options.top);
    ConsoleScreen screen(streams.out, options.top && streams.out.rdbuf() == std::cout.rdbuf() &&
                                          StdoutTakesCursorMovement());

    AnalysisRequest request;
    request.inputPaths = captures;
    request.interfaces = options.interfaces;
    request.captureFilter = options.captureFilter;
    if (!report.empty()) {
        request.reportPath = report;
    }
    request.replaceExistingReport = options.force;
    AnalysisOptions& analysis = request.options;
    analysis.pairing = options.addressPairing ? PairingMode::Address : PairingMode::Transaction;
    analysis.extraModbusPorts = options.ports;
    analysis.responseTimeoutSeconds = options.responseTimeoutSeconds;
    analysis.transactionLog = transactionLog;
    analysis.summary = summaryFile;
    analysis.points = pointsFile;
    analysis.suggestMap = suggestedMapFile;
    analysis.html = htmlFile;
    analysis.slowResponseMs = options.slowResponseMs;
    analysis.registerMap = registerMap;
    analysis.updateSeconds = options.updateSeconds;
    analysis.durationSeconds = options.durationSeconds;
    analysis.top = options.top ? &screen : nullptr;

    const AnalysisResult result = RunAnalysis(request, host, consolePlatform);
    // With a file on standard output, the closing summary goes to standard error.
    const bool reportOnStandardOutput =
        report == kStandardOutputName || transactionLog == kStandardOutputName ||
        summaryFile == kStandardOutputName || pointsFile == kStandardOutputName ||
        suggestedMapFile == kStandardOutputName || htmlFile == kStandardOutputName;
    std::ostream& summary = reportOnStandardOutput ? streams.err : streams.out;
    if (result == AnalysisResult::Interrupted) {
        // What was read up to the stop is counted as at a normal end.
        if (!host.ResultsText().empty()) {
            summary << ConsoleText(host.ResultsText()) << '\n';
            summary.flush();
        }
        streams.err
            << "zep-modbus-parser: interrupted; the report holds whole blocks up to there\n";
        return 130;
    }
    if (result != AnalysisResult::Completed) {
        presenter.ShowKeptBox();  // quiet or not, the error that ended the run is shown
        return 1;
    }
    summary << ConsoleText(host.ResultsText()) << '\n';
    summary.flush();
    if (!summary) {
        if (!reportOnStandardOutput) {
            streams.err
                << "zep-modbus-parser: the summary could not be written to standard output\n";
        }
        return 1;
    }
    return 0;
}

// -D: "1.eth0 [Up, Running, Connected]" per interface, as tcpdump lists them.
int ListInterfaces(CliStreams streams) {
    std::vector<CaptureInterface> interfaces;
    std::string error;
    if (!ListCaptureInterfaces(interfaces, error)) {
        streams.err << "zep-modbus-parser: " << error << '\n';
        return 1;
    }
    for (size_t i = 0; i < interfaces.size(); ++i) {
        const CaptureInterface& interface = interfaces[i];
        streams.out << i + 1 << '.' << interface.name;
        if (!interface.description.empty()) {
            streams.out << " (" << interface.description << ')';
        }
        if (!interface.status.empty()) {
            streams.out << " [" << interface.status << ']';
        }
        streams.out << '\n';
    }
    return 0;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, CliStreams streams,
                   PlatformServices& platform) {
    const CliOptions options = ParseCommandLine(arguments);
    if (options.command == CliCommand::Help) {
        streams.out << UsageText();
        return 0;
    }
    if (options.command == CliCommand::Version) {
        streams.out << VersionText();
        return 0;
    }
    if (options.command == CliCommand::UsageError) {
        streams.err << UsageErrorText(options.error);
        return 2;
    }
    if (options.command == CliCommand::ListInterfaces) {
        return ListInterfaces(streams);
    }

    // -q: notices and progress go nowhere but log.txt, and nobody is asked (--yes/--no
    // answer); the error that ends a run still goes to standard error.
    std::ostream discarded(nullptr);
    const CliStreams noticeStreams =
        options.quiet ? CliStreams{streams.in, streams.out, discarded, false, false} : streams;
    if (options.command == CliCommand::Analyze) {
        return Analyze(options, streams, noticeStreams, platform);
    }
    return RunWebCommand(options, streams, platform);
}
