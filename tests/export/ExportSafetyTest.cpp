// The export against hostile or unlucky input, end to end: an output path naming a database,
// another user's commit during the export, amounts beyond the currency range, impossible asset
// data and unusable asset texts. Each refusal gives completion code 2, names the reason and
// leaves no file (an older file stays as it was).
#include "export/ExportDriver.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <fstream>

using platform::registry::RootKey;
using testsupport::readFile;

namespace {

std::string golden(const std::string& name)
{
    return readFile(std::filesystem::path(TEST_SOURCE_DIR) / "data" / name);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class ExportSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        std::filesystem::create_directories(m_root / "ProgramData");
        std::filesystem::create_directories(m_root / "out");
        std::filesystem::create_directories(m_root / "log");
        SystemDef.LogFolder = "D:\\log";
        platform::registry::setStorePath(m_root / "registry.ini");
        const std::string key = "SOFTWARE\\QUELTO\\MORABYZAIMU08";
        platform::registry::createKey(RootKey::LocalMachine, key);
        platform::registry::writeString(RootKey::LocalMachine, key, "Product", "モラビー財務8");
        platform::registry::writeString(RootKey::LocalMachine, key, "Version", "8.0.0");

        m_request.dataRoot = m_root / "root";
        m_request.dataSet = m_root / "root/data/0001";
        m_request.outputFile = "D:\\out\\連動.xml";
        testsupport::FixtureDb::copyTo("system", m_request.dataRoot / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", m_request.dataSet / "dwacc.fdb");
        company({"DELETE FROM KS_SISAN WHERE REC > 9",
                 "UPDATE ACCDEF1 SET SHOUGOU = '山田&商店' WHERE REC = 1"});
        m_messages.answerDefaults();
    }
    void TearDown() override
    {
        platform::registry::resetStorePath();
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }

    std::filesystem::path companyDb() const { return m_request.dataSet / "dwacc.fdb"; }
    void company(std::initializer_list<std::string> statements)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(companyDb().string()));
        firebird::Transaction t(db);
        t.start();
        for (const auto& sql : statements)
            firebird::Statement(t, sql).execute();
        t.commit();
    }
    // The database opens and answers a query.
    static bool opens(const std::filesystem::path& file)
    {
        try {
            firebird::Attachment db;
            db.connect(testsupport::morabyParams(file.string()));
            firebird::Transaction t(db);
            t.start();
            firebird::Statement q(t, "SELECT COUNT(*) AS N FROM RDB$RELATIONS");
            auto c = q.open();
            const bool ok = c.fetch() && c.getInt("N") > 0;
            c.close();
            t.commit();
            return ok;
        } catch (const std::exception&) {
            return false;
        }
    }
    std::filesystem::path output() const { return m_root / "out/連動.xml"; }
    int run()
    {
        m_failure.clear();
        return testsupport::runHeadlessExport(m_request, &m_failure);
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    testsupport::ExportRequest m_request;
    std::string m_failure;
};

} // namespace

TEST_F(ExportSafety, ADatabaseIsNeverReplacedByTheLinkageFile)
{
    testsupport::FixtureDb::copyTo("company", m_root / "out/other.fdb");
    const struct {
        const char* target;              // program path form
        std::filesystem::path file;
    } cases[] = {
        {"D:\\root\\data\\0001\\dwacc.fdb", companyDb()},          // open company database
        {"D:\\root\\dwaccdef.fdb", m_request.dataRoot / "dwaccdef.fdb"}, // open system database
        {"D:\\out\\other.fdb", m_root / "out/other.fdb"},           // any Firebird database
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string before = readFile(c.file);
        m_request.outputFile = c.target;
        EXPECT_EQ(run(), 2);
        if (c.file == m_root / "out/other.fdb") {
            EXPECT_EQ(readFile(c.file), before); // not open: not a byte changed
        }
        EXPECT_NE(m_failure.find("中間ファイルの保存先にデータベースファイルは指定できません。"),
                  std::string::npos)
            << m_failure;
        // Still a database (the export itself writes to the open ones, so no byte comparison).
        EXPECT_EQ(readFile(c.file).substr(0, 1), std::string(1, '\x01'));
        EXPECT_TRUE(opens(c.file));
    }
    // An ordinary older file is replaced.
    writeFile(output(), "old linkage file");
    m_request.outputFile = "D:\\out\\連動.xml";
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(readFile(output()), golden("statement-general.xml"));
}

TEST_F(ExportSafety, AnotherUsersCommitDuringTheExportIsNotSeen)
{
    // After the first asset has been read, another user raises every cost and the trial balance.
    int calls = 0;
    m_request.assetProgress = [&](int) {
        if (++calls == 1)
            company({"UPDATE KS_SISAN SET SYUTOKIN = SYUTOKIN + 1000, MEISYOU = MEISYOU || '改'",
                     "UPDATE KESSAN_BALANCE SET KAISIZAN = KAISIZAN + 1000"});
    };
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_GT(calls, 1);
    EXPECT_EQ(readFile(output()), golden("statement-general.xml"));
}

TEST_F(ExportSafety, AnAmountBeyondTheCurrencyRangeStopsTheExportNamingTheAsset)
{
    writeFile(output(), "old linkage file");
    const struct {
        const char* sql;
        const char* named;
    } cases[] = {
        // Two small assets of 900 trillion yen: their total does not fit.
        {"UPDATE KS_SISAN SET SYUTOKIN = 900000000000000, SYOUKINKEI = 900000000000000 "
         "WHERE REC IN (7, 8)",
         "管理番号:008 資産名:電話機"},

    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        testsupport::FixtureDb::copyTo("company", companyDb());
        company({"DELETE FROM KS_SISAN WHERE REC > 9", c.sql});
        EXPECT_EQ(run(), 2);
        EXPECT_NE(m_failure.find("金額が扱える範囲を超えている"), std::string::npos) << m_failure;
        EXPECT_NE(m_failure.find(c.named), std::string::npos) << m_failure;
        EXPECT_EQ(readFile(output()), "old linkage file");
    }
}

TEST_F(ExportSafety, ImpossibleAssetDataIsRefusedNamingAssetAndField)
{
    const struct {
        const char* sql;
        int code;
        const char* field; // empty: accepted
    } cases[] = {
        {"UPDATE KS_SISAN SET GSHOUHOU = 3, TAIYOUYY = -5 WHERE REC = 2", 2, "耐用年数(TAIYOUYY) 値:-5"},
        {"UPDATE KS_SISAN SET SYOUKIKANSTR = 12, SYOUKIKANEND = 1 WHERE REC = 2", 2,
         "償却期間(SYOUKIKANSTR/SYOUKIKANEND) 値:12～1"},
        // More than a year's months: 13, and a range that would take the whole book value.
        {"UPDATE KS_SISAN SET SYOUKIKANSTR = 1, SYOUKIKANEND = 13 WHERE REC = 2", 2,
         "償却期間(SYOUKIKANSTR/SYOUKIKANEND) 値:1～13"},
        {"UPDATE KS_SISAN SET SYOUKIKANSTR = 1, SYOUKIKANEND = 2000000000 WHERE REC = 2", 2,
         "償却期間(SYOUKIKANSTR/SYOUKIKANEND) 値:1～2000000000"},
        {"UPDATE KS_SISAN SET SYOUKIKANSTR = 1, SYOUKIKANEND = 12 WHERE REC = 2", 0, ""},
        {"UPDATE KS_SISAN SET SYOUKIKANSTR = 12, SYOUKIKANEND = 12 WHERE REC = 2", 0, ""},
        {"UPDATE KS_SISAN SET JIGYOUWARIAI_NEW = -50 WHERE REC = 2", 2,
         "事業専用割合(JIGYOUWARIAI) 値:-50"},
        {"UPDATE KS_SISAN SET JIGYOUWARIAI_NEW = 100000000000000 WHERE REC = 2", 2,
         "事業専用割合(JIGYOUWARIAI)"},
        // What the rules can work with stays accepted.
        {"UPDATE KS_SISAN SET GSHOUHOU = 3, TAIYOUYY = 0 WHERE REC = 2", 0, ""},
        {"UPDATE KS_SISAN SET JIGYOUWARIAI_NEW = 0 WHERE REC = 2", 0, ""},
        {"UPDATE KS_SISAN SET JIGYOUWARIAI_NEW = 100 WHERE REC = 2", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        std::filesystem::remove(output());
        testsupport::FixtureDb::copyTo("company", companyDb());
        company({"DELETE FROM KS_SISAN WHERE REC > 9", c.sql});
        EXPECT_EQ(run(), c.code) << m_failure;
        if (c.code == 0)
            continue;
        EXPECT_NE(m_failure.find("資産のデータに誤りがある"), std::string::npos) << m_failure;
        EXPECT_NE(m_failure.find(std::string("管理番号:002 資産名:複合機 項目:") + c.field),
                  std::string::npos)
            << m_failure;
        EXPECT_FALSE(std::filesystem::exists(output()));
    }
}

TEST_F(ExportSafety, UnusableAssetTextIsRefusedNamingAssetAndField)
{
    const struct {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"UPDATE KS_SISAN SET TEKIYO = '前' || ASCII_CHAR(0) || '後' WHERE REC = 2",
         "管理番号:002 資産名:複合機 項目:摘要(TEKIYO) 制御文字 0x00"},
        {"UPDATE KS_SISAN SET MEISYOU = 'ab' || ASCII_CHAR(0) || 'cd' WHERE REC = 4",
         "管理番号:004 資産名: 項目:資産名(MEISYOU) 制御文字 0x00"},
        {"UPDATE KS_SISAN SET TEKIYO = CAST(x'82A0FF' AS VARCHAR(10) CHARACTER SET OCTETS) "
         "WHERE REC = 5",
         "管理番号:005 資産名:レジスター 項目:摘要(TEKIYO)"},
        // The management number is text, not always a number.
        {"UPDATE KS_SISAN SET KANRI = 'A-2', TEKIYO = ASCII_CHAR(0) WHERE REC = 2",
         "管理番号:A-2 資産名:複合機 項目:摘要(TEKIYO) 制御文字 0x00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        testsupport::FixtureDb::copyTo("company", companyDb());
        company({"DELETE FROM KS_SISAN WHERE REC > 9", c.sql});
        EXPECT_EQ(run(), 2);
        EXPECT_NE(m_failure.find(c.expected), std::string::npos) << m_failure;
        EXPECT_FALSE(std::filesystem::exists(output()));
    }
}

// The same refusals through the driver program: exit status, message on the error stream, the
// older file as it was, the database still usable.
TEST_F(ExportSafety, TheDriverProgramRefusesEachHostileCase)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
               QString::fromStdString((m_root / "ProgramData").string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
               QString::fromStdString((m_root / "run").string()));
    std::filesystem::create_directories(m_root / "run");
    auto runDriver = [&](const std::filesystem::path& target, std::string& errors) {
        QProcess driver;
        driver.setProcessEnvironment(env);
        driver.start(QStringLiteral(EXPORT_DRIVER_PATH),
                     {QString::fromStdString(m_request.dataRoot.string()),
                      QString::fromStdString(m_request.dataSet.string()), QStringLiteral("11"),
                      QStringLiteral("pass"), QStringLiteral("2"),
                      QString::fromStdString(target.string()),
                      QString::fromStdString((m_root / "registry.ini").string())});
        EXPECT_TRUE(driver.waitForFinished(120000));
        errors = driver.readAllStandardError().toStdString();
        return driver.exitStatus() == QProcess::NormalExit ? driver.exitCode() : -1;
    };
    std::string errors;

    // 1: the company database as output.
    EXPECT_EQ(runDriver(companyDb(), errors), 2);
    EXPECT_NE(errors.find("データベースファイルは指定できません"), std::string::npos) << errors;
    EXPECT_EQ(readFile(companyDb()).substr(0, 1), std::string(1, '\x01'));
    EXPECT_TRUE(opens(companyDb()));

    // 3, 4, 5: an older file stays as it was.
    const struct {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"UPDATE KS_SISAN SET SYUTOKIN = 900000000000000, SYOUKINKEI = 900000000000000 "
         "WHERE REC IN (7, 8)",
         "管理番号:008 資産名:電話機"},
        {"UPDATE KS_SISAN SET JIGYOUWARIAI_NEW = -50 WHERE REC = 2", "事業専用割合"},
        {"UPDATE KS_SISAN SET TEKIYO = '前' || ASCII_CHAR(0) || '後' WHERE REC = 2", "制御文字 0x00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        testsupport::FixtureDb::copyTo("company", companyDb());
        company({"DELETE FROM KS_SISAN WHERE REC > 9", c.sql});
        writeFile(output(), "old linkage file");
        EXPECT_EQ(runDriver(output(), errors), 2);
        EXPECT_NE(errors.find(c.expected), std::string::npos) << errors;
        EXPECT_EQ(readFile(output()), "old linkage file");
        EXPECT_TRUE(opens(companyDb()));
    }
}
