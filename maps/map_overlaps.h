#pragma once
// Entries that share registers: the same host, unit and table and overlapping address ranges.
// Allowed (a float32 and its two halves as uint16), but often a typing error in the address.

#include <string>
#include <vector>

#include "plant/register_map.h"

// One warning per entry that overlaps one met before it in address order:
// "map.yaml:12: warning: 'Power' overlaps 'Voltage' (line 5) at holding_registers 100-101".
std::vector<std::string> OverlapWarnings(const std::string& path, const RegisterMap& map);
