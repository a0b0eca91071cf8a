#pragma once

// The statutory depreciation-rate tables that TGenkaSyokyakuSisanCalc (DepreciationCalculator.h)
// reads, one row per useful life 0..100.

#include <array>

struct DepreciationRateRow {
    int life = 0;
    double straightLine = 0;    // 定額法 (assets from 2007-04-01)
    double declining = 0;       // 定率法: 250% or 200% of the straight-line rate
    double revised = 0;         // 改定償却率
    double guarantee = 0;       // 保証率
    double oldStraightLine = 0; // 旧定額法
    double oldDeclining = 0;    // 旧定率法
};

using DepreciationRateTable = std::array<DepreciationRateRow, 101>;

// Assets acquired 2007-04-01 .. 2012-03-31 (250% declining balance); also serves the old rules.
const DepreciationRateTable& depreciationRateTable250();
// Assets acquired from 2012-04-01 (200% declining balance).
const DepreciationRateTable& depreciationRateTable200();

// The row of a life, or a row of zeros for a life outside 0..100.
const DepreciationRateRow& depreciationRateRow(const DepreciationRateTable& table, int life);
