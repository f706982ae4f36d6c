#include "cli/web_commands.h"

#include <ostream>

#include "cli/console_platform.h"
#include "cli/console_presenter.h"
#include "common/product_identity.h"
#include "common/text_format.h"
#include "platform/platform_services.h"
#include "web/feedback.h"
#include "web/form_body.h"
#include "web/update_check.h"

int RunWebCommand(const CliOptions& options, CliStreams streams, PlatformServices& platform) {
    ConsolePresenter presenter(streams.in, streams.err, streams.stdinIsTerminal, options.answer);
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
    return answered ? 0 : 1;
}
