#include "cli/cli_main.h"

#include <filesystem>
#include <istream>
#include <ostream>
#include <system_error>

#include "analysis/analysis_run.h"
#include "cli/cli_options.h"
#include "cli/console_host.h"
#include "cli/console_platform.h"
#include "cli/console_presenter.h"
#include "cli/web_commands.h"
#include "common/logging.h"
#include "platform/platform_services.h"

int RunCommandLine(const std::vector<std::string>& arguments, CliStreams streams,
                   PlatformServices& platform) {
    const CliOptions options = ParseCommandLine(arguments);
    switch (options.command) {
        case CliCommand::Help:
            streams.out << UsageText();
            return 0;
        case CliCommand::Version:
            streams.out << VersionText();
            return 0;
        case CliCommand::UsageError:
            streams.err << "zep-modbus-parser: " << options.error << "\n\n" << UsageText();
            return 2;
        case CliCommand::CheckUpdate:
        case CliCommand::SendFeedback:
            return RunWebCommand(options, streams, platform);
        case CliCommand::Analyze:
            break;
    }

    // The capture is named relative to where the command was given, not to -C's directory.
    std::string capture = options.capture;
    if (!options.directory.empty()) {
        const std::string absolute = FullPathOf(capture);
        if (!absolute.empty()) {
            capture = absolute;
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
    ConsolePresenter presenter(streams.in, streams.err, streams.stdinIsTerminal, options.answer);
    const ScopedMessagePresenter presenterScope(presenter);
    ConsolePlatform consolePlatform(platform, streams.out, "Folder: ");
    ConsoleHost host(capture, streams.err, streams.stderrIsTerminal);

    const AnalysisResult result = RunAnalysis(host, consolePlatform);
    if (result != AnalysisResult::Completed) {
        return 1;
    }
    streams.out << ConsoleText(host.ResultsText()) << '\n';
    streams.out.flush();
    return 0;
}
