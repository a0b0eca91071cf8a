// The upgrade dialog in client/server mode against the server on loopback.
#include "dbupdate/DbUpdateBox.h"

#include "dbupdate/IsqlScriptRunner.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "platform/MessageService.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

class DbUpdateBoxServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureServer();
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        for (const char* folder : {"log", "tmp", "temp", "sql/800"})
            fs::create_directories(m_root / folder);
        SystemDef.SysDir = "D:\\data";
        SystemDef.SqlFolder = "D:\\sql";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.TempFolder = "D:\\temp";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000010;
        SystemDef.HostName = "localhost";
        SystemDef.ServerTempFolder = m_work.windowsPath(); // where a sign-in points it
        DataDefFile = "dwaccdef.fdb";
        ConnectMode = 1;
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    std::string database() const { return "localhost:" + (m_root / "data" / "dwaccdef.fdb").string(); }

    std::string query(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        std::string out;
        while (c.fetch()) {
            if (!out.empty())
                out += "|";
            for (int i = 0; i < c.fieldCount(); ++i)
                out += (i ? "," : "") + (c.isNull(i) ? std::string("<null>") : c.getString(i));
        }
        return out;
    }

    void exec(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database()));
        db.executeImmediate(sql);
    }

    testsupport::TempDir m_root;
    testsupport::ServerWorkFolder m_work;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(DbUpdateBoxServerTest, ABaseSystemDatabaseUpgradesOnTheServer)
{
    testsupport::FixtureDb::copyTo("system-base", m_root / "data" / "dwaccdef.fdb");
    testsupport::FixtureDb::copyTo("fileman", m_root / "data" / "dwfileman.fdb");
    // Three slots under the system folder in mixed case, one elsewhere.
    exec("UPDATE DATALIST SET PASNAME = 'D:' || x'5C' || 'Data' || x'5C' || 'Sub' || LPAD(REC, 4, '0') WHERE REC <= 3");
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    dbupdate::TDbUpdateBox box;
    box.InitUpdateList(0, "");
    ASSERT_EQ(box.Check.LastPending - box.Check.FirstPending + 1, 13);
    box.btnOk->Click();
    QApplication::processEvents();
    EXPECT_TRUE(box.Check.Done) << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
    EXPECT_EQ(box.modalResult(), 1);
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(query("SELECT COUNT(*), MAX(REC) FROM VERSION"), "13,13");
    EXPECT_EQ(query("SELECT PASNAME FROM DATALIST WHERE REC IN (1, 4) ORDER BY REC"),
              "D:\\DATA\\SUB0001|C:\\zaimu\\Data\\0004");
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected()) << "the program's own connection is back";
}

TEST_F(DbUpdateBoxServerTest, AnotherAttachmentRefusesTheRun)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 17, '経理　次郎', 1)");
    exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000017, 10000, 17, 'pc17')");
    firebird::Attachment other;
    other.connect(testsupport::morabyParams(database()));

    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    dbupdate::TDbUpdateBox box;
    bool ran = false;
    box.Check.setSteps(0, {{8, 0, 1, [&ran] { ran = true; return 1; }, 0, "試験", ""}});
    box.InitUpdateList(0, "8.0.0");
    std::string text;
    std::vector<std::string> lines;
    m_messages.onDialog([&](QDialog& dialog) {
        auto* message = qobject_cast<TMessageBox*>(&dialog);
        if (message) {
            text = message->MsgText;
            lines = message->MsgLines;
            EXPECT_EQ(message->MsgCaption, "情報");
            EXPECT_EQ(message->MsgKind, 1);
        }
        return 1;
    });
    box.btnOk->Click();
    QApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(box.modalResult(), 4);
    EXPECT_EQ(text, "現在、他のオペレータがシステムを利用中です。\rデータベースの更新を行うには、"
                    "システムを終了するようにご連絡して下さい。");
    EXPECT_EQ(lines, (std::vector<std::string>{"利用中のオペレータ (異常終了時のオペレータ含む)", "",
                                               "[ 0017 ]:  経理　次郎\r"}));
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QString());
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
}

// A company database that another attachment holds: the information box, result 4, nothing run,
// and the other attachment left as it was.
TEST_F(DbUpdateBoxServerTest, AnotherAttachmentOnTheCompanyDatabaseRefusesTheRun)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    testsupport::FixtureDb::copyTo("company", m_root / "data" / "0001" / "dwacc.fdb");
    SystemDef.DataDir = "D:\\data\\0001";
    DataFile = "dwacc.fdb";
    DataBackupFile = "dwacc.fbk";
    firebird::Attachment other;
    other.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "0001" / "dwacc.fdb").string()));

    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    dbupdate::TDbUpdateBox box;
    bool ran = false;
    box.Check.setSteps(1, {{8, 0, 1, [&ran] { ran = true; return 1; }, 1, "試験", ""}});
    box.InitUpdateList(1, "8.0.0");
    box.cboxAgree->setChecked(true);
    m_messages.answer(platform::IDYES);
    box.btnOk->Click();
    QApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(box.modalResult(), 4);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].kind, "information");
    EXPECT_EQ(m_messages.boxes()[0].text, "現在、他のオペレータが会計データを利用中です。\rデータベースの更新を行うには、"
                                          "会計データの利用を停止するようにご連絡して下さい。");
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QString());
    EXPECT_FALSE(fs::exists(m_root / "temp" / "dataup.fbk")) << "no backup either";
    EXPECT_TRUE(other.connected());
}

} // namespace
