#include "DataModuleFixture.h"

#include "accounting/LayoutTables.h"
#include "records/DbHelpers.h"
#include "records/TextProtection.h"
#include "support/TcpRelay.h"

#include <functional>
#include <set>

using platform::encodeDate;

namespace {

class CompanySettings : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        accounting::resetLayoutTables();
        ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    }
    void TearDown() override
    {
        accounting::resetLayoutTables();
        DataModuleFixture::TearDown();
    }

    // Runs statements on the company database, each in its own committed transaction.
    void exec(std::initializer_list<std::string> sqls)
    {
        for (const std::string& sql : sqls) {
            firebird::Transaction tr(m_dm->IBDatabaseDAT);
            tr.start();
            firebird::Statement st(tr, sql);
            st.execute();
            tr.commit();
        }
    }
};

// The company database on the loopback server, reached through a relay that can cut the link.
class CompanySettingsServer : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        testsupport::ensureServer();
    }
};

} // namespace

TEST_F(CompanySettings, ReadsTheFixtureCompany)
{
    exec({"INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('1110', '現金')",
          "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('1110', '100', '現金')",
          "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('3310', '元入金')",
          "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('3310', '900', '元入金')",
          "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('9990', '999', '不明')",
          "INSERT INTO TUSIN_ID (REC, HOLDER, PASWORD) VALUES (1, 'holder1', 'pw1')",
          "UPDATE ACCDEF1 SET FUMEI_KCODE = '9990', SDAI_HASUU1 = 2, TAXU_HASUU = 1, "
          "TAXH_HASUU = 2, SDAI_HASUU2 = 1, SDAI_HASUU3 = 2, CALCU = 1, TAXDEFUH = 3, "
          "KURIKOSI1 = 1, KURIKOSI2 = 2, KESSAN_KIKAN = 4, CASHFLOW_KIKAN1 = 5, "
          "CASHFLOW_KIKAN2 = 6, GENKA_HWORD6 = '外注', WEB_HOLDER = 'web0', PASWORD = 'pw0'",
          "UPDATE ACCTOTALNAME SET PLUSNAME = 'N' || KGROUP"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_TRUE(m_messages.boxes().empty());

    const TACCINF& a = AccInf;
    EXPECT_EQ(a.SHOUGOU, "テスト商店");
    EXPECT_EQ(a.DATATYPE, 2);
    EXPECT_EQ(a.DataTypeName, "個人");
    EXPECT_EQ(a.CodeTypeName, "一般");
    EXPECT_FALSE(a.IsMedical);
    EXPECT_EQ(a.NENDO, 2024);
    EXPECT_EQ(a.KISHU, encodeDate(2024, 1, 1));
    EXPECT_EQ(a.KIMATU, encodeDate(2024, 12, 31));
    EXPECT_EQ(a.SIME, 99);
    EXPECT_EQ(a.KaisiMonthIndex, 0);
    EXPECT_EQ(a.KimatuKikanNo, 15);
    EXPECT_EQ(a.KaisiMonthDiff, 0);
    EXPECT_EQ(a.KimatuMonthDiff, 11);
    EXPECT_EQ(a.SDAI_HASUU1, 2);
    EXPECT_EQ(a.TAXU_HASUU, 1);
    EXPECT_EQ(a.TAXH_HASUU, 2);
    EXPECT_EQ(a.SDAI_HASUU2, 1);
    EXPECT_EQ(a.CALCU, 1);
    // Columns of newer databases, read when present.
    EXPECT_EQ(a.SDAI_HASUU3, 2);
    EXPECT_EQ(a.TaxDefUH2, 3);
    EXPECT_EQ(a.KURIKOSI1, 1);
    EXPECT_EQ(a.KURIKOSI2, 2);
    EXPECT_EQ(a.KESSAN_KIKAN, 4);
    EXPECT_EQ(a.CASHFLOW_KIKAN1, 5);
    EXPECT_EQ(a.CASHFLOW_KIKAN2, 6);
    EXPECT_EQ(a.GENKA_HWORD6, "外注");
    EXPECT_EQ(a.TusinHolders[0], "web0");
    EXPECT_EQ(a.TusinPasswords[0], "pw0");
    EXPECT_EQ(a.TotalNames, (std::array<std::string, 4>{"N5880", "N5580", "N5680", "N5780"}));
    EXPECT_EQ(a.TotalName5, "N5688");
    EXPECT_EQ(a.NEW_TAX_RATE3, 100000);
    EXPECT_EQ(a.YearFirstDays, (std::array{encodeDate(2024, 1, 1), encodeDate(2023, 1, 1),
                                           encodeDate(2022, 1, 1)}));
    EXPECT_EQ(a.YearLastDays, (std::array{encodeDate(2024, 12, 31), encodeDate(2023, 12, 31),
                                          encodeDate(2022, 12, 31)}));
    EXPECT_EQ(a.SysKCodes[SysCodeCash], "1110");
    EXPECT_EQ(a.SysUserCodes[SysCodeCash], "100");
    EXPECT_EQ(a.SysKCodes[SysCodeCapital], "3310");
    EXPECT_EQ(a.SysUserCodes[SysCodeCapital], "900");
    EXPECT_EQ(a.SysKCodes[SysCodeSundry], "");
    EXPECT_EQ(a.FumeiUserCode, "999");
    EXPECT_EQ(a.TusinHolders[1], "holder1");
    EXPECT_EQ(a.TusinPasswords[1], "pw1");
    EXPECT_EQ(a.SysCodesLoaded, 1);
    EXPECT_EQ(a.VerMajor, 8);
    EXPECT_EQ(a.KobetuGenkaName, "個別原価");
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT,
                       "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='個別原価別名'"),
              "個別原価"); // a missing typed setting is stored with its default
    EXPECT_EQ(GokeiRowTable[80], 36); // general layout
    EXPECT_EQ(SikinguriKamokuList.size(), 39u);
    EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction());
}

TEST_F(CompanySettings, EachDataKindAndCodeSystem)
{
    // Every system account exists; the account code is the name's position in this list.
    const char* const accounts[] = {"現金", "仮払消費税", "仮受消費税", "諸口", "繰越利益剰余金",
                                    "事業主貸", "事業主借", "元入金", "給料", "賞与",
                                    "賞与引当金繰入額", "退職給付費用", "前期繰越利益",
                                    "受取手形", "割引手形", "裏書手形"};
    for (std::size_t i = 0; i < std::size(accounts); ++i) {
        const std::string k = "'K" + std::to_string(i) + "'";
        exec({"INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES (" + k + ", '" + accounts[i] + "')",
              "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES (" + k + ", 'U"
                  + std::to_string(i) + "', '" + accounts[i] + "')"});
    }
    using Codes = std::array<std::string, SysCodeCount>;
    const Codes common = {"K0", "K1", "K2", "K3", "K4", "", "", "", "", "", "", ""};
    const Codes owner = {"K0", "K1", "K2", "K3", "K4", "K5", "K6", "K7", "", "", "", ""};
    const Codes medicalSystem = {"K0", "K1", "K2", "K3", "K12", "", "", "", "K8", "K9", "K10", "K11"};
    const std::array<std::string, 3> bills = {"K13", "K14", "K15"};
    const struct {
        int dataType, codeType;
        const char* kind;
        const char* code;
        bool medical;
        const Codes& sysCodes;
        bool hasBills;
    } cases[] = {
        {1, 1, "法人", "", false, common, true},
        {3, 1, "医療法人", "", true, medicalSystem, false}, // and back to the general system
        {2, 1, "個人", "一般", false, owner, false},
        {2, 2, "個人", "不動産", false, owner, false},
        {2, 3, "個人", "クリニック", false, owner, false},
        {2, 4, "個人", "農業", false, owner, false},
    };
    for (const auto& c : cases) {
        exec({"UPDATE ACCDEF1 SET DATATYPE = " + std::to_string(c.dataType)
              + ", CODETYPE = " + std::to_string(c.codeType)});
        AccInf = TACCINF{}; // the read fills only the accounts of the company's kind
        ASSERT_TRUE(m_dm->fnGetAccInfo()) << c.dataType << "/" << c.codeType;
        EXPECT_EQ(AccInf.DataTypeName, c.kind);
        EXPECT_EQ(AccInf.CodeTypeName, c.code);
        EXPECT_EQ(AccInf.IsMedical, c.medical);
        EXPECT_EQ(AccInf.SysKCodes, c.sysCodes) << c.dataType << "/" << c.codeType;
        for (std::size_t i = 0; i < SysCodeCount; ++i) {
            const std::string& k = c.sysCodes[i];
            EXPECT_EQ(AccInf.SysUserCodes[i], k.empty() ? "" : "U" + k.substr(1)) << i;
        }
        EXPECT_EQ(AccInf.TegataKCodes, c.hasBills ? bills : (std::array<std::string, 3>{}));
        EXPECT_EQ(AccInf.TegataUserCodes[2], c.hasBills ? "U15" : "");
        EXPECT_EQ(GokeiRowTable[107], c.medical ? 48 : 0);
        EXPECT_EQ(KamokuGroupTable[81], c.medical ? "8300" : "8290");
        EXPECT_EQ(SikinguriKamokuList.size(), c.medical ? 38u : 39u);
        std::string withKind;
        m_dm->GetCodeTypeName(c.dataType, c.codeType, true, withKind);
        EXPECT_EQ(withKind, *c.code ? std::string(c.kind) + "／" + c.code : std::string(c.kind));
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanySettings, RefusedKindsAndMissingRowFail)
{
    const struct { const char* sql; const char* detail; } cases[] = {
        {"UPDATE ACCDEF1 SET DATATYPE = 1, CODETYPE = 2",
         "このプログラムでは、該当のコードタイプを処理することが出来ません。(CodeType=2)"},
        {"UPDATE ACCDEF1 SET DATATYPE = 4, CODETYPE = 1",
         "このプログラムでは、該当のデータタイプを処理することが出来ません。(DataType=4)"},
        {"DELETE FROM ACCDEF1", "基本設定(ACCDEF1)のレコードが見つかりませんでした。"},
    };
    for (const auto& c : cases) {
        m_messages.clear();
        exec({c.sql});
        EXPECT_FALSE(m_dm->fnGetAccInfo()) << c.sql;
        ASSERT_EQ(m_messages.boxes().size(), 1u) << c.sql;
        EXPECT_NE(m_messages.boxes()[0].text.find("基本情報の取得に失敗しました。"), std::string::npos);
        EXPECT_NE(m_messages.boxes()[0].text.find(c.detail), std::string::npos)
            << m_messages.boxes()[0].text;
        EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction()); // committed after the failure
    }
}

TEST_F(CompanySettings, OlderDatabaseWithoutOptionalColumns)
{
    exec({"ALTER TABLE ACCDEF1 DROP KURIKOSI1, DROP KURIKOSI2, DROP SDAI_HASUU3, DROP KESSAN_KIKAN",
          "UPDATE ACCDEF1 SET TAXDEFUH = 3", "DROP TABLE TUSIN_ID"});
    AccInf.KESSAN_KIKAN = 7;
    AccInf.SDAI_HASUU3 = 5;
    AccInf.TusinHolders[1] = "kept";
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(AccInf.TusinHolders[1], "kept"); // no TUSIN_ID table to read
    EXPECT_EQ(AccInf.KURIKOSI1, 3);
    EXPECT_EQ(AccInf.KURIKOSI2, 3);
    EXPECT_EQ(AccInf.TaxDefUH2, 3);
    EXPECT_EQ(AccInf.SDAI_HASUU3, 0);
    EXPECT_EQ(AccInf.KESSAN_KIKAN, 7); // left as it was
}

TEST_F(CompanySettings, PreviousYearsWithoutTheirStartDates)
{
    exec({"UPDATE ACCDEF1 SET ZKISHU = NULL, ZZKISHU = NULL, KISHU = '2024-04-01', "
          "KIMATU = '2025-03-31', KAISI = '2024-07-01', KAISINO = 4, SIME = 99"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.YearFirstDays, (std::array{encodeDate(2024, 4, 1), encodeDate(2023, 4, 1),
                                                encodeDate(2022, 4, 1)}));
    EXPECT_EQ(AccInf.YearLastDays, (std::array{encodeDate(2025, 3, 31), encodeDate(2024, 3, 31),
                                               encodeDate(2023, 3, 31)}));
    EXPECT_EQ(AccInf.YearStartDays, (std::array{encodeDate(2024, 7, 1), encodeDate(2023, 4, 1),
                                                encodeDate(2022, 4, 1)}));
    EXPECT_EQ(AccInf.KaisiMonthIndex, 4);
    EXPECT_EQ(AccInf.KimatuMonthDiff, 11);
    EXPECT_EQ(AccInf.KimatuKikanNo, 15);
    EXPECT_EQ(AccInf.KaisiMonthDiff, 3);

    // Closing day 20: the year runs from 03-21 to 03-20.
    exec({"UPDATE ACCDEF1 SET KISHU = '2024-03-21', KIMATU = '2025-03-20', "
          "KAISI = '2024-06-21', SIME = 20"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.KimatuMonthDiff, 11);
    EXPECT_EQ(AccInf.KimatuKikanNo, 15);
    EXPECT_EQ(AccInf.KaisiMonthDiff, 3);
    EXPECT_EQ(AccInf.YearFirstDays[1], encodeDate(2023, 3, 21));
    EXPECT_EQ(AccInf.YearLastDays[1], encodeDate(2024, 3, 20));
}

TEST_F(CompanySettings, DataPasswordByVersion)
{
    TEasyEncodeInfo info;
    InitEasyEncodeInfo(info);
    info.TotalLength = 8;
    info.RestoreCount = 8;
    info.Key = "tuvesko";
    info.ClearText = "pass1234";
    EasyEncode(info);
    PutAccReg("基本設定", "データパスワード", "文字", records::Variant::fromText("　old　"));

    exec({"UPDATE ACCVERSION SET MAJOR = 6"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.VerMajor, 6);
    EXPECT_EQ(AccInf.DataPassword, "old");

    exec({"UPDATE ACCVERSION SET MAJOR = 7"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.DataPassword, ""); // the V2 setting is empty

    exec({"UPDATE ACCREG SET ATEXT = '" + info.EncodedText
          + "' WHERE ACODE = 'データパスワードV2'"});
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.DataPassword, "pass1234");
}

TEST_F(CompanySettings, TypedSettingsAreCreatedThenRead)
{
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    // The first read stores every missing setting with its type and default.
    std::set<std::string> rows;
    {
        firebird::Transaction tr(m_dm->IBDatabaseDAT);
        tr.start();
        firebird::Statement st(tr, "SELECT AGROUP, ACODE, ATYPE, ATEXT FROM ACCREG");
        for (firebird::Cursor c = st.open(); c.fetch();)
            rows.insert(c.getString(0) + "/" + c.getString(1) + "/" + c.getString(2) + "/"
                        + c.getString(3));
    }
    EXPECT_EQ(rows, (std::set<std::string>{
                        "基本設定/過去明細取り込み/整数/0",
                        "基本設定/合算データ区分/整数/0",
                        "基本設定/合算データ数/整数/0",
                        "基本設定/一括税抜処理/整数/0",
                        "基本設定/科目コード桁数/整数/0",
                        "基本設定/補助コード桁数/整数/0",
                        "基本設定/部門コード桁数/整数/0",
                        "減価償却設定/250%定率法で償却する経過措置/整数/0",
                        "減価償却設定/200%定率法で償却する経過措置/整数/0",
                        "基本設定/印刷用期間使用区分/整数/0",
                        "基本設定/印刷用期間（期首）/日付/0",
                        "基本設定/印刷用期間（期末）/日付/0",
                        "基本設定/個別原価使用区分/整数/0",
                        "基本設定/個別原価別名/文字/個別原価",
                        "基本設定/個別原価コード桁数/整数/0",
                        "基本設定/＃USE/整数/0",
                        "基本設定/＃KEY/文字/",
                        "基本設定/＃VALUE/文字/",
                        "基本設定/データパスワード/文字/",
                        "基本設定/データパスワードV2/文字/",
                    }));
    EXPECT_EQ(AccInf.MyNumberKey, "");
    EXPECT_EQ(AccInf.PrintKishu, 0);

    std::string key, value;
    ProtectText("key1", kEasyEncodeKey, 8, key);
    ProtectText("value12", kEasyEncodeKey, 7, value);
    ASSERT_FALSE(key.empty());
    const std::pair<const char*, std::string> stored[] = {
        {"過去明細取り込み", "1"},    {"合算データ区分", "2"},   {"合算データ数", "3"},
        {"一括税抜処理", "1"},        {"科目コード桁数", "5"},   {"補助コード桁数", "4"},
        {"部門コード桁数", "3"},      {"印刷用期間使用区分", "1"},
        {"印刷用期間（期首）", "2024/04/01"}, {"印刷用期間（期末）", "not a date"},
        {"個別原価使用区分", "1"},    {"個別原価別名", "工事"},  {"個別原価コード桁数", "6"},
        {"＃USE", "1"},               {"＃KEY", key},            {"＃VALUE", value},
    };
    for (const auto& [code, text] : stored)
        PutAccReg("基本設定", code, "文字", records::Variant::fromText(text));
    AccInf.PrintKimatu = 9;
    AccInf.IkkatuZeinuki = 9;
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    const TACCINF& a = AccInf;
    EXPECT_EQ(a.KakoMeisai, 1);
    EXPECT_EQ(a.GassanKubun, 2);
    EXPECT_EQ(a.GassanCount, 3);
    EXPECT_EQ(a.IkkatuZeinuki, 0); // read, never kept
    EXPECT_EQ(a.KamokuCodeLen, 5);
    EXPECT_EQ(a.HojoCodeLen, 4);
    EXPECT_EQ(a.BumonCodeLen, 3);
    EXPECT_EQ(a.PrintKikanUse, 1);
    EXPECT_EQ(a.PrintKishu, encodeDate(2024, 4, 1));
    EXPECT_EQ(a.PrintKimatu, 0);
    EXPECT_EQ(a.KobetuGenkaUse, 1);
    EXPECT_EQ(a.KobetuGenkaName, "工事");
    EXPECT_EQ(a.KobetuGenkaCodeLen, 6);
    EXPECT_EQ(a.MyNumberUse, 1);
    EXPECT_EQ(a.MyNumberKey, "key1");
    EXPECT_EQ(a.MyNumberValue, "value12");
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanySettings, DataBaseVersionReadsRowOne)
{
    exec({"INSERT INTO ACCVERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (2, 9, 1, 2)"});
    std::string version;
    m_dm->fnGetDataBaseVer(version);
    EXPECT_EQ(version, "8.0.0");
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    EXPECT_EQ(AccInf.VerMajor, 9); // the newest row
    EXPECT_EQ(AccInf.VerMinor2, 2);
    exec({"DELETE FROM ACCVERSION"});
    m_dm->fnGetDataBaseVer(version);
    EXPECT_EQ(version, "0.0.0");
    EXPECT_EQ(m_dm->fnGetZeiKeisanKubun(5), 5);
    EXPECT_EQ(m_dm->fnGetTaxDefUH(-2), -2);
}

TEST_F(CompanySettings, DatabaseErrorIsReportedAndCommits)
{
    exec({"DROP TABLE ACCVERSION"});
    EXPECT_FALSE(m_dm->fnGetAccInfo());
    ASSERT_FALSE(m_messages.boxes().empty());
    EXPECT_NE(m_messages.boxes()[0].text.find("基本情報の取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction());
    // What was read before the failure stays, and the typed settings it created were committed.
    EXPECT_EQ(AccInf.NENDO, 2024);
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT,
                       "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='個別原価別名'"),
              "個別原価");
}

TEST_F(CompanySettingsServer, ALostLinkWhileReadingReopensTheDatabases)
{
    // The total name is read inside the settings read, whose transaction is already running.
    const struct {
        const char* name;
        bool inTransaction;
        std::function<void(TDM&)> read;
    } cases[] = {
        {"version", false, [](TDM& dm) {
             std::string version = "x";
             dm.fnGetDataBaseVer(version);
             EXPECT_EQ(version, "0.0.0");
         }},
        {"total name", true, [](TDM& dm) {
             std::string name = "kept";
             dm.fnGetAccTotalName("5880", "PLUSNAME", name);
             EXPECT_EQ(name, "kept");
         }},
    };
    for (const auto& c : cases) {
        testsupport::TcpRelay relay;
        ConnectMode = 1;
        SystemDef.HostName = "localhost/" + std::to_string(relay.port());
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1)) << c.name;
        ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0)) << c.name;
        if (c.inTransaction)
            m_dm->IBTransactionDAT.start();
        relay.cutConnections();
        c.read(*m_dm);
        EXPECT_TRUE(m_messages.boxes().empty()) << c.name; // a lost link shows nothing
        ASSERT_EQ(relay.linksOpened(), 4) << c.name;      // both databases opened again
        EXPECT_TRUE(m_dm->IBDatabaseDAT.connected()) << c.name;
        EXPECT_FALSE(DbFatalFlag) << c.name;
        m_dm->fnAccDatDisconnected("", 0, 0);
        m_dm->IBDatabaseDEF.disconnect();
    }
}
