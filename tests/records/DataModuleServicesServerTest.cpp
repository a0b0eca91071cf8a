// The data module's services against the server on loopback: the file procedures of our UDR
// module, and backup and restore with gbak over TCP.
#include "DataModuleFixture.h"

namespace {

namespace fs = std::filesystem;

class DataModuleServicesServerTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        testsupport::ensureServer();
        ConnectMode = 1;
        SystemDef.HostName = "localhost";
        fs::create_directories(m_root / "temp");
        SystemDef.WinTempFolder = "D:\\temp";
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1)) << testing::PrintToString(m_messages.texts());
    }

    std::string journal()
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + native("data/0001/dwacc.fdb")));
        return queryOne(db, "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)")
               + " opinf=" + queryOne(db, "SELECT COUNT(*) FROM OPINF");
    }

    void execute(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + native("data/0001/dwacc.fdb")));
        db.executeImmediate(sql);
        db.disconnect();
    }
};

TEST_F(DataModuleServicesServerTest, FileProceduresCreateCopyTestAndDelete)
{
    // The data places as an installation names them: the standard place is the system folder.
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + native("data/dwaccdef.fdb")));
        db.executeImmediate("UPDATE DATAPLACEMAN SET PATH = 'D:' || x'5C' || 'data' WHERE REC = 0");
        db.executeImmediate("UPDATE DATAPLACEMAN SET PATH = 'D:' || x'5C' || 'data01' WHERE REC = 1");
    }
    testsupport::writeFile(m_root / "data" / "src.txt", "payload");
    EXPECT_TRUE(m_dm->MkDir("D:\\data01\\srv\\a\\b", 1));
    EXPECT_TRUE(fs::is_directory(m_root / "data01" / "srv" / "a" / "b"));
    EXPECT_TRUE(m_dm->DExist("D:\\data01\\srv\\a", 2));
    EXPECT_TRUE(m_dm->FCopy("D:\\data\\src.txt", "D:\\data01\\srv\\a\\b\\copy.txt", 1));
    EXPECT_EQ(testsupport::readFile(m_root / "data01" / "srv" / "a" / "b" / "copy.txt"), "payload");
    EXPECT_TRUE(m_dm->FExist("D:\\data01\\srv\\a\\b\\copy.txt", 1));
    EXPECT_TRUE(m_dm->FMove("D:\\data01\\srv\\a\\b\\copy.txt", "D:\\data01\\srv\\moved.txt", 1));
    EXPECT_FALSE(m_dm->FExist("D:\\data01\\srv\\a\\b\\copy.txt", 1));
    EXPECT_TRUE(m_dm->FDel("D:\\data01\\srv\\moved.txt", 1, false));
    EXPECT_FALSE(fs::exists(m_root / "data01" / "srv" / "moved.txt"));
    EXPECT_TRUE(m_dm->ServerFileOperation("rmdir", "D:\\data01\\srv", ""));
    EXPECT_FALSE(m_dm->DExist("D:\\data01\\srv", 1));
    EXPECT_FALSE(m_dm->ServerFileOperation("FDEL", "D:\\data01\\srv\\none.txt", ""));

    // Outside the places the server serves nothing is touched, and no box is shown: the
    // answer is a plain failure.
    testsupport::writeFile(m_root / "outside.txt", "outside");
    EXPECT_FALSE(m_dm->FCopy("D:\\outside.txt", "D:\\data\\got.txt", 1));
    EXPECT_FALSE(m_dm->FDel("D:\\outside.txt", 1, false));
    EXPECT_FALSE(m_dm->RmDir("D:\\log", 1, false));
    EXPECT_FALSE(fs::exists(m_root / "data" / "got.txt"));
    EXPECT_EQ(testsupport::readFile(m_root / "outside.txt"), "outside");
    EXPECT_TRUE(fs::is_directory(m_root / "log"));
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());

    std::string shortName;
    m_dm->LongToShortFileName("D:\\データ\\Long Name", 1, shortName);
    EXPECT_EQ(shortName, "D:\\データ\\Long Name");

    // The file-management database opens only when the server finds its file.
    EXPECT_FALSE(m_dm->fnFileManConnected("localhost"));
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    EXPECT_TRUE(m_dm->fnFileManConnected("localhost"));
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

TEST_F(DataModuleServicesServerTest, BackupAndRestoreThroughTheServer)
{
    execute("INSERT INTO SIWAKE (REC, SCODE) VALUES (1, '01')");
    execute("INSERT INTO SIWAKE (REC, SCODE) VALUES (2, '01')");
    execute("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (1, 'x')");
    const std::string db = "D:\\data\\0001\\dwacc.fdb";
    fs::create_directories(m_root / "backup");

    // gbak against the server; then the service over TCP, moving its work file through the
    // server's file procedures into the server's work folder.
    testsupport::ServerWorkFolder work;
    const std::string svc = work.windowsPath() + "\\svc.fbk";
    ASSERT_TRUE(m_dm->BackupFDBByTool(0, "localhost", db, "D:\\backup\\tool.fbk", false));
    ASSERT_TRUE(m_dm->BackupFDB(0, "localhost", db, svc, false))
        << testing::PrintToString(m_messages.texts());
    EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fb_"));
    EXPECT_TRUE(fs::exists(work.native() / "svc.fbk"));

    for (const std::string& backup : {std::string("D:\\backup\\tool.fbk"), svc}) {
        SCOPED_TRACE(backup);
        execute("DELETE FROM SIWAKE");
        execute("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (2, 'y')");
        const bool restored = backup.find("tool") != std::string::npos
                                  ? m_dm->RestoreFDBByTool(0, "localhost", db, backup, false)
                                  : m_dm->RestoreFDB(0, "localhost", db, backup, false);
        ASSERT_TRUE(restored) << testing::PrintToString(m_messages.texts());
        EXPECT_EQ(journal(), "1,2 opinf=0");
        EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fr_"));
    }

    // Others still have the database open: it is not replaced under them.
    execute("DELETE FROM SIWAKE");
    {
        firebird::Attachment other;
        other.connect(testsupport::morabyParams("localhost:" + native("data/0001/dwacc.fdb")));
        for (bool byTool : {false, true}) {
            m_messages.clear();
            const bool restored =
                byTool ? m_dm->RestoreFDBByTool(0, "localhost", db, "D:\\backup\\tool.fbk", false)
                       : m_dm->RestoreFDB(0, "localhost", db, svc, false);
            EXPECT_FALSE(restored);
            ASSERT_EQ(m_messages.boxes().size(), 1u);
            EXPECT_NE(m_messages.boxes()[0].text.find("データベースが使用中です。"), std::string::npos)
                << m_messages.boxes()[0].text;
            EXPECT_FALSE(fs::exists(m_root / "data" / "0001" / "dwacc.fr_"));
        }
        EXPECT_EQ(queryOne(other, "SELECT COUNT(*) FROM SIWAKE"), "0");
    }
    EXPECT_EQ(journal(), "<null> opinf=0") << "left as it was";

    // A wrong password: gbak's log says why.
    SystemDef.DbPassword = "wrong";
    try {
        m_dm->BackupFDBByTool(0, "localhost", db, "D:\\backup\\x.fbk", false);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("バックアップ中にエラーが発生しました。\r", 0), 0u);
    }
}

} // namespace
