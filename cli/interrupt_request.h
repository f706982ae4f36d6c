#pragma once
// Ctrl-C and SIGTERM ask a running analysis to stop after the block it is writing, so the report
// ends in whole blocks and everything buffered is stored.

// Installs the handlers for SIGINT and SIGTERM.
void CatchInterrupts();
bool InterruptRequested();
// For tests: as if the user pressed Ctrl-C (true) or the request was taken back (false).
void SetInterruptRequested(bool requested);
