// The report's hand-made fields print exactly what printf prints for them.

#include "common/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>

TEST(TextFormat, FieldsMatchPrintf) {
    std::mt19937 random(5);
    std::vector<long long> values = {0,      1,      9,       10, 255,    256,     65535,  99999,
                                     100000, 999999, 1000000, -1, -65535, INT_MIN, INT_MAX};
    for (int i = 0; i < 2000; ++i) {
        values.push_back(static_cast<int32_t>(random()));
        values.push_back(static_cast<long long>(random() % 70000));
    }
    for (long long value : values) {
        for (size_t width : {0, 1, 4, 5, 6, 10}) {
            char expected[64];
            std::snprintf(expected, sizeof(expected), "%-*lld", static_cast<int>(width), value);
            std::string text = "x";
            AppendDecimalLeft(text, value, width);
            ASSERT_EQ(text, std::string("x") + expected) << value << " width " << width;

            const unsigned word = static_cast<unsigned>(value);
            std::snprintf(expected, sizeof(expected), "%#0*x", static_cast<int>(width), word);
            text.clear();
            AppendHexAlternate(text, word, width);
            ASSERT_EQ(text, expected) << word << " width " << width;
        }
    }
}
