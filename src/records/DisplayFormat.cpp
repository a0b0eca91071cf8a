#include "records/DisplayFormat.h"

#include "accounting/EraDates.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"
#include "platform/DateFormat.h"
#include "platform/Screen.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

using platform::TDateTime;

namespace {

// printf-style layouts of the date tables: "%s" takes the text, "%d", "%2d" (blank-padded),
// "%4d" and "%.2d" (zero-padded) take the numbers in order.
std::string layout(std::string_view fmt, const std::string& text, std::initializer_list<long> nums)
{
    std::string out;
    auto next = nums.begin();
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out += fmt[i];
            continue;
        }
        ++i;
        bool zeroPad = false;
        std::size_t width = 0;
        if (fmt[i] == '.') {
            zeroPad = true;
            ++i;
        }
        while (fmt[i] >= '0' && fmt[i] <= '9')
            width = width * 10 + static_cast<std::size_t>(fmt[i++] - '0');
        if (fmt[i] == 's') {
            out += text;
            continue;
        }
        const long value = next != nums.end() ? *next++ : 0;
        std::string digits = std::to_string(std::labs(value));
        if (zeroPad && digits.size() < width)
            digits.insert(0, width - digits.size(), '0');
        if (value < 0)
            digits.insert(0, 1, '-');
        if (!zeroPad && digits.size() < width)
            digits.insert(0, width - digits.size(), ' ');
        out += digits;
    }
    return out;
}

// Characters of code 32 and below go at both ends.
std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

// One row of a key table: up to three keys, the layout, and for Western layouts whether the
// year shows its last two digits.
struct KeyRow {
    const char* keys[3];
    const char* format;
    bool twoDigitYear;
};

template <std::size_t N>
const KeyRow* findRow(const KeyRow (&table)[N], const std::string& key)
{
    for (const KeyRow& row : table)
        for (const char* k : row.keys)
            if (k && key == k)
                return &row;
    return nullptr;
}

constexpr KeyRow kSlashEra[] = {
    {{"yyyy/mm/dd", "yy/mm/dd"}, "%s %.2d/%.2d/%.2d", false},
    {{"yyyy/mm", "yy/mm"}, "%s %.2d/%.2d", false},
    {{"yyyy", "yy"}, "%s %.2d", false},
    {{"yyyy/m/d", "yy/m/d", "y/m/d"}, "%s %2d/%2d/%2d", false},
    {{"yyyy/m", "yy/m", "y/m"}, "%s %2d/%2d", false},
    {{"y"}, "%s %2d", false},
    {{"yy2/mm/dd"}, "%s%.2d/%.2d/%.2d", false},
};

constexpr KeyRow kSlashWestern[] = {
    {{"yyyy/m/d"}, "%4d/%2d/%2d", false},
    {{"yy/m/d", "y/m/d"}, "%2d/%2d/%2d", true},
    {{"yyyy/m"}, "%4d/%2d", false},
    {{"yy/m", "y/m/"}, "%2d/%2d", true},
};

constexpr KeyRow kNenEra[] = {
    {{"yyyy年mm月dd日", "yy年mm月dd日"}, "%s %.2d年%.2d月%.2d日", false},
    {{"yyyy年mm月", "yy年mm月"}, "%s %.2d年%.2d月", false},
    {{"yyyy年", "yy年"}, "%s %.2d年", false},
    {{"yyyy年m月d日", "yy年m月d日", "y年m月d日"}, "%s %2d年%2d月%2d日", false},
    {{"yyyy年m月", "yy年m月", "y年m月"}, "%s %2d年%2d月", false},
    {{"y"}, "%s %2d年", false},
    {{"yyyy年 m月 d日", "yy年 m月 d日", "y年 m月 d日"}, "%s %2d年 %d月 %d日", false},
    {{"yyyy年 m月", "yy年 m月", "y年 m月"}, "%s %2d年 %d月", false},
};

constexpr KeyRow kNenWestern[] = {
    {{"yyyy年m月d日"}, "%4d年%2d月%2d日", false},
    {{"yy年m月d日", "y年m月d日"}, "%2d年%2d月%2d日", true},
    {{"yyyy年m月"}, "%4d年%2d月", false},
    {{"yy年m月", "y年m月"}, "%.2d年%2d月", true},
    {{"yyyy年 m月 d日"}, "%4d年 %d月 %d日", false},
    {{"yyyy年 m月"}, "%4d年 %d月", false},
    {{"yy年 m月 d日", "y年 m月 d日"}, "%.2d年 %d月 %d日", true},
    {{"yy年 m月", "y年 m月"}, "%.2d年 %d月", true},
};

// The date's parts, refused outside years 1..9999.
platform::CivilDate checkedDate(TDateTime date)
{
    if (!std::isfinite(date) || std::fabs(date) > 3000000)
        throw std::invalid_argument("not a date");
    const platform::CivilDate d = platform::decodeDate(date);
    if (d.year < 1 || d.year > 9999)
        throw std::invalid_argument("date out of range");
    return d;
}

TWarekiRec wareki(TDateTime date)
{
    checkedDate(date);
    TWarekiRec w;
    fnDateToWareki(w, date);
    return w;
}

// A Western date by a key table, else by the key itself as a date format.
std::string western(const KeyRow* row, std::string_view pattern, TDateTime date)
{
    const platform::CivilDate d = checkedDate(date);
    if (!row)
        return platform::formatDateTime(pattern, date);
    return layout(row->format, {}, {row->twoDigitYear ? d.year % 100 : d.year, d.month, d.day});
}

std::string formatOrEmpty(std::string_view pattern, TDateTime date)
{
    try {
        return platform::formatDateTime(pattern, date);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::string IntToCommaStr(std::int64_t value)
{
    // Digits of the magnitude, unsigned so that the lowest value has one too.
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                        : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string GetDelimitedItem(const std::string& text, const std::string& separator, int n)
{
    if (n <= 0)
        return {};
    std::string lines;
    if (separator.empty()) {
        lines = text;
    } else {
        for (std::size_t i = 0; i < text.size();) {
            if (text.compare(i, separator.size(), separator) == 0) {
                lines += "\r\n";
                i += separator.size();
            } else {
                lines += text[i++];
            }
        }
    }
    // Cut as a list of lines: CR, LF and CR LF each end a line; a final break adds no line.
    int item = 0;
    std::size_t p = 0;
    while (p < lines.size()) {
        const std::size_t start = p;
        while (p < lines.size() && lines[p] != '\r' && lines[p] != '\n')
            ++p;
        if (++item == n)
            return lines.substr(start, p - start);
        if (p < lines.size() && lines[p] == '\r')
            ++p;
        if (p < lines.size() && lines[p] == '\n')
            ++p;
    }
    return {};
}

long double PowerOf(long double exponent, long double base)
{
    if (base == 0)
        return 0;
    return std::exp2(exponent * std::log2(base));
}

namespace {

constexpr long double kTolerance = 0.000001L;

long double digitScale(std::uint16_t digits)
{
    return PowerOf(static_cast<long double>(static_cast<int>(digits) - 1), 10.0L);
}

long double unscale(long double r, std::uint16_t digits)
{
    return r * PowerOf(static_cast<long double>(1 - static_cast<int>(digits)), 10.0L);
}

} // namespace

long double RoundUpDigit(std::uint16_t digits, long double value)
{
    const long double v = value * digitScale(digits);
    long double r = 0;
    if (v > 0)
        r = std::trunc(v - kTolerance) + 1;
    else if (v < 0)
        r = std::trunc(v - kTolerance);
    return unscale(r, digits);
}

long double RoundDownDigit(std::uint16_t digits, long double value)
{
    const long double v = value * digitScale(digits);
    long double r = 0;
    if (v > 0)
        r = std::trunc(v + kTolerance);
    else if (v < 0)
        r = std::trunc(v + kTolerance) - 1;
    return unscale(r, digits);
}

int ScaleByPPI(int value, int newPPI, int oldPPI)
{
    if (oldPPI == 0)
        oldPPI = platform::mainFormPixelsPerInch();
    if (newPPI == oldPPI || oldPPI == 0)
        return value;
    const double ratio = static_cast<double>(newPPI) / static_cast<double>(oldPPI);
    return static_cast<int>(std::trunc(ratio * value));
}

void SetBitFlag(std::int32_t& flags, int n)
{
    if (n >= 1 && n <= 24)
        flags = static_cast<std::int32_t>(static_cast<std::uint32_t>(flags) | (1u << (n - 1)));
}

int GetBitFlag(std::int32_t flags, std::uint8_t n)
{
    const unsigned bit = static_cast<unsigned>(static_cast<int>(n) - 1) & 31u;
    return static_cast<int>((static_cast<std::uint32_t>(flags) >> bit) & 1u);
}

int AdjustFrameSize(int height, int kind)
{
    return AdjustFrameSize(height, kind, platform::sizingFrameHeight());
}

int AdjustFrameSize(int height, int kind, int frameHeight)
{
    const int frames = 2 * frameHeight;
    if (frames == 8 || frames <= 6)
        return height;
    if (kind == 0)
        return height - frames + 8;
    if (kind == 1)
        return height - 2 * frames + 16;
    return height;
}

int ColorToGray(int colour)
{
    if (colour == 0xFFFFFF || colour == 0)
        return colour;
    const int r = colour & 0xFF;
    const int g = (colour >> 8) & 0xFF;
    const int b = (colour >> 16) & 0xFF;
    const int grey = static_cast<int>(std::lround((r + g + b) / 3.0));
    return grey | (grey << 8) | (grey << 16);
}

bool IsIryouDataKind(const std::string& dataKind)
{
    return dataKind == "医療法人" || dataKind == "個人(クリニック)";
}

void KikanToText(std::string& text, TDateTime from, TDateTime to, int eraDisplay)
{
    auto one = [eraDisplay](TDateTime date) {
        if (eraDisplay == 1) {
            try {
                const TWarekiRec w = wareki(date);
                return layout("%s %.2d/%.2d/%.2d", w.letter, {w.year, w.month, w.day});
            } catch (const std::exception&) {
                // falls back to the Western form
            }
        }
        return formatOrEmpty("yyyy/mm/dd", date);
    };
    text = layout("%s ～ ", one(from), {}) + one(to);
}

void FormatDateSlash(const std::string& key, int kind, std::string& text, TDateTime date,
                     int eraDisplay)
{
    try {
        if (eraDisplay == 1) {
            const TWarekiRec w = wareki(date);
            const std::string era = kind == 0 ? std::string()
                : (kind == 2 || kind == 3) ? w.letter
                                            : w.name;
            const KeyRow* row = findRow(kSlashEra, key);
            text = row ? layout(row->format, era, {w.year, w.month, w.day}) : std::string();
            if (kind == 0)
                text = trim(text);
            else if (kind == 3)
                text = RemoveSpaces(text);
        } else {
            text = western(findRow(kSlashWestern, key), key == "yy2/mm/dd" ? "yy/mm/dd" : key,
                           date);
        }
    } catch (const std::exception&) {
        text = formatOrEmpty("yyyy/mm/dd", date);
    }
}

void FormatDateNen(const std::string& key, int kind, std::string& text, TDateTime date,
                   int eraDisplay)
{
    try {
        if (eraDisplay == 1) {
            const TWarekiRec w = wareki(date);
            const std::string era = kind == 0 ? std::string() : kind == 2 ? w.letter : w.name;
            const KeyRow* row = findRow(kNenEra, key);
            text = row ? layout(row->format, era, {w.year, w.month, w.day}) : std::string();
            if (kind == 0)
                text = trim(text);
        } else {
            text = western(findRow(kNenWestern, key), key, date);
        }
    } catch (const std::exception&) {
        text = formatOrEmpty("yyyy年mm月dd日", date);
    }
}

void KikanToText(std::string& text, TDateTime from, TDateTime to)
{
    KikanToText(text, from, to, SystemDef.Reserve4Flag10);
}

void FormatDateSlash(const std::string& key, int kind, std::string& text, TDateTime date)
{
    FormatDateSlash(key, kind, text, date, SystemDef.Reserve4Flag10);
}

void FormatDateNen(const std::string& key, int kind, std::string& text, TDateTime date)
{
    FormatDateNen(key, kind, text, date, SystemDef.Reserve4Flag10);
}
