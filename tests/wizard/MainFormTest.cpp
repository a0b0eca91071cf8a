#include "wizard/MainForm.h"

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "records/AppInfoRecord.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "ui/OwnerDrawnButton.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>

using Calls = std::vector<std::string>;
using testsupport::TestCaller;

namespace {

constexpr const char* kInvalidArgument =
    "不正な引数が渡されました。\r\rアプリケーションを強制終了します。";

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        testsupport::FixtureDb::copyTo("system", m_dir / "appdata/quelto/morabyzaimu/data/dwaccdef.fdb");
        platform::registry::setStorePath(m_dir / "registry.ini");
        const char* key = "SOFTWARE\\QUELTO\\MORABYZAIMU08";
        using platform::registry::RootKey;
        platform::registry::writeString(RootKey::LocalMachine, key, "Product", "モラビー財務8");
        platform::registry::writeString(RootKey::LocalMachine, key, "Version", "8.0.0");
    }
    void TearDown() override
    {
        platform::registry::resetStorePath();
        records::resetProgramState();
    }

    // What the window system sends when the user clicks the close box.
    static void closeBox(TForm1& form)
    {
        QCloseEvent request;
        QCoreApplication::sendEvent(form.windowHandle(), &request);
    }

    // Shows the form and signs the administrator (code 10, no password) in with keys.
    void showSignedIn(TForm1& form)
    {
        m_boxes.onDialog([](QDialog& box) {
            EXPECT_EQ(box.windowTitle(), QStringLiteral("ログイン"));
            QApplication::setActiveWindow(&box);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
            auto* code = box.findChild<QWidget*>(QStringLiteral("txtOpCode"));
            auto* password = box.findChild<QWidget*>(QStringLiteral("txtPassword"));
            auto* ok = box.findChild<QWidget*>(QStringLiteral("OKBtn"));
            if (!code || !password || !ok) {
                ADD_FAILURE() << "the sign-in's fields are missing";
                return int(QDialog::Rejected);
            }
            QTest::keyClicks(code, QStringLiteral("10"));
            QTest::keyClick(code, Qt::Key_Return);
            QTest::keyClick(password, Qt::Key_Return); // an empty password: on to OK
            QTest::keyClick(ok, Qt::Key_Return);
            // The button's click is delivered through the event loop.
            for (int i = 0; i < 100 && box.isVisible(); ++i)
                QTest::qWait(50);
            EXPECT_EQ(box.result(), QDialog::Accepted);
            return box.result();
        });
        form.show();
        for (int i = 0; i < 200 && !form.signedIn(); ++i)
            QTest::qWait(50);
        std::string shown;
        for (const auto& b : m_boxes.boxes())
            shown += b.kind + ": " + b.text + "\n";
        ASSERT_TRUE(form.signedIn()) << "the sign-in did not succeed; boxes:\n" << shown;
        // Only the sign-in dialog was shown.
        ASSERT_EQ(m_boxes.boxes().size(), 1u);
        EXPECT_EQ(m_boxes.boxes()[0].kind, "dialog");
        m_boxes.clear();
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable, m_dir.str().c_str()};
    testsupport::ScopedEnvironment m_appData {platform::kCommonAppDataVariable,
                                              (m_dir / "appdata").string().c_str()};
    testsupport::ScopedEnvironment m_documents {platform::kDocumentsVariable,
                                                (m_dir / "documents").string().c_str()};
    testsupport::MessageRecorder m_boxes;
};

} // namespace

TEST(ReadCommandLine, AcceptsOneParameterOfFourFields)
{
    struct Case {
        std::vector<std::string> params;
        std::int64_t window;
        std::int32_t message;
        std::int32_t functionId;
        std::string file;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, ""},
        {{"77,1025,3,/tmp/o.xml"}, 77, 1025, 3, "/tmp/o.xml"},
        {{"1234,1025,0,/tmp/dir with blank/o.xml"}, 1234, 1025, 0, "/tmp/dir with blank/o.xml"},
        {{"77,1025,3,/tmp/a,b.xml"}, 77, 1025, 3, "/tmp/a"},
        {{"77,1025,3"}, 77, 1025, 3, ""},
        {{"77,1025,3,"}, 77, 1025, 3, ""},
        {{"77\r\n1025\n3\r/x.xml"}, 77, 1025, 3, "/x.xml"},
        {{"-5,+1025,-2147483648,出力.xml"}, -5, 1025, -2147483648, "出力.xml"},
        {{"4294967296,2147483647,0, o.xml "}, 4294967296LL, 2147483647, 0, " o.xml "},
    };
    for (const auto& c : cases) {
        const auto line = ReadCommandLine(c.params);
        const std::string what = c.params.empty() ? "(none)" : c.params.front();
        ASSERT_TRUE(line.has_value()) << what;
        EXPECT_EQ(line->callerWindow, c.window) << what;
        EXPECT_EQ(line->messageNumber, c.message) << what;
        EXPECT_EQ(line->functionId, c.functionId) << what;
        EXPECT_EQ(line->outputFile, c.file) << what;
    }
}

TEST(ReadCommandLine, RefusesMoreParametersAndFieldsThatAreNotDecimalIntegers)
{
    const std::vector<std::vector<std::string>> cases = {
        {"77,1025,3,/tmp/dir", "with blank.xml"},
        {"", ""},
        {""},
        {"77,1025"},
        {"77,1025,,/tmp/o.xml"},
        {",1025,3,/tmp/o.xml"},
        {"77,abc,3,/tmp/o.xml"},
        {"77,1025,3.0,/tmp/o.xml"},
        {"0x4D,1025,3,/tmp/o.xml"},
        {"$4D,1025,3,/tmp/o.xml"},
        {" 77,1025,3,/tmp/o.xml"},
        {"77 ,1025,3,/tmp/o.xml"},
        {"+,1025,3,/tmp/o.xml"},
        {"77,-,3,/tmp/o.xml"},
        {"77,1025,2147483648,/tmp/o.xml"},
        {"77,-2147483649,3,/tmp/o.xml"},
        {"9223372036854775808,1025,3,/tmp/o.xml"},
        {"７７,1025,3,/tmp/o.xml"},
    };
    for (const auto& params : cases)
        EXPECT_FALSE(ReadCommandLine(params).has_value()) << params.front();
}

TEST_F(MainFormTest, CallerIsDisabledAtCreationAndToldOnceAtTheEnd)
{
    TestCaller caller(77);
    {
        TForm1 form({"77,1025,3,/tmp/o.xml"});
        ASSERT_FALSE(form.terminated());
        EXPECT_EQ(form.completionCode(), kCompletionFailed);
        EXPECT_EQ(form.caller().handle(), 77);
        EXPECT_EQ(form.messageNumber(), 1025);
        EXPECT_EQ(form.functionId(), 3);
        EXPECT_EQ(form.callerOutputFile(), "/tmp/o.xml");
        // The export object's title, set at creation.
        EXPECT_EQ(form.windowTitle(), QStringLiteral("所得税のゼトリノ from モラビー財務8（減価償却）"));
        // Before the window shows.
        EXPECT_EQ(caller.received(), Calls {"DISABLE"});

        ASSERT_TRUE(form.InitApplication());
        showSignedIn(form);
        closeBox(form);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.completionCode(), kCompletionCancelled);
        EXPECT_EQ(caller.received(), Calls {"DISABLE"}) << "nothing until the form goes away";
    }
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 1"}));
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(MainFormTest, CompletionCodeReportedIsTheLastOneSet)
{
    struct Case {
        const char* param;
        int setCode;       // -1: leave as created
        bool closeByCode;  // the program's own close(), not the close box
        std::string post;
    };
    const Case cases[] = {
        {"77,1025,3,/tmp/o.xml", -1, false, "POST 1025 3 2"},                 // start-up failure
        {"77,1025,3,/tmp/o.xml", kCompletionWritten, true, "POST 1025 3 0"},  // file written
        {"77,1025,3,/tmp/o.xml", kCompletionCancelled, true, "POST 1025 3 1"},
        {"77,1026,0,", kCompletionWritten, true, "POST 1026 0 0"},            // raw function id
    };
    for (const auto& c : cases) {
        TestCaller caller(77);
        {
            TForm1 form({c.param});
            if (c.setCode >= 0)
                form.setCompletionCode(c.setCode);
            if (c.closeByCode) {
                form.show();
                form.close();
                EXPECT_FALSE(form.isVisible());
            }
        }
        EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", c.post}))
            << c.param;
    }
}

TEST_F(MainFormTest, InvalidCommandLineEndsWithoutTellingAnyone)
{
    const std::vector<std::vector<std::string>> cases = {
        {"77,1025,3,/tmp/dir", "with blank.xml"},
        {"77,x,3,/tmp/o.xml"},
    };
    for (const auto& params : cases) {
        TestCaller caller(77);
        m_boxes.clear();
        m_boxes.answer(platform::IDOK);
        {
            TForm1 form(params);
            EXPECT_TRUE(form.terminated());
            EXPECT_EQ(form.completionCode(), kCompletionFailed);
            EXPECT_FALSE(form.caller().hasCaller());
        }
        ASSERT_EQ(m_boxes.boxes().size(), 1u) << params.front();
        EXPECT_EQ(m_boxes.boxes()[0].kind, "error");
        EXPECT_EQ(m_boxes.boxes()[0].text, kInvalidArgument);
        EXPECT_TRUE(caller.received().empty()) << params.front();
    }
}

TEST_F(MainFormTest, StandaloneSendsNothing)
{
    TestCaller zero(0);
    {
        TForm1 form({});
        EXPECT_FALSE(form.terminated());
        EXPECT_FALSE(form.caller().hasCaller());
        EXPECT_EQ(form.functionId(), 0);
        EXPECT_EQ(form.callerOutputFile(), "");
        ASSERT_TRUE(form.InitApplication());
        showSignedIn(form);
        closeBox(form);
        EXPECT_EQ(form.completionCode(), kCompletionCancelled);
    }
    EXPECT_TRUE(zero.received().empty());
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(MainFormTest, PagesLeftAndTheirTextsDependOnTheCaller)
{
    {
        TForm1 form({});
        ASSERT_FALSE(form.terminated());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("所得税のゼトリノ from モラビー財務8（減価償却）"));
        EXPECT_EQ(form.pageNames(), (QStringList {"page1", "page2", "page4", "page5"}));
        EXPECT_EQ(form.Memo1a()->text(),
                  QStringLiteral("『モラビー財務8』から『所得税のゼトリノ（減価償却）』へデータを連動させるための\n"
                                 "中間ファイルを作成します。"));
        EXPECT_EQ(form.Label4a()->text(),
                  QStringLiteral("連動先となる『所得税のゼトリノ（減価償却）』で使用する中間ファイルを指定します。"));
        EXPECT_EQ(form.Memo1b()->text(),
                  QStringLiteral("『モラビー財務8』が起動している場合は終了してください。\n\n\n\n\n\n"
                                 "作成を始めるには[次へ]をクリックしてください。"));
        EXPECT_EQ(form.Label2a()->text(),
                  QStringLiteral("連動元となる対象データを「データ選択を開く」ボタンを押して指定します。"));
    }
    TestCaller caller(77);
    TForm1 form({"77,1025,3,/tmp/o.xml"});
    ASSERT_FALSE(form.terminated());
    EXPECT_EQ(form.pageNames(), (QStringList {"page1", "page2", "page5"}));
    EXPECT_EQ(form.Memo1a()->text(),
              QStringLiteral("『モラビー財務8』から『所得税のゼトリノ（減価償却）』へデータの連動をおこないます。"));
    EXPECT_EQ(form.Label4a(), nullptr);
    EXPECT_EQ(form.Edit4a(), nullptr);
}

TEST_F(MainFormTest, DataPageRefusesNextUntilDataIsOpenedAndCancelAsksFirst)
{
    TForm1 form({});
    ASSERT_TRUE(form.InitApplication());
    showSignedIn(form);
    EXPECT_EQ(form.currentPageName(), QStringLiteral("page1"));
    form.Button2()->Click();
    EXPECT_EQ(form.currentPageName(), QStringLiteral("page2"));

    // Nothing is registered under the selection dialog's name.
    m_boxes.answer(platform::IDOK);
    form.btnDataSentaku()->Click();
    m_boxes.answer(platform::IDOK);
    form.Button2()->Click();
    EXPECT_EQ(form.currentPageName(), QStringLiteral("page2"));
    EXPECT_EQ(form.listDataInfo()->rowCount(), 0);
    ASSERT_EQ(m_boxes.boxes().size(), 2u);
    EXPECT_EQ(m_boxes.boxes()[0].text,
              "処理を起動するためのインターフェースが実装されていません。\rライブラリのロードに失敗した可能性があります。");
    EXPECT_EQ(m_boxes.boxes()[1].kind, "warning");
    EXPECT_EQ(m_boxes.boxes()[1].text,
              "会計データの選択が行われていません。\r「データ選択を開く」ボタンを押して選択して下さい。");

    // Cancel asks; No keeps the wizard, Yes ends it as cancelled.
    m_boxes.answer(platform::IDNO);
    form.btnCancel()->Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.completionCode(), kCompletionFailed);
    m_boxes.answer(platform::IDYES);
    form.btnCancel()->Click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.completionCode(), kCompletionCancelled);
    ASSERT_EQ(m_boxes.boxes().size(), 4u);
    EXPECT_EQ(m_boxes.boxes()[3].kind, "information");
    EXPECT_EQ(m_boxes.boxes()[3].text,
              "[キャンセル]ボタンが押されました。\r連動データの作成ウィザードを終了してもよろしいですか？\r");
    EXPECT_EQ(m_boxes.boxes()[3].flags & 0xF, platform::MB_YESNO);
    form.grab().save(QString::fromUtf8(TEST_BINARY_DIR "/screenshots/main-form-page2.png"));
}

TEST_F(MainFormTest, LocalSettingsAreReadWithTheirLetterCaseRules)
{
    const auto root = m_dir / "appdata/quelto/morabyzaimu";
    std::filesystem::create_directories(root);
    testsupport::writeFile(root / "dwzaimu.ini",
                           "[LOCAL]\r\nHOSTNAME=pc1\r\nGOGLOBAL=yes\r\nGROUP=Yes\r\n"
                           "SYSDIR=C:/data/sys\r\nUSER=moraby\r\nPASSWORD=QOLVEX\r\n");
    TForm1 form({});
    ASSERT_FALSE(form.terminated());
    std::string failure;
    ReadAppFolders(form.font(), failure);
    EXPECT_EQ(SystemDef.SysDir, "C:\\data\\sys");
    EXPECT_EQ(SystemDef.DbUser, "MORABY");
    EXPECT_EQ(SystemDef.DbPassword, "qolvex");
    EXPECT_TRUE(SystemDef.UseGroup);
    // Standalone: no host, no terminal service, no groups.
    EXPECT_EQ(SystemDef.HostName, "");
    EXPECT_FALSE(SystemDef.GoGlobal);
    EXPECT_EQ(SystemDef.GroupId, 10000);

    // An empty LOCAL section is replaced by the defaults, silently.
    testsupport::writeFile(root / "dwzaimu.ini", "[LOCAL]\r\n");
    ReadAppFolders(form.font(), failure);
    EXPECT_TRUE(m_boxes.boxes().empty());
    EXPECT_EQ(SystemDef.DbUser, "MORABY");
    EXPECT_EQ(SystemDef.SysDir, platform::paths::fromNative(root / "data"));
}

// A documents folder that cannot be made stops the start with the program's name and the folder.
TEST_F(MainFormTest, AnUncreatableDocumentsFolderIsNamedInTheStartUpMessage)
{
    testsupport::writeFile(m_dir / "file", "not a folder");
    TForm1 form({});
    ASSERT_FALSE(form.terminated());
    testsupport::ScopedEnvironment documents{platform::kDocumentsVariable, (m_dir / "file").string().c_str()};
    std::string failure;
    EXPECT_THROW(ReadAppFolders(form.font(), failure), std::exception);
    EXPECT_EQ(failure, "アプリケーションの初期設定がおこなわれていないため\rゼトリノ連動コンポーネントを終了します。"
                       "\rフォルダ「" + (m_dir / "file" / "quelto" / "morabyzaimu").string() + "」を作成できません。");
}

TEST_F(MainFormTest, InitialDataFileNamesTakeTheNumberWithoutTrustingTheFormat)
{
    TForm1 form({});
    ASSERT_FALSE(form.terminated());
    struct Case {
        std::string format;
        std::array<std::string, 6> files; // 11, 21, 22, 23, 24 (kept), 31
    };
    const std::string kept = InitDataFiles[4];
    const Case cases[] = {
        {"acc%d.gbk", {"acc11.gbk", "acc21.gbk", "acc22.gbk", "acc23.gbk", kept, "acc31.gbk"}},
        {"acc%03d.gbk", {"acc011.gbk", "acc021.gbk", "acc022.gbk", "acc023.gbk", kept, "acc031.gbk"}},
        // A file's format is text: a second conversion stays as written instead of reading
        // arguments that were never passed.
        {"%d%s%n.gbk", {"11%s%n.gbk", "21%s%n.gbk", "22%s%n.gbk", "23%s%n.gbk", kept, "31%s%n.gbk"}},
        {"plain.gbk", {"plain.gbk", "plain.gbk", "plain.gbk", "plain.gbk", kept, "plain.gbk"}},
    };
    for (const auto& c : cases) {
        AppInfo.Zaimu.DataInitFile = c.format;
        ApplyAppInfo();
        for (std::size_t i = 0; i < c.files.size(); ++i)
            EXPECT_EQ(InitDataFiles[i], c.files[i]) << c.format << " entry " << i;
    }
}
