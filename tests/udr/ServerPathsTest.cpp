#include "udr/FileOperations.h"
#include "udr/ServerPaths.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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
    void SetUp() override
    {
        paths.mapDrive('D', dir.path());
        paths.addServedFolder(dir.path());
    }
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

// The procedures reach only the served folders: a path outside, or one that gets out through
// ".." or a symbolic link, fails and touches nothing; the served folder itself is never removed.
TEST(UdrServedFolders, NothingOutsideTheServedFoldersIsTouched)
{
    TempDir served;
    TempDir outside;
    udr::ServerPaths paths;
    paths.mapDrive('D', served.path());
    paths.mapDrive('E', outside.path());
    paths.addServedFolder(served / "data");
    fs::create_directories(served / "data" / "0001");
    testsupport::writeFile(served / "data" / "0001" / "in.txt", "inside");
    testsupport::writeFile(outside / "secret.txt", "secret");
    fs::create_directories(outside / "folder");
    testsupport::writeFile(served / "beside.txt", "beside");
    fs::create_directory_symlink(outside.path(), served / "data" / "link");

    struct Case {
        const char* name;
        bool file; // FILEOPERATION, else DIRECTORYTEST
        const char* mode;
        std::string p1;
        std::string p2;
    };
    const std::string out = outside.str();
    const std::vector<Case> refused = {
        {"copy out of a folder outside", true, "FCOPY", "E:\\secret.txt", "D:\\data\\stolen.txt"},
        {"copy into a folder outside", true, "FCOPY", "D:\\data\\0001\\in.txt", "E:\\planted.txt"},
        {"copy by a native path", true, "FCOPY", out + "/secret.txt", "D:\\data\\stolen.txt"},
        {"delete outside", true, "FDEL", "E:\\secret.txt", ""},
        {"delete beside the served folder", true, "FDEL", "D:\\beside.txt", ""},
        {"delete through ..", true, "FDEL", "D:\\data\\0001\\..\\..\\beside.txt", ""},
        {"delete through a link", true, "FDEL", "D:\\data\\link\\secret.txt", ""},
        {"test outside", true, "FEXIST", "E:\\secret.txt", ""},
        {"remove outside", false, "RMDIR", "E:\\folder", ""},
        {"remove through a link", false, "RMDIR", "D:\\data\\link\\folder", ""},
        {"remove the link's target", false, "RMDIR", "D:\\data\\link", ""},
        {"remove the served folder", false, "RMDIR", "D:\\data", ""},
        {"make a folder outside", false, "MKDIR", "E:\\made", ""},
        {"make a folder through ..", false, "MKDIR", "D:\\data\\..\\made", ""},
    };
    for (const Case& c : refused) {
        const bool ok = c.file ? udr::fileOperation(paths, c.mode, c.p1, c.p2)
                               : udr::directoryTest(paths, c.mode, c.p1);
        EXPECT_FALSE(ok) << c.name;
    }
    EXPECT_EQ(testsupport::readFile(outside / "secret.txt"), "secret");
    EXPECT_EQ(testsupport::readFile(served / "beside.txt"), "beside");
    EXPECT_TRUE(fs::is_directory(outside / "folder"));
    EXPECT_TRUE(fs::is_directory(served / "data" / "0001"));
    EXPECT_FALSE(fs::exists(served / "data" / "stolen.txt"));
    EXPECT_FALSE(fs::exists(outside / "planted.txt"));
    EXPECT_FALSE(fs::exists(outside / "made"));
    EXPECT_FALSE(fs::exists(served / "made"));

    // Inside, everything works as before.
    EXPECT_TRUE(udr::directoryTest(paths, "DEXIST", "D:\\data"));
    EXPECT_TRUE(udr::directoryTest(paths, "MKDIR", "D:\\data\\0002\\work"));
    EXPECT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\data\\0001\\in.txt", "D:\\data\\0002\\work\\copy.txt"));
    EXPECT_TRUE(udr::fileOperation(paths, "FEXIST", "D:\\DATA\\0002\\WORK\\COPY.TXT", ""));
    EXPECT_TRUE(udr::directoryTest(paths, "RMDIR", "D:\\data\\0002"));
    EXPECT_TRUE(udr::fileOperation(paths, "FDEL", "D:\\data\\0001\\in.txt", ""));

    udr::ServerPaths none;
    none.mapDrive('D', served.path());
    EXPECT_FALSE(udr::directoryTest(none, "DEXIST", "D:\\data")) << "no served folder known: none served";
    none.addServedFolder("/");
    EXPECT_FALSE(udr::directoryTest(none, "DEXIST", "D:\\data")) << "the root is never served";
}

TEST(UdrServedFolders, TheMapFileNamesServedFolders)
{
    TempDir served;
    std::istringstream file("D: = " + served.str() + "\nSERVED = " + served.str() + "/work\nserved=relative\n");
    udr::ServerPaths paths;
    paths.load(file);
    ASSERT_EQ(paths.servedFolders().size(), 1u);
    EXPECT_TRUE(paths.isServed(served / "work" / "x.fdb"));
    EXPECT_FALSE(paths.isServed(served / "x.fdb"));
}

TEST_F(FileOperationsTest, ACopyKeepsTheModeOfItsSource)
{
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0644)}) {
        testsupport::writeFile(dir / "src.txt", "x");
        fs::permissions(dir / "src.txt", mode);
        fs::remove(dir / "copy.txt");
        ASSERT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\src.txt", "D:\\copy.txt"));
        EXPECT_EQ(fs::status(dir / "copy.txt").permissions() & fs::perms::mask, mode) << int(mode);
    }
}

TEST(LongToShortFileName, GivesTheNameBack)
{
    EXPECT_EQ(udr::longToShortFileName("C:\\Program Files\\日本語\\x.fdb"),
              "C:\\Program Files\\日本語\\x.fdb");
}
