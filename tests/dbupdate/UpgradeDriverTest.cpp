// The headless upgrade driver brings the base system and company databases up to date end to
// end; the upgraded databases are compared with the 8.0.0 fixtures and serve the export.
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

#include <algorithm>
#include <cstring>
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
// parameter (type, length, scale, character set): "<object>|<rest>". A call passes the inputs in
// order and reads the outputs by name, so an input is known by its position and an output by its
// name; the input names and the output order do not bind.
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
SELECT 'parameter ' || TRIM(PP.RDB$PROCEDURE_NAME) || '.' ||
       IIF(PP.RDB$PARAMETER_TYPE = 0, 'in ' || PP.RDB$PARAMETER_NUMBER, 'out ' || TRIM(PP.RDB$PARAMETER_NAME)) || '|' ||
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

// The lines of the fixture's schema that the upgraded one lacks or has otherwise, one a line.
std::string missingFrom(const std::set<std::string>& upgraded, const std::set<std::string>& fixture)
{
    std::string missing;
    for (const auto& line : fixture)
        if (!upgraded.contains(line))
            missing += line + "\n";
    return missing;
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

struct DriverRun {
    int exitCode = -1;
    std::string out, err;
};

// upgrade-driver with ARGS in a temporary folder of its own under root.
DriverRun runDriver(const std::filesystem::path& root, const QStringList& args, int timeoutMs = 240000)
{
    QProcess driver;
    privateTemp(driver, root);
    driver.start(QStringLiteral(UPGRADE_DRIVER_PATH), args);
    DriverRun run;
    if (!driver.waitForFinished(timeoutMs)) {
        driver.kill();
        driver.waitForFinished();
        run.err = "the upgrade driver did not finish\n";
    } else if (driver.exitStatus() == QProcess::NormalExit) {
        run.exitCode = driver.exitCode();
    }
    run.out = driver.readAllStandardOutput().toStdString();
    run.err += driver.readAllStandardError().toStdString();
    return run;
}

// The statements in one transaction.
void execute(const std::filesystem::path& db, std::initializer_list<std::string> statements)
{
    firebird::Attachment a;
    a.connect(testsupport::morabyParams(db.string()));
    firebird::Transaction tr(a);
    tr.start();
    for (const auto& sql : statements)
        firebird::Statement(tr, sql).execute();
    tr.commit();
}

// The rows of the 8.0.0 company fixture's row files (tests/fixtures/company) in place of those the
// database holds in the same tables: each table a file inserts into is emptied first. isql-fb runs
// them as the fixture build does; "" when it succeeded, else its output.
std::string replaceRows(const std::filesystem::path& db, const std::filesystem::path& work,
                        std::initializer_list<const char*> files)
{
    std::string deletes, rows;
    std::set<std::string> tables;
    for (const char* name : files) {
        const std::string text = testsupport::readFile(std::filesystem::path(TEST_FIXTURE_DIR) / "company" / name);
        for (std::size_t at = 0; (at = text.find("INSERT INTO ", at)) != std::string::npos;) {
            at += std::strlen("INSERT INTO ");
            const std::string table = text.substr(at, text.find_first_of(" (", at) - at);
            if (tables.insert(table).second)
                deletes += "DELETE FROM " + table + ";\n";
        }
        rows += text + "\n";
    }
    const auto script = work / "rows.sql";
    testsupport::writeFile(script, deletes + "COMMIT;\n" + rows + "COMMIT;\n");
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("isql-fb"),
               {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"), QStringLiteral("UTF8"),
                QStringLiteral("-user"), QStringLiteral("MORABY"), QString::fromStdString(db.string()),
                QStringLiteral("-i"), QString::fromStdString(script.string())});
    if (!isql.waitForStarted(30000))
        return "isql-fb did not start: " + isql.errorString().toStdString();
    if (!isql.waitForFinished(120000)) {
        isql.kill();
        isql.waitForFinished();
        return "isql-fb did not finish";
    }
    const std::string out = isql.readAll().toStdString();
    if (isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0)
        return "isql-fb: " + std::to_string(isql.exitCode()) + "\n" + out;
    return out;
}

// The export driver on a data set, as the general-statement export test runs it (operator 11, the
// installed product 8.0.0, function 2): its exit status. The file is root/out/連動.xml.
int runExport(const std::filesystem::path& root, const std::filesystem::path& dataRoot,
              const std::filesystem::path& dataSet, std::string& messages)
{
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
    QProcess exporter;
    exporter.setProcessEnvironment(env);
    exporter.start(QStringLiteral(EXPORT_DRIVER_PATH),
                   {QString::fromStdString(dataRoot.string()), QString::fromStdString(dataSet.string()),
                    QStringLiteral("11"), QStringLiteral("pass"), QStringLiteral("2"),
                    QString::fromStdString((root / "out" / "連動.xml").string()),
                    QString::fromStdString((root / "registry.ini").string())});
    if (!exporter.waitForFinished(120000)) {
        messages = "the export driver did not finish";
        exporter.kill();
        exporter.waitForFinished();
        return -1;
    }
    messages = exporter.readAllStandardOutput().toStdString() + exporter.readAllStandardError().toStdString();
    return exporter.exitCode();
}

TEST(UpgradeDriverTest, SystemDatabaseFromZeroToEightInModeZero)
{
    testsupport::TempDir root;
    const auto db = testsupport::FixtureDb::copyTo("system-base", root / "dwaccdef.fdb");
    const auto run = runDriver(root.path(), {QString::fromStdString(root.str()), QStringLiteral("10"), QString(),
                                             QStringLiteral("0")});
    const std::string& out = run.out;
    const std::string& err = run.err;
    const auto errLog = root / "log" / "ErrDataup.txt";
    EXPECT_EQ(run.exitCode, 0) << out << err
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
                             "parameter SP_DATALIST_INSERT.in 1|37 508 254 0 5",
                             "column CHILD_SERVERDATALIST.PASNAME|37 0 254 127 0 5 0 -",
                             "column DATALIST_EX.GROUPID|8 0 4 0 0 -1 0 DEFAULT 10000"})
        EXPECT_TRUE(fixture.contains(line)) << line;
    EXPECT_EQ(missingFrom(upgraded, fixture), "") << "in the fixture, not so in the upgraded database";
    std::set<std::string> extra;
    for (const auto& line : upgraded)
        if (!fixture.contains(line))
            extra.insert(objectOf(line));
    EXPECT_EQ(extra, (std::set<std::string>{"JOBCONTROL", "SP_DATALIST_UPDATE"}));

    // Again: nothing pending, nothing run, not done.
    const auto again = runDriver(root.path(), {QString::fromStdString(root.str()), QStringLiteral("10"), QString(),
                                               QStringLiteral("0")},
                                 60000);
    EXPECT_EQ(again.out, "pending 0\n");
    EXPECT_EQ(again.exitCode, 1);
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
    execute(company, {"DELETE FROM KS_SISAN WHERE REC > 9", "UPDATE ACCDEF1 SET SHOUGOU = '山田&商店' WHERE REC = 1"});
    const auto upgrade = runDriver(root.path(), {QString::fromStdString(dataRoot.string()), QStringLiteral("10"),
                                                 QString(), QStringLiteral("0")});
    ASSERT_EQ(upgrade.exitCode, 0) << upgrade.out << upgrade.err;

    std::string messages;
    EXPECT_EQ(runExport(root.path(), dataRoot, dataSet, messages), 0) << messages;
    EXPECT_EQ(testsupport::readFile(root / "out" / "連動.xml"),
              testsupport::readFile(std::filesystem::path(EXPORT_GOLDEN_DIR) / "statement-general.xml"));
}

struct CompanyKind {
    const char* name;
    int codeType;
    const char* golden; // the statement export of the code type (as the export tests pair them)
};

void PrintTo(const CompanyKind& kind, std::ostream* os) { *os << kind.name; }

class UpgradeDriverCompany : public ::testing::TestWithParam<CompanyKind> {};

// Tables of the fixture that only feed its stand-ins for the product's trial-balance procedures:
// the program never reads them, so they are not compared.
const std::set<std::string>& fixtureStandInTables()
{
    static const std::set<std::string> tables{"KESSAN_BALANCE", "LAYOUT_BALANCE"};
    return tables;
}

// The base system and company databases of an individual's data go through the upgrade driver,
// one run each with its backup; the data set's catalogue row follows. The upgraded company
// database then has the tables, columns and procedure interfaces of the 8.0.0 fixture as the
// fixture has them, apart from the objects still open, and takes the fixture's rows and serves
// the export as the fixture does.
TEST_P(UpgradeDriverCompany, TheBaseGoesFromZeroToEightInOneRun)
{
    const CompanyKind kind = GetParam();
    testsupport::TempDir root;
    const auto dataRoot = root / "root";
    const auto dataSet = dataRoot / "data" / "0001";
    const auto system = testsupport::FixtureDb::copyTo("system-base", dataRoot / "dwaccdef.fdb");
    const auto company = testsupport::FixtureDb::copyTo("company-base", dataSet / "dwacc.fdb");
    execute(company, {"UPDATE ACCDEF1 SET DATATYPE = 2, CODETYPE = " + std::to_string(kind.codeType)});

    const auto systemRun = runDriver(root.path(), {QString::fromStdString(dataRoot.string()), QStringLiteral("10"),
                                                   QString(), QStringLiteral("0")});
    ASSERT_EQ(systemRun.exitCode, 0) << systemRun.out << systemRun.err;
    // The data set's catalogue row, its folder named as the program names it (drive C: is the
    // file system's root), still at the version the list saw last.
    std::string folder = "C:" + dataSet.string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    execute(system, {"UPDATE DATALIST SET PASNAME = '" + folder + "', SHOUGOU = 'x', DATATYPE = 2, CODETYPE = " +
                         std::to_string(kind.codeType) +
                         ", VER_MAJOR = 0, VER_MINOR1 = 1, VER_MINOR2 = 0 WHERE REC = 1 AND GROUPID = 10000"});

    const auto run = runDriver(root.path(), {QString::fromStdString(dataRoot.string()),
                                             QString::fromStdString(dataSet.string()), QStringLiteral("10"),
                                             QString(), QStringLiteral("1")},
                               900000);
    const auto errLog = dataRoot / "log" / "ErrDataup.txt";
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err
                               << (std::filesystem::exists(errLog) ? testsupport::readFile(errLog) : "");
    EXPECT_EQ(run.err.find('\t'), std::string::npos) << "no box: " << run.err;
    EXPECT_TRUE(run.out.starts_with("pending 41\n0.1.1\t")) << run.out;
    std::size_t done = 0;
    for (std::size_t at = 0; (at = run.out.find("\t完了\n", at)) != std::string::npos; ++at)
        ++done;
    EXPECT_EQ(done, 41u) << run.out;
    EXPECT_NE(run.out.find("\n8.0.0\t"), std::string::npos) << run.out;
    EXPECT_EQ(query(company, "SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,8,0,0");
    EXPECT_EQ(query(system, "SELECT VER_MAJOR, VER_MINOR1, VER_MINOR2 FROM DATALIST WHERE REC = 1 AND GROUPID = 10000"),
              "8,0,0");

    // The one backup, taken before the first step, holds the base as it was; the copy kept under
    // the trade name is the same file.
    const auto backup = dataRoot / "temp" / "dataup.fbk";
    ASSERT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(testsupport::readFile(dataRoot / "documents" / "更新前データ" / "株式会社試験商事" / "dwacc.fbk"),
              testsupport::readFile(backup));
    const auto restored = root / "restored.fdb";
    QProcess gbak;
    gbak.start(QStringLiteral("gbak"), {QStringLiteral("-c"), QStringLiteral("-user"), QStringLiteral("MORABY"),
                                        QString::fromStdString(backup.string()),
                                        QString::fromStdString(restored.string())});
    ASSERT_TRUE(gbak.waitForFinished(120000));
    ASSERT_EQ(gbak.exitCode(), 0) << gbak.readAllStandardError().toStdString();
    EXPECT_EQ(query(restored, "SELECT MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "0,1,0");

    // What the program reads, against the 8.0.0 fixture: no difference.
    const auto fixture = schemaLines(testsupport::FixtureDb::copyTo("company", root / "fixture" / "dwacc.fdb"));
    ASSERT_GT(fixture.size(), 1000u);
    const std::string missing = missingFrom(schemaLines(company), fixture);
    std::string unexpected;
    for (std::size_t start = 0, end; start < missing.size(); start = end + 1) {
        end = missing.find('\n', start);
        const std::string line = missing.substr(start, end - start);
        if (!fixtureStandInTables().contains(objectOf(line)))
            unexpected += line + "\n";
    }
    EXPECT_EQ(unexpected, "") << "in the fixture, not so in the upgraded database";
    // The objects our step files add are among those compared.
    for (const char* object : {"AO_NOTE", "AO_SYUNYU", "MYNUMBER_LOG", "SP_SISANHYO_KESSAN", "SP_SISANHYO",
                               "SP_SISANHYO_BUMONGOKEI", "SP_SISANHYO_BUMONGOKEI_A4", "SP_SISANHYO_BUMONGOKEI_A3"})
        EXPECT_TRUE(std::any_of(fixture.begin(), fixture.end(),
                                [&](const std::string& line) { return objectOf(line) == object; }))
            << object;

    // The 8.0.0 fixture's settings, assets and statement rows replace the seed's; the export of
    // the kind's code type, on the hand-computed assets 1-9 as the export tests take them, is
    // that code type's golden file byte for byte.
    ASSERT_EQ(replaceRows(company, root.path(), {"30-rows.sql", "32-asset-rows.sql", "36-statement-rows.sql"}), "");
    execute(company, {"DELETE FROM KS_SISAN WHERE REC > 9",
                      "UPDATE ACCDEF1 SET SHOUGOU = '山田&商店', CODETYPE = " + std::to_string(kind.codeType)});
    std::string messages;
    EXPECT_EQ(runExport(root.path(), dataRoot, dataSet, messages), 0) << messages;
    EXPECT_EQ(testsupport::readFile(root / "out" / "連動.xml"),
              testsupport::readFile(std::filesystem::path(EXPORT_GOLDEN_DIR) / kind.golden));
}

INSTANTIATE_TEST_SUITE_P(Kinds, UpgradeDriverCompany,
                         ::testing::Values(CompanyKind{"General", 1, "statement-general.xml"},
                                           CompanyKind{"RealEstate", 2, "statement-realestate.xml"},
                                           CompanyKind{"Agriculture", 4, "statement-realestate.xml"}),
                         [](const auto& kindInfo) { return std::string(kindInfo.param.name); });

} // namespace
