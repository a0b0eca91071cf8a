// The sign-in dialog against a real system database, driven by keys as an operator would.
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
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QLabel>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

constexpr const char* kWrongCode =
    "コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。";

// A data root on drive D: with the system database in D:\zaimu\data and the default settings file.
class LogonBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "zaimu" / "data" / "dwaccdef.fdb");
        fs::create_directories(m_root / "zaimu" / "log");
        SystemDef.DataRoot = "D:\\zaimu";
        SystemDef.IniFileName = "D:\\zaimu\\dwzaimu.ini";
        SystemDef.LogFolder = "D:\\zaimu\\log";
        SystemDef.SysDir = "D:\\zaimu\\data";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.PcName = "buildpc";
        SystemDef.AppCaption = "ゼトリノ連動コンポーネント";
        ASSERT_TRUE(CreateDefaultAppIni());
        m_boxes.answerDefaults();
        platform::setMessageBox2Handler([this](TMessage2InfoRec& rec) {
            m_rich.push_back(rec);
            return platform::mrOk;
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
        platform::paths::resetDriveMap();
    }

    // Types the code and password and confirms with Enter, as the operator does.
    static void signIn(TLogonBox& box, const QString& code, const QString& password)
    {
        box.txtOpCode()->setFocus();
        box.txtOpCode()->clear();
        QTest::keyClicks(box.txtOpCode(), code);
        QTest::keyClick(box.txtOpCode(), Qt::Key_Return);
        EXPECT_EQ(uitest::focusName(), "txtPassword") << "Enter moves on";
        box.txtPassword()->clear();
        QTest::keyClicks(box.txtPassword(), password);
        QTest::keyClick(box.txtPassword(), Qt::Key_Return);
        EXPECT_EQ(uitest::focusName(), "OKBtn") << "Enter in the password goes to OK";
        QTest::keyClick(box.OKBtn(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    std::string queryOne(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "zaimu" / "data" / "dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        firebird::Cursor c = st.open();
        return c.fetch() ? (c.isNull(0) ? "<null>" : c.getString(0)) : "<no row>";
    }

    std::vector<std::string> texts() const { return m_boxes.texts(); }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_boxes;
    std::vector<TMessage2InfoRec> m_rich;
    std::unique_ptr<TDM> m_dm;
};

} // namespace

TEST_F(LogonBoxTest, TheOperatorSignsInWithCodeAndPassword)
{
    TLogonBox box;
    ASSERT_TRUE(box.created());
    uitest::showActive(box);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ログイン"));
    EXPECT_EQ(box.Label1()->text(), QStringLiteral("ゼトリノ連動コンポーネント を利用するには、"));
    EXPECT_EQ(box.Label2()->text(), QStringLiteral("オペレータコードとパスワードを入力して下さい。"));
    EXPECT_FALSE(box.txtGroupID()->isVisible());
    EXPECT_TRUE(box.btnSA()->isChecked());
    EXPECT_FALSE(box.btnServerSettei()->isEnabled());
    EXPECT_EQ(uitest::focusName(), "txtOpCode");
    uitest::saveShot(box, "LogonBox");

    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_TRUE(texts().empty()) << testing::PrintToString(texts());
    EXPECT_EQ(box.result(), platform::mrOk);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(SystemDef.LoginId, 10000 * 10000 + 11);
    EXPECT_EQ(SystemDef.LoginCode, 11);
    EXPECT_EQ(SystemDef.OperatorName, "担当　花子");
    EXPECT_EQ(SystemDef.JobLevel, 1);
    EXPECT_FALSE(SystemDef.Jimusho);
    EXPECT_EQ(SystemDef.MyNumberAdm, 0);
    EXPECT_EQ(SystemDef.ServerTempFolder, "");
    EXPECT_EQ(ConnectMode, 0);
    EXPECT_EQ(queryOne("SELECT PCNAME FROM LOGONUSERLIST WHERE OPCODE=100000011"), "buildpc");
    EXPECT_EQ(platform::IniFile(SystemDef.IniFileName).readString("APPLICATION", "CONNECT", ""), "0");
    uitest::shotOnFailure(box);
}

TEST_F(LogonBoxTest, AnOperatorWithoutPasswordSignsInLikeAnyOther)
{
    // LOGONUSERTEST answers 1 for an operator who has no password yet.
    TLogonBox box;
    uitest::showActive(box);
    signIn(box, QStringLiteral("10"), QString());
    EXPECT_EQ(box.result(), platform::mrOk) << testing::PrintToString(texts());
    EXPECT_EQ(SystemDef.LoginId, 100000010);
    EXPECT_EQ(SystemDef.OperatorName, "管理者");
    EXPECT_EQ(SystemDef.JobLevel, 9);
    EXPECT_EQ(SystemDef.MyNumberAdm, 1);
}

TEST_F(LogonBoxTest, CodesBelow10AreRefusedWithoutConnecting)
{
    TLogonBox box;
    uitest::showActive(box);
    struct Case {
        QString typed;
        QString kept; // what the digits-only box holds
    };
    const Case cases[] = {{QStringLiteral("9"), QStringLiteral("9")},
                          {QString(), QString()},
                          {QStringLiteral("abc"), QString()},
                          {QStringLiteral("0a9"), QStringLiteral("09")}};
    for (const Case& c : cases) {
        m_boxes.clear();
        signIn(box, c.typed, QStringLiteral("pass"));
        EXPECT_EQ(box.txtOpCode()->text(), c.kept);
        EXPECT_EQ(texts(), (std::vector<std::string>{kWrongCode})) << c.typed.toStdString();
        EXPECT_EQ(m_boxes.boxes().at(0).kind, "error");
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(uitest::focusName(), "txtOpCode");
    }
    EXPECT_FALSE(m_dm->IBDatabaseDEF.connected()) << "never connected";
    EXPECT_EQ(queryOne("SELECT COUNT(*) FROM LOGONUSERLIST"), "0");
}

TEST_F(LogonBoxTest, AWrongPasswordOrAnOperatorSignedInElsewhereKeepsTheDialogOpen)
{
    TLogonBox box;
    uitest::showActive(box);
    signIn(box, QStringLiteral("11"), QStringLiteral("wrong"));
    EXPECT_EQ(texts(), (std::vector<std::string>{kWrongCode}));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(uitest::focusName(), "txtOpCode");
    EXPECT_EQ(SystemDef.LoginId, 0);

    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "zaimu" / "data" / "dwaccdef.fdb").string()));
        db.executeImmediate("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) "
                            "VALUES (100000011, 10000, 11, 'otherpc')");
        db.disconnect();
    }
    m_boxes.clear();
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "指定したユーザーは既にシステムへログインしているため、ログインできませんでした。"}));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(queryOne("SELECT PCNAME FROM LOGONUSERLIST WHERE OPCODE=100000011"), "otherpc");
    uitest::shotOnFailure(box);
}

TEST_F(LogonBoxTest, ASystemFolderWithoutDatabaseGivesTheTwoReasons)
{
    fs::create_directories(m_root / "empty");
    platform::IniFile(SystemDef.IniFileName).writeString("LOCAL", "SYSDIR", "D:\\empty");
    TLogonBox box;
    uitest::showActive(box);
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    ASSERT_EQ(m_rich.size(), 1u) << testing::PrintToString(texts());
    EXPECT_EQ(m_rich[0].Kind, mtInformation);
    EXPECT_EQ(m_rich[0].Caption, "情報");
    std::vector<std::string> lines;
    for (const auto& l : m_rich[0].Lines)
        if (!l.Text.empty())
            lines.push_back(l.Text);
    EXPECT_EQ(lines, (std::vector<std::string>{"ログイン処理に失敗しました。以下の理由が考えられます。",
                                               "１）データファイルが見つからない。",
                                               "２）別のプロセスがデータファイルを使用中。"}));
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(SystemDef.SysDir, "D:\\EMPTY") << "the try's settings stay";
}

TEST_F(LogonBoxTest, AnyOtherConnectionErrorShowsItsCodeAndExplanation)
{
    testsupport::writeFile(m_root / "bad" / "dwaccdef.fdb", std::string(40000, 'z'));
    platform::IniFile(SystemDef.IniFileName).writeString("LOCAL", "SYSDIR", "D:\\bad");
    TLogonBox box;
    uitest::showActive(box);
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    ASSERT_EQ(m_rich.size(), 1u) << testing::PrintToString(texts());
    std::vector<std::string> lines;
    for (const auto& l : m_rich[0].Lines)
        if (!l.Text.empty())
            lines.push_back(l.Text);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "財務システムデータベースの接続処理に失敗しました。", "[例外内容]",
                         "(IBXエラーコード:335544323) （ファイル<\"\"> は有効なデータベースではありません）"}));
    EXPECT_TRUE(box.isVisible());
}

// A system database cut short is found and opened, then fails on a read: it is damaged, not
// missing or in use.
TEST_F(LogonBoxTest, ASystemDatabaseCutShortIsReportedAsDamaged)
{
    const std::string whole = testsupport::readFile(testsupport::FixtureDb::path("system"));
    testsupport::writeFile(m_root / "cut" / "dwaccdef.fdb", whole.substr(0, 40000));
    platform::IniFile(SystemDef.IniFileName).writeString("LOCAL", "SYSDIR", "D:\\cut");
    TLogonBox box;
    uitest::showActive(box);
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    ASSERT_EQ(m_rich.size(), 1u) << testing::PrintToString(texts());
    std::vector<std::string> lines;
    for (const auto& l : m_rich[0].Lines)
        if (!l.Text.empty())
            lines.push_back(l.Text);
    ASSERT_EQ(lines.size(), 4u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "財務システムデータベースの接続処理に失敗しました。");
    EXPECT_EQ(lines[1], "システムデータベースのファイルが破損している恐れがあります。");
    EXPECT_EQ(lines[3].rfind("(IBXエラーコード:335544344)", 0), 0u) << lines[3];
    EXPECT_TRUE(box.isVisible());
}

TEST_F(LogonBoxTest, ClientServerWithoutAHostAsksForTheServerSettings)
{
    TLogonBox box;
    uitest::showActive(box);
    QTest::mouseClick(box.btnCS(), Qt::LeftButton);
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_TRUE(box.btnServerSettei()->isEnabled());
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "データサーバーのコンピュータ名が設定されていません。\r"
                           "[サーバー設定]ボタンを押して正しい情報を入力して下さい。"}));
    EXPECT_FALSE(m_dm->IBDatabaseDEF.connected());
    EXPECT_TRUE(box.isVisible());

    // A host without a server folder: the second check.
    platform::IniFile(SystemDef.IniFileName).writeString("SERVER", "HOSTNAME", "dbhost");
    m_boxes.clear();
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "データサーバー上のデータパスが設定されていません。\r"
                           "[サーバー設定]ボタンを押して正しい情報を入力して下さい。"}));

    QTest::mouseClick(box.btnSA(), Qt::LeftButton);
    EXPECT_EQ(ConnectMode, 0);
    EXPECT_FALSE(box.btnServerSettei()->isEnabled());
}

TEST_F(LogonBoxTest, TheLastUsedModeIsPreselected)
{
    platform::IniFile(SystemDef.IniFileName).writeString("APPLICATION", "CONNECT", "1");
    TLogonBox box;
    uitest::showActive(box);
    EXPECT_TRUE(box.btnCS()->isChecked());
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_TRUE(box.btnServerSettei()->isEnabled());
    EXPECT_EQ(box.GetConnectMode(), 1);
}

TEST_F(LogonBoxTest, RunLogonAnswersWhetherTheOperatorSignedIn)
{
    m_boxes.onDialog([](QDialog& d) {
        auto& box = static_cast<TLogonBox&>(d);
        QApplication::setActiveWindow(&box);
        signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
        return d.result();
    });
    EXPECT_TRUE(RunLogon(nullptr));
    EXPECT_EQ(SystemDef.LoginCode, 11);

    m_boxes.onDialog([](QDialog& d) {
        QApplication::setActiveWindow(&d);
        auto& box = static_cast<TLogonBox&>(d);
        QTest::keyClick(box.txtOpCode(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_FALSE(RunLogon(nullptr)) << "cancelled";
}

namespace {

// Client/server sign-in through the server on loopback.
class LogonBoxServerTest : public LogonBoxTest {
protected:
    // In SetUp, not SetUpTestSuite: a server that cannot start must fail the tests, not skip them.
    void SetUp() override
    {
        testsupport::ensureServer();
        LogonBoxTest::SetUp();
    }
};

} // namespace

TEST_F(LogonBoxServerTest, ASignInOverTheServerRemembersClientServer)
{
    platform::IniFile ini(SystemDef.IniFileName);
    ini.writeString("SERVER", "HOSTNAME", "localhost");
    ini.writeString("SERVER", "SYSDIR", "d:\\zaimu\\data");
    {
        TLogonBox box;
        uitest::showActive(box);
        QTest::mouseClick(box.btnCS(), Qt::LeftButton);
        signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
        EXPECT_EQ(box.result(), platform::mrOk) << testing::PrintToString(texts());
        EXPECT_EQ(m_dm->IBDatabaseDEF.databaseName(),
                  "localhost:" + (m_root / "zaimu" / "data" / "dwaccdef.fdb").string());
        EXPECT_EQ(SystemDef.LoginId, 100000011);
        EXPECT_EQ(SystemDef.ServerTempFolder, "D:\\morabyzaimu\\temp");
        EXPECT_EQ(ini.readString("APPLICATION", "CONNECT", ""), "1");
    }
    m_dm->IBDatabaseDEF.disconnect();
    TLogonBox next;
    EXPECT_TRUE(next.btnCS()->isChecked()) << "the next start selects client/server";
}

TEST_F(LogonBoxServerTest, AServerThatDoesNotAnswerGivesTheFourLines)
{
    platform::IniFile ini(SystemDef.IniFileName);
    ini.writeString("SERVER", "HOSTNAME", "localhost/1"); // a port nobody listens on
    ini.writeString("SERVER", "SYSDIR", "d:\\zaimu\\data");
    TLogonBox box;
    uitest::showActive(box);
    QTest::mouseClick(box.btnCS(), Qt::LeftButton);
    signIn(box, QStringLiteral("11"), QStringLiteral("pass"));
    ASSERT_EQ(m_rich.size(), 1u) << testing::PrintToString(texts());
    std::vector<std::string> lines;
    for (const auto& l : m_rich[0].Lines)
        if (!l.Text.empty())
            lines.push_back(l.Text);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "ログイン処理に失敗しました。以下の理由が考えられます。",
                         "１）サーバー上でFireBirdサービスが起動しているか確認して下さい。",
                         "２）ログイン画面の[サーバー設定]ボタンを押して正しい情報が設定されているか確認して下さい。",
                         "３）Windowsファイヤーウォール(市販のセキュリティソフト含む)が有効の場合は、"
                         "このアプリケーションがサーバーと通信できる状態か確認して下さい。"}));
    EXPECT_TRUE(box.isVisible());
}
