#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

using platform::IniFile;
namespace files = platform::files;
namespace paths = platform::paths;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { paths::mapDrive('C', m_root.path()); }
    void TearDown() override
    {
        files::clearFaults();
        paths::resetDriveMap();
    }
    // Compares with a reference file written by hand, never by the code under test.
    static void expectReference(const std::string& actual, const char* name)
    {
        EXPECT_EQ(actual, readFile(std::string(TEST_SOURCE_DIR) + "/data/" + name)) << name;
    }
    testsupport::TempDir m_root;
};

} // namespace

// data/ini_write.ini was typed as the UTF-8 text below and converted with
// `iconv -f UTF-8 -t CP932` (CR LF line ends; "①㈱髙" are CP932's NEC and IBM extensions):
//   [DATASTS] / STATUS=1 / OPNAME=山田　太郎 / SHARE_STATUS=1 /
//   [DATAINFO] / path=D:\表示\ｶﾅ①㈱髙 / NENDO=2024 / LIST=a,b,"c" \n / [EMPTY] / K=
TEST_F(IniFileTest, WritesMatchTheReferenceByteForByte)
{
    IniFile ini("C:\\Data\\dwacc.ini");
    files::createDirectories("C:\\Data");
    ini.writeString("DATASTS", "STATUS", "1");
    ini.writeString("DATASTS", "OPNAME", "山田　太郎");
    ini.writeString("DATAINFO", "PATH", "C:\\Data\\0001");
    ini.writeString("DATAINFO", "TEMP", "x");
    ini.writeString("datasts", "SHARE_STATUS", "1");
    ini.writeString("DataInfo", "path", "D:\\表示\\ｶﾅ①㈱髙"); // replaces PATH in place
    ini.writeInteger("DATAINFO", "NENDO", 2024);
    ini.deleteKey("DATAINFO", "temp");
    ini.writeString("DATAINFO", "LIST", "a,b,\"c\" \\n");
    ini.writeString("EMPTY", "K", "");
    expectReference(readFile(m_root / "Data/dwacc.ini"), "ini_write.ini");

    // Read back through a new object: the same values, and a rewrite gives the same bytes.
    IniFile again("c:\\data\\DWACC.INI", IniFile::WriteMode::Deferred);
    EXPECT_EQ(again.readString("dataINFO", "PATH", "?"), "D:\\表示\\ｶﾅ①㈱髙");
    EXPECT_EQ(again.readString("DATAINFO", "list", "?"), "a,b,\"c\" \\n");
    EXPECT_EQ(again.readString("DATASTS", "OPNAME", "?"), "山田　太郎");
    EXPECT_EQ(again.readInteger("DATAINFO", "NENDO", 0), 2024);
    again.writeString("DATASTS", "STATUS", "1");
    again.updateFile();
    expectReference(readFile(m_root / "Data/dwacc.ini"), "ini_write.ini");
}

TEST_F(IniFileTest, ImmediateObjectsShareOneFile)
{
    IniFile a("C:\\s.ini");
    IniFile b("C:\\S.INI");
    IniFile batch("C:\\s.ini", IniFile::WriteMode::Deferred);
    a.writeString("S", "a", "1");
    b.writeString("S", "b", "2"); // b reads the file as a left it
    EXPECT_EQ(a.readString("S", "b", ""), "2");
    EXPECT_EQ(readFile(m_root / "s.ini"), "[S]\r\na=1\r\nb=2\r\n");
    EXPECT_EQ(batch.readString("S", "a", "none"), "none"); // read before the writes
    batch.reload();
    EXPECT_EQ(batch.readString("S", "b", ""), "2");
}

TEST_F(IniFileTest, ProgramsWritingAtOnceLoseNoChange)
{
    // Two processes change different keys of one file at the same time, as the profile
    // functions allow; neither may undo the other's changes.
    constexpr int kWriters = 2;
    constexpr int kKeys = 60;
    pid_t children[kWriters];
    for (int w = 0; w < kWriters; ++w) {
        children[w] = ::fork();
        ASSERT_GE(children[w], 0);
        if (children[w] == 0) {
            int status = 0;
            try {
                IniFile ini("C:\\shared.ini");
                for (int k = 0; k < kKeys; ++k)
                    ini.writeInteger("S", "W" + std::to_string(w) + "_" + std::to_string(k), k);
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const IniFile ini("C:\\shared.ini");
    EXPECT_EQ(ini.readSection("S").size(), std::size_t(kWriters * kKeys));
}

TEST_F(IniFileTest, ReadsLikeTheWindowsProfileReader)
{
    writeFile(m_root / "a.ini",
              "; comment=1\n[ Sec ]\n  Key1 =  value with blanks  \nq1=\"quoted\"\nq2='x'\nq3=\"open\n"
              "noequals\n\n[Other]\nKey1=second\n[sec]\nKey1=shadowed\n");
    const IniFile ini("C:\\A.INI");
    struct Case { const char* section; const char* key; const char* expected; };
    const Case cases[] = {
        {"SEC", "KEY1", "value with blanks"}, {"sec", "q1", "quoted"}, {"sec", "q2", "x"},
        {"sec", "q3", "\"open"}, {"sec", "noequals", ""}, {"other", "key1", "second"},
        {"sec", "missing", "dflt"}, {"none", "key1", "dflt"}, {"sec", "; comment", "dflt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, "dflt"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ini.readSections(), (std::vector<std::string>{"Sec", "Other", "sec"}));
    EXPECT_EQ(ini.readSection("SEC"), (std::vector<std::string>{"Key1", "q1", "q2", "q3", "noequals"}));
    EXPECT_EQ(ini.readSectionValues("other"), (std::vector<std::string>{"Key1=second"}));
    EXPECT_TRUE(ini.valueExists("SEC", "NOEQUALS"));
    EXPECT_FALSE(ini.sectionExists("third"));
}

TEST_F(IniFileTest, DoubleByteNamesCompareExactly)
{
    // "ア" is 83 41 and "ャ" is 83 61: folding the second byte would make them one name.
    IniFile ini("C:\\k.ini");
    ini.writeString("設定", "ア", "1");
    ini.writeString("設定", "ャ", "2");
    EXPECT_EQ(ini.readString("設定", "ア", ""), "1");
    EXPECT_EQ(ini.readString("設定", "ャ", ""), "2");
    // "‐" is 81 5D: its second byte must not close the section name.
    ini.writeString("A‐", "k", "v");
    ini.writeString("A", "k", "w");
    EXPECT_EQ(IniFile("C:\\k.ini").readString("a‐", "K", ""), "v");
    EXPECT_EQ(IniFile("C:\\k.ini").readString("a", "K", ""), "w");
}

TEST_F(IniFileTest, NewKeysGoBeforeTheBlankLinesOfTheirSection)
{
    writeFile(m_root / "b.ini", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    IniFile ini("C:\\b.ini");
    ini.writeString("a", "z", "3");
    EXPECT_EQ(readFile(m_root / "b.ini"), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    ini.eraseSection("A");
    EXPECT_EQ(readFile(m_root / "b.ini"), "[B]\r\ny=2\r\n");
    ini.addSection("C");
    EXPECT_EQ(readFile(m_root / "b.ini"), "[B]\r\ny=2\r\n[C]\r\n");
}

TEST_F(IniFileTest, FailedWriteRaisesAndKeepsFileAndObject)
{
    writeFile(m_root / "c.ini", "[S]\r\nk=old\r\n");
    IniFile ini("C:\\c.ini");
    for (const auto op : {files::Operation::Write, files::Operation::Rename}) {
        files::failNext(op, ENOSPC);
        EXPECT_THROW(ini.writeString("S", "k", std::string(10000, 'n')), files::FileError);
        EXPECT_EQ(readFile(m_root / "c.ini"), "[S]\r\nk=old\r\n");
        EXPECT_EQ(ini.readString("S", "k", ""), "old");
    }
    IniFile deferred("C:\\c.ini", IniFile::WriteMode::Deferred);
    deferred.writeString("S", "k", "new");
    EXPECT_EQ(readFile(m_root / "c.ini"), "[S]\r\nk=old\r\n");
    files::failNext(files::Operation::Write, EIO);
    EXPECT_THROW(deferred.updateFile(), files::FileError);
    EXPECT_EQ(readFile(m_root / "c.ini"), "[S]\r\nk=old\r\n");
    deferred.updateFile();
    EXPECT_EQ(readFile(m_root / "c.ini"), "[S]\r\nk=new\r\n");
}

TEST_F(IniFileTest, UnstorableTextIsRefused)
{
    IniFile ini("C:\\d.ini");
    EXPECT_THROW(ini.writeString("S", "k", "emoji 😀"), platform::text::EncodingError);
    EXPECT_THROW(ini.writeString("S", "k", "two\r\nlines"), std::invalid_argument);
    EXPECT_FALSE(files::exists("C:\\d.ini"));
    // A folder that does not exist cannot take the file.
    EXPECT_THROW(IniFile("C:\\no\\e.ini").writeString("S", "k", "v"), files::FileError);
}

TEST_F(IniFileTest, IntegersAndBooleans)
{
    writeFile(m_root / "n.ini", "[N]\r\na=42\r\nb=-7\r\nc=0x1F\r\nd=$FFFFFFFF\r\ne=12abc\r\nf=\r\n"
                                "g=99999999999\r\nh=YES\r\n");
    const IniFile ini("C:\\n.ini");
    struct Case { const char* key; int expected; };
    const Case cases[] = {{"a", 42}, {"b", -7}, {"c", 31}, {"d", -1}, {"e", 5},
                          {"f", 5}, {"g", 5}, {"h", 5}, {"missing", 5}};
    for (const auto& c : cases)
        EXPECT_EQ(ini.readInteger("N", c.key, 5), c.expected) << c.key;
    EXPECT_TRUE(ini.readBool("N", "a", false));
    EXPECT_FALSE(ini.readBool("N", "missing", false));
    EXPECT_TRUE(ini.readBool("N", "h", true));
}

// A file written by another program may hold bytes that are not CP932 (a damaged file, another
// code page). They must not make the whole file unreadable.
TEST_F(IniFileTest, UndecodableBytesNeverStopARead)
{
    // "山田" in CP932 is 8E 52 93 63; 85 40 is an unassigned double-byte code; 81 before a blank
    // is a lead byte without its trail byte; A0 and FD are unassigned single bytes.
    writeFile(m_root / "z.ini", "[ST_G]\r\nDATA=8.0\r\nKOMONSAKI=A\x85\x40" "B\r\nLEAD=A\x81 B\r\n"
                                "SINGLE=\xA0x\xFD\r\nNAME=\x8E\x52\x93\x63\r\nNUM=1\x85\x40\r\n"
                                "[\x85\x40sec]\r\nk=v\r\n");
    const IniFile ini("C:\\z.ini");
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case { const char* key; std::string expected; };
    const Case cases[] = {{"DATA", "8.0"}, {"KOMONSAKI", "A" + fffd + "B"}, {"LEAD", "A" + fffd + " B"},
                          {"SINGLE", fffd + "x" + fffd}, {"NAME", "山田"}};
    for (const auto& c : cases)
        EXPECT_EQ(ini.readString("ST_G", c.key, "?"), c.expected) << c.key;
    EXPECT_EQ(ini.readInteger("ST_G", "NUM", 7), 7);
    EXPECT_EQ(ini.readSections(), (std::vector<std::string>{"ST_G", fffd + "sec"}));
    EXPECT_EQ(ini.readSection("ST_G").size(), 6u);

    // A value used as it stands: sound ones read, an undecodable one names file, section and key.
    EXPECT_EQ(ini.readExactString("ST_G", "NAME", "?"), "山田");
    EXPECT_EQ(ini.readExactString("ST_G", "MISSING", "def"), "def");
    try {
        (void)ini.readExactString("st_g", "komonsaki", "");
        ADD_FAILURE() << "no error";
    } catch (const platform::IniValueError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("C:\\z.ini"), std::string::npos) << what;
        EXPECT_NE(what.find("[st_g]"), std::string::npos) << what;
        EXPECT_NE(what.find("komonsaki"), std::string::npos) << what;
    }
}

TEST_F(IniFileTest, UndecodableBytesSurviveWritesOfTheFile)
{
    const std::string before = "[S]\r\nbad=A\x85\x40" "B\r\nk=1\r\n";
    writeFile(m_root / "w.ini", before);
    IniFile ini("C:\\w.ini");
    // Writing back what was read changes nothing on disk.
    ini.writeString("S", "bad", ini.readString("S", "bad", ""));
    EXPECT_EQ(readFile(m_root / "w.ini"), before);
    // Other keys change; the undecodable line keeps its bytes.
    ini.writeString("S", "k", "2");
    EXPECT_EQ(readFile(m_root / "w.ini"), "[S]\r\nbad=A\x85\x40" "B\r\nk=2\r\n");
    // A new text with U+FFFD has no CP932 form and is refused.
    EXPECT_THROW(ini.writeString("S", "k", "x\xEF\xBF\xBD"), platform::text::EncodingError);
}

TEST_F(IniFileTest, LineBreaksAndNulsAreRefusedEachWithItsOwnMessage)
{
    IniFile ini("C:\\n.ini");
    struct Case { std::string value; const char* says; const char* never; };
    const Case cases[] = {{"two\r\nlines", "改行", "NUL"},
                          {"one\nline", "改行", "NUL"},
                          {std::string("cut\0here", 8), "NUL", "改行"}};
    for (const auto& c : cases) {
        try {
            ini.writeString("S", "k", c.value);
            ADD_FAILURE() << "no error";
        } catch (const std::invalid_argument& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
            EXPECT_EQ(what.find(c.never), std::string::npos) << what;
        }
    }
    EXPECT_FALSE(files::exists("C:\\n.ini"));
}

// A NUL stored in a value (a file edited by hand) ends the value as the Windows reader has it:
// the value reads as its head, and writing it back, or any other key, still works.
TEST_F(IniFileTest, AStoredNulEndsTheValueAndBlocksNoLaterWrite)
{
    writeFile(m_root / "z.ini", std::string("[S]\r\npath=C:\\data\0junk\r\nk=1\r\n", 29));
    IniFile ini("C:\\z.ini");
    EXPECT_EQ(ini.readString("S", "path", "?"), "C:\\data");
    EXPECT_NO_THROW(ini.writeString("S", "path", ini.readString("S", "path", "")));
    EXPECT_NO_THROW(ini.writeString("S", "k", "2"));
    EXPECT_EQ(IniFile("C:\\z.ini").readString("S", "k", "?"), "2");
    EXPECT_EQ(IniFile("C:\\z.ini").readString("S", "path", "?"), "C:\\data");
}
