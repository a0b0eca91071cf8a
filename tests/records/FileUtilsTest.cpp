#include "records/FileUtils.h"

#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// Drive D: is a fresh temporary folder; the registry stand-in lives beside it.
class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(drive.path() / "d");
        platform::paths::mapDrive('D', drive.path() / "d");
        platform::registry::setStorePath(drive.path() / "registry.ini");
        recorder.answerDefaults();
    }
    void TearDown() override
    {
        platform::paths::resetDriveMap();
        platform::registry::resetStorePath();
        platform::files::clearFaults();
    }

    fs::path native(const std::string& rest) const { return drive.path() / "d" / rest; }
    void make(const std::string& rest, const std::string& bytes = "x")
    {
        testsupport::writeFile(native(rest), bytes);
    }

    TempDir drive;
    testsupport::MessageRecorder recorder;
};

} // namespace

TEST_F(FileUtilsTest, OperablePathRefusesRootsAndSystemFolders)
{
    fs::create_directories(native("data/0001"));
    struct Case {
        std::string path;
        bool operable;
    };
    const std::vector<Case> cases = {
        {"", false},
        {"   ", false},
        {"C:\\", false},
        {"c:\\", false},
        {"C:", false},
        {"z:", false},
        {"D:\\", false},
        {"d:/", false},
        {"D:\\data\\..", false},
        {"/", false},
        {"/usr", false},
        {"/etc/", false},
        {"/home", false},
        {GetSystemFolder(), false},
        {"c:\\USR", false},
        {"C:\\usr\\", false},
        {"D:\\data", true},
        {"D:\\DATA\\0001", true},
        {"D:\\data\\none", true},
        {(drive.path() / "d" / "data").string(), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOperablePath(c.path), c.operable) << "'" << c.path << "'";
}

TEST_F(FileUtilsTest, DeleteOfARootOrSystemFolderIsRefusedAndTouchesNothing)
{
    make("keep.txt");
    struct Case {
        std::string path;
        int operation;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"D:\\", 3, "ルート・システムディレクトリは、削除できません。<D:\\> \r"},
        {"d:", 3, "ルート・システムディレクトリは、削除できません。<d:> \r"},
        {"C:\\USR", 3, "ルート・システムディレクトリは、削除できません。<C:\\USR> \r"},
        {"/", 3, "ルート・システムディレクトリは、削除できません。</> \r"},
        {"D:\\", 4, "ルート・システムディレクトリは、変更できません。<D:\\> \r"},
        // The message box puts each comma-separated part on its own line.
        {"D:\\a,b\\..\\..", 3, "ルート・システムディレクトリは、削除できません。<D:\\a\rb\\..\\..> \r"},
    };
    for (const auto& c : cases) {
        recorder.clear();
        EXPECT_FALSE(ShellFileDelete(c.path, c.operation, false, true)) << c.path;
        ASSERT_EQ(recorder.boxes().size(), 1u) << c.path;
        EXPECT_EQ(recorder.boxes()[0].kind, "error");
        EXPECT_EQ(recorder.boxes()[0].caption, "エラー");
        EXPECT_EQ(recorder.boxes()[0].text, c.message);
    }
    EXPECT_TRUE(fs::exists(native("keep.txt")));
    EXPECT_TRUE(fs::exists("/usr"));
}

TEST_F(FileUtilsTest, MoveOrCopyInvolvingARootIsRefusedAndTouchesNothing)
{
    make("src/a.txt");
    EXPECT_FALSE(ShellFileCopy("D:\\src", "D:\\", FO_MOVE));
    EXPECT_FALSE(ShellFileCopy("D:\\", "D:\\copy", FO_COPY));
    EXPECT_FALSE(ShellFileCopy("D:\\src", "/etc", FO_MOVE));
    ASSERT_EQ(recorder.boxes().size(), 3u);
    EXPECT_EQ(recorder.boxes()[0].text, "指定ディレクトリ[D:\\src->D:\\]の複写・移動はできません。 \r");
    EXPECT_EQ(recorder.boxes()[0].kind, "error");
    EXPECT_TRUE(fs::exists(native("src/a.txt")));
    EXPECT_FALSE(fs::exists(native("copy")));
    EXPECT_FALSE(fs::exists("/etc/src"));
}

TEST_F(FileUtilsTest, DeleteRemovesFoldersWithTheirContents)
{
    make("data/0001/dwacc.fdb");
    make("data/0001/sub/x.ini");
    make("one.txt");
    EXPECT_TRUE(ShellFileDelete("D:\\DATA\\0001", FO_DELETE, false, true));
    EXPECT_FALSE(fs::exists(native("data/0001")));
    EXPECT_TRUE(ShellFileDelete("D:\\one.txt", FO_DELETE, false, true));
    EXPECT_FALSE(fs::exists(native("one.txt")));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(FileUtilsTest, DeleteFailuresShowOnlyWhenAsked)
{
    EXPECT_FALSE(ShellFileDelete("D:\\none", FO_DELETE, false, false));
    EXPECT_TRUE(recorder.boxes().empty());
    EXPECT_FALSE(ShellFileDelete("D:\\none", FO_DELETE, false, true));
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].kind, "error");

    make("busy/x");
    platform::files::failNext(platform::files::Operation::Remove, EIO);
    recorder.clear();
    EXPECT_FALSE(ShellFileDelete("D:\\busy", FO_DELETE, false, true));
    EXPECT_EQ(recorder.boxes().size(), 1u);
    EXPECT_TRUE(fs::exists(native("busy/x")));
}

TEST_F(FileUtilsTest, OtherOperationsAndRenameChangeNothing)
{
    make("a/x");
    EXPECT_FALSE(ShellFileDelete("D:\\a", FO_RENAME, false, true));
    EXPECT_FALSE(ShellFileDelete("D:\\a", FO_COPY, false, true));
    EXPECT_FALSE(ShellFileCopy("D:\\a", "D:\\b", FO_DELETE));
    EXPECT_TRUE(fs::exists(native("a/x")));
    EXPECT_FALSE(fs::exists(native("b")));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(FileUtilsTest, DeleteWithUndoGoesToTheTrash)
{
    const fs::path home = drive.path() / "d" / "home";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    make("old/x.txt", "keep me");
    EXPECT_TRUE(ShellFileDelete("D:\\old", FO_DELETE, true, true));
    EXPECT_FALSE(fs::exists(native("old")));
    EXPECT_EQ(testsupport::readFile(home / "Trash" / "files" / "old" / "x.txt"), "keep me");
    unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(FileUtilsTest, CopyAndMoveFollowTheShellRules)
{
    make("src/dwacc.fdb", "db");
    make("src/dwacc.ini", "ini");
    make("src/sub/x.txt", "x");
    make("src/other.txt", "o");
    make("src/dwacc", "bare");
    fs::create_directories(native("existing"));
    make("target/dwacc.fdb", "old");

    // A file into an existing folder, and onto a new name with its folders created.
    EXPECT_TRUE(ShellFileCopy("D:\\src\\dwacc.fdb", "D:\\existing", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("existing/dwacc.fdb")), "db");
    EXPECT_TRUE(ShellFileCopy("D:\\src\\dwacc.fdb", "D:\\new\\deep\\copy.fdb", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("new/deep/copy.fdb")), "db");
    // An existing file is replaced without asking.
    EXPECT_TRUE(ShellFileCopy("D:\\src\\dwacc.fdb", "D:\\target\\dwacc.fdb", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("target/dwacc.fdb")), "db");
    // A folder to a new name, and into an existing folder.
    EXPECT_TRUE(ShellFileCopy("D:\\src", "D:\\tree", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("tree/sub/x.txt")), "x");
    EXPECT_TRUE(ShellFileCopy("D:\\src\\", "D:\\existing", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("existing/src/sub/x.txt")), "x");
    // A pattern copies the matching files into the folder, creating it.
    EXPECT_TRUE(ShellFileCopy("D:\\src\\DWACC.*", "D:\\share\\0001", FO_COPY));
    EXPECT_EQ(testsupport::readFile(native("share/0001/dwacc.ini")), "ini");
    EXPECT_EQ(testsupport::readFile(native("share/0001/dwacc.fdb")), "db");
    EXPECT_EQ(testsupport::readFile(native("share/0001/dwacc")), "bare");
    EXPECT_FALSE(fs::exists(native("share/0001/other.txt")));
    // Moving a folder.
    EXPECT_TRUE(ShellFileCopy("D:\\tree", "D:\\moved", FO_MOVE));
    EXPECT_FALSE(fs::exists(native("tree")));
    EXPECT_EQ(testsupport::readFile(native("moved/sub/x.txt")), "x");
    EXPECT_TRUE(fs::exists(native("src/dwacc.fdb")));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(FileUtilsTest, CopyFailuresAreShownAndGiveFalse)
{
    make("src/sub/x.txt");
    EXPECT_FALSE(ShellFileCopy("D:\\missing.fdb", "D:\\x", FO_COPY));
    EXPECT_FALSE(ShellFileCopy("D:\\src\\*.none", "D:\\x", FO_COPY));
    // A folder copied into itself would never end.
    EXPECT_FALSE(ShellFileCopy("D:\\src", "D:\\src\\sub", FO_COPY));
    platform::files::failNext(platform::files::Operation::Copy, ENOSPC);
    EXPECT_FALSE(ShellFileCopy("D:\\src\\sub\\x.txt", "D:\\y.txt", FO_COPY));
    EXPECT_EQ(recorder.boxes().size(), 4u);
    for (const auto& box : recorder.boxes())
        EXPECT_EQ(box.kind, "error");
    EXPECT_FALSE(fs::exists(native("src/sub/src")));
}

TEST_F(FileUtilsTest, CopyFileOverwriteReplacesAndReportsFailure)
{
    make("a.txt", "new");
    make("b.txt", "old");
    EXPECT_TRUE(CopyFileOverwrite("D:\\a.txt", "D:\\b.txt"));
    EXPECT_EQ(testsupport::readFile(native("b.txt")), "new");
    EXPECT_FALSE(CopyFileOverwrite("D:\\none.txt", "D:\\c.txt"));
    platform::files::failNext(platform::files::Operation::Copy, ENOSPC);
    EXPECT_FALSE(CopyFileOverwrite("D:\\a.txt", "D:\\c.txt"));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(FileUtilsTest, ForceFolderCreatesParentsButNeverABareDrive)
{
    EXPECT_TRUE(ForceFolder("D:\\a\\b\\c"));
    EXPECT_TRUE(fs::is_directory(native("a/b/c")));
    EXPECT_TRUE(ForceFolder("D:\\A\\B"));
    EXPECT_TRUE(ForceFolder("D:\\"));
    EXPECT_FALSE(ForceFolder("Q:\\"));
    EXPECT_FALSE(ForceFolder("Q:"));
    EXPECT_FALSE(ForceFolder("Q:\\data"));
    make("file");
    EXPECT_FALSE(ForceFolder("D:\\file\\sub"));
}

TEST_F(FileUtilsTest, SubFolderListGivesNamesOrFullPaths)
{
    fs::create_directories(native("data/0001"));
    fs::create_directories(native("data/.hidden"));
    make("data/file.txt");
    auto names = GetSubFolderList("D:\\data", 1);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "0001"}));
    auto full = GetSubFolderList("D:\\data\\", 0);
    std::sort(full.begin(), full.end());
    EXPECT_EQ(full, (std::vector<std::string>{"D:\\data\\.hidden", "D:\\data\\0001"}));
    EXPECT_TRUE(GetSubFolderList("D:\\none", 0).empty());
    EXPECT_TRUE(GetSubFolderList(" ", 1).empty());
}

TEST_F(FileUtilsTest, PathHelpers)
{
    make("x.fdb");
    EXPECT_EQ(GetShortPath("D:\\x.fdb"), "D:\\x.fdb");
    try {
        GetShortPath("D:\\none.fdb");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "ファイルが見つかりません。");
    }
    EXPECT_EQ(ExcludeLastPathDelim("D:\\a\\"), "D:\\a");
    EXPECT_EQ(IncludeLastPathDelim("D:\\a"), "D:\\a\\");
    EXPECT_EQ(GetUniversalPath("D:\\a"), "D:\\a");
    platform::paths::mapDrive('N', drive.path() / "d", true, "\\\\SERVER\\share");
    EXPECT_EQ(GetUniversalPath("N:\\a"), "\\\\SERVER\\share\\a");
    EXPECT_EQ(systemDriveRoot(), "C:\\");
}

TEST_F(FileUtilsTest, TempFolderComesFromTempOnlyWhenItExists)
{
    fs::create_directories(native("tmp"));
    setenv("TEMP", native("tmp").c_str(), 1);
    EXPECT_EQ(GetTempFolder("X:\\fallback"), "D:\\tmp");
    setenv("TEMP", native("none").c_str(), 1);
    EXPECT_EQ(GetTempFolder("X:\\fallback"), "X:\\fallback");
    unsetenv("TEMP");
    EXPECT_EQ(GetTempFolder(""), "");
}

TEST_F(FileUtilsTest, SpecialFoldersByKeyword)
{
    fs::create_directories(native("docs"));
    setenv("ZETRINO_DOCUMENTS_DIR", native("docs").c_str(), 1);
    setenv("ZETRINO_COMMON_APPDATA_DIR", native("common").c_str(), 1);
    EXPECT_EQ(GetSpecialFolder("MyDocument"), "D:\\docs");
    EXPECT_EQ(GetMyDocumentsFolder(), "D:\\docs");
    EXPECT_EQ(GetAppDataFolder(true), "D:\\common");
    EXPECT_EQ(GetSpecialFolder("DESKTOP"),
              platform::paths::fromNative(
                  QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString()));
    EXPECT_EQ(GetSpecialFolder("favorites"), programFolder());
    EXPECT_FALSE(programFolder().empty());
    unsetenv("ZETRINO_DOCUMENTS_DIR");
    unsetenv("ZETRINO_COMMON_APPDATA_DIR");
}

TEST_F(FileUtilsTest, IniSectionsAreReadAndReplacedWhole)
{
    const std::string ini = (drive.path() / "d" / "history.ini").string();
    testsupport::writeFile(ini, "[Top]\r\nk=1\r\n[Sec]\r\nold=9\r\n[End]\r\nz=0\r\n");
    WriteIniSection(ini, "Sec", {"a=1", "A=2", "b=ＣＰ932"});
    EXPECT_EQ(testsupport::readFile(ini),
              "[Top]\r\nk=1\r\n[End]\r\nz=0\r\n[Sec]\r\na=1\r\nb="
                  + platform::text::toCp932("ＣＰ932") + "\r\n");
    EXPECT_EQ(GetIniSectionText(ini, "sec"), "a=1\r\nb=ＣＰ932\r\n");
    EXPECT_EQ(GetIniSectionText(ini, ""), "");
    EXPECT_EQ(GetIniSectionText("", "Sec"), "");

    const std::string before = testsupport::readFile(ini);
    WriteIniSection("", "Sec", {"x=1"});
    WriteIniSection(ini, "", {"x=1"});
    EXPECT_EQ(testsupport::readFile(ini), before);

    WriteIniValue(ini, "Top", "n", false, 5);
    WriteIniValue(ini, "Top", "k", true, "");
    EXPECT_EQ(GetIniSectionText(ini, "Top"), "n=5\r\n");
}

TEST_F(FileUtilsTest, FailedIniWriteLeavesTheFile)
{
    const std::string ini = (drive.path() / "d" / "a.ini").string();
    testsupport::writeFile(ini, "[S]\r\nk=1\r\n");
    platform::files::failNext(platform::files::Operation::Write, ENOSPC);
    EXPECT_THROW(WriteIniValue(ini, "S", "k", false, "2"), platform::files::FileError);
    EXPECT_EQ(testsupport::readFile(ini), "[S]\r\nk=1\r\n");
}

TEST_F(FileUtilsTest, RegistryReadsTextNumbersOrZero)
{
    using platform::registry::RootKey;
    platform::registry::writeString(RootKey::LocalMachine, "SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                    "Version", "8.1.0");
    platform::registry::writeInteger(RootKey::LocalMachine, "SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                     "Type", 3);
    EXPECT_EQ(ReadRegistryValue(RegistryRoot::LocalMachine, "\\SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                "Version"),
              RegistryValue(std::string("8.1.0")));
    EXPECT_EQ(ReadRegistryValue(RegistryRoot::LocalMachine, "\\SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                "Type"),
              RegistryValue(std::int32_t(3)));
    EXPECT_EQ(ReadRegistryValue(RegistryRoot::LocalMachine, "\\SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                "None"),
              RegistryValue(std::int32_t(0)));
    EXPECT_EQ(ReadRegistryValue(RegistryRoot::CurrentUser, "\\SOFTWARE\\QUELTO\\MORABYZAIMU8",
                                "Version"),
              RegistryValue(std::int32_t(0)));
    EXPECT_TRUE(registryValueIsOne(RegistryValue(std::int32_t(1))));
    EXPECT_TRUE(registryValueIsOne(RegistryValue(std::string("1"))));
    EXPECT_FALSE(registryValueIsOne(RegistryValue(std::int32_t(0))));
    EXPECT_FALSE(registryValueIsOne(RegistryValue(std::string("yes"))));
}
