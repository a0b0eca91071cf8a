// The data module's services with the embedded engine and the local tools.
#include "DataModuleFixture.h"

#include "accounting/EraDates.h"

#include <QTimer>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class DataModuleServicesTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        fs::create_directories(m_root / "temp");
        SystemDef.WinTempFolder = "D:\\temp"; // gbak.log of this test only
        writeRows("INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (1, 0, 1, '01')",
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (2, 1, 1, '01')",
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (3, 2, 1, '02')",
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (4, 2, 2, '02')",
                  "INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (11, 'x')");
    }

    void TearDown() override
    {
        TDM::setServiceBusyHook({});
        DataModuleFixture::TearDown();
    }

    template <typename... Sql>
    void writeRows(const Sql&... sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(native("data/0001/dwacc.fdb")));
        (db.executeImmediate(sql), ...);
        db.disconnect();
    }

    // What a round trip must keep, and what a restore must clear.
    std::string journal()
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(native("data/0001/dwacc.fdb")));
        return queryOne(db, "SELECT LIST(REC || ':' || DELFLG, ',') FROM (SELECT REC, DELFLG FROM "
                            "SIWAKE ORDER BY REC)")
               + " opinf=" + queryOne(db, "SELECT COUNT(*) FROM OPINF")
               + " page=" + queryOne(db, "SELECT MON$PAGE_SIZE FROM MON$DATABASE");
    }

    const std::string m_db = "D:\\data\\0001\\dwacc.fdb";
    const std::string m_fbk = "D:\\backup\\company.fbk";
};

TEST_F(DataModuleServicesTest, BackupAndRestoreKeepTheRowsAndDropTheHistory)
{
    fs::create_directories(m_root / "backup");
    struct Case {
        const char* name;
        bool byTool;
        std::string host;
    };
    const Case cases[] = {
        {"service, local protocol", false, ""},
        {"tool with an empty host: gbak on the local path", true, ""},
        {"tool with 127.0.0.1: the service", true, "127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeRows("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (12, 'y')");
        testsupport::writeFile(m_root / "backup" / "company.fbk", "an older backup");
        const bool backedUp = c.byTool ? m_dm->BackupFDBByTool(3, c.host, m_db, m_fbk, false)
                                       : m_dm->BackupFDB(3, c.host, m_db, m_fbk, false);
        ASSERT_TRUE(backedUp) << testing::PrintToString(m_messages.texts());
        EXPECT_GT(fs::file_size(m_root / "backup" / "company.fbk"), 1000u);
        EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fb_")) << "work file moved";

        writeRows("DELETE FROM SIWAKE WHERE REC > 2");
        const bool restored = c.byTool ? m_dm->RestoreFDBByTool(3, c.host, m_db, m_fbk, false)
                                       : m_dm->RestoreFDB(3, c.host, m_db, m_fbk, false);
        ASSERT_TRUE(restored) << testing::PrintToString(m_messages.texts());
        EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
        EXPECT_EQ(journal(), "1:0,2:1,3:2,4:2 opinf=0 page=16384");
        EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fr_"));
        EXPECT_TRUE(m_messages.boxes().empty());
    }
}

TEST_F(DataModuleServicesTest, KeepNameWritesTheBackupDirectly)
{
    ASSERT_TRUE(m_dm->BackupFDB(3, "", m_db, "D:\\direct.fbk", true));
    EXPECT_TRUE(fs::exists(m_root / "direct.fbk"));
    EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fb_"));
}

TEST_F(DataModuleServicesTest, RestoreFromATruncatedBackupLeavesTheDatabaseUntouched)
{
    ASSERT_TRUE(m_dm->BackupFDB(3, "", m_db, "D:\\whole.fbk", true));
    const std::string whole = testsupport::readFile(m_root / "whole.fbk");
    testsupport::writeFile(m_root / "cut.fbk", whole.substr(0, whole.size() / 2));
    writeRows("DELETE FROM SIWAKE WHERE REC = 4");
    const std::string before = testsupport::readFile(m_root / "data" / "0001" / "dwacc.fdb");

    for (bool byTool : {false, true}) {
        SCOPED_TRACE(byTool ? "gbak" : "service");
        m_messages.clear();
        const bool restored = byTool ? m_dm->RestoreFDBByTool(3, "", m_db, "D:\\cut.fbk", false)
                                     : m_dm->RestoreFDB(3, "", m_db, "D:\\cut.fbk", false);
        EXPECT_FALSE(restored);
        ASSERT_EQ(m_messages.boxes().size(), 1u);
        EXPECT_EQ(m_messages.boxes()[0].text.rfind("データベースのリストアに失敗しました。", 0), 0u)
            << m_messages.boxes()[0].text;
        EXPECT_EQ(testsupport::readFile(m_root / "data" / "0001" / "dwacc.fdb"), before);
        EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fr_"));
    }
}

TEST_F(DataModuleServicesTest, ToolRestoreWithoutABackupFileAnswersFalseSilently)
{
    EXPECT_FALSE(m_dm->RestoreFDBByTool(3, "", m_db, "D:\\none.fbk", false));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataModuleServicesTest, ToolBackupErrorsCarryTheLog)
{
    try {
        m_dm->BackupFDBByTool(3, "", "D:\\data\\0001\\missing.fdb", m_fbk, false);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("バックアップ中にエラーが発生しました。\r", 0), 0u) << text;
        EXPECT_NE(text.find("ERROR"), std::string::npos) << text;
    }
}

// Overwrites the middle of the last data page of the file (page type 5).
void damageADataPage(const fs::path& file)
{
    std::string bytes = testsupport::readFile(file);
    const std::size_t pageSize = 16384;
    for (std::size_t page = bytes.size() / pageSize; page-- > 1;) {
        if (bytes[page * pageSize] != 5)
            continue;
        for (std::size_t i = 100; i < 2000; ++i)
            bytes[page * pageSize + i] = char(0xA5);
        testsupport::writeFile(file, bytes);
        return;
    }
    FAIL() << "no data page";
}

TEST_F(DataModuleServicesTest, ValidationFindsDamageAndTheCheckCallsTheHook)
{
    // Sound: nothing reported, and the company connection is back afterwards.
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    EXPECT_TRUE(m_dm->ValidateFDB(3, "", m_db));
    EXPECT_TRUE(m_dm->IBDatabaseDAT.connected());
    m_dm->fnAccDatDisconnected("D:\\data\\0001", 0, 0);

    // A missing file is not damage (335544344).
    EXPECT_TRUE(m_dm->ValidateFDB(3, "", "D:\\data\\0001\\missing.fdb"));

    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(native("data/0001/dwacc.fdb")));
        for (int i = 0; i < 400; ++i)
            db.executeImmediate("INSERT INTO SIWAKE (REC, SCODE) VALUES (" + std::to_string(100 + i)
                                + ", 'xxxxxx')");
        db.disconnect();
    }
    damageADataPage(m_root / "data" / "0001" / "dwacc.fdb");
    EXPECT_FALSE(m_dm->ValidateFDB(3, "", m_db));

    // The damage check hands the verdict to the host's hook.
    std::vector<std::string> calls;
    DataHasonProc = [&](const std::string& host, const std::string& folder, int quiet) {
        calls.push_back(host + "|" + folder + "|" + std::to_string(quiet));
        return m_dm->ValidateFDB(3, "", platform::paths::join(folder, DataFile)) ? 1 : 0;
    };
    SystemDef.DataHasonCheck = 1;
    EXPECT_EQ(m_dm->fnDataHasonCheck("", "D:\\data\\0001", 0, 0), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"|D:\\data\\0001|0"}));
}

TEST_F(DataModuleServicesTest, DamageCheckRunsOnlyWhenTheSettingOrTheCallerAsks)
{
    struct Case {
        int setting;
        int force;
        bool hook;
        int expected;
        int calls;
    };
    const Case cases[] = {
        {1, 0, true, 0, 1}, {0, 0, true, 1, 0}, {0, 1, true, 0, 1},
        {1, 1, false, 1, 0}, {0, 2, true, 1, 0}, // only Force 1 forces
    };
    for (const Case& c : cases) {
        int calls = 0;
        int quietSeen = -1;
        DataHasonProc = nullptr;
        if (c.hook)
            DataHasonProc = [&](const std::string&, const std::string&, int quiet) {
                ++calls;
                quietSeen = quiet;
                return 0;
            };
        SystemDef.DataHasonCheck = c.setting;
        EXPECT_EQ(m_dm->fnDataHasonCheck("h", "D:\\data\\0001", 1, c.force), c.expected)
            << c.setting << c.force << c.hook;
        EXPECT_EQ(calls, c.calls) << c.setting << c.force << c.hook;
        if (calls) {
            EXPECT_EQ(quietSeen, 1);
        }
    }
}

TEST_F(DataModuleServicesTest, FailedCompanyConnectionChecksDamageUnlessTheFileIsMissing)
{
    int calls = 0;
    DataHasonProc = [&](const std::string&, const std::string&, int quiet) {
        ++calls;
        EXPECT_EQ(quiet, 1);
        return 1;
    };
    SystemDef.DataHasonCheck = 1;
    fs::create_directories(m_root / "data" / "0003");
    EXPECT_FALSE(m_dm->fnAccDatConnected("", "D:\\data\\0003", 0)); // 335544344: no file
    EXPECT_EQ(calls, 0);
    testsupport::writeFile(m_root / "data" / "0003" / "dwacc.fdb", std::string(40000, 'z'));
    EXPECT_FALSE(m_dm->fnAccDatConnected("", "D:\\data\\0003", 0)); // not a database
    EXPECT_EQ(calls, 1);
}

TEST_F(DataModuleServicesTest, ASecondServiceOperationIsRefusedWhileOneRuns)
{
    std::vector<bool> busy;
    TDM::setServiceBusyHook([&](bool b) { busy.push_back(b); });
    int inner = -1;
    QTimer::singleShot(0, [&] { inner = m_dm->BackupFDB(3, "", m_db, "D:\\second.fbk", true); });
    EXPECT_TRUE(m_dm->BackupFDB(3, "", m_db, "D:\\first.fbk", true));
    EXPECT_EQ(inner, 0) << "refused while the first ran";
    EXPECT_FALSE(fs::exists(m_root / "second.fbk"));
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(m_dm->BackupFDB(3, "", m_db, "D:\\third.fbk", true)) << "free again";
}

TEST_F(DataModuleServicesTest, LocalFileOperations)
{
    EXPECT_TRUE(m_dm->MkDir("D:\\work\\a\\b", 0));
    EXPECT_TRUE(m_dm->DExist("D:\\WORK\\A", 0));
    testsupport::writeFile(m_root / "work" / "f.txt", "x");
    EXPECT_TRUE(m_dm->FCopy("D:\\work\\f.txt", "D:\\work\\new\\g.txt", 0));
    EXPECT_TRUE(m_dm->FExist("D:\\work\\new\\g.txt", 0));
    EXPECT_TRUE(m_dm->FMove("D:\\work\\new\\g.txt", "D:\\work\\h.txt", 0));
    EXPECT_FALSE(m_dm->FExist("D:\\work\\new\\g.txt", 0));
    EXPECT_EQ(testsupport::readFile(m_root / "work" / "h.txt"), "x");
    EXPECT_TRUE(m_dm->FDel("D:\\work\\h.txt", 0, false));
    EXPECT_FALSE(m_dm->FDel("D:\\work\\h.txt", 0, false));
    m_messages.clear();
    EXPECT_FALSE(m_dm->RmDir("D:\\", 0, false)) << "roots are never removed";
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("ルート・システムディレクトリは、削除できません。"),
              std::string::npos)
        << m_messages.boxes()[0].text;
    EXPECT_TRUE(fs::exists(m_root / "data"));
    EXPECT_TRUE(m_dm->RmDir("D:\\work", 0, false));
    EXPECT_FALSE(m_dm->DExist("D:\\work", 0));
    EXPECT_FALSE(m_dm->MkDir("D:\\x", 3)) << "unknown location kind";
    std::string shortName;
    m_dm->LongToShortFileName("D:\\data", 0, shortName);
    EXPECT_EQ(shortName, "D:\\data");
}

TEST_F(DataModuleServicesTest, ServerFileOperationChecksItsInputBeforeAskingTheServer)
{
    // The system database is not connected: any round trip would fail with a message.
    EXPECT_FALSE(m_dm->ServerFileOperation("fcopy", "D:\\a", ""));
    EXPECT_FALSE(m_dm->ServerFileOperation("FCOPY", "D:\\a", "   "));
    EXPECT_FALSE(m_dm->ServerFileOperation("FMOVE", "D:\\a", "D:\\b"));
    EXPECT_FALSE(m_dm->ServerFileOperation("FEXIST", "  ", ""));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataModuleServicesTest, SchemaTestsAndJournalCounts)
{
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    EXPECT_TRUE(m_dm->fnExistence_Table("SIWAKE"));
    EXPECT_FALSE(m_dm->fnExistence_Table("NO_SUCH_TABLE"));
    EXPECT_TRUE(m_dm->fnExistence_Field("SIWAKE", "DELFLG"));
    EXPECT_FALSE(m_dm->fnExistence_Field("SIWAKE", "NOPE"));

    writeRows("DELETE FROM SISETUMST", "INSERT INTO SISETUMST (SCODE, SIWAKECOUNT) VALUES ('01', 5)",
              "INSERT INTO SISETUMST (SCODE, SIWAKECOUNT) VALUES ('02', 7)");
    EXPECT_EQ(m_dm->GetYukouSiwakeCount("01"), 5);
    EXPECT_EQ(m_dm->GetYukouSiwakeCount(" "), 12);
    EXPECT_EQ(m_dm->GetUpDelSiwakeCount(""), 2) << "DELFLG 1 or 2 on the debit side";
    EXPECT_EQ(m_dm->GetUpDelSiwakeCount("02"), 1);
    int valid = 0;
    int upDel = 0;
    EXPECT_EQ(m_dm->GetSiwakeCount("01", valid, upDel), 6);
    EXPECT_EQ(valid, 5);
    EXPECT_EQ(upDel, 1);
    EXPECT_EQ(m_dm->GetSiwakeTotal(""), 14);
    EXPECT_FALSE(m_dm->IBTransactionDAT.inTransaction());
}

TEST_F(DataModuleServicesTest, EraTableFromTheSystemDatabaseElseBuiltIn)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    m_dm->fnGetGengo();
    ASSERT_EQ(GengoTable.size(), 4u);
    EXPECT_EQ(GengoTable[0].name, "平成");

    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement ins(tr, "INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) "
                                    "VALUES (:N, :S, :D, :Y)");
        for (auto [n, s, y, m, d] :
             {std::tuple{"平成", "H", 1989, 1, 8}, std::tuple{"令和", "R", 2019, 5, 1}}) {
            ins.setString("N", n);
            ins.setString("S", s);
            ins.setDateTime("D", platform::encodeDate(y, m, d));
            ins.setInt("Y", y);
            ins.execute();
        }
        tr.commit();
    }
    m_dm->fnGetGengo();
    ASSERT_EQ(GengoTable.size(), 2u);
    EXPECT_EQ(GengoTable[0].name, "令和");
    EXPECT_EQ(GengoTable[0].letter, "R");
    EXPECT_EQ(GengoTable[0].startYear, 2019);
    EXPECT_EQ(GengoTable[0].start, platform::encodeDate(2019, 5, 1));
    EXPECT_EQ(GengoTable[1].name, "平成");
    EXPECT_EQ(GengoTable[1].start, platform::encodeDate(1989, 1, 8));
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());

    // Without the system database: the built-in eras.
    m_dm->IBDatabaseDEF.disconnect();
    m_dm->fnGetGengo();
    EXPECT_EQ(GengoTable.size(), 4u);
}

TEST_F(DataModuleServicesTest, DataFolderNumbersAndSettingTexts)
{
    struct Case {
        const char* path;
        const char* no1;
        const char* no2;
    };
    const Case cases[] = {
        {"C:\\Acc\\DATA\\0003\\0001", "0003", "0001"},
        {"C:\\Acc\\data\\0003", "0003", "old2"},
        {"C:\\Acc\\cb_data\\0005\\0002\\x", "0005", "0002"},
        {"C:\\　DATA\\00 03", "0003", "old2"}, // every space removed first
        {"/x/ｄａｔａ/1", "old1", "old2"},
        {"C:\\Acc\\NODATA\\0001", "old1", "old2"},
    };
    for (const Case& c : cases) {
        std::string no1 = "old1";
        std::string no2 = "old2";
        TDM::GetDataPathNo(c.path, no1, no2);
        EXPECT_EQ(no1, c.no1) << c.path;
        EXPECT_EQ(no2, c.no2) << c.path;
    }
    int rec = -1;
    int row = -1;
    m_dm->GetDataListRec("D:\\DATA\\0003\\0002", rec, row);
    EXPECT_EQ(rec, 3);
    EXPECT_EQ(row, 2);
    m_dm->GetDataListRec("D:\\DATA\\x1", rec, row);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(row, 0);

    std::string text;
    TDM::GetSStrText("NAME=会社\r\nCOLOR=255\r\nTEL=03", "TEL", text);
    EXPECT_EQ(text, "03");
    TDM::GetSStrText("NAME=x", "TEL", text);
    EXPECT_EQ(text, "");
    std::variant<std::int64_t, std::string> value;
    const std::pair<const char*, std::int64_t> colours[] = {
        {"NAME=x\r\nCOLOR=0", 0xFFAF80}, {"NAME=x", 0xFFAF80}, {"COLOR=-5", 0xFFAF80},
        {"COLOR=abc", 0xFFAF80},         {"COLOR=255", 255},
    };
    for (const auto& [t, expected] : colours) {
        TDM::GetSStrValue(t, "color", value);
        EXPECT_EQ(value, (std::variant<std::int64_t, std::string>(expected))) << t;
    }
    TDM::GetSStrValue("NAME=会社", "Name", value);
    EXPECT_EQ(value, (std::variant<std::int64_t, std::string>(std::string("会社"))));
}

} // namespace
