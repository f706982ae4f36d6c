#pragma once
// Register maps written in YAML (yaml-cpp): a list of entries; a mapping with `sensors` (and
// `binary_sensors`, whose entries are coils unless they say otherwise); or Home Assistant's
// configuration, whose `modbus:` hubs give their entries a host.

#include <string>
#include <vector>

#include "maps/entry_text.h"

// False with the problem for a syntax error or a document of another shape; always false in a
// build without yaml-cpp.
bool ReadYamlMap(const std::string& text, std::vector<EntryText>& entries, MapProblem& problem);
