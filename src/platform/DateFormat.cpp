#include "platform/DateFormat.h"

#include <cctype>
#include <cmath>

namespace platform {
namespace {

const char* const kDayNames[] = {"日", "月", "火", "水", "木", "金", "土"};

struct Parts {
    CivilDate date;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int weekday = 0; // 0 = Sunday
    bool hasTime = false;
};

Parts split(TDateTime value)
{
    // Beyond a few million days no year fits 1..9999; stop before the day count overflows.
    if (!std::isfinite(value) || std::fabs(value) > 3000000)
        throw std::invalid_argument("not a date");
    Parts p;
    p.date = decodeDate(value);
    if (p.date.year < 1 || p.date.year > 9999)
        throw std::invalid_argument("date out of range");
    const std::int64_t day = dayNumber(value);
    // Milliseconds of the day, rounded to the nearest: a day fraction is rarely exact in binary.
    std::int64_t ms = std::llround((value - static_cast<double>(day)) * 86400000.0);
    if (ms >= 86400000)
        ms = 86399999;
    p.hasTime = ms != 0;
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    // 1899-12-30 was a Saturday.
    p.weekday = static_cast<int>(((day + 6) % 7 + 7) % 7);
    return p;
}

void number(std::string& out, int value, int digits)
{
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    out += s;
}

void append(std::string& out, std::string_view pattern, const Parts& p);

void appendTime(std::string& out, const Parts& p, bool seconds)
{
    number(out, p.hour, 1);
    out += ':';
    number(out, p.minute, 2);
    if (seconds) {
        out += ':';
        number(out, p.second, 2);
    }
}

void append(std::string& out, std::string_view pattern, const Parts& p)
{
    char lastToken = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char starter = pattern[i];
        char token = static_cast<char>(std::toupper(static_cast<unsigned char>(starter)));
        const bool letter = token >= 'A' && token <= 'Z';
        if (letter) {
            if (token == 'M' && lastToken == 'H')
                token = 'N';
            lastToken = token;
        }
        ++i;
        auto count = [&] {
            int n = 1;
            while (i < pattern.size()
                   && std::toupper(static_cast<unsigned char>(pattern[i]))
                       == std::toupper(static_cast<unsigned char>(starter))) {
                ++n;
                ++i;
            }
            return n;
        };
        switch (token) {
        case 'Y':
            if (count() <= 2)
                number(out, p.date.year % 100, 2);
            else
                number(out, p.date.year, 4);
            break;
        case 'M': {
            const int n = count();
            if (n <= 2)
                number(out, p.date.month, n);
            else
                out += std::to_string(p.date.month) + "月";
            break;
        }
        case 'D': {
            const int n = count();
            if (n <= 2)
                number(out, p.date.day, n);
            else if (n == 3)
                out += kDayNames[p.weekday];
            else if (n == 4)
                out += std::string(kDayNames[p.weekday]) + "曜日";
            else if (n == 5)
                append(out, "yyyy/mm/dd", p);
            else
                append(out, "yyyy'年'm'月'd'日'", p);
            break;
        }
        case 'H':
            number(out, p.hour, count() >= 2 ? 2 : 1);
            break;
        case 'N':
            number(out, p.minute, count() >= 2 ? 2 : 1);
            break;
        case 'S':
            number(out, p.second, count() >= 2 ? 2 : 1);
            break;
        case 'Z':
            number(out, p.msec, count() >= 3 ? 3 : 1);
            break;
        case 'T':
            appendTime(out, p, count() >= 2);
            break;
        case 'C':
            count();
            append(out, "yyyy/mm/dd", p);
            if (p.hasTime) {
                out += ' ';
                appendTime(out, p, true);
            }
            break;
        case '\'':
        case '"': {
            const std::size_t close = pattern.find(starter, i);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(i, end - i));
            i = close == std::string_view::npos ? end : end + 1;
            break;
        }
        default:
            out += starter;
            break;
        }
    }
}

} // namespace

std::string formatDateTime(std::string_view pattern, TDateTime value)
{
    const Parts p = split(value);
    std::string out;
    append(out, pattern, p);
    return out;
}

} // namespace platform
