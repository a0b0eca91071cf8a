// The upgrade dialog in process: its modes and keys, a run with a slow tool, and runs of the
// real steps that fail with and without a backup.
#include "dbupdate/DbUpdateBox.h"

#include "StandInTool.h"

#include "dbupdate/IsqlScriptRunner.h"
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
using dbupdate::TDbUpdateBox;

namespace {

// Esc as the user gives it: to the control that has the focus.
void pressEscape(QWidget& box)
{
    QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, Qt::Key_Escape);
}

class DbUpdateBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        for (const char* folder : {"log", "tmp", "exe", "temp", "sql/800", "docs"})
            fs::create_directories(m_root / folder);
        SystemDef.SysDir = "D:\\data";
        SystemDef.ExeFolder = "D:\\exe";
        SystemDef.SqlFolder = "D:\\sql";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.TempFolder = "D:\\temp";
        SystemDef.DocumentFolder = "D:\\docs";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000010;
        DataDefFile = "dwaccdef.fdb";
        ConnectMode = 0;
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    std::string query(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "data" / "dwaccdef.fdb").string()));
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
        db.connect(testsupport::morabyParams((m_root / "data" / "dwaccdef.fdb").string()));
        db.executeImmediate(sql);
    }

    // A step of our own at 8.0.1 that runs a harmless script through the runner.
    static dbupdate::TArrayDbUpdateListRec ownSteps()
    {
        auto run = [] {
            dbupdate::DbUpdateScript script(SystemDef.SysDir, DataDefFile);
            script.add("SELECT 1 FROM RDB$DATABASE;");
            script.addSystemVersion(8, 0, 1);
            script.add("EXIT;");
            script.save();
            return dbupdate::ExecIsqlScript("8.0.1");
        };
        return {{8, 0, 1, run, 0, "試験の手順", "一行目\r二行目"}};
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(DbUpdateBoxTest, ModesAgreementAndKeys)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    TDbUpdateBox box;
    box.Check.setSteps(1, ownSteps());
    box.InitUpdateList(1, "8.0.0");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.lblTitle1->text(), QStringLiteral("会計データの更新を行います。"));
    EXPECT_TRUE(box.cboxAgree->isVisible());
    EXPECT_TRUE(box.btnCancel->isVisible());
    EXPECT_FALSE(box.btnOk->isEnabled()) << "not before the agreement";
    box.cboxAgree->setChecked(true);
    EXPECT_TRUE(box.btnOk->isEnabled());
    ASSERT_EQ(box.ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(0), QStringLiteral("8.0.1"));
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(1), QStringLiteral("試験の手順"));
    EXPECT_EQ(box.RichEdit1->toPlainText(), QStringLiteral("一行目\n二行目"));
    box.grab().save(QString::fromStdString((fs::path(TEST_BINARY_DIR) / "DbUpdateBox-company.png").string()));
    box.cboxAgree->setChecked(false);
    EXPECT_FALSE(box.btnOk->isEnabled());
    pressEscape(box);
    QApplication::processEvents();
    EXPECT_EQ(box.modalResult(), 2);
    EXPECT_FALSE(box.isVisible());

    // System data: no Cancel button, no agreement; Esc still cancels.
    box.Check.setSteps(0, ownSteps());
    box.InitUpdateList(0, "8.0.0");
    box.setModalResult(0);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_FALSE(box.btnCancel->isVisible());
    EXPECT_FALSE(box.cboxAgree->isVisible());
    EXPECT_TRUE(box.btnOk->isEnabled());
    EXPECT_TRUE(box.ImageRed->isVisible());
    box.grab().save(QString::fromStdString((fs::path(TEST_BINARY_DIR) / "DbUpdateBox-system.png").string()));
    pressEscape(box);
    QApplication::processEvents();
    EXPECT_EQ(box.modalResult(), 2);
}

TEST_F(DbUpdateBoxTest, KeysDoNothingDuringARun)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    StandInTool tool(m_root / "exe");
    tool.output("Use CONNECT\nSELECT 1 FROM RDB$DATABASE;\nEXIT;\n");
    testsupport::ScopedEnvironment sleep("STANDIN_SLEEP", "2");
    TDbUpdateBox box;
    box.Check.setSteps(0, ownSteps());
    box.InitUpdateList(0, "8.0.0");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    bool busyMeanwhile = false;
    int resultMeanwhile = -1;
    bool visibleMeanwhile = false;
    bool panelMeanwhile = false;
    QTimer::singleShot(700, &box, [&] {
        busyMeanwhile = box.busy();
        pressEscape(box);
        box.btnOk->Click();
        QApplication::processEvents();
        resultMeanwhile = box.modalResult();
        visibleMeanwhile = box.isVisible();
        panelMeanwhile = box.pnlProgress->isVisible();
        box.grab().save(QString::fromStdString((fs::path(TEST_BINARY_DIR) / "DbUpdateBox-running.png").string()));
    });
    box.btnOk->Click();
    QApplication::processEvents();
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_EQ(resultMeanwhile, 0) << "Esc and OK change nothing while the step runs";
    EXPECT_TRUE(visibleMeanwhile);
    EXPECT_TRUE(panelMeanwhile);
    EXPECT_FALSE(box.busy());
    EXPECT_EQ(box.modalResult(), 1);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("完了"));
    EXPECT_EQ(box.ProgressBar1->value(), 1);
    EXPECT_TRUE(box.Check.Done);
    EXPECT_TRUE(m_messages.boxes().empty());

    box.setModalResult(0);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    pressEscape(box);
    QApplication::processEvents();
    EXPECT_EQ(box.modalResult(), 2);
}

TEST_F(DbUpdateBoxTest, AFailedStepWithABackupRestoresTheDatabase)
{
    testsupport::FixtureDb::copyTo("system-base", m_root / "data" / "dwaccdef.fdb");
    exec("DROP TRIGGER SERVERDATALIST_NO");
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    TDbUpdateBox box;
    box.InitUpdateList(0, "");
    ASSERT_EQ(box.Check.BackupCount, 4);
    m_messages.answer(platform::IDOK); // the runner's box
    m_messages.answer(platform::IDOK); // the mode's failure box
    box.btnOk->Click();
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"Ver 0.3.1のデータベース更新に失敗しました。",
                                                            "システムデータの更新に失敗しました。"}));
    EXPECT_EQ(box.modalResult(), 4);
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("失敗"));
    EXPECT_EQ(box.ListView1->topLevelItem(1)->text(2), QString());
    EXPECT_EQ(box.ProgressBar1->value(), 0);
    EXPECT_TRUE(fs::exists(m_root / "temp" / "dataup.fbk"));
    // As it was: the trigger and the columns that went in before the failing statement are gone.
    EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'VERSION_REC'"), "0");
    EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'DATALIST' "
                    "AND RDB$FIELD_NAME = 'KYOYULOCK'"),
              "0");
    EXPECT_EQ(query("SELECT COUNT(*) FROM VERSION"), "0");
    EXPECT_EQ(query("SELECT COUNT(*) FROM DATALIST"), "120");
}

TEST_F(DbUpdateBoxTest, AFailedInstalledFileWithoutBackupKeepsItsVersion)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    testsupport::writeFile(m_root / "sql" / "800" / "sysup01.sql", "UPDATE NO_SUCH_TABLE SET A = 1;\r\n");
    TDbUpdateBox box;
    box.InitUpdateList(0, "7.0.0");
    ASSERT_EQ(box.Check.BackupCount, 0);
    m_messages.answer(platform::IDOK);
    EXPECT_EQ(box.ExecuteUpdates(), 0);
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"Ver 8.0.0のデータベース更新に失敗しました。"}));
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("完了"));
    EXPECT_EQ(box.ListView1->topLevelItem(1)->text(2), QStringLiteral("失敗"));
    EXPECT_FALSE(fs::exists(m_root / "temp" / "dataup.fbk")) << "no backup, no restore";
    EXPECT_EQ(query("SELECT FIRST 1 MAJOR, MINOR1, MINOR2 FROM VERSION ORDER BY REC DESC"), "8,0,0");
    EXPECT_NE(testsupport::readFile(m_root / "log" / "ErrDataup.txt").find("NO_SUCH_TABLE"), std::string::npos);
}

TEST_F(DbUpdateBoxTest, AStepWithoutARoutineIsRefusedBeforeItStarts)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    TDbUpdateBox box;
    auto steps = ownSteps();
    steps.push_back({8, 0, 2, {}, 1, "未実装", ""});
    box.Check.setSteps(0, steps);
    box.InitUpdateList(0, "8.0.0");
    EXPECT_EQ(box.ExecuteUpdates(), -1);
    EXPECT_FALSE(fs::exists(m_root / "temp" / "dataup.fbk"));
    EXPECT_EQ(query("SELECT COUNT(*) FROM VERSION WHERE MAJOR = 8 AND MINOR2 = 1"), "0");
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QString());
}

// A script that is gone when the tool would run: code 18, the row says the file is missing,
// the steps before it are undone by the restore and the rows after it stay empty.
TEST_F(DbUpdateBoxTest, AMissingScriptMarksItsRowAndRestoresTheBackup)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    auto steps = ownSteps();
    steps[0].NeedBackup = 1;
    auto vanished = [] {
        dbupdate::DbUpdateScript script(SystemDef.SysDir, DataDefFile);
        script.addSystemVersion(8, 0, 2);
        script.add("EXIT;");
        script.save();
        fs::remove(dbupdate::updateScriptPath());
        return dbupdate::ExecIsqlScript("8.0.2");
    };
    steps.push_back({8, 0, 2, vanished, 0, "消える手順", ""});
    steps.push_back({8, 0, 3, ownSteps()[0].UpdateFunc, 0, "後の手順", ""});
    TDbUpdateBox box;
    box.Check.setSteps(0, steps);
    box.InitUpdateList(0, "8.0.0");
    ASSERT_EQ(box.Check.BackupCount, 1);
    m_messages.answer(platform::IDOK); // the runner's box
    EXPECT_EQ(box.ExecuteUpdates(), 0);
    ASSERT_EQ(m_messages.texts().size(), 1u);
    const std::string text = m_messages.texts()[0];
    EXPECT_EQ(text.rfind("更新ファイル(", 0), 0u) << text;
    EXPECT_NE(text.find(")が見つかりません。\r処理を中止します。"), std::string::npos) << text;
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("完了"));
    EXPECT_EQ(box.ListView1->topLevelItem(1)->text(2), QStringLiteral("ﾌｧｲﾙ不足"));
    EXPECT_EQ(box.ListView1->topLevelItem(2)->text(2), QString());
    EXPECT_EQ(box.ProgressBar1->value(), 1);
    // The restore took 8.0.1 back out.
    EXPECT_EQ(query("SELECT COUNT(*) FROM VERSION WHERE MAJOR = 8 AND MINOR2 > 0"), "0");
}

// Two company steps of our own (7.0.4 and 8.0.0), both asking for a backup; the second runs a
// bad statement when `failSecond` is set.
dbupdate::TArrayDbUpdateListRec companySteps(const bool& failSecond)
{
    auto step = [&failSecond](int minor2, int major, bool second) {
        return [=, &failSecond] {
            dbupdate::DbUpdateScript script(SystemDef.DataDir, DataFile);
            if (second && failSecond)
                script.add("UPDATE NO_SUCH_TABLE SET A = 1;");
            script.add("UPDATE ACCVERSION SET MAJOR=" + std::to_string(major) + ",MINOR1=0,MINOR2=" +
                       std::to_string(minor2) + " WHERE REC=1;");
            script.add("COMMIT;");
            script.add("EXIT;");
            script.save();
            return dbupdate::ExecIsqlScript(std::to_string(major) + ".0." + std::to_string(minor2));
        };
    };
    return {{7, 0, 4, step(4, 7, false), 1, "一つ目", ""}, {8, 0, 0, step(0, 8, true), 1, "二つ目", ""}};
}

TEST_F(DbUpdateBoxTest, CompanyRunsKeepTheBackupAndRestoreItAfterAFailure)
{
    testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
    testsupport::FixtureDb::copyTo("company", m_root / "data" / "0001" / "dwacc.fdb");
    SystemDef.DataDir = "D:\\data\\0001";
    DataFile = "dwacc.fdb";
    DataBackupFile = "dwacc.fbk";
    auto companyQuery = [&](const std::string& sql) {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "data" / "0001" / "dwacc.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        std::string out;
        if (c.fetch())
            for (int i = 0; i < c.fieldCount(); ++i)
                out += (i ? "." : "") + c.getString(i);
        return out;
    };
    auto setVersion703 = [&] {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "data" / "0001" / "dwacc.fdb").string()));
        db.executeImmediate("UPDATE ACCVERSION SET MAJOR = 7, MINOR1 = 0, MINOR2 = 3 WHERE REC = 1");
    };
    const char* const version = "SELECT MAJOR, MINOR1, MINOR2 FROM ACCVERSION WHERE REC = 1";
    setVersion703();
    bool failSecond = false;

    {
        ASSERT_TRUE(m_dm->fnAccDatConnected("", SystemDef.DataDir, 0));
        TDbUpdateBox box;
        box.Check.setSteps(1, companySteps(failSecond));
        box.InitUpdateList(1, "");
        ASSERT_EQ(box.Check.BackupCount, 2);
        AccInf.SHOUGOU = "a/b:c";
        box.cboxAgree->setChecked(true);
        box.btnOk->Click();
        EXPECT_TRUE(box.Check.Done);
        EXPECT_EQ(companyQuery(version), "8.0.0");
        EXPECT_TRUE(fs::exists(m_root / "temp" / "dataup.fbk"));
        EXPECT_TRUE(fs::exists(m_root / "docs" / "更新前データ" / "abc" / "dwacc.fbk"));
        EXPECT_TRUE(m_messages.boxes().empty());
    }

    setVersion703();
    failSecond = true;
    {
        TDbUpdateBox box;
        box.Check.setSteps(1, companySteps(failSecond));
        box.InitUpdateList(1, "7.0.3");
        AccInf.SHOUGOU = "  ";
        box.cboxAgree->setChecked(true);
        m_messages.answer(platform::IDOK); // the runner's box
        m_messages.answer(platform::IDOK); // the mode's failure box
        box.btnOk->Click();
        EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"Ver 8.0.0のデータベース更新に失敗しました。",
                                                                "会計データの更新に失敗しました。"}));
        EXPECT_FALSE(box.Check.Done);
        EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("完了"));
        EXPECT_EQ(box.ListView1->topLevelItem(1)->text(2), QStringLiteral("失敗"));
        EXPECT_EQ(box.ProgressBar1->value(), 1);
        EXPECT_EQ(companyQuery(version), "7.0.3") << "restored from the backup";
        EXPECT_TRUE(fs::exists(m_root / "docs" / "更新前データ" / "商号不明" / "dwacc.fbk"));
    }
}

} // namespace
