// The backup and restore worker: copy and rebuild run on the GUI thread while it keeps polling,
// and a restore never follows a failed backup.
#include "DataModuleFixture.h"

#include "records/DatabaseWorker.h"
#include "records/SystemUtils.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

namespace fs = std::filesystem;

class DatabaseWorkerTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        fs::create_directories(m_root / "temp");
        fs::create_directories(m_root / "backup");
        SystemDef.WinTempFolder = "D:\\temp";
        writeRows("data/0001/dwacc.fdb", "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (1, 0, 1, '01')",
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (2, 0, 1, '01')",
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (3, 1, 2, '02')");
    }

    void TearDown() override
    {
        TDM::setServiceBusyHook({});
        DataModuleFixture::TearDown();
    }

    template <typename... Sql>
    void writeRows(const std::string& db, const Sql&... sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(native(db)));
        (a.executeImmediate(sql), ...);
        a.disconnect();
    }

    std::string journal(const std::string& db)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(native(db)));
        return queryOne(a, "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)");
    }

    // The caller's protocol: resume, poll every 300 ms from the GUI thread, join.
    void runToEnd(TBackupRestoreThread& th)
    {
        th.Resume();
        while (!th.IsTerminated())
            WaitMSec(300);
        th.wait();
    }

    std::vector<std::string> workFiles(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_root / folder)) {
            const std::string ext = e.path().extension().string();
            if (ext == ".fd_" || ext == ".fb_")
                names.push_back(e.path().filename().string());
        }
        return names;
    }
};

TEST_F(DatabaseWorkerTest, CopyRunsItsStepsOnTheGuiThreadWhileItsTimersFire)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    std::vector<bool> onGuiThread;
    TDM::setServiceBusyHook([&](bool) {
        onGuiThread.push_back(QThread::currentThread() == qApp->thread());
    });

    fs::create_directories(m_root / "data" / "0003");
    TBackupRestoreThread th(true);
    th.Mode = 2;
    th.DBPath = "D:\\data\\0001\\dwacc.fdb";
    th.DestDBPath = "D:\\data\\0003\\dwacc.fdb";
    th.BackupFile = "D:\\backup\\copy.fbk";
    th.ActiveIndexes = 1;
    runToEnd(th);

    EXPECT_EQ(th.Success, 1);
    EXPECT_EQ(th.Failed, 0);
    EXPECT_EQ(journal("data/0003/dwacc.fdb"), "1,2,3") << "the copy opens and holds the rows";
    EXPECT_EQ(journal("data/0001/dwacc.fdb"), "1,2,3");
    EXPECT_GE(ticks, 1);
    ASSERT_FALSE(onGuiThread.empty());
    for (bool gui : onGuiThread)
        EXPECT_TRUE(gui) << "database services run on the GUI thread only";
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

TEST_F(DatabaseWorkerTest, RebuildInPlaceKeepsTheRowsAndLeavesNoWorkFiles)
{
    TBackupRestoreThread th(true);
    th.Mode = 3;
    th.DBPath = "D:\\data\\0001\\dwacc.fdb";
    th.BackupFile = "D:\\backup\\rebuild.fbk";
    th.ActiveIndexes = 1;
    runToEnd(th);

    EXPECT_EQ(th.Success, 1);
    EXPECT_EQ(th.DestDBPath, th.DBPath);
    EXPECT_EQ(journal("data/0001/dwacc.fdb"), "1,2,3");
    EXPECT_TRUE(workFiles("data/0001").empty()) << testing::PrintToString(workFiles("data/0001"));
}

// A backup that fails must not let an old backup file of the same name be restored over the
// destination, on the service path and on the tool path alike.
TEST_F(DatabaseWorkerTest, AFailedBackupRestoresNothing)
{
    struct Case {
        int mode;
        uint8_t serverKind;
        const char* host;
    };
    const Case cases[] = {{2, 0, ""}, {2, 1, "127.0.0.1"}, {3, 0, ""}, {3, 1, "127.0.0.1"}};
    // A stale backup of a data set whose journal differs from the destination's.
    ASSERT_TRUE(m_dm->BackupFDB(TDM::kProtocolLocal, "", "D:\\data\\0001\\dwacc.fdb",
                                "D:\\backup\\stale.fbk", true));
    fs::create_directories(m_root / "data" / "0009");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " kind " << int(c.serverKind));
        const std::string before = testsupport::readFile(m_root / "data" / "0002" / "dwacc.fdb");
        TBackupRestoreThread th(true);
        th.Mode = c.mode;
        th.ServerKind = c.serverKind;
        th.HostName = c.host;
        // Copy: the source is missing. Rebuild: the data set to rebuild is missing.
        th.DBPath = "D:\\data\\0009\\dwacc.fdb";
        th.DestDBPath = "D:\\data\\0002\\dwacc.fdb";
        th.BackupFile = "D:\\backup\\stale.fbk";
        runToEnd(th);
        EXPECT_EQ(th.Success, 0);
        EXPECT_EQ(th.Failed, 1);
        EXPECT_EQ(testsupport::readFile(m_root / "data" / "0002" / "dwacc.fdb"), before);
        EXPECT_FALSE(fs::exists(m_root / "data" / "0009" / "dwacc.fdb"))
            << "no database made from the stale backup";
    }
}

TEST_F(DatabaseWorkerTest, RunsInlineWhenCalledOnTheGuiThreadAndIgnoresUnbuiltModes)
{
    TBackupRestoreThread th(true);
    th.Mode = 3;
    th.DBPath = "D:\\data\\0001\\dwacc.fdb";
    th.BackupFile = "D:\\backup\\inline.fbk";
    th.Execute();
    EXPECT_EQ(th.Success, 1);
    EXPECT_EQ(journal("data/0001/dwacc.fdb"), "1,2,3");

    TBackupRestoreThread other(true);
    other.Mode = 7;
    runToEnd(other);
    EXPECT_EQ(other.Success, 0);
    EXPECT_EQ(other.Failed, 1);
}

} // namespace
