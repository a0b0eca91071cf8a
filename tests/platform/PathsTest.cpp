#include "platform/Paths.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace paths = platform::paths;
namespace fs = std::filesystem;

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override { paths::mapDrive('C', m_root.path()); }
    void TearDown() override { paths::resetDriveMap(); }
    testsupport::TempDir m_root;
};

} // namespace

TEST_F(PathsTest, ExistingComponentsResolveWithoutRegardToCase)
{
    testsupport::writeFile(m_root / "data/0001/dwacc.ini", "x");
    EXPECT_EQ(paths::toNative("C:\\Data\\0001\\DWACC.INI"), m_root / "data/0001/dwacc.ini");
    EXPECT_EQ(paths::toNative("c:/DATA/0001/Dwacc.Ini"), m_root / "data/0001/dwacc.ini");
    // Components from the first missing one keep the case they were given.
    EXPECT_EQ(paths::toNative("C:\\DATA\\0002\\New.ini"), m_root / "data/0002/New.ini");
    EXPECT_EQ(paths::toNative("\\Data\\.\\0001\\..\\0001"), m_root / "data/0001");
}

TEST_F(PathsTest, DotDotStopsAtTheDriveRoot)
{
    // A path that climbs past its drive must not reach whatever holds the drive's folder.
    EXPECT_EQ(paths::toNative("C:\\.."), m_root.path());
    EXPECT_EQ(paths::toNative("C:\\a,b\\..\\..\\..\\x"), m_root / "x");
    EXPECT_EQ(paths::toNative("C:\\a\\b\\..\\..\\c"), m_root / "c");
}

TEST_F(PathsTest, FullWidthLettersFoldLikeWindows)
{
    testsupport::writeFile(m_root / "ｄａｔａ/表示.txt", "x");
    EXPECT_EQ(paths::toNative("C:\\ＤＡＴＡ\\表示.TXT"), m_root / "ｄａｔａ/表示.txt");
}

TEST_F(PathsTest, DrivesMapBothWays)
{
    testsupport::TempDir server;
    paths::mapDrive('z', server.path(), true, "\\\\SERVER\\share");
    fs::create_directories(server / "Data");
    EXPECT_EQ(paths::toNative("Z:\\data\\x.fdb"), server / "Data/x.fdb");
    EXPECT_EQ(paths::toNative("\\\\server\\SHARE\\data"), server / "Data");
    EXPECT_EQ(paths::fromNative(server / "Data/x.fdb"), "Z:\\Data\\x.fdb");
    EXPECT_EQ(paths::fromNative(m_root / "a/b"), "C:\\a\\b");
    EXPECT_EQ(paths::universalPath("Z:\\Data\\x.fdb"), "\\\\SERVER\\share\\Data\\x.fdb");
    EXPECT_EQ(paths::universalPath("C:\\Data"), "C:\\Data");
    EXPECT_EQ(paths::universalPath("  "), "  ");
    EXPECT_TRUE(paths::isRemotePath("z:\\x"));
    EXPECT_FALSE(paths::isRemotePath("C:\\x"));
    EXPECT_THROW(paths::toNative("Q:\\x"), std::invalid_argument);
}

TEST(Paths, DefaultMapSendsDriveCToTheRoot)
{
    paths::resetDriveMap();
    EXPECT_EQ(paths::toNative("C:\\"), fs::path("/"));
    EXPECT_EQ(paths::fromNative("/tmp/x"), "C:\\tmp\\x");
}

TEST(Paths, WindowsFormHelpers)
{
    EXPECT_EQ(paths::includeTrailingDelimiter("C:\\a"), "C:\\a\\");
    EXPECT_EQ(paths::includeTrailingDelimiter("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(paths::excludeTrailingDelimiter("C:\\a\\"), "C:\\a");
    EXPECT_EQ(paths::extractFileDir("C:\\a\\b.txt"), "C:\\a");
    EXPECT_EQ(paths::extractFileDir("C:\\b.txt"), "C:\\");
    EXPECT_EQ(paths::extractFilePath("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(paths::extractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(paths::extractFileExt("C:\\a.d\\b"), "");
    EXPECT_EQ(paths::extractFileExt("C:\\a\\dwacc.fdb"), ".fdb");
    EXPECT_EQ(paths::changeFileExt("C:\\a\\dwacc.fdb", ".ini"), "C:\\a\\dwacc.ini");
    EXPECT_EQ(paths::join("C:\\a\\", "\\b"), "C:\\a\\b");
    EXPECT_EQ(paths::join("C:\\a", "b"), "C:\\a\\b");
    EXPECT_TRUE(paths::samePath("c:/DATA\\x", "C:\\data\\X"));
    EXPECT_EQ(paths::extractFileDrive("d:\\x"), "d:");
    EXPECT_EQ(paths::extractFileDrive("\\x"), "");
}
