#pragma once
// Who this program is: the name every box and setting carries and the version it reports.

#include <string>

constexpr const char* kProductName = "ZEP Modbus TCP Parser";
constexpr const char* kProductVersion = "1.00";
// Build letters, always appended to the version in this order: 1.00aA.
constexpr char kBuildLetter = 'a';
constexpr char kBuildLetterUpper = 'A';

// The full version text, version and both build letters: "1.00aA".
std::string FullVersionText();

// "Last Compile date: <date> <time>", the note that goes with feedback; callers pass the
// compiler's __DATE__ and __TIME__.
std::string BuildNote(const char* buildDate, const char* buildTime);
