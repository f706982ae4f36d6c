#pragma once
// Where the live view draws: standard output, a terminal or not. The view composes whole frames;
// this says how large the screen is and whether it takes cursor movement.

#include <string>

// Rows and columns; 0 is no limit (a file or a pipe of no stated size).
struct ScreenSize {
    int rows = 0;
    int columns = 0;
};

class TopScreen {
public:
    virtual ~TopScreen() = default;

    // True when the screen is a terminal that takes VT100 cursor movement and erasing.
    virtual bool IsTerminal() const = 0;
    // Asked before every frame: a terminal window may have been resized.
    virtual ScreenSize Size() const = 0;
    // Writes the bytes as they are and flushes them; false when they could not be written.
    virtual bool Write(const std::string& bytes) = 0;
};
