#pragma once

#include "platform/CoreTypes.h"

#include <cstdint>

// Date arithmetic of the 16-period accounting year.
//
// The year is counted from the fiscal year's first month. Periods 4, 8, 12 and 16 are the
// settlement periods after each quarter (16 = the year's closing); they hold no calendar month.
//
// Closing day: 1..28 ends each accounting month on that day (later days belong to the month that
// closes in the next calendar month); 99 ends it on the calendar month's last day; any other value
// means no closing day, and dates are used as they are.

namespace accounting {

inline constexpr int kClosingDayMonthEnd = 99;

// Whether a closing day is one of 1..28 or 99.
bool isClosingDay(int closingDay);

} // namespace accounting

// Period number of a month index (fiscal month - 1, 0..11): 1..3, 5..7, 9..11, 13..15; -1 outside.
int fnKikanNoOfMonth(int monthIndex);
// Period slot (0-based) of a fiscal month number 1..12: 0..2, 4..6, 8..10, 12..14; 0 outside.
int fnKikanIndexOfMonth(int fiscalMonth);
// The date plus a number of days (time of day kept).
platform::TDateTime fnIncDay(int days, platform::TDateTime date);
// The date moved by calendar months, its day clamped to the target month (time of day 0).
platform::TDateTime fnIncMonthClamp(int months, platform::TDateTime date);
// Closing date of the accounting month holding the date, moved by an offset in months; the date
// itself (with its time) when the closing day is not 1..28 or 99.
platform::TDateTime fnSimeDate(int monthOffset, int closingDay, platform::TDateTime date);
// Whole accounting months from the from-date's accounting month to the to-date's.
int fnSimeMonthDiff(int closingDay, platform::TDateTime from, platform::TDateTime to);
// Fiscal month 1..12 of the date's accounting month; -1 before the start or 12+ months after it.
int fnNendoMonthNo(int closingDay, platform::TDateTime fiscalStart, platform::TDateTime date);
// Period number 1..16 of the date; -1 outside the year. With settlement flag 1 a date in a
// quarter's last month gives the quarter's settlement period and the fiscal end date gives 16.
int fnKikanNoOfDate(int closingDay, int settlementFlag, platform::TDateTime fiscalStart,
                    platform::TDateTime date, platform::TDateTime fiscalEnd);
// Day of the month, 1..31.
int fnDayOfDate(platform::TDateTime date);
