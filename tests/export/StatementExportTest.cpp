// The export end to end: a fixture company in, the linkage file out, through the headless driver.
// The golden files in data/ are the hand-built document of the fixture's assets (the figures of
// each asset are worked out in AssetTableFixture.cpp and tests/fixtures/company/32-asset-rows.sql):
//   statement-general.xml             assets 1-6 and the small-asset row (7: 150,000 + 505)
//   statement-realestate.xml          the same: every statement describes asset 6 (200%
//                                     declining balance) alike
//   statement-general-overflow.xml    11 assets (asset 2 copied five times) and the small-asset
//                                     row once: the statement's own summary row is not exported
//   statement-realestate-overflow.xml 12 assets (asset 2 copied six times) and the small-asset row
#include "export/ExportDriver.h"

#include "export/XmlSaveDocument.h"
#include "export/AssetLinkageFile.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>

#include <filesystem>

using platform::registry::RootKey;
using testsupport::readFile;

namespace {

std::string golden(const std::string& name)
{
    return readFile(std::filesystem::path(TEST_SOURCE_DIR) / "data" / name);
}

class StatementExport : public ::testing::Test {
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
        // The hand-computed assets 1-9 only, for 山田&商店.
        company({"DELETE FROM KS_SISAN WHERE REC > 9",
                 "UPDATE ACCDEF1 SET SHOUGOU = '山田&商店' WHERE REC = 1"});
    }
    void TearDown() override
    {
        platform::registry::resetStorePath();
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }

    void company(std::initializer_list<std::string> statements)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_request.dataSet / "dwacc.fdb").string()));
        firebird::Transaction t(db);
        t.start();
        for (const auto& sql : statements)
            firebird::Statement(t, sql).execute();
        t.commit();
    }
    // count copies of asset 2 (straight-line, 50 % business use) named 複合機<from>,
    // 複合機<from + 1>, ... with records and management numbers 100 + their number, which
    // follow the fixture's "001" to "009" in text order too.
    void copyAsset2(int from, int count)
    {
        for (int n = from; n < from + count; ++n) {
            const std::string k = std::to_string(100 + n);
            company({"INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, "
                     "SYUTOKIN, KISYUMISYOUKIN, TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, "
                     "JIGYOUWARIAI_NEW, SYOUKINKEI, MATUMISYOUKIN, TEKIYO) "
                     "SELECT " + k + ", '" + k + "', '複合機" + std::to_string(n) + "', SURYO, "
                     "GSHOUHOU, SYUTODATE, SYUTOKIN, KISYUMISYOUKIN, TAIYOUYY, SYOUKIKANSTR, "
                     "SYOUKIKANEND, JIGYOUWARIAI_NEW, SYOUKINKEI, MATUMISYOUKIN, TEKIYO "
                     "FROM KS_SISAN WHERE REC = 2"});
        }
    }
    std::filesystem::path output() const { return m_root / "out/連動.xml"; }
    int run()
    {
        m_failure.clear();
        return testsupport::runHeadlessExport(m_request, &m_failure);
    }
    std::string outputText() const { return platform::text::fromCp932(readFile(output())); }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    testsupport::ExportRequest m_request;
    std::string m_failure;
};

} // namespace

TEST_F(StatementExport, EachStatementKindGivesItsGoldenFile)
{
    const struct {
        int codeType;
        int copies;
        const char* golden;
    } cases[] = {
        {1, 0, "statement-general.xml"},
        {3, 0, "statement-general.xml"},
        {2, 0, "statement-realestate.xml"},
        {4, 0, "statement-realestate.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codeType);
        company({"UPDATE ACCDEF1 SET CODETYPE = " + std::to_string(c.codeType)});
        ASSERT_EQ(run(), 0) << m_failure;
        EXPECT_EQ(readFile(output()), golden(c.golden));
        std::filesystem::remove(output());
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(StatementExport, OverflowingAssetTablesExportEveryAssetAndOneSmallAssetRow)
{
    copyAsset2(1, 5);
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(readFile(output()), golden("statement-general-overflow.xml"));

    // Real estate: 11 assets and the small-asset row still fit its 12 rows.
    company({"UPDATE ACCDEF1 SET CODETYPE = 2"});
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(outputText().find("措法28の2"), outputText().rfind("措法28の2"));
    copyAsset2(6, 1);
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(readFile(output()), golden("statement-realestate-overflow.xml"));
}

TEST_F(StatementExport, RoundingModeAndMethodTextVariants)
{
    // Mode 2: the adjusted depreciation 52,428.8 and the small-asset term 505.505 round up.
    company({"UPDATE ACCDEF1 SET SDAI_HASUU1 = 2"});
    ASSERT_EQ(run(), 0) << m_failure;
    const std::string up = outputText();
    EXPECT_NE(up.find("<HASUU_SYOUKYAKU>2</HASUU_SYOUKYAKU>"), std::string::npos);
    EXPECT_NE(up.find("<CHOUSEIMAESYOUKYAKUGAKU>52429</CHOUSEIMAESYOUKYAKUGAKU>"), std::string::npos);
    EXPECT_NE(up.find("<SYUTOKUKINGAKU>150506</SYUTOKUKINGAKU>"), std::string::npos);

    // Both transitional flags: the 200% texts win.
    company({"UPDATE ACCDEF1 SET SDAI_HASUU1 = 0", "UPDATE KS_SISAN SET TEIRITU250 = 1 WHERE REC = 6"});
    ASSERT_EQ(run(), 0) << m_failure;
    const std::string both = outputText();
    EXPECT_NE(both.find("<SYOUKYAKUHOUHOU>6</SYOUKYAKUHOUHOU><SYOUKYAKUMEI>定率</SYOUKYAKUMEI>"
                        "<KEIKASOTI/>"),
              std::string::npos);

    // Details kept elsewhere: such a method-5 row is not exported (here a small asset).
    company({"UPDATE KS_SISAN SET TEIRITU250 = 0 WHERE REC = 6",
             "UPDATE KS_SISAN SET MEISYOU = '(明細は別途保管)' WHERE REC = 7"});
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(outputText().find("(明細は別途保管)"), std::string::npos);
}

TEST_F(StatementExport, AnAssetWithoutAcquisitionDateStopsTheExport)
{
    company({"UPDATE KS_SISAN SET SYUTODATE = NULL WHERE REC = 3"});
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(m_failure, "取得年月が設定されていません。 / 資産名:ノートPC / 4");
    EXPECT_FALSE(std::filesystem::exists(output()));
}

TEST_F(StatementExport, OtherCodeSystemsWriteAnEmptyDataPart)
{
    // The data module refuses to open such a company; the export object alone writes no asset.
    TSyotokuzeiGenkaDataExport exporter(2, "D:\\out\\x.xml");
    exporter.codeSystem = 5;
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    exporter.SetSystemNode(doc);
    exporter.SetBasicNode(doc);
    exporter.SetDataNode(doc);
    EXPECT_NE(doc.saveToBytes().find("<DATA/></REPORT>"), std::string::npos);
}

TEST_F(StatementExport, FailuresGiveCompletionCode2AndNoFile)
{
    m_messages.answerDefaults();
    company({"DROP TABLE KS_SISAN"});
    EXPECT_EQ(run(), 2);
    EXPECT_NE(m_failure.find("青色申告決算書レコードの取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output()));

    testsupport::FixtureDb::copyTo("company", m_request.dataSet / "dwacc.fdb");
    company({"DROP PROCEDURE SP_SISANHYO_KESSAN"});
    EXPECT_EQ(run(), 2);
    EXPECT_FALSE(std::filesystem::exists(output()));

    testsupport::FixtureDb::copyTo("company", m_request.dataSet / "dwacc.fdb");
    m_request.opCode = 11;
    m_request.password = "wrong";
    EXPECT_EQ(run(), 2);
    EXPECT_FALSE(std::filesystem::exists(output()));
    m_request.password = "pass";
    EXPECT_EQ(run(), 0) << m_failure;
}

TEST_F(StatementExport, SignInReadsTheOperatorSettingsAndAFailedReadEndsWithCode2)
{
    auto systemRows = [&](const std::string& sql) {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_request.dataRoot / "dwaccdef.fdb").string()));
        firebird::Transaction t(db);
        t.start();
        firebird::Statement q(t, sql);
        auto c = q.open();
        int n = 0;
        while (c.fetch())
            ++n;
        c.close();
        t.commit();
        return n;
    };
    m_request.opCode = 11;
    m_request.password = "pass";
    ASSERT_EQ(run(), 0) << m_failure;
    EXPECT_EQ(systemRows("SELECT OPCODE FROM SYSDEF WHERE OPCODE = 100000011"), 1);
    EXPECT_EQ(SystemDef.LoginId, 100000011);

    std::filesystem::remove(output());
    m_messages.answerDefaults();
    m_messages.clear();
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_request.dataRoot / "dwaccdef.fdb").string()));
        firebird::Transaction t(db);
        t.start();
        firebird::Statement(t, "DROP TABLE SYSDEF").execute();
        t.commit();
    }
    EXPECT_EQ(run(), 2);
    EXPECT_FALSE(std::filesystem::exists(output()));
    const auto texts = m_messages.texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.find("システム情報の取得に失敗しました。") != std::string::npos;
    }));
    // The sign-in row is gone again.
    EXPECT_EQ(systemRows("SELECT OPCODE FROM LOGONUSERLIST WHERE OPCODE = 100000011"), 0);
}

TEST_F(StatementExport, TheDriverProgramsExitStatusIsTheCompletionCode)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromUtf8(platform::kCommonAppDataVariable),
               QString::fromStdString((m_root / "ProgramData").string()));
    env.insert(QString::fromUtf8(platform::kRuntimeFolderVariable),
               QString::fromStdString((m_root / "run").string()));
    std::filesystem::create_directories(m_root / "run");
    auto runDriver = [&](const std::string& password) {
        QProcess driver;
        driver.setProcessEnvironment(env);
        driver.start(QStringLiteral(EXPORT_DRIVER_PATH),
                     {QString::fromStdString(m_request.dataRoot.string()),
                      QString::fromStdString(m_request.dataSet.string()), QStringLiteral("11"),
                      QString::fromStdString(password), QStringLiteral("2"),
                      QString::fromStdString(output().string()),
                      QString::fromStdString((m_root / "registry.ini").string())});
        EXPECT_TRUE(driver.waitForFinished(120000));
        return driver.exitStatus() == QProcess::NormalExit ? driver.exitCode() : -1;
    };
    EXPECT_EQ(runDriver("wrong"), 2);
    EXPECT_FALSE(std::filesystem::exists(output()));
    EXPECT_EQ(runDriver("pass"), 0);
    EXPECT_EQ(readFile(output()), golden("statement-general.xml"));
}
