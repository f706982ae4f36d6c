#pragma once
// Ctrl-C and SIGTERM ask a running analysis to stop after the block it is writing, so the report
// ends in whole blocks and everything buffered is stored; a read waiting on a silent pipe gives
// up. SIGHUP asks for the periodic files (summary, page) to be written now.

// Installs the handlers for SIGINT, SIGTERM and SIGHUP.
void CatchInterrupts();
bool InterruptRequested();
// For tests: as if the user pressed Ctrl-C (true) or the request was taken back (false).
void SetInterruptRequested(bool requested);
// True once after each SIGHUP.
bool TakeUpdateRequest();
