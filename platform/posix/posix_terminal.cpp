#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/standard_output_terminal.h"

bool StdoutTakesCursorMovement() {
    return isatty(STDOUT_FILENO) != 0;
}

bool StdoutTerminalSize(int& rows, int& columns) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
        return false;
    }
    rows = size.ws_row;
    columns = size.ws_col;
    return true;
}
