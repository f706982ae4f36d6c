#pragma once
// Register maps written as CSV (RFC 4180): a header row of entry keys, then one entry per row.

#include <string>
#include <vector>

#include "maps/entry_text.h"

// Splits the text into entries: an empty cell leaves its key out, blank rows are passed over
// and blanks around a cell are dropped. False for an unclosed quote, text after a closing
// quote, or a row longer than the header.
bool ReadCsvMap(const std::string& text, std::vector<EntryText>& entries, MapProblem& problem);
