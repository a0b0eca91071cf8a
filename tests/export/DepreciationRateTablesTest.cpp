// The statutory rate tables: every value of every row against the published tables, every column a
// rule gives recomputed, and the columns no formula gives checked against each other.
#include "export/DepreciationRateTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

long thousandths(double rate)
{
    return std::lround(rate * 1000);
}

long hundredThousandths(double rate)
{
    return std::lround(rate * 100000);
}

struct NamedTable {
    const char* name;
    const DepreciationRateTable& table;
    int decliningNumerator; // declining rate = numerator / (denominator * life)
    int decliningDenominator;
};

std::vector<NamedTable> tables()
{
    return {{"250%", depreciationRateTable250(), 5, 2}, {"200%", depreciationRateTable200(), 2, 1}};
}

long straightLineRule(int life)
{
    return (1000 + life - 1) / life; // 1 / life rounded up to three decimals
}

long decliningRule(int life, int num, int den)
{
    long halfUp = (2L * num * 1000 + static_cast<long>(den) * life) / (2L * den * life);
    return std::min(halfUp, 1000L);
}

long oldStraightLineRule(int life)
{
    if (life <= 20)
        return 1000 / life;
    long fourDecimals = 10000 / life;
    return (fourDecimals + 9) / 10;
}

long oldDecliningRule(int life)
{
    return std::lround(std::floor((1 - std::pow(0.1, 1.0 / life)) * 1000 + 0.5));
}

// The year the declining amount first falls below the guarantee gives the years that remain;
// the revised rate is the straight-line rate of those years.
long revisedRateFromGuarantee(double declining, double guarantee, int life)
{
    long double book = 1;
    for (int year = 1; year <= 400; ++year) {
        if (static_cast<long double>(declining) * book < static_cast<long double>(guarantee)) {
            int remaining = life - year + 1;
            return remaining > 0 ? straightLineRule(remaining) : -1;
        }
        book *= 1 - static_cast<long double>(declining);
    }
    return -1;
}

} // namespace

TEST(GenkaSyokyakuRateTables, RowsHoldTheirLifeAndLivesZeroAndOneAreEmpty)
{
    for (const NamedTable& t : tables()) {
        for (int life = 0; life <= 100; ++life)
            EXPECT_EQ(t.table[life].life, life) << t.name;
        for (int life = 0; life <= 1; ++life) {
            const DepreciationRateRow& row = t.table[life];
            EXPECT_EQ(row.straightLine + row.declining + row.revised + row.guarantee + row.oldStraightLine
                          + row.oldDeclining,
                      0)
                << t.name << " life " << life;
        }
    }
}

TEST(GenkaSyokyakuRateTables, LifeOutsideTheTableGivesZeroRates)
{
    for (int life : {-1, 101, 1000}) {
        const DepreciationRateRow& row = depreciationRateRow(depreciationRateTable250(), life);
        EXPECT_EQ(row.straightLine + row.declining + row.revised + row.guarantee + row.oldStraightLine
                      + row.oldDeclining,
                  0);
    }
    EXPECT_EQ(thousandths(depreciationRateRow(depreciationRateTable200(), 100).declining), 20);
}

TEST(GenkaSyokyakuRateTables, FormulaColumnsMatchTheirRules)
{
    for (const NamedTable& t : tables()) {
        for (int life = 2; life <= 100; ++life) {
            const DepreciationRateRow& row = t.table[life];
            EXPECT_EQ(thousandths(row.straightLine), straightLineRule(life)) << t.name << " life " << life;
            EXPECT_EQ(thousandths(row.declining), decliningRule(life, t.decliningNumerator, t.decliningDenominator))
                << t.name << " life " << life;
            EXPECT_EQ(thousandths(row.oldStraightLine), oldStraightLineRule(life)) << t.name << " life " << life;
        }
    }
}

TEST(GenkaSyokyakuRateTables, OldDecliningRateDiffersFromItsFormulaOnlyInThePublishedExceptions)
{
    // The ordinance's table (別表第七) holds six values one thousandth off the formula
    // 1 - 0.1^(1/life); they are the law's values and stay. Life 85 is 0.026 there although the
    // formula gives 0.027 (copy: masudagreen/accounting depDecliningOld.csv; see kPublished below).
    const std::map<int, long> exceptions{{24, 92}, {34, 66}, {72, 32}, {77, 30}, {85, 26}, {93, 25}};
    for (const NamedTable& t : tables()) {
        std::map<int, long> differing;
        for (int life = 2; life <= 100; ++life) {
            long stored = thousandths(t.table[life].oldDeclining);
            long formula = oldDecliningRule(life);
            if (stored != formula) {
                differing[life] = stored;
                EXPECT_EQ(std::labs(stored - formula), 1) << t.name << " life " << life;
            }
        }
        EXPECT_EQ(differing, exceptions) << t.name;
    }
    EXPECT_EQ(oldDecliningRule(85), 27);
}

TEST(GenkaSyokyakuRateTables, ColumnsSharedByBothTablesAreEqual)
{
    for (int life = 0; life <= 100; ++life) {
        const DepreciationRateRow& a = depreciationRateTable250()[life];
        const DepreciationRateRow& b = depreciationRateTable200()[life];
        EXPECT_EQ(a.straightLine, b.straightLine) << life;
        EXPECT_EQ(a.oldStraightLine, b.oldStraightLine) << life;
        EXPECT_EQ(a.oldDeclining, b.oldDeclining) << life;
    }
}

TEST(GenkaSyokyakuRateTables, RevisedRateIsAStraightLineRateNotBelowTheDecliningRate)
{
    for (const NamedTable& t : tables()) {
        std::set<long> straightLineRates{1000}; // one remaining year
        for (int life = 2; life <= 100; ++life)
            straightLineRates.insert(thousandths(t.table[life].straightLine));
        for (int life = 3; life <= 100; ++life) {
            const DepreciationRateRow& row = t.table[life];
            EXPECT_TRUE(straightLineRates.count(thousandths(row.revised))) << t.name << " life " << life;
            EXPECT_GE(thousandths(row.revised), thousandths(row.declining)) << t.name << " life " << life;
            EXPECT_GT(hundredThousandths(row.guarantee), 0) << t.name << " life " << life;
            EXPECT_LT(row.guarantee, row.declining) << t.name << " life " << life;
            // Five decimals exactly.
            EXPECT_NEAR(row.guarantee * 100000, std::round(row.guarantee * 100000), 1e-6) << t.name << life;
        }
    }
}

TEST(GenkaSyokyakuRateTables, GuaranteeRateGivesTheRevisedRate)
{
    // In every row of both tables the year the declining amount falls below the guarantee leaves
    // the years whose straight-line rate is the revised rate.
    for (const NamedTable& t : tables()) {
        std::set<int> differing;
        for (int life = 3; life <= 100; ++life) {
            const DepreciationRateRow& row = t.table[life];
            if (revisedRateFromGuarantee(row.declining, row.guarantee, life) != thousandths(row.revised))
                differing.insert(life);
        }
        EXPECT_EQ(differing, std::set<int>{}) << t.name;
    }
}

namespace {

// Every row as published, in thousandths (rates) and hundred-thousandths (guarantee rates).
// Tables of 減価償却資産の耐用年数等に関する省令: straight-line 別表第八; 250% declining, revised and
// guarantee 別表第九 (acquired 2007-04-01 .. 2012-03-31); 200% 別表第十 (acquired from 2012-04-01);
// old straight-line and old declining 別表第七 (acquired up to 2007-03-31). Read from two public
// copies that agree with each other in every value they share:
// - kotoba-lang/shokyaku resources/kotoba/shokyaku/tables.edn (別表第八, 第九, 第十, generated from the
//   e-Gov law text), and
// - masudagreen/accounting back/tpl/templates/else/plugin/accounting/dat/ depStraightNew.csv,
//   depDecliningNew250.csv, depDecliningNew200.csv, depStraightOld.csv, depDecliningOld.csv.
struct PublishedRow {
    int life;
    long straightLine, declining250, revised250, guarantee250, declining200, revised200, guarantee200,
        oldStraightLine, oldDeclining;
};

constexpr PublishedRow kPublished[] = {
    // life, straight, 250%: declining, revised, guarantee, 200%: declining, revised, guarantee, old
    // straight, old declining
        {  2, 500, 1000,    0,     0, 1000,    0,     0, 500, 684},
        {  3, 334,  833, 1000,  2789,  667, 1000, 11089, 333, 536},
        {  4, 250,  625, 1000,  5274,  500, 1000, 12499, 250, 438},
        {  5, 200,  500, 1000,  6249,  400,  500, 10800, 200, 369},
        {  6, 167,  417,  500,  5776,  333,  334,  9911, 166, 319},
        {  7, 143,  357,  500,  5496,  286,  334,  8680, 142, 280},
        {  8, 125,  313,  334,  5111,  250,  334,  7909, 125, 250},
        {  9, 112,  278,  334,  4731,  222,  250,  7126, 111, 226},
        { 10, 100,  250,  334,  4448,  200,  250,  6552, 100, 206},
        { 11,  91,  227,  250,  4123,  182,  200,  5992,  90, 189},
        { 12,  84,  208,  250,  3870,  167,  200,  5566,  83, 175},
        { 13,  77,  192,  200,  3633,  154,  167,  5180,  76, 162},
        { 14,  72,  179,  200,  3389,  143,  167,  4854,  71, 152},
        { 15,  67,  167,  200,  3217,  133,  143,  4565,  66, 142},
        { 16,  63,  156,  167,  3063,  125,  143,  4294,  62, 134},
        { 17,  59,  147,  167,  2905,  118,  125,  4038,  58, 127},
        { 18,  56,  139,  143,  2757,  111,  112,  3884,  55, 120},
        { 19,  53,  132,  143,  2616,  105,  112,  3693,  52, 114},
        { 20,  50,  125,  143,  2517,  100,  112,  3486,  50, 109},
        { 21,  48,  119,  125,  2408,   95,  100,  3335,  48, 104},
        { 22,  46,  114,  125,  2296,   91,  100,  3182,  46,  99},
        { 23,  44,  109,  112,  2226,   87,   91,  3052,  44,  95},
        { 24,  42,  104,  112,  2157,   83,   84,  2969,  42,  92},
        { 25,  40,  100,  112,  2058,   80,   84,  2841,  40,  88},
        { 26,  39,   96,  100,  1989,   77,   84,  2716,  39,  85},
        { 27,  38,   93,  100,  1902,   74,   77,  2624,  37,  82},
        { 28,  36,   89,   91,  1866,   71,   72,  2568,  36,  79},
        { 29,  35,   86,   91,  1803,   69,   72,  2463,  35,  76},
        { 30,  34,   83,   84,  1766,   67,   72,  2366,  34,  74},
        { 31,  33,   81,   84,  1688,   65,   67,  2286,  33,  72},
        { 32,  32,   78,   84,  1655,   63,   67,  2216,  32,  69},
        { 33,  31,   76,   77,  1585,   61,   63,  2161,  31,  67},
        { 34,  30,   74,   77,  1532,   59,   63,  2097,  30,  66},
        { 35,  29,   71,   72,  1532,   57,   59,  2051,  29,  64},
        { 36,  28,   69,   72,  1494,   56,   59,  1974,  28,  62},
        { 37,  28,   68,   72,  1425,   54,   56,  1950,  27,  60},
        { 38,  27,   66,   67,  1393,   53,   56,  1882,  27,  59},
        { 39,  26,   64,   67,  1370,   51,   53,  1860,  26,  57},
        { 40,  25,   63,   67,  1317,   50,   53,  1791,  25,  56},
        { 41,  25,   61,   63,  1306,   49,   50,  1741,  25,  55},
        { 42,  24,   60,   63,  1261,   48,   50,  1694,  24,  53},
        { 43,  24,   58,   59,  1248,   47,   48,  1664,  24,  52},
        { 44,  23,   57,   59,  1210,   45,   46,  1664,  23,  51},
        { 45,  23,   56,   59,  1175,   44,   46,  1634,  23,  50},
        { 46,  22,   54,   56,  1175,   43,   44,  1601,  22,  49},
        { 47,  22,   53,   56,  1153,   43,   44,  1532,  22,  48},
        { 48,  21,   52,   53,  1126,   42,   44,  1499,  21,  47},
        { 49,  21,   51,   53,  1102,   41,   42,  1475,  21,  46},
        { 50,  20,   50,   53,  1072,   40,   42,  1440,  20,  45},
        { 51,  20,   49,   50,  1053,   39,   40,  1422,  20,  44},
        { 52,  20,   48,   50,  1036,   38,   39,  1422,  20,  43},
        { 53,  19,   47,   48,  1028,   38,   39,  1370,  19,  43},
        { 54,  19,   46,   48,  1015,   37,   38,  1370,  19,  42},
        { 55,  19,   45,   46,  1007,   36,   38,  1337,  19,  41},
        { 56,  18,   45,   46,   961,   36,   38,  1288,  18,  40},
        { 57,  18,   44,   46,   952,   35,   36,  1281,  18,  40},
        { 58,  18,   43,   44,   945,   34,   35,  1281,  18,  39},
        { 59,  17,   42,   44,   934,   34,   35,  1240,  17,  38},
        { 60,  17,   42,   44,   895,   33,   34,  1240,  17,  38},
        { 61,  17,   41,   42,   892,   33,   34,  1201,  17,  37},
        { 62,  17,   40,   42,   882,   32,   33,  1201,  17,  36},
        { 63,  16,   40,   42,   847,   32,   33,  1165,  16,  36},
        { 64,  16,   39,   40,   847,   31,   32,  1165,  16,  35},
        { 65,  16,   38,   39,   847,   31,   32,  1130,  16,  35},
        { 66,  16,   38,   39,   828,   30,   31,  1130,  16,  34},
        { 67,  15,   37,   38,   828,   30,   31,  1097,  15,  34},
        { 68,  15,   37,   38,   810,   29,   30,  1097,  15,  33},
        { 69,  15,   36,   38,   800,   29,   30,  1065,  15,  33},
        { 70,  15,   36,   38,   771,   29,   30,  1034,  15,  32},
        { 71,  15,   35,   36,   771,   28,   29,  1034,  14,  32},
        { 72,  14,   35,   36,   751,   28,   29,  1006,  14,  32},
        { 73,  14,   34,   35,   751,   27,   27,  1063,  14,  31},
        { 74,  14,   34,   35,   738,   27,   27,  1035,  14,  31},
        { 75,  14,   33,   34,   738,   27,   27,  1007,  14,  30},
        { 76,  14,   33,   34,   726,   26,   27,   980,  14,  30},
        { 77,  13,   32,   33,   726,   26,   27,   954,  13,  30},
        { 78,  13,   32,   33,   716,   26,   27,   929,  13,  29},
        { 79,  13,   32,   33,   693,   25,   26,   929,  13,  29},
        { 80,  13,   31,   32,   693,   25,   26,   907,  13,  28},
        { 81,  13,   31,   32,   683,   25,   26,   884,  13,  28},
        { 82,  13,   30,   31,   683,   24,   24,   929,  13,  28},
        { 83,  13,   30,   31,   673,   24,   24,   907,  12,  27},
        { 84,  12,   30,   31,   653,   24,   24,   885,  12,  27},
        { 85,  12,   29,   30,   653,   24,   24,   864,  12,  26},
        { 86,  12,   29,   30,   645,   23,   23,   885,  12,  26},
        { 87,  12,   29,   30,   627,   23,   23,   864,  12,  26},
        { 88,  12,   28,   29,   627,   23,   23,   844,  12,  26},
        { 89,  12,   28,   29,   620,   22,   22,   863,  12,  26},
        { 90,  12,   28,   29,   603,   22,   22,   844,  12,  25},
        { 91,  11,   27,   27,   649,   22,   22,   825,  11,  25},
        { 92,  11,   27,   27,   632,   22,   22,   807,  11,  25},
        { 93,  11,   27,   27,   615,   22,   22,   790,  11,  25},
        { 94,  11,   27,   27,   598,   21,   21,   807,  11,  24},
        { 95,  11,   26,   27,   594,   21,   21,   790,  11,  24},
        { 96,  11,   26,   27,   578,   21,   21,   773,  11,  24},
        { 97,  11,   26,   27,   563,   21,   21,   757,  11,  23},
        { 98,  11,   26,   27,   549,   20,   20,   773,  11,  23},
        { 99,  11,   25,   26,   549,   20,   20,   757,  11,  23},
        {100,  10,   25,   26,   546,   20,   20,   742,  10,  23},
};

} // namespace

TEST(GenkaSyokyakuRateTables, EveryRowEqualsThePublishedTables)
{
    ASSERT_EQ(std::size(kPublished), 99u);
    for (std::size_t i = 0; i < std::size(kPublished); ++i) {
        const PublishedRow& p = kPublished[i];
        ASSERT_EQ(p.life, static_cast<int>(i) + 2);
        const DepreciationRateRow& a = depreciationRateTable250()[p.life];
        const DepreciationRateRow& b = depreciationRateTable200()[p.life];
        SCOPED_TRACE("life " + std::to_string(p.life));
        for (const DepreciationRateRow* row : {&a, &b}) {
            EXPECT_EQ(thousandths(row->straightLine), p.straightLine);
            EXPECT_EQ(thousandths(row->oldStraightLine), p.oldStraightLine);
            EXPECT_EQ(thousandths(row->oldDeclining), p.oldDeclining);
        }
        EXPECT_EQ(thousandths(a.declining), p.declining250);
        EXPECT_EQ(thousandths(a.revised), p.revised250);
        EXPECT_EQ(hundredThousandths(a.guarantee), p.guarantee250);
        EXPECT_EQ(thousandths(b.declining), p.declining200);
        EXPECT_EQ(thousandths(b.revised), p.revised200);
        EXPECT_EQ(hundredThousandths(b.guarantee), p.guarantee200);
    }
}

TEST(GenkaSyokyakuRateTables, RatesHoldNoMoreDecimalsThanPublished)
{
    // A value a hair off its published decimal would round to it above and still move amounts.
    for (const NamedTable& t : tables()) {
        for (int life = 0; life <= 100; ++life) {
            const DepreciationRateRow& row = t.table[life];
            SCOPED_TRACE(std::string(t.name) + " life " + std::to_string(life));
            for (double rate : {row.straightLine, row.declining, row.revised, row.oldStraightLine, row.oldDeclining})
                EXPECT_EQ(rate, static_cast<double>(thousandths(rate)) / 1000);
            EXPECT_EQ(row.guarantee, static_cast<double>(hundredThousandths(row.guarantee)) / 100000);
        }
    }
}
