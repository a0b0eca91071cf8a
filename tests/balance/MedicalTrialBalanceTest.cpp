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

TEST_F(MedicalSisanhyou, StandardLayoutKeepsSubAccountLines)
{
    // A bank account with two sub-accounts and a part that none carries (blank code), then an
    // account without sub-accounts.
    exec("INSERT INTO MB_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU, HOJCNT, HCODE, HNAME, "
         "KAISIZAN, KAR01, KAS01) VALUES (5, '1120', '1121', '120', 'K120', '普通預金', 'B', 1, 2, '', '', 1000, 300, 120)");
    exec("INSERT INTO MB_BALANCE (ORD, KCODE, HCODE, HNAME, KAISIZAN, KAR01, KAS01) "
         "VALUES (6, 'K120', '', '', 100, 50, 0)");
    exec("INSERT INTO MB_BALANCE (ORD, KCODE, HCODE, HNAME, KAISIZAN, KAR01, KAS01) "
         "VALUES (7, 'K120', 'H1', '東西銀行', 300, 0, 120)");
    exec("INSERT INTO MB_BALANCE (ORD, KCODE, HCODE, HNAME, KAISIZAN, KAR01, KAS01) "
         "VALUES (8, 'K120', 'H2', '南北銀行', 600, 250, 0)");
    exec("INSERT INTO MB_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU, KAISIZAN) "
         "VALUES (9, '1130', '1131', '130', 'K130', '定期預金', 'B', 1, 700)");

    // Read twice into the same arrays: the second load starts from no sub-accounts.
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(read(0, 0));
        ASSERT_EQ(row(65).Kamoku.KNAME, "普通預金");
        EXPECT_EQ(row(65).HojoCount, 2);
        EXPECT_EQ(row(66).Kamoku.KNAME, "定期預金"); // the sub-account lines take no rows
        EXPECT_EQ(row(67).Kamoku.KNAME, "");
        ASSERT_EQ(row(65).HojoUtiwake.size(), 3u) << pass;
        const auto& h = row(65).HojoUtiwake;
        EXPECT_EQ(h[0].HCODE, "");
        EXPECT_EQ(h[1].HCODE, "H1");
        EXPECT_EQ(h[1].HNAME, "東西銀行");
        EXPECT_EQ(h[2].HNAME, "南北銀行");
        // Debit-natured account: net = debit - credit, running from the opening.
        EXPECT_EQ(h[0].Balance[33], yen(150));
        EXPECT_EQ(h[1].Net[33], yen(-120));
        EXPECT_EQ(h[1].Balance[33], yen(180));
        EXPECT_EQ(h[2].Opening, yen(600));
        EXPECT_EQ(h[2].Balance[48], yen(850));
        EXPECT_TRUE(row(66).HojoUtiwake.empty());
    }
    EXPECT_EQ(calls(), (std::vector<std::string>{"SP_SISANHYO(,5,0)", "SP_SISANHYO(,5,0)"}));

    // Period sums: the account closes at 1000 + 300 - 120 = 1180; its sub-accounts at 150, 180
    // and 850, that is 12.7 %, 15.3 % and 72.0 % of it (tenths of a percent rounded).
    pcKikanZandakaCalcu(m_rows, high(), 0, -1, 1, 16, 0);
    EXPECT_EQ(row(65).RangeClosing, yen(1180));
    const auto& h = row(65).HojoUtiwake;
    EXPECT_EQ(h[0].RangeOpening, yen(100));
    EXPECT_EQ(h[0].RangeDebit, yen(50));
    EXPECT_EQ(h[1].RangeCredit, yen(120));
    EXPECT_EQ(h[0].RangeClosing, yen(150));
    EXPECT_EQ(h[1].RangeClosing, yen(180));
    EXPECT_EQ(h[2].RangeClosing, yen(850));
    EXPECT_EQ(h[0].CompositionRatio, 127 * platform::kCurrencyUnit / 10);
    EXPECT_EQ(h[1].CompositionRatio, 153 * platform::kCurrencyUnit / 10);
    EXPECT_EQ(h[2].CompositionRatio, 720 * platform::kCurrencyUnit / 10);
    // Periods 2..16 only: the first period moves into the opening; with zeroStart the opening is 0.
    pcKikanZandakaCalcu(m_rows, high(), 1, -1, 2, 16, 0);
    EXPECT_EQ(h[1].RangeOpening, yen(-120));
    EXPECT_EQ(h[1].RangeCredit, 0);
    EXPECT_EQ(h[1].RangeClosing, yen(-120));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(MedicalSisanhyou, DepartmentGroupAddsEveryDepartmentsOpeningToo)
{
    exec("INSERT INTO MB_BALANCE (ORD, GROUPM1, GROUPM2, USERCODE, KCODE, KNAME, BSPL, TAISHAKU, HOJCNT, HCODE, HNAME, "
         "KAISIZAN, KAR01, KAS01) VALUES (5, '1120', '1121', '120', 'K120', '普通預金', 'B', 1, 1, '', '', 600, 250, 0)");
    exec("INSERT INTO MB_BALANCE (ORD, KCODE, HCODE, HNAME, KAISIZAN, KAR01, KAS01) "
         "VALUES (6, 'K120', 'H2', '南北銀行', 600, 250, 0)");
    // Departments B1 and B3 of group BG belong to M1; each call returns the same accounts.
    ASSERT_TRUE(read(0, 4, "M1", "BG"));
    EXPECT_EQ(calls().size(), 2u);
    // Cash: openings 1000 + 1000, debits 500 + 500, credits 200 + 200.
    EXPECT_EQ(row(61).KAISIZAN, yen(2000));
    EXPECT_EQ(row(61).Balance[33], yen(2600));
    ASSERT_EQ(row(65).HojoUtiwake.size(), 1u);
    EXPECT_EQ(row(65).HojoUtiwake[0].Opening, yen(1200));
    EXPECT_EQ(row(65).HojoUtiwake[0].Balance[33], yen(1700));
    EXPECT_EQ(row(65).Balance[33], yen(1700));
}

TEST_F(MedicalSisanhyou, FacilityColumnsGetTheirTotalLines)
{
    // A credit-natured asset (an allowance) is taken off its line: opening 100, credit 40.
    exec("INSERT INTO MB_BALANCE (ORD, GROUPM1, GROUPM2, GROUPM3, USERCODE, KCODE, KNAME, BSPL, TAISHAKU, "
         "KAISIZAN, KAR01, KAS01) VALUES (5, '1150', '1151', '1150', '150', 'K150', '貸倒引当金', 'B', 2, 100, 0, 40)");

    // Layout 3 sums no columns.
    ASSERT_TRUE(read(3, 0));
    EXPECT_EQ(row(11).Balance[33], 0);

    ASSERT_TRUE(read(4, 0));
    EXPECT_TRUE(m_messages.boxes().empty());
    // Columns 32 (the opening slot), 33 and 48 of the accounts, by hand:
    //   cash 1110 (1): net 1000 | 300 | 0,  balance 1000 | 1300 | 1300 → line 1 (1180)
    //   allowance 1150 (2): net 100 | 40 | 0, balance 100 | 140 | 140 → line 1, subtracted
    //   capital 3110 (3): net 1300 | 0 | 0, balance 1300 | 1300 | 1300 → line 17 (3180)
    //   revenue 4110 (3): net 0 | 800 | 0,  balance 0 | 800 | 800 → line 26 (4180)
    //   salaries 6110 (1): net 0 | 300 | 0, balance 0 | 300 | 300 → line 39 (6780)
    // Line 1 = cash - allowance; 11 = 5 = 2 = 1; 19 = 11 - 17; 24 = 23 = 15 + 16 + 17 + 21 + 22
    // with 21 = 19, so 24 = 11; 32 = 26; 41 = 39; 42 = 45 = 48 = 49 = 50 = 53 = 32 - 41; 54 = 0.
    struct Case {
        int line;
        long long net32, net33, net48, bal32, bal33, bal48;
    };
    const Case cases[] = {
        {1, 900, 260, 0, 900, 1160, 1160},
        {2, 900, 260, 0, 900, 1160, 1160},
        {11, 900, 260, 0, 900, 1160, 1160},
        {17, 1300, 0, 0, 1300, 1300, 1300},
        {19, -400, 260, 0, -400, -140, -140},
        {21, -400, 260, 0, -400, -140, -140},
        {24, 900, 260, 0, 900, 1160, 1160},
        {26, 0, 800, 0, 0, 800, 800},
        {32, 0, 800, 0, 0, 800, 800},
        {39, 0, 300, 0, 0, 300, 300},
        {41, 0, 300, 0, 0, 300, 300},
        {42, 0, 500, 0, 0, 500, 500},
        {49, 0, 500, 0, 0, 500, 500},
        {53, 0, 500, 0, 0, 500, 500},
        {54, 0, 0, 0, 0, 0, 0},
        {9, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto& r = row(c.line);
        EXPECT_EQ(r.Net[32], yen(c.net32)) << c.line;
        EXPECT_EQ(r.Net[33], yen(c.net33)) << c.line;
        EXPECT_EQ(r.Net[48], yen(c.net48)) << c.line;
        EXPECT_EQ(r.Balance[32], yen(c.bal32)) << c.line;
        EXPECT_EQ(r.Balance[33], yen(c.bal33)) << c.line;
        EXPECT_EQ(r.Balance[48], yen(c.bal48)) << c.line;
    }
    // Slots outside the 17 columns stay empty; the accounts keep their own amounts.
    EXPECT_EQ(row(11).Balance[49], 0);
    EXPECT_EQ(row(11).Balance[31], 0);
    EXPECT_EQ(row(61).Balance[33], yen(1300));
}
