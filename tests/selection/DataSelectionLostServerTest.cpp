// The data-selection dialog when its connection to the server is lost: ended by the server
// (the attachment deleted from another one, as an administrator or a server restart does) or
// out of reach (the relay between the program and the server stops). Each action reports the
// loss once, as the loss it is, and marks nothing damaged.
#include "DataSelectionServerFixture.h"

#include "records/DbErrorHandler.h"
#include "support/TcpRelay.h"
#include "wizard/HostHooks.h"

#include <functional>

namespace {

using namespace seltest;

const std::string kLost = "サーバーとの接続が切断されたため、処理を中止しました。";
const std::string kLostAndBack = kLost + "\r接続し直しましたので、もう一度操作して下さい。";
const std::string kFatal =
    "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が"
    "切断されました。\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回か"
    "メッセージが表示される場合があります）\rアプリケーションが終了しましたら再起動して下さい。\r";

class DataSelectionLostServerTest : public DataSelectionServerTest {
protected:
    void SetUp() override
    {
        DataSelectionServerTest::SetUp();
        if (HasFatalFailure())
            return;
        records::setProgramEndRequest([this] { ++m_endRequests; });
        // The damage check runs as in the program: 情報 and F12 validate the data set.
        installHostHooks();
        SystemDef.DataHasonCheck = 1;
        exec("UPDATE DATALIST SET DATALOCK=17 WHERE REC=2");
    }

    void TearDown() override
    {
        records::setProgramEndRequest({});
        clearHostHooks();
        DataSelectionServerTest::TearDown();
    }

    // The system database as the server holds it, read past the program's own connection.
    std::string direct(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        return c.fetch() ? (c.isNull(0) ? "<null>" : c.getString(0)) : "<no row>";
    }

    // The server ends the program's attachment, as "DELETE FROM MON$ATTACHMENTS" from another
    // attachment does.
    void serverEndsTheConnection()
    {
        const std::string id = one("SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "dwaccdef.fdb").string()));
        db.executeImmediate("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID=" + id);
    }

    // The catalogue rows 1 and 2 as they must stay: names, damage marks and locks.
    std::string catalogueRows()
    {
        return direct("SELECT LIST(ENTTEXT || ':' || DATA_STATUS || ':' || DATALOCK, ',') FROM "
                      "(SELECT ENTTEXT, DATA_STATUS, DATALOCK FROM DATALIST WHERE REC IN (1, 2) ORDER BY REC)");
    }

    static void ready(TDataSentakuBox& box, int row)
    {
        box.show();
        QApplication::setActiveWindow(&box);
        box.PerfectGrid1()->setFocus();
        box.PerfectGrid1()->setCurrentRow(row);
        box.SetFunctionKeys();
    }

    int m_endRequests = 0;
};

const std::string kRefreshQuestion = "データリストの更新をおこないます。\rよろしいですか？";

// Each action after the server ended the connection: one box that says so, the connection
// open again, the rows and the catalogue as they were.
TEST_F(DataSelectionLostServerTest, EachActionReportsAnEndedConnectionOnce)
{
    auto box = dialog();
    const int row1 = rowOf(*box, 1);
    const int row2 = rowOf(*box, 2);
    ready(*box, row1);
    const std::string before = catalogueRows();
    ASSERT_EQ(before, "一番の会社:0:0,二番の会社:0:17");
    struct Case {
        const char* action;
        std::function<void()> run;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {"情報", [&] { box->btnDataInfo()->Click(); }, {kLostAndBack}},
        {"F12", [&] {
             box->FunctionKey(fkF12)->Click();
             EXPECT_EQ(box->modalResult(), 0) << "nothing chosen";
         }, {kLostAndBack}},
        {"lock click", [&] { box->DataLockClick(row1); }, {kLostAndBack}},
        {"lock click on a row another holds", [&] { box->DataLockClick(row2); }, {kLostAndBack}},
        {"更新", [&] { box->btnListUpdate()->Click(); }, {kRefreshQuestion, kLostAndBack}},
        // One row's refresh is a step of 情報 and F2, which report the loss.
        {"one row's refresh", [&] { box->DataListRefresh(row1); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        m_messages.clear();
        for (const std::string& text : c.boxes)
            m_messages.expectBox(text, text == kRefreshQuestion ? std::optional<int>(platform::IDYES) : std::nullopt);
        box->PerfectGrid1()->setCurrentRow(row1);
        serverEndsTheConnection();
        c.run();
        EXPECT_EQ(m_messages.texts(), c.boxes);
        EXPECT_EQ(catalogueRows(), before);
        EXPECT_EQ(box->PerfectGrid1()->model().cellText(row1, 2), QStringLiteral("一番の会社"));
        EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row2, 9), 17);
        EXPECT_EQ(box->GetRowRec(row1)->DATA_STATUS, 0);
        EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
        EXPECT_FALSE(DbFatalFlag);
    }
    // The connection is back: the lock click works as before.
    m_messages.clear();
    box->DataLockClick(row1);
    EXPECT_EQ(direct("SELECT DATALOCK FROM DATALIST WHERE REC=1"), "15");
    EXPECT_TRUE(m_messages.boxes().empty());
}

// With the server out of reach the handler's own message says it and the program ends;
// nothing is called damaged and nothing else is shown.
TEST_F(DataSelectionLostServerTest, AServerOutOfReachIsReportedByTheHandlersMessageAlone)
{
    struct Case {
        const char* action;
        std::function<void(TDataSentakuBox&)> run;
        bool question;
    };
    const std::vector<Case> cases = {
        {"情報", [](TDataSentakuBox& box) { box.btnDataInfo()->Click(); }, false},
        {"F12", [](TDataSentakuBox& box) { box.FunctionKey(fkF12)->Click(); }, false},
        {"lock click", [](TDataSentakuBox& box) { box.DataLockClick(box.PerfectGrid1()->currentRow()); }, false},
        {"更新", [](TDataSentakuBox& box) { box.btnListUpdate()->Click(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        DbFatalFlag = 0;
        m_endRequests = 0;
        m_messages.clear();
        testsupport::TcpRelay relay;
        m_dm.reset();
        SystemDef.HostName = "localhost/" + std::to_string(relay.port());
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        auto box = dialog();
        ready(*box, rowOf(*box, 1));
        relay.stopListening();
        relay.cutConnections();
        std::vector<std::string> expected;
        if (c.question) {
            m_messages.expectBox(kRefreshQuestion, platform::IDYES);
            expected.push_back(kRefreshQuestion);
        }
        m_messages.expectBox(kFatal);
        expected.push_back(kFatal);
        c.run(*box);
        EXPECT_EQ(m_messages.texts(), expected);
        EXPECT_TRUE(DbFatalFlag);
        EXPECT_GE(m_endRequests, 1);
        EXPECT_EQ(box->modalResult(), 0);
        EXPECT_EQ(box->GetRowRec(rowOf(*box, 1))->DATA_STATUS, 0);
        EXPECT_EQ(catalogueRows(), "一番の会社:0:0,二番の会社:0:17");
        box.reset();
        SystemDef.HostName = "localhost";
    }
}

} // namespace
