#include "cli/console_screen.h"

#include <cstdlib>
#include <ostream>

#include "platform/standard_output_terminal.h"

namespace {

// A positive number from the environment, as the shell exports LINES and COLUMNS; 0 otherwise.
int FromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr) {
        return 0;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 && value < 100000 ? static_cast<int>(value) : 0;
}

}  // namespace

ScreenSize ConsoleScreen::Size() const {
    ScreenSize size{FromEnvironment("LINES"), FromEnvironment("COLUMNS")};
    int rows = 0;
    int columns = 0;
    if (isTerminal_ && StdoutTerminalSize(rows, columns)) {
        size = {rows, columns};
    }
    return size;
}

bool ConsoleScreen::Write(const std::string& bytes) {
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out_.flush();
    return static_cast<bool>(out_);
}
