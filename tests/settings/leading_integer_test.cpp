#include "settings/leading_integer.h"

#include <gtest/gtest.h>

#include <climits>

TEST(LeadingInteger, SkipsEveryKindOfLeadingWhiteSpace) {
    EXPECT_EQ(LeadingInteger("\t\r\n\v\f 12"), 12);
    EXPECT_EQ(LeadingInteger("+5"), 5);
    EXPECT_EQ(LeadingInteger("- 1"), 0);
    EXPECT_EQ(LeadingInteger("+-1"), 0);
}

TEST(LeadingInteger, NumbersBeyondIntStopAtItsLimits) {
    EXPECT_EQ(LeadingInteger("2147483647"), INT_MAX);
    EXPECT_EQ(LeadingInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(LeadingInteger("2147483648"), INT_MAX);
    // 2^32 must not wrap round to 0 (which would turn the setting off).
    EXPECT_EQ(LeadingInteger("4294967296"), INT_MAX);
    EXPECT_EQ(LeadingInteger("-99999999999999999999999"), INT_MIN);
}
