// Texts in the suggested map: plain where YAML reads them back as they are, else quoted.

#include <gtest/gtest.h>

#include "views/suggested_map_file.h"

TEST(YamlScalar, QuotesWhatYamlWouldReadOtherwise) {
    EXPECT_EQ(YamlScalar("u1_hr_40001"), "u1_hr_40001");
    EXPECT_EQ(YamlScalar("10.0.0.5:502"), "\"10.0.0.5:502\"");
    EXPECT_EQ(YamlScalar("[fe80::1]:502"), "\"[fe80::1]:502\"");
    EXPECT_EQ(YamlScalar("10_0_0_5_502_u1_hr_40001"), "\"10_0_0_5_502_u1_hr_40001\"");
    EXPECT_EQ(YamlScalar("No"), "\"No\"");
    EXPECT_EQ(YamlScalar("a \"b\"\\"), "\"a \\\"b\\\"\\\\\"");
    EXPECT_EQ(YamlScalar(""), "\"\"");
}
