#pragma once
// Text for an HTML page: escaped, with numbers written the same on every platform.

#include <string>

// The text as HTML character data or an attribute value: &, <, >, " and ' as entities, control
// characters and bytes that are no UTF-8 as U+FFFD. Capture content goes through here.
std::string HtmlEscape(const std::string& text);

// `value` with at most `decimals` decimals, trailing zeros dropped: "2", "0.25", "-1.5".
std::string DecimalText(double value, int decimals);

// The file name of a path, without its directories (either separator).
std::string FileNameOnly(const std::string& path);
