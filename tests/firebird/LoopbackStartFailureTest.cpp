// A loopback server that cannot be started fails the client/server tests with the reason.
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <string>

namespace {

// ctest counts a skipped test as passed, so a test run without its server must report failures.
// This runs the client/server suite of this very executable with a build folder that holds no
// UDR module, which tools/services.sh refuses to start with; the shared server is not touched.
TEST(LoopbackStartFailure, ServerTestsFailWithTheReasonAndAreNotSkipped)
{
    testsupport::TempDir dir;
    const std::string missingBuild = (dir / "no-build").string();

    QProcess tests;
    tests.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZETRINO_BUILD_DIR"), QString::fromStdString(missingBuild));
    tests.setProcessEnvironment(env);
    tests.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ServerConnectionTest.*")});
    ASSERT_TRUE(tests.waitForStarted());
    ASSERT_TRUE(tests.waitForFinished(120000));
    const std::string out = tests.readAll().toStdString();

    EXPECT_EQ(tests.exitStatus(), QProcess::NormalExit) << out;
    EXPECT_EQ(tests.exitCode(), 1) << out;
    EXPECT_NE(out.find("[  FAILED  ] ServerConnectionTest."), std::string::npos) << out;
    EXPECT_NE(out.find(missingBuild + "/src/udr/libzetrino_files.so is missing"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("[  SKIPPED ]"), std::string::npos) << out;
    EXPECT_EQ(out.find("[       OK ]"), std::string::npos) << out;
}

} // namespace
