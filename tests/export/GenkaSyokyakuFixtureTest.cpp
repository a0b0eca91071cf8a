// The fixture assets of tests/fixtures/ks_sisan.sql through the calculator, from rows in memory.
#include "export/KsSisanFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

platform::Currency yen(double amount)
{
    return static_cast<platform::Currency>(std::llround(amount * 10000));
}

class FixtureRows : public GenkaSyokyakuDataSource {
public:
    explicit FixtureRows(std::map<std::int32_t, KsSisanRow> rows) : m_rows(std::move(rows)) {}
    KeikaSochi readKeikaSochi() override { return {}; }
    std::optional<KsSisanRow> readSisan(std::int32_t rec) override
    {
        auto it = m_rows.find(rec);
        if (it == m_rows.end())
            return std::nullopt;
        return it->second;
    }

private:
    std::map<std::int32_t, KsSisanRow> m_rows;
};

} // namespace

TEST(GenkaSyokyakuFixture, EveryFixtureAssetGivesItsHandComputedFigures)
{
    FixtureRows source(readKsSisanFixture(ksSisanFixturePath()));
    TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
    for (const KsSisanExpectation& e : ksSisanFixtureExpectations()) {
        SCOPED_TRACE(std::to_string(e.rec) + ": " + e.why);
        TGenkaSyokyakuCalcRec r;
        ASSERT_TRUE(calc.LoadSisan(e.rec, r));
        EXPECT_EQ(r.HouKubun, e.regime);
        EXPECT_EQ(r.Jyoutai, e.status);
        EXPECT_EQ(r.SYOURITU, yen(e.rate));
        EXPECT_EQ(r.KISOKIN, yen(e.base));
        EXPECT_EQ(r.FUTUSYOUKIN, yen(e.dep));
        EXPECT_EQ(r.HosyouGaku, e.guarantee);
        EXPECT_EQ(std::lround(r.KaiteiSyouritu * 1000), std::lround(e.revisedRate * 1000));
        EXPECT_EQ(r.KAITEISYUTOKUKAGAKU, yen(e.revisedCost));
        EXPECT_EQ(r.HitsuyoKeihi, yen(e.expense));
        EXPECT_EQ(r.TAIYOUYY, e.life);
    }
}

TEST(GenkaSyokyakuFixture, RowsOfTheScriptReadAsTheLoadingReadsThem)
{
    std::map<std::int32_t, KsSisanRow> rows = readKsSisanFixture(ksSisanFixturePath());
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[8].JIGYOUWARIAI, yen(50.5));
    EXPECT_EQ(rows[13].GENSYODATE, platform::encodeDate(2023, 6, 30));
    EXPECT_EQ(rows[14].SYOURITU, yen(0.3));
    EXPECT_EQ(rows[15].GSHOUHOU, 0);
    EXPECT_EQ(rows[15].JIGYOUWARIAI, 0);
}
