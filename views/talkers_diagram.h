#pragma once
// Who talks to whom, as inline SVG: the clients, the servers they reach and the units behind
// each server, in three columns joined by a line per link. At most kNodesPerColumn nodes are
// drawn in a column; the rest are counted in `leftOut`.

#include <cstdint>
#include <string>

#include "plant/plant_model.h"

constexpr size_t kNodesPerColumn = 16;

struct TalkersLeftOut {
    size_t clients = 0;
    size_t servers = 0;
    size_t units = 0;
};

std::string TalkersDiagram(const PlantModel& model, TalkersLeftOut& leftOut);
