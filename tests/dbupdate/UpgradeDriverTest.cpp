// The headless upgrade driver brings the base system and company databases up to date end to
// end; the upgraded databases are compared with the 8.0.0 fixtures, and the system one serves
// the export.
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
                             "parameter SP_DATALIST_INSERT.in  1 PATHTEXT|37 508 254 0 5",
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
};

void PrintTo(const CompanyKind& kind, std::ostream* os) { *os << kind.name; }

class UpgradeDriverCompany : public ::testing::TestWithParam<CompanyKind> {};

// The objects of the 8.0.0 company fixture that the upgraded database does not yet have as the
// fixture has them. Some come from the product's own conversions that our step files do not
// add yet (the past-year tables, the balance layouts, the operator tables, the trial balances
// of the sheet forms); for the others the fixture does not yet take the steps' definitions
// (types, lengths, character sets, defaults, procedure interfaces). Each is open work: take one
// off the list when the two agree.
const std::set<std::string>& objectsStillOpen()
{
    static const std::set<std::string> objects{
        // The fixture's types, lengths, character sets and defaults, not yet the steps' own.
        "BUMONMST",
        "GROUPLIST",
        "KAMOKU_TAX",
        "SISETUGROUPLIST",
        "SIWAKE",
        // Tables and columns the program reads that no step creates yet (and some of the above).
        "ACCDEF1",
        "EXTERA3",
        "EXTERA4",
        "EXTERKS",
        "KAKOSIWAKE1",
        "KAKOSIWAKE2",
        "KAKOZAN",
        "KAMOKUMST",
        "KAMOKU_MS",
        "KAMOKU_SZ",
        "MSD_HOUKOKU",
        "OPDEFSISETU",
        "OPINF_DELETE",
        "OPINF_LOG",
        "OPLICENSE",
        "SISETUGROUP",
        "SISETUMST",
        // The trial balances of the sheet forms and their stand-in rows.
        "KESSAN_BALANCE",
        "LAYOUT_BALANCE",
        "SP_SISANHYO",
        "SP_SISANHYO_A3",
        "SP_SISANHYO_A4",
        "SP_SISANHYO_BUMON",
        "SP_SISANHYO_BUMONGOKEI",
        "SP_SISANHYO_BUMONGOKEI_A3",
        "SP_SISANHYO_BUMONGOKEI_A4",
        "SP_SISANHYO_BUMON_A3",
        "SP_SISANHYO_BUMON_A4",
    };
    return objects;
}

// The base system and company databases of an individual's data go through the upgrade driver,
// one run each with its backup; the data set's catalogue row follows. The upgraded company
// database then has the tables, columns and procedure interfaces of the 8.0.0 fixture as the
// fixture has them, apart from the objects still open.
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

    // What the program reads, against the 8.0.0 fixture: no difference outside the open objects,
    // and each open object still differs (else it comes off the list).
    const auto fixture = schemaLines(testsupport::FixtureDb::copyTo("company", root / "fixture" / "dwacc.fdb"));
    ASSERT_GT(fixture.size(), 1000u);
    const std::string missing = missingFrom(schemaLines(company), fixture);
    std::string unexpected;
    std::set<std::string> differing;
    for (std::size_t start = 0, end; start < missing.size(); start = end + 1) {
        end = missing.find('\n', start);
        const std::string line = missing.substr(start, end - start);
        differing.insert(objectOf(line));
        if (!objectsStillOpen().contains(objectOf(line)))
            unexpected += line + "\n";
    }
    EXPECT_EQ(unexpected, "") << "in the fixture, not so in the upgraded database";
    for (const auto& object : objectsStillOpen())
        EXPECT_TRUE(differing.contains(object)) << object << " agrees now: take it off the open list";
    // The objects our step files add are among those compared.
    for (const char* object : {"AO_NOTE", "AO_SYUNYU", "MYNUMBER_LOG", "SP_SISANHYO_KESSAN"})
        EXPECT_TRUE(std::any_of(fixture.begin(), fixture.end(),
                                [&](const std::string& line) { return objectOf(line) == object; }))
            << object;
}

INSTANTIATE_TEST_SUITE_P(Kinds, UpgradeDriverCompany,
                         ::testing::Values(CompanyKind{"General", 1}, CompanyKind{"RealEstate", 2},
                                           CompanyKind{"Agriculture", 4}),
                         [](const auto& kindInfo) { return std::string(kindInfo.param.name); });

} // namespace
