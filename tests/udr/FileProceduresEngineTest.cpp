// The file procedures as the engine runs them: declared by the fixture SQL, called through
// isql-fb, once with the embedded engine and once through the loopback server.
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <glob.h>

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

std::string installedModule()
{
    glob_t found{};
    std::string path;
    if (::glob("/usr/lib/*/firebird/3.0/plugins/udr/libzetrino_files.so", 0, nullptr, &found) == 0
        && found.gl_pathc > 0)
        path = found.gl_pathv[0];
    ::globfree(&found);
    return path;
}

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

// The server's log (the embedded engine writes the same file).
std::string serverLog()
{
    glob_t found{};
    std::string text;
    if (::glob("/var/log/firebird/*.log", 0, nullptr, &found) == 0)
        for (std::size_t i = 0; i < found.gl_pathc; ++i)
            text += readFile(found.gl_pathv[i]);
    ::globfree(&found);
    return text;
}

// A database with the file procedures and FILETRANS, built with the embedded engine.
class EngineDb {
public:
    explicit EngineDb(const fs::path& folder) : m_file(folder / "files.fdb")
    {
        std::string script = "SET SQL DIALECT 3;\nCREATE DATABASE " + q(m_file)
                             + " USER 'MORABY' PAGE_SIZE 16384 DEFAULT CHARACTER SET SJIS_0208;\n"
                               "CREATE TABLE FILETRANS (CONTENT_ID VARCHAR(40) NOT NULL PRIMARY KEY,"
                               " CONTENT BLOB SUB_TYPE BINARY);\nCOMMIT;\n";
        for (const char* f : {"/system/25-file-procedures.sql", "/fileman/20-file-functions.sql"})
            script += readFile(std::string(TEST_FIXTURE_DIR) + f) + "\n";
        run({}, script);
    }

    // Runs a script (no headings) and returns the trimmed non-empty output lines. An empty
    // database name runs the script as given (it creates its own).
    std::vector<std::string> run(const std::string& database, const std::string& script) const
    {
        QStringList args{QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
                         QStringLiteral("UTF8"), QStringLiteral("-user"), QStringLiteral("MORABY")};
        if (!database.empty())
            args << QString::fromStdString(database);
        QProcess isql;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ISC_PASSWORD"), QStringLiteral("qolvex")); // off the command line
        isql.setProcessEnvironment(env);
        isql.start(QStringLiteral("isql-fb"), args);
        EXPECT_TRUE(isql.waitForStarted());
        isql.write(QByteArray::fromStdString("SET HEADING OFF;\n" + script + "\nEXIT;\n"));
        isql.closeWriteChannel();
        isql.waitForFinished(-1);
        const QString err = QString::fromUtf8(isql.readAllStandardError());
        EXPECT_EQ(isql.exitCode(), 0) << err.toStdString();
        std::vector<std::string> lines;
        for (const QString& line : QString::fromUtf8(isql.readAllStandardOutput()).split(u'\n')) {
            const QString t = line.trimmed();
            if (!t.isEmpty())
                lines.push_back(t.toStdString());
        }
        return lines;
    }

    std::vector<std::string> embedded(const std::string& script) const
    {
        return run(m_file.string(), script);
    }
    std::vector<std::string> server(const std::string& script) const
    {
        return run("localhost:" + m_file.string(), script);
    }

private:
    fs::path m_file;
};

class FileProceduresEngine : public ::testing::Test {
protected:
    // The engine loads the module from its plugin folder: put this build's copy there before
    // the first test database declares the procedures. A failure is kept for SetUp() to report:
    // GoogleTest would turn an assertion here into skipped tests, which ctest counts as passed.
    static void SetUpTestSuite()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral("bash"),
                      {QStringLiteral(TEST_SOURCE_DIR "/../../tools/install-udr.sh"),
                       QStringLiteral(TEST_BINARY_DIR)});
        if (!install.waitForFinished(-1) || install.exitStatus() != QProcess::NormalExit
            || install.exitCode() != 0)
            installFailure() = "tools/install-udr.sh failed: " + install.readAll().toStdString();
        else if (installedModule().empty())
            installFailure() = "tools/install-udr.sh left no module in Firebird's plugin folder";
    }

    static std::string& installFailure()
    {
        static std::string failure;
        return failure;
    }

    void SetUp() override { ASSERT_EQ(installFailure(), ""); }

    // One procedure call as a script line.
    static std::string fileOp(const std::string& mode, const std::string& p1, const std::string& p2)
    {
        return "SELECT WBOOL FROM FILEOPERATION('" + mode + "', '" + p1 + "', '" + p2 + "');\n";
    }
    static std::string dirOp(const std::string& mode, const std::string& p1)
    {
        return "SELECT WBOOL FROM DIRECTORYTEST('" + mode + "', '" + p1 + "');\n";
    }

    // Windows form of a native temp path, the way the program sends it ("C:\tmp\...").
    std::string win(const std::string& rel) const { return winOf(dir.path() / rel); }
    static std::string winOf(const fs::path& native)
    {
        std::string s = "C:" + native.string();
        for (char& c : s)
            if (c == '/')
                c = '\\';
        return s;
    }

    // The test database's folder is the system folder, which the server serves; a folder beside
    // it is not, nor is anything reached from the system folder through ".." or a link.
    void exerciseConfinement(bool throughServer)
    {
        TempDir outside;
        fs::create_directories(outside / "folder");
        writeFile(outside / "secret.txt", "secret");
        fs::permissions(outside / "secret.txt", fs::perms::owner_read | fs::perms::owner_write);
        writeFile(outside / "folder" / "keep.txt", "keep");
        fs::create_directory_symlink(outside.path(), dir / "link");
        writeFile(dir / "private.txt", "private");
        fs::permissions(dir / "private.txt", fs::perms::owner_read | fs::perms::owner_write);
        writeFile(dir / "blob.txt", "blob");
        db.embedded("INSERT INTO FILETRANS VALUES ('DWZ_1', SP_FILETOBLOB('" + win("blob.txt") + "'));\n"
                    "COMMIT;\n");
        const std::string up = win("sub") + "\\..\\..\\" + outside.path().filename().string();

        const std::string script =
            fileOp("FCOPY", winOf(outside / "secret.txt"), win("copy.txt"))   // 0
            + fileOp("FCOPY", win("private.txt"), winOf(outside / "new.txt")) // 0
            + fileOp("FCOPY", up + "\\secret.txt", win("copy.txt"))           // 0
            + fileOp("FCOPY", win("link\\secret.txt"), win("copy.txt"))       // 0
            + fileOp("FDEL", winOf(outside / "secret.txt"), "")                // 0
            + fileOp("FEXIST", winOf(outside / "secret.txt"), "")              // 0
            + dirOp("RMDIR", winOf(outside / "folder"))                        // 0
            + dirOp("RMDIR", win("link\\folder"))                              // 0
            + dirOp("RMDIR", up)                                               // 0
            + dirOp("MKDIR", winOf(outside / "new"))                           // 0
            + "INSERT INTO FILETRANS VALUES ('OUT', SP_FILETOBLOB('" + winOf(outside / "secret.txt")
            + "'));\nSELECT CONTENT IS NULL FROM FILETRANS WHERE CONTENT_ID = 'OUT';\n" // <true>
            + "SELECT SP_BLOBTOFILE('" + win("link\\blob.txt")
            + "', CONTENT) FROM FILETRANS WHERE CONTENT_ID = 'DWZ_1';\n"      // 0
            + fileOp("FCOPY", win("private.txt"), win("sub\\copy.txt"))        // 1
            + "ROLLBACK;\n";
        const auto rows = throughServer ? db.server(script) : db.embedded(script);
        EXPECT_EQ(rows, (std::vector<std::string>{"0", "0", "0", "0", "0", "0", "0", "0", "0", "0",
                                                  "<true>", "0", "1"}));
        EXPECT_EQ(readFile(outside / "secret.txt"), "secret");
        EXPECT_EQ(readFile(outside / "folder" / "keep.txt"), "keep");
        const std::string log = serverLog();
        for (const std::string& refused : {winOf(outside / "secret.txt"), winOf(outside / "folder")})
            EXPECT_NE(log.find(refused), std::string::npos) << "the server's log names " << refused;
        for (const char* name : {"new.txt", "new", "blob.txt"})
            EXPECT_FALSE(fs::exists(outside / name)) << name;
        EXPECT_FALSE(fs::exists(dir / "copy.txt"));
        EXPECT_EQ(readFile(dir / "sub" / "copy.txt"), "private");
        EXPECT_EQ(fs::status(dir / "sub" / "copy.txt").permissions(),
                  fs::perms::owner_read | fs::perms::owner_write) << "a private file stays private";
        fs::remove(dir / "link");
    }

    // Creates, copies, tests and deletes files and folders in the test folder.
    void exerciseFileAndFolderModes(bool throughServer)
    {
        writeFile(dir / "a.txt", "contents");
        const std::string script = fileOp("FEXIST", win("A.TXT"), "")             // 1
                                   + fileOp("FEXIST", win("none.txt"), "")        // 0
                                   + dirOp("MKDIR", win("work\\deep"))            // 1
                                   + dirOp("DEXIST", win("WORK"))                 // 1
                                   + fileOp("fcopy", win("a.txt"), win("work\\deep\\b.txt")) // 1
                                   + fileOp("FCOPY", win("none.txt"), win("c.txt")) // 0
                                   + fileOp("FDEL", win("a.txt"), "")             // 1
                                   + fileOp("FEXIST", win("a.txt"), "")           // 0
                                   + dirOp("RMDIR", win("work"))                  // 1
                                   + dirOp("DEXIST", win("work"));                // 0
        const auto rows = throughServer ? db.server(script) : db.embedded(script);
        EXPECT_EQ(rows, (std::vector<std::string>{"1", "0", "1", "1", "1", "0", "1", "0", "1", "0"}));
        EXPECT_FALSE(fs::exists(dir / "a.txt"));
        EXPECT_FALSE(fs::exists(dir / "work"));
        EXPECT_FALSE(fs::exists(dir / "c.txt"));
    }

    TempDir dir;
    EngineDb db{dir.path()};
};

TEST_F(FileProceduresEngine, FileAndFolderModes) { exerciseFileAndFolderModes(false); }

TEST_F(FileProceduresEngine, NothingOutsideTheServedFolders) { exerciseConfinement(false); }

TEST_F(FileProceduresEngine, BlobsCarryFilesBothWays)
{
    // Binary content over several BLOB segments.
    std::string bytes(100000, '\0');
    std::mt19937 random(7);
    for (char& c : bytes)
        c = char(random() & 0xFF);
    writeFile(dir / "in.bin", bytes);
    writeFile(dir / "keep.bin", "unchanged");

    const auto rows = db.embedded(
        "INSERT INTO FILETRANS VALUES ('DWZ_1', SP_FILETOBLOB('" + win("in.bin") + "'));\n"
        "SELECT OCTET_LENGTH(CONTENT) FROM FILETRANS WHERE CONTENT_ID = 'DWZ_1';\n"
        "SELECT SP_BLOBTOFILE('" + win("out\\copy.bin") + "', CONTENT) FROM FILETRANS;\n"
        "SELECT SP_FILETOBLOB('" + win("missing.bin") + "') IS NULL FROM RDB$DATABASE;\n"
        "SELECT SP_BLOBTOFILE('" + win("keep.bin") + "', NULL) FROM RDB$DATABASE;\n"
        "SELECT SP_BLOBTOFILE('', CONTENT) FROM FILETRANS;\n"
        "COMMIT;\n");
    EXPECT_EQ(rows, (std::vector<std::string>{"100000", "1", "<true>", "0", "0"}));
    EXPECT_EQ(readFile(dir / "out" / "copy.bin"), bytes);
    EXPECT_EQ(readFile(dir / "keep.bin"), "unchanged");
}

TEST_F(FileProceduresEngine, ShortNameIsTheLongName)
{
    const auto rows = db.embedded("SELECT SHORTNAME FROM LONGTOSHORTFILENAME('C:\\データ\\Long Name.fdb');");
    EXPECT_EQ(rows, (std::vector<std::string>{"C:\\データ\\Long Name.fdb"}));
}

// Through the loopback server, which loads the module itself (tools/services.sh starts it).
class FileProceduresServer : public FileProceduresEngine {
protected:
    void SetUp() override
    {
        FileProceduresEngine::SetUp();
        testsupport::ensureServer();
    }
};

TEST_F(FileProceduresServer, FileAndFolderModes) { exerciseFileAndFolderModes(true); }

TEST_F(FileProceduresServer, NothingOutsideTheServedFolders) { exerciseConfinement(true); }

} // namespace
