// The standard, A4 and A3 trial balances and the kind-20 labels of the settlement one, read from
// the company fixture's stand-in procedures (tests/fixtures/company/38-balance-layout-rows.sql).
#include "balance/TrialBalance.h"

#include "accounting/LayoutTables.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr platform::Currency yen(long long amount)
{
    return amount * platform::kCurrencyUnit;
}

constexpr std::size_t kPeriod1 = 33;

class SisanhyouLayouts : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::FixtureDb::copyTo("company", m_dir / "dwacc.fdb");
        m_db.connect(testsupport::morabyParams((m_dir / "dwacc.fdb").string()));
        AccInf = TACCINF{};
        AccInf.DATATYPE = 2;
        AccInf.CODETYPE = 1;
        AccInf.KAISINO = 1;
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

    bool load(int layout, int kind, const std::string& branch = "",
              const std::string& bumon = "")
    {
        return pcSisanhyouReadGeneral(m_rows, int(m_rows.size()) - 1, m_index,
                                      int(m_index.size()) - 1, branch, bumon, 0, kind, layout, 1,
                                      0, 0);
    }
    TBALANCE& row(int r) { return m_rows[std::size_t(r)]; }
    int lineRow(int position) { return GokeiRowTable[std::size_t(position)]; }
    std::string codeOf(int r)
    {
        for (const auto& e : m_index)
            if (e.Row == r)
                return e.Code;
        return "(none)";
    }
    // KCODE -> index code of the account rows filled.
    std::map<std::string, std::string> accounts()
    {
        std::map<std::string, std::string> out;
        for (int r = FirstKamokuRow; r < int(m_rows.size()); ++r)
            if (!row(r).Kamoku.KCODE.empty())
                out[row(r).Kamoku.KCODE] = codeOf(r);
        return out;
    }
    std::map<int, std::string> extraNames(const std::string& table)
    {
        std::map<int, std::string> out;
        firebird::Transaction t(m_db);
        t.start();
        firebird::Statement q(t, "SELECT REC, KNAME1 FROM " + table);
        auto c = q.open();
        while (c.fetch())
            out[c.getInt("REC")] = c.getString("KNAME1");
        c.close();
        t.commit();
        return out;
    }

    testsupport::TempDir m_dir;
    testsupport::MessageRecorder m_messages;
    firebird::Attachment m_db;
    firebird::Transaction m_snapshot{m_db, firebird::Isolation::Snapshot};
    firebird::Transaction m_standard{m_db};
    std::vector<TBALANCE> m_rows;
    std::vector<TQSORT> m_index;
};

TEST_F(SisanhyouLayouts, EachLayoutAndKindReadsItsProcedureWithItsCodes)
{
    struct Case {
        int layout;
        int kind;
        std::string branch;
        std::string bumon;
        std::map<std::string, std::string> expected;
    };
    const Case cases[] = {
        // Standard: group (5881 for 5300) and the user code fixed to 4 bytes; 9900 skipped.
        {0, 0, "", "", {{"K1", "111011  "}, {"K2", "58811234"}}},
        {0, 0, "", "D1", {{"K5", "114041  "}}},
        {0, 0, "", " ", {{"K1", "111011  "}, {"K2", "58811234"}}},
        {0, 1, "SG", "", {{"K4", "113031  "}}},
        {0, 2, "S1", "", {{"K3", "112021  "}}},
        {0, 3, "S1", "D1", {{"K6", "411051  "}}},
        {0, 4, "", "G1", {{"K6", "411051  "}}},
        {0, 5, "", "", {}},
        // A4 and A3: GROUPM2 and SUBREC.
        {1, 0, "", "", {{"K1", "111004"}, {"K7", "612005"}}},
        {1, 0, "", "D1", {{"K8", "613006"}}},
        {1, 4, "", "G1", {{"K7", "612005"}}},
        {2, 0, "", "", {{"K10", "211007"}}},
        {2, 2, "S1", "", {{"K11", "212008"}}},
        {3, 0, "", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " kind " << c.kind << " '"
                                        << c.branch << "' '" << c.bumon << "'");
        ASSERT_TRUE(load(c.layout, c.kind, c.branch, c.bumon));
        EXPECT_EQ(accounts(), c.expected);
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(SisanhyouLayouts, DepartmentGroupAddsEachDepartmentOnTheSameRows)
{
    ASSERT_TRUE(load(0, 4, "", "G1"));
    EXPECT_EQ(row(FirstKamokuRow).Credit[kPeriod1], yen(120));
    EXPECT_EQ(row(FirstKamokuRow).Net[kPeriod1], yen(120)); // credit nature
    ASSERT_TRUE(load(1, 4, "", "G1"));
    EXPECT_EQ(row(FirstKamokuRow).Debit[kPeriod1], yen(3));
    EXPECT_EQ(row(FirstKamokuRow).Balance[kPeriod1], yen(3));
}

TEST_F(SisanhyouLayouts, StandardLayoutReadsSubAccountsAndItsLineCodes)
{
    // A second load into the same arrays reads the same: the sub-accounts start from nothing.
    ASSERT_TRUE(load(0, 0));
    ASSERT_TRUE(load(0, 0));
    const auto& k1 = row(FirstKamokuRow);
    EXPECT_EQ(k1.Kamoku.KCODE, "K1");
    EXPECT_EQ(k1.KAISIZAN, yen(100));
    EXPECT_EQ(k1.Debit[kPeriod1], yen(10));
    EXPECT_EQ(k1.HojoCount, 2);
    ASSERT_EQ(k1.HojoUtiwake.size(), 2u);
    EXPECT_EQ(k1.HojoUtiwake[0].HCODE, "H1");
    EXPECT_EQ(k1.HojoUtiwake[0].HNAME, "本店");
    EXPECT_EQ(k1.HojoUtiwake[0].Opening, yen(60));
    EXPECT_EQ(k1.HojoUtiwake[0].Balance[kPeriod1], yen(70));
    EXPECT_EQ(k1.HojoUtiwake[1].HCODE, "H2");
    EXPECT_EQ(k1.HojoUtiwake[1].Balance[kPeriod1], yen(40));
    EXPECT_EQ(row(FirstKamokuRow + 1).Kamoku.KCODE, "K2"); // the sub-accounts take no row

    EXPECT_EQ(codeOf(lineRow(67)), kSisanhyouUnusedCode);
    EXPECT_EQ(codeOf(lineRow(69)), "5882");
    EXPECT_EQ(codeOf(lineRow(79)), kSisanhyouUnusedCode);
}

TEST_F(SisanhyouLayouts, A4AndA3ClearNamesThatOnlyRepeatTheirOneAccount)
{
    const std::map<int, std::string> untouched{{1, "ひとつ"}, {2, "独自名"}, {3, "甲"}, {4, "丙"}};
    const std::map<int, std::string> cleared{{1, ""}, {2, "独自名"}, {3, ""}, {4, "丙"}};
    ASSERT_TRUE(load(1, 0));
    EXPECT_EQ(extraNames("EXTERA4"), cleared);
    EXPECT_EQ(extraNames("EXTERA3"), untouched);
    ASSERT_TRUE(load(2, 0));
    EXPECT_EQ(extraNames("EXTERA3"), cleared);
}

TEST_F(SisanhyouLayouts, Kind20NamesTheCostLinesByTheirTotalNames)
{
    AccInf.TotalNames = {"原価合計", "材料費合計", "労務費合計", "経費合計"};
    AccInf.TotalName5 = "外注費合計";
    AccInf.GENKA_HWORD3 = "材料費";
    ASSERT_TRUE(load(4, 20));
    EXPECT_EQ(row(lineRow(71)).Kamoku.KNAME, "材料費合計");
    EXPECT_EQ(row(lineRow(73)).Kamoku.KNAME, "労務費合計");
    EXPECT_EQ(row(46).Kamoku.KNAME, "外注費合計");
    EXPECT_EQ(row(lineRow(75)).Kamoku.KNAME, "経費合計");
    EXPECT_EQ(codeOf(lineRow(52)), "3680");
    EXPECT_EQ(row(lineRow(52)).Kamoku.GROUPM1, "3680");
    EXPECT_EQ(row(lineRow(52)).Kamoku.BSPL, "B");
    EXPECT_NE(codeOf(lineRow(71)), "551/");
    EXPECT_NE(codeOf(lineRow(35)), "322/");
}

} // namespace
