// Connections of the data module, standalone (embedded engine).
#include "DataModuleFixture.h"

#include "firebird/DatabaseError.h"
#include "platform/Text.h"

#include <fstream>
#include <regex>

namespace {

using DataModuleTest = DataModuleFixture;

TEST_F(DataModuleTest, OpensAndClosesSystemAndCompanyDatabasesLocally)
{
    std::vector<std::string> marked;
    std::vector<std::string> released;
    m_dm->hooks.markInUse = [&](const std::string& folder) { marked.push_back(folder); };
    m_dm->hooks.release = [&](const std::string& folder, bool writeInfo, bool updateList) {
        released.push_back(folder + (writeInfo ? " info" : "") + (updateList ? " list" : ""));
    };

    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, "SELECT MON$DATABASE_NAME FROM MON$DATABASE"),
              native("data/dwaccdef.fdb"));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF,
                       "SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS "
                       "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
              "<null>");

    ASSERT_TRUE(m_dm->fnAccDatConnected("", "", 1)); // empty folder: DataDir
    EXPECT_EQ(m_dm->IBDatabaseDAT.databaseName(), native("data/0001/dwacc.fdb"));
    EXPECT_EQ(marked, std::vector<std::string>{"D:\\data\\0001"});

    // Always reopened, even for the same folder; another folder replaces it.
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0002", 0));
    EXPECT_EQ(m_dm->IBDatabaseDAT.databaseName(), native("data/0002/dwacc.fdb"));
    EXPECT_EQ(m_dm->companyFolder(), "D:\\data\\0002");
    EXPECT_EQ(marked.size(), 1u);

    EXPECT_TRUE(m_dm->fnAccDatDisconnected("D:\\data\\0002", 1, 1));
    EXPECT_EQ(released, std::vector<std::string>{"D:\\data\\0002 info list"});
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
    EXPECT_EQ(m_dm->IBDatabaseDAT.databaseName(), "");
    EXPECT_TRUE(m_dm->fnAccDatDisconnected("", 0, 0)); // closed already: fine, no hook
    EXPECT_EQ(released.size(), 1u);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataModuleTest, AnOpenSystemConnectionIsKeptWhateverTheSettingsSay)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    SystemDef.SysDir = "D:\\nowhere";
    SystemDef.DbPassword = "wrong";
    EXPECT_TRUE(m_dm->fnAccDefConnected("", 1));
    EXPECT_EQ(m_dm->IBDatabaseDEF.databaseName(), native("data/dwaccdef.fdb"));
}

TEST_F(DataModuleTest, SystemConnectFailureIsReportedOrRaised)
{
    SystemDef.SysDir = "D:\\nowhere";
    EXPECT_THROW(m_dm->fnAccDefConnected("", 0), firebird::DatabaseError);
    EXPECT_TRUE(m_messages.boxes().empty());

    EXPECT_FALSE(m_dm->fnAccDefConnected("", 1));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text.rfind("システムデータベースの接続処理に失敗しました。\r\r[詳細情報]\r"
                                               "IBXエラーコード:335544344\r",
                                               0),
              0u)
        << m_messages.boxes()[0].text;
    const auto log = logLines("ErrFbAccess.log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("Error=TDM.fnAccDefConnected [335544344] (-902) （ファイルの入出力エラーが発生しました）,", 0), 0u)
        << log[1];
}

TEST_F(DataModuleTest, CompanyConnectFailureRunsTheDamageCheckUnlessTheFileIsMissing)
{
    std::vector<std::string> checks;
    DataHasonProc = [&](const std::string& host, const std::string& folder, int quiet) {
        checks.push_back(host + "|" + folder + "|" + std::to_string(quiet));
        return 0;
    };
    SystemDef.DataHasonCheck = 1;

    EXPECT_FALSE(m_dm->fnAccDatConnected("", "D:\\data\\0009", 1));
    EXPECT_TRUE(checks.empty());
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text.rfind(
                  "ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または "
                  "使用中の可能性がありますので接続パスを確認して下さい。",
                  0),
              0u);

    testsupport::writeFile(m_root / "data" / "0003" / "dwacc.fdb", std::string(32768, 'x'));
    EXPECT_FALSE(m_dm->fnAccDatConnected("", "D:\\data\\0003", 1));
    EXPECT_EQ(checks, std::vector<std::string>{"buildpc|D:\\data\\0003|1"});

    // With the group's check off and no force, the check answers sound without the hook.
    SystemDef.DataHasonCheck = 0;
    EXPECT_EQ(m_dm->fnDataHasonCheck("", "D:\\data\\0003", 1, 0), 1);
    EXPECT_EQ(m_dm->fnDataHasonCheck("", "D:\\data\\0003", 1, 1), 0);
    EXPECT_EQ(checks.size(), 2u);
}

TEST_F(DataModuleTest, ConnectNameFollowsModeAndHost)
{
    struct Case {
        int mode;
        const char* host;
        bool allowLocalHost;
        std::string expected;
    };
    const std::string path = native("data/dwaccdef.fdb");
    const Case cases[] = {
        {0, "srv", true, path},
        {1, "srv", true, "srv:" + path},
        {2, "srv", true, "srv:" + path},
        {1, "127.0.0.1", true, path},
        {1, "127.0.0.1", false, "127.0.0.1:" + path},
        {0, "127.0.0.1", false, path},
    };
    for (const Case& k : cases) {
        ConnectMode = static_cast<std::uint8_t>(k.mode);
        EXPECT_EQ(TDM::ConnectName(k.host, "D:\\data", "dwaccdef.fdb", k.allowLocalHost),
                  k.expected)
            << k.mode << " " << k.host;
    }
}

TEST_F(DataModuleTest, DeleteLogonInfoRemovesTheSignInRow)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    auto signIn = [&] {
        m_dm->IBTransactionDEF.start();
        firebird::Statement st(m_dm->IBTransactionDEF,
                               "SELECT NUM FROM LOGONUSERTEST('buildpc', 10000, 11, 2, 'pass')");
        firebird::Cursor c = st.open();
        ASSERT_TRUE(c.fetch());
        ASSERT_EQ(c.getInt("NUM"), 0);
        c.close();
        m_dm->IBTransactionDEF.commit();
    };
    const char* count = "SELECT COUNT(*) FROM LOGONUSERLIST WHERE OPCODE = 100000011";
    signIn();
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, count), "1");
    m_dm->DeleteLogonInfo();
    EXPECT_FALSE(m_dm->IBTransactionDEF.inTransaction());
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, count), "0");

    // A transaction the caller started stays the caller's.
    signIn();
    m_dm->IBTransactionDEF.start();
    m_dm->DeleteLogonInfo();
    EXPECT_TRUE(m_dm->IBTransactionDEF.inTransaction());
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, count), "1");
    m_dm->IBTransactionDEF.commit();
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, count), "0");
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataModuleTest, FileManagementDatabaseOpensOnlyWhenItsFileExists)
{
    EXPECT_FALSE(m_dm->fnFileManConnected(""));
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    EXPECT_TRUE(m_dm->fnFileManConnected(""));
    EXPECT_TRUE(m_dm->fnFileManConnected("")); // already open
    EXPECT_EQ(m_dm->IBFileMan.databaseName(), native("data/dwfileman.fdb"));
    // Server modes ask the server's machine: DataModuleServicesServerTest.
}

TEST_F(DataModuleTest, DropDatabaseRemovesTheCompanyFile)
{
    EXPECT_FALSE(m_dm->AccDatDropDatabase("", ""));
    EXPECT_TRUE(m_dm->AccDatDropDatabase("", "D:\\data\\0002"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "data" / "0002" / "dwacc.fdb"));
    EXPECT_FALSE(m_dm->AccDatDropDatabase("", "D:\\data\\0002"));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text.rfind(
                  "ユーザーデータベースの削除処理に失敗しました。\r接続パスを確認して下さい。", 0),
              0u);
}

TEST_F(DataModuleTest, InConnectionSeesOurOwnAttachmentOnlyWhenKept)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    EXPECT_FALSE(m_dm->AccDatInConnection(1, "", "  ", 1));
    EXPECT_TRUE(m_dm->AccDatInConnection(1, "", "D:\\data\\0001", 1));
    EXPECT_TRUE(m_dm->AccDatInConnection(0, "", "d:\\DATA", 1)); // names compare in any case
    EXPECT_FALSE(m_dm->AccDatInConnection(1, "", "D:\\data\\0001", 0));
    EXPECT_FALSE(m_dm->AccDatInConnection(1, "", "D:\\data\\0002", 1));
    // The connections closed for the test are open again.
    EXPECT_TRUE(m_dm->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_TRUE(m_messages.boxes().empty());
}

} // namespace
