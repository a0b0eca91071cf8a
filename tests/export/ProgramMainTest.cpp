// Runs the built program as a separate process, the way a calling program does.
#include "export/MainForm.h"

#include "platform/MessageService.h"
#include "platform/NamedMutex.h"
#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/MutexHolder.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"

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
    void SetUp() override { std::filesystem::create_directory(m_run); }

    // Starts the program with the given parameters; the message boxes go to the record file.
    void start(const QStringList& args, bool closeOnShow)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QString::fromUtf8(platform::kRecordEnvironmentVariable),
                   QString::fromStdString(m_record.string()));
        env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
                   QString::fromStdString(m_run.string()));
        if (closeOnShow)
            env.insert(QString::fromUtf8(kTestCloseOnShowVariable), QStringLiteral("1"));
        else
            env.remove(QString::fromUtf8(kTestCloseOnShowVariable));
        m_program.setProcessEnvironment(env);
        m_program.start(QStringLiteral(PROGRAM_PATH), args);
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

    // The message boxes the program showed, one line each.
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_record, std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    testsupport::TempDir m_dir;
    std::filesystem::path m_run = m_dir / "run";
    std::filesystem::path m_record = m_dir / "boxes.txt";
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
        EXPECT_EQ(run({param}), kCompletionCancelled) << param.toStdString();
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
    EXPECT_EQ(run({}), kCompletionCancelled);
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
    EXPECT_EQ(run({QStringLiteral("77,1025,3,/tmp/o.xml")}), kCompletionCancelled);
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
