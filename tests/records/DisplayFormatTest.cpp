#include "records/DisplayFormat.h"

#include "accounting/EraDates.h"
#include "platform/Screen.h"
#include "records/ProgramRecords.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>

using platform::encodeDate;
using platform::TDateTime;

namespace {

constexpr int kEra = 1;
constexpr int kWestern = 0;

// Era tests start from the built-in eras plus 令和, as the system database holds them.
class DisplayFormatDates : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        pcGengoInit();
        GengoTable.insert(GengoTable.begin(),
                          TGengoRec{"令和", "R", encodeDate(2019, 5, 1), 2019});
    }
    void TearDown() override
    {
        GengoTable.clear();
        records::resetProgramState();
    }

    static std::string slash(const std::string& key, int kind, TDateTime date, int era)
    {
        std::string text = "stale";
        FormatDateSlash(key, kind, text, date, era);
        return text;
    }
    static std::string nen(const std::string& key, int kind, TDateTime date, int era)
    {
        std::string text = "stale";
        FormatDateNen(key, kind, text, date, era);
        return text;
    }
};

// A global C++ locale with other separators, as a German system would have.
struct GermanPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

} // namespace

TEST(DisplayFormat, IntToCommaStr)
{
    const struct { std::int64_t value; const char* text; } cases[] = {
        {-1234567, "-1,234,567"}, {0, "0"}, {999, "999"}, {1000, "1,000"}, {-100, "-100"},
        {100000, "100,000"}, {std::numeric_limits<std::int64_t>::min(), "-9,223,372,036,854,775,808"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IntToCommaStr(c.value), c.text);
}

TEST(DisplayFormat, GetDelimitedItem)
{
    const struct { const char* text; const char* sep; int n; const char* item; } cases[] = {
        {"a,b,c", ",", 1, "a"},       {"a,b,c", ",", 3, "c"},  {"a,b,c", ",", 4, ""},
        {"a,b,c", ",", 0, ""},        {"a,b,c", ",", -1, ""},  {"a,b,", ",", 2, "b"},
        {"a,b,", ",", 3, ""},         {"a,,b", ",", 2, ""},    {"a,,b", ",", 3, "b"},
        {"a,b,,", ",", 3, ""},        {"a\r\nb", ",", 2, "b"}, {"a\nb,c", ",", 3, "c"},
        {"a\rb", ",", 2, "b"},        {"a\n\rb", ",", 3, "b"}, {"x::y::z", "::", 2, "y"},
        {"営業,総務", ",", 2, "総務"}, {"a,b", "", 1, "a,b"},  {"", ",", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetDelimitedItem(c.text, c.sep, c.n), c.item) << c.text << " " << c.n;

    // A NUL byte is an ordinary character, not the end of the text.
    const std::string withNul("a\0b,c", 5);
    EXPECT_EQ(GetDelimitedItem(withNul, ",", 1), std::string("a\0b", 3));
    EXPECT_EQ(GetDelimitedItem(withNul, ",", 2), "c");
}

TEST(DisplayFormat, RoundUpAndDownAtADecimalPlace)
{
    const struct { bool up; int digits; long double value; long double result; } cases[] = {
        {true, 1, 2.0000001L, 2},    {true, 1, 3.0000005L, 3},   {true, 1, 3.5L, 4},
        {true, 1, -3.5L, -3},        {true, 1, 0, 0},            {true, 2, 1.23L, 1.3L},
        {true, 0, 41, 50},           {true, 3, -1.234L, -1.23L}, {true, 1, 3.000002L, 4},
        {false, 1, -0.5L, -1},       {false, 1, 2.9999995L, 3},  {false, 1, 3.5L, 3},
        {false, 1, -3.5L, -4},       {false, 1, -3, -3},         {false, 2, 1.27L, 1.2L},
        {false, 0, 49, 40},          {false, 1, 0, 0},
    };
    for (const auto& c : cases) {
        const long double r = c.up ? RoundUpDigit(static_cast<std::uint16_t>(c.digits), c.value)
                                   : RoundDownDigit(static_cast<std::uint16_t>(c.digits), c.value);
        EXPECT_NEAR(static_cast<double>(r), static_cast<double>(c.result), 1e-12)
            << (c.up ? "up " : "down ") << c.digits << " " << static_cast<double>(c.value);
    }
    EXPECT_EQ(PowerOf(3, 0), 0);
    EXPECT_EQ(PowerOf(-2, 0), 0);
    EXPECT_NEAR(static_cast<double>(PowerOf(2, 10)), 100.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(PowerOf(-1, 10)), 0.1, 1e-15);
}

TEST(DisplayFormat, ScaleByPPITruncates)
{
    EXPECT_EQ(ScaleByPPI(10, 96, 120), 8);
    EXPECT_EQ(ScaleByPPI(360, 120, 96), 450);
    EXPECT_EQ(ScaleByPPI(13, 144, 96), 19);  // 19.5 truncated
    EXPECT_EQ(ScaleByPPI(-13, 144, 96), -19);
    EXPECT_EQ(ScaleByPPI(77, 96, 96), 77);
    const int screen = platform::mainFormPixelsPerInch();
    EXPECT_GT(screen, 0);
    EXPECT_EQ(ScaleByPPI(100, screen, 0), 100);
    EXPECT_EQ(ScaleByPPI(100, screen * 2, 0), 200);
}

TEST(DisplayFormat, BitFlags)
{
    std::int32_t flags = 0;
    SetBitFlag(flags, 1);
    SetBitFlag(flags, 10);
    SetBitFlag(flags, 24);
    SetBitFlag(flags, 0);  // outside 1..24: nothing
    SetBitFlag(flags, 25);
    SetBitFlag(flags, -3);
    EXPECT_EQ(flags, (1 << 0) | (1 << 9) | (1 << 23));
    EXPECT_EQ(GetBitFlag(flags, 1), 1);
    EXPECT_EQ(GetBitFlag(flags, 2), 0);
    EXPECT_EQ(GetBitFlag(flags, 10), 1);
    EXPECT_EQ(GetBitFlag(flags, 24), 1);
    EXPECT_EQ(GetBitFlag(static_cast<std::int32_t>(0x80000000u), 32), 1);
    EXPECT_EQ(GetBitFlag(static_cast<std::int32_t>(0x80000000u), 0), 1); // n-1 modulo 32
    EXPECT_EQ(GetBitFlag(flags, 33), 1);                                  // bit 0 again
}

TEST(DisplayFormat, AdjustFrameSize)
{
    EXPECT_EQ(AdjustFrameSize(400, 0), 400); // this system's frame is 4 pixels
    EXPECT_EQ(AdjustFrameSize(400, 1), 400);
    const struct { int frame, kind, result; } cases[] = {
        {4, 0, 400}, {4, 1, 400}, {3, 0, 400}, {2, 1, 400}, {6, 0, 396},
        {6, 1, 392}, {6, 2, 400}, {5, 0, 398}, {5, 1, 396},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdjustFrameSize(400, c.kind, c.frame), c.result) << c.frame << " " << c.kind;
}

TEST(DisplayFormat, ColorToGray)
{
    const struct { int in, out; } cases[] = {
        {0x0000FF, 0x555555}, {0xFFFFFF, 0xFFFFFF}, {0, 0},           {0x00FF00, 0x555555},
        {0x010000, 0x000000}, {0x020000, 0x010101}, {0x808080, 0x808080}, {0x102030, 0x202020},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColorToGray(c.in), c.out) << std::hex << c.in;
}

TEST(DisplayFormat, IsIryouDataKind)
{
    EXPECT_TRUE(IsIryouDataKind("医療法人"));
    EXPECT_TRUE(IsIryouDataKind("個人(クリニック)"));
    EXPECT_FALSE(IsIryouDataKind("個人（クリニック）"));
    EXPECT_FALSE(IsIryouDataKind("法人"));
    EXPECT_FALSE(IsIryouDataKind(""));
}

TEST_F(DisplayFormatDates, KikanToText)
{
    std::string text;
    KikanToText(text, encodeDate(1995, 4, 1), encodeDate(1996, 3, 31), kEra);
    EXPECT_EQ(text, "H 07/04/01 ～ H 08/03/31");
    KikanToText(text, encodeDate(2019, 4, 1), encodeDate(2020, 3, 31), kEra);
    EXPECT_EQ(text, "H 31/04/01 ～ R 02/03/31");
    KikanToText(text, encodeDate(1995, 4, 1), encodeDate(1996, 3, 31), kWestern);
    EXPECT_EQ(text, "1995/04/01 ～ 1996/03/31");
    KikanToText(text, encodeDate(1995, 4, 1), encodeDate(1996, 3, 31), 2); // only 1 is era form
    EXPECT_EQ(text, "1995/04/01 ～ 1996/03/31");
}

TEST_F(DisplayFormatDates, SlashWithEraDisplay)
{
    const TDateTime d = encodeDate(2019, 4, 30);
    const TDateTime r = encodeDate(2024, 4, 1);
    const struct { const char* key; int kind; TDateTime date; const char* text; } cases[] = {
        {"yyyy/mm/dd", 0, d, "31/04/30"},     {"yy/mm/dd", 1, d, "平成 31/04/30"},
        {"yyyy/mm/dd", 2, d, "H 31/04/30"},   {"yyyy/mm/dd", 3, d, "H31/04/30"},
        {"yyyy/mm/dd", 9, d, "平成 31/04/30"}, {"yyyy/mm", 2, r, "R 06/04"},
        {"yy/mm", 0, r, "06/04"},             {"yyyy", 1, r, "令和 06"},
        {"yy", 2, r, "R 06"},                 {"yyyy/m/d", 2, r, "R  6/ 4/ 1"},
        {"y/m/d", 3, r, "R6/4/1"},            {"yy/m/d", 0, r, "6/ 4/ 1"},
        {"yyyy/m", 1, r, "令和  6/ 4"},       {"y/m", 2, r, "R  6/ 4"},
        {"y", 2, r, "R  6"},                  {"yy2/mm/dd", 2, r, "R06/04/01"},
        {"yy2/mm/dd", 0, r, "06/04/01"},      {"YYYY/MM/DD", 1, r, ""},
        {"yyyy/mm/dd ", 1, r, ""},            {"y/m/", 2, r, ""},
        // No era before 1899-12-31: an empty letter, the Western year, the blank kept.
        {"yyyy/mm/dd", 2, encodeDate(1899, 12, 30), " 1899/12/30"},
        {"yyyy/mm/dd", 0, encodeDate(1899, 12, 30), "1899/12/30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(slash(c.key, c.kind, c.date, kEra), c.text) << c.key << " kind " << c.kind;

    // Kind 3 removes full-width blanks too.
    GengoTable.front().letter = "Ｒ　";
    EXPECT_EQ(slash("yyyy/m/d", 3, r, kEra), "Ｒ6/4/1");
}

TEST_F(DisplayFormatDates, SlashWesternByTableOrAsAFormat)
{
    const TDateTime d = encodeDate(2024, 4, 1);
    const TDateTime t = encodeDate(2005, 11, 23) + (13 * 60 + 7) / 1440.0;
    const struct { const char* key; TDateTime date; const char* text; } cases[] = {
        {"yyyy/m/d", d, "2024/ 4/ 1"},   {"yy/m/d", d, "24/ 4/ 1"},   {"y/m/d", d, "24/ 4/ 1"},
        {"yyyy/m", d, "2024/ 4"},        {"yy/m", d, "24/ 4"},        {"y/m/", d, "24/ 4"},
        {"y/m", d, "24/4"},              {"yy2/mm/dd", d, "24/04/01"}, {"yyyy/mm/dd", d, "2024/04/01"},
        {"yy/m/d", t, " 5/11/23"},       {"yyyy.mm.dd", d, "2024.04.01"},
        {"yyyy/mm/dd hh:nn", t, "2005/11/23 13:07"}, {"hh:mm", t, "13:07"},
        {"mmm d日(ddd)", d, "4月 1日(月)"}, {"dddd", d, "月曜日"}, {"ddddd", t, "2005/11/23"},
        {"dddddd", d, "2024年4月1日"},   {"'yyyy'/yyyy", d, "yyyy/2024"}, {"m/d", d, "4/1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(slash(c.key, 2, c.date, kWestern), c.text) << c.key;
}

TEST_F(DisplayFormatDates, NenWithEraDisplay)
{
    const TDateTime d = encodeDate(2019, 4, 30);
    const TDateTime r = encodeDate(2024, 12, 1);
    const struct { const char* key; int kind; TDateTime date; const char* text; } cases[] = {
        {"yyyy年m月d日", 1, d, "平成 31年 4月30日"},
        {"yyyy年mm月dd日", 0, d, "31年04月30日"},
        {"yy年mm月dd日", 2, d, "H 31年04月30日"},
        {"yy年mm月dd日", 3, d, "平成 31年04月30日"}, // only kind 2 gives the letter
        {"yyyy年mm月", 1, r, "令和 06年12月"},
        {"yy年", 2, r, "R 06年"},
        {"y年m月d日", 2, r, "R  6年12月 1日"},
        {"yy年m月", 1, r, "令和  6年12月"},
        {"y", 1, r, "令和  6年"},
        {"yyyy年 m月 d日", 2, r, "R  6年 12月 1日"},
        {"y年 m月", 0, r, "6年 12月"},
        {"yyyy年m月d", 1, r, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nen(c.key, c.kind, c.date, kEra), c.text) << c.key << " kind " << c.kind;
}

TEST_F(DisplayFormatDates, NenWestern)
{
    const TDateTime d = encodeDate(2024, 4, 1);
    const TDateTime e = encodeDate(2005, 11, 3);
    const struct { const char* key; TDateTime date; const char* text; } cases[] = {
        {"yyyy年m月d日", d, "2024年 4月 1日"}, {"yy年m月d日", e, " 5年11月 3日"},
        {"y年m月d日", d, "24年 4月 1日"},      {"yyyy年m月", d, "2024年 4月"},
        {"yy年m月", e, "05年11月"},            {"y年m月", d, "24年 4月"},
        {"yyyy年 m月 d日", d, "2024年 4月 1日"}, {"yyyy年 m月", e, "2005年 11月"},
        {"yy年 m月 d日", e, "05年 11月 3日"},  {"yy年 m月", d, "24年 4月"},
        {"y年 m月", e, "05年 11月"},           {"yyyy年mm月dd日", d, "2024年04月01日"},
        {"y", d, "24"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nen(c.key, 1, c.date, kWestern), c.text) << c.key;
}

TEST_F(DisplayFormatDates, ImpossibleDatesFallBack)
{
    const TDateTime nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(slash("yyyy/m/d", 0, nan, kWestern), "");
    EXPECT_EQ(slash("yyyy/mm/dd", 1, 1e12, kEra), "");
    EXPECT_EQ(nen("yyyy年m月d日", 1, -1e9, kWestern), "");
    std::string text;
    KikanToText(text, nan, encodeDate(2024, 4, 1), kEra);
    EXPECT_EQ(text, " ～ R 06/04/01");
}

// Dates and numbers keep their form whatever the locale says.
TEST_F(DisplayFormatDates, IndependentOfTheLocale)
{
    const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new GermanPunct));
    const QLocale savedQt;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    EXPECT_EQ(IntToCommaStr(1234567), "1,234,567");
    EXPECT_EQ(slash("yyyy/mm/dd", 2, encodeDate(2024, 4, 1), kWestern), "2024/04/01");
    EXPECT_EQ(slash("mmmm", 2, encodeDate(2024, 4, 1), kWestern), "4月");
    EXPECT_EQ(nen("yyyy年m月d日", 2, encodeDate(2024, 4, 1), kWestern), "2024年 4月 1日");

    QLocale::setDefault(savedQt);
    std::locale::global(saved);
}

// Without an explicit switch the texts follow the operator's era-display setting.
TEST_F(DisplayFormatDates, OperatorSettingPicksEraOrWesternForm)
{
    const TDateTime d = encodeDate(2019, 4, 30);
    std::string text;
    records::resetProgramState();
    FormatDateSlash("yyyy/mm/dd", 2, text, d);
    EXPECT_EQ(text, "2019/04/30");
    FormatDateNen("yyyy年m月d日", 1, text, d);
    EXPECT_EQ(text, "2019年 4月30日");
    KikanToText(text, d, d + 1);
    EXPECT_EQ(text, "2019/04/30 ～ 2019/05/01");

    SystemDef.Reserve4Flag10 = 1;
    FormatDateSlash("yyyy/mm/dd", 2, text, d);
    EXPECT_EQ(text, "H 31/04/30");
    FormatDateNen("yyyy年m月d日", 1, text, d);
    EXPECT_EQ(text, "平成 31年 4月30日");
    KikanToText(text, d, d + 1);
    EXPECT_EQ(text, "H 31/04/30 ～ R 01/05/01");

    SystemDef.Reserve4Flag10 = 2;
    FormatDateSlash("yyyy/mm/dd", 2, text, d);
    EXPECT_EQ(text, "2019/04/30");
}
