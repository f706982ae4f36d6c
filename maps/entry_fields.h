#pragma once
// The fields of a register map entry (Home Assistant's names) and how an entry is read from
// them: each value checked alone, then the fields against each other.

#include <string>
#include <vector>

#include "maps/entry_text.h"
#include "plant/register_map.h"

// Every key an entry may hold, in the order the README lists them.
const std::vector<std::string>& EntryKeys();

// Reads the entry; false with the problem for an unknown key, a bad value or fields that
// disagree. Home Assistant's keys that do not matter here are passed over.
bool EntryFromText(const EntryText& text, MapEntry& entry, MapProblem& problem);
