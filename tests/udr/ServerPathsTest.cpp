#include "udr/FileOperations.h"
#include "udr/ServerPaths.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;
using testsupport::TempDir;

TEST(UdrDriveMap, MapsWindowsFormPathsThroughTheDriveMap)
{
    TempDir dir;
    fs::create_directories(dir / "Data" / "Sub");
    udr::ServerPaths paths;
    paths.mapDrive('d', dir.path());

    struct Case {
        std::string input;
        fs::path expected;
    };
    const Case cases[] = {
        {"D:\\data\\SUB\\new.txt", dir / "Data" / "Sub" / "new.txt"}, // existing parts keep their case
        {"d:/DATA/sub", dir / "Data" / "Sub"},
        {"  D:\\Data\\x\\y  ", dir / "Data" / "x" / "y"},
        {"C:\\tmp", fs::path("/tmp")},
        {(dir.str() + "/data/sub"), dir / "Data" / "Sub"}, // native paths pass, resolved
        {"X:\\a", {}},                                     // drive not mapped
        {"\\\\server\\share\\a", {}},                      // UNC
        {"relative\\a", {}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(paths.toNative(c.input), c.expected) << c.input;
}

TEST(UdrDriveMap, LoadsTheMapFile)
{
    std::istringstream in("# drives of the server\n"
                          "E: = /srv/e\n"
                          "f=/srv/f\n"
                          "\n"
                          "; no colon form is fine too, junk is skipped\n"
                          "junk line\n"
                          "GG: = /x\n");
    udr::ServerPaths paths;
    paths.mapDrive('Q', "/q");
    paths.load(in);
    EXPECT_EQ(paths.toNative("E:\\a"), fs::path("/srv/e/a"));
    EXPECT_EQ(paths.toNative("F:\\a"), fs::path("/srv/f/a"));
    EXPECT_EQ(paths.toNative("C:\\a"), fs::path("/a")) << "C: stays mapped by default";
    EXPECT_TRUE(paths.toNative("Q:\\a").empty()) << "a loaded file replaces the map";

    std::istringstream unmapC("C: =\n");
    paths.load(unmapC);
    EXPECT_TRUE(paths.toNative("C:\\a").empty());
}

class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override { paths.mapDrive('D', dir.path()); }
    TempDir dir;
    udr::ServerPaths paths;
};

TEST_F(FileOperationsTest, FileModes)
{
    testsupport::writeFile(dir / "a.txt", std::string("abc\0def", 7));
    fs::create_directory(dir / "folder");

    EXPECT_TRUE(udr::fileOperation(paths, "FEXIST", "D:\\A.TXT", ""));
    EXPECT_TRUE(udr::fileOperation(paths, "fexist", "D:\\a.txt", "")) << "mode in lower case";
    EXPECT_FALSE(udr::fileOperation(paths, "FEXIST", "D:\\missing.txt", ""));
    EXPECT_FALSE(udr::fileOperation(paths, "FEXIST", "D:\\folder", "")) << "a folder is no file";
    EXPECT_FALSE(udr::fileOperation(paths, "FMOVE", "D:\\a.txt", "D:\\b.txt")) << "unknown mode";

    // Copy into folders that do not exist yet, then over an existing file.
    ASSERT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\a.txt", "D:\\new\\deep\\b.txt"));
    EXPECT_EQ(testsupport::readFile(dir / "new" / "deep" / "b.txt"), std::string("abc\0def", 7));
    testsupport::writeFile(dir / "c.txt", "old");
    ASSERT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\a.txt", "D:\\C.TXT"));
    EXPECT_EQ(testsupport::readFile(dir / "c.txt"), std::string("abc\0def", 7));
    EXPECT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\a.txt", "D:\\a.txt")) << "onto itself";
    EXPECT_EQ(testsupport::readFile(dir / "a.txt"), std::string("abc\0def", 7));

    EXPECT_FALSE(udr::fileOperation(paths, "FCOPY", "D:\\missing.txt", "D:\\x.txt"));
    EXPECT_FALSE(udr::fileOperation(paths, "FCOPY", "D:\\a.txt", ""));
    EXPECT_FALSE(udr::fileOperation(paths, "FCOPY", "D:\\a.txt", "D:\\folder")) << "onto a folder";
    EXPECT_FALSE(fs::exists(dir / "x.txt"));

    EXPECT_TRUE(udr::fileOperation(paths, "FDEL", "D:\\c.txt", ""));
    EXPECT_FALSE(fs::exists(dir / "c.txt"));
    EXPECT_FALSE(udr::fileOperation(paths, "FDEL", "D:\\c.txt", "")) << "already gone";
    EXPECT_FALSE(udr::fileOperation(paths, "FDEL", "D:\\folder", "")) << "folders need RMDIR";
    EXPECT_TRUE(fs::exists(dir / "folder"));

    // No work files are left behind.
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(FileOperationsTest, FolderModes)
{
    EXPECT_FALSE(udr::directoryTest(paths, "DEXIST", "D:\\one"));
    ASSERT_TRUE(udr::directoryTest(paths, "MKDIR", "D:\\one\\two\\three"));
    EXPECT_TRUE(fs::is_directory(dir / "one" / "two" / "three"));
    EXPECT_TRUE(udr::directoryTest(paths, "mkdir", "D:\\ONE\\two")) << "existing folder";
    EXPECT_TRUE(udr::directoryTest(paths, "DEXIST", "D:\\One\\Two"));
    testsupport::writeFile(dir / "one" / "two" / "f.txt", "x");
    EXPECT_FALSE(udr::directoryTest(paths, "DEXIST", "D:\\one\\two\\f.txt")) << "a file is no folder";
    EXPECT_FALSE(udr::directoryTest(paths, "MKDIR", "D:\\one\\two\\f.txt"));

    ASSERT_TRUE(udr::directoryTest(paths, "RMDIR", "D:\\one\\two")) << "with its contents";
    EXPECT_FALSE(fs::exists(dir / "one" / "two"));
    EXPECT_TRUE(fs::exists(dir / "one"));
    EXPECT_FALSE(udr::directoryTest(paths, "RMDIR", "D:\\one\\two")) << "already gone";
    EXPECT_FALSE(udr::directoryTest(paths, "XDIR", "D:\\one"));
    EXPECT_FALSE(udr::directoryTest(paths, "DEXIST", ""));
}

TEST_F(FileOperationsTest, RootsAreNeverRemoved)
{
    testsupport::writeFile(dir / "keep.txt", "x");
    for (const char* root : {"D:\\", "D:", "d:/", "D:\\one\\..", "/", "C:\\", "\\"}) {
        EXPECT_FALSE(udr::directoryTest(paths, "RMDIR", root)) << root;
        EXPECT_TRUE(fs::exists(dir / "keep.txt")) << root;
    }
}

TEST_F(FileOperationsTest, WholeFileWriterReplacesOnlyOnCommit)
{
    testsupport::writeFile(dir / "t.bin", "old");
    {
        udr::WholeFileWriter w(dir / "t.bin");
        ASSERT_TRUE(w.isOpen());
        ASSERT_TRUE(w.write("new", 3));
    } // dropped without commit
    EXPECT_EQ(testsupport::readFile(dir / "t.bin"), "old");
    {
        udr::WholeFileWriter w(dir / "t.bin");
        ASSERT_TRUE(w.write("new", 3));
        ASSERT_TRUE(w.commit());
    }
    EXPECT_EQ(testsupport::readFile(dir / "t.bin"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(udr::WholeFileWriter(dir / "no" / "such" / "folder.bin").isOpen());
}

TEST(LongToShortFileName, GivesTheNameBack)
{
    EXPECT_EQ(udr::longToShortFileName("C:\\Program Files\\日本語\\x.fdb"),
              "C:\\Program Files\\日本語\\x.fdb");
}
