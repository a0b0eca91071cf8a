#include "DataModuleFixture.h"

#include "records/DbHelpers.h"
#include "support/TcpRelay.h"

#include <functional>

namespace {

class OperatorSettings : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    }

    void exec(firebird::Attachment& db, std::initializer_list<std::string> sqls)
    {
        for (const std::string& sql : sqls) {
            firebird::Transaction tr(db);
            tr.start();
            firebird::Statement st(tr, sql);
            st.execute();
            tr.commit();
        }
    }
    void execDef(std::initializer_list<std::string> sqls) { exec(m_dm->IBDatabaseDEF, sqls); }
    std::string def(const std::string& sql) { return queryOne(m_dm->IBDatabaseDEF, sql); }
    std::string sysReg(int opCode, const std::string& code)
    {
        return def("SELECT STEXT FROM SYSREG WHERE OPCODE=" + std::to_string(opCode)
                   + " AND SCODE='" + code + "'");
    }
};

} // namespace

TEST_F(OperatorSettings, NewOperatorGetsRowsWithDefaultsOnce)
{
    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(def("SELECT COUNT(*) FROM SYSDEF WHERE OPCODE=100000011"), "1");
    EXPECT_EQ(def("SELECT SANKAKUPLUS FROM SYSDEF"), "1");
    EXPECT_EQ(def("SELECT NETCOLOR1 FROM SYSDEF"), std::to_string(0xD7FFD7));
    EXPECT_EQ(def("SELECT DICTEKAUTO FROM SYSDEF"), "1");
    const std::string rows = def("SELECT COUNT(*) FROM SYSREG WHERE OPCODE=100000011");
    EXPECT_EQ(rows, "30");
    EXPECT_EQ(sysReg(100000011, "試算表タイトル"), "試　算　表");
    EXPECT_EQ(sysReg(100000011, "試算表ＢＳ改ページ区"), "1");
    // Shared by the whole group, under the group key.
    EXPECT_EQ(sysReg(10000 * 10000 + 9999, "データ破損チェック区"), "1");
    EXPECT_EQ(sysReg(100000011, "次項目移動区分"), "<no row>"); // read only for the partner's data

    const TSystemDef& d = SystemDef;
    EXPECT_EQ(d.ColHeaderColor, DefaultColors[DefaultColHeaderColor]);
    EXPECT_EQ(d.ColHeaderGradColor1, 0xFFFFFF);
    EXPECT_EQ(d.SisanTitle, "試　算　表");
    EXPECT_EQ(d.Sisan2Title, "２期比較試算表");
    EXPECT_EQ(d.BsTitles, (std::array<std::string, 3>{"資産・負債・純資産", "", "資産・負債・純資産"}));
    EXPECT_EQ(d.HanbaihiTitles, (std::array<std::string, 3>{"", "販売費・一般管理費", ""}));
    EXPECT_EQ(d.SwkDateFocus, 2);
    EXPECT_EQ(d.DataHasonCheck, 1);
    EXPECT_EQ(d.TaxCodePrint, 1);
    EXPECT_EQ(d.OfficeName, "テスト会計事務所");
    EXPECT_EQ(d.OfficeAddress, "東京都千代田区1-1");
    EXPECT_EQ(d.OfficeTel, "03-0000-0000");
    EXPECT_EQ(d.FullRights, 0);
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());

    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_EQ(def("SELECT COUNT(*) FROM SYSDEF"), "1");
    EXPECT_EQ(def("SELECT COUNT(*) FROM SYSREG WHERE OPCODE=100000011"), rows);
}

TEST_F(OperatorSettings, StoredValuesAndFlags)
{
    execDef({"INSERT INTO SYSDEF (OPCODE, FONTNAME, FONTSIZE, COLHEADERGRADCOLOR1, "
             "COLHEADERGRADCOLOR2, RESERVE2, RESERVE4, PANELCOLOR, SHOUHYOU) "
             "VALUES (100000011, 'NoSuchFont', 12, 0, 0, 2, 1 + 16 + 64 + 512, 4660, 5)",
             "INSERT INTO SYSREG VALUES (100000011, '消費税コード印刷区分', '整数', '0')",
             "INSERT INTO SYSREG VALUES (100000011, '試算表タイトル', '文字', '')",
             "UPDATE SYSTEMINI SET RESERVE1 = 1 WHERE REC = 20"});
    ASSERT_TRUE(m_dm->fnGetSysDef());
    const TSystemDef& d = SystemDef;
    EXPECT_EQ(d.FontSize, 12);
    EXPECT_EQ(d.PanelColor, 4660);
    EXPECT_EQ(d.ColHeaderGradColor1, 0xFFFFFF);
    EXPECT_EQ(d.ColHeaderGradColor2, 0xBBBBBB);
    EXPECT_EQ(d.Reserve2Flag1, 0);
    EXPECT_EQ(d.Reserve2Flag2, 1);
    EXPECT_EQ(d.Reserve4Flag1, 1);
    EXPECT_EQ(d.Reserve4Flag56, 1);
    EXPECT_EQ(d.MotoLastBalancePrint, 1); // bit 7 is the default of the setting it creates
    EXPECT_EQ(sysReg(100000011, "元帳最終行残高出力区"), "1");
    EXPECT_EQ(d.Reserve4Flag10, 1);        // era display
    EXPECT_EQ(d.TaxCodePrint, 1);          // forced without the partner's data
    EXPECT_EQ(d.SisanTitle, " ");          // an empty text reads as one blank
    EXPECT_EQ(d.FullRights, 1);
    EXPECT_TRUE(m_dm->fnIsKanrisya());
    EXPECT_TRUE(d.OperatorFont.Name.empty()); // not an installed font
}

TEST_F(OperatorSettings, TypedSettingConversions)
{
    execDef({"INSERT INTO SYSREG VALUES (7, 'a', '論理', 'true')",
             "INSERT INTO SYSREG VALUES (7, 'b', '論理', 'TRUE')",
             "INSERT INTO SYSREG VALUES (7, 'c', '整数', 'x1')",
             "INSERT INTO SYSREG VALUES (7, 'd', '日付', '2024/04/01')",
             "INSERT INTO SYSREG VALUES (7, 'e', '金額', '12.5')",
             "INSERT INTO SYSREG VALUES (7, 'f', '謎', 'x')"});
    records::Variant v;
    m_dm->funcGetSysReg("a", "論理", "FALSE", 7, v);
    EXPECT_FALSE(v.asBool()); // exactly "TRUE" only
    m_dm->funcGetSysReg("b", "論理", "FALSE", 7, v);
    EXPECT_TRUE(v.asBool());
    m_dm->funcGetSysReg("c", "整数", "0", 7, v);
    EXPECT_EQ(v.asInt(), 0);
    m_dm->funcGetSysReg("d", "日付", "", 7, v);
    EXPECT_EQ(v.asDate(), platform::encodeDate(2024, 4, 1));
    m_dm->funcGetSysReg("e", "金額", "0", 7, v);
    EXPECT_EQ(v.asCurrency(), 125000);
    m_dm->funcGetSysReg("f", "謎", "", 7, v);
    EXPECT_EQ(v.asText(), "Data Type Error");

    m_dm->funcPutSysReg("d", "日付", records::Variant::fromDate(platform::encodeDate(2025, 1, 2)), 7);
    EXPECT_EQ(sysReg(7, "d"), "2025/01/02");
    m_dm->funcPutSysReg("b", "論理", records::Variant::fromBool(false), 7);
    EXPECT_EQ(sysReg(7, "b"), "FALSE");
    // A setting never read is never created.
    m_dm->funcPutSysReg("never", "整数", records::Variant::fromInt(3), 7);
    EXPECT_EQ(sysReg(7, "never"), "<no row>");
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(OperatorSettings, ChangesAreWrittenBackAndShouhyouKept)
{
    ASSERT_TRUE(m_dm->fnGetSysDef());
    execDef({"UPDATE SYSDEF SET SHOUHYOU = 5"});
    SystemDef.PanelColor = 0x123456;
    SystemDef.FontName = "IPAGothic";
    SystemDef.Reserve4Flag10 = 1;
    SystemDef.Reserve4Flag56 = 2;
    SystemDef.SisanTitle = "試算";
    SystemDef.TaxCodePrint = 0;
    SystemDef.SisanRowAdjust = 1;
    SystemDef.DataHasonCheck = 0;
    ASSERT_TRUE(m_dm->fnPutSysDef());
    EXPECT_EQ(SystemDef.Reserve4, 512 + 32);
    EXPECT_EQ(def("SELECT SHOUHYOU FROM SYSDEF"), "5");
    EXPECT_EQ(def("SELECT RESERVE4 FROM SYSDEF"), "544");
    EXPECT_EQ(sysReg(100000011, "試算表タイトル"), "試算");
    // These two are never written back: they keep the default.
    EXPECT_EQ(sysReg(100000011, "試算表行数調整区分"), "0");
    EXPECT_EQ(sysReg(10000 * 10000 + 9999, "データ破損チェック区"), "1");

    records::resetProgramState();
    SystemDef.GroupId = 10000;
    SystemDef.LoginId = 100000011;
    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_EQ(SystemDef.PanelColor, 0x123456);
    EXPECT_EQ(SystemDef.Reserve4Flag10, 1);
    EXPECT_EQ(SystemDef.Reserve4Flag56, 2);
    EXPECT_EQ(SystemDef.SisanTitle, "試算");
    EXPECT_EQ(SystemDef.TaxCodePrint, 1);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(OperatorSettings, RightsAndFacilities)
{
    EXPECT_FALSE(m_dm->fnIsKanrisya());
    SystemDef.JobLevel = 9;
    EXPECT_TRUE(m_dm->fnIsKanrisya());
    SystemDef.JobLevel = 1;
    SystemDef.Jimusho = true;
    EXPECT_TRUE(m_dm->fnIsKanrisya());
    SystemDef.Jimusho = false;

    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    EXPECT_FALSE(m_dm->fnGetExistsOpeDefSisetu());
    exec(m_dm->IBDatabaseDAT, {"INSERT INTO OPDEFSISETU (OPCODE, SCODE) VALUES (100000011, '01')"});
    EXPECT_FALSE(m_dm->fnGetExistsOpeDefSisetu()); // no licence yet
    exec(m_dm->IBDatabaseDAT, {"INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '01')"});
    EXPECT_TRUE(m_dm->fnGetExistsOpeDefSisetu());
}

TEST_F(OperatorSettings, SystemIniRows)
{
    TSystemIniRec rec;
    rec.REC = 30;
    rec.SSTR = "kept";
    rec.RESERVE1 = 9;
    ASSERT_TRUE(m_dm->GetSysIni(rec));
    EXPECT_EQ(rec.RESERVE1, 0);
    EXPECT_EQ(rec.SSTR, "kept"); // no row: the text stays
    rec.RESERVE2 = 4;
    ASSERT_TRUE(m_dm->SetSysIni(rec)); // inserts
    rec.RESERVE2 = 6;
    ASSERT_TRUE(m_dm->SetSysIni(rec)); // updates
    TSystemIniRec back;
    back.REC = 30;
    ASSERT_TRUE(m_dm->GetSysIni(back));
    EXPECT_EQ(back.RESERVE2, 6);
    EXPECT_EQ(back.SSTR, "kept");
}

TEST_F(OperatorSettings, StyleColours)
{
    std::string text = "unchanged";
    m_dm->GetStyleColor(100000011, "標準", text);
    EXPECT_EQ(text, "unchanged");
    m_dm->PutStyleColor(100000011, "標準", "a=1");
    m_dm->PutStyleColor(100000011, "標準", "a=2");
    EXPECT_EQ(def("SELECT COUNT(*) FROM STYLECOLOR"), "1");
    EXPECT_EQ(def("SELECT LINECOLOR3 FROM STYLECOLOR"), "-1");
    m_dm->GetStyleColor(100000011, "標準", text);
    EXPECT_EQ(text, "a=2");
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());
}

TEST_F(OperatorSettings, DatabaseErrorIsReportedAndFails)
{
    execDef({"DROP TABLE SYSDEF"});
    EXPECT_FALSE(m_dm->fnGetSysDef());
    ASSERT_FALSE(m_messages.boxes().empty());
    EXPECT_NE(m_messages.boxes()[0].text.find("システム情報の取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());
    m_messages.clear();
    EXPECT_FALSE(m_dm->fnPutSysDef());
    ASSERT_FALSE(m_messages.boxes().empty());
    EXPECT_NE(m_messages.boxes()[0].text.find("システム情報の書き込みに失敗しました。"), std::string::npos);
}

TEST_F(OperatorSettings, PartnerDataDefaultsAndInstalledFont)
{
    LumeranDataFlag = 1;
    execDef({"INSERT INTO SYSREG VALUES (100000011, '消費税コード印刷区分', '整数', '0')"});
    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_EQ(def("SELECT DICSWITCH FROM SYSDEF"), "2");
    EXPECT_EQ(def("SELECT DICTORAUTO FROM SYSDEF"), "0");
    // The partner's three colours for a new operator.
    EXPECT_EQ(def("SELECT CLIENTCOLOR2 FROM SYSDEF"), std::to_string(0xF2FFEE));
    EXPECT_EQ(def("SELECT TOTALCOLOR FROM SYSDEF"), std::to_string(0xD6FFC8));
    EXPECT_EQ(def("SELECT ACTIVECOLOR FROM SYSDEF"), std::to_string(0x008000));
    const TSystemDef& d = SystemDef;
    EXPECT_EQ(d.NextItemMove, 1);
    EXPECT_EQ(d.BumonCodeLen, 1);
    EXPECT_EQ(d.SwkDateFocus, 1);
    EXPECT_EQ(d.RensouJokenKubun, 1);
    EXPECT_EQ(d.MotoLastBalancePrint, 1);
    EXPECT_EQ(d.MotoTitlePrint, 1);
    EXPECT_EQ(d.SisanBsPageBreak, 0);
    EXPECT_EQ(d.TaxCodePrint, 0); // kept for the partner's data
    EXPECT_EQ(sysReg(100000011, "次項目移動区分"), "1");

    execDef({"UPDATE SYSDEF SET FONTNAME = 'IPAGothic', FONTSIZE = 11, FONTSTYLE = 3, "
             "FONTCHARSET = 384"});
    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_EQ(d.OperatorFont.Name, "IPAGothic");
    EXPECT_EQ(d.OperatorFont.Size, 11);
    EXPECT_EQ(d.OperatorFont.Style, 3);
    EXPECT_EQ(d.OperatorFont.CharSet, 128); // the low byte
}

namespace {

// Client/server mode on the loopback server, through a relay that can cut the link.
class OperatorSettingsServer : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        testsupport::ensureServer();
        ConnectMode = 1;
        SystemDef.HostName = "localhost/" + std::to_string(m_relay.port());
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    }

    testsupport::TcpRelay m_relay;
};

} // namespace

// A link lost while a setting is read or written is logged, the system database is opened
// again, and the next attempt works instead of failing for the rest of the session.
TEST_F(OperatorSettingsServer, ALostLinkReopensTheSystemDatabase)
{
    ASSERT_TRUE(m_dm->fnGetSysDef());
    struct Case {
        const char* context;
        std::function<bool()> run;
    };
    Case cases[] = {
        {"TDM.fnPutSysDef", [&] { return m_dm->fnPutSysDef(); }},
        {"TDM.funcGetSysReg",
         [&] {
             records::Variant v;
             m_dm->funcGetSysReg("試算表タイトル", "文字", "試算", SystemDef.LoginId, v);
             return v.asText() == "試　算　表";
         }},
        {"TDM.funcPutSysReg",
         [&, n = 0]() mutable {
             const std::string title = "試算" + std::to_string(++n);
             m_dm->funcPutSysReg("試算表タイトル", "文字", records::Variant::fromText(title),
                                 SystemDef.LoginId);
             return queryOne(m_dm->IBDatabaseDEF,
                             "SELECT STEXT FROM SYSREG WHERE SCODE='試算表タイトル'") == title;
         }},
        {"TDM.GetSysIni",
         [&] {
             TSystemIniRec rec;
             rec.REC = 10;
             return m_dm->GetSysIni(rec);
         }},
        {"TDM.SetSysIni",
         [&] {
             TSystemIniRec rec;
             rec.REC = 40;
             return m_dm->SetSysIni(rec);
         }},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.context);
        const int links = m_relay.linksOpened();
        m_relay.cutConnections();
        EXPECT_FALSE(c.run());
        const auto log = logLines("ErrFbAccess.log");
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().rfind(std::string("Error=") + c.context + " [335544721]", 0), 0u)
            << log.back();
        EXPECT_EQ(m_relay.linksOpened(), links + 1);

        EXPECT_TRUE(c.run());
        EXPECT_EQ(logLines("ErrFbAccess.log").size(), log.size());
        EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());
    }
    EXPECT_TRUE(m_messages.boxes().empty()); // a lost link shows nothing
    EXPECT_FALSE(DbFatalFlag);
}
