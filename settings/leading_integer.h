#pragma once
// Decimal conversion of a text as the C library's atoi does it.

#include <string>

// Skips leading white space (blank, tab, LF, VT, FF, CR), takes an optional sign and reads
// decimal digits up to the first other character. A text without leading digits gives 0. A
// number beyond the range of int gives INT_MAX or INT_MIN, as the Windows runtime does, so the
// result is the same on every platform.
int LeadingInteger(const std::string& text);
