#include "cli/web_commands.h"

#include <ostream>

#include "cli/console_platform.h"
#include "cli/console_presenter.h"
#include "common/product_identity.h"
#include "platform/platform_services.h"
#include "web/feedback.h"
#include "web/update_check.h"

namespace {

std::string SelectWebCommand(CliOptions& options, CliCommand command) {
    if (options.command != CliCommand::Analyze && options.command != command) {
        return "--check-update and --send-feedback exclude each other";
    }
    options.command = command;
    return std::string();
}

std::string ApplyCheckUpdate(CliOptions& options, const std::string&) {
    return SelectWebCommand(options, CliCommand::CheckUpdate);
}

std::string ApplySendFeedback(CliOptions& options, const std::string& text) {
    options.feedbackText = text;
    return SelectWebCommand(options, CliCommand::SendFeedback);
}

std::string ApplyWebHost(CliOptions& options, const std::string& host) {
    if (host.empty()) {
        return "the web host name is empty";
    }
    options.webHost = host;
    return std::string();
}

}  // namespace

std::vector<OptionEntry> WebCommandOptions() {
    return {
        {'\0', "check-update", nullptr,
         "ask the maker's web server for a newer version\n"
         "(--yes/--no answer its download question)",
         ApplyCheckUpdate},
        {'\0', "send-feedback", "TEXT", "send TEXT to the maker as feedback", ApplySendFeedback},
        {'\0', "web-host", "HOST",
         "talk to HOST (host or host:port) instead of the\nmaker's web server", ApplyWebHost},
    };
}

const char* WebCommandUsage() {
    return "       zep-modbus-parser --check-update [--yes|--no] [--web-host=HOST]\n"
           "       zep-modbus-parser --send-feedback=TEXT [--web-host=HOST]\n";
}

const char* WebCommandExitStatus() {
    return "With --check-update or --send-feedback: 0 the server answered, 1 it did not.\n";
}

int RunWebCommand(const CliOptions& options, CliStreams streams, PlatformServices& platform) {
    ConsolePresenter presenter(streams.in, streams.err, streams.stdinIsTerminal, options.answer,
                               options.quiet);
    const ScopedMessagePresenter presenterScope(presenter);
    WebServerAccess server;
    if (!options.webHost.empty()) {
        server.host = options.webHost;
    }
    bool answered = false;
    if (options.command == CliCommand::CheckUpdate) {
        ConsolePlatform browser(platform, streams.out, "Download: ");
        answered = CheckForUpdate(true, browser, server);
    } else {
        answered = SendFeedback(kProductName, FullVersionText(), options.feedbackText,
                                BuildNote(__DATE__, __TIME__), server);
    }
    streams.out.flush();
    if (!answered) {
        presenter.ShowKeptBox();  // why, also with -q
    }
    return answered ? 0 : 1;
}
