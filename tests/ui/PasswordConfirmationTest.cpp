// The password-confirmation sign-in of run modes 1-3 and the password-change dialog, against a
// real system database.
#include "ui/LogonBox.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox2.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/AppIniCreateBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/UpPasswordBox.h"

#include "UiTestSupport.h"

#include <QGroupBox>
#include <QLabel>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

constexpr const char* kWrongPassword = "パスワードが違います。\r正しいパスワードを入力して下さい。";

class PasswordConfirmationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        // Run modes 0 and 2 read the settings file's data folder, run mode 3 the cash book's.
        testsupport::FixtureDb::copyTo("system", m_root / "zaimu" / "data" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("system", m_root / "zaimu" / "cb_data" / "dwaccdef.fdb");
        fs::create_directories(m_root / "zaimu" / "log");
        SystemDef.DataRoot = "D:\\zaimu";
        SystemDef.IniFileName = "D:\\zaimu\\dwzaimu.ini";
        SystemDef.LogFolder = "D:\\zaimu\\log";
        SystemDef.SysDir = "D:\\zaimu\\data";
        SystemDef.ViewerFolder = "D:\\zaimu";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.PcName = "buildpc";
        SystemDef.AppCaption = "ゼトリノ連動コンポーネント";
        ASSERT_TRUE(CreateDefaultAppIni());
        platform::setMessageBox2Handler([](TMessage2InfoRec&) { return platform::mrOk; });
        records::setProgramEndRequest([] {});
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        platform::setMessageBox2Handler({});
        records::setProgramEndRequest({});
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    fs::path database(const char* folder) const
    {
        return m_root / "zaimu" / folder / "dwaccdef.fdb";
    }

    std::string query(const char* folder, const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database(folder).string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        firebird::Cursor c = st.open();
        return c.fetch() ? (c.isNull(0) ? "<null>" : c.getString(0)) : "<no row>";
    }

    void execute(const char* folder, const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database(folder).string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        st.execute();
        tr.commit();
    }

    static void typePassword(TLogonBox& box, const QString& password)
    {
        box.txtPassword()->setFocus();
        box.txtPassword()->clear();
        QTest::keyClicks(box.txtPassword(), password);
        box.OKBtn()->Click();
        QCoreApplication::processEvents();
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_boxes;
    std::unique_ptr<TDM> m_dm;
};

} // namespace

TEST_F(PasswordConfirmationTest, TheFormByRunMode)
{
    for (int mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        RunMode = std::uint8_t(mode);
        TLogonBox box;
        ASSERT_TRUE(box.created());
        EXPECT_TRUE(box.isPasswordVariant());
        EXPECT_EQ(box.windowTitle(), QStringLiteral("パスワードの確認"));
        EXPECT_EQ(box.Label2()->text(), QStringLiteral("パスワードを入力して下さい。"));
        EXPECT_FALSE(box.txtOpCode()->isVisibleTo(&box));
        EXPECT_FALSE(box.txtGroupID()->isVisibleTo(&box));
        EXPECT_FALSE(box.btnSA()->isVisibleTo(&box));
        EXPECT_TRUE(box.txtPassword()->isVisibleTo(&box));
        EXPECT_EQ(box.btnUpPassword()->isVisibleTo(&box), mode != 1);
        EXPECT_EQ(box.btnUpPassword()->CaptionA().Caption(), QStringLiteral("パスワードを変更 "));
        EXPECT_EQ(box.fixedOperatorCode(), mode == 3 ? 2 : 1);
        if (mode == 2)
            uitest::saveShot(box, "PasswordConfirmation");
    }
}

TEST_F(PasswordConfirmationTest, WithoutAStoredPasswordItIsSetFirst)
{
    RunMode = 2;
    bool asked = false;
    m_boxes.onDialog([&](QDialog& d) {
        auto* up = dynamic_cast<TUpPasswordBox*>(&d);
        EXPECT_NE(up, nullptr);
        if (!up)
            return int(platform::mrCancel);
        asked = true;
        EXPECT_EQ(up->windowTitle(), QStringLiteral("パスワードの設定"));
        EXPECT_EQ(up->Label1()->text(), QStringLiteral("パスワードを設定します。"));
        EXPECT_FALSE(up->txtPasswordNow()->isVisible());
        uitest::saveShot(*up, "UpPasswordBoxSet");
        QTest::keyClicks(up->txtPasswordNew1(), QStringLiteral("abc123"));
        QTest::keyClicks(up->txtPasswordNew2(), QStringLiteral("abc123"));
        up->OKBtn()->Click();
        return up->modalResult();
    });
    TLogonBox box;
    // The password is asked for as soon as the dialog is on screen.
    box.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(asked);
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_EQ(m_boxes.boxes()[0].kind, "dialog");
    m_boxes.clear();
    QApplication::setActiveWindow(&box);
    // The operator had no row: it is inserted as the system user of level 9.
    EXPECT_EQ(query("data", "SELECT PASWORD FROM OPERATOR WHERE GROUPID=10000 AND OPCODE=1"), "abc123");
    EXPECT_EQ(query("data", "SELECT OPNAME FROM OPERATOR WHERE GROUPID=10000 AND OPCODE=1"),
              "システムユーザー");
    EXPECT_EQ(query("data", "SELECT JOBLEVEL FROM OPERATOR WHERE GROUPID=10000 AND OPCODE=1"), "9");

    // A wrong password keeps the dialog open; the right one signs the fixed operator in.
    m_boxes.answerDefaults();
    typePassword(box, QStringLiteral("abc124"));
    ASSERT_EQ(m_boxes.texts(), std::vector<std::string>{kWrongPassword});
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(uitest::focusName(), "txtPassword");
    typePassword(box, QStringLiteral("abc123"));
    EXPECT_EQ(box.result(), platform::mrOk);
    EXPECT_EQ(SystemDef.LoginId, 10000 * 10000 + 9999);
    EXPECT_EQ(SystemDef.LoginCode, 9999);
    EXPECT_EQ(SystemDef.OperatorName, "システムユーザー");
    EXPECT_EQ(SystemDef.MyNumberAdm, 1);
}

TEST_F(PasswordConfirmationTest, TheNameOfAnOperatorWithoutOneFollowsTheRunMode)
{
    execute("data", "INSERT INTO OPERATOR (GROUPID, OPCODE, PASWORD) VALUES (10000, 1, 'pw')");
    execute("cb_data", "INSERT INTO OPERATOR (GROUPID, OPCODE, PASWORD) VALUES (10000, 2, 'pw')");
    struct Case {
        int mode;
        const char* name;
        int myNumberAdm;
    };
    for (const Case c : {Case{1, "電子帳簿", 1}, Case{2, "経営ヴェルトリン", 1}, Case{3, "現金出納帳", 0}}) {
        SCOPED_TRACE(c.mode);
        RunMode = std::uint8_t(c.mode);
        SystemDef.SysDir = "D:\\zaimu\\data";
        SystemDef.OperatorName.clear();
        TLogonBox box;
        uitest::showActive(box);
        QCoreApplication::processEvents();
        typePassword(box, QStringLiteral("pw"));
        EXPECT_TRUE(m_boxes.texts().empty()) << testing::PrintToString(m_boxes.texts());
        EXPECT_EQ(box.result(), platform::mrOk);
        EXPECT_EQ(SystemDef.OperatorName, c.name);
        EXPECT_EQ(SystemDef.MyNumberAdm, c.myNumberAdm);
        EXPECT_EQ(SystemDef.LoginId, 10000 * 10000 + 9999);
    }
}

TEST_F(PasswordConfirmationTest, TheEmptyPasswordChordNeedsTheStoredPassword)
{
    execute("data", "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, PASWORD) VALUES (10000, 1, '経理', 'pw')");
    RunMode = 2;
    TLogonBox box;
    uitest::showActive(box);
    QCoreApplication::processEvents();
    const auto chord = [&](Qt::Key key) {
        QTest::keyClick(box.txtPassword(), key, Qt::ControlModifier | Qt::ShiftModifier);
    };
    chord(Qt::Key_D);
    box.txtPassword()->setFocus();
    QTest::keyClicks(box.txtPassword(), QStringLiteral("px"));
    chord(Qt::Key_D);
    EXPECT_EQ(query("data", "SELECT PASWORD FROM OPERATOR WHERE GROUPID=10000 AND OPCODE=1"), "pw");
    box.txtPassword()->clear();
    QTest::keyClicks(box.txtPassword(), QStringLiteral("pw"));
    chord(Qt::Key_D);
    EXPECT_EQ(query("data", "SELECT PASWORD FROM OPERATOR WHERE GROUPID=10000 AND OPCODE=1"), "");
    // The other chord turns the office flag over.
    const bool jimusho = SystemDef.Jimusho;
    chord(Qt::Key_J);
    EXPECT_NE(SystemDef.Jimusho, jimusho);
    EXPECT_TRUE(m_boxes.texts().empty()) << testing::PrintToString(m_boxes.texts());
}

TEST_F(PasswordConfirmationTest, ThePasswordChangeChecksInOrder)
{
    struct Case {
        const char* now;
        const char* new1;
        const char* new2;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {"", "abc", "abc", "現在のパスワードが入力されていません。", "txtPasswordNow"},
        {"old2", "abc", "abc", "現在のパスワードが入力されたパスワードと一致しません。", "txtPasswordNow"},
        {"old1", "", "abc", "新しいパスワードが入力されていません。両方のボックスに入力して下さい。",
         "txtPasswordNew1"},
        {"old1", "abc", "", "新しいパスワードが入力されていません。両方のボックスに入力して下さい。",
         "txtPasswordNew2"},
        {"old1", "abc", "abd", "入力されたパスワードは一致しません。", "txtPasswordNew1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        TUpPasswordBox box("old1");
        uitest::showActive(box);
        EXPECT_EQ(box.windowTitle(), QStringLiteral("パスワードの変更"));
        QTest::keyClicks(box.txtPasswordNow(), QString::fromUtf8(c.now));
        QTest::keyClicks(box.txtPasswordNew1(), QString::fromUtf8(c.new1));
        QTest::keyClicks(box.txtPasswordNew2(), QString::fromUtf8(c.new2));
        m_boxes.answerDefaults();
        box.OKBtn()->Click();
        ASSERT_EQ(m_boxes.boxes().size(), 1u);
        EXPECT_EQ(m_boxes.boxes()[0].text, c.message);
        EXPECT_EQ(m_boxes.boxes()[0].kind, "warning");
        EXPECT_EQ(uitest::focusName(), c.focus);
        EXPECT_TRUE(box.isVisible());
        m_boxes.clear();
    }
    // Only 0-9, A-Z and a-z, at most ten of them.
    TUpPasswordBox box("old1");
    uitest::showActive(box);
    uitest::saveShot(box, "UpPasswordBoxChange");
    QTest::keyClicks(box.txtPasswordNow(), QStringLiteral("old1"));
    QTest::keyClicks(box.txtPasswordNew1(), QStringLiteral("ab-c!1_2345678 90"));
    EXPECT_EQ(box.txtPasswordNew1()->text(), QStringLiteral("abc1234567"));
    QTest::keyClicks(box.txtPasswordNew2(), QStringLiteral("abc1234567"));
    box.OKBtn()->Click();
    EXPECT_EQ(box.modalResult(), platform::mrOk);
    EXPECT_EQ(box.NewPassword(), "abc1234567");
}
