#include "records/TextSplitter.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {
TMojiArray split(std::string_view text, char delimiter = ',')
{
    TMojiBunkatu m;
    m.Delimiter = delimiter;
    m.Bunkatu(text);
    EXPECT_EQ(m.Count, int(m.Items.size()));
    return m.Items;
}
} // namespace

TEST(MojiBunkatu, StartsEmptyWithACommaDelimiter)
{
    TMojiBunkatu m;
    EXPECT_EQ(m.Delimiter, ',');
    EXPECT_EQ(m.Count, 0);
    EXPECT_TRUE(m.Items.empty());
    m.Bunkatu("a,b");
    m.Clear();
    EXPECT_EQ(m.Count, 0);
    EXPECT_EQ(m.GetItem(0), "");
}

TEST(MojiBunkatu, SplitsAtTheDelimiterWithQuotes)
{
    struct Case { const char* text; char delimiter; TMojiArray items; };
    const Case cases[] = {
        {"1.0.0", '.', {"1", "0", "0"}},
        {"a,,b,", ',', {"a", "", "b", ""}},
        {"x, \"\"y\"\" z\",w", ',', {"x", "", "y\"\"", "z\"", "w"}},
        {"\"x, \"\"y\"\" z\",w", ',', {"x, \"y\" z", "w"}},
        {"\"open, to the end", ',', {"open, to the end"}},
        {"", ',', {""}},
        {"  \t ", ',', {""}},
        {"a b,c", ',', {"a", "b", "c"}},
        {"  a ,  b  ", ',', {"a", "b"}},
        {"a, ", ',', {"a"}},
        {",", ',', {"", ""}},
        {"ソ,表,ｱ", ',', {"ソ", "表", "ｱ"}},
        {"\"\"", ',', {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split(c.text, c.delimiter), c.items) << c.text;
}

TEST(MojiBunkatu, PathsSplitAtBackslashKeepDoubleByteNames)
{
    // "表" is 95 5C in CP932: its second byte is the code of "\".
    EXPECT_EQ(split("C:\\表示\\DATA\\0003\\0001", '\\'),
              (TMojiArray{"C:", "表示", "DATA", "0003", "0001"}));
}

TEST(MojiBunkatu, CutsByByteWidthWithoutSplittingCharacters)
{
    TMojiBunkatu m;
    // 23 bytes whose 22nd byte begins a double-byte character: 21 and 2 bytes.
    m.BunkatuByte(std::string(21, 'a') + "漢", 22);
    ASSERT_EQ(m.Count, 2);
    EXPECT_EQ(m.Items[0], std::string(21, 'a'));
    EXPECT_EQ(m.Items[1], "漢");
    m.BunkatuByte(std::string(44, 'x'), 22);
    EXPECT_EQ(m.Items, (TMojiArray{std::string(22, 'x'), std::string(22, 'x')}));
    m.BunkatuByte("東京都千代田区丸の内一丁目ｶﾅ①番地", 24);
    for (const auto& item : m.Items)
        EXPECT_LE(platform::text::cp932Width(item), 24u);
    EXPECT_EQ(m.Items[0], "東京都千代田区丸の内一丁");
    EXPECT_EQ(m.Items[1], "目ｶﾅ①番地");
    m.BunkatuByte("", 22);
    EXPECT_EQ(m.Items, (TMojiArray{""}));
    m.BunkatuByte("あい", 1); // widths below 2 count as 2
    EXPECT_EQ(m.Items, (TMojiArray{"あ", "い"}));
}

TEST(MojiBunkatu, GetItemOutsideTheItemsIsEmpty)
{
    TMojiBunkatu m;
    m.Bunkatu("a,b");
    std::string s = "old";
    m.GetItem(-1, s);
    EXPECT_EQ(s, "");
    m.GetItem(m.Count, s);
    EXPECT_EQ(s, "");
    m.GetItem(1, s);
    EXPECT_EQ(s, "b");
}
