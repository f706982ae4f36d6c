#include "modbus/point_table.h"

namespace {

struct TableFacts {
    int referenceBase;
    const char* name;
};

// In PointTable order.
constexpr TableFacts kTables[kPointTableCount] = {
    {1, "coils"},
    {10001, "discrete_inputs"},
    {30001, "input_registers"},
    {40001, "holding_registers"},
};

}  // namespace

int ReferenceBase(PointTable table) {
    return kTables[static_cast<int>(table)].referenceBase;
}

const char* PointTableName(PointTable table) {
    return kTables[static_cast<int>(table)].name;
}
