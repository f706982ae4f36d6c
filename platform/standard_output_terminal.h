#pragma once
// Standard output as a terminal, for the live view that redraws it.

// True when standard output is a terminal that takes VT100 cursor movement and erasing (on
// Windows a console whose VT processing could be turned on).
bool StdoutTakesCursorMovement();

// The rows and columns of the terminal on standard output; false when it is none.
bool StdoutTerminalSize(int& rows, int& columns);
