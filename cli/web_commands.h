#pragma once
// The update check and the feedback submission on the command line.

#include "cli/cli_main.h"
#include "cli/cli_options.h"

// Runs --check-update (the interactive check) or --send-feedback. Boxes go to standard error;
// the download question is answered as for an analysis. Returns 0 when the server answered
// with a decisive word (for feedback: acknowledged it), 1 otherwise.
int RunWebCommand(const CliOptions& options, CliStreams streams, PlatformServices& platform);
