#include "platform/Text.h"

#include <gtest/gtest.h>

namespace text = platform::text;

TEST(Text, Cp932RoundTripAndRefusal)
{
    // Characters that SHIFT_JIS rejects but CP932 holds, as Windows reads them.
    const std::string s = "～①㈱髙－ｶﾅ¥";
    EXPECT_EQ(text::fromCp932(text::toCp932("～①㈱髙－ｶﾅ")), "～①㈱髙－ｶﾅ");
    EXPECT_EQ(text::toCp932("～"), "\x81\x60");
    EXPECT_EQ(text::toCp932("髙"), "\xFB\xFC");
    EXPECT_THROW(text::toCp932("a😀"), text::EncodingError);
    EXPECT_FALSE(text::fitsCp932("😀"));
    EXPECT_THROW(text::fromCp932("\x82"), text::EncodingError);
}

TEST(Text, WidthsAreCp932Bytes)
{
    struct Case { const char* s; std::size_t width; };
    const Case cases[] = {{"", 0}, {"abc", 3}, {"ｱｲｳ", 3}, {"あいう", 6}, {"①㈱髙", 6},
                          {"a　b", 4}, {"😀", 2}, {"ﾟ", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(text::cp932Width(c.s), c.width) << c.s;
}

TEST(Text, CuttingAndPaddingNeverSplitACharacter)
{
    struct Case { const char* s; std::size_t width; const char* head; const char* left; const char* right; };
    const Case cases[] = {
        {"abc", 5, "abc", "abc  ", "  abc"},
        {"abc", 2, "ab", "ab", "bc"},
        {"abc", 0, "", "", ""},
        {"あいう", 5, "あい", "あい ", " いう"},
        {"あいう", 6, "あいう", "あいう", "あいう"},
        {"ｱｲｳあ", 4, "ｱｲｳ", "ｱｲｳ ", "ｲｳあ"}, {"ｱあｲ", 2, "ｱ", "ｱ ", " ｲ"},
        {"①㈱髙", 3, "①", "① ", " 髙"},
        {"a①", 2, "a", "a ", "①"}, {"①a", 2, "①", "①", " a"},
        {"", 3, "", "   ", "   "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::headByWidth(c.s, c.width), c.head) << c.s << " " << c.width;
        EXPECT_EQ(text::fitLeft(c.s, c.width), c.left) << c.s << " " << c.width;
        EXPECT_EQ(text::fitRight(c.s, c.width), c.right) << c.s << " " << c.width;
    }
}

TEST(Text, LeadByteWalkAndRepairOnCp932Bytes)
{
    // "表" is 95 5C, "ソ" 83 5C: the second byte is never a lead byte, even when in range.
    const std::string s = text::toCp932("a表") + "\x81";
    EXPECT_EQ(s, "a\x95\x5C\x81");
    EXPECT_FALSE(text::isLeadByteAt(s, 1));
    EXPECT_TRUE(text::isLeadByteAt(s, 2));
    EXPECT_FALSE(text::isLeadByteAt(s, 3));
    EXPECT_TRUE(text::isLeadByteAt(s, 4));
    EXPECT_TRUE(text::isLeadByteAt(s, 99));
    EXPECT_FALSE(text::isLeadByteAt(s, 0));
    EXPECT_FALSE(text::isLeadByteAt("", 1));
    // Two lead-range bytes in a row: the second is a trail byte ("\x81\x81" is "＝").
    EXPECT_FALSE(text::isLeadByteAt("\x81\x81", 2));

    struct Case { std::string in, out; };
    const Case cases[] = {
        {"ab", "ab"},
        {"\x82\xA0\x82", "\x82\xA0 "},   // "あ" and a lone lead byte at the end
        {"\x82\x20x", "  x"},             // lead byte followed by a blank: both become blanks
        {"\x95\x5C\x83\x5C", "\x95\x5C\x83\x5C"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::fixDbcsCut(c.in), c.out);
    EXPECT_TRUE(text::isTrailByte(0x40));
    EXPECT_FALSE(text::isTrailByte(0x7F));
    EXPECT_FALSE(text::isTrailByte(0xFD));
}

TEST(Text, WholeNumbersOrZero)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {{"12", 12}, {"-3", -3}, {"0008", 8}, {"", 0}, {"12a", 0}, {"1.5", 0}, {"abc", 0},
                 {"99999999999", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(platform::text::toIntOr0(c.text), c.value) << c.text;
}
