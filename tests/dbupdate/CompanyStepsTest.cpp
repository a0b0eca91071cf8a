// The company steps 0.1.1 to 2.0.4: their registration, the scripts' guards and data-kind
// choices, and a run of all of them with the SQL tool over a company database at 0.1.0.
#include "dbupdate/CompanyDbSteps.h"
#include "dbupdate/DbUpdateBox.h"
#include "dbupdate/DbUpdateCheck.h"

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/Sql.h"
#include "support/TempDir.h"
#include "ui/KeyCheckBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using dbupdate::DbVersion;

namespace {

class CompanyStepsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        for (const char* folder : {"log", "tmp", "exe", "data", "temp", "docs"})
            fs::create_directories(m_root / folder);
        SystemDef.SysDir = "D:\\sys";
        SystemDef.DataDir = "D:\\data";
        SystemDef.ExeFolder = "D:\\exe";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.TempFolder = "D:\\temp";
        SystemDef.DocumentFolder = "D:\\docs";
        DataBackupFile = "dwacc.fbk";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        DataFile = "dwacc.fdb";
        ConnectMode = 0;
        AccInf.DATATYPE = 1;
        AccInf.CODETYPE = 1;
        m_dm = std::make_unique<TDM>();
        testsupport::FixtureDb::copyTo("company-base", database());
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    fs::path database() const { return m_root / "data" / "dwacc.fdb"; }

    // The dialog reconnects the program after its run, which reads the system database too.
    void useSystemDatabase()
    {
        fs::create_directories(m_root / "sys");
        testsupport::FixtureDb::copyTo("system", m_root / "sys" / "dwaccdef.fdb");
        DataDefFile = "dwaccdef.fdb";
    }

    // The script's lines after the CONNECT line, as UTF-8, the version record's date masked.
    static std::vector<std::string> body(const DbVersion& v)
    {
        const std::string bytes = dbupdate::companyStepScript(v).bytes();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(bytes.substr(start, at - start));
        EXPECT_GE(lines.size(), 3u);
        EXPECT_TRUE(lines[2].starts_with("CONNECT '")) << lines[2];
        std::vector<std::string> out;
        for (std::size_t i = 3; i < lines.size(); ++i)
            out.push_back(std::regex_replace(platform::text::fromCp932(lines[i]),
                                             std::regex(R"('\d{4}/\d\d/\d\d \d\d:\d\d:\d\d')"), "'<now>'"));
        return out;
    }

    static std::vector<std::string> versionOnly(const DbVersion& v)
    {
        return {"UPDATE ACCVERSION SET MAJOR=" + std::to_string(v.Major) + ",MINOR1=" + std::to_string(v.Minor1) +
                    ",MINOR2=" + std::to_string(v.Minor2) + ",MEMO='<now>'",
                "WHERE REC=1;", "COMMIT;", "EXIT;"};
    }

    static long countLines(const std::vector<std::string>& lines, const std::string& part)
    {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

    // Rows joined by "|", fields by ",".
    std::string query(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database().string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        std::string out;
        if (st.isSelect()) {
            auto c = st.open();
            while (c.fetch()) {
                if (!out.empty())
                    out += "|";
                for (int i = 0; i < c.fieldCount(); ++i)
                    out += (i ? "," : "") + (c.isNull(i) ? std::string("<null>") : c.getString(i));
            }
        } else {
            st.execute();
        }
        tr.commit();
        return out;
    }

    // The lines of the SQL test's schema probe (tests/dbupdate/schema-probe.sql), "<key>|<detail>".
    std::set<std::string> probe()
    {
        static const std::string sql = [] {
            std::string text = testsupport::readFile(fs::path(TEST_SOURCE_DIR) / "schema-probe.sql");
            return text.erase(text.find_last_of(';'));
        }();
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database().string()));
        const auto lines = testsupport::rows(db, sql);
        return {lines.begin(), lines.end()};
    }

    // The probe with the ids of tables, views and procedures left out, a line each: a restore may
    // number them anew.
    std::string probeWithoutIds()
    {
        static const std::regex id(R"(^((?:table|view|procedure) [A-Z0-9_$]+\|)\d+)");
        std::string out;
        for (const auto& line : probe())
            out += std::regex_replace(line, id, "$1#") + "\n";
        return out;
    }

    void execute(const std::string& sql) { query(sql); }

    // Every pending step up to and including LAST, in version order, each run as the driver runs
    // it; the first one that does not return 1 fails the test. AFTER_STEP, when given, looks at
    // the database after each step.
    void upgradeTo(const DbVersion& last, const std::function<void(const DbVersion&)>& afterStep = {})
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database().string()));
        dbupdate::DbUpdateCheck check("モラビー財務", false);
        check.setDatabases(nullptr, &db);
        check.InitUpdateList(1, "");
        db.disconnect();
        ASSERT_TRUE(check.UpdatePending);
        const auto& steps = check.activeSteps();
        for (int i = check.FirstPending; i <= check.LastPending && steps[std::size_t(i)].version() <= last; ++i) {
            const auto& step = steps[std::size_t(i)];
            ASSERT_EQ(step.UpdateFunc(), 1) << dbupdate::versionText(step.version()) << " "
                                            << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
            ASSERT_EQ(query("SELECT MAJOR || '.' || MINOR1 || '.' || MINOR2 FROM ACCVERSION"),
                      dbupdate::versionText(step.version()));
            if (afterStep)
                afterStep(step.version());
        }
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(CompanyStepsTest, RegisteredWithRoutinesTitlesAndBackupFlags)
{
    const auto steps = dbupdate::companyUpdateSteps("モラビー財務", false);
    std::string routines, backups;
    for (const auto& s : steps) {
        if (s.version() > DbVersion{1, 0, 1})
            break;
        routines += s.UpdateFunc ? "1" : "0";
        backups += std::to_string(s.NeedBackup);
        EXPECT_FALSE(s.Description.empty()) << dbupdate::versionText(s.version());
    }
    EXPECT_EQ(routines, "11111111111111111");
    EXPECT_EQ(backups, "11111011010110111");
    EXPECT_EQ(steps[6].Title, "過年度残高の修復 ");
    EXPECT_EQ(steps[0].Description,
              "1)減価償却処理用のテーブルを作成します。\r2)３期比較経営分析用のプロシジャーを作成します。");
}

TEST_F(CompanyStepsTest, GuardsAndDataKindsShapeTheScripts)
{
    // The base lacks the guarded columns: both ACCDEF1 blocks, SDAI_HASUU3 first.
    auto lines = body({0, 1, 1});
    const auto sdai = std::find(lines.begin(), lines.end(), "ADD SDAI_HASUU3 INTEGER DEFAULT 0;");
    const auto kessan = std::find(lines.begin(), lines.end(), "ADD KESSAN_KIKAN INTEGER DEFAULT -1,");
    ASSERT_NE(sdai, lines.end());
    ASSERT_NE(kessan, lines.end());
    EXPECT_LT(sdai, kessan);
    EXPECT_EQ(countLines(lines, "INSERT INTO KS_SETSWK_INIT"), 70);
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());

    // Columns present: no ALTER of ACCDEF1 in 0.1.1, 0.1.3 or 0.1.4.
    execute("ALTER TABLE ACCDEF1 ADD SDAI_HASUU3 INTEGER, ADD KESSAN_KIKAN INTEGER");
    for (const DbVersion v : {DbVersion{0, 1, 1}, DbVersion{0, 1, 3}, DbVersion{0, 1, 4}})
        EXPECT_EQ(countLines(body(v), "ALTER TABLE ACCDEF1"), 0) << dbupdate::versionText(v);

    // Steps that write the version only.
    for (const DbVersion v : {DbVersion{0, 2, 0}, DbVersion{0, 3, 0}, DbVersion{0, 3, 2}, DbVersion{0, 4, 0}})
        EXPECT_EQ(body(v), versionOnly(v));
    EXPECT_GT(body({0, 2, 2}).size(), 1000u);
    execute("ALTER TABLE KAMOKUMST ADD GROUPM0 AC_CODE");
    EXPECT_EQ(body({0, 2, 2}), versionOnly({0, 2, 2}));

    // 0.3.3's account list and 0.4.1's accounts by data kind.
    struct Kind {
        int dataType, codeType;
        long updates;
        const char* telling; // the 4101 line, when there is a list
    };
    for (const Kind k : {Kind{1, 1, 250, "KKANA='uriag'"}, Kind{2, 1, 222, "KKANA='uriag'"},
                         Kind{3, 1, 222, "KKANA='uriag'"}, Kind{2, 2, 162, "KKANA='chint'"},
                         Kind{2, 4, 0, nullptr}}) {
        AccInf.DATATYPE = k.dataType;
        AccInf.CODETYPE = k.codeType;
        const auto script = body({0, 3, 3});
        EXPECT_EQ(countLines(script, "UPDATE KAMOKUMST SET KKANA="), k.updates) << k.dataType << k.codeType;
        if (k.telling) {
            EXPECT_EQ(countLines(script, std::string(k.telling) + ",Veltorin_BadRate=0.95,Veltorin_BadKind=0,"
                                          "Veltorin_GoodRate=1.05,Veltorin_GoodKind=1 WHERE KCODE='4101';"), 1);
            EXPECT_EQ(countLines(script, "KKANA='genki'"), 1);
        }
        EXPECT_EQ(countLines(body({0, 4, 1}), k.dataType == 1 ? "'6206'" : "'6109'"), 1);
    }
    EXPECT_THROW(dbupdate::companyStepScript({1, 0, 2}), std::invalid_argument);
    EXPECT_THROW(dbupdate::companyStep1to2Script({1, 0, 4}), std::invalid_argument);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyStepsTest, AllStepsBringTheBaseTo101)
{
    // The version kept under another number: the first step makes it the single row 1.
    execute("UPDATE ACCVERSION SET REC = 7");
    AccInf.DATATYPE = 2;
    AccInf.CODETYPE = 2;
    execute("UPDATE ACCDEF1 SET DATATYPE = 2, CODETYPE = 2");

    dbupdate::DbUpdateCheck check("モラビー財務", false);
    check.InitUpdateList(1, "0.1.0");
    ASSERT_TRUE(check.UpdatePending);
    const auto& steps = check.activeSteps();
    ASSERT_EQ(dbupdate::versionText(steps[std::size_t(check.FirstPending)].version()), "0.1.1");
    for (int i = check.FirstPending; steps[std::size_t(i)].version() <= DbVersion{2, 0, 4}; ++i) {
        const auto& step = steps[std::size_t(i)];
        ASSERT_EQ(step.UpdateFunc(), 1) << dbupdate::versionText(step.version()) << " "
                                        << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
        if (step.version() == DbVersion{0, 1, 1}) {
            EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,0,1,1");
        }
    }
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,2,0,4");

    // What each step must leave behind, on the individual real-estate data (list C).
    EXPECT_EQ(query("SELECT COUNT(*), MIN(REC), MAX(REC) FROM KS_SETSWK_INIT"), "70,1,70");
    EXPECT_EQ(query("SELECT BAISONKCODE, JYOSONKCODE, BAIEKIKCODE FROM KS_SETSWK_INIT WHERE KCODE = '1401' "
                    "ORDER BY ACCGROUP"),
              "8201,8202,8101|1608,1608,2205");
    EXPECT_EQ(query("SELECT TITLE FROM KANSA"), "監査報告書");
    EXPECT_EQ(query("SELECT CM_KIND, COUNT(*) FROM CASHFMST GROUP BY CM_KIND ORDER BY CM_KIND DESC"), "1,59|0,43");
    EXPECT_EQ(query("SELECT COUNT(*) FROM CASHFMKU"), "502");
    EXPECT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST WHERE GROUPM0 IS DISTINCT FROM GROUPM1"), "0");
    EXPECT_EQ(query("SELECT REC FROM AO_RISI ORDER BY REC"), "1|2");
    EXPECT_EQ(query("SELECT KKANA, VELTORIN_BADRATE FROM KAMOKUMST WHERE KCODE IN ('1101', '4101') ORDER BY KCODE"),
              "genki,0.95|chint,0.95");
    EXPECT_EQ(query("SELECT MEISHOU FROM VELTORIN_HIKAKU WHERE REC = 31"), "一人当たり人件費");
    EXPECT_EQ(query("SELECT GROUPA1, GROUPA2, GROUPB1, GROUPB2 FROM VELTORIN_HIKAKU WHERE REC IN (28, 29)"),
              "5100,5300,5510,5530|5100,5300,5510,5530");
    EXPECT_EQ(query("SELECT MOT_KCODE FROM KANSA_ITEM WHERE REC = 10"), "6109");
    EXPECT_EQ(query("SELECT '[' || CODE || ']' FROM SYSKMKCODEINF('no such')"), "[]");
    EXPECT_EQ(query("SELECT COUNT(*) FROM OPINF"), "0");
    // 1.0.2 .. 2.0.4 on this data: the past-year balance of the year start, list C of the total
    // names, the individual depreciation settings, the new tables.
    EXPECT_EQ(query("SELECT CAST(NUKIZAN AS INTEGER) FROM KAMOKU_PZ WHERE SCODE = '01' AND KCODE = '1401' AND HCODE = ' ' "
                    "AND BCODE = ' ' AND MNUM = 0"),
              "300000");
    EXPECT_EQ(query("SELECT COUNT(*), MAX(PLUSNAME) FROM ACCTOTALNAME WHERE REC = 24"), "1,青申特別控除前所得");
    EXPECT_EQ(query("SELECT COUNT(*) FROM ACCTOTALNAME"), "24");
    EXPECT_EQ(query("SELECT COUNT(*) FROM KS_SETSWK_INIT WHERE ACCGROUP = 2 AND (GSKEIJYO <> 0 OR SYOKYAKU1_KCODE = '6204')"),
              "0");
    EXPECT_EQ(query("SELECT REC, HOLDER, PASWORD FROM TUSIN_ID"), "1,,");
    EXPECT_EQ(query("SELECT COUNT(*) FROM VELTORIN_YOJITUHENDOU"), "5");

    // Nothing more of these steps pending; 3.0.0 is next.
    firebird::Attachment db;
    db.connect(testsupport::morabyParams(database().string()));
    check.setDatabases(nullptr, &db);
    check.InitUpdateList(1, "");
    ASSERT_TRUE(check.UpdatePending);
    EXPECT_EQ(dbupdate::versionText(steps[std::size_t(check.FirstPending)].version()), "3.0.0");
    db.disconnect();

    // 0.3.3 cannot run twice: its columns exist.
    m_messages.answerDefaults();
    EXPECT_EQ(dbupdate::ExecCompanyStep({0, 3, 3}), 16);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text, "Ver 0.3.3のデータベース更新に失敗しました。");
}

TEST_F(CompanyStepsTest, AFailedFirstStepThroughTheDialogRestoresTheBackup)
{
    execute("DROP PROCEDURE SP_KS_SISAN_MUJUN");
    const std::string before = probeWithoutIds();
    ASSERT_NE(before.find("\ntable ACCVERSION|#\n"), std::string::npos);

    useSystemDatabase();
    ASSERT_TRUE(m_dm->fnAccDatConnected("", SystemDef.DataDir, 0));
    dbupdate::TDbUpdateBox box;
    auto steps = dbupdate::companyUpdateSteps("モラビー財務", false);
    steps.resize(17); // the steps built here: 0.1.1 .. 1.0.1
    box.Check.setSteps(1, steps);
    box.InitUpdateList(1, "0.1.0");
    ASSERT_EQ(box.Check.BackupCount, 13);
    box.cboxAgree->setChecked(true);
    m_messages.answer(platform::IDOK); // the runner's box
    m_messages.answer(platform::IDOK); // the mode's failure box
    // The program's reconnection after the run reads the restored 0.1.0 settings without a box.
    box.btnOk->Click();
    const auto texts = m_messages.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Ver 0.1.1のデータベース更新に失敗しました。");
    EXPECT_EQ(texts[1], "会計データの更新に失敗しました。");
    EXPECT_FALSE(box.Check.Done);
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("失敗"));
    EXPECT_TRUE(fs::exists(m_root / "docs" / "更新前データ" / "商号不明" / "dwacc.fbk"));
    m_dm->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
    // The drops that went in before the failing one are undone.
    EXPECT_EQ(probeWithoutIds(), before);
    EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,0,1,0");
}

TEST_F(CompanyStepsTest, VersionOnlyStepsTakeNoBackup)
{
    decltype(dbupdate::companyUpdateSteps("", false)) steps;
    for (const auto& s : dbupdate::companyUpdateSteps("モラビー財務", false))
        for (const DbVersion v : {DbVersion{0, 2, 0}, DbVersion{0, 3, 0}, DbVersion{0, 3, 2}, DbVersion{0, 4, 0}})
            if (s.version() == v)
                steps.push_back(s);
    ASSERT_EQ(steps.size(), 4u);
    execute("UPDATE ACCVERSION SET MINOR2 = 5");

    dbupdate::TDbUpdateBox box;
    box.Check.setSteps(1, steps);
    box.InitUpdateList(1, "0.1.5");
    ASSERT_EQ(box.Check.BackupCount, 0);
    EXPECT_EQ(box.ExecuteUpdates(), 1);
    EXPECT_TRUE(box.Check.Done);
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,0,4,0");
    EXPECT_FALSE(fs::exists(m_root / "temp" / "dataup.fbk"));
    EXPECT_FALSE(fs::exists(m_root / "docs" / "更新前データ"));
}

TEST_F(CompanyStepsTest, Steps102To204AreRegisteredWithRoutines)
{
    std::string got;
    for (const auto& s : dbupdate::companyUpdateSteps("モラビー財務", false))
        if (s.version() > DbVersion{1, 0, 1} && s.version() <= DbVersion{2, 0, 4})
            got += dbupdate::versionText(s.version()) + (s.UpdateFunc ? "+" : "-") + std::to_string(s.NeedBackup) + " ";
    EXPECT_EQ(got, "1.0.2+1 1.0.3+1 1.0.5+1 2.0.0+1 2.0.4+1 ");
}

// The past-year balances: period 0 from the opening balance when the data starts with the year
// (balance-sheet accounts only; an individual's owner accounts keep theirs), otherwise the period
// before the start month for every account.
TEST_F(CompanyStepsTest, RepairKanendoZanWritesThePeriodOfTheCarriedBalance)
{
    execute("UPDATE KAMOKU_SZ SET KAISIZAN = 777 WHERE KCODE = '4101' AND BCODE = ' '");
    execute("UPDATE KAMOKU_SZ SET KAISIZAN = 5000 WHERE KCODE IN ('1608', '2205', '3501') AND BCODE = ' '");
    const std::string original = testsupport::readFile(database()); // bytes of the prepared copy
    struct Case {
        int dataType;
        bool fromYearStart;
        int kaisino;
        const char* period0; // 1101, 1401, 1608, 2205, 3501, 4101 at period 0
        const char* period4;
    };
    for (const Case c : {Case{2, true, 1, "100000|300000|0|0|0|1000", "0|0|0|0|0|0"},
                         Case{1, true, 1, "100000|300000|5000|5000|5000|1000", "0|0|0|0|0|0"},
                         Case{2, false, 4, "1000|0|0|0|0|1000", "100000|300000|5000|5000|5000|777"},
                         Case{1, false, 13, "1000|0|0|0|0|1000", "0|0|0|0|0|0"}}) {
        testsupport::writeFile(database(), original);
        AccInf.DATATYPE = c.dataType;
        AccInf.KISHU = platform::encodeDate(2026, 4, 1);
        AccInf.KAISI = c.fromYearStart ? AccInf.KISHU : platform::encodeDate(2026, 7, 1);
        AccInf.KAISINO = c.kaisino;
        ASSERT_TRUE(m_dm->fnAccDatConnected("", SystemDef.DataDir, 0));
        EXPECT_TRUE(dbupdate::RepairKanendoZan());
        m_dm->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
        const auto period = [this](int mnum) {
            return query("SELECT CAST(NUKIZAN AS INTEGER) FROM KAMOKU_PZ WHERE SCODE = '01' AND HCODE = ' ' AND BCODE = ' ' "
                         "AND MNUM = " + std::to_string(mnum) +
                         " AND KCODE IN ('1101', '1401', '1608', '2205', '3501', '4101') ORDER BY KCODE");
        };
        EXPECT_EQ(period(0), c.period0) << c.dataType << c.fromYearStart << c.kaisino;
        EXPECT_EQ(period(4), c.period4) << c.dataType << c.fromYearStart << c.kaisino;
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

// A repair that fails half-way: everything rolled back, the box, 16 and no script.
TEST_F(CompanyStepsTest, AFailedRepairLeavesTheDatabaseAndWritesNoScript)
{
    execute("CREATE EXCEPTION E_STOP 'stop'");
    execute("CREATE TRIGGER KAMOKU_PZ_STOP FOR KAMOKU_PZ BEFORE UPDATE AS BEGIN "
            "IF (NEW.KCODE = '4101' AND NEW.SCODE = '02') THEN EXCEPTION E_STOP; END");
    const auto balances = [this] {
        return query("SELECT SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN FROM KAMOKU_PZ ORDER BY 1, 2, 3, 4, 5");
    };
    const std::string before = balances();
    AccInf.DATATYPE = 1;
    AccInf.KISHU = platform::encodeDate(2026, 4, 1);
    AccInf.KAISI = platform::encodeDate(2026, 10, 1);
    AccInf.KAISINO = 7;
    fs::remove(dbupdate::updateScriptPath());
    m_messages.answer(platform::IDOK);
    EXPECT_EQ(dbupdate::ExecCompanyStep1to2({1, 0, 2}), 16);
    ASSERT_EQ(m_messages.texts().size(), 1u);
    EXPECT_EQ(m_messages.texts()[0], "Ver 1.0.2のデータベース更新に失敗しました。(過年度残高の評価と修復)");
    EXPECT_FALSE(fs::exists(dbupdate::updateScriptPath()));
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_EQ(balances(), before);
    EXPECT_EQ(query("SELECT MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "0,1,0");
}

TEST_F(CompanyStepsTest, ScriptsOf103To204FollowTheDataKind)
{
    const auto body = [](const DbVersion& v) {
        const std::string bytes = dbupdate::companyStep1to2Script(v).bytes();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(platform::text::fromCp932(bytes.substr(start, at - start)));
        return lines;
    };
    const auto count = [](const std::vector<std::string>& lines, const std::string& part) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.find(part) != std::string::npos; });
    };
    // 1.0.3: the facility ' ' block only for head-office and branch data.
    AccInf.SITEN = 0;
    EXPECT_EQ(count(body({1, 0, 3}), "WHERE SCODE=' ';"), 0);
    AccInf.SITEN = 1;
    EXPECT_EQ(count(body({1, 0, 3}), "WHERE SCODE=' ';"), 3);

    // 1.0.5's total names and 2.0.0's individual block by data kind.
    struct Kind {
        int dataType, codeType;
        long names;
        long individual;
    };
    for (const Kind k : {Kind{1, 1, 38, 0}, Kind{2, 1, 31, 2}, Kind{2, 2, 24, 2}, Kind{3, 1, 0, 0}, Kind{2, 4, 0, 2}}) {
        AccInf.DATATYPE = k.dataType;
        AccInf.CODETYPE = k.codeType;
        const auto names = body({1, 0, 5});
        EXPECT_EQ(count(names, "INSERT INTO ACCTOTALNAME"), k.names) << k.dataType << k.codeType;
        EXPECT_EQ(count(body({2, 0, 0}), "UPDATE KS_SETSWK_INIT SET"), k.individual) << k.dataType << k.codeType;
    }
    AccInf.DATATYPE = 1;
    AccInf.CODETYPE = 1;
    EXPECT_EQ(count(body({1, 0, 5}), "VALUES (29,1,'5900',0,36,'売上総利益','売上総利益','売上総損失',1,'',0,1,'',0);"), 1);

    // 2.0.4 for real-estate data without a 1401 row: the 35 rows and a call per facility in code
    // order; the connection made for the test is closed again.
    AccInf.DATATYPE = 2;
    AccInf.CODETYPE = 2;
    execute("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('B', 'B')");
    execute("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('A', 'A')");
    execute("INSERT INTO SISETUMST (SCODE, SNAME) VALUES ('C', 'C')");
    auto lines = body({2, 0, 4});
    EXPECT_EQ(count(lines, "SET NAMES"), 0);
    EXPECT_EQ(count(lines, "INSERT INTO KS_SETSWK_INIT"), 35);
    std::vector<std::string> calls;
    for (const auto& l : lines)
        if (l.starts_with("EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU("))
            calls.push_back(l);
    EXPECT_EQ(calls, (std::vector<std::string>{"EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('01');",
                                               "EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('02');",
                                               "EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('A');",
                                               "EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('B');",
                                               "EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU('C');"}));
    const auto reset = std::find(lines.begin(), lines.end(), "DELETE FROM KS_SETSWK;");
    const auto firstProcedure = std::find(lines.begin(), lines.end(), "SET TERM ; ^");
    ASSERT_NE(reset, lines.end());
    EXPECT_LT(firstProcedure, reset); // after the first procedure group
    EXPECT_EQ(*(reset + 6), "COMMIT;");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    AccInf.SITEN = 0;
    EXPECT_EQ(count(body({2, 0, 4}), "SP_KS_INSSETSWK_CALL_SISETU(' ');"), 1);

    execute("INSERT INTO KS_SETSWK_INIT (REC, ACCGROUP, KCODE) VALUES (1, 2, '1401')");
    EXPECT_EQ(count(body({2, 0, 4}), "KS_SETSWK"), 0);

    // Other kinds read nothing: without a database the script is still written.
    fs::remove(database());
    for (const Kind k : {Kind{1, 1, 0, 0}, Kind{2, 1, 0, 0}, Kind{3, 1, 0, 0}}) {
        AccInf.DATATYPE = k.dataType;
        AccInf.CODETYPE = k.codeType;
        EXPECT_EQ(count(body({2, 0, 4}), "KS_SETSWK"), 0);
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

// The asset repair of 1.0.2 on converted data: an asset without an account (NULL) or with one
// outside the fixed-asset groups 1400-1800 takes the smallest used account of those groups; one
// inside keeps its own; every asset is marked as having its acquisition cost typed in.
TEST_F(CompanyStepsTest, Step102GivesAssetsWithoutAFixedAssetAccountTheDefaultOne)
{
    upgradeTo({1, 0, 1});
    if (HasFatalFailure())
        return;
    execute("UPDATE ACCDEF1 SET CONVERT = 1");
    execute("UPDATE KAMOKUMST SET HOJOSW = '－'");
    execute("INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, KCODE, HCODE) VALUES (1, '1', '机', NULL, NULL)");
    execute("INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, KCODE, HCODE) VALUES (2, '2', '預金', '1103', '001')");
    execute("INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, KCODE, HCODE) VALUES (3, '3', '創立費', '1701', ' ')");
    execute("INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, KCODE, HCODE) VALUES (4, '4', '端末', '1402', ' ')");
    const fs::path at101 = m_root / "data" / "at101.fdb";
    fs::copy_file(database(), at101);
    const auto assets = [this] {
        return query("SELECT REC, COALESCE(KCODE, '<null>'), COALESCE('[' || HCODE || ']', '<null>'), ISINPSYUTOKIN "
                     "FROM KS_SISAN ORDER BY REC");
    };
    struct Case {
        const char* setup;
        const char* expected;
    };
    const Case cases[] = {
        // 1401 (建物) is the smallest account of the groups that has balance rows.
        {nullptr, "1,1401,[ ],1|2,1401,[ ],1|3,1701,[ ],1|4,1402,[ ],1"},
        // With sub-accounts the first one that is not ' ' comes along.
        {"INSERT INTO HOJOMST (REC, KCODE, HCODE, USERCODE, HNAME, BPFLG, DAC) VALUES (14012, '1401', 'B2', 'B2', "
         "'倉庫', 'B', 1)|INSERT INTO HOJOMST (REC, KCODE, HCODE, USERCODE, HNAME, BPFLG, DAC) VALUES (14011, "
         "'1401', 'A1', 'A1', '本館', 'B', 1)|UPDATE KAMOKUMST SET HOJOSW = '○' WHERE KCODE = '1401'",
         "1,1401,[A1],1|2,1401,[A1],1|3,1701,[ ],1|4,1402,[ ],1"},
        // No used account in those groups: the moved assets keep no account (NULL, as the key to
        // the sub-accounts has no empty codes).
        {"UPDATE KAMOKUMST SET GROUPM0 = '1300' WHERE GROUPM0 BETWEEN '1400' AND '1800'",
         "1,<null>,<null>,1|2,<null>,<null>,1|3,<null>,<null>,1|4,<null>,<null>,1"},
        // Data that was not converted: nothing changes.
        {"UPDATE ACCDEF1 SET CONVERT = 0", "1,<null>,<null>,0|2,1103,[001],0|3,1701,[ ],0|4,1402,[ ],0"},
    };
    AccInf.KISHU = AccInf.KAISI = platform::encodeDate(2026, 4, 1);
    AccInf.KAISINO = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup ? c.setup : "as it is");
        fs::copy_file(at101, database(), fs::copy_options::overwrite_existing);
        if (c.setup) {
            const std::string setup = c.setup;
            for (std::size_t start = 0, bar; start < setup.size(); start = bar + 1) {
                bar = std::min(setup.find('|', start), setup.size());
                execute(setup.substr(start, bar - start));
            }
        }
        ASSERT_EQ(dbupdate::ExecCompanyStep1to2({1, 0, 2}), 1) << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
        EXPECT_EQ(assets(), c.expected);
        EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'ONE_TIME_PROC'"), "0");
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

// The keys ("kind:NAME", blanks as '_') of the probe lines that differ between two probes; a
// column, constraint or index of a table or view that is itself created, dropped or recreated
// folds into that relation's key, as the SQL test folds them.
std::set<std::string> changedKeys(const std::set<std::string>& before, const std::set<std::string>& after)
{
    std::vector<std::string> differing;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::back_inserter(differing));
    std::set<std::string> keys;
    for (const auto& line : differing) {
        std::string key = line.substr(0, line.find('|'));
        key[key.find(' ')] = ':';
        std::replace(key.begin(), key.end(), ' ', '_');
        keys.insert(key);
    }
    std::set<std::string> folded;
    for (const auto& key : keys) {
        const auto colon = key.find(':');
        const std::string kind = key.substr(0, colon);
        if (kind == "column" || kind == "constraint" || kind == "index") {
            const std::string relation = key.substr(colon + 1, key.find('.') - colon - 1);
            if (keys.contains("table:" + relation) || keys.contains("view:" + relation))
                continue;
        }
        folded.insert(key);
    }
    return folded;
}

// What each company step from 1.0.2 on changes in the schema, as changedKeys names it; written
// from the steps' descriptions, and from 3.0.0 on from the statements the steps run themselves
// and the step files (sql/<ddd>) that each kind of data takes. KINDS names the kinds of data an
// entry holds for ("!" before a name: every kind but that one); empty, every kind. Entries of one
// version add up; every step has at least one.
struct SchemaChange {
    DbVersion version;
    const char* kinds;
    const char* keys;
};

const SchemaChange kSchemaChanges[] = {
    {{1, 0, 2}, "", "procedure:SP_SIWAKE_REPAIR procedure:SP_SISANHYO_BUMON"},
    {{1, 0, 3}, "",
     "procedure:SP_MOTOIREKIN_KURIIRE procedure:SP_ZEIGAKU_ADD procedure:SP_SISANHYO_BUMON "
     "procedure:SP_SISANHYO_BUMON_A4 procedure:SP_SISANHYO_BUMON_A3 procedure:SP_MONITOR_LISTUP "
     "procedure:SP_MONITOR_LISTDOWN"},
    {{1, 0, 5}, "", "table:JOBCONTROL table:ACCTOTALNAME"},
    {{2, 0, 0}, "",
     "procedure:SP_MONITOR_LISTUP procedure:SP_MONITOR_LISTDOWN procedure:SP_MONITOR_LISTUP_ENTRYORDER "
     "procedure:SP_MONITOR_LISTDOWN_ENTRYORDER procedure:SP_SIWAKE_LISTUP procedure:SP_SIWAKE_LISTDOWN "
     "procedure:SP_SIWAKE_LISTIN procedure:SP_MOTOCHO_LISTUP procedure:SP_MOTOCHO_LISTDOWN procedure:SP_MOTOCHO_LISTIN "
     "column:KAMOKUMST.VELTORIN_YOJITU_RATE1 column:KAMOKUMST.VELTORIN_YOJITU_KIND1 "
     "column:KAMOKUMST.VELTORIN_YOJITU_RATE2 column:KAMOKUMST.VELTORIN_YOJITU_KIND2 column:KAMOKU_MS.RYOSAN "
     "trigger:ACCDEF1_BEFORE_UPDATE trigger:SIWAKE_AFTER_DELETE table:VELTORIN_YOJITUHENDOU procedure:SP_SIWAKE_DEL "
     "procedure:SP_CONVERT_12TO16 procedure:SP_YOJITU_HENDOU_SONEKI procedure:SP_YOJITU_HENDOUSONEKI_BUMON "
     "table:GAIKYOSYO_ITEM constraint:TEKDIC.TEKDIC_KAS_BCODE constraint:TORDIC.TORDIC_KAS_BCODE "
     "procedure:SP_SISANHYO_A4 procedure:SP_SISANHYO_A3 procedure:SP_SISANHYO_BUMON_A4 procedure:SP_SISANHYO_BUMON_A3 "
     "procedure:SP_SISANHYO_KESSAN procedure:SP_YOSAN_READ procedure:SP_UPDATE_YOSANSUB procedure:SP_UPDATE_YOSAN "
     "trigger:SISETUMST_AFTER_INSERT2 procedure:SP_KURIKOSI_ZEIGAKU_ADD procedure:SP_SETHOJOKAISIZAN "
     "procedure:SP_KURIKOSIBUMONZANDAKA procedure:SP_KURIKOSIZANDAKA"},
    {{2, 0, 4}, "",
     "procedure:SP_MONITOR_LISTUP procedure:SP_MONITOR_LISTDOWN procedure:SP_SISANHYO_A4 procedure:SP_SISANHYO_A3 "
     "procedure:SP_SISANHYO_BUMON_A4 procedure:SP_SISANHYO_BUMON_A3 procedure:SP_SISANHYO_KESSAN table:TUSIN_ID "
     "procedure:SP_SIWAKE_UPD table:SUITOTYO_SABUN procedure:SP_KANENDO_BUMON_ZANDAKA_A4 "
     "procedure:SP_KANENDO_BUMON_GROUPZANDAKA procedure:SP_HOJO_KAMOKUSZ_INS"},
    // 300/dwzup01: CASHFMST.CM_JIGYOU and EXTERKS.KNAMELOCK are in the base already.
    {{3, 0, 0}, "", "column:AO_NOTE.NOTE"},
    {{3, 0, 0}, "", // 300/dwzup09, dwzup10
     "table:OPLICENSE table:OPDEFSISETU table:MSD_HOUKOKU column:SISETUMST.XSTR column:EXTERKS.KNAME1 "
     "table:OPINF_LOG procedure:OPINF_DELETE"},
    {{3, 0, 1}, "", ""},
    {{3, 0, 3}, "", ""}, // the real-estate name lock: rows only
    {{3, 0, 4}, "", ""},
    {{3, 0, 6}, "", ""}, // the account switches and past-year balances: rows only
    {{3, 0, 7}, "", "trigger:KAMOKUSZ_AFTER_DELETE2"},
    {{3, 0, 7}, "", "table:SISETUGROUP column:SISETUMST.MB_JIGYOU"}, // 307/dwzup08
    {{4, 0, 0}, "", "table:KAKOSIWAKE1 table:KAKOSIWAKE2"}, // 400/dwzup06; 諸口, the cash-flow groups, ACCDEF5: rows
    {{4, 0, 2}, "", // 402/dwzup01
     "column:KS_SISAN.JIGYOUWARIAI_NEW column:KS_SISAN.TEIRITU250 column:KS_SISAN.TEIRITU200 "
     "column:KS_SISAN.TAIYONENSU200 column:KS_SISAN.SYUTOKUKAGAKUCHOSEI"},
    {{4, 0, 2}, "", "column:KAMOKU_MS.KAR_IKKATSU column:KAMOKU_MS.KAS_IKKATSU"}, // 402/dwzup02
    {{5, 0, 0}, "", ""},
    {{5, 0, 2}, "", ""},
    {{5, 0, 5}, "", ""},
    {{6, 0, 0}, "", "procedure:SP_SISANHYO_KESSAN"}, // 600/dwzup01
    {{6, 0, 0}, "", // 600/dwzup02
     "column:ACCDEF1.KURIKOSI1 column:ACCDEF1.KURIKOSI2 column:ACCDEF1.GENKA_HWORD6"},
    {{6, 0, 0}, "", "table:KAKOZAN column:KAMOKU_SZ.KISHU_KOMI column:KAMOKU_SZ.KISHU_NUKI"}, // 600/dwzup15
    {{6, 1, 0}, "", ""},
    {{6, 1, 3}, "", // 613/dwzup05
     "column:KAMOKUMST.USE column:KAMOKUMST.EXT1_A4 column:KAMOKUMST.EXT1_A3 column:EXTERA4.KNAME1 "
     "column:EXTERA3.KNAME1"},
    {{6, 1, 3}, "!Medical", // 613/dwzup03, held back for medical data
     "procedure:SP_SISANHYO procedure:SP_SISANHYO_BUMONGOKEI procedure:SP_SISANHYO_BUMONGOKEI_A4 "
     "procedure:SP_SISANHYO_BUMONGOKEI_A3"},
    {{7, 0, 0}, "", // 700/dwzup10; the data password: rows only
     "table:AO_SYUNYU table:AO_SYUNYU_ZASHUU table:AO_NOUSANBUTUIGAI table:AO_YATOININHI table:AO_KAJYU "
     "table:AO_KAJYU_KEISAN table:AO_TIDAI_CHINSHAKU"},
    {{7, 0, 2}, "", ""},
    {{7, 0, 3}, "", ""},
    {{7, 0, 4}, "", ""},
    {{8, 0, 0}, "", "table:MYNUMBER_LOG"}, // 800/dwzup01
};

bool holdsFor(const SchemaChange& change, const std::string& kind)
{
    std::istringstream names(change.kinds);
    bool any = false, excepting = false;
    for (std::string name; names >> name; any = true) {
        if (name.starts_with('!')) {
            excepting = true;
            if (name.substr(1) == kind)
                return false;
        } else if (name == kind) {
            return true;
        }
    }
    return !any || excepting;
}

// The keys the ledger expects of a step on a kind of data; nullopt when it has no entry for the step.
std::optional<std::set<std::string>> expectedChanges(const DbVersion& version, const std::string& kind)
{
    std::optional<std::set<std::string>> keys;
    for (const auto& change : kSchemaChanges) {
        if (change.version != version)
            continue;
        if (!keys)
            keys.emplace();
        if (!holdsFor(change, kind))
            continue;
        std::istringstream words(change.keys);
        for (std::string key; words >> key;)
            keys->insert(key);
    }
    return keys;
}

std::string oneALine(const std::set<std::string>& keys)
{
    std::string out;
    for (const auto& key : keys)
        out += key + "\n";
    return out;
}

struct DataKind {
    const char* name;
    int dataType, codeType;
    const char* totalNames; // rows of ACCTOTALNAME that 1.0.5 writes for the kind
};

void PrintTo(const DataKind& kind, std::ostream* os) { *os << kind.name; }

class CompanyStepsOfEachKind : public CompanyStepsTest, public ::testing::WithParamInterface<DataKind> {};

// A copy of the base at 1.0.1 for each kind of data, its settings read as the program reads them,
// goes through every later step, each with the step files the program installs: each returns 1
// and changes in the schema what the ledger above says, and at the end the database stands at
// 8.0.0 with nothing pending.
TEST_P(CompanyStepsOfEachKind, EachStepFrom102ReturnsOneAndNothingIsLeftPending)
{
    const DataKind kind = GetParam();
    execute("UPDATE ACCDEF1 SET DATATYPE = " + std::to_string(kind.dataType) +
            ", CODETYPE = " + std::to_string(kind.codeType));
    execute("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワード', '文字', 'pass')");
    SystemDef.SqlFolder = platform::paths::fromNative(STEP_SQL_DIR);
    ASSERT_TRUE(m_dm->fnAccDatConnected("", SystemDef.DataDir, 0));
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    m_dm->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
    ASSERT_EQ(AccInf.DATATYPE, kind.dataType);
    upgradeTo({1, 0, 1});
    if (HasFatalFailure())
        return;
    ASSERT_EQ(query("SELECT MAJOR || '.' || MINOR1 || '.' || MINOR2 FROM ACCVERSION"), "1.0.1");

    std::set<std::string> schema = probe();
    std::set<DbVersion> run;
    upgradeTo({8, 0, 0}, [&](const DbVersion& version) {
        run.insert(version);
        std::set<std::string> now = probe();
        const auto expected = expectedChanges(version, kind.name);
        if (expected)
            EXPECT_EQ(oneALine(changedKeys(schema, now)), oneALine(*expected)) << dbupdate::versionText(version);
        else
            ADD_FAILURE() << "no schema changes written for " << dbupdate::versionText(version);
        schema = std::move(now);
    });
    if (HasFatalFailure())
        return;
    for (const auto& change : kSchemaChanges)
        EXPECT_TRUE(run.contains(change.version)) << "no step " << dbupdate::versionText(change.version);
    EXPECT_EQ(query("SELECT REC, MAJOR, MINOR1, MINOR2 FROM ACCVERSION"), "1,8,0,0");
    firebird::Attachment db;
    db.connect(testsupport::morabyParams(database().string()));
    dbupdate::DbUpdateCheck check("モラビー財務", false);
    check.setDatabases(nullptr, &db);
    check.InitUpdateList(1, "");
    EXPECT_FALSE(check.UpdatePending);
    db.disconnect();
    EXPECT_EQ(query("SELECT COUNT(*) FROM ACCTOTALNAME"), kind.totalNames);
    EXPECT_EQ(query("SELECT ACODE FROM ACCREG WHERE ACODE STARTING WITH 'データパスワード'"), "データパスワードV2");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_messages.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, CompanyStepsOfEachKind,
                         ::testing::Values(DataKind{"Corporation", 1, 1, "38"}, DataKind{"General", 2, 1, "31"},
                                           DataKind{"RealEstate", 2, 2, "24"}, DataKind{"Medical", 3, 1, "0"},
                                           DataKind{"Agriculture", 2, 4, "0"}),
                         [](const auto& kindInfo) { return std::string(kindInfo.param.name); });

} // namespace
