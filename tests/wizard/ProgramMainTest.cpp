// Runs the built program as a separate process, the way a calling program does.
#include "wizard/MainForm.h"

#include "platform/MessageService.h"
#include "platform/NamedMutex.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MutexHolder.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"
#include "support/VirtualDisplay.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <signal.h>

using Calls = std::vector<std::string>;
using testsupport::MutexHolder;
using testsupport::TestCaller;

namespace {

// Only a guard against a hung program.
constexpr int kSafetyMilliseconds = 60000;

constexpr const char* kInvalidArgumentLine =
    "error\t連動ﾃﾞｰﾀの作成\t不正な引数が渡されました。\\r\\rアプリケーションを強制終了します。";

class ProgramMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_run);
        // A data root with the system database and a registry naming the installed product.
        testsupport::FixtureDb::copyTo("system", m_appData / "quelto/morabyzaimu/data/dwaccdef.fdb");
        setInstalledVersion("8.0.0");
    }

    void setInstalledVersion(const std::string& version)
    {
        using platform::registry::RootKey;
        platform::registry::setStorePath(m_registry);
        platform::registry::deleteKey(RootKey::LocalMachine, "SOFTWARE\\QUELTO");
        if (!version.empty()) {
            const char* key = "SOFTWARE\\QUELTO\\MORABYZAIMU08";
            platform::registry::writeString(RootKey::LocalMachine, key, "Product", "モラビー財務8");
            platform::registry::writeString(RootKey::LocalMachine, key, "Version", version);
        }
        platform::registry::resetStorePath();
    }

    // Starts the program with the given parameters; the message boxes go to the record file.
    // With a display the program runs on it (xcb), else offscreen.
    void start(const QStringList& args, bool closeOnShow,
               const testsupport::VirtualDisplay* display = nullptr,
               const QString& program = QStringLiteral(PROGRAM_PATH))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (display) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display->name()));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable),
                   QString::fromStdString(m_record.string()));
        env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
                   QString::fromStdString(m_run.string()));
        env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
                   QString::fromStdString(m_appData.string()));
        env.insert(QString::fromUtf8(platform::kDocumentsVariable),
                   QString::fromStdString((m_dir / "documents").string()));
        env.insert(QStringLiteral("ZETRINO_REGISTRY"), QString::fromStdString(m_registry.string()));
        if (closeOnShow)
            env.insert(QString::fromUtf8(kTestCloseOnShowVariable), QStringLiteral("1"));
        else
            env.remove(QString::fromUtf8(kTestCloseOnShowVariable));
        m_program.setProcessEnvironment(env);
        m_program.start(program, args);
        ASSERT_TRUE(m_program.waitForStarted(kSafetyMilliseconds));
    }

    // Waits for the end; the exit status, or -1 when it crashed.
    int finish()
    {
        EXPECT_TRUE(m_program.waitForFinished(kSafetyMilliseconds));
        if (m_program.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_program.exitCode();
    }

    int run(const QStringList& args, bool closeOnShow = true)
    {
        start(args, closeOnShow);
        return finish();
    }

    // Runs the program on its own display and signs the administrator in (operator 10, no
    // password) as a user would; then the close request of the test acts.
    int runSignedIn(const QStringList& args)
    {
        testsupport::VirtualDisplay display;
        start(args, true, &display);
        EXPECT_TRUE(display.waitForWindow("ログイン")) << "the sign-in never showed";
        display.type("10");
        display.key("Tab");
        display.key("Return"); // an empty password: on to OK
        display.key("Return");
        return finish();
    }

    // The message boxes the program showed, one line each.
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_record, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Rows of the sign-in list of the system database.
    int signedInRows()
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(
            (m_appData / "quelto/morabyzaimu/data/dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql("SELECT COUNT(*) FROM LOGONUSERLIST");
        auto rows = st.open();
        rows.fetch();
        return int(rows.getInt64(0));
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_run = m_dir / "run";
    std::filesystem::path m_record = m_dir / "boxes.txt";
    std::filesystem::path m_appData = m_dir / "appdata";
    std::filesystem::path m_registry = m_dir / "registry.ini";
    testsupport::ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable,
                                              m_run.string().c_str()};
    QProcess m_program;
};

} // namespace

TEST_F(ProgramMainTest, CallerIsDisabledThenToldOnceWhenTheUserClosesTheWindow)
{
    struct Case {
        QString param;
        std::string post;
    };
    const Case cases[] = {
        {QStringLiteral("77,1025,3,%1/o.xml"), "POST 1025 3 1"},
        {QStringLiteral("77,1025,0,%1/o.xml"), "POST 1025 0 1"},
    };
    for (const auto& c : cases) {
        TestCaller caller(77);
        const QString param = c.param.arg(QString::fromStdString(m_dir.str()));
        std::filesystem::remove(m_record);
        EXPECT_EQ(runSignedIn({param}), kCompletionCancelled) << param.toStdString();
        EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", c.post}))
            << param.toStdString();
        EXPECT_TRUE(caller.enabled());
        EXPECT_TRUE(boxes().empty());
        // The program let its own mutex go.
        EXPECT_FALSE(platform::NamedMutex::exists("ZETRINO_RENDO"));
    }
}

TEST_F(ProgramMainTest, StandaloneRunTellsNobody)
{
    TestCaller zero(0);
    EXPECT_EQ(runSignedIn({}), kCompletionCancelled);
    EXPECT_TRUE(zero.received().empty());
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ProgramMainTest, StoppedFromOutsideStillTellsTheCaller)
{
    TestCaller caller(77);
    start({QStringLiteral("77,1025,3,/tmp/o.xml")}, false);
    ASSERT_TRUE(caller.waitForCalls(1));
    ASSERT_EQ(caller.received(), Calls {"DISABLE"});
    ::kill(pid_t(m_program.processId()), SIGTERM);
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 2"}));
}

TEST_F(ProgramMainTest, MalformedCommandLineShowsTheMessageAndPostsNothing)
{
    const QStringList cases[] = {
        {QStringLiteral("77,1025,3,/tmp/dir"), QStringLiteral("with blank.xml")},
        {QStringLiteral("77,1025,x,/tmp/o.xml")},
        {QStringLiteral("77,99999999999,3,/tmp/o.xml")},
    };
    for (const auto& args : cases) {
        TestCaller caller(77);
        std::filesystem::remove(m_record);
        EXPECT_EQ(run(args), kCompletionFailed) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(boxes(), std::vector<std::string> {kInvalidArgumentLine});
        EXPECT_TRUE(caller.received().empty()) << args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(ProgramMainTest, RefusesToStartWhileAnotherProgramHoldsItsMutex)
{
    struct Case {
        std::vector<std::string> held;
        std::string text;
    };
    const Case cases[] = {
        {{"QUARVEL000"}, "モラビー財務が起動しています。同時に起動することは出来ません。"},
        {{"QUARVEL_TOOLS"}, "モラビー財務ツールが起動しています。同時に起動することは出来ません。"},
        {{"ZETRINO_RENDO"}, "アプリケーションは既に起動しています。"},
        {{"ZETRINO_RENDO", "QUARVEL_TOOLS", "QUARVEL000"},
         "モラビー財務が起動しています。同時に起動することは出来ません。"},
        {{"ZETRINO_RENDO", "QUARVEL_TOOLS"},
         "モラビー財務ツールが起動しています。同時に起動することは出来ません。"},
    };
    for (const auto& c : cases) {
        MutexHolder holder(c.held);
        TestCaller caller(77);
        std::filesystem::remove(m_record);
        // The mutex check comes before the command line is looked at.
        EXPECT_EQ(run({QStringLiteral("77,1025,3,/tmp/o.xml"), QStringLiteral("extra")}),
                  kCompletionFailed);
        EXPECT_EQ(boxes(), std::vector<std::string> {"information\t連動ﾃﾞｰﾀの作成\t" + c.text});
        EXPECT_TRUE(caller.received().empty()) << c.text;
        EXPECT_TRUE(holder.running()) << "the holder is left alone";
        for (const auto& name : c.held)
            EXPECT_TRUE(platform::NamedMutex::exists(name)) << name;
        EXPECT_EQ(holder.release(), 0);
    }
}

TEST_F(ProgramMainTest, HolderThatWasKilledNoLongerBlocks)
{
    MutexHolder holder({"QUARVEL000", "QUARVEL_TOOLS", "ZETRINO_RENDO"});
    holder.kill();
    TestCaller caller(77);
    EXPECT_EQ(runSignedIn({QStringLiteral("77,1025,3,/tmp/o.xml")}), kCompletionCancelled);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 1"}));
}

TEST_F(ProgramMainTest, QtOptionsOnTheCommandLineAreTheCallersParameters)
{
    // Qt would take "-style" and its value out of argv; to us they are two parameters.
    TestCaller caller(77);
    EXPECT_EQ(run({QStringLiteral("-style"), QStringLiteral("fusion")}), kCompletionFailed);
    EXPECT_EQ(boxes(), std::vector<std::string> {kInvalidArgumentLine});
    EXPECT_TRUE(caller.received().empty());
}

TEST_F(ProgramMainTest, CancelledSignInEndsWithStatusTwoAndNoSignInRow)
{
    TestCaller caller(77);
    testsupport::VirtualDisplay display;
    start({QStringLiteral("77,1025,3,/tmp/o.xml")}, false, &display);
    ASSERT_TRUE(display.waitForWindow("ログイン"));
    display.key("Escape");
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 2"}));
    EXPECT_EQ(signedInRows(), 0);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ProgramMainTest, SignedInAndClosedRemovesTheSignInRowAndWritesTheExportSettings)
{
    EXPECT_EQ(runSignedIn({}), kCompletionCancelled);
    EXPECT_EQ(signedInRows(), 0);
    EXPECT_TRUE(std::filesystem::exists(m_appData / "quelto/morabyzaimu/ini/Zetrino.ini"));
    // The default settings file, written without a dialog on the first start.
    const std::string settings = testsupport::readFile(m_appData / "quelto/morabyzaimu/dwzaimu.ini");
    EXPECT_NE(settings.find("[LOCAL]\r\n"), std::string::npos);
    EXPECT_NE(settings.find("[SERVER]\r\n"), std::string::npos);
}

TEST_F(ProgramMainTest, StartUpRefusalsEndWithStatusTwoAndTheirText)
{
    constexpr const char* kVersionText =
        "error\t連動ﾃﾞｰﾀの作成\tこのアプリケーションはインストールされている「モラビー財務」の"
        "バージョンに対応していません。\\rバージョン:8.0.0以降をインストールしてください。\\r\\r"
        "アプリケーションを強制終了します。";
    struct Case {
        std::string installed;
        bool rootWritable;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"7.9.9", true, {kVersionText}},
        {"", true, {kVersionText}},
        {"8.0.0.1", true, {kVersionText}},
        // The export settings cannot be kept either, and the user is told so.
        {"8.0.0", false,
         {"error\tエラー\tアプリケーションの初期設定がおこなわれていないため\\rゼトリノ連動コンポーネントを終了します。"
          "\\rフォルダ「" + (m_appData / "quelto/morabyzaimu/ini").string() + "」を作成できません。",
          "error\t\t「Zetrino.ini」の書き込みに失敗しました。\\r書き込みに失敗しました: " +
              platform::paths::fromNative(m_appData / "quelto/morabyzaimu/ini/Zetrino.ini") +
              " (パスの途中にフォルダでないファイルがあります)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed + (c.rootWritable ? "" : " (no data root)"));
        setInstalledVersion(c.installed);
        std::filesystem::remove_all(m_appData);
        if (c.rootWritable)
            std::filesystem::create_directories(m_appData);
        else
            testsupport::writeFile(m_appData, "a file where the data root should be");
        std::filesystem::remove(m_record);
        TestCaller caller(77);
        EXPECT_EQ(run({QStringLiteral("77,1025,3,/tmp/o.xml")}), kCompletionFailed);
        EXPECT_EQ(boxes(), c.boxes);
        EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 2"}));
        std::filesystem::remove_all(m_appData);
    }
}

TEST_F(ProgramMainTest, WithoutAppInfoBesideTheProgramItRefusesToStart)
{
    // The program alone in a folder of its own.
    const auto alone = m_dir / "alone";
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(PROGRAM_PATH, alone / "zetrino-rendo");
    TestCaller caller(77);
    start({QStringLiteral("77,1025,3,/tmp/o.xml")}, true, nullptr,
          QString::fromStdString((alone / "zetrino-rendo").string()));
    EXPECT_EQ(finish(), kCompletionFailed);
    EXPECT_EQ(boxes(), std::vector<std::string> {
        "error\t連動ﾃﾞｰﾀの作成\tアプリケーションの設定ファイル(AppInfo.ini)が見つかりませんでした。"
        "\\rアプリケーションを強制終了します。"});
    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 2"}));
}
