// Whole declining-balance schedules driven through the calculator year by year: every life of the
// 250% and the 200% table must bring a 10,000,000-yen asset to its 1-yen memorandum value in the
// year that equals its useful life.
#include "export/DepreciationCalculator.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using platform::Currency;
using platform::encodeDate;
using platform::kCurrencyUnit;

namespace {

constexpr Currency kCost = 10000000 * kCurrencyUnit;
constexpr Currency kOneYen = kCurrencyUnit;

// The one asset whose row the schedule rewrites each year, as the company database would.
class OneAssetSource : public GenkaSyokyakuDataSource {
public:
    KeikaSochi readKeikaSochi() override { return {}; }
    std::optional<KsSisanRow> readSisan(std::int32_t rec) override
    {
        if (rec != row.REC)
            return std::nullopt;
        return row;
    }
    KsSisanRow row;
};

struct Method {
    const char* name;
    int acquiredYear; // acquired on 1 January: the first year is a full year of use
};

const Method k250{"250%", 2008};
const Method k200{"200%", 2013};

struct Schedule {
    std::vector<Currency> depreciation; // one amount a year, until the book value is 1 yen
    int firstRevisedYear = 0;           // 0 when the revised rate never applied
    Currency revisedCost = 0;
    bool revisedRateLeftAgain = false;
    bool revisedCostChanged = false;
    Currency bookValue = kCost;
};

// A corporation's calendar years; `rounding` is the company's mode for depreciation amounts.
Schedule runSchedule(const Method& method, int life, int rounding, int maxYears)
{
    OneAssetSource source;
    KsSisanRow& row = source.row;
    row.REC = 1;
    row.GSHOUHOU = 2;
    row.TAIYOUYY = life;
    row.SYUTODATE = encodeDate(method.acquiredYear, 1, 1);
    row.SYUTOKIN = kCost;
    row.SYOUKIKANSTR = 1;
    row.SYOUKIKANEND = 12;
    row.JIGYOUWARIAI = 100 * kCurrencyUnit;

    Schedule s;
    for (int year = 1; year <= maxYears && s.bookValue > kOneYen; ++year) {
        GenkaSyokyakuSettings settings;
        settings.KISHU = encodeDate(method.acquiredYear + year - 1, 1, 1);
        settings.KIMATU = encodeDate(method.acquiredYear + year - 1, 12, 31);
        settings.SIME = 99;
        settings.DATATYPE = 1;
        settings.SDAI_HASUU1 = rounding;
        row.KISYUMISYOUKIN = s.bookValue;
        row.MATUMISYOUKIN = s.bookValue;

        TGenkaSyokyakuSisanCalc calc(source, settings);
        TGenkaSyokyakuCalcRec r;
        calc.LoadSisan(row.REC, r);

        if (r.KaiteiFlag) {
            if (s.firstRevisedYear == 0) {
                s.firstRevisedYear = year;
                s.revisedCost = r.KAITEISYUTOKUKAGAKU;
            } else if (r.KAITEISYUTOKUKAGAKU != s.revisedCost) {
                s.revisedCostChanged = true;
            }
        } else if (s.firstRevisedYear != 0) {
            s.revisedRateLeftAgain = true;
        }
        s.depreciation.push_back(r.FUTUSYOUKIN);
        s.bookValue -= r.FUTUSYOUKIN;
        // The revised cost is kept with the asset from year to year.
        row.KAITEISYUTOKUKAGAKU = r.KAITEISYUTOKUKAGAKU;
    }
    return s;
}

// The year the book value first stood at 1 yen; 0 when it never did within the years run.
int yearOfOneYen(const Schedule& s)
{
    return s.bookValue == kOneYen ? static_cast<int>(s.depreciation.size()) : 0;
}

// Lives whose published rates end the schedule in another year than the life, with the reason.
// Life 2: a declining rate of 1.000 writes the asset down to 1 yen in its first year.
const std::map<int, int> kPublishedOtherYear{{2, 1}};

constexpr int kRoundUp = 2;  // a yen fraction is taken as a whole yen
constexpr int kTruncate = 0; // yen fractions are dropped

} // namespace

TEST(GenkaSyokyakuSchedule, EveryLifeReachesOneYenInTheYearOfItsLife)
{
    // Rounding yen fractions up, the revised amount times the years left covers the revised cost
    // exactly in the last year; the rates of the published tables are made for this.
    for (const Method& m : {k250, k200}) {
        std::vector<int> wrong;
        for (int life = 2; life <= 100; ++life) {
            const Schedule s = runSchedule(m, life, kRoundUp, life + 20);
            const auto other = kPublishedOtherYear.find(life);
            const int expected = other != kPublishedOtherYear.end() ? other->second : life;
            if (yearOfOneYen(s) != expected) {
                wrong.push_back(life);
                ADD_FAILURE() << m.name << " life " << life << ": 1 yen in year " << yearOfOneYen(s)
                              << " (0: not within " << life + 20 << " years), book value "
                              << s.bookValue / kCurrencyUnit << " yen after " << s.depreciation.size()
                              << " years";
            }
            EXPECT_FALSE(s.revisedRateLeftAgain) << m.name << " life " << life;
            EXPECT_FALSE(s.revisedCostChanged) << m.name << " life " << life;
            if (life >= 3) {
                EXPECT_GT(s.firstRevisedYear, 1) << m.name << " life " << life;
            }
            for (std::size_t y = 0; y < s.depreciation.size(); ++y)
                EXPECT_GT(s.depreciation[y], 0) << m.name << " life " << life << " year " << y + 1;
        }
        EXPECT_TRUE(wrong.empty()) << m.name << ": " << ::testing::PrintToString(wrong);
    }
}

TEST(GenkaSyokyakuSchedule, TruncatingLeavesOnlyTheDroppedYenFractionsPastTheLife)
{
    // Dropping the yen fraction of each revised amount may leave a few yen, at most one for each
    // year at the revised rate, to the year after the life; nothing more may be left.
    for (const Method& m : {k250, k200}) {
        for (int life = 3; life <= 100; ++life) {
            const Schedule atLife = runSchedule(m, life, kTruncate, life);
            ASSERT_GT(atLife.firstRevisedYear, 0) << m.name << " life " << life;
            const Currency left = atLife.bookValue - kOneYen;
            EXPECT_GE(left, 0) << m.name << " life " << life;
            EXPECT_LE(left, (life - atLife.firstRevisedYear + 1) * kOneYen)
                << m.name << " life " << life << ": " << left / kCurrencyUnit << " yen left";
            EXPECT_EQ(yearOfOneYen(runSchedule(m, life, kTruncate, life + 1)) - life, left > 0 ? 1 : 0)
                << m.name << " life " << life;
        }
    }
}

TEST(GenkaSyokyakuSchedule, RevisedRateStartsInTheYearTheGuaranteeAmountIsReached)
{
    // Worked by hand from the published rates (rounding up): the revised rate starts in the first
    // year n whose declining amount 10,000,000 x (1 - rate)^(n-1) x rate falls below the guarantee
    // amount 10,000,000 x guarantee rate.
    //  200% life 10: 0.200, 0.06552: 0.8^5 = 0.32768 is not below 0.3276, 0.8^6 is: year 7.
    //  200% life 82: 0.024, 0.00929: 0.976^(n-1) < 0.38708, n - 1 > 39.07: year 41.
    //  200% life 90: 0.022, 0.00844: 0.978^(n-1) < 0.38364, n - 1 > 43.07: year 45.
    //  200% life 99: 0.020, 0.00757: 0.980^(n-1) < 0.37850, n - 1 > 48.09: year 50.
    //  250% life 50: 0.050, 0.01072: 0.950^(n-1) < 0.21440, n - 1 > 30.02: year 32.
    struct Case {
        const Method& method;
        int life;
        int firstRevisedYear;
    };
    const Case cases[] = {{k200, 10, 7}, {k200, 82, 41}, {k200, 90, 45}, {k200, 99, 50}, {k250, 50, 32}};
    for (const Case& c : cases) {
        const Schedule s = runSchedule(c.method, c.life, kRoundUp, c.life);
        EXPECT_EQ(s.firstRevisedYear, c.firstRevisedYear) << c.method.name << " life " << c.life;
    }
}
