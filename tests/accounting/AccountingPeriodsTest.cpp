#include "accounting/AccountingPeriods.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using platform::encodeDate;
using platform::TDateTime;

namespace {

std::string show(TDateTime d)
{
    const platform::CivilDate c = platform::decodeDate(d);
    return std::to_string(c.year) + "/" + std::to_string(c.month) + "/" + std::to_string(c.day)
        + (d != static_cast<double>(platform::dayNumber(d)) ? " +time" : "");
}

} // namespace

TEST(AccountingPeriods, MonthIndexAndSlotTables)
{
    const int kikanOfMonth[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 5}, {5, 7}, {6, 9}, {8, 11},
                                   {9, 13}, {11, 15}, {12, -1}, {-1, -1}, {100, -1}};
    for (const auto& c : kikanOfMonth)
        EXPECT_EQ(fnKikanNoOfMonth(c[0]), c[1]) << c[0];

    const int indexOfMonth[][2] = {{1, 0}, {3, 2}, {4, 4}, {6, 6}, {7, 8}, {9, 10},
                                   {10, 12}, {12, 14}, {0, 0}, {13, 0}, {-4, 0}};
    for (const auto& c : indexOfMonth)
        EXPECT_EQ(fnKikanIndexOfMonth(c[0]), c[1]) << c[0];
}

TEST(AccountingPeriods, IncDayAndDayOfDate)
{
    EXPECT_EQ(fnIncDay(1, encodeDate(2024, 2, 28)), encodeDate(2024, 2, 29));
    EXPECT_EQ(fnIncDay(-1, encodeDate(2024, 3, 1) + 0.25), encodeDate(2024, 2, 29) + 0.25);
    EXPECT_EQ(fnDayOfDate(encodeDate(2024, 3, 31) + 0.9), 31);
    EXPECT_EQ(fnDayOfDate(encodeDate(2024, 2, 1)), 1);
}

TEST(AccountingPeriods, IncMonthClampsToTheTargetMonth)
{
    struct Case { int months; TDateTime from; TDateTime to; };
    const Case cases[] = {
        {1, encodeDate(2024, 1, 31), encodeDate(2024, 2, 29)},
        {1, encodeDate(2023, 1, 31), encodeDate(2023, 2, 28)},
        {-3, encodeDate(2024, 3, 31), encodeDate(2023, 12, 31)},
        {1, encodeDate(2024, 5, 31), encodeDate(2024, 6, 30)},
        {12, encodeDate(2024, 2, 29), encodeDate(2025, 2, 28)},
        {-12, encodeDate(2024, 1, 15), encodeDate(2023, 1, 15)},
        {-1, encodeDate(2024, 1, 15) + 0.5, encodeDate(2023, 12, 15)}, // time of day goes
        {0, encodeDate(2024, 4, 30), encodeDate(2024, 4, 30)},
        {25, encodeDate(2023, 11, 30), encodeDate(2025, 12, 30)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fnIncMonthClamp(c.months, c.from), c.to) << show(c.from) << " + " << c.months;
}

TEST(AccountingPeriods, SimeDateFindsTheClosingDate)
{
    struct Case { int offset; int closingDay; TDateTime date; TDateTime closes; };
    const Case cases[] = {
        {0, 20, encodeDate(2024, 3, 15), encodeDate(2024, 3, 20)},
        {0, 20, encodeDate(2024, 3, 25), encodeDate(2024, 4, 20)},
        {1, 20, encodeDate(2024, 3, 15), encodeDate(2024, 4, 20)},
        {1, 20, encodeDate(2024, 3, 25), encodeDate(2024, 5, 20)},
        {0, 20, encodeDate(2024, 3, 20) + 0.75, encodeDate(2024, 3, 20)},
        {0, 99, encodeDate(2024, 2, 10), encodeDate(2024, 2, 29)},
        {0, 99, encodeDate(2023, 2, 10), encodeDate(2023, 2, 28)},
        {0, 99, encodeDate(2024, 1, 31), encodeDate(2024, 1, 31)},
        {1, 99, encodeDate(2024, 1, 31), encodeDate(2024, 2, 29)},
        {-1, 99, encodeDate(2024, 3, 31), encodeDate(2024, 2, 29)},
        {0, 28, encodeDate(2024, 2, 29), encodeDate(2024, 3, 28)},
        {0, 1, encodeDate(2024, 1, 1), encodeDate(2024, 1, 1)},
        {0, 1, encodeDate(2024, 1, 2), encodeDate(2024, 2, 1)},
        {0, 15, encodeDate(2024, 12, 31), encodeDate(2025, 1, 15)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fnSimeDate(c.offset, c.closingDay, c.date), c.closes)
            << show(c.date) << " closing " << c.closingDay << " offset " << c.offset;

    // No closing day: the date comes back as it is, time of day included.
    const TDateTime withTime = encodeDate(2024, 2, 29) + 0.375;
    for (int none : {0, 29, 30, 31, 98, 100, -1})
        EXPECT_EQ(fnSimeDate(3, none, withTime), withTime) << none;
}

TEST(AccountingPeriods, SimeMonthDiffAndNendoMonthNo)
{
    EXPECT_EQ(fnSimeMonthDiff(20, encodeDate(2024, 4, 21), encodeDate(2024, 5, 20)), 0);
    EXPECT_EQ(fnSimeMonthDiff(20, encodeDate(2024, 4, 20), encodeDate(2024, 4, 21)), 1);
    EXPECT_EQ(fnSimeMonthDiff(20, encodeDate(2024, 5, 20), encodeDate(2024, 4, 20)), -1);
    EXPECT_EQ(fnSimeMonthDiff(0, encodeDate(2024, 4, 30), encodeDate(2025, 4, 1)), 12);

    const TDateTime start = encodeDate(2024, 4, 1);
    EXPECT_EQ(fnNendoMonthNo(99, start, encodeDate(2024, 4, 1)), 1);
    EXPECT_EQ(fnNendoMonthNo(99, start, encodeDate(2025, 3, 31)), 12);
    EXPECT_EQ(fnNendoMonthNo(99, start, encodeDate(2025, 4, 1)), -1);
    EXPECT_EQ(fnNendoMonthNo(99, start, encodeDate(2024, 3, 31)), -1);
}

TEST(AccountingPeriods, KikanNoOfDatesInAndAroundAnAprilFiscalYear)
{
    const TDateTime start = encodeDate(2024, 4, 1);
    const TDateTime end = encodeDate(2025, 3, 31);
    struct Case { TDateTime date; int flag; int period; };
    const Case cases[] = {
        {encodeDate(2024, 6, 15), 0, 3},   {encodeDate(2024, 6, 15), 1, 4},
        {encodeDate(2024, 7, 1), 1, 5},    {encodeDate(2025, 3, 31), 1, 16},
        {encodeDate(2025, 3, 31), 0, 15},  {encodeDate(2025, 4, 30), 0, 15},
        {encodeDate(2024, 3, 31), 0, -1},  {encodeDate(2024, 3, 31), 1, -1},
        {encodeDate(2025, 3, 30), 1, 16},  // last month of the year: its settlement period
        {encodeDate(2024, 6, 15), 2, 3},   // a flag other than 1 counts as 0
        {encodeDate(2024, 6, 15), -1, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fnKikanNoOfDate(99, c.flag, start, c.date, end), c.period)
            << show(c.date) << " flag " << c.flag;

    // The settings reader's call: the end date in both places gives the last ordinary period.
    EXPECT_EQ(fnKikanNoOfDate(99, 0, start, end, end), 15);
    // A year longer than 12 accounting months has no period for its 13th month.
    EXPECT_EQ(fnKikanNoOfDate(99, 0, start, encodeDate(2025, 4, 15), encodeDate(2025, 5, 31)), -1);
    // The end date matches exactly, time of day included.
    EXPECT_EQ(fnKikanNoOfDate(99, 1, start, end + 0.5, end), 16); // month 11, settlement anyway
    EXPECT_EQ(fnKikanNoOfDate(99, 1, start, encodeDate(2024, 12, 31), encodeDate(2024, 12, 31)),
              16);
}

// Every fiscal start month x closing day x settlement flag: each accounting month's first,
// middle and closing date fall in its period, the closing dates are the period bounds, and dates
// outside the year are refused or clamped.
TEST(AccountingPeriods, EveryStartMonthClosingDayAndFlag)
{
    const int closingDays[] = {1, 10, 15, 20, 25, 28, 99, 0, 29, 30, 31, 98, 100, -3};
    for (int startMonth = 1; startMonth <= 12; ++startMonth) {
        for (int closingDay : closingDays) {
            const bool hasDay = closingDay >= 1 && closingDay <= 28;
            // Closing date of accounting month k (k = -1 is the month before the year).
            auto closeOf = [&](int k) {
                const int index = 2023 * 12 + (startMonth - 1) + k;
                const int y = index / 12, m = index % 12 + 1;
                return encodeDate(y, m, hasDay ? closingDay : platform::daysInMonth(y, m));
            };
            const TDateTime start = closeOf(-1) + 1;
            const TDateTime end = closeOf(11);
            const std::string where = "start month " + std::to_string(startMonth)
                + ", closing day " + std::to_string(closingDay);

            for (int k = 0; k < 12; ++k) {
                const TDateTime first = closeOf(k - 1) + 1;
                const TDateTime last = closeOf(k);
                if (hasDay || closingDay == accounting::kClosingDayMonthEnd) {
                    EXPECT_EQ(fnSimeDate(k, closingDay, start), last) << where << " k " << k;
                }
                const int ordinary = k + 1 + k / 3;
                for (TDateTime d : {first, first + 0.5, std::floor((first + last) / 2), last}) {
                    const std::string at = where + ", " + show(d);
                    EXPECT_EQ(fnNendoMonthNo(closingDay, start, d), k + 1) << at;
                    EXPECT_EQ(fnKikanNoOfDate(closingDay, 0, start, d, end), ordinary) << at;
                    const int settled = d == end ? 16 : (k % 3 == 2 ? ordinary + 1 : ordinary);
                    EXPECT_EQ(fnKikanNoOfDate(closingDay, 1, start, d, end), settled) << at;
                }
            }
            EXPECT_EQ(fnKikanNoOfDate(closingDay, 0, start, start - 1, end), -1) << where;
            EXPECT_EQ(fnKikanNoOfDate(closingDay, 1, start, start - 1, end), -1) << where;
            EXPECT_EQ(fnNendoMonthNo(closingDay, start, start - 1), -1) << where;
            EXPECT_EQ(fnKikanNoOfDate(closingDay, 0, start, end + 1, end), 15) << where;
            EXPECT_EQ(fnKikanNoOfDate(closingDay, 1, start, end + 1, end), 16) << where;
            EXPECT_EQ(fnNendoMonthNo(closingDay, start, end + 1), -1) << where;
            EXPECT_EQ(fnKikanNoOfDate(closingDay, 0, start, end, end), 15) << where;
        }
    }
}
