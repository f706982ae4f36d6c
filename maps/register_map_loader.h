#pragma once
// Loads a register map from a file: CSV when its name ends in .csv, YAML otherwise (see the
// README's "Register maps" for the shapes and fields).

#include <string>
#include <vector>

#include "plant/register_map.h"

// False with one message naming the file, and the line, column and key where it applies
// ("map.yaml:7:5: unknown key 'data_typ' (did you mean 'data_type'?)"), for a file that cannot
// be read or holds no entries or a wrong one; `map` is then left as it was. Warnings (entries
// that overlap) do not stop the load.
bool LoadRegisterMap(const std::string& path, RegisterMap& map, std::string& error,
                     std::vector<std::string>& warnings);
