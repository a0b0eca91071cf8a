// The thirteen system steps: their scripts, and a run of all of them with the SQL tool over a
// system database at 0.0.0.
#include "dbupdate/DbUpdateCheck.h"
#include "dbupdate/SystemDbSteps.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>

namespace fs = std::filesystem;
using dbupdate::DbVersion;

namespace {

class SystemStepsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        for (const char* folder : {"log", "tmp", "exe", "sql/800"})
            fs::create_directories(m_root / folder);
        SystemDef.SysDir = "D:\\data";
        SystemDef.ExeFolder = "D:\\exe";
        SystemDef.SqlFolder = "D:\\sql";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000010;
        DataDefFile = "dwaccdef.fdb";
        ConnectMode = 0;
        m_dm = std::make_unique<TDM>();
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    // The script's lines after the CONNECT line, as UTF-8.
    static std::vector<std::string> body(const dbupdate::DbUpdateScript& script)
    {
        const std::string bytes = script.bytes();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(bytes.substr(start, at - start));
        EXPECT_GE(lines.size(), 3u);
        EXPECT_TRUE(lines[1].empty());
        EXPECT_TRUE(lines[2].starts_with("CONNECT '")) << lines[2];
        std::vector<std::string> out;
        for (std::size_t i = 3; i < lines.size(); ++i)
            out.push_back(platform::text::fromCp932(lines[i]));
        return out;
    }

    static std::string maskDate(std::string line)
    {
        return std::regex_replace(line, std::regex(R"('\d{4}/\d\d/\d\d \d\d:\d\d:\d\d')"), "'<now>'");
    }

    std::string query(const std::string& sql, const std::string& separator = ",")
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_root / "data" / "dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        std::string out;
        while (c.fetch()) {
            if (!out.empty())
                out += "|";
            for (int i = 0; i < c.fieldCount(); ++i)
                out += (i ? separator : "") + (c.isNull(i) ? std::string("<null>") : c.getString(i));
        }
        tr.commit();
        return out;
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(SystemStepsTest, ScriptsOfTheModesAndData)
{
    const std::vector<std::string> standalone = {
        "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(1,0,1,'<now>');", "COMMIT;", "EXIT;"};
    std::vector<std::string> lines;
    for (const auto& line : body(dbupdate::systemStepScript({1, 0, 1})))
        lines.push_back(maskDate(line));
    EXPECT_EQ(lines, standalone);

    ConnectMode = 1;
    SystemDef.HostName = "localhost";
    SystemDef.SysDir = "D:\\Data\\sys";
    lines.clear();
    for (const auto& line : body(dbupdate::systemStepScript({1, 0, 1})))
        lines.push_back(maskDate(line));
    EXPECT_EQ(lines, (std::vector<std::string>{"SELECT * FROM SP_DATALIST_UPDATE('D:\\DATA\\SYS');", "COMMIT;",
                                               standalone[0], "COMMIT;", "EXIT;"}));

    // The OEM data: step 4.0.2 records its version only.
    ConnectMode = 0;
    LumeranDataFlag = 1;
    lines.clear();
    for (const auto& line : body(dbupdate::systemStepScript({4, 0, 2})))
        lines.push_back(maskDate(line));
    EXPECT_EQ(lines, (std::vector<std::string>{"SET NAMES SJIS_0208;",
                                               "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(4,0,2,'<now>');",
                                               "COMMIT;", "EXIT;"}));
    LumeranDataFlag = 0;

    // An installed file: the version first, the file's empty lines dropped, the rest unchanged.
    testsupport::writeFile(m_root / "sql" / "800" / "sysup01.sql",
                           platform::text::toCp932("UPDATE A SET B='表';\r\n\r\n  \r\nCOMMIT;\r\n\r\n"));
    lines.clear();
    for (const auto& line : body(dbupdate::systemStepScript({8, 0, 0})))
        lines.push_back(maskDate(line));
    EXPECT_EQ(lines, (std::vector<std::string>{"SET NAMES SJIS_0208;",
                                               "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(8,0,0,'<now>');",
                                               "COMMIT;", "UPDATE A SET B='表';", "  ", "COMMIT;", "EXIT;"}));
    // No file: the version alone.
    EXPECT_EQ(body(dbupdate::systemStepScript({7, 0, 4})).size(), 4u);

    // Data places: a folder of 41 bytes names place 0 "標準の場所"; place 7 is the folder + "07".
    SystemDef.SysDir = "D:\\" + std::string(38, 'a');
    const auto places = body(dbupdate::systemStepScript({5, 0, 0}));
    const std::string expected0 = "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (0, 1, '標準の場所', '" +
                                  SystemDef.SysDir + "');";
    const std::string expected7 = "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (7, 8, '', '" +
                                  SystemDef.SysDir + "07');";
    EXPECT_NE(std::find(places.begin(), places.end(), expected0), places.end());
    EXPECT_NE(std::find(places.begin(), places.end(), expected7), places.end());
    SystemDef.SysDir.pop_back();
    const auto places40 = body(dbupdate::systemStepScript({5, 0, 0}));
    EXPECT_NE(std::find(places40.begin(), places40.end(),
                        "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (0, 1, '" + SystemDef.SysDir +
                            "', '" + SystemDef.SysDir + "');"),
              places40.end());
    for (const auto& line : places)
        EXPECT_EQ(line.find("Error"), std::string::npos) << line;
    EXPECT_THROW(dbupdate::systemStepScript({6, 0, 0}), std::invalid_argument);
}

TEST_F(SystemStepsTest, AllThirteenStepsBringABaseDatabaseUpToDate)
{
    testsupport::FixtureDb::copyTo("system-base", m_root / "data" / "dwaccdef.fdb");
    testsupport::writeFile(m_root / "sql" / "800" / "sysup01.sql",
                           testsupport::readFile(fs::path(TEST_SOURCE_DIR) / "../../sql/800/sysup01.sql"));

    dbupdate::DbUpdateCheck check("モラビー財務", false);
    check.InitUpdateList(0, "0.0.0");
    ASSERT_TRUE(check.UpdatePending);
    ASSERT_EQ(check.FirstPending, 0);
    ASSERT_EQ(check.LastPending, 12);
    for (int i = check.FirstPending; i <= check.LastPending; ++i) {
        const auto& step = check.activeSteps()[std::size_t(i)];
        ASSERT_TRUE(step.UpdateFunc);
        ASSERT_EQ(step.UpdateFunc(), 1) << dbupdate::versionText(step.version()) << " "
                                        << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
    }
    EXPECT_TRUE(m_messages.boxes().empty());

    EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM VERSION ORDER BY REC"),
              "1,0,3,1|2,0,3,2|3,0,3,3|4,1,0,1|5,3,0,0|6,3,0,5|7,3,0,7|8,4,0,0|9,4,0,2|10,5,0,0|"
              "11,7,0,0|12,7,0,4|13,8,0,0");
    EXPECT_EQ(query("SELECT RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, RDB$TRIGGER_INACTIVE FROM RDB$TRIGGERS "
                    "WHERE RDB$TRIGGER_NAME = 'VERSION_REC' AND RDB$RELATION_NAME = 'VERSION'"),
              "1,0,0");
    EXPECT_EQ(query("SELECT GNAME, GSIGN, CAST(STARTDATE AS DATE), YEAROFFSET FROM GENGO ORDER BY STARTDATE"),
              "明治,M,1868/09/08,1868|大正,T,1912/07/30,1912|昭和,S,1926/12/25,1926|平成,H,1989/01/08,1989");
    EXPECT_EQ(query("SELECT COUNT(*), MIN(RECNO), MAX(RECNO) FROM USERCODE WHERE RECNO > 10"), "10,11,20");
    EXPECT_EQ(query("SELECT COUNT(*) FROM DATAPLACEMAN"), "100");
    EXPECT_EQ(query("SELECT NAME, PATH, ORDERKBN FROM DATAPLACEMAN WHERE REC IN (0, 7) ORDER BY REC"),
              "D:\\data,D:\\data,1|,D:\\data07,8");
    EXPECT_EQ(query("SELECT OPNAME, JOBLEVEL, PASWORD FROM OPERATOR WHERE GROUPID = 10000 AND OPCODE = 1"),
              "システムユーザー,9,");
    EXPECT_EQ(query("SELECT PAGENO, ITEMNO FROM JOBCONTROL WHERE LEVELNO = 1001 ORDER BY ITEMNO"),
              "11,1|12,2|10,3");
    EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'OPERATOR' "
                    "AND RDB$FIELD_NAME = 'MYNUMBER_ADM'"),
              "1");
    EXPECT_EQ(query("SELECT REC, PATHNAME FROM SP_DATALIST_INSERT(0, 'C:' || x'5C' || 'd', 125)"),
              "121,C:\\d\\0121|122,C:\\d\\0122|123,C:\\d\\0123|124,C:\\d\\0124|125,C:\\d\\0125");
    EXPECT_EQ(query("SELECT REC, PATHNAME FROM SP_DATALIST_INSERT(3, 'E:' || x'5C' || 'x', 2)"),
              "1,E:\\x\\0001|2,E:\\x\\0002");

    // Nothing pending afterwards.
    firebird::Attachment db;
    db.connect(testsupport::morabyParams((m_root / "data" / "dwaccdef.fdb").string()));
    check.setDatabases(&db, nullptr);
    check.InitUpdateList(0, "");
    EXPECT_FALSE(check.UpdatePending);
    EXPECT_EQ(dbupdate::versionText(check.CurrentVersion), "8.0.0");
    EXPECT_FALSE(fs::exists(m_root / "log" / "ErrDataup.log"));
}

} // namespace
