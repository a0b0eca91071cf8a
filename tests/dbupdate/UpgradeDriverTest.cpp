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

#include <set>
#include <string>

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

// The schema as the program reads it, one line per column of every user table (type, sub-type,
// length in bytes and characters, scale, character set, null flag, default) and per procedure
// parameter (direction, position, name, type, length, scale, character set): "<object>|<rest>".
std::set<std::string> schemaLines(const std::filesystem::path& db)
{
    const std::string sql = R"(
SELECT 'column ' || TRIM(RF.RDB$RELATION_NAME) || '.' || TRIM(RF.RDB$FIELD_NAME) || '|' ||
       F.RDB$FIELD_TYPE || ' ' || COALESCE(F.RDB$FIELD_SUB_TYPE, 0) || ' ' || COALESCE(F.RDB$FIELD_LENGTH, 0) || ' ' ||
       COALESCE(F.RDB$CHARACTER_LENGTH, 0) || ' ' || COALESCE(F.RDB$FIELD_SCALE, 0) || ' ' ||
       COALESCE(F.RDB$CHARACTER_SET_ID, -1) || ' ' || COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) || ' ' ||
       COALESCE(UPPER(TRIM(CAST(SUBSTRING(COALESCE(RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE) FROM 1 FOR 200)
                                AS VARCHAR(200)))), '-')
FROM RDB$RELATION_FIELDS RF
JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = RF.RDB$RELATION_NAME
JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE
WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0
UNION ALL
SELECT 'parameter ' || TRIM(PP.RDB$PROCEDURE_NAME) || '.' || IIF(PP.RDB$PARAMETER_TYPE = 0, 'in ', 'out ') ||
       PP.RDB$PARAMETER_NUMBER || ' ' || TRIM(PP.RDB$PARAMETER_NAME) || '|' ||
       F.RDB$FIELD_TYPE || ' ' || COALESCE(F.RDB$FIELD_LENGTH, 0) || ' ' || COALESCE(F.RDB$CHARACTER_LENGTH, 0) || ' ' ||
       COALESCE(F.RDB$FIELD_SCALE, 0) || ' ' || COALESCE(F.RDB$CHARACTER_SET_ID, -1)
FROM RDB$PROCEDURE_PARAMETERS PP
JOIN RDB$PROCEDURES P ON P.RDB$PROCEDURE_NAME = PP.RDB$PROCEDURE_NAME
JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = PP.RDB$FIELD_SOURCE
WHERE COALESCE(P.RDB$SYSTEM_FLAG, 0) = 0)";
    firebird::Attachment a;
    a.connect(testsupport::morabyParams(db.string()));
    firebird::Transaction tr(a);
    tr.start();
    firebird::Statement st(tr, sql);
    auto c = st.open();
    std::set<std::string> lines;
    while (c.fetch())
        lines.insert(c.getString(0));
    return lines;
}

// The table or procedure a schema line belongs to.
std::string objectOf(const std::string& line)
{
    const auto start = line.find(' ') + 1;
    return line.substr(start, line.find('.', start) - start);
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

    // Everything the program reads is as in the system fixture. Only the upgraded database has
    // the job control table and the list-update procedure, which the steps need and the program
    // never reads.
    const auto upgraded = schemaLines(db);
    const auto fixture = schemaLines(testsupport::FixtureDb::copyTo("system", root / "fixture" / "dwaccdef.fdb"));
    ASSERT_GT(fixture.size(), 300u);
    for (const char* line : {"column GENGO.STARTDATE|35 0 8 0 0 -1 0 -",
                             "parameter SP_DATALIST_INSERT.in  1 PATHTEXT|37 508 254 0 5",
                             "column CHILD_SERVERDATALIST.PASNAME|37 0 254 127 0 5 0 -",
                             "column DATALIST_EX.GROUPID|8 0 4 0 0 -1 0 DEFAULT 10000"})
        EXPECT_TRUE(fixture.contains(line)) << line;
    std::string missing;
    for (const auto& line : fixture)
        if (!upgraded.contains(line))
            missing += line + "\n";
    EXPECT_EQ(missing, "") << "in the fixture, not so in the upgraded database";
    std::set<std::string> extra;
    for (const auto& line : upgraded)
        if (!fixture.contains(line))
            extra.insert(objectOf(line));
    EXPECT_EQ(extra, (std::set<std::string>{"JOBCONTROL", "SP_DATALIST_UPDATE"}));

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
