// The wrapper against real databases served by the embedded engine.
#include "firebird/Attachment.h"
#include "firebird/Blob.h"
#include "firebird/DatabaseError.h"
#include "firebird/Generator.h"
#include "firebird/ServiceManager.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/CoreTypes.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace firebird;

namespace {

ConnectParams paramsFor(const std::filesystem::path& file)
{
    ConnectParams p;
    p.database = file.string();
    p.user = "MORABY";
    p.password = "qolvex";
    return p;
}

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_db.createDatabase(paramsFor(m_dir / "w.fdb"));
        m_db.executeImmediate(
            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), CODE CHAR(4), "
            "AMOUNT NUMERIC(18,4), SMALLAMT NUMERIC(9,2), D DATE, TS TIMESTAMP, F DOUBLE PRECISION, "
            "NOTE BLOB SUB_TYPE TEXT, RAW BLOB SUB_TYPE BINARY, FLAG BOOLEAN)");
        m_db.executeImmediate("CREATE SEQUENCE G_T");
        m_db.executeImmediate(
            "CREATE PROCEDURE ADDUP (A INTEGER, B INTEGER) RETURNS (S INTEGER, P INTEGER) AS "
            "BEGIN S = A + B; P = A * B; SUSPEND; END");
    }

    testsupport::TempDir m_dir;
    Attachment m_db;
};

TEST_F(WrapperTest, RoundTripsEveryTypeThroughNamedParameters)
{
    Transaction tr(m_db);
    tr.start();
    Statement ins(tr, "INSERT INTO T (ID, NAME, CODE, AMOUNT, SMALLAMT, D, TS, F, NOTE, FLAG) "
                      "VALUES (:ID, :NAME, :CODE, :AMT, :AMT2, :D, :TS, :F, :NOTE, :FLAG)");
    EXPECT_EQ(ins.parameterNames(),
              (std::vector<std::string>{"ID", "NAME", "CODE", "AMT", "AMT2", "D", "TS", "F",
                                        "NOTE", "FLAG"}));
    const platform::TDateTime date = platform::encodeDate(2024, 4, 1);
    const platform::TDateTime stamp = date + 0.5 + 1.0 / 86400.0; // 12:00:01
    ins.setInt("ID", 1);
    ins.setString("name", "株式会社テスト～"); // names are case-insensitive
    ins.setString("CODE", "ab");
    ins.setCurrency("AMT", -12345678901234); // -1234567890.1234
    ins.setCurrency("AMT2", 12355);          // 1.2355 -> 1.24 in NUMERIC(9,2)
    ins.setDateTime("D", date + 0.75);       // a DATE keeps the day only
    ins.setDateTime("TS", stamp);
    ins.setDouble("F", 2.5);
    ins.setBlobText("NOTE", "摘要\r\nメモ");
    ins.setBool("FLAG", true);
    ins.execute();
    EXPECT_EQ(ins.rowsAffected(), 1);

    ins.clearParameters(); // everything NULL but the key
    ins.setInt("ID", 2);
    ins.execute();

    Statement sel(tr, "SELECT * FROM T WHERE ID >= :LO AND ID <= :LO + 1 ORDER BY ID");
    sel.setInt("LO", 1);
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("NAME"), "株式会社テスト～");
    EXPECT_EQ(c.getString("CODE"), "ab");
    EXPECT_EQ(c.getCurrency("AMOUNT"), -12345678901234);
    EXPECT_EQ(c.getString("AMOUNT"), "-1234567890.1234");
    EXPECT_EQ(c.getCurrency("SMALLAMT"), 12400);
    EXPECT_EQ(c.getDateTime("D"), date);
    EXPECT_NEAR(c.getDateTime("TS"), stamp, 1e-9);
    EXPECT_EQ(c.getString("TS"), "2024/04/01 12:00:01");
    EXPECT_EQ(c.getDouble("F"), 2.5);
    EXPECT_EQ(c.getString("NOTE"), "摘要\r\nメモ");
    EXPECT_TRUE(c.getBool("FLAG"));
    EXPECT_FALSE(c.isNull("NAME"));
    ASSERT_TRUE(c.fetch());
    for (const char* f : {"NAME", "AMOUNT", "D", "NOTE", "FLAG"})
        EXPECT_TRUE(c.isNull(f)) << f;
    EXPECT_EQ(c.getString("NAME"), "");
    EXPECT_EQ(c.getCurrency("AMOUNT"), 0);
    EXPECT_EQ(c.getDateTime("D"), 0.0);
    EXPECT_FALSE(c.fetch());
    EXPECT_FALSE(c.fetch());
    tr.commit();
}

TEST_F(WrapperTest, StoresTextAsShiftJisBytes)
{
    Transaction tr(m_db);
    tr.start();
    Statement ins(tr, "INSERT INTO T (ID, NAME) VALUES (1, :N)");
    ins.setString("N", "あ");
    ins.execute();
    Statement sel(tr, "SELECT CAST(NAME AS VARCHAR(40) CHARACTER SET OCTETS) AS B FROM T");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getBytes("B"), "\x82\xA0");
}

// Bytes that are not CP932 (a row written by another program) fail the read with the field named.
TEST_F(WrapperTest, BytesThatAreNotShiftJisNameTheirField)
{
    m_db.executeImmediate("CREATE TABLE C (SHOUGOU VARCHAR(20) CHARACTER SET NONE)");
    Transaction tr(m_db);
    tr.start();
    Statement(tr, "INSERT INTO C VALUES (x'8540')").execute();
    Statement sel(tr, "SELECT SHOUGOU FROM C");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getBytes("SHOUGOU"), "\x85\x40");
    try {
        c.getString("SHOUGOU");
        ADD_FAILURE() << "read without error";
    } catch (const platform::text::EncodingError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("field SHOUGOU: invalid CP932 bytes", 0), 0u) << e.what();
    }
}

TEST_F(WrapperTest, WindowsExtensionsOfShiftJisRoundTripAsParameters)
{
    // A parameter in the connection's character set is stored byte for byte, so the NEC/IBM
    // extensions of CP932 that SJIS_0208 lacks survive when bound (not as SQL literals).
    Transaction tr(m_db);
    tr.start();
    Statement ins(tr, "INSERT INTO T (ID, NAME) VALUES (1, :N)");
    ins.setString("N", "①㈱髙～");
    ins.execute();
    Statement sel(tr, "SELECT NAME FROM T WHERE NAME = :N");
    sel.setString("N", "①㈱髙～");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("NAME"), "①㈱髙～");

}

TEST_F(WrapperTest, BinaryBlobsKeepTheirBytes)
{
    Transaction tr(m_db);
    tr.start();
    std::string bytes(70000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    Statement ins(tr, "INSERT INTO T (ID, RAW) VALUES (1, :R)");
    ins.setBlob("R", Blob::create(tr, bytes));
    ins.execute();
    Statement sel(tr, "SELECT RAW FROM T");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getBytes("RAW"), bytes);
    EXPECT_EQ(Blob::readAll(tr, c.getBlobId("RAW")), bytes);
}

TEST_F(WrapperTest, ErrorsCarryStatusAndSqlCode)
{
    struct Case {
        const char* sql;
        long status;
        int sqlCode;
    };
    const Case cases[] = {
        {"SELECT * FROM NO_SUCH_TABLE", 335544569, -204},
        {"INSERT INTO T (ID) VALUES (7)", kUniqueViolation, -803},
        {"INSERT INTO T (ID, CODE) VALUES (8, 'abcdefghij')", 335544321, -802},
    };
    Transaction tr(m_db);
    tr.start();
    Statement seed(tr, "INSERT INTO T (ID) VALUES (7)");
    seed.execute();
    for (const Case& k : cases) {
        Statement st(tr, k.sql);
        try {
            st.execute();
            ADD_FAILURE() << k.sql;
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.statusCode(), k.status) << k.sql << ": " << e.message();
            EXPECT_EQ(e.sqlCode(), k.sqlCode) << k.sql;
            EXPECT_EQ(e.message().find('\n'), std::string::npos);
            EXPECT_FALSE(e.context().empty());
        }
    }
}

TEST_F(WrapperTest, CharactersOutsideShiftJisAreRefusedBeforeTheDatabase)
{
    Transaction tr(m_db);
    tr.start();
    Statement ins(tr, "INSERT INTO T (ID, NAME) VALUES (1, :N)");
    EXPECT_THROW(ins.setString("N", "😀"), std::runtime_error);
}

TEST_F(WrapperTest, MisuseIsAUsageError)
{
    Transaction tr(m_db);
    Statement st(tr, "SELECT ID FROM T WHERE ID = :ID");
    EXPECT_THROW(st.setInt("NOPE", 1), UsageError);
    EXPECT_THROW(st.open(), UsageError); // transaction not started
    tr.start();
    Cursor c = st.open();
    EXPECT_FALSE(c.fetch());
    EXPECT_THROW(c.getInt("ID"), UsageError);
}

TEST_F(WrapperTest, UncommittedWorkRollsBackWhenTheTransactionDies)
{
    {
        Transaction tr(m_db);
        tr.start();
        Statement ins(tr, "INSERT INTO T (ID) VALUES (1)");
        ins.execute();
    }
    Transaction tr(m_db);
    tr.start();
    Statement count(tr, "SELECT COUNT(*) AS N FROM T");
    Cursor c = count.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getInt("N"), 0);
}

TEST_F(WrapperTest, SnapshotDoesNotSeeLaterCommitsButReadCommittedDoes)
{
    Transaction snapshot(m_db, Isolation::Snapshot);
    Transaction committed(m_db);
    Transaction writer(m_db);
    snapshot.start();
    committed.start();
    Statement countSnap(snapshot, "SELECT COUNT(*) FROM T");
    Statement countRc(committed, "SELECT COUNT(*) FROM T");
    auto count = [](Statement& st) {
        Cursor c = st.open();
        c.fetch();
        return c.getInt64(0);
    };
    EXPECT_EQ(count(countSnap), 0);
    writer.start();
    Statement ins(writer, "INSERT INTO T (ID) VALUES (1)");
    ins.execute();
    writer.commit();
    EXPECT_EQ(count(countSnap), 0);
    EXPECT_EQ(count(countRc), 1);
}

TEST_F(WrapperTest, DisconnectRollsBackAndStatementsPrepareAgainAfterReconnect)
{
    Transaction tr(m_db);
    Statement ins(tr, "INSERT INTO T (ID, NAME) VALUES (:ID, :ID || '')");
    tr.start();
    ins.setInt("ID", 1);
    ins.execute();
    EXPECT_TRUE(ins.prepared());
    m_db.disconnect();
    EXPECT_FALSE(m_db.connected());
    EXPECT_FALSE(tr.inTransaction());
    EXPECT_FALSE(ins.prepared());
    EXPECT_EQ(m_db.databaseName(), (m_dir / "w.fdb").string());

    m_db.connect(paramsFor(m_dir / "w.fdb"));
    tr.start();
    ins.execute(); // same parameters, prepared again
    Statement sel(tr, "SELECT ID, NAME FROM T");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getInt("ID"), 1);
    EXPECT_EQ(c.getString("NAME"), "1");
    EXPECT_FALSE(c.fetch()); // the first insert was rolled back
}

TEST_F(WrapperTest, ProceduresRunAsExecuteAndAsSelect)
{
    Transaction tr(m_db);
    tr.start();
    Statement exec(tr, "EXECUTE PROCEDURE ADDUP(:A, :B)");
    exec.setInt("A", 3);
    exec.setInt("B", 4);
    Cursor one = exec.open();
    ASSERT_TRUE(one.fetch());
    EXPECT_EQ(one.getInt("S"), 7);
    EXPECT_EQ(one.getInt("P"), 12);
    EXPECT_FALSE(one.fetch());

    Statement sel(tr, "SELECT S, P FROM ADDUP(:A, :A)");
    sel.setInt("A", 5);
    EXPECT_TRUE(sel.isSelect());
    Cursor rows = sel.open();
    ASSERT_TRUE(rows.fetch());
    EXPECT_EQ(rows.getInt("S"), 10);
    EXPECT_EQ(rows.getInt("P"), 25);
}

TEST_F(WrapperTest, GeneratorsMove)
{
    Transaction tr(m_db);
    tr.start();
    Generator g(tr, "G_T");
    EXPECT_EQ(g.current(), 0);
    EXPECT_EQ(g.next(), 1);
    EXPECT_EQ(g.next(10), 11);
    g.set(100);
    EXPECT_EQ(g.current(), 100);
    EXPECT_THROW(Generator(tr, "G_T; DROP TABLE T"), UsageError);
}

TEST_F(WrapperTest, MissingFileIsAnIoError)
{
    Attachment other;
    try {
        other.connect(paramsFor(m_dir / "missing.fdb"));
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.statusCode(), kIoError);
        EXPECT_EQ(e.sqlCode(), -902);
    }
    EXPECT_FALSE(other.connected());
}

TEST_F(WrapperTest, ServicesListBackupRestoreAndValidateLocally)
{
    // The embedded engine lists attachments to its administrator only.
    ServiceManager admin("", "SYSDBA", "");
    const std::string name = (m_dir / "w.fdb").string();
    const auto attached = admin.attachedDatabases();
    EXPECT_NE(std::find(attached.begin(), attached.end(), name), attached.end());

    {
        Transaction tr(m_db);
        tr.start();
        Statement ins(tr, "INSERT INTO T (ID, NAME) VALUES (1, '決算')");
        ins.execute();
        tr.commit();
    }
    ServiceManager svc("", "MORABY", "qolvex");
    const std::string fbk = (m_dir / "w.fbk").string();
    const std::string restored = (m_dir / "r.fdb").string();
    svc.backup(name, fbk);
    EXPECT_TRUE(std::filesystem::exists(fbk));
    svc.restore(fbk, restored, false, 16384);
    m_db.disconnect();
    EXPECT_TRUE(svc.validate(restored).empty());

    Attachment r;
    r.connect(paramsFor(m_dir / "r.fdb"));
    Transaction tr(r);
    tr.start();
    Statement sel(tr, "SELECT NAME, (SELECT MON$PAGE_SIZE FROM MON$DATABASE) AS PS FROM T");
    Cursor c = sel.open();
    ASSERT_TRUE(c.fetch());
    EXPECT_EQ(c.getString("NAME"), "決算");
    EXPECT_EQ(c.getInt("PS"), 16384);
}

} // namespace
