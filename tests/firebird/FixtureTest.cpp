// The fixture databases and their procedures, through the embedded engine.
#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace firebird;

namespace {

class FixtureTest : public ::testing::Test {
protected:
    Attachment& open(const std::string& name, const std::string& file)
    {
        testsupport::FixtureDb::copyTo(name, m_dir / file);
        m_db.connect(testsupport::morabyParams((m_dir / file).string()));
        return m_db;
    }

    testsupport::TempDir m_dir;
    Attachment m_db;
};

TEST_F(FixtureTest, DatabasesAreDialect3ShiftJisOwnedByMoraby)
{
    for (const char* name : {"system", "company", "fileman"}) {
        SCOPED_TRACE(name);
        Attachment db;
        testsupport::FixtureDb::copyTo(name, m_dir / (std::string(name) + ".fdb"));
        db.connect(testsupport::morabyParams((m_dir / (std::string(name) + ".fdb")).string()));
        Transaction tr(db);
        tr.start();
        Statement st(tr, "SELECT M.MON$SQL_DIALECT, M.MON$PAGE_SIZE, M.MON$OWNER, "
                         "TRIM(D.RDB$CHARACTER_SET_NAME) AS CS "
                         "FROM MON$DATABASE M CROSS JOIN RDB$DATABASE D");
        Cursor c = st.open();
        ASSERT_TRUE(c.fetch());
        EXPECT_EQ(c.getInt("MON$SQL_DIALECT"), 3);
        EXPECT_EQ(c.getInt("MON$PAGE_SIZE"), 16384);
        EXPECT_EQ(c.getString("MON$OWNER"), "MORABY");
        EXPECT_EQ(c.getString("CS"), "SJIS_0208");
    }
}

TEST_F(FixtureTest, CompanyHoldsOneSettingsRowOfVersion8)
{
    Transaction tr(open("company", "dwacc.fdb"));
    tr.start();
    Statement st(tr, "SELECT A.SHOUGOU, A.DATATYPE, A.KISHU, A.NEW_TAX_RATE3, V.MAJOR, V.MINOR1, "
                     "V.MINOR2 FROM ACCDEF1 A CROSS JOIN ACCVERSION V WHERE A.REC = 1");
    Cursor c = st.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("SHOUGOU"), "テスト商店");
    EXPECT_EQ(c.getInt("DATATYPE"), 2);
    EXPECT_EQ(c.getDateTime("KISHU"), platform::encodeDate(2024, 1, 1));
    EXPECT_EQ(c.getCurrency("NEW_TAX_RATE3"), 100000);
    EXPECT_EQ(c.getInt("MAJOR") * 10000 + c.getInt("MINOR1") * 100 + c.getInt("MINOR2"), 80000);
    EXPECT_FALSE(c.fetch());
}

TEST_F(FixtureTest, LogonUserTestSignsInOncePerComputer)
{
    struct Case {
        const char* pc;
        int opcode;
        const char* password;
        int num;
        int loginCode;
        int jobLevel;
    };
    // In order: each row sees what the rows before it recorded.
    const Case cases[] = {
        {"PC1", 11, "bad", -1, 0, 0},  // wrong password
        {"PC1", 99, "", -1, 0, 0},     // no such operator
        {"PC1", 11, "pass", 0, 11, 1}, // signed in
        {"PC1", 11, "pass", 0, 11, 1}, // same computer again
        {"PC2", 11, "pass", -3, 0, 1}, // already signed in elsewhere
        {"PC2", 10, "", 1, 10, 9},     // administrator without password
    };
    Transaction tr(open("system", "dwaccdef.fdb"));
    Statement st(tr, "SELECT NUM,LOGINCODE,JOBLEVEL FROM "
                     "LOGONUSERTEST(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)");
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.pc) + " " + std::to_string(k.opcode) + " " + k.password);
        tr.start();
        st.setString("PCNAME", k.pc);
        st.setInt("GROUPID", 10000);
        st.setInt("OPCODE", k.opcode);
        st.setInt("APPVERSION", 2);
        st.setString("PASWORD", k.password);
        Cursor c = st.open();
        ASSERT_TRUE(c.fetch());
        EXPECT_EQ(c.getInt("NUM"), k.num);
        EXPECT_EQ(c.getInt("LOGINCODE"), k.loginCode);
        EXPECT_EQ(c.getInt("JOBLEVEL"), k.jobLevel);
        c.close();
        tr.commit();
    }
    tr.start();
    Statement rows(tr, "SELECT OPCODE, PCNAME FROM LOGONUSERLIST ORDER BY OPCODE");
    Cursor c = rows.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getInt("OPCODE"), 100000010);
    EXPECT_EQ(c.getString("PCNAME"), "PC2");
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getInt("OPCODE"), 100000011);
    EXPECT_EQ(c.getString("PCNAME"), "PC1");
    EXPECT_FALSE(c.fetch());
}

TEST_F(FixtureTest, OpinfDeleteEndsTheScreensEntryWithItsState)
{
    Transaction tr(open("company", "dwacc.fdb"));
    tr.start();
    Statement ins(tr, "INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME,OPENTIME) "
                      "VALUES(:OPCODE,:JOBNAME,'PC1',CURRENT_TIMESTAMP)");
    for (const char* job : {"データ選択", "印刷"}) {
        ins.setInt("OPCODE", 100000011);
        ins.setString("JOBNAME", job);
        ins.execute();
    }
    Statement del(tr, "EXECUTE PROCEDURE OPINF_DELETE(:OPCODE,:JOBNAME,:STATE)");
    del.setInt("OPCODE", 100000011);
    del.setString("JOBNAME", "データ選択");
    del.setString("STATE", "正常終了");
    del.execute();

    Statement left(tr, "SELECT JOBNAME FROM OPINF");
    Cursor c = left.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("JOBNAME"), "印刷");
    EXPECT_FALSE(c.fetch());
    Statement log(tr, "SELECT JOBNAME, STATE FROM OPINF_LOG");
    Cursor l = log.open();
    ASSERT_TRUE(l.fetch());
    EXPECT_EQ(l.getString("JOBNAME"), "データ選択");
    EXPECT_EQ(l.getString("STATE"), "正常終了");
}

TEST_F(FixtureTest, SystemRowsCarryTheOfficeLines)
{
    Transaction tr(open("system", "dwaccdef.fdb"));
    tr.start();
    Statement st(tr, "SELECT SSTR FROM SYSTEMINI WHERE REC = 10");
    Cursor c = st.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("SSTR"),
              "NAME=テスト会計事務所\r\nJYUSHO=東京都千代田区1-1\r\nTEL=03-0000-0000");
}

} // namespace
