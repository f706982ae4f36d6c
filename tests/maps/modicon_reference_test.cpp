// Modicon references in five digits and in six, at the edges of each range.

#include "maps/modicon_reference.h"

#include <gtest/gtest.h>

namespace {

struct ReferenceCase {
    const char* text;
    bool valid;
    PointTable table;
    uint16_t address;
};

const ReferenceCase kCases[] = {
    {"1", true, PointTable::Coils, 0},
    {"9999", true, PointTable::Coils, 9998},
    {"10001", true, PointTable::DiscreteInputs, 0},
    {"30001", true, PointTable::InputRegisters, 0},
    {"39999", true, PointTable::InputRegisters, 9998},
    {"40001", true, PointTable::HoldingRegisters, 0},
    {"49999", true, PointTable::HoldingRegisters, 9998},
    {"000001", true, PointTable::Coils, 0},
    {"065536", true, PointTable::Coils, 65535},
    {"165536", true, PointTable::DiscreteInputs, 65535},
    {"300101", true, PointTable::InputRegisters, 100},
    {"465536", true, PointTable::HoldingRegisters, 65535},
    {"0", false, PointTable::Coils, 0},
    {"10000", false, PointTable::Coils, 0},
    {"20001", false, PointTable::Coils, 0},
    {"50000", false, PointTable::Coils, 0},
    {"400000", false, PointTable::Coils, 0},
    {"465537", false, PointTable::Coils, 0},
    {"200001", false, PointTable::Coils, 0},
    {"4000001", false, PointTable::Coils, 0},
    {"4e4", false, PointTable::Coils, 0},
    {"-1", false, PointTable::Coils, 0},
    {"", false, PointTable::Coils, 0},
};

}  // namespace

TEST(ModiconReference, TablesAndAddresses) {
    for (const ReferenceCase& c : kCases) {
        PointTable table = PointTable::Coils;
        uint16_t address = 0;
        ASSERT_EQ(ParseModiconReference(c.text, table, address), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(table, c.table) << c.text;
            EXPECT_EQ(address, c.address) << c.text;
        }
    }
}
