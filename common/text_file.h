#pragma once
// Appending to text files with the line ends of a Windows text-mode stream on every platform.

#include <string>

// Every line feed becomes carriage return + line feed; everything else is kept as it is
// (so an existing "\r\n" becomes "\r\r\n", exactly as a text-mode write does).
std::string ToTextModeLineEnds(const std::string& text);

// Opens `fileName` for appending, writes `text` with text-mode line ends and closes it.
// False when the file cannot be opened or written completely.
bool AppendTextToFile(const std::string& fileName, const std::string& text);
