// The backup and restore worker: copy and rebuild run on the GUI thread while it keeps polling,
// and a restore never follows a failed backup.
#include "DataModuleFixture.h"

#include "platform/MessageService.h"
#include "records/DatabaseWorker.h"
#include "records/SystemUtils.h"
#include "records/TextProtection.h"

#include <QCoreApplication>
#include <QTimer>

#include <deque>
#include <optional>

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

// ---- Backup and restore (modes 0 and 1) ------------------------------------------------------

constexpr const char* kTrailer = "## QuarvelZone\r\n"
                                 "SHOUGOU=テスト商店\r\n"
                                 "KISHU=2024/01/01\r\n"
                                 "KIMATU=2024/12/31\r\n"
                                 "SIWAKE=2\r\n"
                                 "TOTALSIWAKE=3\r\n"
                                 "DATAVARSION=8.0.0\r\n"
                                 "GASSAN=0\r\n"
                                 "USEMYNUMBER=%d\r\n";

class BackupRestoreTest : public DatabaseWorkerTest {
protected:
    void SetUp() override
    {
        DatabaseWorkerTest::SetUp();
        SystemDef.LoginCode = 11;
        SystemDef.MyNumberAdm = 1;
        platform::setInputHandler([this](const platform::InputRequest& r) {
            m_prompts.push_back(r.message);
            if (m_entries.empty()) {
                ADD_FAILURE() << "unexpected password prompt";
                return std::optional<std::string>();
            }
            auto entry = m_entries.front();
            m_entries.pop_front();
            return entry;
        });
    }
    void TearDown() override
    {
        platform::setInputHandler({});
        EXPECT_TRUE(m_entries.empty()) << "password entries left unused";
        DatabaseWorkerTest::TearDown();
    }

    void backupOf(TBackupRestoreThread& th, const char* db, const char* file)
    {
        th.Mode = 0;
        th.DBPath = db;
        th.BackupFile = file;
        th.WriteZone = 1;
        th.ProcessName = "データ選択";
        th.ZoneShougou = "テスト商店";
        th.ZoneKishu = "2024/01/01";
        th.ZoneKimatu = "2024/12/31";
        th.ZoneSiwake = 2;
        th.ZoneTotalSiwake = 3;
        th.ZoneDataVersion = "8.0.0";
    }

    void manageNumbers(const std::string& db)
    {
        std::string key;
        ProtectText("abc12345", kEasyEncodeKey, 8, key);
        m_storedKey = key;
        writeRows(db, "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '＃USE', '整数', '1')",
                  "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '＃KEY', '文字', '" + key + "')",
                  "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '＃VALUE', '文字', 'zzz')");
    }

    std::string value(const std::string& db, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(native(db)));
        return queryOne(a, sql);
    }

    std::string numberSettings(const std::string& db)
    {
        return value(db, "SELECT LIST(ACODE || '=' || ATEXT, ';') FROM (SELECT ACODE, ATEXT FROM ACCREG "
                         "WHERE AGROUP='基本設定' AND ACODE STARTING WITH '＃' ORDER BY ACODE)");
    }

    static std::string trailer(int useMyNumber)
    {
        std::string text = kTrailer;
        text.replace(text.find("%d"), 2, std::to_string(useMyNumber));
        return platform::text::toCp932(text);
    }

    std::deque<std::optional<std::string>> m_entries;
    std::vector<std::string> m_prompts;
    std::string m_storedKey;
};

TEST_F(BackupRestoreTest, ABackupEndsWithTheTrailerAndRestoresOnceItIsCut)
{
    TBackupRestoreThread th(true);
    backupOf(th, "D:\\data\\0001\\dwacc.fdb", "D:\\backup\\dwacc.fbk");
    runToEnd(th);
    ASSERT_EQ(th.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(th.Failed, 0);
    EXPECT_EQ(th.ErrCode, "");
    const std::string bytes = testsupport::readFile(m_root / "backup" / "dwacc.fbk");
    const std::string tail = trailer(0);
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

    // The caller reads a work copy with Cut and restores that.
    fs::copy_file(m_root / "backup" / "dwacc.fbk", m_root / "temp" / "work.fbk");
    TBackupRestoreThread rs(true);
    ASSERT_TRUE(rs.ReadZoneInfo("D:\\temp\\work.fbk", true));
    EXPECT_EQ(rs.ZoneShougou, "テスト商店");
    EXPECT_EQ(rs.ZoneKimatu, "2024/12/31");
    EXPECT_EQ(rs.ZoneTotalSiwake, 3);
    EXPECT_EQ(rs.ZoneDataVersion, "8.0.0");
    EXPECT_EQ(fs::file_size(m_root / "temp" / "work.fbk"), bytes.size() - tail.size());
    writeRows("data/0002/dwacc.fdb", "DELETE FROM SIWAKE");
    rs.Mode = 1;
    rs.DBPath = "D:\\data\\0002\\dwacc.fdb";
    rs.BackupFile = "D:\\temp\\work.fbk";
    rs.ActiveIndexes = 1;
    runToEnd(rs);
    EXPECT_EQ(rs.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(journal("data/0002/dwacc.fdb"), "1,2,3");
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());

    // No trailer: false, fields cleared, file untouched.
    const std::string plain = testsupport::readFile(m_root / "temp" / "work.fbk");
    EXPECT_FALSE(rs.ReadZoneInfo("D:\\temp\\work.fbk", true));
    EXPECT_EQ(rs.ZoneShougou, "");
    EXPECT_EQ(rs.ZoneTotalSiwake, 0);
    EXPECT_EQ(testsupport::readFile(m_root / "temp" / "work.fbk"), plain);
}

// Answering No leaves the numbers out of the backup while the live data keeps them, also when
// the backup tool raises.
TEST_F(BackupRestoreTest, ABackupWithoutNumbersKeepsTheLiveSettings)
{
    manageNumbers("data/0001/dwacc.fdb");
    const std::string before = numberSettings("data/0001/dwacc.fdb");
    struct Case {
        uint8_t serverKind;
        const char* file;
        int success;
        const char* code;
    };
    // Kind 1 without a file-management database runs gbak, which fails on a missing folder.
    const Case cases[] = {{0, "D:\\backup\\dwacc.fbk", 1, ""},
                          {1, "D:\\missing\\dwacc.fbk", 0, "100"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        m_messages.clear();
        m_messages.answer(platform::IDNO);
        TBackupRestoreThread th(true);
        backupOf(th, "D:\\data\\0001\\dwacc.fdb", c.file);
        th.ServerKind = c.serverKind;
        th.ZoneUseMyNumber = 1;
        th.AskMyNumber = 1;
        th.LogMyNumber = 1;
        runToEnd(th);
        EXPECT_EQ(th.Success, c.success) << testing::PrintToString(m_messages.texts());
        EXPECT_EQ(th.ErrCode, c.code);
        EXPECT_EQ(th.ExcludeMyNumber, 1);
        EXPECT_EQ(th.ZoneUseMyNumber, 1) << "the live data still manages numbers";
        ASSERT_FALSE(m_messages.boxes().empty());
        EXPECT_NE(m_messages.boxes()[0].text.find("保存データにマイナンバー情報を含めますか？"),
                  std::string::npos);
        EXPECT_EQ(numberSettings("data/0001/dwacc.fdb"), before);
        EXPECT_EQ(value("data/0001/dwacc.fdb", "SELECT COUNT(*) FROM MYNUMBER_LOG"), "0");
    }
    EXPECT_EQ(m_messages.boxes().size(), 2u) << "the question and the tool's error";
    if (m_messages.boxes().size() == 2) {
        EXPECT_NE(m_messages.boxes()[1].text.find("gbak"), std::string::npos)
            << m_messages.boxes()[1].text;
    }
    const std::string bytes = testsupport::readFile(m_root / "backup" / "dwacc.fbk");
    EXPECT_EQ(bytes.substr(bytes.size() - trailer(0).size()), trailer(0));

    // That backup may not replace data that manages numbers: refused before anything changes.
    m_messages.clear();
    writeRows("data/0001/dwacc.fdb", "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (9, 0, 1, '01')");
    TBackupRestoreThread rs(true);
    ASSERT_TRUE(rs.ReadZoneInfo("D:\\backup\\dwacc.fbk", true));
    EXPECT_EQ(rs.ZoneUseMyNumber, 0);
    rs.Mode = 1;
    rs.DBPath = "D:\\data\\0001\\dwacc.fdb";
    rs.BackupFile = "D:\\backup\\dwacc.fbk";
    runToEnd(rs);
    EXPECT_EQ(rs.Success, 0);
    EXPECT_EQ(rs.Failed, 0);
    EXPECT_EQ(rs.ErrCode, "200");
    EXPECT_EQ(rs.ErrMethod, "RestoreDatabase");
    EXPECT_EQ(rs.ErrMessage, "マイナンバー情報を管理しているデータへの復元はおこなえません。");
    EXPECT_EQ(rs.ErrMessage2, "データベースの復元処理を中止しました。");
    EXPECT_EQ(journal("data/0001/dwacc.fdb"), "1,2,3,9") << "the live data stays";
    EXPECT_EQ(numberSettings("data/0001/dwacc.fdb"), before);
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

TEST_F(BackupRestoreTest, NumbersGoIntoTheBackupOnlyWithThePassword)
{
    manageNumbers("data/0001/dwacc.fdb");
    // Three wrong entries: "100", nothing written.
    m_messages.answer(platform::IDYES);
    m_entries = {"wrong1", "wrong2", "abc"};
    TBackupRestoreThread refused(true);
    backupOf(refused, "D:\\data\\0001\\dwacc.fdb", "D:\\backup\\refused.fbk");
    refused.ZoneUseMyNumber = 1;
    refused.AskMyNumber = 1;
    runToEnd(refused);
    EXPECT_EQ(refused.Success, 0);
    EXPECT_EQ(refused.Failed, 0);
    EXPECT_EQ(refused.ErrCode, "100");
    EXPECT_EQ(refused.ErrMessage, "データベースの保存処理を中止しました。");
    EXPECT_EQ(m_prompts, (std::vector<std::string>{"マイナンバー管理パスワードを入力して下さい。",
                                                   "正しいパスワードを入力して下さい。",
                                                   "正しいパスワードを入力して下さい。"}));
    EXPECT_FALSE(fs::exists(m_root / "backup" / "refused.fbk"));

    // The right one (blanks around it count for nothing): logged, and the trailer says 1.
    m_messages.answer(platform::IDYES);
    m_entries = {"　abc12345 "};
    TBackupRestoreThread th(true);
    backupOf(th, "D:\\data\\0001\\dwacc.fdb", "D:\\backup\\dwacc.fbk");
    th.ZoneUseMyNumber = 1;
    th.AskMyNumber = 1;
    th.LogMyNumber = 1;
    runToEnd(th);
    ASSERT_EQ(th.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(th.MyNumberAction, 6);
    EXPECT_EQ(value("data/0001/dwacc.fdb", "SELECT FSTATE || ' ' || FPROCNAME FROM MYNUMBER_LOG"),
              "6 データ選択");
    const std::string bytes = testsupport::readFile(m_root / "backup" / "dwacc.fbk");
    EXPECT_EQ(bytes.substr(bytes.size() - trailer(1).size()), trailer(1));

    // Restored over a data set of the same company: its own log is merged back, with the import.
    writeRows("data/0002/dwacc.fdb",
              "INSERT INTO MYNUMBER_LOG (FHIZUKE, FSERIAL, FOPCODE, FHOST, FSTATE) "
              "VALUES ('2020-01-01 09:00:00', '', '5', 'old', 1)");
    TBackupRestoreThread rs(true);
    ASSERT_TRUE(rs.ReadZoneInfo("D:\\backup\\dwacc.fbk", true));
    rs.Mode = 1;
    rs.DBPath = "D:\\data\\0002\\dwacc.fdb";
    rs.BackupFile = "D:\\backup\\dwacc.fbk";
    rs.LogMyNumber = 1;
    rs.ProcessName = "データ選択";
    runToEnd(rs);
    EXPECT_EQ(rs.Success, 1) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(rs.MyNumberAction, 7);
    EXPECT_EQ(value("data/0002/dwacc.fdb", "SELECT LIST(FSTATE, ',') FROM (SELECT FSTATE FROM "
                                           "MYNUMBER_LOG ORDER BY FHIZUKE)"),
              "1,6,7");
    EXPECT_EQ(numberSettings("data/0002/dwacc.fdb"),
              "＃KEY=" + m_storedKey + ";＃USE=1;＃VALUE=zzz");
    EXPECT_EQ(m_messages.boxes().size(), 2u) << testing::PrintToString(m_messages.texts());
}

TEST_F(BackupRestoreTest, AnotherOperatorGetsNoNumbersAndOtherFilesAreRefused)
{
    manageNumbers("data/0001/dwacc.fdb");
    SystemDef.MyNumberAdm = 0;
    m_messages.answer(platform::IDOK);
    TBackupRestoreThread th(true);
    backupOf(th, "D:\\data\\0001\\dwacc.fdb", "D:\\backup\\dwacc.fbk");
    th.ZoneUseMyNumber = 1;
    th.AskMyNumber = 1;
    runToEnd(th);
    EXPECT_EQ(th.Success, 1);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("保存データにマイナンバー情報は含まれません。"),
              std::string::npos);
    EXPECT_EQ(th.ExcludeMyNumber, 1);
    const std::string bytes = testsupport::readFile(m_root / "backup" / "dwacc.fbk");
    EXPECT_EQ(bytes.substr(bytes.size() - trailer(0).size()), trailer(0));

    struct Case {
        int mode;
        const char* code;
        const char* method;
    };
    for (const Case c : {Case{0, "101", "BackupDatabase"}, Case{1, "201", "RestoreDatabase"}}) {
        TBackupRestoreThread other(true);
        other.Mode = c.mode;
        other.DBPath = "D:\\data\\0001\\other.fdb";
        other.BackupFile = "D:\\backup\\dwacc.fbk";
        runToEnd(other);
        EXPECT_EQ(other.Success, 0);
        EXPECT_EQ(other.Failed, 1);
        EXPECT_EQ(other.ErrCode, c.code);
        EXPECT_EQ(other.ErrMethod, c.method);
        EXPECT_EQ(other.ErrMessage, "指定されたファイルはモラビー財務用のデータではありません。");
        EXPECT_EQ(other.ErrMessage2, c.mode == 0 ? "データベースの保存処理を中止しました。"
                                                 : "データベースの復元処理を中止しました。");
    }
}

// A system database has no individual-number settings: its backup and restore go through the
// worker like a company's, with no box and no attempt to open a company database beside it.
TEST_F(BackupRestoreTest, TheSystemDatabaseRoundTripsWithoutNumberChecks)
{
    writeRows("data/dwaccdef.fdb", "INSERT INTO GENGO (GNAME, GSIGN) VALUES ('令和', 'R')");
    TBackupRestoreThread th(true);
    th.Mode = 0;
    th.DBPath = "D:\\data\\dwaccdef.fdb";
    th.BackupFile = "D:\\backup\\dwaccdef.fbk";
    th.ZoneUseMyNumber = 1;
    th.AskMyNumber = 1;
    runToEnd(th);
    ASSERT_EQ(th.Success, 1) << th.ErrMessage << testing::PrintToString(m_messages.texts());

    writeRows("data/dwaccdef.fdb", "DELETE FROM GENGO");
    ASSERT_EQ(value("data/dwaccdef.fdb", "SELECT COUNT(*) FROM GENGO"), "0");
    for (const int zone : {0, 1}) {
        TBackupRestoreThread rs(true);
        rs.Mode = 1;
        rs.DBPath = "D:\\data\\dwaccdef.fdb";
        rs.BackupFile = "D:\\backup\\dwaccdef.fbk";
        rs.ActiveIndexes = 1;
        rs.ZoneUseMyNumber = zone;
        runToEnd(rs);
        EXPECT_EQ(rs.Success, 1) << zone << " " << rs.ErrMessage;
        EXPECT_EQ(rs.MyNumberAction, 0);
        EXPECT_EQ(value("data/dwaccdef.fdb", "SELECT LIST(GNAME) FROM GENGO"), "令和");
    }
    EXPECT_TRUE(m_messages.boxes().empty()) << testing::PrintToString(m_messages.texts());
}

} // namespace
