// The version check against the registered steps, from texts and from fixture databases.
#include "dbupdate/DbUpdateCheck.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/AppInfoRecord.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using dbupdate::DbUpdateCheck;
using dbupdate::DbVersion;

namespace {

int indexOf(const dbupdate::TArrayDbUpdateListRec& steps, DbVersion v)
{
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (steps[i].version() == v)
            return static_cast<int>(i);
    return -1;
}

TEST(DbUpdateStepsTest, TablesAreStrictlyAscendingAndEndAt800)
{
    DbUpdateCheck check("財務", false);
    for (const auto* steps : {&check.systemSteps(), &check.companySteps()}) {
        for (std::size_t i = 1; i < steps->size(); ++i)
            EXPECT_LT((*steps)[i - 1].version(), (*steps)[i].version()) << i;
        EXPECT_EQ(steps->back().version(), (DbVersion{8, 0, 0}));
    }
    EXPECT_EQ(check.systemSteps().size(), 13u);
    EXPECT_EQ(check.companySteps().size(), 41u);
    EXPECT_EQ(dbupdate::versionText(check.companySteps()[24].version()), "3.0.3");
    EXPECT_EQ(check.companySteps()[28].Title, "財務１２のデータ形式に変換");
    EXPECT_EQ(DbUpdateCheck("財務", true).systemSteps()[10].Title, "個別原価管理機能の追加");

    AppInfo.Zaimu.AppTitle = "会計王";
    EXPECT_EQ(DbUpdateCheck().companySteps().back().Title, "会計王１６のデータ形式に変換 他");
    AppInfo = TAppInfoRec{};
}

struct TextCase {
    int mode;
    const char* text;
    DbVersion current;
    bool pending;
    int compat;
    DbVersion firstPending; // ignored when not pending
    int rows;
    int backups;
};

TEST(DbUpdateCheckTest, TextCases)
{
    const TextCase cases[] = {
        {1, "8.0.0", {8, 0, 0}, false, 1, {}, 0, 0},
        {1, "7.0.4", {7, 0, 4}, true, 1, {8, 0, 0}, 1, 1},
        {1, "3.0.2", {3, 0, 2}, true, 1, {3, 0, 3}, 17, 17},
        {1, "8.0.1", {8, 0, 1}, false, 2, {}, 0, 0},
        {1, "8.1.0", {8, 1, 0}, false, 0, {}, 0, 0},
        {1, "9.0.0", {9, 0, 0}, false, 0, {}, 0, 0},
        {1, "8.0", {0, 0, 0}, true, 1, {0, 1, 1}, 41, 37},
        {1, "1.2.3.4", {0, 0, 0}, true, 1, {0, 1, 1}, 41, 37},
        {1, "a.b.c", {0, 0, 0}, true, 1, {0, 1, 1}, 41, 37},
        {1, "0.0.0", {0, 0, 0}, true, 1, {0, 1, 1}, 41, 37},
        {1, "1.x.2", {1, 0, 2}, true, 1, {1, 0, 3}, 23, 23},
        {1, "0.2.0", {0, 2, 0}, true, 1, {0, 2, 1}, 35, 32},
        {0, "4.0.2", {4, 0, 2}, true, 1, {5, 0, 0}, 4, 1},
        {0, "9.0.0", {9, 0, 0}, false, 1, {}, 0, 0},
        {0, "0.0.0", {0, 0, 0}, true, 1, {0, 3, 1}, 13, 4},
    };
    DbUpdateCheck check; // one object for every case: each call starts afresh
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " mode " + std::to_string(c.mode));
        check.InitUpdateList(static_cast<std::uint8_t>(c.mode), c.text);
        EXPECT_EQ(check.CurrentVersion, c.current);
        EXPECT_EQ(check.NewestVersion, (DbVersion{8, 0, 0}));
        EXPECT_EQ(check.UpdatePending, c.pending);
        EXPECT_EQ(check.Compat, c.compat);
        EXPECT_FALSE(check.Done);
        const auto& steps = check.activeSteps();
        EXPECT_EQ(steps.size(), c.mode == 0 ? 13u : 41u);
        if (c.pending) {
            EXPECT_EQ(check.FirstPending, indexOf(steps, c.firstPending));
            EXPECT_EQ(check.LastPending, static_cast<int>(steps.size()) - 1);
            EXPECT_EQ(check.LastPending - check.FirstPending + 1, c.rows);
        } else {
            EXPECT_EQ(check.FirstPending, -1);
            EXPECT_EQ(check.LastPending, -1);
        }
        EXPECT_EQ(check.BackupCount, c.backups);
    }
}

class DbUpdateCheckDbTest : public ::testing::Test {
protected:
    void open(firebird::Attachment& db, const std::string& fixture, const std::string& file)
    {
        testsupport::FixtureDb::copyTo(fixture, m_dir / file);
        db.connect(testsupport::morabyParams((m_dir / file).string()));
    }
    void run(firebird::Attachment& db, const std::string& sql)
    {
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement(tr, sql).execute();
        tr.commit();
    }

    testsupport::TempDir m_dir;
    testsupport::MessageRecorder m_messages;
};

TEST_F(DbUpdateCheckDbTest, ReadsTheVersionFromEitherDatabase)
{
    firebird::Attachment system, company;
    open(system, "system", "dwaccdef.fdb");
    open(company, "company", "dwacc.fdb");
    DbUpdateCheck check;
    check.setDatabases(&system, &company);

    // The system database's version is the greatest row of its history.
    check.InitUpdateList(0, "");
    EXPECT_EQ(check.CurrentVersion, (DbVersion{7, 0, 4}));
    EXPECT_EQ(check.FirstPending, indexOf(check.systemSteps(), {8, 0, 0}));

    check.InitUpdateList(1, "");
    EXPECT_EQ(check.CurrentVersion, (DbVersion{8, 0, 0}));
    EXPECT_FALSE(check.UpdatePending);

    run(company, "DELETE FROM ACCVERSION");
    run(system, "DELETE FROM VERSION");
    for (int mode : {0, 1}) {
        check.InitUpdateList(static_cast<std::uint8_t>(mode), "");
        EXPECT_EQ(check.CurrentVersion, (DbVersion{0, 0, 0}));
        EXPECT_EQ(check.FirstPending, 0);
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DbUpdateCheckDbTest, AFailedReadIsReportedAndCountsAsZero)
{
    firebird::Attachment company;
    open(company, "company", "dwacc.fdb");
    run(company, "DROP TABLE ACCVERSION");
    DbUpdateCheck check;
    check.setDatabases(nullptr, &company);
    m_messages.answerDefaults();
    check.InitUpdateList(1, "");
    EXPECT_EQ(check.CurrentVersion, (DbVersion{0, 0, 0}));
    EXPECT_EQ(check.LastPending - check.FirstPending + 1, 41);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("データベースバージョンの取得に失敗しました。"),
              std::string::npos);
}

} // namespace
