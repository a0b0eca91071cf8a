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
#include <functional>
#include <memory>

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

// Every way a connection goes away is one condition for the program: a cut link, an
// attachment the server ends, a server out of reach, work on the attachment closed after it.
// Ordinary errors are not.
TEST_F(ServerConnectionTest, EveryWayOfLosingTheConnectionIsOneCondition)
{
    const std::string name = databaseName("localhost", m_file);
    auto caught = [](const std::function<void()>& step) -> std::unique_ptr<std::exception> {
        try {
            step();
        } catch (const DatabaseError& e) {
            return std::make_unique<DatabaseError>(e);
        } catch (const NotConnectedError& e) {
            return std::make_unique<NotConnectedError>(e);
        } catch (const UsageError& e) {
            return std::make_unique<UsageError>(e);
        }
        return nullptr;
    };
    auto query = [](Attachment& db) {
        Transaction tr(db);
        tr.start();
        Statement st(tr, "SELECT COUNT(*) FROM OPERATOR");
        st.open().fetch();
    };

    Attachment killed;
    killed.connect(testsupport::morabyParams(name));
    const std::string id = [&] {
        Transaction tr(killed);
        tr.start();
        Statement st(tr, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
        Cursor c = st.open();
        c.fetch();
        return std::to_string(c.getInt64(0));
    }();
    {
        Attachment admin;
        admin.connect(testsupport::morabyParams(name));
        admin.executeImmediate("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID=" + id);
    }
    testsupport::TcpRelay relay;
    Attachment cut;
    cut.connect(testsupport::morabyParams(databaseName("localhost/" + std::to_string(relay.port()), m_file)));
    Attachment closed;
    Attachment fine;
    fine.connect(testsupport::morabyParams(name));
    ConnectParams wrongPassword = testsupport::morabyParams(name);
    wrongPassword.password = "QOLVEX";

    struct Case {
        const char* what;
        std::function<void()> step;
        bool lost;
    };
    const std::vector<Case> cases = {
        {"the server ended the attachment", [&] { query(killed); }, true},
        {"the link was cut", [&] { relay.cutConnections(); query(cut); }, true},
        {"the server is out of reach", [&] {
             relay.stopListening();
             Attachment db;
             db.connect(cut.params());
         }, true},
        {"the attachment was closed", [&] { query(closed); }, true},
        {"a wrong password", [&] { Attachment db; db.connect(wrongPassword); }, false},
        {"a unique key", [&] {
             Transaction tr(fine);
             tr.start();
             Statement st(tr, "INSERT INTO OPERATOR SELECT * FROM OPERATOR ROWS 1");
             st.execute();
         }, false},
        {"a statement without its transaction", [&] { Transaction tr(fine); Statement(tr, "SELECT 1 FROM RDB$DATABASE").open(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::unique_ptr<std::exception> error = caught(c.step);
        ASSERT_NE(error, nullptr) << "the step failed";
        EXPECT_EQ(isConnectionLoss(*error), c.lost) << error->what();
        if (const auto* db = dynamic_cast<const DatabaseError*>(error.get())) {
            EXPECT_EQ(isConnectionLoss(db->statusCode()), c.lost);
        }
    }
}

} // namespace
