// The real program on its own virtual display, on a fresh sample data root, driven by keystrokes
// as a user drives it. Screenshots of every new window go to <build>/screenshots/app.
#include "export/MainForm.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/SpecialFolders.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"
#include "support/VirtualDisplay.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// Only a guard against a hung program.
constexpr int kSafetyMilliseconds = 60000;
constexpr const char* kWizardTitle = "所得税のゼトリノ from モラビー財務8（減価償却）";

class WizardEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh sample data root, built by the script the run command uses.
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral(SOURCE_ROOT "/tools/sample-data.sh"),
                     {QString::fromStdString(m_root.string()), QStringLiteral(TEST_BINARY_DIR)});
        ASSERT_TRUE(script.waitForStarted(10000)) << "tools/sample-data.sh cannot run";
        ASSERT_TRUE(script.waitForFinished(300000));
        ASSERT_EQ(script.exitCode(), 0)
            << "tools/sample-data.sh failed:\n" << script.readAll().toStdString();
        fs::create_directories(m_runtime);
        fs::create_directories(m_shots);
    }

    void start(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_display.name()));
        env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable),
                   QString::fromStdString(m_record.string()));
        env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
                   QString::fromStdString(m_runtime.string()));
        env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
                   QString::fromStdString(m_root.string()));
        env.insert(QString::fromUtf8(platform::kDocumentsVariable),
                   QString::fromStdString((m_dir / "documents").string()));
        env.insert(QStringLiteral("ZETRINO_REGISTRY"),
                   QString::fromStdString((m_root / "registry.ini").string()));
        env.remove(QString::fromUtf8(kTestCloseOnShowVariable));
        m_program.setProcessEnvironment(env);
        m_program.start(QStringLiteral(PROGRAM_PATH), args);
        ASSERT_TRUE(m_program.waitForStarted(kSafetyMilliseconds));
    }

    int finish()
    {
        EXPECT_TRUE(m_program.waitForFinished(kSafetyMilliseconds));
        if (m_program.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_program.exitCode();
    }

    // Waits for the window and saves what the screen shows.
    void expectWindow(const std::string& title, const std::string& shot)
    {
        ASSERT_TRUE(m_display.waitForWindow(title)) << "no window named " << title;
        m_display.screenshot(m_shots / (shot + ".png"));
    }

    // The record lines once there are at least count of them (the guard time at most).
    std::vector<std::string> boxesWhen(std::size_t count) const
    {
        for (int i = 0; i < 100 && boxes().size() < count; ++i)
            QThread::msleep(100);
        return boxes();
    }

    std::vector<std::string> boxes() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_record, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Login ids (group * 10000 + code) in the sign-in list of the sample system database; only
    // while the program is not running (its embedded engine holds the file).
    std::vector<int> signedIn()
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(
            (m_root / "quelto/morabyzaimu/data/dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("SELECT OPCODE FROM LOGONUSERLIST ORDER BY OPCODE");
        auto rows = st.open();
        std::vector<int> ids;
        while (rows.fetch())
            ids.push_back(int(rows.getInt64(0)));
        return ids;
    }

    // A mouse click at a point of the main window (the buttons without access keys).
    void clickInWindow(const std::string& title, int x, int y)
    {
        const std::string id = m_display.xdotool({"search", "--onlyvisible", "--name", title});
        ASSERT_FALSE(id.empty());
        m_display.xdotool({"mousemove", "--window", id.substr(0, id.find('\n')),
                           std::to_string(x), std::to_string(y), "click", "1"});
    }

    testsupport::TempDir m_dir;
    fs::path m_root = m_dir / "sample";
    fs::path m_runtime = m_dir / "run";
    fs::path m_record = m_dir / "boxes.txt";
    fs::path m_shots = fs::path(SCREENSHOT_DIR) / "app";
    testsupport::VirtualDisplay m_display;
    QProcess m_program;
};

} // namespace

TEST_F(WizardEndToEnd, SignInShowsTheWizardWhoseDataPageRefusesUntilDataIsChosen)
{
    start({});
    expectWindow("ログイン", "01-sign-in");
    m_display.type("20");
    m_display.key("Tab");
    m_display.type("sample");
    m_display.key("Return"); // on to OK
    m_display.key("Return");

    // The main window carries its title from the start; the wizard is usable once the
    // sign-in is gone.
    ASSERT_TRUE(m_display.waitForWindowGone("ログイン"));
    expectWindow(kWizardTitle, "02-wizard-page1");
    // The first start wrote the default settings file without asking.
    const std::string settings =
        testsupport::readFile(m_root / "quelto/morabyzaimu/dwzaimu.ini");
    EXPECT_NE(settings.find("[LOCAL]\r\n"), std::string::npos);

    m_display.key("alt+n");
    m_display.screenshot(m_shots / "03-wizard-page2.png");
    m_display.key("Return"); // the focus is on "データ選択を開く"
    m_display.key("alt+n");
    const std::vector<std::string> expected = {
        "error\tエラー\t処理を起動するためのインターフェースが実装されていません。"
        "\\rライブラリのロードに失敗した可能性があります。",
        "warning\t連動ﾃﾞｰﾀの作成\t会計データの選択が行われていません。"
        "\\r「データ選択を開く」ボタンを押して選択して下さい。",
    };
    EXPECT_EQ(boxesWhen(2), expected);

    // ｷｬﾝｾﾙ, and Yes (the default button) to the question.
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
    auto all = expected;
    all.push_back("information\t連動ﾃﾞｰﾀの作成\t[キャンセル]ボタンが押されました。"
                  "\\r連動データの作成ウィザードを終了してもよろしいですか？\\r");
    EXPECT_EQ(boxes(), all);
    EXPECT_TRUE(signedIn().empty()) << "the sign-in row stays after the end";
    EXPECT_TRUE(fs::exists(m_root / "quelto/morabyzaimu/ini/Zetrino.ini"));
}

TEST_F(WizardEndToEnd, SecondRunReusesTheRootAndAWrongPasswordKeepsTheSignInOpen)
{
    start({});
    ASSERT_TRUE(m_display.waitForWindow("ログイン"));
    m_display.key("Escape");
    EXPECT_EQ(finish(), kCompletionFailed);
    const fs::path settingsFile = m_root / "quelto/morabyzaimu/dwzaimu.ini";
    const std::string settings = testsupport::readFile(settingsFile);
    ASSERT_NE(settings.find("[LOCAL]\r\n"), std::string::npos);

    start({});
    expectWindow("ログイン", "04-sign-in-again");
    m_display.type("20");
    m_display.key("Tab");
    m_display.type("wrong");
    m_display.key("Return");
    m_display.key("Return");
    // The sign-in stays open with the refusal.
    ASSERT_TRUE(m_display.waitForWindow("ログイン"));
    const auto shown = boxesWhen(1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown.front().find("コードまたはパスワードが違います。\\r"
                                 "正しいコードまたはパスワードを入力して下さい。"),
              std::string::npos)
        << shown.front();
    m_display.key("Escape");
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_TRUE(signedIn().empty());
    EXPECT_EQ(testsupport::readFile(settingsFile), settings) << "the settings file was rewritten";
}
