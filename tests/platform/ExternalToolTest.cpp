#include "platform/ExternalTool.h"

#include "platform/Paths.h"
#include "support/TempDir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace platform::tools;
using testsupport::TempDir;

TEST(ExternalTool, FindsTheToolBesideTheProgramElseTheSystemOne)
{
    TempDir dir;
    EXPECT_EQ(toolProgram("gbak.exe", dir.str()), "gbak");
    EXPECT_EQ(toolProgram("ISQL.EXE", dir.str()), "isql-fb");
    EXPECT_EQ(toolProgram("gbak.exe", ""), "gbak");
    testsupport::writeFile(dir / "gbak", "");
    EXPECT_EQ(toolProgram("gbak.exe", dir.str()), (dir / "gbak").string());
    EXPECT_EQ(toolProgram("gbak.exe", "Q:\\unmapped"), "gbak");
}

TEST(ExternalTool, PassesArgumentsAsGivenAndSecretsThroughTheEnvironment)
{
    TempDir dir;
    const std::string out = (dir / "out.txt").string();
    // Arguments with spaces and quotes arrive untouched: no shell in between.
    const ToolResult r = runTool(
        "/bin/sh",
        {"-c", "printf '%s|%s|%s' \"$1\" \"$2\" \"$ISC_PASSWORD\" > \"$3\"; exit 3", "sh", "a b",
         "\"q\" $HOME", out},
        {{"ISC_PASSWORD", "se cret"}});
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(testsupport::readFile(out), "a b|\"q\" $HOME|se cret");
}

TEST(ExternalTool, MissingProgramDoesNotStart)
{
    const ToolResult r = runTool("/nonexistent/tool", {});
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.exitCode, -1);
}

TEST(ExternalTool, GuiEventsRunWhileTheToolRuns)
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    const ToolResult r = runTool("/bin/sh", {"-c", "sleep 0.3"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(fired);
}
