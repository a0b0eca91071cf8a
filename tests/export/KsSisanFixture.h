#pragma once

// The asset rows of tests/fixtures/ks_sisan.sql read straight from its INSERT statements, so the
// calculator's tests and the database tests share one set of assets.

#include "export/z5ComGenkaSyokyaku.h"

#include <map>
#include <string>
#include <vector>

// Rows by key; a column the script leaves out or sets to NULL reads as 0, as the loading does.
std::map<std::int32_t, KsSisanRow> readKsSisanFixture(const std::string& sqlPath);

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

// The path of the fixture script.
std::string ksSisanFixturePath();
