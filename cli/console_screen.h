#pragma once
// The live view's screen on the console: standard output, redrawn in place when it is a
// terminal. Elsewhere (a file, a pipe) its size is what LINES and COLUMNS say, or no limit.

#include <iosfwd>

#include "views/top_screen.h"

class ConsoleScreen : public TopScreen {
public:
    // `isTerminal`: `out` is a terminal that takes cursor movement.
    ConsoleScreen(std::ostream& out, bool isTerminal) : out_(out), isTerminal_(isTerminal) {}

    bool IsTerminal() const override { return isTerminal_; }
    ScreenSize Size() const override;
    bool Write(const std::string& bytes) override;

private:
    std::ostream& out_;
    bool isTerminal_;
};
