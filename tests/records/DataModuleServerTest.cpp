// The data module in client/server mode against the server on loopback.
#include "DataModuleFixture.h"

#include "firebird/DatabaseError.h"
#include "support/TcpRelay.h"

namespace {

class DataModuleServerTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        testsupport::ensureServer();
        ConnectMode = 1;
        SystemDef.HostName = "localhost";
    }

    std::string protocol(firebird::Attachment& db)
    {
        return queryOne(db, "SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS "
                            "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
    }

    // Attachments to a file on the server, as the server counts them.
    int serverAttachments(const std::string& file)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + file));
        const std::string n = queryOne(
            db, "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                "AND MON$REMOTE_PROTOCOL IS NOT NULL");
        return std::stoi(n);
    }
};

TEST_F(DataModuleServerTest, OpensOverTcpAndTreats127001AsLocal)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    EXPECT_EQ(m_dm->IBDatabaseDEF.databaseName(), "localhost:" + native("data/dwaccdef.fdb"));
    EXPECT_EQ(protocol(m_dm->IBDatabaseDEF), "TCPv4");
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    EXPECT_EQ(protocol(m_dm->IBDatabaseDAT), "TCPv4");
    EXPECT_EQ(serverAttachments(native("data/0001/dwacc.fdb")), 1);
    m_dm->fnAccDatDisconnected("", 0, 0);
    EXPECT_EQ(serverAttachments(native("data/0001/dwacc.fdb")), 0);

    ASSERT_TRUE(m_dm->fnAccDatConnected("127.0.0.1", "D:\\data\\0002", 0));
    EXPECT_EQ(m_dm->IBDatabaseDAT.databaseName(), native("data/0002/dwacc.fdb"));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataModuleServerTest, AWrongPasswordIsLoggedAndShown)
{
    SystemDef.DbPassword = "QOLVEX";
    EXPECT_FALSE(m_dm->fnAccDefConnected("", 1));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text.rfind("システムデータベースの接続処理に失敗しました。", 0), 0u);
    const auto log = logLines("ErrFbAccess.log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("Error=TDM.fnAccDefConnected [335544472]", 0), 0u) << log[1];
}

TEST_F(DataModuleServerTest, InConnectionSeesOtherAttachmentsAndKeepsOurs)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0002", 0));
    EXPECT_FALSE(m_dm->AccDatInConnection(1, "", "D:\\data\\0002", 0)); // ours does not count
    EXPECT_TRUE(m_dm->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_dm->AccDatInConnection(1, "", "D:\\data\\0002", 1));
    {
        firebird::Attachment other;
        other.connect(testsupport::morabyParams("localhost:" + native("data/0001/dwacc.fdb")));
        EXPECT_TRUE(m_dm->AccDatInConnection(1, "", "D:\\data\\0001", 0));
    }
    EXPECT_FALSE(m_dm->AccDatInConnection(1, "", "D:\\data\\0001", 0));
    EXPECT_TRUE(m_messages.boxes().empty());

    // The mended path: a failing service still leaves the system database open.
    EXPECT_FALSE(m_dm->AccDatInConnection(0, "localhost/1", "D:\\data", 0));
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_EQ(logLines("ErrFbAccess.log").size(), 2u);
}

TEST_F(DataModuleServerTest, DropDatabaseGoesThroughTheServerEvenFor127001)
{
    EXPECT_TRUE(m_dm->AccDatDropDatabase("127.0.0.1", "D:\\data\\0002"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "data" / "0002" / "dwacc.fdb"));
}

TEST_F(DataModuleServerTest, ALostLinkIsLoggedAndBothDatabasesReopen)
{
    testsupport::TcpRelay relay;
    SystemDef.HostName = "localhost/" + std::to_string(relay.port());
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0002", 0));
    SystemDef.DataDir = ""; // a worker's data set: the one open is the one to reopen
    EXPECT_EQ(relay.linksOpened(), 2);

    relay.cutConnections();
    try {
        m_dm->IBTransactionDEF.start();
        m_dm->IBSQLDEF.setSql("SELECT STEXT FROM SYSREG WHERE OPCODE = 1");
        m_dm->IBSQLDEF.open().fetch();
        FAIL() << "the link was cut";
    } catch (const firebird::DatabaseError& e) {
        ASSERT_EQ(e.statusCode(), firebird::kNetworkError) << e.message();
        HandleDbError(e, "TDM.funcGetSysReg", "", true);
    }
    EXPECT_TRUE(m_messages.boxes().empty());
    const auto log = logLines("ErrFbAccess.log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("Error=TDM.funcGetSysReg [335544721]", 0), 0u) << log[1];
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_TRUE(m_dm->IBDatabaseDAT.connected());
    EXPECT_EQ(m_dm->IBDatabaseDAT.databaseName(),
              SystemDef.HostName + ":" + native("data/0002/dwacc.fdb"));
    EXPECT_EQ(relay.linksOpened(), 4);
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, "SELECT COUNT(*) FROM OPERATOR"), "2");
    EXPECT_FALSE(DbFatalFlag);
    EXPECT_EQ(m_endRequests, 0);
}

// An attachment the server ends (an administrator's DELETE FROM MON$ATTACHMENTS, a server
// restart) is as lost as a cut link: logged, no box, both databases open again.
TEST_F(DataModuleServerTest, AnAttachmentTheServerEndsIsReopenedLikeACutLink)
{
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0002", 0));
    const std::string id = queryOne(m_dm->IBDatabaseDEF, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
    {
        firebird::Attachment admin;
        admin.connect(testsupport::morabyParams("localhost:" + native("data/dwaccdef.fdb")));
        admin.executeImmediate("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID=" + id);
    }
    const unsigned long losses = records::connectionLossCount();
    try {
        m_dm->IBTransactionDEF.start();
        m_dm->IBSQLDEF.setSql("SELECT STEXT FROM SYSREG WHERE OPCODE = 1");
        m_dm->IBSQLDEF.open().fetch();
        FAIL() << "the attachment was ended";
    } catch (const firebird::DatabaseError& e) {
        ASSERT_EQ(e.statusCode(), firebird::kConnectionShutdown) << e.message();
        HandleDbError(e, "TDM.funcGetSysReg", "システム情報の取得に失敗しました。", true);
    }
    EXPECT_TRUE(m_messages.boxes().empty()) << m_messages.texts()[0];
    EXPECT_EQ(records::connectionLossCount(), losses + 1);
    const auto log = logLines("ErrFbAccess.log");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("Error=TDM.funcGetSysReg [335544856]", 0), 0u) << log[1];
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDEF, "SELECT COUNT(*) FROM OPERATOR"), "2");
    EXPECT_TRUE(m_dm->IBDatabaseDAT.connected());
    EXPECT_FALSE(DbFatalFlag);
}

TEST_F(DataModuleServerTest, WithNoCompanyDatabaseOpenOnlyTheSystemOneReopens)
{
    testsupport::TcpRelay relay;
    SystemDef.HostName = "localhost/" + std::to_string(relay.port());
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));
    m_dm->fnAccDatDisconnected("", 0, 0); // closed normally: nothing to reopen

    relay.cutConnections();
    try {
        m_dm->IBTransactionDEF.start();
        FAIL() << "the link was cut";
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.DeleteLogonInfo", "ログイン情報の削除に失敗しました。", true);
    }
    EXPECT_TRUE(m_messages.boxes().empty()); // a lost link shows nothing
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
    EXPECT_EQ(relay.linksOpened(), 3);
    EXPECT_FALSE(DbFatalFlag);
}

TEST_F(DataModuleServerTest, ALinkThatCannotReopenEndsTheProgram)
{
    testsupport::TcpRelay relay;
    SystemDef.HostName = "localhost/" + std::to_string(relay.port());
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    ASSERT_TRUE(m_dm->fnAccDatConnected("", "D:\\data\\0001", 0));

    relay.stopListening();
    try {
        m_dm->IBTransactionDAT.start();
        FAIL() << "the link was cut";
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnGetAccInfo", "", true);
    }
    const std::string fatal =
        "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が"
        "切断されました。\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回か"
        "メッセージが表示される場合があります）\rアプリケーションが終了しましたら再起動して下さい。\r";
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{fatal})) << "the loss is told once";
    EXPECT_TRUE(DbFatalFlag);
    EXPECT_GE(m_endRequests, 1);
    const auto before = logLines("ErrFbAccess.log").size();
    HandleDbError(firebird::DatabaseError(335544345, -913, "x", "t"), "X.y", "later", true);
    EXPECT_EQ(logLines("ErrFbAccess.log").size(), before);
    EXPECT_EQ(m_messages.boxes().size(), 1u);
}

} // namespace
