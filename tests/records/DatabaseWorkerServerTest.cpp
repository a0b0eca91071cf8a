// The backup and restore worker against the server on loopback: a restore refused while
// another attachment holds the target, files that are neither database refused, and the
// file-management road (FILETRANS) both ways.
#include "DataModuleFixture.h"

#include "records/DatabaseWorker.h"
#include "records/SystemUtils.h"

namespace {

namespace fs = std::filesystem;

class DatabaseWorkerServerTest : public DataModuleFixture {
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

    void runToEnd(TBackupRestoreThread& th)
    {
        th.Resume();
        while (!th.IsTerminated())
            WaitMSec(300);
        th.wait();
    }

    std::string journal(const std::string& folder)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + native("data/" + folder + "/dwacc.fdb")));
        return queryOne(db, "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)");
    }

    std::string fileTransRows()
    {
        firebird::Attachment fm;
        fm.connect(testsupport::morabyParams("localhost:" + native("data/dwfileman.fdb")));
        return queryOne(fm, "SELECT COUNT(*) FROM FILETRANS");
    }
};

TEST_F(DatabaseWorkerServerTest, ARestoreIsRefusedWhileSomeoneHoldsTheTarget)
{
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    firebird::Attachment other;
    other.connect(testsupport::morabyParams("localhost:" + native("data/0002/dwacc.fdb")));
    ASSERT_TRUE(m_dm->BackupFDB(TDM::kProtocolTcp, "localhost", "D:\\data\\0001\\dwacc.fdb",
                                "D:\\temp\\a.fbk", true));
    other.executeImmediate("INSERT INTO SIWAKE (REC, SCODE) VALUES (5, '01')");
    // Both roads: the services reaching the file, and the file-management database.
    for (const std::uint8_t kind : {0, 1}) {
        SCOPED_TRACE(int(kind));
        TBackupRestoreThread th(true);
        th.Mode = 1;
        th.ServerKind = kind;
        th.HostName = "localhost";
        th.DBPath = "D:\\data\\0002\\dwacc.fdb";
        th.BackupFile = "D:\\temp\\a.fbk";
        runToEnd(th);
        EXPECT_EQ(th.Success, 0);
        EXPECT_EQ(th.ErrCode, "202");
        EXPECT_EQ(th.ErrMethod, "RestoreDatabase");
        EXPECT_EQ(th.ErrMessage,
                  "このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。");
        EXPECT_EQ(th.ErrMessage2, "データベースの復元処理を中止しました。");
    }
    other.disconnect();
    EXPECT_EQ(journal("0002"), "5") << "not restored over";
    EXPECT_EQ(fileTransRows(), "0");
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

// A file that is neither database is refused before anything travels to the server.
TEST_F(DatabaseWorkerServerTest, OtherFilesAreRefusedBeforeTheServerIsAsked)
{
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    fs::copy_file(m_root / "data" / "0001" / "dwacc.fdb", m_root / "data" / "0001" / "other.fdb");
    fs::create_directories(m_root / "backup");
    ASSERT_TRUE(m_dm->BackupFDB(TDM::kProtocolTcp, "localhost", "D:\\data\\0001\\dwacc.fdb",
                                "D:\\backup\\dwacc.fbk", true));
    const std::string backup = testsupport::readFile(m_root / "backup" / "dwacc.fbk");
    SystemDef.ServerTempFolder = "D:\\srvtemp";
    struct Case {
        int mode;
        const char* code;
        const char* method;
        const char* second;
    };
    const Case cases[] = {{0, "101", "BackupDatabase", "データベースの保存処理を中止しました。"},
                          {1, "201", "RestoreDatabase", "データベースの復元処理を中止しました。"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        TBackupRestoreThread th(true);
        th.Mode = c.mode;
        th.ServerKind = 1;
        th.HostName = "localhost";
        th.DBPath = "D:\\data\\0001\\other.fdb";
        th.BackupFile = "D:\\backup\\dwacc.fbk";
        runToEnd(th);
        EXPECT_EQ(th.Success, 0);
        EXPECT_EQ(th.Failed, 1);
        EXPECT_EQ(th.ErrCode, c.code);
        EXPECT_EQ(th.ErrMethod, c.method);
        EXPECT_EQ(th.ErrMessage, "指定されたファイルはモラビー財務用のデータではありません。");
        EXPECT_EQ(th.ErrMessage2, c.second);
    }
    EXPECT_FALSE(fs::exists(m_root / "srvtemp")) << "no server work folder";
    EXPECT_EQ(fileTransRows(), "0");
    EXPECT_EQ(testsupport::readFile(m_root / "backup" / "dwacc.fbk"), backup) << "the backup file is untouched";
    EXPECT_FALSE(m_dm->IBFileMan.connected());
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

// Folders named with an apostrophe: the work file travels as a parameter, never inside the SQL.
TEST_F(DatabaseWorkerServerTest, KindOneRoundTripsThroughTheFileManagementDatabase)
{
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    firebird::Attachment a;
    a.connect(testsupport::morabyParams("localhost:" + native("data/0001/dwacc.fdb")));
    a.executeImmediate("INSERT INTO SIWAKE (REC, SCODE) VALUES (7, '01')");
    a.disconnect();
    // The server's work folder, where a sign-in points, with a name of our own below it.
    testsupport::ServerWorkFolder work;
    SystemDef.ServerTempFolder = work.windowsPath() + "\\srv'temp";
    fs::create_directories(m_root / "o'brien");

    TBackupRestoreThread th(true);
    th.Mode = 0;
    th.ServerKind = 1;
    th.HostName = "localhost";
    th.DBPath = "D:\\data\\0001\\dwacc.fdb";
    th.BackupFile = "D:\\o'brien\\dwacc.fbk";
    th.WriteZone = 1;
    th.ZoneShougou = "テスト商店";
    runToEnd(th);
    ASSERT_EQ(th.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_TRUE(fs::is_directory(work.native() / "srv'temp")) << "made on the server";
    EXPECT_TRUE(fs::exists(work.native() / "srv'temp" / ("dwacc." + std::to_string(SystemDef.LoginId))));
    EXPECT_FALSE(m_dm->IBFileMan.connected()) << "closed after use";

    TBackupRestoreThread rs(true);
    ASSERT_TRUE(rs.ReadZoneInfo("D:\\o'brien\\dwacc.fbk", true));
    rs.Mode = 1;
    rs.ServerKind = 1;
    rs.HostName = "localhost";
    rs.DBPath = "D:\\data\\0002\\dwacc.fdb";
    rs.BackupFile = "D:\\o'brien\\dwacc.fbk";
    rs.ActiveIndexes = 1;
    runToEnd(rs);
    EXPECT_EQ(rs.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(journal("0002"), "7");
    EXPECT_EQ(fileTransRows(), "0") << "no content left behind";
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

} // namespace
