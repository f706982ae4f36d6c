// A build without yaml-cpp (the Windows programs): register maps are read as CSV only.

#include "maps/yaml_map_reader.h"

bool ReadYamlMap(const std::string&, std::vector<EntryText>&, MapProblem& problem) {
    problem = {{}, "this build reads register maps as CSV only (a .csv file)"};
    return false;
}
