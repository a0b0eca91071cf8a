// The step script's frame and the runner over the SQL tool, with a stand-in tool.
#include "dbupdate/IsqlScriptRunner.h"

#include "StandInTool.h"

#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

namespace fs = std::filesystem;
using dbupdate::ExecIsqlScript;

namespace {

constexpr const char* kPassword = "zq-secret-77";

class IsqlScriptRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        fs::create_directories(m_root / "log");
        fs::create_directories(m_root / "tmp");
        SystemDef.ExeFolder = "D:\\exe";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.SysDir = "D:\\data";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = kPassword;
        SystemDef.PcName = "buildpc";
        SystemDef.LoginId = 100000011;
        DataDefFile = "dwaccdef.fdb";
    }

    void TearDown() override
    {
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    void writeScript()
    {
        dbupdate::DbUpdateScript script(SystemDef.SysDir, DataDefFile);
        script.add("CREATE TABLE T1 (A INTEGER);");
        script.addSystemVersion(1, 2, 3);
        script.add("EXIT;");
        script.save();
    }

    std::string log(const char* name) const
    {
        const auto path = m_root / "log" / name;
        return fs::exists(path) ? testsupport::readFile(path) : std::string();
    }

    // Every file under the data root and the work folder, searched for the password.
    void expectPasswordNowhere() const
    {
        for (const fs::path& top : {m_root.path(), fs::path(dbupdate::updateWorkFolder())})
            for (const auto& entry : fs::recursive_directory_iterator(top)) {
                if (entry.is_regular_file()) {
                    EXPECT_EQ(testsupport::readFile(entry.path()).find(kPassword), std::string::npos)
                        << entry.path();
                }
            }
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
};

const std::string kFailedOutput = "Use CONNECT or CREATE DATABASE to specify a database\n"
                                  "CREATE TABLE T1 (A INTEGER);\n"
                                  "Statement failed, SQLSTATE = 42S01\n"
                                  "unsuccessful metadata update\n"
                                  "-Table T1 already exists\n";
const std::string kFailedLines = "Use CONNECT or CREATE DATABASE to specify a database\r\n"
                                 "CREATE TABLE T1 (A INTEGER);\r\n"
                                 "Statement failed, SQLSTATE = 42S01\r\n"
                                 "unsuccessful metadata update\r\n"
                                 "-Table T1 already exists\r\n";

TEST_F(IsqlScriptRunnerTest, JudgesTheToolsOutput)
{
    StandInTool tool(m_root / "exe");
    struct Case {
        const char* name;
        std::string output;  // what the tool appends; nullopt-like "-" for no output file
        bool crash;
        int expected;
    };
    const std::string failure = "Ver 1.2.3のデータベース更新に失敗しました。";
    const Case cases[] = {
        {"a failing statement in five lines", kFailedOutput, false, 16},
        {"two lines with Error", "Use CONNECT\nError here\n", false, 1},
        {"only lower-case error", "a\nb error\nc\nd error\ne\n", false, 1},
        {"a clean run", "Use CONNECT\nCOMMIT;\nEXIT;\n", false, 1},
        {"a crash after clean lines", "Use CONNECT\nCOMMIT;\n", true, 16},
        {"no output file", "-", false, 16},
        {"Error inside double-byte text only", platform::text::toCp932("a\nb\n表示\nd\n"), false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        fs::remove(m_root / "log" / "ErrDataup.txt");
        const std::string logBefore = log("ErrDataup.log");
        if (c.output == "-")
            tool.noOutput();
        else
            tool.output(c.output);
        testsupport::ScopedEnvironment crash("STANDIN_CRASH", c.crash ? "1" : nullptr);
        testsupport::ScopedEnvironment password("STANDIN_PASSWORD", kPassword);
        writeScript();
        if (c.expected != 1)
            m_messages.answer(platform::IDOK);

        EXPECT_EQ(ExecIsqlScript("1.2.3"), c.expected);

        EXPECT_EQ(tool.environment(), "ok\n") << "user and password reach the tool";
        const std::string script = dbupdate::updateScriptPath();
        EXPECT_EQ(tool.arguments(), "-b -i " + script + " -e -m -o " + dbupdate::updateOutputPath() + "\n");
        EXPECT_FALSE(fs::exists(script));
        EXPECT_FALSE(fs::exists(dbupdate::updateOutputPath()));
        if (c.expected == 1) {
            EXPECT_TRUE(m_messages.boxes().empty());
            EXPECT_EQ(log("ErrDataup.log"), logBefore);
            EXPECT_FALSE(fs::exists(m_root / "log" / "ErrDataup.txt"));
        } else {
            ASSERT_EQ(m_messages.boxes().size(), 1u);
            EXPECT_EQ(m_messages.boxes()[0].kind, "error");
            EXPECT_EQ(m_messages.boxes()[0].text, failure);
            const std::string txt = log("ErrDataup.txt");
            EXPECT_EQ(log("ErrDataup.log"), logBefore + txt) << "the log grows by the same lines";
            if (c.output == kFailedOutput) {
                EXPECT_EQ(txt, kFailedLines);
            } else {
                EXPECT_FALSE(txt.empty());
            }
        }
    }
    expectPasswordNowhere();
}

TEST_F(IsqlScriptRunnerTest, AStaleOutputFileDoesNotFailACleanRun)
{
    StandInTool tool(m_root / "exe");
    testsupport::ScopedEnvironment password("STANDIN_PASSWORD", kPassword);
    writeScript();
    testsupport::writeFile(dbupdate::updateOutputPath(), kFailedOutput);
    tool.output("Use CONNECT\nCOMMIT;\nEXIT;\n");
    EXPECT_EQ(ExecIsqlScript("1.2.3"), 1);
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(log("ErrDataup.log"), "");
}

TEST_F(IsqlScriptRunnerTest, NoToolAndNoScript)
{
    // No tool in the program folder and none on the PATH.
    testsupport::ScopedEnvironment path("PATH", (m_root / "tmp").c_str());
    writeScript();
    m_messages.answer(platform::IDOK);
    EXPECT_EQ(ExecIsqlScript("1.2.3"), 17);
    ASSERT_EQ(m_messages.texts(), (std::vector<std::string>{"ISQL.EXEが起動できません。\r処理を中止します。"}));
    EXPECT_FALSE(fs::exists(dbupdate::updateScriptPath())) << "no script is left behind";

    m_messages.clear();
    m_messages.answer(platform::IDOK);
    EXPECT_EQ(ExecIsqlScript("1.2.3"), 18);
    ASSERT_EQ(m_messages.texts(),
              (std::vector<std::string>{"更新ファイル(" + dbupdate::updateScriptPath() +
                                        ")が見つかりません。\r処理を中止します。"}));
    EXPECT_EQ(log("ErrDataup.log"), "");
    expectPasswordNowhere();
}

TEST_F(IsqlScriptRunnerTest, TheScriptIsPrivateAndItsFrameComplete)
{
    SystemDef.SysDir = "D:\\デー'タ";
    fs::create_directories(m_root / "デー'タ");
    dbupdate::DbUpdateScript script(SystemDef.SysDir, DataDefFile);
    script.add("SELECT '表' FROM RDB$DATABASE;");
    script.addSystemVersion(1, 0, 1);
    script.add("EXIT;");
    script.save();

    const fs::path path = dbupdate::updateScriptPath();
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(path.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(path.parent_path().parent_path(), m_root / "tmp");

    const std::string bytes = testsupport::readFile(path);
    // The database name keeps its native (UTF-8) bytes and its quote doubled; the rest is CP932.
    const std::string name = (m_root / "デー''タ" / "dwaccdef.fdb").string();
    const std::string connect = "CONNECT '" + name + "' USER 'MORABY';\r\n";
    const std::size_t at = bytes.find(connect);
    ASSERT_NE(at, std::string::npos) << bytes;
    const std::string head = bytes.substr(0, at);
    const std::string tail = platform::text::fromCp932(bytes.substr(at + connect.size()));
    EXPECT_TRUE(std::regex_match(head, std::regex(R"(/\* \d{4}/\d\d/\d\d \d\d:\d\d:\d\d,buildpc,100000011 \*/\r\n\r\n)")))
        << head;
    EXPECT_TRUE(std::regex_match(
        tail, std::regex("SELECT '表' FROM RDB\\$DATABASE;\r\n"
                         R"(INSERT INTO VERSION\(MAJOR,MINOR1,MINOR2,MEMO\) VALUES\(1,0,1,'\d{4}/\d\d/\d\d \d\d:\d\d:\d\d'\);)"
                         "\r\nCOMMIT;\r\nEXIT;\r\n")))
        << tail;
    EXPECT_EQ(bytes.find(kPassword), std::string::npos);
    EXPECT_EQ(bytes.find("PASSWORD"), std::string::npos);
}

} // namespace
