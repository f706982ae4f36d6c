#pragma once
// A register map entry as its file spells it, before it is read: keys and values as text with
// where each stands, so that a message can point at the key or value it is about.

#include <string>
#include <vector>

#include "plant/register_map.h"

struct TextPosition {
    int line = 0;  // 1-based
    int column = 0;
};

struct FieldText {
    std::string key;
    std::string value;
    TextPosition keyAt;
    TextPosition valueAt;
};

struct EntryText {
    TextPosition at;
    std::vector<FieldText> fields;
    PointTable defaultTable = PointTable::HoldingRegisters;  // binary_sensors: coils
    MapDataType defaultType = MapDataType::Int16;            // a register's, as in Home Assistant
    std::string defaultHost;                                 // its hub's "ip" or "ip:port"
};

// What is wrong with a map, and where.
struct MapProblem {
    TextPosition at;
    std::string text;
};
