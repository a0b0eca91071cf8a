// The headless upgrade driver brings a system database at 0.0.0 up to date end to end.
#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "support/FixtureDb.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>
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

// Each driver works in a temporary folder of its own: the script and output names are fixed, and
// test cases run side by side.
void privateTemp(QProcess& driver, const std::filesystem::path& root)
{
    std::filesystem::create_directories(root / "tmp");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TEMP"), QString::fromStdString((root / "tmp").string()));
    driver.setProcessEnvironment(env);
}

TEST(UpgradeDriverTest, SystemDatabaseFromZeroToEightInModeZero)
{
    testsupport::TempDir root;
    const auto db = testsupport::FixtureDb::copyTo("system-base", root / "dwaccdef.fdb");
    QProcess driver;
    privateTemp(driver, root.path());
    driver.start(QStringLiteral(UPGRADE_DRIVER_PATH),
                 {QString::fromStdString(root.str()), QStringLiteral("10"), QString(), QStringLiteral("0")});
    ASSERT_TRUE(driver.waitForFinished(240000));
    const std::string out = driver.readAllStandardOutput().toStdString();
    const std::string err = driver.readAllStandardError().toStdString();
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    const auto errLog = root / "log" / "ErrDataup.txt";
    EXPECT_EQ(driver.exitCode(), 0) << out << err
                                    << (std::filesystem::exists(errLog) ? testsupport::readFile(errLog) : "");
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

// The upgraded system database beside the 8.0.0 company fixture serves the export driver, run as
// the general-statement export test runs it: the same linkage file, byte for byte.
TEST(UpgradeDriverTest, TheUpgradedSystemDatabaseServesTheExport)
{
    testsupport::TempDir root;
    const auto dataRoot = root / "root";
    const auto dataSet = dataRoot / "data" / "0001";
    testsupport::FixtureDb::copyTo("system-base", dataRoot / "dwaccdef.fdb");
    const auto company = testsupport::FixtureDb::copyTo("company", dataSet / "dwacc.fdb");
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(company.string()));
        firebird::Transaction t(db);
        t.start();
        firebird::Statement(t, "DELETE FROM KS_SISAN WHERE REC > 9").execute();
        firebird::Statement(t, "UPDATE ACCDEF1 SET SHOUGOU = '山田&商店' WHERE REC = 1").execute();
        t.commit();
    }
    QProcess upgrade;
    privateTemp(upgrade, root.path());
    upgrade.start(QStringLiteral(UPGRADE_DRIVER_PATH),
                  {QString::fromStdString(dataRoot.string()), QStringLiteral("10"), QString(), QStringLiteral("0")});
    ASSERT_TRUE(upgrade.waitForFinished(240000));
    ASSERT_EQ(upgrade.exitCode(), 0) << upgrade.readAllStandardOutput().toStdString()
                                     << upgrade.readAllStandardError().toStdString();

    for (const char* folder : {"ProgramData", "run", "out"})
        std::filesystem::create_directories(root / folder);
    platform::registry::setStorePath(root / "registry.ini");
    const std::string key = "SOFTWARE\\QUELTO\\MORABYZAIMU08";
    platform::registry::createKey(platform::registry::RootKey::LocalMachine, key);
    platform::registry::writeString(platform::registry::RootKey::LocalMachine, key, "Product", "モラビー財務8");
    platform::registry::writeString(platform::registry::RootKey::LocalMachine, key, "Version", "8.0.0");
    platform::registry::resetStorePath();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
               QString::fromStdString((root / "ProgramData").string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable), QString::fromStdString((root / "run").string()));
    const auto output = root / "out" / "連動.xml";
    QProcess exporter;
    exporter.setProcessEnvironment(env);
    exporter.start(QStringLiteral(EXPORT_DRIVER_PATH),
                   {QString::fromStdString(dataRoot.string()), QString::fromStdString(dataSet.string()),
                    QStringLiteral("11"), QStringLiteral("pass"), QStringLiteral("2"),
                    QString::fromStdString(output.string()), QString::fromStdString((root / "registry.ini").string())});
    ASSERT_TRUE(exporter.waitForFinished(120000));
    EXPECT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardOutput().toStdString()
                                      << exporter.readAllStandardError().toStdString();
    EXPECT_EQ(testsupport::readFile(output),
              testsupport::readFile(std::filesystem::path(EXPORT_GOLDEN_DIR) / "statement-general.xml"));
}

} // namespace
