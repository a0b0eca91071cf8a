// The statement loaders' asset lists over the company fixture's assets 1-9
// (tests/fixtures/company/32-asset-rows.sql; figures in AssetTableFixture.cpp).
#include "export/BlueReturnStatements.h"

#include "accounting/LayoutTables.h"
#include "balance/TrialBalance.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

constexpr platform::Currency yen(long long amount)
{
    return amount * platform::kCurrencyUnit;
}

class KojinKessansyo : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        testsupport::FixtureDb::copyTo("company", m_dir / "dwacc.fdb");
        m_db.connect(testsupport::morabyParams((m_dir / "dwacc.fdb").string()));
        exec({"DELETE FROM KS_SISAN WHERE REC > 9"});
        // Database errors are logged here.
        platform::paths::mapDrive('D', m_dir.path());
        SystemDef.LogFolder = "D:\\";
        AccInf.DATATYPE = 2;
        AccInf.CODETYPE = 1;
        AccInf.KAISINO = 1;
        AccInf.KISHU = platform::encodeDate(2024, 1, 1);
        AccInf.KIMATU = platform::encodeDate(2024, 12, 31);
        AccInf.SIME = 99;
        pcSisanhyouSetup(0);
        setSisanhyouTransactions(m_snapshot, m_tx);
    }
    void TearDown() override
    {
        clearSisanhyouTransactions();
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }
    void exec(std::initializer_list<std::string> statements)
    {
        firebird::Transaction t(m_db);
        t.start();
        for (const auto& sql : statements)
            firebird::Statement(t, sql).execute();
        t.commit();
    }
    void copyAsset2(int from, int count)
    {
        for (int n = from; n < from + count; ++n) {
            const std::string k = std::to_string(100 + n);
            exec({"INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, "
                  "SYUTOKIN, KISYUMISYOUKIN, TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, "
                  "JIGYOUWARIAI_NEW, SYOUKINKEI, MATUMISYOUKIN) SELECT " + k + ", '" + k +
                  "', 'コピー', SURYO, GSHOUHOU, SYUTODATE, SYUTOKIN, KISYUMISYOUKIN, TAIYOUYY, "
                  "SYOUKIKANSTR, SYOUKIKANEND, JIGYOUWARIAI_NEW, SYOUKINKEI, MATUMISYOUKIN "
                  "FROM KS_SISAN WHERE REC = 2"});
        }
    }

    testsupport::TempDir m_dir;
    testsupport::MessageRecorder m_messages;
    firebird::Attachment m_db;
    firebird::Transaction m_tx{m_db};
    firebird::Transaction m_snapshot{m_db, firebird::Isolation::Snapshot};
};

std::vector<std::string> namesOf(const TGenkaSyokyakuRecArray& list)
{
    std::vector<std::string> names;
    for (const auto& r : list)
        names.push_back(r.MEISYOU);
    return names;
}

} // namespace

TEST_F(KojinKessansyo, GeneralStatementGathersBothListsAndItsTable)
{
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_FALSE(m_tx.inTransaction());
    EXPECT_EQ(namesOf(io.GenkaList()), (std::vector<std::string>{"営業車", "複合機", "ノートPC",
                                                                 "店舗内装", "レジスター", "陳列棚"}));
    // The small asset of an earlier year is in neither list.
    EXPECT_EQ(namesOf(io.SmallList()), (std::vector<std::string>{"椅子", "電話機"}));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.GenkaOverFlag, 0);
    EXPECT_EQ(k.GenkaSyougakuFlag, 1);
    EXPECT_EQ(k.GenkaSyokyaku[5].MEISYOU, "陳列棚");
    EXPECT_EQ(k.GenkaSyokyaku[5].TEIRITU200, 1); // the general statement keeps the 200% flag
    const auto& summary = k.GenkaSyokyaku[6];
    EXPECT_EQ(summary.MEISYOU, "椅子");
    EXPECT_EQ(summary.GoukeiFlag, 1);
    EXPECT_EQ(summary.GSHOUHOU, 5);
    EXPECT_EQ(summary.SYUTOKIN, yen(151001));
    EXPECT_EQ(summary.HitsuyoKeihi, yen(150505));
    EXPECT_EQ(summary.TEKIYO, "措法28の2");
    EXPECT_EQ(summary.SYUTODATE, AccInf.KIMATU);
    EXPECT_EQ(k.GenkaSyokyaku[7].MEISYOU, "");
    // Totals: 65,536 + 100,000 + 18,750 + 9,999 + 80,000 + 15,000 of depreciation; the
    // necessary expenses with the small assets' 150,000 + 505.
    const auto& total = k.GenkaSyokyaku[11];
    EXPECT_EQ(total.FUTUSYOUKIN, yen(289285));
    EXPECT_EQ(total.HitsuyoKeihi, yen(65536 + 50000 + 18750 + 9999 + 80000 + 15000 + 150505));
    EXPECT_EQ(total.MATUMISYOUKIN, yen(196608 + 400000 + 281250 + 30001 + 80000 + 45000));
    // The trial balance was loaded and summed for the statement.
    EXPECT_EQ(io.Zandaka().size(), 500u);
    EXPECT_EQ(io.Zandaka()[FirstKamokuRow].RangeClosing, yen(130000));
}

TEST_F(KojinKessansyo, OverflowPutsTheSummaryIntoTheAssetList)
{
    copyAsset2(1, 5); // 11 assets and small assets: 12 rows do not fit 11
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.GenkaOverFlag, 1);
    EXPECT_EQ(k.GenkaSyokyaku[0].MEISYOU, "別紙参照");
    EXPECT_EQ(k.GenkaSyokyaku[1].MEISYOU, "");
    ASSERT_EQ(io.GenkaList().size(), 12u);
    EXPECT_EQ(io.GenkaList().back().GoukeiFlag, 1);
    EXPECT_EQ(io.GenkaList().back().MEISYOU, "椅子");

    // Real estate has 12 rows: the same assets fit, with the transitional fields of each.
    TFudosanKessansyoIO fudosan(m_tx);
    ASSERT_TRUE(fudosan.LoadKessansyo(0));
    EXPECT_EQ(fudosan.Kessansyo.GenkaOverFlag, 0);
    EXPECT_EQ(fudosan.Kessansyo.GenkaSyokyaku[11].GoukeiFlag, 1);
    EXPECT_EQ(fudosan.GenkaList().size(), 11u);
    EXPECT_EQ(fudosan.GenkaList()[5].TEIRITU200, 1);
    copyAsset2(6, 1);
    ASSERT_TRUE(fudosan.LoadKessansyo(0));
    EXPECT_EQ(fudosan.Kessansyo.GenkaOverFlag, 1);

    TNougyouKessansyoIO nougyou(m_tx);
    ASSERT_TRUE(nougyou.LoadKessansyo(0));
    EXPECT_EQ(nougyou.Kessansyo.GenkaOverFlag, 1);
    EXPECT_EQ(nougyou.GenkaList().size(), 13u);
    EXPECT_EQ(nougyou.GenkaList()[5].TEIRITU200, 1);
}

TEST_F(KojinKessansyo, RowsTheCountsLeaveOutStillFitTheLists)
{
    // A small asset dated after the period end and an asset without method: neither is counted.
    exec({"UPDATE KS_SISAN SET SYUTODATE = '2025-01-10' WHERE REC = 8",
          "UPDATE KS_SISAN SET GSHOUHOU = NULL WHERE REC = 3"});
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_EQ(io.GenkaList().size(), 6u);
    EXPECT_EQ(io.GenkaList()[2].GSHOUHOU, 0);
    EXPECT_EQ(namesOf(io.SmallList()), (std::vector<std::string>{"椅子", "電話機"}));
    EXPECT_EQ(io.Kessansyo.GenkaSyougakuFlag, 1);
    EXPECT_EQ(io.Kessansyo.GenkaSyokyaku[6].SYUTOKIN, yen(151001)); // the sum includes it
}

TEST_F(KojinKessansyo, OrderIsByKanriThenRec)
{
    // The management number is text: "10" comes before "9", "A-1" after both, an empty number
    // first; equal numbers go by REC.
    const struct {
        int rec;
        const char* kanri;
        const char* name;
    } assets[] = {{5, "2", "A"}, {9, "1", "B"}, {3, "1", "C"}, {4, "9", "D"},
                  {2, "10", "E"}, {8, "A-1", "F"}, {7, "", "G"}};
    exec({"DELETE FROM KS_SISAN"});
    for (const auto& a : assets)
        exec({"INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, GSHOUHOU, SYUTODATE, SYUTOKIN, TAIYOUYY, "
              "SYOUKIKANSTR, SYOUKIKANEND, JIGYOUWARIAI_NEW) VALUES (" + std::to_string(a.rec) + ", '" +
              a.kanri + "', '" + a.name + "', 1, '2020-01-01', 100000, 5, 1, 12, 100)"});
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_EQ(namesOf(io.GenkaList()), (std::vector<std::string>{"G", "C", "B", "E", "A", "D", "F"}));
    EXPECT_EQ(io.GenkaList()[3].KANRI, "10");
    EXPECT_EQ(io.GenkaList()[6].KANRI, "A-1");
    EXPECT_EQ(io.Kessansyo.GenkaSyougakuFlag, 0);
}

TEST_F(KojinKessansyo, NoAssetsGiveEmptyListsAndZeroTotals)
{
    exec({"DELETE FROM KS_SISAN"});
    TNougyouKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_TRUE(io.GenkaList().empty());
    EXPECT_TRUE(io.SmallList().empty());
    EXPECT_EQ(io.Kessansyo.GenkaOverFlag, 0);
    EXPECT_EQ(io.Kessansyo.GenkaSyougakuFlag, 0);
    EXPECT_EQ(io.Kessansyo.GenkaSyokyaku[11].HitsuyoKeihi, 0);
}

TEST_F(KojinKessansyo, ReadFailuresAreReportedOnlyWhenTheLoaderStartedTheTransaction)
{
    exec({"DROP TABLE KS_SISAN"});
    m_messages.answerDefaults();
    TIppanKessansyoIO io(m_tx);
    EXPECT_FALSE(io.LoadKessansyo(0));
    // A database error goes to the error handler: logged with the loader's context, and shown.
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].kind, "error");
    EXPECT_EQ(m_messages.boxes()[0].text.rfind("青色申告決算書レコードの取得に失敗しました。", 0), 0u);
    EXPECT_NE(platform::text::fromCp932(testsupport::readFile(m_dir / "ErrFbAccess.txt"))
                  .find("Error=TKojinKessansyoIO.SelectIppan ["),
              std::string::npos);
    EXPECT_FALSE(m_tx.inTransaction());

    m_messages.clear();
    m_tx.start();
    EXPECT_FALSE(io.LoadKessansyo(0));
    EXPECT_TRUE(m_messages.boxes().empty());
    m_tx.rollback();

    // A trial balance that cannot be read stops the load with an error.
    exec({"DROP PROCEDURE SP_SISANHYO_KESSAN"});
    EXPECT_THROW(io.LoadKessansyo(0), std::runtime_error);
}

TEST_F(KojinKessansyo, GeneralStatementLinesFromTheTrialBalance)
{
    // The fixture trial balance (tests/fixtures/company/34-balance-rows.sql), its expense
    // account 消耗品費 as a plain 6100 account (master record below 98).
    exec({"UPDATE KESSAN_BALANCE SET MSTREC = 5 WHERE KNAME = '消耗品費'"});
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.Sisan[0].Name, "現金");
    EXPECT_EQ(k.Sisan[0].Kisyu, yen(100000));
    EXPECT_EQ(k.Sisan[0].Kimatu, yen(130000));
    EXPECT_EQ(k.Sisan[9].Kimatu, yen(-10000)); // the allowance, a credit-natured asset row
    EXPECT_EQ(k.Fusai[0].Kimatu, yen(90000));
    EXPECT_EQ(k.Fusai[19].Kimatu, yen(510000));
    // Sales of period 1 and of period 4 (month 3 with the settlement period), purchases.
    EXPECT_EQ(k.Tukibetu[0].Uriage, yen(300000));
    EXPECT_EQ(k.Tukibetu[2].Uriage, yen(200000));
    EXPECT_EQ(k.Tukibetu[0].Siire, yen(100000));
    EXPECT_EQ(k.Tukibetu[14].Uriage, yen(500000));
    // Expense group 6100 line 5 goes to line 12.
    EXPECT_EQ(k.Soneki[11].Name, "消耗品費");
    EXPECT_EQ(k.Soneki[11].Kingaku, yen(30000));
    // 500,000 - 100,000 - 30,000; the deduction takes all of it under the 650,000 scheme.
    EXPECT_EQ(k.Soneki[42].Kingaku, yen(370000));
    EXPECT_EQ(k.Soneki[43].Kingaku, yen(370000));
    EXPECT_EQ(k.Soneki[44].Kingaku, 0);
    EXPECT_EQ(k.Koujo65, yen(370000));
    EXPECT_EQ(k.Sisan[24].Kimatu, yen(620000));
    EXPECT_EQ(k.Fusai[23].Kimatu, yen(370000));
    EXPECT_EQ(k.Fusai[24].Kisyu, yen(590000));
    EXPECT_EQ(k.Fusai[24].Kimatu, yen(970000));
}

TEST_F(KojinKessansyo, RealEstateAndAgricultureLinesFromTheTrialBalance)
{
    // Sales 500,000 (group 4100 line 1); expenses 30,000 (group 6100 line 5, a master record
    // below 98); purchases have no line on these statements.
    exec({"UPDATE KESSAN_BALANCE SET MSTREC = 5 WHERE KNAME = '消耗品費'"});
    TFudosanKessansyoIO fudosan(m_tx);
    ASSERT_TRUE(fudosan.LoadKessansyo(0));
    const auto& f = fudosan.Kessansyo;
    EXPECT_EQ(f.Soneki[0].Kingaku, yen(500000));
    EXPECT_EQ(f.Soneki[8].Name, "消耗品費");
    EXPECT_EQ(f.Soneki[18].Kingaku, yen(470000));
    EXPECT_EQ(f.Soneki[21].Kingaku, yen(470000)); // within the 650,000 deduction
    EXPECT_EQ(f.Soneki[22].Kingaku, 0);
    EXPECT_EQ(f.Fusai[23].Kimatu, yen(470000));
    EXPECT_EQ(f.Sisan[24].Kimatu, yen(620000));

    TNougyouKessansyoIO nougyou(m_tx);
    ASSERT_TRUE(nougyou.LoadKessansyo(0));
    const auto& n = nougyou.Kessansyo;
    EXPECT_EQ(n.Soneki[0].Kingaku, yen(500000));
    EXPECT_EQ(n.Soneki[11].Kingaku, yen(30000));
    EXPECT_EQ(n.Soneki[35].Kingaku, yen(470000));
    EXPECT_EQ(n.Soneki[45].Kingaku, yen(470000));
    EXPECT_EQ(n.Soneki[46].Kingaku, yen(470000));
    EXPECT_EQ(n.Soneki[47].Kingaku, 0);
    EXPECT_EQ(n.Fusai[23].Kimatu, yen(470000));
}

// The general statement's own tables (tests/fixtures/company/36-statement-rows.sql).
TEST_F(KojinKessansyo, GeneralStatementReadsItsOwnTables)
{
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.Texts[16], "東京都千代田区");
    EXPECT_EQ(k.Texts[20], "03-1111-2222");
    EXPECT_EQ(k.HizukeFlag, 1);
    EXPECT_EQ(k.Hizuke, platform::encodeDate(2025, 3, 10));
    EXPECT_EQ(k.KURIIRE3, yen(67901)); // 1,234,567 x 5.5 %, cut to yen
    EXPECT_EQ(k.KURIIRE5, yen(13000));

    struct Wage {
        const char* name;
        std::string simei;
        std::int32_t tukisuu;
        platform::Currency goukei, gensen;
    };
    const Wage wages[] = {
        {"employee 1", k.Kyuyo[0].SIMEI, k.Kyuyo[0].TUKISUU, k.Kyuyo[0].GOUKEI, k.Kyuyo[0].GENSEN},
        {"employee 2", k.Kyuyo[1].SIMEI, k.Kyuyo[1].TUKISUU, k.Kyuyo[1].GOUKEI, k.Kyuyo[1].GENSEN},
        {"employees", k.Kyuyo[6].SIMEI, k.Kyuyo[6].TUKISUU, k.Kyuyo[6].GOUKEI, k.Kyuyo[6].GENSEN},
        {"family", k.Senjyusya[0].SIMEI, k.Senjyusya[0].TUKISUU, k.Senjyusya[0].GOUKEI,
         k.Senjyusya[0].GENSEN},
        {"family total", k.Senjyusya[5].SIMEI, k.Senjyusya[5].TUKISUU, k.Senjyusya[5].GOUKEI,
         k.Senjyusya[5].GENSEN},
    };
    const Wage expected[] = {
        {"employee 1", "鈴木一郎", 12, yen(2700000), yen(50000)},
        {"employee 2", "佐藤次郎", 6, yen(1200000), yen(20000)},
        {"employees", "", 18, yen(3900000), yen(70000)},
        {"family", "山田春子", 12, yen(1900000), yen(30000)},
        {"family total", "", 12, yen(1900000), yen(30000)},
    };
    for (std::size_t n = 0; n < std::size(wages); ++n) {
        SCOPED_TRACE(expected[n].name);
        EXPECT_EQ(wages[n].simei, expected[n].simei);
        EXPECT_EQ(wages[n].tukisuu, expected[n].tukisuu);
        EXPECT_EQ(wages[n].goukei, expected[n].goukei);
        EXPECT_EQ(wages[n].gensen, expected[n].gensen);
    }
    EXPECT_EQ(k.Senjyusya[0].TUZUKIGARA, "妻");
    EXPECT_EQ(k.Risi[0].SIHARAISAKI1, "第一銀行");
    EXPECT_EQ(k.Risi[0].RISI, yen(120000));
    EXPECT_EQ(k.Tidai[0].BUKKEN2, "駅前");
    EXPECT_EQ(k.Tidai[0].TINRYOU, yen(960000));
    EXPECT_EQ(k.Housyu[0].GENSEN, yen(30630));
    // Notes 1 and 2; REC 6 lies beyond the five notes and ends the read.
    EXPECT_EQ(k.Note[0], "本年中の特殊事情");
    EXPECT_EQ(k.Note[1], "店舗改装");
    EXPECT_EQ(k.Note[4], "");
    // Without hand entry the extra lines only name their rows.
    EXPECT_EQ(k.Sisan[2].REC, 501);
    EXPECT_EQ(k.Soneki[8].REC, 502);
    EXPECT_NE(k.Sisan[2].Kimatu, yen(250000));
}

TEST_F(KojinKessansyo, GeneralStatementHandEnteredAmountsInModeZero)
{
    exec({"UPDATE AO_SINKOKU SET TEGAKI = 1, GYOUSHUKUBUN = 1, HIZUKE = NULL"});
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.HizukeFlag, 0);
    EXPECT_EQ(k.KURIIRE3, yen(40740)); // 1,234,567 x 3.3 %
    EXPECT_EQ(k.Tukibetu[0].Uriage, yen(1000000));
    EXPECT_EQ(k.Tukibetu[0].Siire, yen(400000));
    EXPECT_EQ(k.Tukibetu[12].Uriage, yen(50000));
    EXPECT_EQ(k.Sisan[2].Kisyu, yen(200000));
    EXPECT_EQ(k.Sisan[2].Kimatu, yen(250000));
    EXPECT_EQ(k.Soneki[8].Kingaku, yen(77000));

    // Mode 1 keeps the trial balance's amounts.
    TIppanKessansyoIO other(m_tx);
    ASSERT_TRUE(other.LoadKessansyo(1));
    EXPECT_EQ(other.Kessansyo.Sisan[2].REC, 501);
    EXPECT_NE(other.Kessansyo.Sisan[2].Kimatu, yen(250000));
}

TEST_F(KojinKessansyo, RealEstateStatementReadsItsOwnTables)
{
    AccInf.CODETYPE = 2;
    pcSisanhyouSetup(0);
    TFudosanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.Texts[18], "税理士");
    EXPECT_EQ(k.FudosanOverFlag, 0);
    ASSERT_EQ(io.Fudousan.size(), 2u);
    // By NUMBER; the location cut into pieces of 22 bytes (11 double-byte characters).
    EXPECT_EQ(k.Fudosan[0].NUMBER, 1);
    EXPECT_EQ(k.Fudosan[0].SHOZAITI1, "東京都千代田区一番町二");
    EXPECT_EQ(k.Fudosan[0].SHOZAITI2, "丁目三番地四号五六七八");
    EXPECT_EQ(k.Fudosan[0].TINSYAKU1, "株式会社大家商事");
    EXPECT_EQ(k.Fudosan[0].TINSYAKU2, "");
    EXPECT_EQ(k.Fudosan[1].YOUTO, "貸家");
    EXPECT_EQ(k.Fudosan[15].NENGAKU, yen(3360000));
    EXPECT_EQ(k.Fudosan[15].SIKIKIN, yen(560000));
    EXPECT_EQ(k.Kyuyo[0].SIMEI, "鈴木一郎");
    EXPECT_EQ(k.Kyuyo[2].GOUKEI, yen(3900000));
    EXPECT_EQ(k.Senjyusya[0].GOUKEI, yen(1900000));
    EXPECT_EQ(k.Risi[0].RISI, yen(120000));
    EXPECT_EQ(k.Tidai[0].TINRYOU, yen(960000));
    EXPECT_EQ(k.Housyu[0].HOUSHU, yen(300000));
    // Thirty notes: REC 6 is read here.
    EXPECT_EQ(k.Note[5], "読まれない注記");
    EXPECT_EQ(k.Sisan[2].REC, 501);
    EXPECT_EQ(k.Soneki[5].REC, 502); // group 6100, line 2 + 4

    // Sixteen properties go to a separate sheet; the totals line still sums them all.
    for (int n = 3; n <= 16; ++n)
        exec({"INSERT INTO AO_FUDOUSAN (REC, NUMBER, NENGAKU) VALUES (" + std::to_string(n)
              + ", " + std::to_string(n) + ", 1000)"});
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_EQ(io.Kessansyo.FudosanOverFlag, 1);
    EXPECT_EQ(io.Kessansyo.Fudosan[0].SHOZAITI1, kSeparateSheet);
    EXPECT_EQ(io.Kessansyo.Fudosan[0].NUMBER, 0);
    EXPECT_EQ(io.Kessansyo.Fudosan[15].NENGAKU, yen(3360000 + 14 * 1000));
}

TEST_F(KojinKessansyo, AgricultureStatementReadsItsOwnTables)
{
    exec({"UPDATE AO_SINKOKU SET GYOUSHUKUBUN = 1, KURIIRE2 = 1000000"});
    AccInf.CODETYPE = 4;
    pcSisanhyouSetup(0);
    TNougyouKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    const auto& k = io.Kessansyo;
    EXPECT_EQ(k.Texts[16], "東京都千代田区");
    EXPECT_EQ(k.Tahata[0].KUBUN1, "米");
    EXPECT_EQ(k.Tahata[1].HANBAIGAKU, yen(200000));
    // The crop-totals row gives its area only; its amounts are the crops' sums.
    EXPECT_EQ(k.Nousankei.MENSEKI, yen(150));
    EXPECT_EQ(k.Nousankei.SYUUKAKURYO, 0);
    EXPECT_EQ(k.Nousankei.HANBAIGAKU, yen(1000000));
    EXPECT_EQ(k.Nousankei.KIMATU_KINGAKU, yen(10000));
    EXPECT_EQ(k.SyunyuTotal.HANBAIGAKU, yen(1300000));
    EXPECT_EQ(k.SyunyuTotal.KAJISYOHIGAKU, yen(40000));
    EXPECT_EQ(k.Zassyu[3].KINGAKU, yen(100000));
    EXPECT_EQ(k.Hanbai[0].KIMATU_TANI, "t");
    EXPECT_EQ(k.Syubyou[0].KUBUN, "種もみ");
    EXPECT_EQ(k.TanaorosiTotal.KISHU_KINGAKU, yen(11000));
    EXPECT_EQ(k.Yatoinin[0].SIKYU_GOKEI, yen(170000));
    EXPECT_EQ(k.Yatoinin[4].NISUU, 20);
    EXPECT_EQ(k.Senjyusya[0].SIMEI, "山田春子");
    EXPECT_EQ(k.Senjyusya[4].GOUKEI, yen(1900000));
    EXPECT_EQ(k.Ikusei[0].IKUSEI_SYOKEI, yen(35000));
    EXPECT_EQ(k.Ikusei[0].YOKUNENKURIKOSIGAKU, yen(130000));
    EXPECT_EQ(k.Ikusei[2].ZENNENKURIKOSIGAKU, yen(100000));
    EXPECT_EQ(k.Keisan[0], "個別法");
    EXPECT_EQ(k.Chinsyaku[0].SHIHARAIGAKU, yen(50000));
    EXPECT_EQ(k.Risi[0].RISI, yen(120000));
    EXPECT_EQ(k.Housyu[0].GENSEN, yen(30630));
    // Ten notes: REC 6 is read, REC 11 ends the read.
    EXPECT_EQ(k.Note[5], "読まれない注記");
    // 5.5 % on this form even with the 3.3 % selector.
    EXPECT_EQ(k.KURIIRE3, yen(55000));
    EXPECT_EQ(k.Sisan[2].REC, 501);
    EXPECT_EQ(k.Soneki[8].REC, 502); // group 6100, line 2 + 7
}

TEST_F(KojinKessansyo, UndatedStatementTakesTheLocalCalendarDate)
{
    exec({"UPDATE AO_SINKOKU SET HIZUKE = NULL"});
    // Fourteen hours east and twelve west of UTC: at any instant at least one of the two local
    // dates differs from the UTC date. TDateTime day 25569 is 1970-01-01.
    const char* const oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    const struct {
        const char* tz;
        long offsetSeconds;
    } zones[] = {{"XXA-14", 14 * 3600}, {"XXB+12", -12 * 3600}};
    for (const auto& z : zones) {
        SCOPED_TRACE(z.tz);
        ::setenv("TZ", z.tz, 1);
        ::tzset();
        for (int attempt = 0; attempt < 2; ++attempt) {
            const std::time_t before = std::time(nullptr);
            TIppanKessansyoIO io(m_tx);
            ASSERT_TRUE(io.LoadKessansyo(0));
            const std::time_t after = std::time(nullptr);
            const auto day = [&](std::time_t t) {
                return double(25569 + (std::int64_t(t) + z.offsetSeconds) / 86400);
            };
            if (day(before) != day(after))
                continue; // local midnight passed during the load
            EXPECT_EQ(io.Kessansyo.HizukeFlag, 0);
            EXPECT_EQ(io.Kessansyo.Hizuke, day(before));
            break;
        }
    }
    if (oldTz)
        ::setenv("TZ", savedTz.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST_F(KojinKessansyo, AnAccountTheGroupCorrectionMovesLeavesItsOldLine)
{
    // 消耗品費 has master record 99: in code system 1 it is a 7200 row, so the 6100 expense
    // line 12 does not take it.
    TIppanKessansyoIO io(m_tx);
    ASSERT_TRUE(io.LoadKessansyo(0));
    EXPECT_NE(io.Kessansyo.Soneki[11].Name, "消耗品費");
    EXPECT_EQ(io.Kessansyo.Soneki[11].Kingaku, 0);
}
