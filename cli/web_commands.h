#pragma once
// The update check and the feedback submission on the command line. A build without the web
// part (ZEP_WITH_WEB=OFF) has neither: it knows none of their options.

#include <vector>

#include "cli/cli_main.h"
#include "cli/cli_options.h"

// --check-update, --send-feedback and --web-host, or none.
std::vector<OptionEntry> WebCommandOptions();

// The usage lines of the web commands and the note on their exit status, or none.
const char* WebCommandUsage();
const char* WebCommandExitStatus();

// Runs --check-update (the interactive check) or --send-feedback. Boxes go to standard error;
// the download question is answered as for an analysis. Returns 0 when the server answered
// with a decisive word (for feedback: acknowledged it), 1 otherwise.
int RunWebCommand(const CliOptions& options, CliStreams streams, PlatformServices& platform);
