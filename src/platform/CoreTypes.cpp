#include "platform/CoreTypes.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace platform {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;

} // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

bool isValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1
        && day <= daysInMonth(year, month);
}

bool tryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (!isValidDate(year, month, day))
        return false;
    out = static_cast<TDateTime>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))
        - kEpochOffset);
    return true;
}

TDateTime encodeDate(int year, int month, int day)
{
    TDateTime out = 0;
    if (!tryEncodeDate(year, month, day, out))
        throw std::invalid_argument("invalid date " + std::to_string(year) + "/"
                                    + std::to_string(month) + "/" + std::to_string(day));
    return out;
}

std::int64_t dayNumber(TDateTime date) { return static_cast<std::int64_t>(std::floor(date)); }

CivilDate decodeDate(TDateTime date) { return civilFromDays(dayNumber(date) + kEpochOffset); }

} // namespace platform
