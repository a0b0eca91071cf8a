#include "accounting/LayoutTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using accounting::CashFlowItem;
using accounting::kGokeiRowCount;
using accounting::resetLayoutTables;

namespace {

class LayoutTables : public ::testing::Test {
protected:
    void SetUp() override { resetLayoutTables(); }
    void TearDown() override { resetLayoutTables(); }
};

} // namespace

TEST_F(LayoutTables, GeneralLayoutAtStart)
{
    // General layout: total lines 1..45 at two positions each, in order; zeros where the line
    // does not exist in the general code systems.
    std::vector<int> rowsInOrder;
    for (std::size_t i = 0; i < kGokeiRowCount; ++i)
        if (GokeiRowTable[i] != 0
            && (rowsInOrder.empty() || rowsInOrder.back() != GokeiRowTable[i]))
            rowsInOrder.push_back(GokeiRowTable[i]);
    ASSERT_EQ(rowsInOrder.size(), 45u);
    for (int i = 0; i < 45; ++i)
        EXPECT_EQ(rowsInOrder[static_cast<std::size_t>(i)], i + 1);

    const struct { std::size_t pos; int row; } spots[] = {
        {0, 1}, {1, 1}, {9, 5}, {25, 13}, {26, 14}, {43, 22}, {44, 0}, {46, 0}, {47, 23},
        {57, 0}, {63, 0}, {64, 28}, {79, 35}, {80, 36}, {81, 36}, {85, 38}, {86, 0}, {94, 0},
        {95, 39}, {104, 43}, {106, 44}, {107, 0}, {109, 45}, {114, 0},
    };
    for (const auto& s : spots)
        EXPECT_EQ(GokeiRowTable[s.pos], s.row) << s.pos;

    const struct { std::size_t pos; const char* code; } groups[] = {
        {0, "1100"}, {38, "3340"}, {60, "5580"}, {62, "5680"}, {64, "5780"}, {67, "5880"},
        {81, "8290"}, {83, "8400"}, {84, "9900"}, {85, "5685"}, {86, "5688"}, {87, "****"},
        {140, "****"}, {141, "1900"}, {145, "8400"}, {147, "5510"}, {148, "5820"},
    };
    for (const auto& g : groups)
        EXPECT_EQ(KamokuGroupTable[g.pos], g.code) << g.pos;
    EXPECT_EQ(FirstKamokuRow, 51);
    EXPECT_TRUE(SikinguriKamokuList.empty());
}

TEST_F(LayoutTables, MedicalLayout)
{
    pcSisanhyouSetup(1);
    const struct { std::size_t pos; int row; } spots[] = {
        {25, 13}, {26, 0}, {28, 14}, {32, 0}, {36, 16}, {44, 18}, {45, 19}, {46, 20},
        {51, 0}, {57, 25}, {63, 31}, {64, 32}, {66, 0}, {79, 0}, {80, 0}, {81, 32},
        {84, 0}, {85, 42}, {86, 34}, {94, 42}, {95, 43}, {104, 47}, {105, 0}, {106, 48},
        {107, 48}, {108, 0}, {110, 49}, {114, 53},
    };
    for (const auto& s : spots)
        EXPECT_EQ(GokeiRowTable[s.pos], s.row) << s.pos;

    const struct { std::size_t pos; const char* code; } groups[] = {
        {0, "1100"}, {67, "5880"}, {80, "8280"}, {81, "8300"}, {82, "8300"}, {83, "9280"},
        {84, "9900"}, {85, "5685"}, {86, "5688"}, {87, "3450"}, {97, "6110"}, {135, "8300"},
        {140, "9600"}, {145, "9600"}, {146, "7300"}, {147, "****"}, {148, "****"},
    };
    for (const auto& g : groups)
        EXPECT_EQ(KamokuGroupTable[g.pos], g.code) << g.pos;
    EXPECT_EQ(FirstKamokuRow, 51);
}

TEST_F(LayoutTables, SwitchingBackRestoresTheStartValues)
{
    const auto startRows = GokeiRowTable;
    const auto startGroups = KamokuGroupTable;
    for (std::uint8_t other : {0, 2, 255}) {
        pcSisanhyouSetup(1);
        EXPECT_NE(GokeiRowTable, startRows);
        EXPECT_NE(KamokuGroupTable, startGroups);
        pcSisanhyouSetup(other);
        EXPECT_EQ(GokeiRowTable, startRows) << int(other);
        EXPECT_EQ(KamokuGroupTable, startGroups) << int(other);
    }
}

TEST_F(LayoutTables, CashFlowItemsPerCodeSystem)
{
    pcSikinguriKamokuSetup(1);
    ASSERT_EQ(SikinguriKamokuList.size(), 38u);
    EXPECT_EQ(SikinguriKamokuList.front(), (CashFlowItem{"0", "－"}));
    EXPECT_EQ(SikinguriKamokuList[1], (CashFlowItem{"11", "窓口収入"}));
    EXPECT_EQ(SikinguriKamokuList[35], (CashFlowItem{"45", "法人税等"}));
    EXPECT_EQ(SikinguriKamokuList.back(), (CashFlowItem{"99", "流動性現預金"}));

    for (std::uint8_t general : {0, 2, 255}) {
        pcSikinguriKamokuSetup(general); // empties first: never appends
        ASSERT_EQ(SikinguriKamokuList.size(), 39u);
        EXPECT_EQ(SikinguriKamokuList[1], (CashFlowItem{"11", "現金売上"}));
        EXPECT_EQ(SikinguriKamokuList[25], (CashFlowItem{"35", "法人税等"}));
        EXPECT_EQ(SikinguriKamokuList[37], (CashFlowItem{"47", "その他の支出"}));
        EXPECT_EQ(SikinguriKamokuList.back(), (CashFlowItem{"99", "流動性現預金"}));
    }
    // Item codes run in order: 0, then 11 upwards without gaps, then 99.
    for (std::size_t i = 1; i + 1 < SikinguriKamokuList.size(); ++i)
        EXPECT_EQ(SikinguriKamokuList[i].code, std::to_string(10 + i));
}

TEST_F(LayoutTables, PercentOfRoundsToOneDecimalHalfAway)
{
    const struct { double ratio; platform::Currency percent; } cases[] = {
        {0.12345, 123000}, {0.12355, 124000}, {-0.12355, -124000}, {0.00049, 0},
        {0.00051, 1000},   {1.0, 1000000},    {-0.00051, -1000},   {0.0, 0},
        {-0.00049, 0},     {2.5, 2500000},    {0.3333333, 333000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fnPercentOf(c.ratio), c.percent) << c.ratio;
}

TEST_F(LayoutTables, PercentOfARatioBeyondAnyAmountSaturates)
{
    constexpr platform::Currency kMaxPercent =
        std::numeric_limits<platform::Currency>::max() / 1000 * 1000;
    const struct { double ratio; platform::Currency percent; } cases[] = {
        {1e300, kMaxPercent},
        {-1e300, -kMaxPercent},
        {HUGE_VAL, kMaxPercent},
        {-HUGE_VAL, -kMaxPercent},
        {1e13, kMaxPercent},
        {9e12, 9000000000000LL * 1000000},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fnPercentOf(c.ratio), c.percent) << c.ratio;
}
