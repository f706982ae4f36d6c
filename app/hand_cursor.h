#pragma once
// Where the link control's hand-shaped cursor comes from.

#include <windows.h>

// The system help program's hand (cursor 106 of Winhlp32.exe in the Windows directory), or
// the system's own hand cursor where that is not present. Never released.
HCURSOR LoadHandCursor();
