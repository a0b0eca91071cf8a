// The database error handler, the error dialog and the error logs.
#include "DataModuleFixture.h"

#include "firebird/DatabaseError.h"
#include "platform/Files.h"

#include <cerrno>
#include <regex>

namespace {

using DbErrorHandlerTest = DataModuleFixture;

firebird::DatabaseError error(long status, int sqlCode, const std::string& message = "boom")
{
    return firebird::DatabaseError(status, sqlCode, message, "test");
}

TEST_F(DbErrorHandlerTest, EveryErrorAppendsToTheLogAndRewritesTheLatest)
{
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    HandleDbError(error(335544450, -204, "Table unknown ＸＹＺ"), "TDM.fnGetSysDef", "", true);
    HandleDbError(error(firebird::kUniqueViolation, -803), "TMyNumberIO.AddLog", "", true);
    EXPECT_TRUE(m_messages.boxes().empty()); // no message: logged only

    const auto log = logLines("ErrFbAccess.log");
    ASSERT_EQ(log.size(), 4u);
    const std::regex line1(
        R"(^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d,buildpc,100000011,Serial=,AppVer=,DBName=buildpc:)" +
        native("data/0001/dwacc.fdb") + ",DataVer=$");
    const std::regex line2(R"(^Error=\S+ \[\d+\] \(-?\d+\) .*,.*$)");
    for (std::size_t i : {0u, 2u}) {
        EXPECT_TRUE(std::regex_match(log[i], line1)) << log[i];
        EXPECT_TRUE(std::regex_match(log[i + 1], line2)) << log[i + 1];
    }
    // A code without explanation keeps its field as one blank.
    EXPECT_EQ(log[1], "Error=TDM.fnGetSysDef [335544450] (-204)  ,Table unknown ＸＹＺ");
    EXPECT_EQ(log[3].rfind("Error=TMyNumberIO.AddLog [335544665] (-803) （同じコードが登録されています。", 0), 0u)
        << log[3];
    EXPECT_EQ(logLines("ErrFbAccess.txt"), std::vector<std::string>(log.begin() + 2, log.end()));
    // CP932 on disk.
    EXPECT_NE(testsupport::readFile(m_root / "log" / "ErrFbAccess.log").find("\x82\x77\x82\x78"),
              std::string::npos);
}

TEST_F(DbErrorHandlerTest, AMessageIsShownWithTheDetails)
{
    HandleDbError(error(firebird::kLockConflict, -913, "lock conflict"), "TDM.fnPutSysDef",
                  "保存に失敗しました。", true);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    const auto& box = m_messages.boxes()[0];
    EXPECT_EQ(box.text, "保存に失敗しました。\r\r[詳細情報]\rIBXエラーコード:335544345\rlock conflict\r"
                        "（NO WAIT トランザクションのロックが衝突しています）");
    EXPECT_EQ(box.kind, "error");
    EXPECT_EQ(m_endRequests, 0);
    EXPECT_FALSE(DbFatalFlag);
}

TEST_F(DbErrorHandlerTest, AConsistencyErrorIsFatalOnceAndSilencesLaterErrors)
{
    HandleDbError(error(firebird::kBugCheck, -902), "TDM.fnGetSysDef", "", true);
    EXPECT_TRUE(DbFatalFlag);
    EXPECT_EQ(m_endRequests, 1);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text,
              "（isc 内部のソフトウェア一貫性チェック）\r\r[OK]ボタンを押すとアプリケーションの終了処理に"
              "入ります。（[OK]後、何回かメッセージが表示される場合があります）\rアプリケーションが終了"
              "しましたら再起動して下さい。\r\r※注意 共有サーバーのデータ利用時は自動保管されません。\r");
    EXPECT_EQ(logLines("ErrFbAccess.log").size(), 2u);

    HandleDbError(error(335544569, -204), "TDM.fnGetSysDef", "まだ？", true);
    EXPECT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(logLines("ErrFbAccess.log").size(), 2u);
    EXPECT_EQ(m_endRequests, 1);
}

TEST_F(DbErrorHandlerTest, ServerModesLeaveOutTheStandaloneNote)
{
    ConnectMode = 1;
    HandleDbError(error(firebird::kBugCheck, -902), "X.y", "", false);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text.find("※注意"), std::string::npos);
}

TEST_F(DbErrorHandlerTest, ALogThatCannotBeWrittenSkipsNothingElse)
{
    // The mended behaviour: a failing write used to end the handler before its dialog.
    SystemDef.LogFolder = "D:\\no-such-folder";
    HandleDbError(error(firebird::kLockConflict, -913), "X.y", "保存に失敗しました。", true);
    EXPECT_EQ(m_messages.boxes().size(), 1u);

    SystemDef.LogFolder = "D:\\log";
    platform::files::failNext(platform::files::Operation::Write, ENOSPC);
    HandleDbError(error(firebird::kBugCheck, -902), "X.y", "", true);
    platform::files::clearFaults();
    EXPECT_EQ(m_messages.boxes().size(), 2u);
    EXPECT_TRUE(DbFatalFlag);
    EXPECT_EQ(m_endRequests, 1);
}

TEST_F(DbErrorHandlerTest, ALostConnectionWithoutReconnectIsOnlyLogged)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    HandleDbError(error(firebird::kNetworkError, -902), "TDM.fnAccDatConnected", "失敗", false);
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(logLines("ErrFbAccess.log").size(), 2u);
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
}

TEST_F(DbErrorHandlerTest, ErrorDialogJoinsMessageAndDetail)
{
    struct Case {
        const char* message;
        const char* detail;
        const char* shown; // nullptr: nothing shown
    };
    const Case cases[] = {
        {"", "", nullptr},
        {"", "x", "\r\r[詳細情報]\rx"},
        {"文", "", "文"},
        {"文", "x", "文\r\r[詳細情報]\rx"},
    };
    for (const Case& k : cases) {
        m_messages.clear();
        ShowErrorDialog(k.message, k.detail, 1);
        if (!k.shown) {
            EXPECT_TRUE(m_messages.boxes().empty());
        } else {
            ASSERT_EQ(m_messages.boxes().size(), 1u);
            EXPECT_EQ(m_messages.boxes()[0].text, k.shown);
            EXPECT_EQ(m_messages.boxes()[0].caption, "エラー");
        }
    }
}

TEST_F(DbErrorHandlerTest, CommaMessageShowsOnePartPerLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"一行目,二行目//コメント,無視", "一行目\r二行目\r"},
        {"", "\r"},
        {"a,,b", "a\r\rb\r"},
    };
    for (const auto& [text, shown] : cases) {
        m_messages.clear();
        ShowCommaMessage(text, 2);
        ASSERT_EQ(m_messages.boxes().size(), 1u);
        EXPECT_EQ(m_messages.boxes()[0].text, shown);
        EXPECT_EQ(m_messages.boxes()[0].kind, "information");
    }
}

TEST_F(DbErrorHandlerTest, TrialBalanceErrorBoxAndItsFiles)
{
    SystemDef.RootFolder = "D:\\root"; // missing: the files go to the log folder
    SystemDef.HostName = "srv";
    ShowDbErrorLog(error(335544450, -204, "Table unknown"), "試算表読込", false);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text,
              "試算表読込\r\nErrCode<335544450>  SQLCODE<-204>\r\nTable unknown\r\r\n \r\n");
    const auto lines = logLines("FB_ERROR.TXT");
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "試算表読込");
    EXPECT_EQ(lines[2], "Table unknown");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[5], "PG_VERSION[]");
    EXPECT_EQ(lines[8], "Server[srv]");
    EXPECT_EQ(lines[9], "DatabaseName[]");
    EXPECT_TRUE(std::regex_match(lines[10], std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)")));
    EXPECT_EQ(lines[11], "buildpc");
    EXPECT_EQ(lines[12], "100000011");
    EXPECT_EQ(logLines("FB_ERROR.LOG"), lines);
}

} // namespace
