#pragma once
// The pieces the page's tables are made of: cells, headings and the names of devices and
// functions, written the same in every section.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "plant/plant_model.h"

// A cell of escaped text, with a CSS class ("w": not broken over lines).
std::string Cell(const std::string& text, const char* cssClass = nullptr);
// A number aligned right; `column` names it for a test or a script (data-col).
std::string NumberCell(uint64_t value, const char* column = nullptr);
// The heading row of a table, in its <thead>.
std::string TableHead(std::initializer_list<const char*> names);
// "10.0.0.5:502 unit 1".
std::string DeviceName(const DeviceKey& key);
// "3 Read Holding Registers".
std::string FunctionText(int function);

template <class Map>
uint64_t Sum(const Map& counts) {
    uint64_t sum = 0;
    for (const auto& entry : counts) {
        sum += entry.second;
    }
    return sum;
}
