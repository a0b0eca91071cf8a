#include "records/TextRoutines.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>

#include <unistd.h>

using platform::Currency;
using platform::encodeDate;

namespace {
constexpr Currency amount(double units) { return Currency(units * 10000 + (units < 0 ? -0.5 : 0.5)); }
} // namespace

TEST(TextRoutines, CurrHasuuSyoriRoundsByMode)
{
    struct Case { int mode; double value; double expected; };
    const Case cases[] = {
        {0, -1.5, -1}, {0, 1.9999, 1}, {0, 3, 3},
        {2, 1.2, 2}, {2, -1.5, -2}, {2, -3, -3}, {2, 0.0001, 1}, {2, 0, 0},
        {1, 2.5, 3}, {1, -2.5, -3}, {1, 2.4999, 2}, {1, -2.4999, -2},
        {7, 2.5, 3}, {-1, -2.5, -3}, {3, 0.5, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CurrHasuuSyori(c.mode, amount(c.value)), amount(c.expected))
            << "mode " << c.mode << " value " << c.value;
    // Near the end of the range the result stays a whole amount instead of wrapping.
    const Currency top = std::numeric_limits<Currency>::max();
    EXPECT_EQ(CurrHasuuSyori(2, top) % 10000, 0);
    EXPECT_GT(CurrHasuuSyori(2, top), 0);
    EXPECT_LT(CurrHasuuSyori(1, -top), 0);
}

TEST(TextRoutines, FixedWidthTextByCp932Bytes)
{
    struct Case { const char* s; int len; const char* left; const char* right; };
    const Case cases[] = {
        {"あいう", 5, "あい ", " いう"},
        {"ab", 4, "ab  ", "  ab"},
        {"abc", 5, "abc  ", "  abc"},
        {"ｱｲｳｴｵ", 3, "ｱｲｳ", "ｳｴｵ"},
        {"①㈱髙", 4, "①㈱", "㈱髙"},
        {"a髙b", 2, "a ", " b"},
        {"abc", 0, "", ""},
        {"abc", -1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeftFixStr(c.s, c.len), c.left) << c.s << " " << c.len;
        EXPECT_EQ(RightFixStr(c.s, c.len), c.right) << c.s << " " << c.len;
    }
    // The stored bytes of LeftFixStr("あいう", 5): 82A0 82A2 20.
    EXPECT_EQ(platform::text::toCp932(LeftFixStr("あいう", 5)), "\x82\xA0\x82\xA2 ");
    EXPECT_EQ(SpaceStr(510), std::string(510, ' '));
    EXPECT_EQ(SpaceStr(511), "");
    EXPECT_EQ(SpaceStr(0), "");
    EXPECT_EQ(SpaceStr(-3), "");
}

TEST(TextRoutines, TrimmingAndSpaces)
{
    struct Case { const char* in; const char* trimmed; const char* noSpaces; };
    const Case cases[] = {
        {"　 abc　　", "abc", "abc"},
        {"\t　　x y　 \r\n", "x y", "xy"},
        {"メ@", "メ@", "メ@"}, // CP932 83 81 40: ends in the bytes of "　" but is no space
        {"ａ@　", "ａ@", "ａ@"},
        {"　", "", ""},
        {"", "", ""},
        {"表　示", "表　示", "表示"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZenkakuTrim(c.in), c.trimmed) << c.in;
        EXPECT_EQ(RemoveSpaces(c.in).find_first_of(" "), std::string::npos);
    }
    EXPECT_EQ(RemoveSpaces(" 表　示 ｱ "), "表示ｱ");
}

TEST(TextRoutines, StrBunkatuKeepsEveryPart)
{
    std::vector<std::string> parts{"keep", "keep", "keep"};
    EXPECT_EQ(StrBunkatu("", ",", parts), 0);
    EXPECT_EQ(parts, (std::vector<std::string>{"keep", "keep", "keep"}));
    EXPECT_EQ(StrBunkatu("a,b//c", ",", parts), 1);
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "keep"}));
    EXPECT_EQ(StrBunkatu(",x", ",", parts), 1);
    EXPECT_EQ(parts[0], "");
    EXPECT_EQ(parts[1], "x");
    // Only the delimiter's first character is removed.
    std::vector<std::string> two;
    EXPECT_EQ(StrBunkatu("a;;b;;c", ";;", two), 2);
    EXPECT_EQ(two, (std::vector<std::string>{"a", ";b", ";c"}));
    // More parts than any fixed array held: every part is kept.
    std::string many;
    for (int i = 0; i <= 60; ++i)
        many += (i ? "," : "") + std::to_string(i);
    std::vector<std::string> big(51);
    EXPECT_EQ(StrBunkatu(many, ",", big), 60);
    ASSERT_EQ(big.size(), 61u);
    EXPECT_EQ(big[60], "60");
    // "表" (95 5C) holds no path delimiter.
    std::vector<std::string> path;
    EXPECT_EQ(StrBunkatu("C:\\表示\\DATA", "\\", path), 2);
    EXPECT_EQ(path[1], "表示");
}

TEST(TextRoutines, NumbersAndDates)
{
    EXPECT_EQ(BoolToInt(true), 1);
    EXPECT_EQ(BoolToInt(false), 0);
    EXPECT_TRUE(IntToBool(-5));
    EXPECT_FALSE(IntToBool(0));

    struct RoundCase { double x; int expected; };
    const RoundCase rounds[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4, 2}, {-2.6, -3},
                                {3e9, 0}, {-3e9, 0}, {2147483647.0, 2147483647}};
    for (const auto& c : rounds)
        EXPECT_EQ(RoundToInt(c.x), c.expected) << c.x;

    struct CurrCase { const char* s; Currency expected; };
    const CurrCase currs[] = {
        {"123", 1230000}, {" -1.5 ", -15000}, {"0.00005", 0}, {"0.00015", 2}, {"0.000051", 1},
        {"1e3", 10000000}, {"1,000", 0}, {"abc", 0}, {"", 0}, {".5", 5000}, {"+7.", 70000},
        {"922337203685477.5807", std::numeric_limits<Currency>::max()}, {"922337203685478", 0},
    };
    for (const auto& c : currs)
        EXPECT_EQ(StrToCurrDef0(c.s), c.expected) << c.s;

    struct DateCase { const char* s; double expected; };
    const DateCase dates[] = {
        {"2024/04/01", encodeDate(2024, 4, 1)}, {" 2024/4/1 ", encodeDate(2024, 4, 1)},
        {"2023/02/29", 0}, {"2024-04-01", 0}, {"", 0}, {"2024/04/01/1", 0},
    };
    for (const auto& c : dates)
        EXPECT_EQ(StrToDateDef0(c.s), c.expected) << c.s;

    const double d = encodeDate(2024, 4, 1) + (13 * 60 + 5) / 1440.0;
    EXPECT_EQ(DateToText(2, d), "24/04/01");
    EXPECT_EQ(DateToText(4, d), "2024/04/01");
    EXPECT_EQ(DateToText(0, d), "2024/04/01 13:05");
    EXPECT_EQ(DateToText(4, 0), "");
}

// A two-digit year lands in [this year - 50, this year + 49]; a missing year is this year. The
// clock is fixed at noon local time of the given date.
TEST(TextRoutines, TwoDigitYearsFollowTheClock)
{
    struct Case { int clockYear; const char* s; double expected; };
    const Case cases[] = {
        {2026, "24/04/01", encodeDate(2024, 4, 1)},
        {2026, "76/01/01", encodeDate(1976, 1, 1)},   // first year of the window
        {2026, "75/12/31", encodeDate(2075, 12, 31)}, // last year of the window
        {2026, "04/01", encodeDate(2026, 4, 1)},
        {2074, "24/01/01", encodeDate(2024, 1, 1)},
        {2074, "23/12/31", encodeDate(2123, 12, 31)},
        {2075, "24/12/31", encodeDate(2124, 12, 31)},
        {2050, "00/01/01", encodeDate(2000, 1, 1)},
        {2050, "99/12/31", encodeDate(2099, 12, 31)},
        {2050, "2/29", 0},                            // 2050 is no leap year
        {2024, "2/29", encodeDate(2024, 2, 29)},
        {2024, "0024/04/01", encodeDate(24, 4, 1)},   // four digits are taken as they stand
    };
    for (const auto& c : cases) {
        std::tm noon{};
        noon.tm_year = c.clockYear - 1900;
        noon.tm_mon = 5;
        noon.tm_mday = 15;
        noon.tm_hour = 12;
        noon.tm_isdst = -1;
        const std::time_t at = std::mktime(&noon);
        SetTextRoutinesClock([at] { return at; });
        EXPECT_EQ(StrToDateDef0(c.s), c.expected) << c.clockYear << " " << c.s;
    }
    SetTextRoutinesClock({});
}

TEST(TextRoutines, ByteClassesOnCp932)
{
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xA0));
    EXPECT_TRUE(IsTrailByte(0x5C));
    EXPECT_FALSE(IsTrailByte(0x7F));
    const std::string s = platform::text::toCp932("aあ");
    EXPECT_FALSE(IsLeadByteAt(s, 1));
    EXPECT_TRUE(IsLeadByteAt(s, 2));
    EXPECT_FALSE(IsLeadByteAt(s, 3));
    EXPECT_FALSE(IsLeadByteAt(s, 0));
    EXPECT_EQ(FixDbcsCut(s.substr(0, 2)), "a ");
}

TEST(TextRoutines, GetPcName)
{
    EXPECT_EQ(GetPcName(2, ""), "ANONYMOUS");
    EXPECT_EQ(GetPcName(2, "yamada"), "yamada");
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    ASSERT_NE(std::string(host), "");
    for (const int mode : {0, 1})
        EXPECT_EQ(GetPcName(mode, "yamada"), std::string(host)) << mode;
}

TEST(TextRoutines, QSortByCodeSortsByCp932Bytes)
{
    struct Row { std::string code; int row; };
    // "ﾟ" (0xDF) marks unused entries and sorts after every digit and letter.
    std::vector<Row> items{{"ﾟ", 0}, {"300", 1}, {"100", 2}, {"ﾟ", 3}, {"A10", 4}, {"200", 5}, {"1000", 6}};
    QSortByCode(items, 0, int(items.size()) - 1, [](const Row& r) { return r.code; });
    std::vector<std::string> codes;
    for (const auto& r : items)
        codes.push_back(r.code);
    EXPECT_EQ(codes, (std::vector<std::string>{"100", "1000", "200", "300", "A10", "ﾟ", "ﾟ"}));
    EXPECT_EQ(items[0].row, 2); // rows move with their codes
    EXPECT_EQ(items[4].row, 4);
    // Only L..R is sorted; items with a member Code need no accessor.
    struct Entry { std::string Code; int Row; };
    std::vector<Entry> part{{"3", 0}, {"2", 1}, {"1", 2}};
    QSortByCode(part, 1, 2);
    EXPECT_EQ(part[0].Code, "3");
    EXPECT_EQ(part[1].Code, "1");
    EXPECT_EQ(part[1].Row, 2);
}

TEST(TextRoutines, AppendLinesToFileWritesCp932Lines)
{
    testsupport::TempDir dir;
    platform::paths::mapDrive('C', dir.path());
    AppendLinesToFile("C:\\log.txt", {"エラー①", "b"});
    AppendLinesToFile("C:\\LOG.TXT", {"c", ""});
    EXPECT_EQ(testsupport::readFile(dir / "log.txt"),
              platform::text::toCp932("エラー①") + "\r\nb\r\nc\r\n\r\n");
    EXPECT_THROW(AppendLinesToFile("C:\\log.txt", {"ok", "😀"}), platform::text::EncodingError);
    EXPECT_EQ(testsupport::readFile(dir / "log.txt").size(), 18u); // nothing of the refused call
    platform::files::failNext(platform::files::Operation::Write, ENOSPC);
    EXPECT_THROW(AppendLinesToFile("C:\\log.txt", {"x"}), platform::files::FileError);
    EXPECT_THROW(AppendLinesToFile("C:\\missing\\log.txt", {"x"}), platform::files::FileError);
    platform::paths::resetDriveMap();
}
