#pragma once

#include <cstdint>

// The value types every subsystem shares.
namespace platform {

// A date: 64-bit floating-point day count; whole part = days since 1899-12-30, 0 = no date.
using TDateTime = double;

// An amount: 64-bit integer scaled by 10000 (four decimals).
using Currency = std::int64_t;
inline constexpr Currency kCurrencyUnit = 10000;

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);

// Whole-day count of a calendar date. Throws std::invalid_argument for an impossible date.
TDateTime encodeDate(int year, int month, int day);
// Like encodeDate, false instead of throwing.
bool tryEncodeDate(int year, int month, int day, TDateTime& out);
// Calendar date of the whole part of a day count (dates before 1899-12-30 included).
CivilDate decodeDate(TDateTime date);
// Whole part of a day count as the day number (floor toward minus infinity, as the date's day).
std::int64_t dayNumber(TDateTime date);

} // namespace platform
