#include "platform/Files.h"

#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QDialog>

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace files = platform::files;
namespace paths = platform::paths;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { paths::mapDrive('C', m_root.path()); }
    void TearDown() override
    {
        files::clearFaults();
        paths::resetDriveMap();
    }
    testsupport::TempDir m_root;
};

} // namespace

TEST_F(FilesTest, AtomicWriteReplacesTheFileWhole)
{
    files::createDirectories("C:\\Data\\0001");
    files::writeAllAtomic("C:\\DATA\\0001\\a.bin", std::string("one\r\ntwo\0x", 10));
    EXPECT_EQ(readFile(m_root / "Data/0001/a.bin"), std::string("one\r\ntwo\0x", 10));
    files::writeAllAtomic("c:\\data\\0001\\A.BIN", "new");
    EXPECT_EQ(files::readAll("C:\\Data\\0001\\a.bin"), "new");
    EXPECT_EQ(files::list("C:\\Data\\0001").size(), 1u); // no temporary file left
}

TEST_F(FilesTest, TheUserReadsWhyAFileOperationFailedInJapanese)
{
    std::filesystem::create_directories(m_root / "folder");
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* reason;
        const char* english;
    };
    const Case cases[] = {
        {"missing file", [] { files::readAll("C:\\missing.txt"); },
         "ファイルまたはフォルダが見つかりません", "No such file or directory"},
        {"a folder in the way", [] { files::writeAllAtomic("C:\\folder", "x"); },
         "同じ名前のフォルダがあります", "Is a directory"},
        {"name too long", [] { files::writeAllAtomic("C:\\" + std::string(300, 'a') + ".xml", "x"); },
         "ファイル名が長すぎます", "File name too long"},
        {"disk full",
         [] {
             files::failNext(files::Operation::Write, ENOSPC);
             files::writeAllAtomic("C:\\a.xml", "x");
         },
         "ディスクの空き容量が不足しています", "No space left on device"},
        {"read-only drive",
         [] {
             files::failNext(files::Operation::Write, EROFS);
             files::writeAllAtomic("C:\\a.xml", "x");
         },
         "書き込みが禁止されたドライブです", "Read-only file system"},
        {"not permitted",
         [] {
             files::failNext(files::Operation::Rename, EPERM);
             files::writeAllAtomic("C:\\a.xml", "x");
         },
         "アクセスが拒否されました", "Operation not permitted"},
    };
    for (const auto& c : cases) {
        try {
            c.act();
            ADD_FAILURE() << c.name << ": no error";
        } catch (const files::FileError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(std::string("(") + c.reason + ")"), std::string::npos) << c.name << ": " << text;
            EXPECT_EQ(text.find(c.english), std::string::npos) << c.name << ": " << text;
            EXPECT_EQ(e.systemText(), c.english) << c.name;
        }
        files::clearFaults();
    }
}

// Boxes give the reason in Japanese; the error log keeps the system's own wording for support,
// once per error and only for errors a box showed, however the box words it.
TEST_F(FilesTest, AShownFileErrorLeavesItsSystemTextInTheErrorLog)
{
    testsupport::TempDir documents;
    const std::string documentsFolder = documents.path().string();
    testsupport::ScopedEnvironment env{platform::kDocumentsVariable, documentsFolder.c_str()};
    const auto logged = [&](const std::string& english) {
        const std::filesystem::path log = documents / "Vellum48_Error.log";
        const std::string text = std::filesystem::exists(log) ? readFile(log) : std::string();
        std::size_t count = 0;
        for (std::size_t at = text.find(english); at != std::string::npos; at = text.find(english, at + 1))
            ++count;
        return count;
    };
    const auto raised = [](const std::function<void()>& act) {
        try {
            act();
        } catch (const files::FileError& e) {
            return e;
        }
        ADD_FAILURE() << "no error";
        return files::FileError("-", "-", 0);
    };
    std::filesystem::create_directories(m_root / "folder");
    testsupport::MessageRecorder rec;

    // A save into a missing folder, shown as the callers show it: their message and what().
    const files::FileError missing = raised([] { files::writeAllAtomic("C:\\missing\\out.xml", "x"); });
    rec.expectBox("(ファイルまたはフォルダが見つかりません)");
    platform::messageBox(std::string("中間ファイルの保存に失敗しました。\r") + missing.what(), "連動ﾃﾞｰﾀの作成",
                         platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_EQ(rec.boxes().back().text.find("No such file"), std::string::npos) << rec.boxes().back().text;
    EXPECT_EQ(logged("[No such file or directory, errno 2]"), 1u);
    EXPECT_EQ(logged("missing"), 1u) << "the log names the file";
    // The same message in a second box is not logged again.
    rec.expectBox("(ファイルまたはフォルダが見つかりません)");
    platform::messageBox(missing.what(), "", platform::MB_OK);
    EXPECT_EQ(logged("No such file or directory"), 1u);

    // An error handled without a box stays out of the log, whatever box comes next.
    files::failNext(files::Operation::Rename, EPERM);
    raised([] { files::writeAllAtomic("C:\\a.xml", "x"); });
    rec.expectBox("完了しました");
    platform::messageBox("処理が完了しました。", "", platform::MB_OK);
    EXPECT_EQ(logged("Operation not permitted"), 0u);

    // A caller that words the message itself, with the path and the reason.
    files::failNext(files::Operation::Write, ENOSPC);
    const files::FileError full = raised([] { files::writeAllAtomic("C:\\full.xml", "x"); });
    rec.expectBox("空き容量");
    platform::messageBox("「" + full.path() + "」に書き込めません。\r" + files::errorReason(full.errorCode()),
                         "", platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_EQ(logged("[No space left on device, errno 28]"), 1u);

    // A message box of our own (a marked dialog) shows its text the same way.
    const files::FileError folder = raised([] { files::writeAllAtomic("C:\\folder", "x"); });
    QDialog box;
    platform::markMessageBox(box, "error", folder.what(), QDialog::Accepted);
    rec.onDialog([](QDialog&) { return int(QDialog::Accepted); });
    platform::execDialog(box);
    EXPECT_EQ(logged("[Is a directory, errno 21]"), 1u);
}

TEST_F(FilesTest, FailedWritesLeaveTheOldFileWhole)
{
    writeFile(m_root / "x.ini", "old contents");
    for (const auto op : {files::Operation::Write, files::Operation::Rename}) {
        files::failNext(op, ENOSPC);
        try {
            files::writeAllAtomic("C:\\x.ini", std::string(4096, 'n'));
            ADD_FAILURE() << "no error";
        } catch (const files::FileError& e) {
            EXPECT_EQ(e.errorCode(), ENOSPC);
            EXPECT_EQ(e.path(), "C:\\x.ini");
        }
        EXPECT_EQ(readFile(m_root / "x.ini"), "old contents");
        EXPECT_EQ(files::list("C:\\").size(), 1u);
    }
    // The fault is spent: the next write succeeds.
    files::writeAllAtomic("C:\\x.ini", "n");
    EXPECT_EQ(readFile(m_root / "x.ini"), "n");
}

TEST_F(FilesTest, AStreamedSaveThatFailsMidFileLeavesTheOldFileAndNoTemporary)
{
    writeFile(m_root / "x.xml", "old contents");
    // The third piece fails half written; then a save abandoned without its commit.
    files::failNext(files::Operation::Write, ENOSPC, 2);
    try {
        files::AtomicWriter out("C:\\x.xml");
        for (int i = 0; i < 5; ++i)
            out.write(std::string(65536, 'n'));
        out.commit();
        ADD_FAILURE() << "no error";
    } catch (const files::FileError& e) {
        EXPECT_EQ(e.errorCode(), ENOSPC);
        EXPECT_EQ(e.path(), "C:\\x.xml");
    }
    EXPECT_EQ(readFile(m_root / "x.xml"), "old contents");
    EXPECT_EQ(files::list("C:\\").size(), 1u);
    {
        files::AtomicWriter out("C:\\x.xml");
        out.write("abandoned");
    }
    EXPECT_EQ(readFile(m_root / "x.xml"), "old contents");
    EXPECT_EQ(files::list("C:\\").size(), 1u);

    files::AtomicWriter out("C:\\x.xml");
    out.write("new ");
    out.write("contents");
    out.commit();
    EXPECT_EQ(readFile(m_root / "x.xml"), "new contents");
    EXPECT_EQ(files::list("C:\\").size(), 1u);
}

TEST_F(FilesTest, FaultSeamCoversCopyRenameAndStreamWrites)
{
    writeFile(m_root / "a.txt", "a");
    files::failNext(files::Operation::Copy, EIO);
    EXPECT_THROW(files::copyFile("C:\\a.txt", "C:\\b.txt"), files::FileError);
    EXPECT_FALSE(files::exists("C:\\b.txt"));
    files::copyFile("C:\\A.TXT", "C:\\b.txt");
    EXPECT_THROW(files::copyFile("C:\\a.txt", "C:\\b.txt", false), files::FileError);

    files::failNext(files::Operation::Rename, EIO);
    EXPECT_THROW(files::rename("C:\\b.txt", "C:\\c.txt"), files::FileError);
    files::rename("C:\\b.txt", "C:\\c.txt");
    EXPECT_TRUE(files::fileExists("C:\\C.TXT"));

    files::failNext(files::Operation::Write, ENOSPC);
    EXPECT_THROW(files::append("C:\\a.txt", "1234"), files::FileError);
    EXPECT_EQ(readFile(m_root / "a.txt"), "a12"); // half of it reached the disk, as a full disk does
}

TEST_F(FilesTest, CopyThatFailsHalfwayLeavesTheOldTargetWhole)
{
    writeFile(m_root / "big.fdb", std::string(64 * 1024, 'n'));
    writeFile(m_root / "copy.fdb", "old copy");
    // A file-size limit stops the copy part-way, as a full disk does (root ignores permissions).
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool thrown = false;
    try {
        files::copyFile("C:\\big.fdb", "C:\\copy.fdb", true);
    } catch (const files::FileError&) {
        thrown = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(readFile(m_root / "copy.fdb"), "old copy");
    EXPECT_EQ(files::list("C:\\").size(), 2u); // no temporary file left

    files::copyFile("C:\\big.fdb", "C:\\copy.fdb", true);
    EXPECT_EQ(files::fileSize("C:\\copy.fdb"), 64u * 1024u);
    EXPECT_EQ(files::list("C:\\").size(), 2u);
}

TEST_F(FilesTest, AppendAndStreams)
{
    files::append("C:\\log.txt", "a\r\n");
    files::append("C:\\log.txt", "b\r\n");
    files::appendExisting("C:\\log.txt", "c");
    EXPECT_EQ(readFile(m_root / "log.txt"), "a\r\nb\r\nc");
    EXPECT_THROW(files::appendExisting("C:\\missing.txt", "x"), files::FileError);
    EXPECT_THROW(files::readAll("C:\\missing.txt"), files::FileError);

    files::File f("C:\\log.txt", files::File::Mode::ReadWrite);
    EXPECT_EQ(f.size(), 7);
    EXPECT_EQ(f.seek(3, 0), 3);
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, sizeof buf), 4u);
    EXPECT_EQ(std::string(buf, 4), "b\r\nc");
    f.write("Z");
    f.close();
    EXPECT_EQ(files::fileSize("C:\\log.txt"), 8u);
}

TEST_F(FilesTest, FoldersAndRemoval)
{
    files::createDirectories("C:\\A\\B");
    files::createDirectory("C:\\a\\b"); // exists already, resolved without regard to case
    EXPECT_TRUE(files::directoryExists("c:\\a\\b"));
    EXPECT_FALSE(files::fileExists("C:\\A\\B"));
    files::append("C:\\A\\B\\f", "x");
    EXPECT_THROW(files::removeDirectory("C:\\A\\B"), files::FileError);
    files::removeFile("C:\\a\\b\\F");
    files::removeDirectory("C:\\A\\B");
    files::createDirectories("C:\\A\\B\\C");
    files::removeAll("C:\\A");
    EXPECT_FALSE(files::exists("C:\\A"));
    EXPECT_FALSE(files::exists("Q:\\A"));
    EXPECT_FALSE(files::exists(""));
    EXPECT_FALSE(files::directoryExists(""));
    EXPECT_THROW(files::readAll(""), files::FileError);
}

// Any legal file name (NAME_MAX 255 bytes) can be saved and copied to: the temporary name beside
// it must not grow with the target's name.
TEST_F(FilesTest, TheLongestLegalNamesCanBeSavedAndCopiedTo)
{
    for (const std::size_t length : {std::size_t(250), std::size_t(255)}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'n');
        files::writeAllAtomic("C:\\" + name, "first");
        files::writeAllAtomic("C:\\" + name, "second");
        EXPECT_EQ(readFile(m_root / name), "second");
        const std::string copy(length - 1, 'c');
        files::copyFile("C:\\" + name, "C:\\" + copy + "x");
        EXPECT_EQ(readFile(m_root / (copy + "x")), "second");
    }
    EXPECT_EQ(files::list("C:\\").size(), 4u);
}

namespace {

// Runs a save of path in a child process that the file-size limit kills part-way (SIGXFSZ),
// as a crash or kill -9 in the middle of a save would.
void saveKilledHalfway(const std::string& path)
{
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        rlimit small {};
        small.rlim_cur = small.rlim_max = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        try {
            files::writeAllAtomic(path, std::string(100000, 'k'));
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save was meant to be killed";
}

std::vector<std::string> names(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& e : files::list(folder))
        out.push_back(e.name);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST_F(FilesTest, AKilledSavesTemporaryGoesAtTheNextSaveOfTheSameFile)
{
    files::writeAllAtomic("C:\\data.ini", "old");
    files::writeAllAtomic("C:\\other.ini", "other");
    writeFile(m_root / ".hidden", "the user's own");
    saveKilledHalfway("C:\\data.ini");
    saveKilledHalfway("C:\\other.ini");
    EXPECT_EQ(readFile(m_root / "data.ini"), "old");
    ASSERT_EQ(names("C:\\").size(), 5u); // two leftovers beside the three files

    files::writeAllAtomic("C:\\data.ini", "new");
    EXPECT_EQ(readFile(m_root / "data.ini"), "new");
    // Only the leftovers of data.ini are gone; other.ini's wait for its own next save.
    const auto left = names("C:\\");
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(std::count(left.begin(), left.end(), ".hidden"), 1);
    files::copyFile("C:\\data.ini", "C:\\other.ini");
    EXPECT_EQ(names("C:\\"), (std::vector<std::string>{".hidden", "data.ini", "other.ini"}));
}

TEST_F(FilesTest, NewFilesHonourTheUmaskAndSetIdBitsAreNeverCarriedOver)
{
    const mode_t saved = ::umask(027);
    auto modeOf = [&](const std::string& name) {
        struct stat st {};
        EXPECT_EQ(::stat((m_root / name).c_str(), &st), 0) << name;
        return st.st_mode & 07777;
    };
    files::writeAllAtomic("C:\\new.ini", "x");
    files::append("C:\\new.log", "x");
    files::File created("C:\\new.bin", files::File::Mode::Create);
    created.close();

    writeFile(m_root / "tool", "#!/bin/sh\n");
    ASSERT_EQ(::chmod((m_root / "tool").c_str(), 06755), 0);
    files::writeAllAtomic("C:\\tool", "#!/bin/sh\nexit 0\n");
    writeFile(m_root / "setid", "x");
    ASSERT_EQ(::chmod((m_root / "setid").c_str(), 06750), 0);
    files::copyFile("C:\\setid", "C:\\setid.copy");
    // A link to a device (0666 for everyone) passes no bits on to the file that replaces it.
    std::filesystem::create_symlink("/dev/null", m_root / "device.out");
    files::writeAllAtomic("C:\\device.out", "x");
    ::umask(saved);

    struct Case { const char* name; mode_t expected; };
    const Case cases[] = {{"new.ini", 0640}, {"new.log", 0640}, {"new.bin", 0640},
                          {"tool", 0755}, {"setid.copy", 0750}, {"device.out", 0640}};
    for (const auto& c : cases)
        EXPECT_EQ(modeOf(c.name), c.expected) << c.name;
}
