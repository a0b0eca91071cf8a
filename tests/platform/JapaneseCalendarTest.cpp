// Era name and year of dates around the era changes.
#include "platform/JapaneseCalendar.h"

#include <gtest/gtest.h>

TEST(JapaneseCalendar, EraNameAndYearAroundTheChanges)
{
    struct Case {
        int y, m, d;
        const char* era;
        int year;
    };
    const Case cases[] = {
        {2019, 4, 30, "平成", 31}, {2019, 5, 1, "令和", 1},  {2024, 12, 31, "令和", 6},
        {1989, 1, 7, "昭和", 64},  {1989, 1, 8, "平成", 1},  {2000, 4, 1, "平成", 12},
        {1926, 12, 25, "昭和", 1}, {1912, 7, 30, "大正", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y * 10000 + c.m * 100 + c.d);
        const auto e = platform::japaneseEraDate(platform::encodeDate(c.y, c.m, c.d));
        EXPECT_EQ(e.eraName, c.era);
        EXPECT_EQ(e.eraYear, c.year);
        EXPECT_EQ(e.month, c.m);
    }
}
