#include "udr/FileOperations.h"
#include "udr/ServerPaths.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
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

    EXPECT_EQ(paths.workPath(), "\\morabyzaimu\\temp") << "the clients' default work path";
    std::istringstream work("WORK = \\srv\\work\nWORK = relative\n");
    paths.load(work);
    EXPECT_EQ(paths.workPath(), "\\srv\\work") << "a work path without its root is skipped";
}

// What a system database serves, from the server's point of view: the system folder comes as
// the database's native folder, the places as the clients wrote them into DATAPLACEMAN.
TEST(UdrServedFolders, ASystemDatabaseServesItsFolderItsPlacesAndTheWorkFolder)
{
    TempDir root;
    fs::create_directories(root / "data" / "0001");
    struct Case {
        fs::path path;
        bool served;
    };

    // The standard place names the system folder as D:\Data: the clients' D: is the root.
    // The table's SJIS_0208 text reads the program's "\\" as a yen sign.
    udr::ServerPaths paths;
    udr::serveSystemFolder(paths, root / "data", {"D:\\Data", "", "D:¥data01", "C:¥"});
    const Case cases[] = {
        {root / "data" / "0001" / "dwacc.fdb", true},
        {root / "data01" / "0001", true},
        {root / "morabyzaimu" / "temp" / "100000010", true}, // the work folder on the clients' D:
        {"/morabyzaimu/temp/x", true},                       // the work folder on the server's C:
        {root / "data02" / "x", false},                      // an unnamed place nobody listed
        {root / "data" / ".." / "secret", false},
        {root / "other", false},
        {"/etc/passwd", false}, // a place of "C:\" serves nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(paths.isServed(c.path, false), c.served) << c.path;
    EXPECT_TRUE(paths.isServed(root / "data01", true)) << "a place may be created";
    EXPECT_FALSE(paths.isServed(root / "data01", false)) << "but never removed";

    // A standard place that does not name this folder says nothing about the clients' drives.
    udr::ServerPaths elsewhere;
    udr::serveSystemFolder(elsewhere, root / "data", {"D:\\ZAIMU\\DATA", "D:\\ZAIMU\\DATA01"});
    const Case others[] = {
        {root / "data" / "0001", true},
        {root / "data01" / "0001", false},
        {root / "morabyzaimu" / "temp" / "x", false},
        {"/morabyzaimu/temp/x", true},
    };
    for (const Case& c : others)
        EXPECT_EQ(elsewhere.isServed(c.path, false), c.served) << c.path;
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

TEST_F(FileOperationsTest, NothingOutsideTheServedFoldersIsTouched)
{
    udr::ServerPaths confined;
    confined.mapDrive('D', dir.path());
    confined.addServedFolder(dir / "srv");
    fs::create_directories(dir / "srv" / "sub");
    fs::create_directories(dir / "other" / "folder");
    testsupport::writeFile(dir / "srv" / "in.txt", "inside");
    testsupport::writeFile(dir / "other" / "secret.txt", "secret");
    testsupport::writeFile(dir / "other" / "folder" / "keep.txt", "keep");
    fs::create_directory_symlink(dir / "other", dir / "srv" / "link");
    fs::create_symlink(dir / "other" / "secret.txt", dir / "srv" / "filelink");
    const auto listing = [this] {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            names.push_back(e.path().string() + (e.is_symlink() ? "@" : ""));
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto before = listing();

    struct Case {
        const char* mode;
        std::string path1, path2;
        std::string refused;
    };
    const std::string other = (dir / "other").string();
    const Case cases[] = {
        {"FCOPY", "D:\\other\\secret.txt", "D:\\srv\\copy.txt", "D:\\other\\secret.txt"},
        {"FCOPY", "D:\\srv\\in.txt", "D:\\other\\new.txt", "D:\\other\\new.txt"},
        {"FCOPY", "D:\\srv\\..\\other\\secret.txt", "D:\\srv\\copy.txt", "D:\\srv\\..\\other\\secret.txt"},
        {"FCOPY", "D:\\srv\\link\\secret.txt", "D:\\srv\\copy.txt", "D:\\srv\\link\\secret.txt"},
        {"FCOPY", "D:\\srv\\in.txt", "D:\\srv\\link\\new.txt", "D:\\srv\\link\\new.txt"},
        {"FCOPY", "D:\\srv\\in.txt", "D:\\srv\\filelink", "D:\\srv\\filelink"},
        {"FCOPY", other + "/secret.txt", "D:\\srv\\copy.txt", other + "/secret.txt"},
        {"FDEL", "D:\\other\\secret.txt", "", "D:\\other\\secret.txt"},
        {"FDEL", "D:\\srv\\link\\secret.txt", "", "D:\\srv\\link\\secret.txt"},
        {"FEXIST", "D:\\other\\secret.txt", "", "D:\\other\\secret.txt"},
        {"FEXIST", "C:\\etc\\passwd", "", "C:\\etc\\passwd"},
        {"RMDIR", "D:\\other\\folder", "", "D:\\other\\folder"},
        {"RMDIR", "D:\\srv\\link\\folder", "", "D:\\srv\\link\\folder"},
        {"RMDIR", "D:\\srv\\sub\\..\\..\\other", "", "D:\\srv\\sub\\..\\..\\other"},
        {"RMDIR", "D:\\srv\\link", "", "D:\\srv\\link"},
        {"RMDIR", "D:\\srv", "", "D:\\srv"}, // the served folder itself
        {"MKDIR", "D:\\other\\new", "", "D:\\other\\new"},
        {"MKDIR", "D:\\srv\\link\\new", "", "D:\\srv\\link\\new"},
        {"DEXIST", "D:\\other\\folder", "", "D:\\other\\folder"},
    };
    for (const Case& c : cases) {
        std::string refused;
        const bool folderMode = c.mode[0] == 'R' || c.mode[0] == 'M' || c.mode[0] == 'D';
        const bool ok = folderMode ? udr::directoryTest(confined, c.mode, c.path1, &refused)
                                   : udr::fileOperation(confined, c.mode, c.path1, c.path2, &refused);
        EXPECT_FALSE(ok) << c.mode << " " << c.path1 << " " << c.path2;
        EXPECT_EQ(refused, c.refused) << c.mode << " " << c.path1 << " " << c.path2;
    }
    EXPECT_EQ(listing(), before);
    EXPECT_EQ(testsupport::readFile(dir / "other" / "secret.txt"), "secret");

    // Inside, the same operations work.
    std::string refused;
    EXPECT_TRUE(udr::fileOperation(confined, "FCOPY", "D:\\srv\\in.txt", "D:\\srv\\sub\\copy.txt", &refused));
    EXPECT_TRUE(udr::directoryTest(confined, "MKDIR", "D:\\srv\\sub\\new", &refused));
    EXPECT_TRUE(udr::directoryTest(confined, "RMDIR", "D:\\srv\\sub", &refused));
    EXPECT_EQ(refused, "");
}

TEST_F(FileOperationsTest, ACopyKeepsTheModeOfItsSource)
{
    using fs::perms;
    const perms modes[] = {perms::owner_read | perms::owner_write,
                           perms::owner_read | perms::owner_write | perms::group_read,
                           perms::owner_all | perms::group_read | perms::group_exec
                               | perms::others_read | perms::others_exec};
    for (const perms mode : modes) {
        testsupport::writeFile(dir / "src.txt", "x");
        fs::permissions(dir / "src.txt", mode);
        testsupport::writeFile(dir / "copy.txt", "old"); // an existing target takes the new mode
        fs::permissions(dir / "copy.txt", perms::all);
        ASSERT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\src.txt", "D:\\copy.txt"));
        EXPECT_EQ(fs::status(dir / "copy.txt").permissions(), mode) << int(mode);
        EXPECT_EQ(testsupport::readFile(dir / "copy.txt"), "x");
    }
    // The copy belongs to the server's user: a set-user program does not become one of its own.
    fs::permissions(dir / "src.txt", perms::owner_all | perms::set_uid | perms::set_gid);
    ASSERT_TRUE(udr::fileOperation(paths, "FCOPY", "D:\\src.txt", "D:\\copy.txt"));
    EXPECT_EQ(fs::status(dir / "copy.txt").permissions(), perms::owner_all);
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
        ASSERT_TRUE(w.commit(fs::perms::owner_read | fs::perms::owner_write));
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
