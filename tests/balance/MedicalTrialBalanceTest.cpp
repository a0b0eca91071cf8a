// The medical-corporation trial balance on the medical company fixture
// (tests/fixtures/company-medical): which procedure each layout and scope calls, the total lines
// and index entries, the fund naming and the period sums, worked out by hand below.
#include "balance/MedicalTrialBalance.h"
#include "balance/TrialBalance.h"

#include "accounting/LayoutTables.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

constexpr platform::Currency yen(long long amount)
{
    return amount * platform::kCurrencyUnit;
}

class MedicalSisanhyou : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::FixtureDb::copyTo("company-medical", m_dir / "dwacc.fdb");
        m_db.connect(testsupport::morabyParams((m_dir / "dwacc.fdb").string()));
        AccInf = TACCINF{};
        AccInf.DATATYPE = 3;
        AccInf.CODETYPE = 1;
        AccInf.IsMedical = true;
        AccInf.KAISINO = 1;
        SystemDef = TSystemDef{};
        pcSisanhyouSetup(1);
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

    bool read(int layout, int scope, const std::string& scode = "", const std::string& bcode = "",
              int jigyou = 0)
    {
        return pcSisanhyouReadMedical(m_rows, high(), m_index, high(), scode, bcode, 5, scope,
                                      layout, 1, 7, jigyou);
    }
    int high() const { return int(m_rows.size()) - 1; }
    TBALANCE& row(int r) { return m_rows[std::size_t(r)]; }
    std::string codeOfRow(int r)
    {
        for (const auto& e : m_index)
            if (e.Row == r)
                return e.Code;
        return "?";
    }
    void exec(const std::string& sql)
    {
        firebird::Transaction t(m_db);
        t.start();
        firebird::Statement(t, sql).execute();
        t.commit();
    }
    std::vector<std::string> calls()
    {
        std::vector<std::string> out;
        firebird::Transaction t(m_db);
        t.start();
        firebird::Statement q(t, "SELECT PNAME, ARGS FROM MB_CALL_LOG ORDER BY SEQ");
        auto c = q.open();
        while (c.fetch())
            out.push_back(c.getString("PNAME") + "(" + c.getString("ARGS") + ")");
        c.close();
        t.commit();
        exec("DELETE FROM MB_CALL_LOG");
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

} // namespace

TEST_F(MedicalSisanhyou, EntryPointReadsTheSummedFacilityComparison)
{
    ASSERT_EQ(fnSisanhyouMaxRow(), 700);
    ASSERT_TRUE(pcSisanhyouRead(m_rows, high(), m_index, high(), 1, 5, 0, 0));
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(calls(), std::vector<std::string>{"SP_SISETUHIKAKU_SISANHYO(,,5,0,0)"});
    EXPECT_FALSE(m_snapshot.inTransaction());

    // Accounts from row 61 with the comparison group GROUPM3.
    EXPECT_EQ(row(60).Kamoku.KNAME, "");
    EXPECT_EQ(row(61).Kamoku.KNAME, "現金");
    EXPECT_EQ(row(61).Kamoku.GROUPM1, "1110");
    EXPECT_EQ(row(61).KAISIZAN, yen(1000));
    EXPECT_EQ(row(61).Balance[33], yen(1300));
    EXPECT_EQ(row(64).Kamoku.KNAME, "給与費");
    EXPECT_EQ(row(65).Kamoku.KNAME, "");
    EXPECT_EQ(codeOfRow(61), "111001");
    EXPECT_EQ(row(62).Kamoku.KNAME, "資本金"); // the fund setting defaults to "無"

    // Facilities of divisions 1 and 8 only: entries 26 (8) and 31 (1) are shown, 28 and 30
    // not; two of them are shown, so 32 is too. Keskubun 2 hides entry 1.
    EXPECT_EQ(codeOfRow(26), "4180");
    EXPECT_EQ(codeOfRow(31), "4480");
    EXPECT_EQ(codeOfRow(32), "4500");
    EXPECT_EQ(codeOfRow(28), kSisanhyouUnusedCode);
    EXPECT_EQ(codeOfRow(30), kSisanhyouUnusedCode);
    EXPECT_EQ(codeOfRow(1), kSisanhyouUnusedCode);
    // Whole-company names: 医業 → 事業 and 臨時 → 特別 except on 4180; 4480 renamed.
    EXPECT_EQ(row(26).Kamoku.KNAME, "医業収益合計");
    EXPECT_EQ(row(30).Kamoku.KNAME, "特別事業収益合計");
    EXPECT_EQ(row(31).Kamoku.KNAME, "その他事業収益合計");
    EXPECT_EQ(row(24).Kamoku.KNAME, "負債純資産の部合計");
    EXPECT_EQ(row(22).Kamoku.KNAME, "純資産の部合計");
    EXPECT_EQ(row(32).Kamoku.GROUPM1, "4800");
    EXPECT_EQ(row(32).Kamoku.GroupText3, "4800");
    EXPECT_EQ(row(18).Kamoku.GROUPM1, "3460");
    EXPECT_EQ(row(39).Kamoku.GROUPM1, "6780");

    // The sort keeps entries 1.. in code order, unused ones last.
    for (int i = 2; i < high(); ++i)
        ASSERT_LE(m_index[std::size_t(i - 1)].Code, m_index[std::size_t(i)].Code) << i;
}

TEST_F(MedicalSisanhyou, EveryLayoutAndScopeCallsItsProcedure)
{
    struct Case {
        int layout, scope;
        const char* scode;
        const char* bcode;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0, 0, "", "", {"SP_SISANHYO(,5,0)"}},
        {0, 0, "", "B1", {"SP_SISANHYO_BUMONGOKEI(5,B1,0)"}},
        {0, 1, "", "", {"SP_SISANHYO(,5,2)"}},
        {0, 1, "", "B1", {"SP_SISANHYO_BUMONGOKEI(5,B1,2)"}},
        {0, 2, "M1", "", {"SP_SISANHYO_SISETU(M1,5)"}},
        {0, 3, "M1", "B1", {"SP_SISANHYO_BUMON(M1,B1,5,7)"}},
        {0, 4, "M1", "BG", {"SP_SISANHYO_BUMON(M1,B1,5,7)", "SP_SISANHYO_BUMON(M1,B3,5,7)"}},
        {0, 5, "SG", "", {"SP_SISANHYO_GROUP(SG,5)"}},
        {1, 1, "", "", {"SP_SISANHYO_A4(,5,2)"}},
        {1, 1, "", "B1", {"SP_SISANHYO_JIGYOBETUBUMON_A4(5,B1,2)"}},
        {1, 2, "M1", "", {"SP_SISANHYO_A4(M1,5,0)"}},
        {1, 3, "M1", "B1", {"SP_SISANHYO_BUMON_A4(M1,B1,5,7)"}},
        {1, 4, "M1", "BG", {"SP_SISANHYO_BUMON_A4(M1,B1,5,7)", "SP_SISANHYO_BUMON_A4(M1,B3,5,7)"}},
        {2, 1, "", "", {"SP_SISANHYO_A3(,5,2)"}},
        {2, 1, "", "B1", {"SP_SISANHYO_JIGYOBETUBUMON_A3(5,B1,2)"}},
        {2, 2, "M1", "", {"SP_SISANHYO_A3(M1,5,0)"}},
        {2, 3, "M1", "B1", {"SP_SISANHYO_BUMON_A3(M1,B1,5,7)"}},
        {2, 4, "M1", "BG", {"SP_SISANHYO_BUMON_A3(M1,B1,5,7)", "SP_SISANHYO_BUMON_A3(M1,B3,5,7)"}},
        {3, 0, "", "", {"SP_SISETUHIKAKU_SISANHYO(,,5,0,0)"}},
        {3, 0, "", "B1", {"SP_SISANHYO_BUMONGOKEI_KS(5,B1)"}},
        {3, 1, "", "", {"SP_SISETUHIKAKU_SISANHYO(,,5,2,0)"}},
        {3, 2, "M1", "", {"SP_SISETUHIKAKU_SISANHYO(M1,,5,0,0)"}},
        {3, 5, "SG", "", {"SP_SISETUHIKAKU_SISANHYO(,SG,5,0,0)"}},
        {4, 0, "", "", {"SP_SISETUHIKAKU_SISANHYO(,,5,0,0)"}},
        {4, 1, "SG", "", {"SP_SISETUHIKAKU_SISANHYO(,SG,5,2,1)"}},
        {4, 2, "M1", "", {"SP_SISETUHIKAKU_SISANHYO(M1,,5,0,1)"}},
        {4, 5, "SG", "", {"SP_SISETUHIKAKU_SISANHYO(,SG,5,0,1)"}},
        {0, 6, "M1", "", {}},
        {1, 0, "", "", {}},
        {3, 3, "M1", "B1", {}},
        {5, 0, "", "", {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(read(c.layout, c.scope, c.scode, c.bcode, 2)) << c.layout << "/" << c.scope;
        EXPECT_EQ(calls(), c.expected) << c.layout << "/" << c.scope;
        // Procedures that ran filled accounts from row 61 on.
        EXPECT_EQ(row(61).Kamoku.KNAME, c.expected.empty() ? "" : "現金") << c.layout << "/" << c.scope;
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(MedicalSisanhyou, CodesWithQuotesAreBoundNotPasted)
{
    exec("INSERT INTO SISETUMST (SCODE, SNAME, MB_JIGYOU) VALUES ('O''1', 'x', 4)");
    exec("INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G''X', 'B''9')");
    exec("INSERT INTO SISETUBUM (SCODE, BCODE) VALUES ('O''1', 'B''9')");
    firebird::Transaction t(m_db);
    t.start();
    EXPECT_EQ(fnSisetuJigyou(t, "O'1"), 4);
    EXPECT_EQ(fnSisetuJigyou(t, "M8"), 8);
    EXPECT_EQ(fnSisetuJigyou(t, "none"), 0);
    std::vector<std::string> list{"stale"};
    pcSisetuBumonList(t, list, "O'1", "G'X");
    EXPECT_EQ(list, std::vector<std::string>{"B'9"});
    pcSisetuBumonList(t, list, "M1", "BG");
    EXPECT_EQ(list, (std::vector<std::string>{"B1", "B3"}));
    t.commit();
}

TEST_F(MedicalSisanhyou, FundRenamesCapitalAndItsTotalLine)
{
    exec("INSERT INTO MSD_HOUKOKU (MDGROUP, MDCODE, MDTYPE, MDTEXT1) VALUES ('法人概要', '基金', '文字', '有')");
    ASSERT_TRUE(read(3, 0));
    EXPECT_EQ(row(62).Kamoku.KNAME, "基金");
    EXPECT_EQ(codeOfRow(62), "361001");
    EXPECT_EQ(row(17).Kamoku.KNAME, "基金合計");
    EXPECT_EQ(codeOfRow(17), "3680");
}

TEST_F(MedicalSisanhyou, MissingFundSettingIsStoredWithItsDefault)
{
    ASSERT_TRUE(read(3, 0));
    firebird::Transaction t(m_db);
    t.start();
    firebird::Statement q(t, "SELECT MDTYPE, MDTEXT1 FROM MSD_HOUKOKU WHERE MDGROUP='法人概要' AND MDCODE='基金'");
    auto c = q.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("MDTYPE"), "文字");
    EXPECT_EQ(c.getString("MDTEXT1"), "無");
}

TEST_F(MedicalSisanhyou, ProfitLineNamesFollowTheSign)
{
    EXPECT_EQ(fnMbGokeiName("6950", "x", yen(1), 1), "医業利益");
    EXPECT_EQ(fnMbGokeiName("6950", "x", yen(0), 1), "医業利益");
    EXPECT_EQ(fnMbGokeiName("6950", "x", yen(-1), 1), "医業損失");
    EXPECT_EQ(fnMbGokeiName("6950", "x", yen(-1), 0), "事業損失");
    // Division 255 matches only lines of every division bit (MB_JIGYOU 31 is not 255).
    EXPECT_EQ(fnMbGokeiName("6950", "x", yen(5), 255), "x");
    EXPECT_EQ(fnMbGokeiName("4180", "x", yen(-1), 1), "x"); // not a profit line
    EXPECT_EQ(fnMbGokeiName("7300", "y", yen(-1), 1), "y"); // a profit line without a row
    EXPECT_FALSE(m_standard.inTransaction());
}

TEST_F(MedicalSisanhyou, PeriodSumsAndTotalLines)
{
    ASSERT_TRUE(read(3, 0));
    pcKikanZandakaCalcu(m_rows, high(), 0, -1, 1, 16, 0);
    EXPECT_TRUE(m_messages.boxes().empty());
    // Accounts: cash 1000 + 500 - 200 = 1300; capital 1300; revenue 800; salaries 300.
    EXPECT_EQ(row(61).RangeClosing, yen(1300));
    EXPECT_EQ(row(63).RangeClosing, yen(800));
    // Lines in row order by group: 1110 → row 1 (1180); 3110 → row 17 (3180); 4110 → row 26
    // (4180); 6110 → row 41 (6900).
    EXPECT_EQ(row(1).RangeClosing, yen(1300));
    EXPECT_EQ(row(2).RangeClosing, yen(1300)); // += row 1
    EXPECT_EQ(row(5).RangeClosing, yen(1300)); // 2 + 3 + 4
    EXPECT_EQ(row(11).RangeClosing, yen(1300));
    EXPECT_EQ(row(17).RangeClosing, yen(1300));
    // Row 19 = 11 - (14 + 15 + 16 + 17 + 18 + 22) = 1300 - 1300 = 0.
    EXPECT_EQ(row(19).RangeClosing, 0);
    EXPECT_EQ(row(23).RangeClosing, yen(1300)); // 15 + 16 + 17 + 21 + 22
    EXPECT_EQ(row(24).RangeClosing, yen(1300));
    EXPECT_EQ(row(26).RangeClosing, yen(800));
    EXPECT_EQ(row(32).RangeClosing, yen(800));
    EXPECT_EQ(row(41).RangeClosing, yen(300));
    EXPECT_EQ(row(42).RangeClosing, yen(500)); // 32 - 41
    EXPECT_EQ(row(42).RangeCredit, yen(500));
    EXPECT_EQ(row(42).Kamoku.KNAME, "事業利益"); // division 0
    // Ratios: cash 1300 / 1300, capital 1300 / 1300, salaries 300 / 800 = 37.5 %.
    EXPECT_EQ(row(61).CompositionRatio, yen(100));
    EXPECT_EQ(row(62).CompositionRatio, yen(100));
    EXPECT_EQ(row(64).CompositionRatio, 375 * platform::kCurrencyUnit / 10);
}

TEST_F(MedicalSisanhyou, UnknownDivisionIsReportedAndSummedAsTheWhole)
{
    ASSERT_TRUE(read(3, 0));
    m_messages.answer(platform::IDOK);
    pcKikanZandakaCalcu(m_rows, high(), 0, -1, 1, 16, 3);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text, "事業区分の設定が必要です。\r"); // the comma box's line end
    EXPECT_EQ(m_messages.boxes()[0].kind, "error");
    EXPECT_EQ(row(42).RangeClosing, yen(500));
    EXPECT_EQ(row(42).Kamoku.KNAME, "事業利益");
}
