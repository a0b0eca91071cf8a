// The texts of one exported asset row.
#include "export/AssetLinkageFile.h"

#include "records/ProgramRecords.h"

#include <gtest/gtest.h>

namespace {

constexpr platform::Currency yen(double amount)
{
    return static_cast<platform::Currency>(amount * platform::kCurrencyUnit + 0.5);
}

enum : std::size_t { SUURYO = 1, GENGO = 3, NEN = 4, TUKI = 5, HOSYOU = 7, HOUHOU = 10, MEI = 11,
                     KEIKA = 12, RITU = 14, KAITEIRITU = 15, KAITEISYUTOKU = 16, CHOUSEIMAE = 18,
                     WARIAI = 21, JYOUDAN = 24, GEDAN = 25 };

TGenkaSyokyakuRec asset(int method)
{
    TGenkaSyokyakuRec r;
    r.MEISYOU = "資産";
    r.SYUTODATE = platform::encodeDate(2019, 4, 30);
    r.GSHOUHOU = method;
    r.TEKIYO = "摘要";
    return r;
}

class Zq14Row : public ::testing::Test {
protected:
    void SetUp() override { records::resetProgramState(); }
    void TearDown() override { records::resetProgramState(); }
};

} // namespace

TEST_F(Zq14Row, QuantityRatioAndRateTextsRoundHalvesAwayFromZero)
{
    auto r = asset(3);
    r.SURYO = 1.125;
    r.JIGYOUWARIAI = 12.25;
    r.SYOURITU = 12.5;
    const auto row = MakeSisanRow(r);
    EXPECT_EQ(row[SUURYO], "  1.13");
    EXPECT_EQ(row[WARIAI], "12.3");
    EXPECT_EQ(row[HOUHOU], "4");
    EXPECT_EQ(row[RITU], "12.50");
    EXPECT_EQ(row[GENGO], "平成");
    EXPECT_EQ(row[NEN], "31");
    EXPECT_EQ(row[TUKI], "4");

    r.SURYO = 0;
    r.JIGYOUWARIAI = 0;
    r.SYOURITU = 0.25;
    const auto zero = MakeSisanRow(r);
    EXPECT_EQ(zero[SUURYO], "");
    EXPECT_EQ(zero[WARIAI], "");
    EXPECT_EQ(zero[RITU], "0.250");
}

TEST_F(Zq14Row, QuantityRoundsTheDecimalTheUserStoredNotItsBinaryNeighbour)
{
    // A DOUBLE PRECISION column holds 2.675 as 2.67499999...; the user typed 2.675.
    const struct {
        double quantity;
        const char* text;
    } cases[] = {
        {2.675, "  2.68"},   {1.005, "  1.01"},  {1.004, "  1.00"},  {0.125, "  0.13"},
        {99.995, "100.00"},  {999.995, "1000.00"}, {1, "  1.00"},     {0.001, "  0.00"},
        {1234567.891, "1234567.89"}, {0.0049999, "  0.00"}, {8.345, "  8.35"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quantity);
        auto r = asset(1);
        r.SURYO = c.quantity;
        EXPECT_EQ(MakeSisanRow(r)[SUURYO], c.text);
    }
    // The business-use ratio likewise: 12.35 % stored is "12.4", never "12.3".
    auto r = asset(1);
    r.JIGYOUWARIAI = 12.35;
    EXPECT_EQ(MakeSisanRow(r)[WARIAI], "12.4");
}

TEST_F(Zq14Row, MethodTexts)
{
    const struct {
        int method;
        const char* houhou;
        const char* mei;
        const char* ritu;
        const char* kaitei;
    } cases[] = {
        {1, "2", "", "9.999", ""},     {2, "1", "", "9.999", "9.999"}, {3, "4", "", "0.000", ""},
        {4, "3", "", "1/3", ""},       {5, "", "", "", ""},             {6, "6", "リース", "0.000", ""},
        {9, "", "", "", ""},
    };
    for (const auto& c : cases) {
        const auto row = MakeSisanRow(asset(c.method));
        EXPECT_EQ(row[HOUHOU], c.houhou) << c.method;
        EXPECT_EQ(row[MEI], c.mei) << c.method;
        EXPECT_EQ(row[RITU], c.ritu) << c.method;
        EXPECT_EQ(row[KAITEIRITU], c.kaitei) << c.method;
        EXPECT_EQ(row[JYOUDAN], "摘要") << c.method;
    }
}

TEST_F(Zq14Row, TransitionalAndRevisedRateTexts)
{
    auto r = asset(2);
    r.TEIRITU250 = 1;
    auto row = MakeSisanRow(r);
    EXPECT_EQ(row[KEIKA], "1");
    EXPECT_EQ(row[JYOUDAN], "250%定率法");
    EXPECT_EQ(row[GEDAN], "摘要");

    // Guarantee 10,000 above 100,000 x 0.050 = 5,000: the revised depreciation applies.
    r = asset(2);
    r.HosyouGaku = yen(10000);
    r.KISOKIN = yen(100000);
    r.SYOURITU = 0.05;
    row = MakeSisanRow(r);
    EXPECT_EQ(row[HOSYOU], "10000");
    EXPECT_EQ(row[KAITEISYUTOKU], "0");
    EXPECT_EQ(row[CHOUSEIMAE], "5000");
    EXPECT_EQ(row[JYOUDAN], "改定償却");
    EXPECT_EQ(row[GEDAN], "摘要");

    // Without a guarantee none of the three is written.
    row = MakeSisanRow(asset(2));
    EXPECT_EQ(row[HOSYOU], "");
    EXPECT_EQ(row[KAITEISYUTOKU], "");
    EXPECT_EQ(row[CHOUSEIMAE], "");
}

TEST_F(Zq14Row, NoAcquisitionDateIsAnError)
{
    auto r = asset(1);
    r.SYUTODATE = 0;
    try {
        MakeSisanRow(r);
        FAIL() << "no error";
    } catch (const EDataExportError& e) {
        EXPECT_EQ(e.Code(), 4);
        EXPECT_EQ(e.Message(), "取得年月が設定されていません。");
        EXPECT_EQ(e.Detail(), "資産名:資産");
    }
}

TEST_F(Zq14Row, SkippedRows)
{
    auto r = asset(5);
    r.MEISYOU = "(明細は別途保管)";
    EXPECT_TRUE(isZq14SkippedRow(r));
    r.MEISYOU = "（明細は別途保管）";
    EXPECT_FALSE(isZq14SkippedRow(r));
    r.GoukeiFlag = 1;
    EXPECT_TRUE(isZq14SkippedRow(r));
    auto other = asset(1);
    other.MEISYOU = "(明細は別途保管)";
    EXPECT_FALSE(isZq14SkippedRow(other));
}
