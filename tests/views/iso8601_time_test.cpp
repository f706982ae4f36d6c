#include "views/iso8601_time.h"

#include <gtest/gtest.h>

TEST(Iso8601Utc, CalendarEdges) {
    EXPECT_EQ(Iso8601Utc({0, 0, 6}), "1970-01-01T00:00:00.000000Z");
    EXPECT_EQ(Iso8601Utc({-1, 999999, 6}), "1969-12-31T23:59:59.999999Z");
    EXPECT_EQ(Iso8601Utc({951782400, 0, 6}), "2000-02-29T00:00:00.000000Z");  // leap day
    EXPECT_EQ(Iso8601Utc({253402300799, 123456789, 9}), "9999-12-31T23:59:59.123456789Z");
}

TEST(Iso8601Utc, BrokenFractionStaysInsideItsSecond) {
    EXPECT_EQ(Iso8601Utc({0, 1000000, 6}), "1970-01-01T00:00:00.999999Z");
}

TEST(Iso8601Utc, ExtremeSecondsDoNotCrash) {
    const std::string latest = Iso8601Utc({INT64_MAX, 0, 6});
    const std::string earliest = Iso8601Utc({INT64_MIN, 0, 9});
    EXPECT_EQ(latest.substr(latest.size() - 8), ".000000Z");
    EXPECT_EQ(earliest.front(), '-');
    EXPECT_EQ(earliest.substr(earliest.size() - 11), ".000000000Z");
}

// Years take at least four digits and as many more as they need; a year before 1 (proleptic
// Gregorian, year 0 a leap year) carries a sign. No fraction digits, no decimal point.
TEST(Iso8601Utc, YearWidthsAndSign) {
    EXPECT_EQ(Iso8601Utc({-62135596800, 0, 0}), "0001-01-01T00:00:00Z");
    EXPECT_EQ(Iso8601Utc({-62167219201, 0, 0}), "-0001-12-31T23:59:59Z");
    EXPECT_EQ(Iso8601Utc({253402300800, 7, 3}), "10000-01-01T00:00:00.007Z");
    EXPECT_EQ(Iso8601Utc({-30610224000, 5, 9}), "1000-01-01T00:00:00.000000005Z");
}
