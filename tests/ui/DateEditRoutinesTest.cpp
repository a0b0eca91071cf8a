// The date edits' routines: masks, display, era, the latest-date rule and the composite edit's
// checks with their codes, messages and focus.
#include "ui/DateEditRoutines.h"

#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

using namespace dateedit;
using platform::encodeDate;

TEST(DateEditRoutines, MasksLengthsAndPartsPerStyle)
{
    struct Case {
        int style;
        const char* mask4;
        int len4;
        const char* mask2;
        int len2;
        PartPositions parts4;
    };
    const Case cases[] = {
        {dsYMD, "0000/99/99;1; ", 10, "00/99/99;1; ", 8, {0, 5, 8}},
        {dsYM, "0000/99;1; ", 7, "00/99;1; ", 5, {0, 5, -1}},
        {dsY, "0000;1; ", 4, "00;1; ", 2, {0, -1, -1}},
        {dsMD, "99/99;1; ", 5, "99/99;1; ", 5, {-1, 0, 3}},
        {dsM, "99;1; ", 2, "99;1; ", 2, {-1, 0, -1}},
        {dsD, "99;1; ", 2, "99;1; ", 2, {-1, -1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(EditMask(c.style, false), c.mask4);
        EXPECT_EQ(MaxLength(c.style, false), c.len4);
        EXPECT_EQ(EditMask(c.style, true), c.mask2);
        EXPECT_EQ(MaxLength(c.style, true), c.len2);
        const PartPositions p = PartPositionsOf(c.style, false);
        EXPECT_EQ(p.year, c.parts4.year);
        EXPECT_EQ(p.month, c.parts4.month);
        EXPECT_EQ(p.day, c.parts4.day);
    }
    EXPECT_EQ(PartPositionsOf(dsYMD, true).day, 6);

    // The part selected on entry is one the style shows.
    EXPECT_EQ(ForcedPart(dsYM, dpDay), dpYear);
    EXPECT_EQ(ForcedPart(dsYM, dpMonth), dpMonth);
    EXPECT_EQ(ForcedPart(dsY, dpDay), dpYear);
    EXPECT_EQ(ForcedPart(dsMD, dpYear), dpMonth);
    EXPECT_EQ(ForcedPart(dsM, dpDay), dpMonth);
    EXPECT_EQ(ForcedPart(dsD, dpYear), dpDay);
    EXPECT_EQ(ForcedPart(dsYMD, dpDay), dpDay);
}

TEST(DateEditRoutines, DisplayEraAndStyleSetter)
{
    struct Case {
        int style;
        bool era, twoDigit;
        const char* expected;
    };
    const Case cases[] = {
        {dsYMD, false, false, "2024/05/07"}, {dsYMD, false, true, "24/05/07"},
        {dsYMD, true, false, "06/05/07"},    {dsYM, false, false, "2024/05"},
        {dsYM, true, false, "06/05"},        {dsY, false, false, "2024"},
        {dsY, true, false, "06"},            {dsY, false, true, "24"},
        {dsMD, true, false, "05/07"},        {dsM, false, false, "05"},
        {dsD, false, false, "07"},
    };
    for (const Case& c : cases) {
        TMorabyDateEditState s;
        s.style = c.style;
        s.era = c.era;
        s.twoDigitYear = c.twoDigit;
        AssignDate(s, encodeDate(2024, 5, 7));
        EXPECT_EQ(DisplayText(s), c.expected) << c.style << c.era << c.twoDigit;
    }

    // The operating system's calendar knows 令和; a custom table takes precedence.
    EXPECT_EQ(EraOf(encodeDate(2020, 1, 1)).name, "令和");
    EXPECT_EQ(EraOf(encodeDate(2020, 1, 1)).shortName, "令");
    EXPECT_EQ(EraOf(encodeDate(2020, 1, 1)).year, 2);
    EXPECT_EQ(EraOf(encodeDate(2019, 4, 30)).name, "平成");
    EXPECT_EQ(EraOf(encodeDate(2019, 4, 30)).year, 31);
    EXPECT_EQ(EraOf(-5).year, 1899);
    EXPECT_TRUE(EraOf(-5).name.empty());
    const TGengoArray custom = {{"新元", "N", encodeDate(2024, 5, 1), 2024},
                                {"平成", "H", encodeDate(1989, 1, 8), 1989}};
    EXPECT_EQ(EraOf(encodeDate(2024, 5, 7), &custom).name, "新元");
    EXPECT_EQ(EraOf(encodeDate(2024, 5, 7), &custom).year, 1);
    EXPECT_EQ(EraOf(encodeDate(2020, 1, 1), &custom).name, "平成");
    EXPECT_EQ(EraOf(encodeDate(2020, 1, 1), &custom).year, 32);
    EXPECT_TRUE(EraOf(encodeDate(1980, 1, 1), &custom).name.empty());
    TMorabyDateEditState c;
    c.era = true;
    c.customEra = &custom;
    AssignDate(c, encodeDate(2020, 2, 3));
    EXPECT_EQ(DisplayText(c), "32/02/03");

    // Only the year-month-day and the year-month styles are taken.
    TMorabyDateEditState s;
    EXPECT_TRUE(SetDateStyle(s, dsYM));
    for (int refused : {int(dsY), int(dsMD), int(dsM), int(dsD), 6, -1})
        EXPECT_FALSE(SetDateStyle(s, refused));
    EXPECT_EQ(s.style, dsYM);

    // With eras the latest date comes down to a year after the date last assigned, less a day.
    TMorabyDateEditState l;
    AssignDate(l, encodeDate(2024, 2, 29));
    SetEra(l, true);
    EXPECT_EQ(l.latestDate, encodeDate(2025, 2, 27));
    TMorabyDateEditState early;
    early.latestDate = encodeDate(2024, 6, 30);
    AssignDate(early, encodeDate(2024, 4, 1));
    SetEra(early, true);
    EXPECT_EQ(early.latestDate, encodeDate(2024, 6, 30));
}

TEST(DateEditRoutines, CompositeEditChecksInOrder)
{
    TExDateEditSettings dateTime;
    dateTime.eraMode = 2;
    dateTime.showHour = dateTime.showMinute = dateTime.showSecond = true;
    dateTime.ampm = true;
    TExDateEditSettings western = dateTime;
    western.eraMode = 0;
    western.ampm = false;
    TExDateEditSettings blankOk = dateTime;
    blankOk.allowBlank = true;
    blankOk.earliest = encodeDate(1900, 1, 1);

    struct Case {
        const char* name;
        const TExDateEditSettings* settings;
        TExDateEditFields fields;
        std::uint16_t code;
        const char* message;
        ExField focus;
    };
    const Case cases[] = {
        {"all blank", &dateTime, {}, 0x1, "入力欄が全て空白です．　　", ExField::Era},
        {"all blank, no era", &western, {}, 0x1, "入力欄が全て空白です．　　", ExField::Year},
        {"blank month and minute", &dateTime, {0, "2024", "", "5", 0, "10", "", "00"}, 0x44,
         "空白の入力欄があります．　　", ExField::Month},
        {"blank era and second", &dateTime, {-1, "6", "5", "5", 0, "10", "10", ""}, 0x82,
         "空白の入力欄があります．　　", ExField::Era},
        {"blank morning/afternoon and hour", &dateTime, {0, "2024", "5", "5", -1, "", "1", "1"},
         0x30, "空白の入力欄があります．　　", ExField::AmPm},
        {"hour 12 with am/pm", &dateTime, {0, "2024", "5", "5", 1, "12", "0", "0"}, 0x800,
         "時刻の入力可能な値は11時59分59秒までです．　　", ExField::Hour},
        {"hour 24", &western, {-1, "2024", "5", "5", -1, "24", "0", "0"}, 0x800,
         "時刻の入力可能な値は23時59分59秒までです．　　", ExField::Hour},
        {"second 60", &western, {-1, "2024", "5", "5", -1, "23", "0", "60"}, 0x800,
         "時刻の入力可能な値は23時59分59秒までです．　　", ExField::Second},
        {"1872", &dateTime, {0, "1872", "12", "31", 0, "1", "0", "0"}, 0x100,
         "1873年1月1日(明治6年1月1日)より前の日付は処理できません．　　", ExField::Year},
        {"2088 in an era mode", &dateTime, {0, "2088", "1", "1", 0, "1", "0", "0"}, 0x8000,
         "2088年(平成100年)以降は元号に変換できません．　　", ExField::Year},
        {"30 February", &western, {-1, "2024", "2", "30", -1, "1", "0", "0"}, 0x400,
         "日付が正しくありません（変換できません）．　　", ExField::Day},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TExDateEditResult r = ValidateExDate(*c.settings, c.fields, 2026);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.focus, c.focus);
    }

    // 2088 is a plain year without eras.
    EXPECT_TRUE(ValidateExDate(western, {-1, "2088", "1", "1", -1, "1", "0", "0"}, 2026).ok);
    // All blank, allowed: the empty value, one day before the earliest date.
    const TExDateEditResult empty = ValidateExDate(blankOk, {}, 2026);
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.empty);
    EXPECT_EQ(empty.value, encodeDate(1899, 12, 31));

    // An era year and the afternoon: 平成 is the second era entry after 西暦 ... in table order.
    const std::vector<std::string> entries = EraEntries(dateTime);
    ASSERT_EQ(entries.front(), "西暦");
    const auto heisei = std::find(entries.begin(), entries.end(), "平成") - entries.begin();
    const TExDateEditResult r =
        ValidateExDate(dateTime, {int(heisei), "30", "4", "1", 1, "3", "15", "30"}, 2026);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_DOUBLE_EQ(r.value, encodeDate(2018, 4, 1) + (15 * 3600 + 15 * 60 + 30) / 86400.0);
    const TExDateEditFields shown = ExDateFieldsOf(dateTime, r.value);
    EXPECT_EQ(shown.eraIndex, int(heisei));
    EXPECT_EQ(shown.year, "30");
    EXPECT_EQ(shown.ampmIndex, 1);
    EXPECT_EQ(shown.hour, "03");
    // A two-digit Western year takes the current century; the value is clamped.
    TExDateEditSettings twoDigit = western;
    twoDigit.fourDigitYear = false;
    twoDigit.showHour = twoDigit.showMinute = twoDigit.showSecond = false;
    twoDigit.maxDate = encodeDate(2026, 12, 31);
    EXPECT_EQ(ValidateExDate(twoDigit, {-1, "24", "5", "7", -1, "", "", ""}, 2026).value, encodeDate(2024, 5, 7));
    EXPECT_EQ(ValidateExDate(twoDigit, {-1, "99", "5", "7", -1, "", "", ""}, 2026).value, encodeDate(2026, 12, 31));

    // The failure is shown as an information box with the caption when messages are on.
    testsupport::MessageRecorder messages;
    messages.answerDefaults();
    ReportExDateError(ValidateExDate(dateTime, {}, 2026), true, "日付入力");
    ReportExDateError(ValidateExDate(dateTime, {}, 2026), false, "日付入力");
    ASSERT_EQ(messages.boxes().size(), 1u);
    EXPECT_EQ(messages.boxes()[0].kind, "information");
    EXPECT_EQ(messages.boxes()[0].caption, "日付入力");
    EXPECT_EQ(messages.boxes()[0].text, "入力欄が全て空白です．　　");
}
