// Tests of the drive list file and of the scan for usable network drives.
#include "platform/SharedDrives.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

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

// One bad entry costs that entry alone: undecodable bytes (a list saved as UTF-8 or with 0x85 0x40),
// a relative folder and an entry that would remap a protected drive (the settings' C:, the data
// root's D:) are skipped and named together in one warning; the good entry still applies.
TEST_F(SharedDrivesTest, BadEntriesAreNamedInOneWarningAndTheOthersApply)
{
    const std::string share = m_share.str();
    testsupport::writeFile(m_c / "ini" / "drives.ini",
                           "[Y]\r\nFolder=" + share + "/\x85\x40\r\n"
                           "[W]\r\nFolder=" + share + "\r\nUNC=\\\\FS\\\x85\x40\r\n"
                           "[X]\r\nFolder=relative/share\r\n"
                           "[C]\r\nFolder=" + share + "\r\n"
                           "[D]\r\nFolder=" + share + "\r\n"
                           "[Z]\r\nFolder=" + share + "\r\nRemote=1\r\n");
    testsupport::MessageRecorder rec;
    rec.answerDefaults();
    drives::loadDriveFile(ini, "D");
    paths::Drive d;
    ASSERT_TRUE(paths::driveOf('Z', d));
    EXPECT_EQ(d.nativeRoot, m_share.path());
    for (const char letter : {'Y', 'W', 'X', 'D'})
        EXPECT_FALSE(paths::driveOf(letter, d)) << letter;
    ASSERT_TRUE(paths::driveOf('C', d));
    EXPECT_EQ(d.nativeRoot, m_c.path()) << "C: was remapped";

    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].kind, "warning");
    const std::string& text = rec.boxes()[0].text;
    for (const char* named : {"drives.ini", "[Y] Folder", "[W] UNC", "[X] Folder", "[C] Folder", "[D] Folder"})
        EXPECT_NE(text.find(named), std::string::npos) << named << " not named in: " << text;
    EXPECT_EQ(text.find("[Z]"), std::string::npos) << text;
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

namespace {

// A real network-like mount that hangs: a FUSE file system whose server never answers, so
// every look at its root blocks until the connection is closed.
class HungMount {
public:
    explicit HungMount(const std::filesystem::path& point) : m_point(point)
    {
        m_fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (m_fd < 0) {
            m_error = std::string("cannot open /dev/fuse: ") + std::strerror(errno);
            return;
        }
        const std::string options = "fd=" + std::to_string(m_fd) + ",rootmode=40000,user_id=0,group_id=0";
        if (::mount("hung", m_point.c_str(), "fuse.hung", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            m_error = std::string("cannot mount a FUSE file system: ") + std::strerror(errno);
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~HungMount()
    {
        if (m_fd < 0)
            return;
        // Closing the server's end aborts the connection: the blocked probe gets its answer.
        ::close(m_fd);
        ::umount2(m_point.c_str(), MNT_DETACH);
    }
    HungMount(const HungMount&) = delete;
    HungMount& operator=(const HungMount&) = delete;
    const std::string& error() const { return m_error; }

private:
    std::filesystem::path m_point;
    int m_fd = -1;
    std::string m_error;
};

} // namespace

TEST_F(SharedDrivesTest, AHungMountCostsItsDriveAfterTwoSecondsInsteadOfBlocking)
{
    const std::filesystem::path point = m_c / "hung";
    std::filesystem::create_directories(point);
    HungMount hung(point);
    ASSERT_TRUE(hung.error().empty()) << hung.error();
    paths::mapDrive('X', point, true);
    paths::mapDrive('Z', m_share.path(), true);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(drives::usableRemoteLetters(), std::vector<char>{'Z'});
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(4000));
}
