#pragma once

// The routines of the two date edits, without their widgets: the masked date edit
// (TMorabyDateEdit: six styles, Western or era display) and the composite date-and-time edit
// (TMorabyExDateEdit: separate fields for era, year, month, day, morning/afternoon, hour, minute
// and second, and the order in which it checks them).

#include "accounting/EraDates.h"
#include "platform/CoreTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dateedit {

// ---- TMorabyDateEdit ------------------------------------------------------------------------

enum TDateStyle : int {
    dsYMD = 0,  // year-month-day
    dsYM = 1,   // year-month
    dsY = 2,    // year
    dsMD = 3,   // month-day
    dsM = 4,    // month
    dsD = 5,    // day
};

enum TDatePart : int { dpYear = 0, dpMonth = 1, dpDay = 2 };

// The edit mask of a style (four-digit or two-digit year; eras use the two-digit layout).
std::string EditMask(int style, bool twoDigitYear);
int MaxLength(int style, bool twoDigitYear);
// Where the year, month and day parts start in the edit text (-1 for a part the style lacks).
struct PartPositions {
    int year = -1, month = -1, day = -1;
};
PartPositions PartPositionsOf(int style, bool twoDigitYear);
// The part selected on entry, forced to one the style shows.
int ForcedPart(int style, int part);

// The era form of a date: from the custom era table when one is given (the first row whose start
// is not after the date), else from the operating system's Japanese calendar. A date of 0 or
// before, or one older than every row, keeps the Western year and an empty era.
struct EraYear {
    std::string name;      // "令和"
    std::string shortName; // "令"
    int year = 0;
};
EraYear EraOf(platform::TDateTime date, const TGengoArray* customEra = nullptr);

// The state the masked date edit keeps.
struct TMorabyDateEditState {
    platform::TDateTime value = 0;
    platform::TDateTime lastAssigned = 0;
    platform::TDateTime latestDate = platform::encodeDate(9999, 12, 31);
    int style = dsYMD;
    bool era = false;
    bool twoDigitYear = false;
    const TGengoArray* customEra = nullptr;
    int selectPart = dpYear;

    // The layout in use: eras force the two-digit one.
    bool twoDigitLayout() const { return era || twoDigitYear; }
};

// Only the year-month-day and the year-month styles are accepted; false leaves the style.
bool SetDateStyle(TMorabyDateEditState& state, int style);
// Switches the era display; on lowers the latest date to twelve months after the date last
// assigned, less one day, when it is later.
void SetEra(TMorabyDateEditState& state, bool on);
// Assigns a date (it becomes the date last assigned).
void AssignDate(TMorabyDateEditState& state, platform::TDateTime date);
// The text the edit shows for its value.
std::string DisplayText(const TMorabyDateEditState& state);

// ---- TMorabyExDateEdit ----------------------------------------------------------------------

enum class ExField { None, Era, Year, Month, Day, AmPm, Hour, Minute, Second };

// Error bits of the composite edit.
enum : std::uint16_t {
    exAllBlank = 0x1,
    exBlankEra = 0x2,
    exBlankYear = 0x2,
    exBlankMonth = 0x4,
    exBlankDay = 0x8,
    exBlankAmPm = 0x10,
    exBlankHour = 0x20,
    exBlankMinute = 0x40,
    exBlankSecond = 0x80,
    exTooEarly = 0x100,
    exBadValue = 0x200,
    exBadDate = 0x400,
    exBadTime = 0x800,
    exEraOverflow = 0x8000,
};

struct TExDateEditSettings {
    int eraMode = 0;        // 0 Western only, 1 era only, 2 both ("西暦" first except in 1)
    bool eraVisible = true; // off forces the Western mode
    bool fourDigitYear = true;
    bool ampm = false;      // morning/afternoon combo with a 12-hour clock
    bool allowBlank = false;
    bool showYear = true, showMonth = true, showDay = true;
    bool showHour = false, showMinute = false, showSecond = false;
    const TGengoArray* customEra = nullptr;
    platform::TDateTime minDate = platform::encodeDate(1873, 1, 1);
    platform::TDateTime maxDate = platform::encodeDate(9999, 12, 31);
    platform::TDateTime earliest = platform::encodeDate(1873, 1, 1);

    int effectiveEraMode() const { return eraVisible ? eraMode : 0; }
    bool showsEra() const { return effectiveEraMode() != 0; }
    bool showsAmPm() const { return ampm && showHour; }
    // One day before the earliest displayable date.
    platform::TDateTime emptyValue() const { return earliest - 1; }
};

// What the fields hold: the combo positions (-1 nothing chosen) and the number fields' texts.
struct TExDateEditFields {
    int eraIndex = -1;
    std::string year, month, day;
    int ampmIndex = -1; // 0 morning, 1 afternoon
    std::string hour, minute, second;
};

// The entries of the era combo: "西暦" first (not in the era-only mode), then the eras.
std::vector<std::string> EraEntries(const TExDateEditSettings& settings);

struct TExDateEditResult {
    bool ok = false;
    bool empty = false;          // the value is the empty value
    std::uint16_t code = 0;      // the error bits
    std::string message;         // with its trailing full-width blanks
    ExField focus = ExField::None;
    platform::TDateTime value = 0;
};

// Takes the value from the fields in the edit's order: all blank, any blank, year, time, date,
// value. currentYear gives the century of a two-digit Western year.
TExDateEditResult ValidateExDate(const TExDateEditSettings& settings,
                                 const TExDateEditFields& fields, int currentYear);
// The fields that show a value.
TExDateEditFields ExDateFieldsOf(const TExDateEditSettings& settings, platform::TDateTime value);
// Shows the failure as an information box with the caption, when messages are on.
void ReportExDateError(const TExDateEditResult& result, bool showMessages,
                       const std::string& caption);

} // namespace dateedit
