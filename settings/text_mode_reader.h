#pragma once
// Reading a text file the way a Windows text-mode stream reads it, on every platform.

#include <string>
#include <vector>

// Reads `fileName` as lines without their line ends: a line ends at LF, and a CR directly before
// that LF belongs to the line end. Any other CR stays in the line. The byte 0x1A (Ctrl-Z) ends
// the file. A last line without a line end is a line too. False when the file cannot be opened.
bool ReadTextModeLines(const std::string& fileName, std::vector<std::string>& lines);
