#pragma once
// The keys a register map may hold besides an entry's fields: the keys of Home Assistant's
// Modbus configuration that say nothing about what a register means, and the nearest known key
// for a misspelt one.

#include <string>
#include <vector>

// Where a key stands: in an entry (a sensor) or in a hub of `modbus:`.
enum class KeyLevel { Entry, Hub };

// A Home Assistant key that is accepted and left unread at that level.
bool IsIgnoredKey(const std::string& key, KeyLevel level);

// "unknown key 'data_typ' (did you mean 'data_type'?)", the suggestion only when one of `known`
// is close enough to be meant.
std::string UnknownKeyText(const std::string& key, const std::vector<std::string>& known);
