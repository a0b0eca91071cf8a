// The routines of the two date edits.
#include "ui/DateEditRoutines.h"

#include "platform/JapaneseCalendar.h"
#include "platform/MessageService.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dateedit {

namespace {

// "%2.2d" / "%4.4d": at least `width` digits, zero-padded.
std::string pad(int value, int width)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.*d", width, value);
    return buf;
}

// The first character of a UTF-8 text.
std::string firstCharacter(const std::string& s)
{
    if (s.empty())
        return s;
    std::size_t n = 1;
    while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        ++n;
    return s.substr(0, n);
}

// The date less one day after a month step: twelve months after the date, less one day.
platform::TDateTime yearAfter(platform::TDateTime date)
{
    const auto d = platform::decodeDate(date);
    const int year = d.year + 1;
    const int day = std::min(d.day, platform::daysInMonth(year, d.month));
    return platform::encodeDate(year, d.month, day) - 1;
}

} // namespace

// ---- TMorabyDateEdit ------------------------------------------------------------------------

std::string EditMask(int style, bool twoDigitYear)
{
    switch (style) {
    case dsYMD:
        return twoDigitYear ? "00/99/99;1; " : "0000/99/99;1; ";
    case dsYM:
        return twoDigitYear ? "00/99;1; " : "0000/99;1; ";
    case dsY:
        return twoDigitYear ? "00;1; " : "0000;1; ";
    case dsMD:
        return "99/99;1; ";
    case dsM:
    case dsD:
        return "99;1; ";
    default:
        return std::string();
    }
}

int MaxLength(int style, bool twoDigitYear)
{
    switch (style) {
    case dsYMD:
        return twoDigitYear ? 8 : 10;
    case dsYM:
        return twoDigitYear ? 5 : 7;
    case dsY:
        return twoDigitYear ? 2 : 4;
    case dsMD:
        return 5;
    case dsM:
    case dsD:
        return 2;
    default:
        return 0;
    }
}

PartPositions PartPositionsOf(int style, bool twoDigitYear)
{
    const int y = twoDigitYear ? 2 : 4;
    switch (style) {
    case dsYMD:
        return {0, y + 1, y + 4};
    case dsYM:
        return {0, y + 1, -1};
    case dsY:
        return {0, -1, -1};
    case dsMD:
        return {-1, 0, 3};
    case dsM:
        return {-1, 0, -1};
    case dsD:
        return {-1, -1, 0};
    default:
        return {};
    }
}

int ForcedPart(int style, int part)
{
    switch (style) {
    case dsYM:
        return part == dpDay ? dpYear : part;
    case dsY:
        return dpYear;
    case dsMD:
        return part == dpYear ? dpMonth : part;
    case dsM:
        return dpMonth;
    case dsD:
        return dpDay;
    default:
        return part;
    }
}

EraYear EraOf(platform::TDateTime date, const TGengoArray* customEra)
{
    const auto d = platform::decodeDate(date);
    EraYear out;
    out.year = d.year;
    if (date <= 0)
        return out;
    if (customEra && !customEra->empty()) {
        for (const TGengoRec& row : *customEra) {
            if (row.start <= date) {
                out.name = row.name;
                out.shortName = row.letter;
                out.year = d.year - row.startYear + 1;
                break;
            }
        }
        return out;
    }
    try {
        const platform::JapaneseEraDate j = platform::japaneseEraDate(date);
        out.name = j.eraName;
        out.shortName = firstCharacter(j.eraName);
        out.year = j.eraYear;
    } catch (const platform::JapaneseCalendarError&) {
        // the calendar could not say: the Western year stays
    }
    return out;
}

bool SetDateStyle(TMorabyDateEditState& state, int style)
{
    if (style != dsYMD && style != dsYM)
        return false;
    state.style = style;
    state.selectPart = ForcedPart(style, state.selectPart);
    return true;
}

void SetEra(TMorabyDateEditState& state, bool on)
{
    state.era = on;
    if (on && state.lastAssigned > 0) {
        const platform::TDateTime limit = yearAfter(state.lastAssigned);
        if (state.latestDate > limit)
            state.latestDate = limit;
    }
}

void AssignDate(TMorabyDateEditState& state, platform::TDateTime date)
{
    state.value = date;
    state.lastAssigned = date;
    if (state.era)
        SetEra(state, true);
}

std::string DisplayText(const TMorabyDateEditState& state)
{
    const auto d = platform::decodeDate(state.value);
    switch (state.style) {
    case dsMD:
        return pad(d.month, 2) + "/" + pad(d.day, 2);
    case dsM:
        return pad(d.month, 2);
    case dsD:
        return pad(d.day, 2);
    default:
        break;
    }
    int year = d.year;
    bool two = state.twoDigitYear;
    if (state.era) {
        year = EraOf(state.value, state.customEra).year;
        two = true;
    } else if (two) {
        year %= 100;
    }
    const std::string y = pad(year, two ? 2 : 4);
    switch (state.style) {
    case dsYMD:
        return y + "/" + pad(d.month, 2) + "/" + pad(d.day, 2);
    case dsYM:
        return y + "/" + pad(d.month, 2);
    case dsY:
        return y;
    default:
        return std::string();
    }
}

// ---- TMorabyExDateEdit ----------------------------------------------------------------------

namespace {

const TGengoArray& eraTable(const TExDateEditSettings& s)
{
    if (s.customEra && !s.customEra->empty())
        return *s.customEra;
    if (GengoTable.empty())
        pcGengoInit();
    return GengoTable;
}

bool blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The number a field holds; false for anything but digits.
bool number(const std::string& s, int& out)
{
    std::string t = s;
    t.erase(std::remove(t.begin(), t.end(), ' '), t.end());
    if (t.empty() || t.size() > 9 || !std::all_of(t.begin(), t.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return false;
    out = std::stoi(t);
    return true;
}

TExDateEditResult fail(std::uint16_t code, const char* message, ExField focus)
{
    TExDateEditResult r;
    r.code = code;
    r.message = message;
    r.focus = focus;
    return r;
}

} // namespace

std::vector<std::string> EraEntries(const TExDateEditSettings& settings)
{
    std::vector<std::string> out;
    if (settings.effectiveEraMode() != 1)
        out.push_back("西暦");
    for (const TGengoRec& row : eraTable(settings))
        out.push_back(row.name);
    return out;
}

TExDateEditResult ValidateExDate(const TExDateEditSettings& s, const TExDateEditFields& f,
                                 int currentYear)
{
    const bool showEra = s.showsEra();
    const bool showAmPm = s.showsAmPm();
    struct Field {
        ExField id;
        bool shown;
        bool isBlank;
        std::uint16_t bit;
    };
    const Field order[] = {
        {ExField::Era, showEra, f.eraIndex < 0, exBlankEra},
        {ExField::Year, s.showYear, blank(f.year), exBlankYear},
        {ExField::Month, s.showMonth, blank(f.month), exBlankMonth},
        {ExField::Day, s.showDay, blank(f.day), exBlankDay},
        {ExField::AmPm, showAmPm, f.ampmIndex < 0, exBlankAmPm},
        {ExField::Hour, s.showHour, blank(f.hour), exBlankHour},
        {ExField::Minute, s.showMinute, blank(f.minute), exBlankMinute},
        {ExField::Second, s.showSecond, blank(f.second), exBlankSecond},
    };

    // 1. All blank.
    const bool allBlank =
        std::all_of(std::begin(order), std::end(order), [](const Field& x) { return !x.shown || x.isBlank; });
    if (allBlank) {
        if (s.allowBlank) {
            TExDateEditResult r;
            r.ok = true;
            r.empty = true;
            r.value = s.emptyValue();
            return r;
        }
        const ExField focus = showEra      ? ExField::Era
                              : s.showYear ? ExField::Year
                              : showAmPm   ? ExField::AmPm
                                           : ExField::Hour;
        return fail(exAllBlank, "入力欄が全て空白です．　　", focus);
    }
    // 2. Any blank field.
    std::uint16_t bits = 0;
    ExField firstBlank = ExField::None;
    for (const Field& x : order) {
        if (x.shown && x.isBlank) {
            bits |= x.bit;
            if (firstBlank == ExField::None)
                firstBlank = x.id;
        }
    }
    if (bits)
        return fail(bits, "空白の入力欄があります．　　", firstBlank);

    // 3. The Western year.
    int year = 0;
    if (s.showYear) {
        int typed = 0;
        if (!number(f.year, typed))
            return fail(exBadDate, "日付が正しくありません（変換できません）．　　", ExField::Year);
        const int mode = s.effectiveEraMode();
        // Era 0 is "西暦"; the era-only mode has no such entry.
        const int era = mode == 1 ? f.eraIndex + 1 : (mode == 0 ? 0 : f.eraIndex);
        if (era == 0) {
            year = s.fourDigitYear ? typed : typed + currentYear / 100 * 100;
        } else {
            const TGengoArray& eras = eraTable(s);
            if (era - 1 >= int(eras.size()))
                return fail(exBadDate, "日付が正しくありません（変換できません）．　　", ExField::Era);
            year = typed + eras[std::size_t(era - 1)].startYear - 1;
        }
    }

    // 4. The time of day.
    double time = 0;
    if (s.showHour) {
        const char* clock = showAmPm ? "時刻の入力可能な値は11時59分59秒までです．　　"
                                     : "時刻の入力可能な値は23時59分59秒までです．　　";
        int hour = 0, minute = 0, second = 0;
        if (!number(f.hour, hour))
            return fail(exBadTime, "時刻が正しくありません．　　", ExField::Hour);
        if (hour >= (showAmPm ? 12 : 24))
            return fail(exBadTime, clock, ExField::Hour);
        if (s.showMinute) {
            if (!number(f.minute, minute))
                return fail(exBadTime, "時刻が正しくありません．　　", ExField::Minute);
            if (minute >= 60)
                return fail(exBadTime, clock, ExField::Minute);
        }
        if (s.showSecond) {
            if (!number(f.second, second))
                return fail(exBadTime, "時刻が正しくありません．　　", ExField::Second);
            if (second >= 60)
                return fail(exBadTime, clock, ExField::Second);
        }
        if (showAmPm && f.ampmIndex == 1)
            hour += 12;
        time = (hour * 3600 + minute * 60 + second) / 86400.0;
    }

    // 5. The date.
    platform::TDateTime date = 0;
    if (s.showYear) {
        if (year <= 1872)
            return fail(exTooEarly,
                        "1873年1月1日(明治6年1月1日)より前の日付は処理できません．　　",
                        ExField::Year);
        if (year > 2087 && s.effectiveEraMode() != 0)
            return fail(exEraOverflow, "2088年(平成100年)以降は元号に変換できません．　　",
                        ExField::Year);
        int month = 1, day = 1;
        if (s.showMonth && !number(f.month, month))
            month = 0;
        if (s.showDay && !number(f.day, day))
            day = 0;
        if (!platform::tryEncodeDate(year, month, day, date))
            return fail(exBadDate, "日付が正しくありません（変換できません）．　　",
                        month < 1 || month > 12 ? ExField::Month : ExField::Day);
    }

    // 6. The value, kept between the minimum and the maximum.
    TExDateEditResult r;
    r.value = date + time;
    if (!std::isfinite(r.value))
        return fail(exBadValue, "日付または時刻が正しくありません．　　", ExField::None);
    r.value = std::clamp(r.value, s.minDate, s.maxDate);
    r.ok = true;
    return r;
}

TExDateEditFields ExDateFieldsOf(const TExDateEditSettings& s, platform::TDateTime value)
{
    TExDateEditFields f;
    const auto d = platform::decodeDate(value);
    const int mode = s.effectiveEraMode();
    int year = d.year;
    if (mode != 0) {
        const EraYear e = EraOf(value, s.customEra);
        const std::vector<std::string> entries = EraEntries(s);
        const auto it = std::find(entries.begin(), entries.end(), e.name);
        if (!e.name.empty() && it != entries.end()) {
            f.eraIndex = int(it - entries.begin());
            year = e.year;
        } else if (mode == 2) {
            f.eraIndex = 0; // 西暦
        }
    }
    if (f.eraIndex <= 0 && mode != 1)
        year = s.fourDigitYear ? d.year : d.year % 100;
    f.year = std::to_string(year);
    f.month = std::to_string(d.month);
    f.day = std::to_string(d.day);
    const double fraction = value - std::floor(value);
    long seconds = std::lround(fraction * 86400.0);
    int hour = int(seconds / 3600);
    const int minute = int(seconds / 60 % 60);
    const int second = int(seconds % 60);
    if (s.showsAmPm()) {
        f.ampmIndex = hour > 11 ? 1 : 0;
        if (hour > 11)
            hour -= 12;
    }
    f.hour = pad(hour, 2);
    f.minute = pad(minute, 2);
    f.second = pad(second, 2);
    return f;
}

void ReportExDateError(const TExDateEditResult& result, bool showMessages,
                       const std::string& caption)
{
    if (result.ok || !showMessages)
        return;
    platform::messageBox(result.message, caption, platform::MB_OK | platform::MB_ICONINFORMATION);
}

} // namespace dateedit
