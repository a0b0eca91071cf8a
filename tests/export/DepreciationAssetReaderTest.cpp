// The depreciation calculator reading the company fixture database.
#include "export/DepreciationAssetReader.h"
#include "export/AssetTableFixture.h"
#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

platform::Currency yen(double amount)
{
    return static_cast<platform::Currency>(std::llround(amount * 10000));
}

class GenkaSyokyakuDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::FixtureDb::copyTo("company", m_dir / "dwacc.fdb");
        m_db.connect(testsupport::morabyParams((m_dir / "dwacc.fdb").string()));
    }

    testsupport::TempDir m_dir;
    firebird::Attachment m_db;
};

} // namespace

TEST_F(GenkaSyokyakuDatabase, EveryFixtureAssetGivesItsHandComputedFigures)
{
    firebird::Transaction t(m_db);
    GenkaSyokyakuDatabaseSource source(t);
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
    EXPECT_FALSE(t.inTransaction());
}

TEST_F(GenkaSyokyakuDatabase, MissingKeyGivesTheInitialRecord)
{
    firebird::Transaction t(m_db);
    GenkaSyokyakuDatabaseSource source(t);
    TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
    TGenkaSyokyakuCalcRec r;
    r.FUTUSYOUKIN = yen(1);
    EXPECT_TRUE(calc.LoadSisan(999, r));
    EXPECT_EQ(r.HouKubun, 2);
    EXPECT_EQ(r.FUTUSYOUKIN, 0);
    EXPECT_EQ(r.JIGYOUWARIAI, yen(100));
}

TEST_F(GenkaSyokyakuDatabase, CommitsOnlyTheTransactionItStarted)
{
    firebird::Transaction own(m_db);
    GenkaSyokyakuDatabaseSource source(own);
    TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
    TGenkaSyokyakuCalcRec r;
    calc.LoadSisan(1, r);
    EXPECT_FALSE(own.inTransaction());

    // The statement loaders pass the transaction of their own query, already active.
    firebird::Transaction loaders(m_db);
    loaders.start();
    source.SetTransaction(loaders);
    calc.LoadSisan(2, r);
    EXPECT_TRUE(loaders.inTransaction());
    EXPECT_EQ(r.FUTUSYOUKIN, yen(100000));
    loaders.commit();
}

TEST_F(GenkaSyokyakuDatabase, TransitionalSettingsAreAddedWithTheirDefault)
{
    firebird::Transaction t(m_db);
    {
        GenkaSyokyakuDatabaseSource source(t);
        TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
        EXPECT_EQ(calc.keikaSochi().teiritu250, 0);
        EXPECT_EQ(calc.keikaSochi().teiritu200, 0);
    }
    t.start();
    firebird::Statement q(t, "SELECT ACODE, ATYPE, ATEXT FROM ACCREG WHERE AGROUP = :G ORDER BY ACODE");
    q.setString("G", "減価償却設定");
    firebird::Cursor c = q.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("ACODE"), "200%定率法で償却する経過措置");
    EXPECT_EQ(c.getString("ATYPE"), "整数");
    EXPECT_EQ(c.getString("ATEXT"), "0");
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("ACODE"), "250%定率法で償却する経過措置");
    EXPECT_FALSE(c.fetch());
    c.close();

    firebird::Statement u(t, "UPDATE ACCREG SET ATEXT = '1' WHERE ACODE = :C");
    u.setString("C", "250%定率法で償却する経過措置");
    u.execute();
    t.commit();
    GenkaSyokyakuDatabaseSource source(t);
    TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
    EXPECT_EQ(calc.keikaSochi().teiritu250, 1);
    EXPECT_EQ(calc.keikaSochi().teiritu200, 0);
}

TEST_F(GenkaSyokyakuDatabase, DatabaseErrorsReachTheCallerWithNoTransactionLeftOpen)
{
    firebird::Transaction t(m_db);
    GenkaSyokyakuDatabaseSource source(t);
    TGenkaSyokyakuSisanCalc calc(source, ksSisanFixtureSettings());
    m_db.executeImmediate("ALTER TABLE KS_SISAN DROP TAIYONENSU200");
    TGenkaSyokyakuCalcRec r;
    EXPECT_THROW(calc.LoadSisan(1, r), firebird::DatabaseError);
    EXPECT_FALSE(t.inTransaction());
}

TEST_F(GenkaSyokyakuDatabase, FixtureSettingsAreThoseOfTheCompanyRow)
{
    firebird::Transaction t(m_db);
    t.start();
    firebird::Statement q(t, "SELECT KISHU, KIMATU, SIME, DATATYPE, SDAI_HASUU1, SDAI_HASUU2, SDAI_HASUU3 "
                             "FROM ACCDEF1 WHERE REC = 1");
    firebird::Cursor c = q.open();
    ASSERT_TRUE(c.fetch());
    const GenkaSyokyakuSettings s = ksSisanFixtureSettings();
    EXPECT_EQ(c.getDateTime("KISHU"), s.KISHU);
    EXPECT_EQ(c.getDateTime("KIMATU"), s.KIMATU);
    EXPECT_EQ(c.getInt("SIME"), s.SIME);
    EXPECT_EQ(c.getInt("DATATYPE"), s.DATATYPE);
    EXPECT_EQ(c.getInt("SDAI_HASUU1"), s.SDAI_HASUU1);
    EXPECT_EQ(c.getInt("SDAI_HASUU2"), s.SDAI_HASUU2);
    EXPECT_EQ(c.getInt("SDAI_HASUU3"), s.SDAI_HASUU3);
}

TEST_F(GenkaSyokyakuDatabase, CompanyRoundingModesChangeOnlyTheFractionalFigures)
{
    // Asset 4: (50,000 - 1) x 12 / 60 = 9,999.8; asset 8: 1,001 x 50.5% = 505.505.
    struct Modes {
        int depreciation, expense;
        double asset4, asset8Expense;
    };
    for (Modes m : {Modes{0, 0, 9999, 505}, Modes{1, 1, 10000, 506}, Modes{2, 2, 10000, 506}, Modes{2, 0, 10000, 505}}) {
        SCOPED_TRACE("modes " + std::to_string(m.depreciation) + "/" + std::to_string(m.expense));
        GenkaSyokyakuSettings s = ksSisanFixtureSettings();
        s.SDAI_HASUU1 = m.depreciation;
        s.SDAI_HASUU3 = m.expense;
        firebird::Transaction t(m_db);
        GenkaSyokyakuDatabaseSource source(t);
        TGenkaSyokyakuSisanCalc calc(source, s);
        TGenkaSyokyakuCalcRec r;
        calc.LoadSisan(4, r);
        EXPECT_EQ(r.FUTUSYOUKIN, yen(m.asset4));
        calc.LoadSisan(8, r);
        EXPECT_EQ(r.HitsuyoKeihi, yen(m.asset8Expense));
        calc.LoadSisan(1, r);
        EXPECT_EQ(r.FUTUSYOUKIN, yen(65536));
        EXPECT_EQ(r.HosyouGaku, 65520);
    }
}
