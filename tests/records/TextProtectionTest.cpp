#include "records/TextProtection.h"

#include "platform/Text.h"
#include "platform/TextProtection.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

int g_calls = 0;
std::int32_t countingEntry(const char* text, const char* mode, char* result, char* spare)
{
    ++g_calls;
    // The caller hands over two zeroed buffers.
    for (std::size_t i = 0; i < platform::kProtectBufferSize; ++i)
        if (result[i] != 0 || spare[i] != 0)
            return 0;
    return platform::P_Check1(text, mode, result, spare);
}

class TextProtectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls = 0;
        setProtectionEntry(&countingEntry);
    }
    void TearDown() override { setProtectionEntry(nullptr); }

    static std::string protect(std::string_view s)
    {
        std::string r = "junk";
        ProtectText(s, kEasyEncodeKey, 8, r);
        return r;
    }
    static std::string unprotect(std::string_view s)
    {
        std::string r = "junk";
        UnprotectText(s, kEasyEncodeKey, int(s.size()), r);
        return r;
    }
};

} // namespace

TEST_F(TextProtectionTest, BlankTextsNeverReachTheLibrary)
{
    EXPECT_EQ(protect(""), "");
    EXPECT_EQ(protect("   \t"), "");
    EXPECT_EQ(unprotect("  "), "");
    EXPECT_EQ(g_calls, 0);
}

TEST_F(TextProtectionTest, EveryLengthUpToTheLimitRestores)
{
    const std::string pattern = "Ab9-/ \\,=\"'";
    for (std::size_t n = 1; n <= platform::kProtectMaxInput; ++n) {
        std::string clear;
        for (std::size_t i = 0; i < n; ++i)
            clear += pattern[(i * 7 + n) % pattern.size()];
        if (clear.find_first_not_of(' ') == std::string::npos)
            continue;
        const std::string p = protect(clear);
        ASSERT_FALSE(p.empty()) << n;
        EXPECT_LT(p.size(), platform::kProtectBufferSize) << n;
        EXPECT_EQ(unprotect(p), clear) << n;
    }
    // Japanese text counts in CP932 bytes: 61 double-byte and 2 single-byte characters fill 124.
    std::string kanji;
    for (int i = 0; i < 61; ++i)
        kanji += i % 2 ? "個" : "①";
    kanji += "ｱｲ";
    EXPECT_EQ(platform::text::cp932Width(kanji), platform::kProtectMaxInput);
    EXPECT_EQ(unprotect(protect(kanji)), kanji);
    EXPECT_EQ(protect(kanji + "ｳ"), ""); // one byte too many
    EXPECT_EQ(protect(std::string(platform::kProtectMaxInput + 1, 'x')), "");
    EXPECT_EQ(protect("😀"), "");
}

TEST_F(TextProtectionTest, DamagedTextsAreRefused)
{
    const std::string p = protect("ｱｲｳ123");
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(unprotect(p), "ｱｲｳ123");
    std::string flipped = p;
    flipped[5] = flipped[5] == 'A' ? 'B' : 'A';
    std::string badCheck = p;
    badCheck.back() = badCheck.back() == '0' ? '1' : '0';
    const std::string cases[] = {flipped, badCheck, p.substr(0, p.size() - 2), p.substr(1),
                                 p + "00", "plain text", "XP1", "XP1zz" + p.substr(5),
                                 std::string(300, 'A')};
    for (const auto& c : cases)
        EXPECT_EQ(unprotect(c), "") << c;
}

TEST_F(TextProtectionTest, LibraryCallShape)
{
    char result[platform::kProtectBufferSize] = {};
    char spare[platform::kProtectBufferSize] = {};
    EXPECT_EQ(platform::P_Check1("abc", "162", result, spare), 0);
    EXPECT_EQ(platform::P_Check1("abc", "160", result, spare), 1);
    const std::string p = result;
    EXPECT_EQ(p.find_first_not_of("0123456789ABCDEFXP"), std::string::npos); // storable anywhere
    std::memset(result, 0, sizeof result);
    EXPECT_EQ(platform::P_Check1(p.c_str(), "161", result, spare), 1);
    EXPECT_STREQ(result, "abc");
    // The protected form does not show the clear text, and the same text protects the same way.
    std::string again;
    ProtectText("abc", "", 0, again);
    EXPECT_EQ(again, p);
    EXPECT_EQ(p.find("abc"), std::string::npos);
}

TEST(EasyEncode, PadsScramblesAndRestores)
{
    TEasyEncodeInfo info;
    info.Key = "tuvesko";
    InitEasyEncodeInfo(info);
    EXPECT_EQ(info.Key, "tuvesko");
    info.TotalLength = 8;
    info.RestoreCount = 5;
    info.ClearText = "ab123";
    EXPECT_EQ(EasyEncode(info), 1);
    EXPECT_EQ(info.ClearText, "ab123ABC");
    ASSERT_EQ(info.EncodedText.size(), 8u);
    const std::string encoded = info.EncodedText;
    EXPECT_NE(encoded, "ab123ABC");

    TEasyEncodeInfo back;
    back.Key = "tuvesko";
    back.EncodedText = encoded;
    back.RestoreCount = 5;
    EXPECT_TRUE(EasyDecode(back));
    EXPECT_EQ(back.ClearText, "ab123");
    back.RestoreCount = 8;
    EasyDecode(back);
    EXPECT_EQ(back.ClearText, "ab123ABC");
    back.RestoreCount = 0;
    EasyDecode(back);
    EXPECT_EQ(back.ClearText, "");
    // The same letter scrambles differently at each position.
    TEasyEncodeInfo same{0, 0, "k", "aaaa", ""};
    EasyEncode(same);
    EXPECT_NE(same.EncodedText[0], same.EncodedText[1]);
}

TEST(EasyEncode, EdgeCases)
{
    // An empty key leaves every character where it is (the three alphabets are one sequence).
    TEasyEncodeInfo plain{0, 0, "", "Passw0rd", ""};
    EasyEncode(plain);
    EXPECT_EQ(plain.EncodedText, "Passw0rd");
    // A character outside the alphabet ends the scrambled text; filler letters wrap after Z.
    TEasyEncodeInfo stop{0, 0, "key", "ab-cd", ""};
    EasyEncode(stop);
    EXPECT_EQ(stop.EncodedText.size(), 2u);
    TEasyEncodeInfo fill{30, 0, "key", "", ""};
    EasyEncode(fill);
    EXPECT_EQ(fill.ClearText, "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");
    // Over-long texts stay inside the 255-character buffers.
    TEasyEncodeInfo big{1000, 0, std::string(400, 'k'), std::string(400, 'a'), ""};
    EasyEncode(big);
    EXPECT_EQ(big.EncodedText.size(), 255u);
    TEasyEncodeInfo round{0, 255, std::string(400, 'k'), "", big.EncodedText};
    EasyDecode(round);
    EXPECT_EQ(round.ClearText, std::string(255, 'a'));
}

TEST(DelFileNameChars, RemovesWholeCharactersOnly)
{
    EXPECT_EQ(DelFileNameChars("\"*,/:;<>?\\|"), "");
    EXPECT_EQ(DelFileNameChars("a\"*,/:;<>?\\|b"), "ab");
    // "ソ" (83 5C) and "表" (95 5C) carry the code of "\" as their second byte.
    EXPECT_EQ(DelFileNameChars("ソ表｜＊"), "ソ表｜＊");
    EXPECT_EQ(DelFileNameChars("会社:2024/04"), "会社202404");
}
