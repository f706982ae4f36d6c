#pragma once
// The hand-shaped cursor of the link control, shared by all of them for the life of the process.

#include <windows.h>

// Loads the cursor once: the system help program's hand (cursor 106 of Winhlp32.exe in the
// Windows directory), or the system's own hand cursor where that is not present.
void LoadHandCursor();
HCURSOR HandCursor();
