#pragma once

// The assets of the company fixture (tests/fixtures/company/32-asset-rows.sql) and their figures.

#include "export/DepreciationCalculator.h"

#include <vector>

// The company settings the fixture assets are computed for: an individual's calendar year 2024,
// every rounding mode 0.
GenkaSyokyakuSettings ksSisanFixtureSettings();

// The figures of each fixture asset, worked out by hand.
struct KsSisanExpectation {
    std::int32_t rec;
    int regime;
    int status;
    double rate;         // SYOURITU
    double base;         // KISOKIN
    double dep;          // FUTUSYOUKIN
    double guarantee;    // HosyouGaku
    double revisedRate;  // KaiteiSyouritu
    double revisedCost;  // KAITEISYUTOKUKAGAKU
    double expense;      // HitsuyoKeihi
    int life;            // TAIYOUYY
    const char* why;
};
const std::vector<KsSisanExpectation>& ksSisanFixtureExpectations();
