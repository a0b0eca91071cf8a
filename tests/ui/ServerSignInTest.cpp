// Client/server sign-in as an operator meets it: the server settings from the sign-in dialog,
// then signing in through the loopback server to a system database in a temporary folder on C:.
#include "ui/LogonBox.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/IniFile.h"
#include "platform/MessageBox2.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/AppIniCreateBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

// The program's form of a path under drive C:, which is the file system's root for the
// program, the server and its file procedures alike.
std::string windowsPath(const fs::path& p)
{
    std::string s = "C:" + p.string();
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

class ServerSignInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureServer();
        records::resetProgramState();
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        fs::create_directories(m_root / "log");
        SystemDef.DataRoot = windowsPath(m_root.path());
        SystemDef.IniFileName = windowsPath(m_root / "dwzaimu.ini");
        SystemDef.LogFolder = windowsPath(m_root / "log");
        SystemDef.SysDir = windowsPath(m_root / "data");
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.PcName = "buildpc";
        SystemDef.AppCaption = "ゼトリノ連動コンポーネント";
        ASSERT_TRUE(CreateDefaultAppIni());
        m_boxes.answerDefaults();
        platform::setMessageBox2Handler([this](TMessage2InfoRec& rec) {
            std::string text;
            for (const auto& l : rec.Lines)
                if (!l.Text.empty())
                    text += (text.empty() ? "" : "\r") + l.Text;
            m_rich.push_back(text);
            return platform::mrYes;
        });
        records::setProgramEndRequest([] {});
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        platform::setMessageBox2Handler({});
        records::setProgramEndRequest({});
        records::resetProgramState();
    }

    static void signIn(TLogonBox& box, const QString& code, const QString& password)
    {
        box.txtOpCode()->setFocus();
        box.txtOpCode()->clear();
        QTest::keyClicks(box.txtOpCode(), code);
        QTest::keyClick(box.txtOpCode(), Qt::Key_Return);
        box.txtPassword()->clear();
        QTest::keyClicks(box.txtPassword(), password);
        QTest::keyClick(box.txtPassword(), Qt::Key_Return);
        QTest::keyClick(box.OKBtn(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    // Sign-in rows of the operator, read through the server.
    std::string signedInRows()
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, "SELECT COUNT(*) FROM LOGONUSERLIST WHERE OPCODE = 100000011");
        firebird::Cursor c = st.open();
        return c.fetch() ? c.getString(0) : "<no row>";
    }

    void setServer(const std::string& host)
    {
        platform::IniFile ini(SystemDef.IniFileName);
        ini.writeString("SERVER", "HOSTNAME", host);
        ini.writeString("SERVER", "SYSDIR", windowsPath(m_root / "data"));
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_boxes;
    std::vector<std::string> m_rich;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(ServerSignInTest, TheServerSettingsAreEnteredFromTheSignInDialog)
{
    TLogonBox box;
    uitest::showActive(box);
    QTest::mouseClick(box.btnCS(), Qt::LeftButton);
    ASSERT_TRUE(box.btnServerSettei()->isEnabled());
    const std::string before = testsupport::readFile(m_root / "dwzaimu.ini");
    m_boxes.onDialog([&](QDialog& d) {
        auto& settings = static_cast<TAppIniCreateBox&>(d);
        QApplication::setActiveWindow(&settings);
        EXPECT_EQ(settings.windowTitle(), QStringLiteral("データサーバーの設定"));
        uitest::saveShot(settings, "ServerSettingsFromSignIn");
        // A host of blanks is refused and nothing is written.
        QTest::keyClicks(settings.txtHostName(), QStringLiteral("   "));
        QTest::mouseClick(settings.btnOK(), Qt::LeftButton);
        EXPECT_EQ(m_rich, std::vector<std::string>{"コンピュータ名が指定されていません。\r入力してください。"});
        EXPECT_EQ(testsupport::readFile(m_root / "dwzaimu.ini"), before);
        EXPECT_TRUE(settings.isVisible());
        settings.txtHostName()->clear();
        QTest::keyClicks(settings.txtHostName(), QStringLiteral("Srv1"));
        settings.cmbDrive()->setFocus();
        QTest::keyClick(settings.cmbDrive(), Qt::Key_Down); // C: -> D:
        QTest::mouseClick(settings.btnOK(), Qt::LeftButton);
        QCoreApplication::processEvents();
        return d.result();
    });
    QTest::mouseClick(box.btnServerSettei(), Qt::LeftButton);
    QCoreApplication::processEvents();
    platform::IniFile ini(SystemDef.IniFileName);
    EXPECT_EQ(ini.readString("SERVER", "HOSTNAME", "?"), "srv1");
    EXPECT_EQ(ini.readString("SERVER", "SYSDIR", "?"), "d:\\morabyzaimu\\data");

    // A folder on "1:" is no drive of the list: the dialog offers C:.
    ini.writeString("SERVER", "SYSDIR", "1:\\srv\\data");
    TAppIniCreateBox settings;
    uitest::showActive(settings);
    EXPECT_EQ(settings.cmbDrive()->currentText(), QStringLiteral("C:"));
}

TEST_F(ServerSignInTest, SignsInThroughTheServerAndRemembersTheMode)
{
    TLogonBox box;
    uitest::showActive(box);
    QTest::mouseClick(box.btnCS(), Qt::LeftButton);

    // No host: asked for the settings, nothing attached.
    setServer("");
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(m_boxes.texts(), std::vector<std::string>{
                                   "データサーバーのコンピュータ名が設定されていません。\r"
                                   "[サーバー設定]ボタンを押して正しい情報を入力して下さい。"});
    EXPECT_FALSE(m_dm->IBDatabaseDEF.connected());

    // Nobody listens on the port: the four reasons of a server that does not answer.
    setServer("localhost/3099");
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(m_rich, std::vector<std::string>{
                          "ログイン処理に失敗しました。以下の理由が考えられます。\r"
                          "１）サーバー上でFireBirdサービスが起動しているか確認して下さい。\r"
                          "２）ログイン画面の[サーバー設定]ボタンを押して正しい情報が設定されているか確認して下さい。\r"
                          "３）Windowsファイヤーウォール(市販のセキュリティソフト含む)が有効の場合は、"
                          "このアプリケーションがサーバーと通信できる状態か確認して下さい。"});
    EXPECT_FALSE(m_dm->IBDatabaseDEF.connected());
    EXPECT_TRUE(box.isVisible());

    setServer("localhost");
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(box.result(), platform::mrOk);
    EXPECT_EQ(m_dm->IBDatabaseDEF.databaseName(),
              "localhost:" + (m_root / "data" / "dwaccdef.fdb").string());
    EXPECT_EQ(SystemDef.LoginId, 100000011);
    EXPECT_EQ(SystemDef.ServerTempFolder, "C:\\morabyzaimu\\temp");
    EXPECT_EQ(signedInRows(), "1");
    EXPECT_EQ(platform::IniFile(SystemDef.IniFileName).readString("APPLICATION", "CONNECT", ""), "1");

    m_dm->DeleteLogonInfo();
    EXPECT_EQ(signedInRows(), "0");
    m_dm->IBDatabaseDEF.disconnect();
    TLogonBox next;
    uitest::showActive(next);
    EXPECT_TRUE(next.btnCS()->isChecked()) << "the next start selects client/server";
    EXPECT_EQ(next.btnCS()->text(), QStringLiteral("クライアント(C/S)"));
}

} // namespace
