// Client/server: the fixtures served by the Firebird server on loopback.
#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/ServiceManager.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/TcpRelay.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace firebird;

namespace {

class ServerConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureServer();
        m_file = testsupport::FixtureDb::copyTo("system", m_dir / "data" / "dwaccdef.fdb").string();
    }

    std::string remoteProtocol(Attachment& db)
    {
        Transaction tr(db);
        tr.start();
        Statement st(tr, "SELECT MON$REMOTE_PROTOCOL AS P FROM MON$ATTACHMENTS "
                         "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
        Cursor c = st.open();
        c.fetch();
        return c.getString("P");
    }

    testsupport::TempDir m_dir;
    std::string m_file;
};

TEST_F(ServerConnectionTest, HostPathGoesOverTcpAndAPlainPathStaysLocal)
{
    Attachment remote;
    remote.connect(testsupport::morabyParams(databaseName("localhost", m_file)));
    EXPECT_EQ(remoteProtocol(remote), "TCPv4");
    remote.disconnect();

    Attachment local;
    local.connect(testsupport::morabyParams(databaseName("", m_file)));
    EXPECT_EQ(remoteProtocol(local), "");
}

TEST_F(ServerConnectionTest, WrongPasswordIsALoginError)
{
    ConnectParams p = testsupport::morabyParams(databaseName("localhost", m_file));
    p.password = "QOLVEX"; // passwords are case-sensitive
    Attachment db;
    try {
        db.connect(p);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.statusCode(), kLoginError);
    }
}

TEST_F(ServerConnectionTest, ServiceManagerListsAttachedDatabasesToMoraby)
{
    ServiceManager svc("localhost", "MORABY", "qolvex");
    auto listed = [&] {
        const auto names = svc.attachedDatabases();
        return std::find(names.begin(), names.end(), m_file) != names.end();
    };
    EXPECT_FALSE(listed());
    Attachment db;
    db.connect(testsupport::morabyParams(databaseName("localhost", m_file)));
    EXPECT_TRUE(listed());
    db.disconnect();
    EXPECT_FALSE(listed());
}

TEST_F(ServerConnectionTest, ACutLinkIsANetworkErrorAndTheDatabaseOpensAgain)
{
    testsupport::TcpRelay relay;
    const std::string name = databaseName("localhost/" + std::to_string(relay.port()), m_file);
    Attachment db;
    db.connect(testsupport::morabyParams(name));
    Transaction tr(db);
    Statement st(tr, "SELECT COUNT(*) FROM OPERATOR");
    tr.start();
    {
        Cursor c = st.open();
        ASSERT_TRUE(c.fetch());
        EXPECT_EQ(c.getInt64(0), 2);
    }

    relay.cutConnections();
    try {
        Cursor c = st.open();
        c.fetch();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.statusCode(), kNetworkError) << e.message();
    }
    db.forceClose();
    EXPECT_FALSE(db.connected());
    EXPECT_FALSE(tr.inTransaction());

    db.connect(db.params());
    tr.start();
    Cursor c = st.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getInt64(0), 2);
    EXPECT_EQ(relay.linksOpened(), 2);

    c.close();
    tr.commit();
    relay.stopListening();
    db.forceClose();
    try {
        db.connect(db.params());
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.statusCode(), kNetworkError) << e.message();
    }
}

} // namespace
