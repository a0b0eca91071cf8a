// The headless upgrade driver brings a system database at 0.0.0 up to date end to end.
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

std::string query(const std::filesystem::path& db, const std::string& sql)
{
    firebird::Attachment a;
    a.connect(testsupport::morabyParams(db.string()));
    firebird::Transaction tr(a);
    tr.start();
    firebird::Statement st(tr, sql);
    auto c = st.open();
    std::string out;
    while (c.fetch()) {
        if (!out.empty())
            out += "|";
        for (int i = 0; i < c.fieldCount(); ++i)
            out += (i ? "," : "") + (c.isNull(i) ? std::string("<null>") : c.getString(i));
    }
    return out;
}

TEST(UpgradeDriverTest, SystemDatabaseFromZeroToEightInModeZero)
{
    testsupport::TempDir root;
    const auto db = testsupport::FixtureDb::copyTo("system-base", root / "dwaccdef.fdb");
    QProcess driver;
    driver.start(QStringLiteral(UPGRADE_DRIVER_PATH),
                 {QString::fromStdString(root.str()), QStringLiteral("10"), QString(), QStringLiteral("0")});
    ASSERT_TRUE(driver.waitForFinished(240000));
    const std::string out = driver.readAllStandardOutput().toStdString();
    const std::string err = driver.readAllStandardError().toStdString();
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(driver.exitCode(), 0) << out << err;
    EXPECT_EQ(err.find('\t'), std::string::npos) << "no box: " << err;
    EXPECT_TRUE(out.starts_with("pending 13\n0.3.1\t共有サーバー機能の追加\t完了\n")) << out;
    EXPECT_NE(out.find("8.0.0\tマイナンバー制度に対応\t完了\n"), std::string::npos) << out;

    EXPECT_EQ(query(db, "SELECT LIST(REC || ':' || MAJOR || '.' || MINOR1 || '.' || MINOR2, ' ') FROM "
                        "(SELECT * FROM VERSION ORDER BY REC)"),
              "1:0.3.1 2:0.3.2 3:0.3.3 4:1.0.1 5:3.0.0 6:3.0.5 7:3.0.7 8:4.0.0 9:4.0.2 10:5.0.0 "
              "11:7.0.0 12:7.0.4 13:8.0.0");
    EXPECT_EQ(query(db, "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'OPERATOR' "
                        "AND RDB$FIELD_NAME = 'MYNUMBER_ADM'"),
              "1")
        << "the installed 8.0.0 file ran";
    EXPECT_EQ(query(db, "SELECT COUNT(*) FROM LOGONUSERLIST"), "0") << "signed out again";
    EXPECT_TRUE(std::filesystem::exists(root / "temp" / "dataup.fbk"));

    // Again: nothing pending, nothing run, not done.
    driver.start(QStringLiteral(UPGRADE_DRIVER_PATH),
                 {QString::fromStdString(root.str()), QStringLiteral("10"), QString(), QStringLiteral("0")});
    ASSERT_TRUE(driver.waitForFinished(60000));
    EXPECT_EQ(driver.readAllStandardOutput().toStdString(), "pending 0\n");
    EXPECT_EQ(driver.exitCode(), 1);
}

} // namespace
