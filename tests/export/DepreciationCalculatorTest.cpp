// The depreciation calculator: one asset row per method and edge case, each with its figures
// worked out by hand in the comment beside it.
#include "export/DepreciationCalculator.h"

#include "records/ProgramRecords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <ostream>
#include <string>

using platform::Currency;
using platform::encodeDate;

namespace {

Currency yen(double amount)
{
    return static_cast<Currency>(std::llround(amount * 10000));
}

// Asset rows held in memory, as the company database would return them.
class RowsInMemory : public GenkaSyokyakuDataSource {
public:
    KeikaSochi readKeikaSochi() override
    {
        ++keikaReads;
        return keika;
    }
    std::optional<KsSisanRow> readSisan(std::int32_t rec) override
    {
        auto it = rows.find(rec);
        if (it == rows.end())
            return std::nullopt;
        return it->second;
    }
    std::map<std::int32_t, KsSisanRow> rows;
    KeikaSochi keika;
    int keikaReads = 0;
};

// An individual's calendar year 2024, every rounding mode truncating.
GenkaSyokyakuSettings year2024()
{
    GenkaSyokyakuSettings s;
    s.KISHU = encodeDate(2024, 1, 1);
    s.KIMATU = encodeDate(2024, 12, 31);
    s.SIME = 99;
    s.DATATYPE = 2;
    return s;
}

GenkaSyokyakuSettings secondHalf2024()
{
    GenkaSyokyakuSettings s = year2024();
    s.KISHU = encodeDate(2024, 7, 1);
    return s;
}

KsSisanRow asset(int method, int life, platform::TDateTime acquired, double cost, double opening)
{
    KsSisanRow r;
    r.REC = 1;
    r.GSHOUHOU = method;
    r.TAIYOUYY = life;
    r.SYUTODATE = acquired;
    r.SYUTOKIN = yen(cost);
    r.KISYUMISYOUKIN = yen(opening);
    r.MATUMISYOUKIN = yen(opening); // only its sign and size against the threshold matter
    r.SYOUKIKANSTR = 1;
    r.SYOUKIKANEND = 12;
    r.JIGYOUWARIAI = yen(100);
    return r;
}

TGenkaSyokyakuCalcRec compute(const GenkaSyokyakuSettings& settings, const KsSisanRow& row)
{
    RowsInMemory source;
    source.rows[row.REC] = row;
    TGenkaSyokyakuSisanCalc calc(source, settings);
    TGenkaSyokyakuCalcRec result;
    EXPECT_TRUE(calc.LoadSisan(row.REC, result));
    return result;
}

struct Expected {
    int regime;
    int status;
    double rate;        // SYOURITU
    double base;        // KISOKIN
    double dep;         // FUTUSYOUKIN
    double guarantee;   // HosyouGaku
    double revisedRate; // KaiteiSyouritu
    double revisedCost; // KAITEISYUTOKUKAGAKU
};

struct Case {
    const char* name;
    GenkaSyokyakuSettings settings;
    KsSisanRow row;
    Expected expect;
};

KsSisanRow with(KsSisanRow row, const std::function<void(KsSisanRow&)>& change)
{
    change(row);
    return row;
}

GenkaSyokyakuSettings withSettings(GenkaSyokyakuSettings s, const std::function<void(GenkaSyokyakuSettings&)>& change)
{
    change(s);
    return s;
}

const platform::TDateTime kBefore2007 = encodeDate(2000, 4, 1);
const platform::TDateTime k2015 = encodeDate(2015, 6, 15);

std::vector<Case> cases()
{
    const GenkaSyokyakuSettings y = year2024();
    return {
        // 200% life 10: 1,000,000 x 0.200 = 200,000; guarantee 1,000,000 x 0.06552 = 65,520 is
        // below 200,000, so no revised rate.
        {"Declining200", y, asset(2, 10, k2015, 1000000, 1000000), {2, 1, 0.2, 1000000, 200000, 65520, 0.25, 0}},
        // Book 262,144: 262,144 x 0.2 = 52,428.8 < 65,520 -> revised cost 262,144 x 0.250 = 65,536.
        {"Declining200Revised", y, asset(2, 10, k2015, 1000000, 262144),
         {2, 5, 0.2, 262144, 65536, 65520, 0.25, 262144}},
        // A stored revised cost is kept: 300,000 x 0.250 = 75,000.
        {"Declining200StoredRevisedCost", y,
         with(asset(2, 10, k2015, 1000000, 262144), [](KsSisanRow& r) { r.KAITEISYUTOKUKAGAKU = yen(300000); }),
         {2, 5, 0.2, 262144, 75000, 65520, 0.25, 300000}},
        {"Declining200TypedRevisedCost", y,
         with(asset(2, 10, k2015, 1000000, 262144),
              [](KsSisanRow& r) {
                  r.KAITEISYUTOKUKAGAKU = yen(1);
                  r.ISINPKAITEISYUTOKUKAGAKU = 1;
                  r.KAITEISYUTOKUKAGAKU_INPUT = yen(300000);
              }),
         {2, 5, 0.2, 262144, 75000, 65520, 0.25, 300000}},
        // 2010 asset: 250% life 8 rate 0.313; 60,000 x 0.313 = 18,780 < guarantee
        // 500,000 x 0.05111 = 25,555 -> 60,000 x 0.334 = 20,040.
        {"Declining250Revised", y, asset(2, 8, encodeDate(2010, 5, 1), 500000, 60000),
         {1, 5, 0.313, 60000, 20040, 25555, 0.334, 60000}},
        // Transitional 200%: 60,000 x 0.250 = 15,000; guarantee on the adjusted cost
        // 100,000 x 0.07909 = 7,909 (a naive truncation of the double gives 7,908).
        {"Transitional200", y,
         with(asset(2, 8, encodeDate(2010, 5, 1), 500000, 60000),
              [](KsSisanRow& r) {
                  r.TEIRITU200 = 1;
                  r.SYUTOKUKAGAKUCHOSEI = yen(100000);
              }),
         {2, 1, 0.25, 60000, 15000, 7909, 0.334, 0}},
        // An asset of 2015 kept on the 250% rules: life 10 rate 0.250.
        {"Transitional250", y, with(asset(2, 10, k2015, 1000000, 1000000), [](KsSisanRow& r) { r.TEIRITU250 = 1; }),
         {1, 1, 0.25, 1000000, 250000, 44480, 0.334, 0}},
        {"Transitional250Then200", y, with(asset(2, 10, k2015, 1000000, 1000000), [](KsSisanRow& r) {
             r.TEIRITU250 = 1;
             r.TEIRITU200 = 1;
             r.SYUTOKUKAGAKUCHOSEI = yen(900000); // guarantee 900,000 x 0.06552 = 58,968
         }),
         {2, 1, 0.2, 1000000, 200000, 58968, 0.25, 0}},
        // Straight-line: 100,000 a year; with a book value of 100,000 one yen remains.
        {"StraightLine", y, asset(1, 10, k2015, 1000000, 500000), {2, 1, 0.1, 1000000, 100000, 0, 0, 0}},
        {"StraightLineKeepsOneYen", y, asset(1, 10, k2015, 1000000, 100000), {2, 1, 0.1, 1000000, 99999, 0, 0, 0}},
        {"StraightLineAtOneYen", y, with(asset(1, 10, k2015, 1000000, 1), [](KsSisanRow& r) { r.MATUMISYOUKIN = yen(1); }),
         {2, 2, 0.1, 1000000, 0, 0, 0, 0}},
        // Acquired in October: 300,000 x 0.250 x 3 / 12 = 18,750; the opening value is the cost.
        {"AcquiredInThePeriod", y,
         with(asset(1, 4, encodeDate(2024, 10, 1), 300000, 0), [](KsSisanRow& r) { r.SYOUKIKANSTR = 10; }),
         {2, 0, 0.25, 300000, 18750, 0, 0, 0}},
        // Old straight-line: base 900,000 x 0.100 = 90,000 while the book value stays above 5%.
        {"OldStraightLine", y, asset(1, 10, kBefore2007, 1000000, 500000), {0, 1, 0.1, 900000, 90000, 0, 0, 0}},
        // ... and stops at 5% of the cost: 120,000 - 70,000 = 50,000.
        {"OldStraightLineStopsAtFivePercent", y, asset(1, 10, kBefore2007, 1000000, 120000),
         {0, 1, 0.1, 900000, 70000, 0, 0, 0}},
        // Book 40,000 <= 50,000: five-year write-off (50,000 - 1) x 12 / 60 = 9,999.8 -> 9,999.
        {"OldFiveYearTruncated", y, asset(1, 10, kBefore2007, 1000000, 40000), {0, 6, 0.1, 900000, 9999, 0, 0, 0}},
        {"OldFiveYearHalfUp", withSettings(y, [](GenkaSyokyakuSettings& s) { s.SDAI_HASUU1 = 1; }),
         asset(1, 10, kBefore2007, 1000000, 40000), {0, 6, 0.1, 900000, 10000, 0, 0, 0}},
        {"OldFiveYearRoundUp", withSettings(y, [](GenkaSyokyakuSettings& s) { s.SDAI_HASUU1 = 2; }),
         asset(1, 10, kBefore2007, 1000000, 40000), {0, 6, 0.1, 900000, 10000, 0, 0, 0}},
        // A corporation truncates the five-year amount whatever its mode.
        {"OldFiveYearCorporation", withSettings(y, [](GenkaSyokyakuSettings& s) {
             s.SDAI_HASUU1 = 2;
             s.DATATYPE = 1;
         }),
         asset(1, 10, kBefore2007, 1000000, 40000), {0, 6, 0.1, 900000, 9999, 0, 0, 0}},
        // The last year of the write-off leaves one yen: 9,999.8 -> 9,999 >= 5,000 -> 4,999.
        {"OldFiveYearLastYear", y, asset(1, 10, kBefore2007, 1000000, 5000), {0, 6, 0.1, 900000, 4999, 0, 0, 0}},
        // A period before 2007-04-01 with the book value at 5%: nothing more, fully depreciated.
        {"OldRulesPeriodBefore2007", withSettings(y, [](GenkaSyokyakuSettings& s) {
             s.KISHU = encodeDate(2006, 1, 1);
             s.KIMATU = encodeDate(2006, 12, 31);
         }),
         asset(1, 10, kBefore2007, 1000000, 40000), {0, 2, 0.1, 900000, 0, 0, 0, 0}},
        // Old declining life 10: 500,000 x 0.206 = 103,000.
        {"OldDeclining", y, asset(2, 10, kBefore2007, 1000000, 500000), {0, 1, 0.206, 500000, 103000, 0, 0, 0}},
        // 60,000 x 0.206 = 12,360 would leave 47,640 < 50,000: 10,000.
        {"OldDecliningStopsAtFivePercent", y, asset(2, 10, kBefore2007, 1000000, 60000),
         {0, 1, 0.206, 60000, 10000, 0, 0, 0}},
        // Six-month period: 0.200 x 6 / 12 = 0.100; acquired in July: 1,000,000 x 0.100 x 6 / 6.
        // Revised 0.250 x 6 / 12 = 0.125.
        {"ShortPeriod200", secondHalf2024(),
         with(asset(2, 10, encodeDate(2024, 7, 1), 1000000, 0), [](KsSisanRow& r) { r.SYOUKIKANSTR = 7; }),
         {2, 0, 0.1, 1000000, 100000, 65520, 0.125, 0}},
        // Straight-line life 3 in six months: 0.334 x 6 / 12 = 0.167.
        {"ShortPeriodStraightLine", secondHalf2024(),
         with(asset(1, 3, encodeDate(2024, 7, 1), 300000, 0), [](KsSisanRow& r) { r.SYOUKIKANSTR = 7; }),
         {2, 0, 0.167, 300000, 50100, 0, 0, 0}},
        // Old declining life 80 in nine months: converted life 106 > 100, so the rate of life 80
        // (0.028) prorated by 9 / 12: 5,000,000 x 0.028 x 9 / 12 = 105,000.
        {"OldDecliningShortPeriodLongLife",
         withSettings(y, [](GenkaSyokyakuSettings& s) { s.KISHU = encodeDate(2024, 4, 1); }),
         with(asset(2, 80, kBefore2007, 10000000, 5000000), [](KsSisanRow& r) { r.SYOUKIKANSTR = 4; }),
         {0, 1, 0.028, 5000000, 105000, 0, 0, 0}},
        // Old declining life 10 in nine months: converted life 13 (0.162), 500,000 x 0.162 = 81,000.
        {"OldDecliningShortPeriod", withSettings(y, [](GenkaSyokyakuSettings& s) { s.KISHU = encodeDate(2024, 4, 1); }),
         with(asset(2, 10, kBefore2007, 1000000, 500000), [](KsSisanRow& r) { r.SYOUKIKANSTR = 4; }),
         {0, 1, 0.162, 500000, 81000, 0, 0, 0}},
        // Equal instalments: 120,000 / 4 x 6 / 12 = 15,000, at most the book value.
        {"EqualInstalments", y, with(asset(3, 4, k2015, 120000, 60000), [](KsSisanRow& r) { r.SYOUKIKANSTR = 7; }),
         {2, 1, 0, 120000, 15000, 0, 0, 0}},
        {"EqualInstalmentsCapped", y, with(asset(3, 4, k2015, 120000, 10000), [](KsSisanRow& r) { r.SYOUKIKANSTR = 7; }),
         {2, 1, 0, 120000, 10000, 0, 0, 0}},
        // Lump-sum three years: an individual takes 100,000 whatever the period length.
        {"LumpSumIndividualShortPeriod", secondHalf2024(), asset(4, 3, encodeDate(2023, 5, 1), 300000, 200000),
         {2, 1, 0, 300000, 100000, 0, 0, 0}},
        {"LumpSumCorporationShortPeriod",
         withSettings(secondHalf2024(), [](GenkaSyokyakuSettings& s) { s.DATATYPE = 1; }),
         asset(4, 3, encodeDate(2023, 5, 1), 300000, 200000), {2, 1, 0, 300000, 50000, 0, 0, 0}},
        // Less than 3 yen would remain: the whole remainder.
        {"LumpSumRemainder", y, asset(4, 3, encodeDate(2023, 5, 1), 300000, 100002), {2, 1, 0, 300000, 100002, 0, 0, 0}},
        {"SmallAmountThisYear", y, asset(5, 0, encodeDate(2024, 3, 1), 150000, 0), {2, 0, 0, 150000, 150000, 0, 0, 0}},
        {"SmallAmountEarlier", y, asset(5, 0, encodeDate(2023, 3, 1), 200000, 0), {2, 2, 0, 200000, 0, 0, 0, 0}},
        // Lease of 60 months: 600,000 x 12 / 60 = 120,000.
        {"Lease", y, asset(6, 60, encodeDate(2022, 1, 1), 600000, 360000), {2, 1, 0, 600000, 120000, 0, 0, 0}},
        // Less than a month's 10,000 would remain: the whole 125,000.
        {"LeaseLastYear", y, asset(6, 60, encodeDate(2022, 1, 1), 600000, 125000), {2, 1, 0, 600000, 125000, 0, 0, 0}},
        {"LeaseResidualGuarantee", y,
         with(asset(6, 60, encodeDate(2022, 1, 1), 600000, 360000), [](KsSisanRow& r) { r.ZANKAHOSYOUGAKU = yen(100000); }),
         {2, 1, 0, 500000, 100000, 0, 0, 0}},
        // Life above the tables: every rate 0.
        {"LifeAboveTheTables", y, asset(2, 101, k2015, 1000000, 1000000), {2, 1, 0, 1000000, 0, 0, 0, 0}},
        {"UnknownMethod", y, asset(7, 10, k2015, 1000000, 1000000), {2, 0, 0, 0, 0, 0, 0, 0}},
        // Disposals: retired (status 3) and sold (status 4).
        {"Retired", y, with(asset(1, 10, k2015, 1000000, 500000), [](KsSisanRow& r) {
             r.JYOBAI = 1;
             r.GENSYODATE = encodeDate(2024, 6, 30);
         }),
         {2, 3, 0.1, 1000000, 100000, 0, 0, 0}},
        {"Sold", y, with(asset(1, 10, k2015, 1000000, 500000), [](KsSisanRow& r) {
             r.JYOBAI = 2;
             r.GENSYODATE = encodeDate(2024, 6, 30);
         }),
         {2, 4, 0.1, 1000000, 100000, 0, 0, 0}},
    };
}

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class GenkaSyokyakuCase : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(GenkaSyokyakuCase, GivesTheHandComputedFigures)
{
    const Case& c = GetParam();
    TGenkaSyokyakuCalcRec r = compute(c.settings, c.row);
    EXPECT_EQ(r.HouKubun, c.expect.regime);
    EXPECT_EQ(r.Jyoutai, c.expect.status);
    EXPECT_EQ(r.SYOURITU, yen(c.expect.rate));
    EXPECT_EQ(r.KISOKIN, yen(c.expect.base));
    EXPECT_EQ(r.FUTUSYOUKIN, yen(c.expect.dep));
    EXPECT_EQ(r.HosyouGaku, c.expect.guarantee);
    EXPECT_EQ(std::lround(r.KaiteiSyouritu * 1000), std::lround(c.expect.revisedRate * 1000));
    EXPECT_EQ(r.KAITEISYUTOKUKAGAKU, yen(c.expect.revisedCost));
}

INSTANTIATE_TEST_SUITE_P(Assets, GenkaSyokyakuCase, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(GenkaSyokyaku, FloatTrapsAreTakenToTheUnitBeforeTruncating)
{
    // Mathematically whole yen, a hair below in binary: a plain truncation loses a yen.
    EXPECT_EQ(std::trunc(1000000 * 0.06552), 65519);
    EXPECT_EQ(std::trunc(100000 * 0.07909), 7908);
    EXPECT_EQ(compute(year2024(), asset(2, 10, k2015, 1000000, 1000000)).HosyouGaku, 65520);
}

TEST(GenkaSyokyaku, RoundingModesOfTheDepreciation)
{
    struct Mode {
        int mode;
        double half, tenth;
    };
    // 100,005 x 0.100 = 10,000.5 and 100,001 x 0.100 = 10,000.1.
    for (Mode m : {Mode{0, 10000, 10000}, Mode{1, 10001, 10000}, Mode{2, 10001, 10001}, Mode{3, 10001, 10000}}) {
        GenkaSyokyakuSettings s = year2024();
        s.SDAI_HASUU1 = m.mode;
        EXPECT_EQ(compute(s, asset(1, 10, k2015, 100005, 100005)).FUTUSYOUKIN, yen(m.half)) << m.mode;
        EXPECT_EQ(compute(s, asset(1, 10, k2015, 100001, 100001)).FUTUSYOUKIN, yen(m.tenth)) << m.mode;
    }
}

TEST(GenkaSyokyaku, FivePercentAmountFollowsItsOwnMode)
{
    // Cost 1,000,010: 5% = 50,000.5 -> 50,000 (mode 0) or 50,001 (mode 2); with the book value
    // at 50,000.5... the five-year write-off starts only when the book value is at most that.
    GenkaSyokyakuSettings s = year2024();
    KsSisanRow row = asset(1, 10, kBefore2007, 1000010, 50001);
    EXPECT_EQ(compute(s, row).Jyoutai, 1);
    s.SDAI_HASUU2 = 2;
    EXPECT_EQ(compute(s, row).Jyoutai, 6);
    // (50,001 - 1) x 12 / 60 = 10,000.
    EXPECT_EQ(compute(s, row).FUTUSYOUKIN, yen(10000));
}

TEST(GenkaSyokyaku, NecessaryExpenseByBusinessShareAndMode)
{
    struct Share {
        double total, percent;
        int mode;
        double expected;
    };
    for (Share c : {Share{12345, 50, 0, 6172}, Share{12345, 50, 1, 6173}, Share{12345, 50, 2, 6173},
                    Share{1001, 50.5, 0, 505}, Share{1001, 50.5, 1, 506}, Share{1001, 50.5, 2, 506},
                    Share{100000, 0, 1, 0}, Share{100000, 100, 0, 100000}}) {
        GenkaSyokyakuSettings s = year2024();
        s.SDAI_HASUU3 = c.mode;
        KsSisanRow row = asset(1, 10, k2015, 1000000, 500000);
        row.SYOUKINKEI = yen(c.total);
        row.JIGYOUWARIAI = yen(c.percent);
        TGenkaSyokyakuCalcRec r = compute(s, row);
        EXPECT_EQ(r.HitsuyoKeihi, yen(c.expected)) << c.total << " " << c.percent << " mode " << c.mode;
        EXPECT_EQ(r.JIGYOUWARIAI, yen(c.percent));
        EXPECT_EQ(r.SYOUKINKEI, yen(c.total));
    }
}

TEST(GenkaSyokyaku, DatesOutsideThePeriodAreMovedIntoIt)
{
    // Dated after the period end: acquired on its first day, within the period.
    TGenkaSyokyakuCalcRec r = compute(year2024(), asset(1, 4, encodeDate(2025, 2, 1), 300000, 0));
    EXPECT_EQ(r.SYUTODATE, encodeDate(2024, 1, 1));
    EXPECT_TRUE(r.ZaiKikanFlag);
    EXPECT_EQ(r.KISYUMISYOUKIN, yen(300000));
    EXPECT_EQ(r.FUTUSYOUKIN, yen(75000));

    KsSisanRow disposed = asset(1, 10, k2015, 1000000, 500000);
    disposed.JYOBAI = 1;
    disposed.GENSYODATE = encodeDate(2023, 6, 30);
    r = compute(year2024(), disposed);
    EXPECT_EQ(r.GENSYODATE, encodeDate(2024, 12, 31));
    EXPECT_EQ(r.Jyoutai, 3);

    disposed.GENSYODATE = encodeDate(2024, 6, 30);
    EXPECT_EQ(compute(year2024(), disposed).GENSYODATE, encodeDate(2024, 6, 30));
    disposed.JYOBAI = 0;
    EXPECT_EQ(compute(year2024(), disposed).GENSYODATE, 0);
}

TEST(GenkaSyokyaku, TypedDepreciationSurvivesTheStatusRecomputation)
{
    KsSisanRow row = asset(2, 10, k2015, 1000000, 262144);
    row.ISINPFUTUSYOUKIN = 1;
    row.FUTUSYOUKIN = yen(12345);
    row.SYOUKIKANSTR = 4;
    row.SYOUKIKANEND = 9;
    TGenkaSyokyakuCalcRec r = compute(year2024(), row);
    EXPECT_EQ(r.FUTUSYOUKIN, yen(12345));
    EXPECT_EQ(r.SYOUKIKANSTR, 4);
    EXPECT_EQ(r.SYOUKIKANEND, 9);
    EXPECT_EQ(r.Jyoutai, 5); // the recomputation still ran on the revised rate
    EXPECT_EQ(r.KAITEISYUTOKUKAGAKU, yen(262144));
}

TEST(GenkaSyokyaku, TypedFiguresKeepTheAssetsLifeAndGuarantee)
{
    // Rate and depreciation typed: the life and the guarantee still come from the asset.
    KsSisanRow row = asset(2, 10, k2015, 1000000, 1000000);
    row.ISINPSYOURITU = 1;
    row.SYOURITU = yen(0.3);
    row.ISINPFUTUSYOUKIN = 1;
    row.FUTUSYOUKIN = yen(300000);
    TGenkaSyokyakuCalcRec r = compute(year2024(), row);
    EXPECT_EQ(r.TAIYOUYY, 10);
    EXPECT_EQ(r.SYOURITU, yen(0.3));
    EXPECT_EQ(r.FUTUSYOUKIN, yen(300000));
    EXPECT_EQ(r.HosyouGaku, 65520);
    EXPECT_DOUBLE_EQ(r.KaiteiSyouritu, 0.25);

    // Base typed as well: the method and the guarantee are still there; a 2010 asset keeps the
    // 250% table for its guarantee.
    row.ISINPKISOKIN = 1;
    row.KISOKIN = yen(777);
    row.SYUTODATE = encodeDate(2010, 5, 1);
    r = compute(year2024(), row);
    EXPECT_EQ(r.GSHOUHOU, 2);
    EXPECT_EQ(r.KISOKIN, yen(777));
    EXPECT_EQ(r.HouKubun, 1);
    EXPECT_EQ(r.HosyouGaku, 44480);
}

TEST(GenkaSyokyaku, MissingKeyGivesTheInitialRecord)
{
    RowsInMemory source;
    source.rows[1] = asset(1, 10, k2015, 1000000, 500000);
    TGenkaSyokyakuSisanCalc calc(source, year2024());
    TGenkaSyokyakuCalcRec r;
    ASSERT_TRUE(calc.LoadSisan(1, r));
    ASSERT_EQ(r.FUTUSYOUKIN, yen(100000));
    // Nothing of the previous asset leaks into the next.
    ASSERT_TRUE(calc.LoadSisan(42, r));
    EXPECT_EQ(r.HouKubun, 2);
    EXPECT_EQ(r.Jyoutai, 0);
    EXPECT_EQ(r.JIGYOUWARIAI, yen(100));
    EXPECT_EQ(r.SYUTOKIN, 0);
    EXPECT_EQ(r.FUTUSYOUKIN, 0);
    EXPECT_EQ(r.TAIYOUYY, 0);
    EXPECT_EQ(&calc.workingTable(), &depreciationRateTable200());
}

TEST(GenkaSyokyaku, TransitionalSettingsAreReadOnceAtConstruction)
{
    RowsInMemory source;
    source.keika = {1, 1};
    TGenkaSyokyakuSisanCalc calc(source, year2024());
    EXPECT_EQ(source.keikaReads, 1);
    EXPECT_EQ(calc.keikaSochi().teiritu250, 1);
    // They decide nothing: a 2015 asset without its own flags stays on the 200% rules.
    source.rows[1] = asset(2, 10, k2015, 1000000, 1000000);
    TGenkaSyokyakuCalcRec r;
    calc.LoadSisan(1, r);
    EXPECT_EQ(r.HouKubun, 2);
}

TEST(GenkaSyokyaku, PeriodMonths)
{
    struct Period {
        int closingDay;
        platform::TDateTime start, end;
        int months;
    };
    RowsInMemory source;
    for (Period p : {Period{99, encodeDate(2024, 4, 1), encodeDate(2025, 3, 31), 12},
                     Period{99, encodeDate(2024, 7, 1), encodeDate(2024, 12, 31), 6},
                     Period{20, encodeDate(2024, 4, 21), encodeDate(2025, 4, 20), 12},
                     Period{20, encodeDate(2024, 4, 21), encodeDate(2024, 5, 20), 1},
                     Period{99, encodeDate(2024, 1, 1), encodeDate(2025, 1, 31), -1}}) {
        GenkaSyokyakuSettings s = year2024();
        s.SIME = p.closingDay;
        s.KISHU = p.start;
        s.KIMATU = p.end;
        TGenkaSyokyakuSisanCalc calc(source, s);
        EXPECT_EQ(calc.periodMonths(), p.months) << p.closingDay;
    }
}

TEST(GenkaSyokyaku, StatementRowTakesTheResultFields)
{
    KsSisanRow row = asset(2, 8, encodeDate(2010, 5, 1), 500000, 60000);
    row.TEIRITU200 = 1;
    row.SYUTOKUKAGAKUCHOSEI = yen(100000);
    row.SYOUKINKEI = yen(15000);
    row.JIGYOUWARIAI = yen(50.5);
    row.SYOUKIKANSTR = 3;
    TGenkaSyokyakuRec out;
    out.MEISYOU = "陳列棚";
    copyCalcResult(compute(year2024(), row), out);
    EXPECT_EQ(out.MEISYOU, "陳列棚");
    EXPECT_EQ(out.HouKubun, 2);
    EXPECT_EQ(out.HosyouGaku, yen(7909));
    EXPECT_EQ(out.KaiteiSyouritu, yen(0.334));
    EXPECT_DOUBLE_EQ(out.SYOURITU, 0.25);
    EXPECT_DOUBLE_EQ(out.JIGYOUWARIAI, 50.5);
    EXPECT_EQ(out.SyoukyakuTukisuu, 10);
    EXPECT_EQ(out.TEIRITU200, 1);
    EXPECT_EQ(out.SYUTOKUKAGAKUCHOSEI, yen(100000));
    EXPECT_EQ(out.GoukeiFlag, 0);
    EXPECT_STREQ(SisanJyoutaiName[5], "改定償却");
}

TEST(GenkaSyokyaku, SettingsComeFromTheCompanyCopyAndTheProgramWideRounding)
{
    records::resetProgramState();
    TACCINF copy;
    copy.KISHU = encodeDate(2024, 4, 1);
    copy.KIMATU = encodeDate(2025, 3, 31);
    copy.SIME = 20;
    copy.DATATYPE = 1;
    copy.SDAI_HASUU1 = 1;
    copy.SDAI_HASUU2 = 2;
    copy.SDAI_HASUU3 = 0;
    TACCINF programWide = copy;
    programWide.SDAI_HASUU3 = 2;
    GenkaSyokyakuSettings s = genkaSyokyakuSettings(copy, programWide);
    EXPECT_EQ(s.KISHU, copy.KISHU);
    EXPECT_EQ(s.KIMATU, copy.KIMATU);
    EXPECT_EQ(s.SIME, 20);
    EXPECT_EQ(s.DATATYPE, 1);
    EXPECT_EQ(s.SDAI_HASUU1, 1);
    EXPECT_EQ(s.SDAI_HASUU2, 2);
    EXPECT_EQ(s.SDAI_HASUU3, 2);

    AccInf = programWide;
    EXPECT_EQ(genkaSyokyakuSettingsFromAccInf().SDAI_HASUU3, 2);
    records::resetProgramState();
}

TEST(GenkaSyokyaku, AcquiredInEachMonthOfTheYear)
{
    // 200% life 7 (0.286), cost 1,000,000 acquired on the first of month m: 286,000 x (13 - m) / 12,
    // truncated to yen. Straight-line life 5: 1,200,000 x 0.200 x (13 - m) / 12 = 20,000 x (13 - m).
    const double declining[12] = {286000, 262166, 238333, 214500, 190666, 166833,
                                  143000, 119166, 95333,  71500,  47666,  23833};
    for (int month = 1; month <= 12; ++month) {
        SCOPED_TRACE("month " + std::to_string(month));
        KsSisanRow row = asset(2, 7, encodeDate(2024, month, 1), 1000000, 0);
        row.SYOUKIKANSTR = month;
        TGenkaSyokyakuCalcRec r = compute(year2024(), row);
        EXPECT_TRUE(r.ZaiKikanFlag);
        EXPECT_EQ(r.Jyoutai, 0);
        EXPECT_EQ(r.FUTUSYOUKIN, yen(declining[month - 1]));

        row = asset(1, 5, encodeDate(2024, month, 1), 1200000, 0);
        row.SYOUKIKANSTR = month;
        EXPECT_EQ(compute(year2024(), row).FUTUSYOUKIN, yen(20000.0 * (13 - month)));
    }
}
