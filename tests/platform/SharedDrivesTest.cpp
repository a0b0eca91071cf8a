// Tests of the drive list file and of the scan for usable network drives.
#include "platform/SharedDrives.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace drives = platform::drives;
namespace paths = platform::paths;

class SharedDrivesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        paths::resetDriveMap();
        paths::mapDrive('C', m_c.path());
        std::filesystem::create_directories(m_c / "ini");
        std::filesystem::create_directories(m_share / "morabyzaimu");
    }
    void TearDown() override
    {
        platform::files::clearFaults();
        paths::resetDriveMap();
    }
    const std::string ini = "C:\\ini";
    testsupport::TempDir m_c;
    testsupport::TempDir m_share;
};

TEST_F(SharedDrivesTest, AnAssignmentSurvivesARestart)
{
    drives::storeDriveEntry(ini, {'z', m_share.path(), true, "\\\\FS01\\kyoyu"});
    paths::Drive d;
    ASSERT_TRUE(paths::driveOf('Z', d));

    paths::resetDriveMap();
    paths::mapDrive('C', m_c.path());
    ASSERT_FALSE(paths::driveOf('Z', d));
    drives::loadDriveFile(ini);
    ASSERT_TRUE(paths::driveOf('Z', d));
    EXPECT_EQ(d.nativeRoot, m_share.path());
    EXPECT_TRUE(d.remote);
    EXPECT_EQ(paths::universalPath("Z:\\morabyzaimu"), "\\\\FS01\\kyoyu\\morabyzaimu");
    EXPECT_TRUE(paths::isRemotePath("Z:\\morabyzaimu\\sv0001"));
}

TEST_F(SharedDrivesTest, AFailedWriteLeavesFileAndMapAsTheyWere)
{
    drives::storeDriveEntry(ini, {'Y', m_share.path(), false, ""});
    const std::string before = testsupport::readFile(m_c / "ini" / "drives.ini");
    platform::files::failNext(platform::files::Operation::Write, ENOSPC);
    EXPECT_THROW(drives::storeDriveEntry(ini, {'Z', m_share.path(), true, ""}),
                 platform::files::FileError);
    EXPECT_EQ(testsupport::readFile(m_c / "ini" / "drives.ini"), before);
    paths::Drive d;
    EXPECT_FALSE(paths::driveOf('Z', d));
}

TEST_F(SharedDrivesTest, BrokenEntriesAreSkipped)
{
    testsupport::writeFile(m_c / "ini" / "drives.ini",
                           "[Z]\r\nRemote=1\r\n[AB]\r\nFolder=/tmp\r\n[1]\r\nFolder=/tmp\r\n"
                           "[x]\r\nFolder=" + m_share.str() + "\r\nRemote=1\r\n");
    const auto entries = drives::readDriveFile(ini);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].letter, 'X');
    EXPECT_TRUE(entries[0].remote);
}

TEST_F(SharedDrivesTest, OnlyRemoteDrivesWithAReachableRootAreUsable)
{
    paths::mapDrive('X', m_share.path() / "gone", true);
    paths::mapDrive('Y', m_share.path(), false);
    paths::mapDrive('Z', m_share.path(), true);
    EXPECT_EQ(drives::usableRemoteLetters(), std::vector<char>{'Z'});
    const auto free = drives::freeLetters();
    EXPECT_EQ(free.front(), 'D');
    EXPECT_EQ(std::count(free.begin(), free.end(), 'Z'), 0);
    EXPECT_EQ(free.size(), 20u); // D..W
}
