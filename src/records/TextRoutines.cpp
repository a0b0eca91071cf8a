#include "records/TextRoutines.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>

#include <unistd.h>

namespace text = platform::text;
using platform::Currency;
using platform::TDateTime;

namespace {

constexpr std::string_view kZenkakuSpace = "　";

bool isAsciiBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view trimAscii(std::string_view s)
{
    while (!s.empty() && isAsciiBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isAsciiBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool endsWith(std::string_view s, std::string_view p)
{
    return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

std::string twoDigits(int v)
{
    const char d[3] = {char('0' + (v / 10) % 10), char('0' + v % 10), 0};
    return d;
}

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (const char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::function<std::time_t()>& textClock()
{
    static std::function<std::time_t()> now;
    return now;
}

int currentYear()
{
    const std::time_t now = textClock() ? textClock()() : std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

} // namespace

std::string GetPcName(int ConnectMode, std::string_view WinUserName)
{
    if (ConnectMode == 2)
        return WinUserName.empty() ? std::string("ANONYMOUS") : std::string(WinUserName);
    char name[200] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "PCNAME-ERROR";
    return name;
}

namespace records_detail {

std::string cp932SortKey(std::string_view code)
{
    // Codes are stored in CP932; one without a CP932 form keeps its UTF-8 bytes.
    return text::fitsCp932(code) ? text::toCp932(code) : std::string(code);
}

void qsortByCode(std::vector<std::string>& keys, int L, int R,
                 const std::function<void(int, int)>& swap)
{
    // Keep the bounds inside the array: callers pass the row range of their own lists.
    if (L < 0)
        L = 0;
    if (R >= int(keys.size()))
        R = int(keys.size()) - 1;
    if (L >= R)
        return;
    const std::string pivot = keys[std::size_t((L + R) / 2)];
    int i = L, j = R;
    do {
        while (keys[std::size_t(i)] < pivot)
            ++i;
        while (keys[std::size_t(j)] > pivot)
            --j;
        if (i <= j) {
            std::swap(keys[std::size_t(i)], keys[std::size_t(j)]);
            swap(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    if (L < j)
        qsortByCode(keys, L, j, swap);
    if (i < R)
        qsortByCode(keys, i, R, swap);
}

} // namespace records_detail

Currency CurrHasuuSyori(int Mode, Currency Value)
{
    const __int128 v = Value;
    const __int128 unit = platform::kCurrencyUnit;
    __int128 r;
    if (Mode == 0)
        r = v / unit * unit;
    else if (Mode == 2)
        r = v % unit == 0 ? v : (v >= 0 ? (v + unit) / unit * unit : (v - unit) / unit * unit);
    else
        r = v >= 0 ? (v + unit / 2) / unit * unit : (v - unit / 2) / unit * unit;
    // Beyond the range of an amount: the largest whole amount instead of a wrapped value.
    constexpr Currency kMax = std::numeric_limits<Currency>::max() / 10000 * 10000;
    if (r > kMax)
        return kMax;
    if (r < -kMax)
        return -kMax;
    return static_cast<Currency>(r);
}

std::string DateToText(int Kind, TDateTime Date)
{
    if (Date == 0)
        return {};
    const platform::CivilDate d = platform::decodeDate(Date);
    const std::string md = "/" + twoDigits(d.month) + "/" + twoDigits(d.day);
    if (Kind == 2)
        return twoDigits(std::abs(d.year) % 100) + md;
    char year[16];
    std::snprintf(year, sizeof year, "%04d", d.year);
    if (Kind == 4)
        return year + md;
    long long ms = std::llround(std::fabs(Date - std::trunc(Date)) * 86400000.0);
    if (ms >= 86400000)
        ms = 86400000 - 1;
    const int hh = int(ms / 3600000), nn = int(ms / 60000 % 60);
    return year + md + " " + twoDigits(hh) + ":" + twoDigits(nn);
}

std::string ZenkakuTrim(std::string_view S)
{
    // Works on whole characters, so a double-byte character whose bytes end in 81 40 ("メ@")
    // is never taken for a full-width space.
    std::string_view s = trimAscii(S);
    while (startsWith(s, kZenkakuSpace))
        s = trimAscii(s.substr(kZenkakuSpace.size()));
    while (endsWith(s, kZenkakuSpace))
        s = trimAscii(s.substr(0, s.size() - kZenkakuSpace.size()));
    return std::string(s);
}

std::string RemoveSpaces(std::string_view S)
{
    std::string out;
    for (std::size_t i = 0; i < S.size();) {
        const std::size_t n = text::charLength(S, i);
        const std::string_view ch = S.substr(i, n);
        if (ch != " " && ch != kZenkakuSpace)
            out += ch;
        i += n;
    }
    return out;
}

std::string SpaceStr(int N)
{
    return N <= 0 || N >= 511 ? std::string() : std::string(std::size_t(N), ' ');
}

std::string LeftFixStr(std::string_view S, int Len)
{
    return Len <= 0 ? std::string() : text::fitLeft(S, std::size_t(Len));
}

std::string RightFixStr(std::string_view S, int Len)
{
    // A double-byte character cut in half becomes a blank: UTF-8 cannot hold half a character.
    return Len <= 0 ? std::string() : text::fitRight(S, std::size_t(Len));
}

int BoolToInt(bool B) { return B ? 1 : 0; }
bool IntToBool(int I) { return I != 0; }

int RoundToInt(double X)
{
    if (!std::isfinite(X))
        return 0;
    const double r = std::nearbyint(X);
    if (r < double(std::numeric_limits<int>::min()) || r > double(std::numeric_limits<int>::max()))
        return 0;
    return int(r);
}

Currency StrToCurrDef0(std::string_view S)
{
    std::string_view s = S;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    std::string digits;
    int exponent = 0;
    bool anyDigit = false, point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            anyDigit = true;
            if (!(digits.empty() && c == '0'))
                digits += c;
            if (point)
                --exponent;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            expNegative = s[i++] == '-';
        const std::string_view e = s.substr(i);
        if (!allDigits(e) || e.size() > 4)
            return 0;
        exponent += (expNegative ? -1 : 1) * std::stoi(std::string(e));
        i = s.size();
    }
    if (i != s.size())
        return 0;
    if (digits.empty())
        return 0;
    // value = digits x 10^exponent; scaled = value x 10^4.
    const int shift = exponent + 4;
    std::string whole = digits;
    bool roundUp = false;
    if (shift >= 0) {
        if (whole.size() + std::size_t(shift) > 19)
            return 0;
        whole.append(std::size_t(shift), '0');
    } else {
        const std::size_t cut = std::size_t(-shift);
        std::string dropped;
        if (cut >= whole.size()) {
            dropped = std::string(cut - whole.size(), '0') + whole;
            whole.clear();
        } else {
            dropped = whole.substr(whole.size() - cut);
            whole.resize(whole.size() - cut);
        }
        // Ties to even, as the processor rounds.
        const bool aboveHalf = dropped[0] > '5'
                               || (dropped[0] == '5' && dropped.find_first_not_of('0', 1) != std::string::npos);
        const bool half = dropped[0] == '5' && !aboveHalf;
        const int lastDigit = whole.empty() ? 0 : whole.back() - '0';
        roundUp = aboveHalf || (half && lastDigit % 2 == 1);
        if (whole.size() > 19)
            return 0;
    }
    unsigned __int128 v = 0;
    for (const char c : whole)
        v = v * 10 + unsigned(c - '0');
    if (roundUp)
        ++v;
    const auto max = static_cast<unsigned __int128>(std::numeric_limits<Currency>::max());
    if (v > max + (negative ? 1 : 0))
        return 0;
    return negative ? static_cast<Currency>(-static_cast<__int128>(v)) : static_cast<Currency>(v);
}

void SetTextRoutinesClock(std::function<std::time_t()> now)
{
    textClock() = std::move(now);
}

TDateTime StrToDateDef0(std::string_view S)
{
    const std::string_view s = trimAscii(S);
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = s.find('/', start);
        parts.push_back(s.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    if (parts.size() < 2 || parts.size() > 3)
        return 0;
    for (const auto p : parts)
        if (!allDigits(p) || p.size() > 4)
            return 0;
    int year = currentYear();
    std::size_t m = 0;
    if (parts.size() == 3) {
        year = std::stoi(std::string(parts[0]));
        if (parts[0].size() <= 2) {
            // Two-digit years fall within the 50 years either side of this year.
            const int base = currentYear() - 50;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        }
        m = 1;
    }
    TDateTime out = 0;
    if (!platform::tryEncodeDate(year, std::stoi(std::string(parts[m])),
                                 std::stoi(std::string(parts[m + 1])), out))
        return 0;
    return out;
}

int StrBunkatu(std::string_view S, std::string_view Delim, std::vector<std::string>& Parts)
{
    if (const std::size_t cut = S.find("//"); cut != std::string_view::npos)
        S = S.substr(0, cut);
    if (S.empty())
        return 0;
    // The delimiter is searched by whole characters: UTF-8 never matches inside a character, so
    // a "\" delimiter no longer cuts a character such as "表" whose CP932 form ends in 0x5C.
    const std::size_t step = Delim.empty() ? 0 : text::charLength(Delim, 0);
    int n = 0;
    auto put = [&](std::string_view part) {
        if (Parts.size() <= std::size_t(n))
            Parts.resize(std::size_t(n) + 1);
        Parts[std::size_t(n)] = std::string(part);
    };
    while (!Delim.empty()) {
        const std::size_t p = S.find(Delim);
        if (p == std::string_view::npos)
            break;
        put(S.substr(0, p));
        S = S.substr(p + step);
        ++n;
    }
    put(S);
    return n;
}

bool IsLeadByte(unsigned char B) { return text::isLeadByte(B); }
bool IsTrailByte(unsigned char B) { return text::isTrailByte(B); }

std::string FixDbcsCut(std::string_view Cp932) { return text::fixDbcsCut(Cp932); }

bool IsLeadByteAt(std::string_view Cp932, int Index)
{
    return Index >= 1 && text::isLeadByteAt(Cp932, std::size_t(Index));
}

void AppendLinesToFile(std::string_view FileName, const std::vector<std::string>& Lines)
{
    std::string bytes;
    for (const auto& line : Lines)
        bytes += text::toCp932(line) + "\r\n";
    platform::files::append(FileName, bytes);
}
