// The settlement trial balance of the company fixture (tests/fixtures/company/34-balance-rows.sql)
// and its period sums, worked out by hand there and below.
#include "balance/TrialBalance.h"

#include "accounting/LayoutTables.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr platform::Currency yen(long long amount)
{
    return amount * platform::kCurrencyUnit;
}

class Sisanhyou : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::FixtureDb::copyTo("company", m_dir / "dwacc.fdb");
        m_db.connect(testsupport::morabyParams((m_dir / "dwacc.fdb").string()));
        AccInf = TACCINF{};
        AccInf.DATATYPE = 2;
        AccInf.CODETYPE = 1;
        AccInf.KAISINO = 1;
        AccInf.GENKA_HWORD3 = "材料費";
        SystemDef = TSystemDef{};
        pcSisanhyouSetup(0);
        setSisanhyouTransactions(m_snapshot, m_standard);
        const int n = fnSisanhyouMaxRow();
        m_rows.assign(std::size_t(n), TBALANCE{});
        m_index.assign(std::size_t(n), TQSORT{});
    }
    void TearDown() override
    {
        clearSisanhyouTransactions();
        AccInf = TACCINF{};
        SystemDef = TSystemDef{};
    }

    bool load()
    {
        return pcSisanhyouRead(m_rows, int(m_rows.size()) - 1, m_index, int(m_index.size()) - 1,
                               1, 0, 0, 0);
    }
    void sum() { pcKikanZandakaCalcu(m_rows, int(m_rows.size()) - 1, 0, -1, 1, 16, 0); }
    TBALANCE& row(int r) { return m_rows[std::size_t(r)]; }
    TBALANCE& line(int position) { return row(GokeiRowTable[std::size_t(position)]); }
    void exec(const std::string& sql)
    {
        firebird::Transaction t(m_db);
        t.start();
        firebird::Statement(t, sql).execute();
        t.commit();
    }

    testsupport::TempDir m_dir;
    testsupport::MessageRecorder m_messages;
    firebird::Attachment m_db;
    firebird::Transaction m_snapshot{m_db, firebird::Isolation::Snapshot};
    firebird::Transaction m_standard{m_db};
    std::vector<TBALANCE> m_rows;
    std::vector<TQSORT> m_index;
};

} // namespace

TEST_F(Sisanhyou, ClearGivesUnusedEntriesAtTheirOwnPositions)
{
    m_rows[7].Kamoku.KNAME = "x";
    m_rows[7].HojoUtiwake.resize(2);
    pcSisanhyouClear(m_rows, 499, m_index, 499);
    EXPECT_EQ(m_rows.size(), 500u);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(m_index[std::size_t(i)], (TQSORT{kSisanhyouUnusedCode, i}));
    EXPECT_EQ(m_rows[7].Kamoku.KNAME, "");
    EXPECT_EQ(m_rows[7].HojoUtiwake.size(), 2u); // the sub-accounts are left alone
}

TEST_F(Sisanhyou, LoadFillsAccountsInResultOrderSkipping9900)
{
    ASSERT_TRUE(load());
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_FALSE(m_snapshot.inTransaction());
    const char* names[] = {"現金", "普通預金", "買掛金", "元入金", "売上", "仕入", "消耗品費", "貸倒引当金"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(row(FirstKamokuRow + i).Kamoku.KNAME, names[i]) << i;
    EXPECT_EQ(row(FirstKamokuRow + 8).Kamoku.KNAME, "");

    const auto& cash = row(FirstKamokuRow);
    EXPECT_EQ(cash.KAISIZAN, yen(100000));
    EXPECT_EQ(cash.Net[33], yen(50000));
    EXPECT_EQ(cash.Net[34], yen(-20000));
    EXPECT_EQ(cash.Balance[48], yen(130000));
    EXPECT_EQ(row(FirstKamokuRow + 2).Balance[48], yen(90000)); // credit account: credit - debit
}

TEST_F(Sisanhyou, IndexIsSortedWithStatementLabelsAndCodeSystemGroups)
{
    ASSERT_TRUE(load());
    auto codeOfRow = [&](int r) {
        for (const auto& e : m_index)
            if (e.Row == r)
                return e.Code;
        return std::string("?");
    };
    EXPECT_EQ(codeOfRow(FirstKamokuRow), "110001");
    EXPECT_EQ(codeOfRow(FirstKamokuRow + 3), "210020");
    // Expense group 6100 with a master record above 97 counts as 7200 in code system 1.
    EXPECT_EQ(codeOfRow(FirstKamokuRow + 6), "720005");
    EXPECT_EQ(codeOfRow(GokeiRowTable[65]), "410/");
    EXPECT_EQ(codeOfRow(GokeiRowTable[9]), "110/");
    EXPECT_EQ(codeOfRow(46), "565/");
    // Lines hidden for statement 1, and a line of another statement kind.
    EXPECT_EQ(codeOfRow(2), kSisanhyouUnusedCode);
    EXPECT_EQ(row(2).Kamoku.GROUPM1, "");

    const auto firstUnused = std::find_if(m_index.begin(), m_index.end(), [](const TQSORT& e) {
        return e.Code == kSisanhyouUnusedCode;
    });
    ASSERT_NE(firstUnused, m_index.end());
    EXPECT_TRUE(std::all_of(firstUnused, m_index.end(),
                            [](const TQSORT& e) { return e.Code == kSisanhyouUnusedCode; }));
    EXPECT_TRUE(std::is_sorted(m_index.begin(), firstUnused,
                               [](const TQSORT& a, const TQSORT& b) { return a.Code < b.Code; }));
}

TEST_F(Sisanhyou, TotalLinesTakeTheirStatementNames)
{
    ASSERT_TRUE(load());
    EXPECT_EQ(row(5).Kamoku.KNAME, "【流動資産】");
    EXPECT_EQ(row(28).Kamoku.KNAME, "【売上】");
    EXPECT_EQ(row(11).Kamoku.KNAME, "資産合計");
    EXPECT_EQ(row(11).Kamoku.BSPL, "B");
    EXPECT_EQ(row(28).Kamoku.BSPL, "P");
    EXPECT_EQ(line(71).Kamoku.KNAME, "【材料費】");
    EXPECT_EQ(line(52).Kamoku.GROUPM2, "3680");
}

TEST_F(Sisanhyou, WholeYearSumsAndTotalLines)
{
    ASSERT_TRUE(load());
    sum();
    const auto& cash = row(FirstKamokuRow);
    EXPECT_EQ(cash.RangeOpening, yen(100000));
    EXPECT_EQ(cash.RangeDebit, yen(50000));
    EXPECT_EQ(cash.RangeCredit, yen(20000));
    EXPECT_EQ(cash.RangeClosing, cash.Balance[48]);
    EXPECT_EQ(cash.PriorYear, yen(100000)); // the fiscal-year opening for the loaders' call

    // Assets: 130,000 + 500,000 - 10,000 (allowance); liabilities 90,000, capital 510,000.
    EXPECT_EQ(line(1).RangeClosing, yen(630000));
    EXPECT_EQ(line(3).RangeClosing, yen(620000));
    EXPECT_EQ(line(21).RangeClosing, yen(620000));
    EXPECT_EQ(line(21).RangeOpening, yen(590000));
    EXPECT_EQ(line(29).RangeClosing, yen(90000));
    // Individual: the owner's line is what the assets leave over liabilities and capital.
    EXPECT_EQ(line(48).RangeClosing, yen(20000));
    EXPECT_EQ(line(48).RangeOpening, yen(0));
    EXPECT_EQ(line(48).RangeCredit, yen(20000));
    EXPECT_EQ(line(56).RangeClosing, line(21).RangeClosing);

    // Sales 500,000 - purchases 100,000 - expenses 30,000.
    EXPECT_EQ(line(65).RangeClosing, yen(500000));
    EXPECT_EQ(line(69).RangeClosing, yen(100000));
    EXPECT_EQ(line(81).RangeClosing, yen(400000));
    EXPECT_EQ(line(81).Kamoku.KNAME, "売上総利益");
    EXPECT_EQ(line(85).RangeClosing, yen(370000));
    EXPECT_EQ(line(85).Kamoku.KNAME, "営業利益");
    EXPECT_EQ(line(109).RangeClosing, yen(370000));
    EXPECT_FALSE(m_standard.inTransaction());

    // Composition ratios: 130,000 / 620,000 = 20.97 %; purchases 100,000 / 500,000.
    EXPECT_EQ(cash.CompositionRatio, 210000);
    EXPECT_EQ(row(FirstKamokuRow + 5).CompositionRatio, 200000);
    EXPECT_EQ(line(21).CompositionRatio, yen(100));

    // A second run over the same load gives the same figures.
    auto figures = [&] {
        std::vector<platform::Currency> v;
        for (const auto& r : m_rows)
            v.insert(v.end(), {r.RangeOpening, r.RangeDebit, r.RangeCredit, r.RangeClosing,
                               r.PriorYear, r.CompositionRatio});
        return v;
    };
    const auto before = figures();
    sum();
    EXPECT_TRUE(figures() == before);
}

TEST_F(Sisanhyou, KindPresetsAndTheRangeMessage)
{
    ASSERT_TRUE(load());
    pcBalanceSheet_Calcu(m_rows, int(m_rows.size()) - 1, 0, 3, 1, 16);
    // Periods 9..12 only: nothing moved there; the profit-and-loss opening is cleared.
    EXPECT_EQ(row(FirstKamokuRow).RangeDebit, 0);
    EXPECT_EQ(row(FirstKamokuRow).RangeOpening, yen(130000));
    EXPECT_EQ(row(FirstKamokuRow + 4).RangeOpening, 0);
    EXPECT_TRUE(m_messages.boxes().empty());

    pcBalanceSheet_Calcu(m_rows, int(m_rows.size()) - 1, 0, -1, 0, 16);
    EXPECT_TRUE(m_messages.boxes().empty());
    m_messages.answerDefaults();
    pcBalanceSheet_Calcu(m_rows, int(m_rows.size()) - 1, 0, 0, 0, 16);
    ASSERT_EQ(m_messages.texts().size(), 1u);
    EXPECT_EQ(m_messages.texts()[0], "期間番号は「1～16」です。 [0-16]");
}

TEST_F(Sisanhyou, ProfitLineNames)
{
    m_standard.start();
    EXPECT_EQ(fnGokeiName(m_standard, "5900", "既定", yen(-1)), "売上総損失");
    SystemDef.KingakuPlus = 1;
    EXPECT_EQ(fnGokeiName(m_standard, "5900", "既定", yen(-1)), "売上総損失金額");
    EXPECT_EQ(fnGokeiName(m_standard, "5900", "既定", 0), "売上総利益金額");
    EXPECT_EQ(fnGokeiName(m_standard, "1910", "既定", yen(-1)), "資産合計");
    EXPECT_EQ(fnGokeiName(m_standard, "0000", "既定", 0), "既定");
    m_standard.commit();
}

TEST_F(Sisanhyou, AccountsBeyondTheArrayAreLeftOut)
{
    m_rows.resize(FirstKamokuRow + 3);
    m_index.resize(FirstKamokuRow + 3);
    ASSERT_TRUE(pcSisanhyouRead(m_rows, int(m_rows.size()) - 1, m_index,
                                int(m_index.size()) - 1, 1, 0, 0, 0));
    EXPECT_EQ(row(FirstKamokuRow + 1).Kamoku.KNAME, "普通預金");
    EXPECT_EQ(row(FirstKamokuRow + 2).Kamoku.KNAME, ""); // rowHigh itself holds no account
}

TEST_F(Sisanhyou, ADatabaseErrorGoesToTheProgramWideHandlerAndTheLoadFails)
{
    platform::paths::mapDrive('D', m_dir.path());
    SystemDef.LogFolder = "D:\\";
    exec("DROP PROCEDURE SP_SISANHYO_KESSAN");
    m_messages.answerDefaults();
    EXPECT_FALSE(load());
    platform::paths::resetDriveMap();
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.texts()[0].rfind("試算表の読込に失敗しました。", 0), 0u);
    EXPECT_FALSE(m_snapshot.inTransaction());
    // The handler's access log names the read.
    const std::string log = platform::text::fromCp932(testsupport::readFile(m_dir / "ErrFbAccess.log"));
    EXPECT_NE(log.find("Error=試算表読込"), std::string::npos) << log;
}

TEST_F(Sisanhyou, AFailureThatIsNoDatabaseErrorIsPassedOn)
{
    // An account name that is not CP932 cannot be decoded: no database error, so no box.
    exec("UPDATE KESSAN_BALANCE SET KNAME = CAST(x'82A0FF' AS VARCHAR(10) CHARACTER SET OCTETS) "
         "WHERE ORD = (SELECT MIN(ORD) FROM KESSAN_BALANCE)");
    EXPECT_THROW(load(), platform::text::EncodingError);
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_FALSE(m_snapshot.inTransaction());
}

TEST_F(Sisanhyou, AnIndividualsGroupCorrectionMovesTheRowItself)
{
    // Code system 1: 6100 with a master record above 97 is 7200 (fixture account row 7), and
    // 4100 above 97 becomes 7100, 7100 below 98 becomes 4100.
    ASSERT_TRUE(load());
    EXPECT_EQ(row(FirstKamokuRow + 6).Kamoku.GROUPM1, "7200");

    AccInf.DATATYPE = 1; // a corporation keeps its groups
    ASSERT_TRUE(load());
    EXPECT_EQ(row(FirstKamokuRow + 6).Kamoku.GROUPM1, "6100");
}

TEST_F(Sisanhyou, AHeldSnapshotIsJoinedAndLeftOpen)
{
    m_snapshot.start();
    ASSERT_TRUE(load());
    const TBALANCE before = row(FirstKamokuRow);
    // Another user's committed change is not seen by reads inside the held snapshot.
    exec("UPDATE KESSAN_BALANCE SET KAISIZAN = KAISIZAN + 1000");
    ASSERT_TRUE(load());
    EXPECT_TRUE(m_snapshot.inTransaction());
    EXPECT_EQ(row(FirstKamokuRow).KAISIZAN, before.KAISIZAN);
    m_snapshot.commit();
}

// Receivable 300,000 + 100,000 (p1) - 50,000 (p2) = 350,000; discounted 80,000 + 40,000 (credit p1)
// - 20,000 (debit p3) = 100,000; endorsed 20,000 + 10,000 (credit p2) = 30,000. Offset into the
// receivable: opening 200,000, then +60,000 (p1), -60,000 (p2), +20,000 (p3) = 220,000.
TEST_F(Sisanhyou, BillsAreOffsetIntoTheReceivableForACorporateCompany)
{
    exec("INSERT INTO KESSAN_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU,"
         " MSTREC, SUBREC, KAISIZAN, KAR01, KAS02) VALUES (101, '1100', '1140', '140', '1201',"
         " '受取手形', 'B', 1, 41, 1, 300000, 100000, 50000)");
    exec("INSERT INTO KESSAN_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU,"
         " MSTREC, SUBREC, KAISIZAN, KAS01, KAR03) VALUES (102, '1100', '1140', '141', '1202',"
         " '割引手形', 'B', 3, 42, 2, 80000, 40000, 20000)");
    exec("INSERT INTO KESSAN_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU,"
         " MSTREC, SUBREC, KAISIZAN, KAS02) VALUES (103, '1100', '1140', '142', '1203',"
         " '裏書手形', 'B', 3, 43, 3, 20000, 10000)");
    AccInf.DATATYPE = 1;
    AccInf.TegataKCodes = {"1201", "1202", "1203"};
    auto rowOf = [&](const std::string& name) {
        for (int r = FirstKamokuRow; r < int(m_rows.size()); ++r)
            if (row(r).Kamoku.KNAME == name)
                return r;
        return -1;
    };
    auto codeOfRow = [&](int r) {
        for (const auto& e : m_index)
            if (e.Row == r)
                return e.Code;
        return std::string();
    };

    ASSERT_TRUE(load()); // setting off: nothing moves
    EXPECT_EQ(row(rowOf("受取手形")).Balance[48], yen(350000));
    EXPECT_EQ(row(rowOf("割引手形")).Balance[48], yen(100000));

    SystemDef.KessanTegataSousai = 1;
    ASSERT_TRUE(load());
    const int anchor = rowOf("受取手形");
    const int discounted = rowOf("割引手形");
    const int endorsed = rowOf("裏書手形");
    ASSERT_GE(anchor, FirstKamokuRow);
    ASSERT_GE(discounted, FirstKamokuRow);
    ASSERT_GE(endorsed, FirstKamokuRow);

    const auto& a = row(anchor);
    EXPECT_EQ(a.KAISIZAN, yen(200000));
    EXPECT_EQ(a.Balance[32], yen(200000));
    EXPECT_EQ(a.Net[33], yen(60000));
    EXPECT_EQ(a.Net[34], yen(-60000));
    EXPECT_EQ(a.Net[35], yen(20000));
    EXPECT_EQ(a.Balance[34], yen(200000));
    EXPECT_EQ(a.Balance[48], yen(220000));
    EXPECT_NE(codeOfRow(anchor), kSisanhyouUnusedCode);

    struct Fixed { int row; int moved; const char* name; long long opening, p1, closing; };
    for (const Fixed& f : {Fixed{48, discounted, "割引手形", 80000, 40000, 100000},
                           Fixed{49, endorsed, "裏書手形", 20000, 0, 30000}}) {
        const auto& t = row(f.row);
        EXPECT_EQ(t.Kamoku.KNAME, f.name);
        EXPECT_EQ(t.Kamoku.TAISHAKU, 3);
        EXPECT_EQ(t.KAISIZAN, yen(f.opening)) << f.name;
        EXPECT_EQ(t.Net[33], yen(f.p1)) << f.name;
        EXPECT_EQ(t.Balance[48], yen(f.closing)) << f.name;
        const auto& m = row(f.moved);
        EXPECT_EQ(m.KAISIZAN, 0) << f.name;
        EXPECT_EQ(m.Balance[48], 0) << f.name;
        EXPECT_EQ(m.Credit[33] + m.Credit[34], 0) << f.name;
        EXPECT_EQ(codeOfRow(f.moved), kSisanhyouUnusedCode) << f.name;
    }
}
