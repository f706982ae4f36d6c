#pragma once
// The page's notes on the run near its top: the warnings the run issued, and the map entries
// that gave no value (the summary's `values.unmatched`).

#include <string>

#include "plant/capture_facts.h"
#include "plant/value_mapper.h"

// The warnings as a list, with how many more there were; nothing when there were none.
std::string WarningsSection(const RunWarnings& warnings);
// The names of the map entries that matched no transaction; nothing without a map or when
// every entry matched.
std::string UnmatchedEntriesSection(const ValueMapper* mapper);
