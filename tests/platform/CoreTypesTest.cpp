#include "platform/CoreTypes.h"

#include <gtest/gtest.h>

using namespace platform;

// Day counts from 1899-12-30, the day 0 of the dates stored in the databases and files.
TEST(CoreTypes, DayCountsFrom18991230)
{
    struct Case { int y, m, d; double days; };
    const Case cases[] = {
        {1899, 12, 30, 0}, {1899, 12, 31, 1}, {1900, 1, 1, 2}, {1900, 3, 1, 61},
        {1989, 1, 8, 32516}, {2000, 2, 29, 36585}, {2024, 4, 1, 45383}, {1899, 12, 29, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeDate(c.y, c.m, c.d), c.days) << c.y << "/" << c.m << "/" << c.d;
        EXPECT_EQ(decodeDate(c.days), (CivilDate{c.y, c.m, c.d}));
    }
    EXPECT_EQ(decodeDate(45383.75), (CivilDate{2024, 4, 1}));
}

TEST(CoreTypes, ImpossibleDatesAreRefused)
{
    TDateTime out = 0;
    EXPECT_FALSE(tryEncodeDate(2023, 2, 29, out));
    EXPECT_FALSE(tryEncodeDate(2024, 13, 1, out));
    EXPECT_FALSE(tryEncodeDate(2024, 4, 0, out));
    EXPECT_TRUE(tryEncodeDate(2024, 2, 29, out));
    EXPECT_THROW(encodeDate(2023, 2, 29), std::invalid_argument);
}
