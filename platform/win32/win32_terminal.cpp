#include <windows.h>

#include "platform/standard_output_terminal.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

// A console older than Windows 10 refuses VT processing: it then gets plain text.
bool StdoutTakesCursorMovement() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool StdoutTerminalSize(int& rows, int& columns) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        return false;
    }
    rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    columns = info.srWindow.Right - info.srWindow.Left + 1;
    return rows > 0 && columns > 0;
}
