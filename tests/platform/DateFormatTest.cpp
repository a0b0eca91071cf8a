#include "platform/DateFormat.h"

#include <gtest/gtest.h>

#include <limits>

using namespace platform;

TEST(DateFormat, FormatLetters)
{
    const TDateTime d = encodeDate(2024, 3, 9) + (7 * 3600 + 5 * 60 + 4.25) / 86400.0;
    const struct { const char* pattern; const char* text; } cases[] = {
        {"yyyy/mm/dd", "2024/03/09"}, {"yy/m/d", "24/3/9"},     {"y", "24"},
        {"yyy", "2024"},              {"YYYY-MM-DD", "2024-03-09"}, {"h:n:s", "7:5:4"},
        {"hh:mm:ss.zzz", "07:05:04.250"}, {"hh'h'nn", "07h05"}, {"\"dd\"dd", "dd09"},
        {"mmm", "3月"},               {"mmmm", "3月"},          {"ddd", "土"},
        {"dddd", "土曜日"},           {"ddddd", "2024/03/09"},  {"dddddd", "2024年3月9日"},
        {"t", "7:05"},                {"tt", "7:05:04"},        {"c", "2024/03/09 7:05:04"},
        {"yyyy年m月d日", "2024年3月9日"}, {"'unterminated", "unterminated"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatDateTime(c.pattern, d), c.text) << c.pattern;
    EXPECT_EQ(formatDateTime("c", encodeDate(2024, 3, 9)), "2024/03/09");
    EXPECT_EQ(formatDateTime("dddd", encodeDate(1899, 12, 30)), "土曜日");
    EXPECT_EQ(formatDateTime("ddd", encodeDate(1899, 12, 24)), "日");
}

TEST(DateFormat, RefusesValuesThatAreNoDate)
{
    EXPECT_THROW(formatDateTime("yyyy", std::numeric_limits<double>::quiet_NaN()),
                 std::invalid_argument);
    EXPECT_THROW(formatDateTime("yyyy", 1e15), std::invalid_argument);
    EXPECT_THROW(formatDateTime("yyyy", encodeDate(9999, 12, 31) + 1), std::invalid_argument);
    EXPECT_EQ(formatDateTime("yyyy/mm/dd", encodeDate(1, 1, 1)), "0001/01/01");
}
