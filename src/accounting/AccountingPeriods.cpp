#include "accounting/AccountingPeriods.h"

using accounting::isClosingDay;
using accounting::kClosingDayMonthEnd;
using platform::TDateTime;

namespace {

// Indexed by month; entry 0 is unused.
constexpr int kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int lastDayOf(int year, int month)
{
    if (month == 2)
        return platform::isLeapYear(year) ? 29 : 28;
    return kMonthDays[month];
}

} // namespace

bool accounting::isClosingDay(int closingDay)
{
    return (closingDay >= 1 && closingDay <= 28) || closingDay == kClosingDayMonthEnd;
}

int fnKikanNoOfMonth(int monthIndex)
{
    if (monthIndex < 0 || monthIndex > 11)
        return -1;
    return monthIndex + 1 + monthIndex / 3;
}

int fnKikanIndexOfMonth(int fiscalMonth)
{
    if (fiscalMonth < 1 || fiscalMonth > 12)
        return 0;
    return (fiscalMonth - 1) + (fiscalMonth - 1) / 3;
}

TDateTime fnIncDay(int days, TDateTime date) { return date + days; }

TDateTime fnIncMonthClamp(int months, TDateTime date)
{
    const platform::CivilDate d = platform::decodeDate(date);
    const long long total = static_cast<long long>(d.year) * 12 + d.month + months;
    int year = static_cast<int>(total / 12);
    int month = static_cast<int>(total % 12);
    if (month == 0) {
        month = 12;
        --year;
    }
    int day = d.day;
    if (month == 2 && day > 28)
        day = platform::isLeapYear(year) ? 29 : 28;
    else if (day > kMonthDays[month])
        day = kMonthDays[month];
    return platform::encodeDate(year, month, day);
}

TDateTime fnSimeDate(int monthOffset, int closingDay, TDateTime date)
{
    if (!isClosingDay(closingDay))
        return date;
    if (closingDay < platform::decodeDate(date).day)
        ++monthOffset;
    const platform::CivilDate moved = platform::decodeDate(fnIncMonthClamp(monthOffset, date));
    const int day = closingDay == kClosingDayMonthEnd ? lastDayOf(moved.year, moved.month) : closingDay;
    return platform::encodeDate(moved.year, moved.month, day);
}

int fnSimeMonthDiff(int closingDay, TDateTime from, TDateTime to)
{
    const platform::CivilDate f = platform::decodeDate(fnSimeDate(0, closingDay, from));
    const platform::CivilDate t = platform::decodeDate(fnSimeDate(0, closingDay, to));
    return (t.year - f.year) * 12 + (t.month - f.month);
}

int fnNendoMonthNo(int closingDay, TDateTime fiscalStart, TDateTime date)
{
    const int e = fnSimeMonthDiff(closingDay, fiscalStart, date);
    return e >= 0 && e <= 11 ? e + 1 : -1;
}

int fnKikanNoOfDate(int closingDay, int settlementFlag, TDateTime fiscalStart, TDateTime date,
                    TDateTime fiscalEnd)
{
    // A date beyond the fiscal end counts as the end's month.
    const int toDate = fnSimeMonthDiff(closingDay, fiscalStart, date);
    const int toEnd = fnSimeMonthDiff(closingDay, fiscalStart, fiscalEnd);
    const int g = toDate < toEnd ? toDate : toEnd;

    int flag = settlementFlag == 1 ? 1 : 0;
    if (flag == 1) {
        if (date == fiscalEnd)
            return 16;
        if (g != 2 && g != 5 && g != 8 && g != 11)
            flag = 0;
    }
    if (g >= 0 && g <= 2)
        return flag + g + 1;
    if (g >= 3 && g <= 5)
        return flag + g + 2;
    if (g >= 6 && g <= 8)
        return flag + g + 3;
    if (g >= 9 && g <= 11)
        return flag + g + 4;
    return -1;
}

int fnDayOfDate(TDateTime date) { return platform::decodeDate(date).day; }
