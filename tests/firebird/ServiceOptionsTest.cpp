// The switches of the Services API's backup, restore and validation.
#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/ServiceManager.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace firebird;

namespace {

int queryInt(Attachment& db, const std::string& sql)
{
    Transaction tr(db);
    tr.start();
    Statement st(tr, sql);
    Cursor c = st.open();
    EXPECT_TRUE(c.fetch());
    return c.getInt("V");
}

class ServiceOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Attachment db;
        db.createDatabase(testsupport::morabyParams(source()), 8192);
        db.executeImmediate("CREATE TABLE T (A INTEGER)");
        db.executeImmediate("CREATE INDEX IX_T_A ON T (A)");
        db.executeImmediate("INSERT INTO T (A) VALUES (7)");
        db.disconnect();
    }

    std::string source() const { return (m_dir / "src.fdb").string(); }
    std::string file(const char* name) const { return (m_dir / name).string(); }

    testsupport::TempDir m_dir;
    ServiceManager m_svc{"", "MORABY", "qolvex"};
};

TEST_F(ServiceOptionsTest, RestoreWithBuffersPageSizeAndIndexesOff)
{
    BackupOptions backup;
    backup.ignoreLimbo = backup.noGarbageCollection = backup.nonTransportable = true;
    backup.verbose = true;
    const auto lines = m_svc.backup(source(), file("b.fbk"), backup);
    EXPECT_FALSE(lines.empty()) << "verbose output";

    // Replace and create together: over an existing file, and where there is none.
    std::filesystem::copy_file(source(), file("over.fdb"));
    for (const char* target : {"over.fdb", "new.fdb"}) {
        RestoreOptions restore;
        restore.replace = restore.create = restore.deactivateIndexes = true;
        restore.pageBuffers = 4096;
        restore.pageSize = 16384;
        m_svc.restore(file("b.fbk"), file(target), restore);

        Attachment db;
        db.connect(testsupport::morabyParams(file(target)));
        EXPECT_EQ(queryInt(db, "SELECT MON$PAGE_SIZE AS V FROM MON$DATABASE"), 16384) << target;
        EXPECT_EQ(queryInt(db, "SELECT MON$PAGE_BUFFERS AS V FROM MON$DATABASE"), 4096) << target;
        EXPECT_EQ(queryInt(db, "SELECT RDB$INDEX_INACTIVE AS V FROM RDB$INDICES "
                               "WHERE RDB$INDEX_NAME = 'IX_T_A'"),
                  1)
            << target;
        EXPECT_EQ(queryInt(db, "SELECT A AS V FROM T"), 7) << target;
    }

    // Without the switch the index stays active; without replace an existing file is refused.
    RestoreOptions keep;
    keep.create = true;
    m_svc.restore(file("b.fbk"), file("keep.fdb"), keep);
    {
        Attachment db;
        db.connect(testsupport::morabyParams(file("keep.fdb")));
        EXPECT_EQ(queryInt(db, "SELECT COALESCE(RDB$INDEX_INACTIVE, 0) AS V FROM RDB$INDICES "
                               "WHERE RDB$INDEX_NAME = 'IX_T_A'"),
                  0);
    }
    EXPECT_THROW(m_svc.restore(file("b.fbk"), file("keep.fdb"), keep), DatabaseError);
}

TEST_F(ServiceOptionsTest, ValidationIgnoringChecksumsReportsNothingOnASoundDatabase)
{
    EXPECT_TRUE(m_svc.validate(source(), ValidateOptions{true}).empty());
}

} // namespace
