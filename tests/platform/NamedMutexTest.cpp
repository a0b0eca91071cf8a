#include "platform/NamedMutex.h"

#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/MutexHolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using platform::NamedMutex;
using testsupport::MutexHolder;

namespace {

class NamedMutexTest : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
    testsupport::ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable, m_dir.str().c_str()};
};

} // namespace

TEST_F(NamedMutexTest, HoldingInThisProcess)
{
    EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
    {
        NamedMutex first("ZETRINO_RENDO");
        ASSERT_TRUE(first.held());
        EXPECT_TRUE(NamedMutex::exists("ZETRINO_RENDO"));
        EXPECT_FALSE(NamedMutex::exists("QUARVEL000")) << "names are distinct";
        EXPECT_FALSE(NamedMutex::exists("zetrino_rendo")) << "names are case-sensitive";

        NamedMutex second("ZETRINO_RENDO");
        EXPECT_FALSE(second.held());
        second.release(); // harmless on a mutex not held
        EXPECT_TRUE(NamedMutex::exists("ZETRINO_RENDO"));

        first.release();
        EXPECT_FALSE(first.held());
        EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
        first.release();
    }
    // Probing many times never leaves the mutex taken.
    EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
    EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
    EXPECT_TRUE(NamedMutex("ZETRINO_RENDO").held());
}

TEST_F(NamedMutexTest, AnotherProcessHoldsUntilItReleases)
{
    MutexHolder holder({"QUARVEL000", "QUARVEL_TOOLS"});
    EXPECT_TRUE(NamedMutex::exists("QUARVEL000"));
    EXPECT_TRUE(NamedMutex::exists("QUARVEL_TOOLS"));
    EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
    EXPECT_FALSE(NamedMutex("QUARVEL000").held());

    // Our probes and failed attempts leave the holder as it was.
    EXPECT_TRUE(holder.running());
    EXPECT_TRUE(NamedMutex::exists("QUARVEL000"));
    EXPECT_EQ(holder.release(), 0);

    EXPECT_FALSE(NamedMutex::exists("QUARVEL000"));
    EXPECT_TRUE(NamedMutex("QUARVEL000").held());
}

TEST_F(NamedMutexTest, CrashedHolderFreesTheMutex)
{
    MutexHolder holder({"ZETRINO_RENDO"});
    ASSERT_TRUE(NamedMutex::exists("ZETRINO_RENDO"));
    holder.kill();
    EXPECT_FALSE(NamedMutex::exists("ZETRINO_RENDO"));
    EXPECT_TRUE(NamedMutex("ZETRINO_RENDO").held());
}

TEST_F(NamedMutexTest, ThisProcessHoldingBlocksAnotherProcess)
{
    NamedMutex mine("ZETRINO_RENDO");
    ASSERT_TRUE(mine.held());
    EXPECT_THROW(MutexHolder({"ZETRINO_RENDO"}), std::runtime_error);
    mine.release();
    MutexHolder holder({"ZETRINO_RENDO"});
    EXPECT_TRUE(NamedMutex::exists("ZETRINO_RENDO"));
}

TEST_F(NamedMutexTest, LockFilesStayInTheRuntimeFolder)
{
    namespace fs = std::filesystem;
    for (const char* name : {"ZETRINO_RENDO", "Global\\QUARVEL", "../escape", "a/b"}) {
        const fs::path file = NamedMutex::lockFilePath(name);
        EXPECT_EQ(file.parent_path(), m_dir.path()) << name;
        NamedMutex m(name);
        EXPECT_TRUE(m.held()) << name;
        EXPECT_TRUE(fs::exists(file)) << name;
    }
}
