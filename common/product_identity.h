#pragma once
// Who this program is: the name every box and setting carries and the version it reports.

constexpr const char* kProductName = "ZEP Modbus TCP Parser";
constexpr const char* kProductVersion = "1.00";
// Build letters, always appended to the version in this order: 1.00aA.
constexpr char kBuildLetter = 'a';
constexpr char kBuildLetterUpper = 'A';
