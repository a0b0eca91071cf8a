// The company steps 3.0.0 to 8.0.0: registration, which installed files each takes for which
// data (marker files, one line each), the composed statements, and the direct statements run
// on a real company database.
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
#include "records/TextProtection.h"
#include "support/Environment.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>

namespace fs = std::filesystem;
using dbupdate::DbVersion;

namespace {

// Every step's folder and file list, as the installed program carries them.
const std::map<std::string, std::vector<std::string>>& stepFiles()
{
    static const std::map<std::string, std::vector<std::string>> files = [] {
        const auto numbered = [](int last) {
            std::vector<std::string> names;
            for (int n = 1; n <= last; ++n) {
                char name[16];
                std::snprintf(name, sizeof name, "%.2d", n);
                names.emplace_back(name);
            }
            return names;
        };
        std::map<std::string, std::vector<std::string>> m{
            {"300", numbered(10)}, {"301", numbered(1)}, {"303", numbered(6)},  {"304", numbered(4)},
            {"306", numbered(2)},  {"307", numbered(8)}, {"400", numbered(9)},  {"402", numbered(6)},
            {"500", numbered(11)}, {"502", numbered(2)}, {"505", numbered(5)},  {"600", numbered(18)},
            {"610", numbered(5)},  {"613", numbered(7)}, {"700", numbered(11)}, {"702", numbered(2)},
            {"703", numbered(3)},  {"800", numbered(6)}};
        m["704"] = {"70201", "70202", "01", "02", "03", "04"};
        return m;
    }();
    return files;
}

class CompanyFileStepsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        for (const char* folder : {"log", "tmp", "exe", "data", "temp", "docs", "sql"})
            fs::create_directories(m_root / folder);
        SystemDef.SysDir = "D:\\sys";
        SystemDef.DataDir = "D:\\data";
        SystemDef.ExeFolder = "D:\\exe";
        SystemDef.LogFolder = "D:\\log";
        SystemDef.TempFolder = "D:\\temp";
        SystemDef.DocumentFolder = "D:\\docs";
        SystemDef.SqlFolder = "D:\\sql";
        DataBackupFile = "dwacc.fbk";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        DataFile = "dwacc.fdb";
        ConnectMode = 0;
        setKind(1, 1);
        AccInf.SysKCodes[SysCodeSundry] = "9999";
        AccInf.SysKCodes[SysCodeOwnerDrawings] = "1608";
        AccInf.SysKCodes[SysCodeOwnerContributions] = "2205";
        AccInf.SysKCodes[SysCodeCapital] = "3501";
        m_dm = std::make_unique<TDM>();
        testsupport::FixtureDb::copyTo("company-base", database());
        for (const auto& [folder, names] : stepFiles())
            for (const std::string& n : names)
                writeStepFile(folder, n, "-- " + folder + "/" + n + "\r\n");
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    static void setKind(int dataType, int codeType)
    {
        AccInf.DATATYPE = dataType;
        AccInf.CODETYPE = codeType;
        AccInf.IsMedical = dataType == 3 && codeType == 1;
    }

    fs::path database() const { return m_root / "data" / "dwacc.fdb"; }
    fs::path stepFile(const std::string& folder, const std::string& number) const
    {
        return m_root / "sql" / folder / ("dwzup" + number + ".sql");
    }
    void writeStepFile(const std::string& folder, const std::string& number, const std::string& bytes)
    {
        fs::create_directories(m_root / "sql" / folder);
        std::ofstream(stepFile(folder, number), std::ios::binary) << bytes;
    }

    // The script's lines after the CONNECT line, as UTF-8, the version record's date masked.
    static std::vector<std::string> body(const DbVersion& v)
    {
        const auto script = dbupdate::companyFileStepScript(v);
        EXPECT_TRUE(script.has_value()) << dbupdate::versionText(v);
        if (!script)
            return {};
        const std::string bytes = script->bytes();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(bytes.substr(start, at - start));
        EXPECT_TRUE(lines.size() > 2 && lines[2].starts_with("CONNECT '"));
        std::vector<std::string> out;
        for (std::size_t i = 3; i < lines.size(); ++i)
            out.push_back(std::regex_replace(platform::text::fromCp932(lines[i]),
                                             std::regex(R"('\d{4}/\d\d/\d\d \d\d:\d\d:\d\d')"), "'<now>'"));
        return out;
    }

    // The marker lines of a body, without their "-- " and folder: "01 04 05".
    static std::string markers(const std::vector<std::string>& lines, const std::string& folder)
    {
        std::string out;
        for (const std::string& l : lines)
            if (l.starts_with("-- " + folder + "/"))
                out += (out.empty() ? "" : " ") + l.substr(4 + folder.size());
        return out;
    }

    static std::vector<std::string> version(const DbVersion& v)
    {
        return {"UPDATE ACCVERSION SET MAJOR=" + std::to_string(v.Major) + ",MINOR1=" + std::to_string(v.Minor1) +
                    ",MINOR2=" + std::to_string(v.Minor2) + ",MEMO='<now>'",
                "WHERE REC=1;", "COMMIT;"};
    }

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
    void execute(const std::string& sql) { query(sql); }
    void setVersion(int major, int minor1, int minor2)
    {
        execute("UPDATE ACCVERSION SET MAJOR=" + std::to_string(major) + ", MINOR1=" + std::to_string(minor1) +
                ", MINOR2=" + std::to_string(minor2));
    }
    std::string dbVersion() { return query("SELECT MAJOR || '.' || MINOR1 || '.' || MINOR2 FROM ACCVERSION"); }

    // The installed step files; the base with the earlier steps whose objects our files change
    // (the new asset table of 0.1.1, the notes table of 0.1.5), then set at 2.0.4.
    void baseAt204WithInstalledFiles()
    {
        fs::remove_all(m_root / "sql");
        SystemDef.SqlFolder = platform::paths::fromNative(STEP_SQL_DIR);
        for (const DbVersion v : {DbVersion{0, 1, 1}, DbVersion{0, 1, 5}})
            ASSERT_EQ(dbupdate::ExecCompanyStep(v), 1) << dbupdate::versionText(v);
        setVersion(2, 0, 4);
    }

    // The company database of that kind through every step from 3.0.0 on, each returning 1;
    // nothing is left pending.
    void runFileStepsAs(int dataType, int codeType)
    {
        setKind(dataType, codeType);
        AccInf.SITEN = 1;
        AccInf.BUMON = 1;
        execute("UPDATE ACCDEF1 SET DATATYPE = " + std::to_string(dataType) + ", CODETYPE = " +
                std::to_string(codeType));
        for (const auto& step : dbupdate::companyUpdateSteps("モラビー財務", false)) {
            if (step.version() < DbVersion{3, 0, 0})
                continue;
            ASSERT_EQ(step.UpdateFunc(), 1) << dbupdate::versionText(step.version()) << " "
                                            << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
            ASSERT_EQ(dbVersion(), dbupdate::versionText(step.version()));
        }
        dbupdate::DbUpdateCheck check("モラビー財務", false);
        check.InitUpdateList(1, dbVersion());
        EXPECT_FALSE(check.UpdatePending);
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_temp{"TEMP", (m_root / "tmp").c_str()};
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(CompanyFileStepsTest, RegisteredWithTitlesDescriptionsAndRoutines)
{
    for (const bool oem : {false, true}) {
        const auto steps = dbupdate::companyUpdateSteps("モラビー財務", oem);
        std::vector<const dbupdate::TDbUpdateListRec*> ours;
        for (const auto& s : steps)
            if (s.version() >= DbVersion{3, 0, 0})
                ours.push_back(&s);
        std::string versions;
        for (const auto* s : ours) {
            versions += dbupdate::versionText(s->version()) + " ";
            EXPECT_TRUE(s->UpdateFunc);
            EXPECT_EQ(s->NeedBackup, 1);
        }
        EXPECT_EQ(versions, "3.0.0 3.0.1 3.0.3 3.0.4 3.0.6 3.0.7 4.0.0 4.0.2 5.0.0 5.0.2 5.0.5 6.0.0 6.1.0 6.1.3 "
                            "7.0.0 7.0.2 7.0.3 7.0.4 8.0.0 ");
        ASSERT_EQ(ours.size(), 19u);
        EXPECT_EQ(ours[6]->Title, "モラビー財務１２のデータ形式に変換");
        EXPECT_EQ(ours[6]->Description,
                  "１）モラビー財務１２のデータ形式に変換します。\r２）過年度残高集計処理を高速化します。");
        EXPECT_EQ(ours[12]->Description, "１）２０１４年４月の消費税改正 に対応します。\r");
        const std::string desc700 = "１）モラビー財務１５のデータ形式に変換します。\r"
                                    "２）「個人／農業」体系を新たに追加し、青色申告決算書（農業所得用）を作成します。";
        EXPECT_EQ(ours[14]->Description, oem ? desc700 + "\r３）個別原価管理機能を新たに追加します。" : desc700);
        EXPECT_EQ(ours[16]->Title, oem ? "消費税試算表の仕訳帳ジャンプ機能の仕様変更" : "医療法人データの決算書レイアウトを変更");
        EXPECT_EQ(ours[16]->Description, oem ? "１）消費税試算表の仕訳帳ジャンプ機能の仕様を変更しました。\r"
                                             : "１）医療法人データの決算書レイアウトを変更しました。\r");
        EXPECT_EQ(ours[18]->Description,
                  "１）モラビー財務１６のデータ形式に変換する。\r２）マイナンバー制度に対応する。");
    }
}

TEST_F(CompanyFileStepsTest, Step400TakesItsFilesThenTheComposedStatements)
{
    setKind(3, 1);
    AccInf.SITEN = 1;
    AccInf.BUMON = 2;
    std::vector<std::string> expected{"SET NAMES SJIS_0208;",
                                      "-- 400/01", "-- 400/04", "-- 400/05", "-- 400/06", "-- 400/09",
                                      "UPDATE KAMOKUMST SET HOJOSW=CASE WHEN (SELECT COUNT(*) FROM HOJOMST WHERE "
                                      "(KCODE='9999' AND HCODE<>''))=0 THEN '－' ELSE '○' END",
                                      "WHERE (KCODE='9999') AND (HOJOSW='×');"};
    for (const auto& [kind, order, rec] : {std::tuple{"1", 41, "43"}, std::tuple{"0", 39, "89"}}) {
        const std::string k = kind;
        expected.push_back("UPDATE CASHFMST SET CM_GROUP=70,CM_ORDER=" + std::to_string(order) +
                           ",CM_NAME1='Ⅶ　現金及び現金同等物の期末残高' WHERE (CM_KIND=" + k + ") AND (CM_GROUP=60);");
        expected.push_back("UPDATE CASHFMST SET CM_GROUP=60,CM_ORDER=" + std::to_string(order - 1) +
                           ",CM_NAME1='Ⅵ　現金及び現金同等物の期首残高' WHERE (CM_KIND=" + k + ") AND (CM_GROUP=50);");
        expected.push_back("UPDATE CASHFMST SET CM_GROUP=50,CM_ORDER=" + std::to_string(order - 2) +
                           ",CM_NAME1='Ⅴ　現金及び現金同等物の増加額' WHERE (CM_KIND=" + k + ") AND (CM_GROUP=40);");
        expected.push_back("INSERT INTO CASHFMST (CM_REC,CM_KIND,CM_GROUP,CM_ORDER,CM_DEL,CM_MKU,CM_MARGIN,CM_NAME1,"
                           "CM_HOSEI,CM_JIGYOU) VALUES (" + std::string(rec) + "," + k + ",40," +
                           std::to_string(order - 3) + ",1,1,0,'Ⅳ　現金及び現金同等物に係る換算差額',0,15);");
    }
    expected.push_back("UPDATE ACCDEF5 SET NUM1=0 WHERE (SCODE='');");
    expected.push_back("UPDATE ACCDEF5 SET NUM1=0 WHERE (BCODE='');");
    expected.push_back("COMMIT;");
    for (const std::string& l : version({4, 0, 0}))
        expected.push_back(l);
    expected.push_back("EXIT;");
    EXPECT_EQ(body({4, 0, 0}), expected);

    // Other data: its own files, no cash-flow statements; no ACCDEF5 statements without branches.
    setKind(1, 1);
    AccInf.SITEN = 0;
    AccInf.BUMON = 0;
    const auto other = body({4, 0, 0});
    EXPECT_EQ(markers(other, "400"), "01 02 03 06 07 08");
    EXPECT_EQ(std::count_if(other.begin(), other.end(), [](const std::string& l) { return l.find("CASHFMST") != l.npos; }), 0);
    EXPECT_EQ(std::count_if(other.begin(), other.end(), [](const std::string& l) { return l.find("ACCDEF5") != l.npos; }), 0);

    // The statements really run: on the base, the medical moves and the sundry account's switch.
    setKind(3, 1);
    execute("UPDATE KAMOKUMST SET HOJOSW = '×' WHERE KCODE = '9999'");
    execute("INSERT INTO CASHFMST (CM_REC, CM_KIND, CM_GROUP, CM_ORDER, CM_NAME1) VALUES (1, 1, 60, 1, 'x')");
    setVersion(3, 0, 7);
    EXPECT_EQ(dbupdate::ExecCompanyFileStep({4, 0, 0}), 1) << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
    EXPECT_EQ(query("SELECT HOJOSW FROM KAMOKUMST WHERE KCODE = '9999'"), "－");
    EXPECT_EQ(query("SELECT CM_GROUP, CM_ORDER, CM_NAME1, CM_JIGYOU, CM_DEL, CM_MKU FROM CASHFMST "
                    "WHERE CM_KIND = 1 AND CM_GROUP >= 40 ORDER BY CM_GROUP"),
              "40,38,Ⅳ　現金及び現金同等物に係る換算差額,15,1,1|70,41,Ⅶ　現金及び現金同等物の期末残高,0,0,0");
    EXPECT_EQ(dbVersion(), "4.0.0");
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyFileStepsTest, HoldBackRulesAndFrameVariants)
{
    struct Case {
        DbVersion v;
        int dataType, codeType;
        bool oem;
        const char* taken;
    };
    const Case cases[] = {
        {{3, 0, 0}, 1, 1, false, "01 02 03 04 05 06 07 08 09 10"},
        {{3, 0, 3}, 1, 1, false, ""},
        {{3, 0, 3}, 3, 1, false, "01 02 03 04 05 06"},
        {{3, 0, 7}, 2, 1, false, "01 08"},
        {{3, 0, 7}, 3, 1, false, "01 02 03 04 05 06 07 08"},
        {{4, 0, 2}, 3, 1, false, "01 02 03 04 05 06"},
        {{5, 0, 0}, 1, 1, false, "02 04 05 06 07 08 10 11"},
        {{5, 0, 0}, 1, 1, true, "02 04 05 06 07 08 09 10 11"},
        {{5, 0, 0}, 3, 1, true, "01 03 04 05 06 07 08 09 11"},
        {{5, 0, 2}, 3, 1, false, "02"},
        {{5, 0, 2}, 2, 2, false, "01"},
        {{5, 0, 5}, 1, 1, false, "01 02 04"},
        {{5, 0, 5}, 1, 1, true, "01 02 05"},
        {{5, 0, 5}, 2, 1, true, "01 02"},
        {{5, 0, 5}, 3, 1, false, "01 03"},
        {{6, 0, 0}, 3, 1, false, "01 02 10 11 12 13 14 15 17 18"},
        {{6, 0, 0}, 1, 1, false, "01 02 03 04 05 06 07 08 09 15 16 18"},
        {{6, 1, 0}, 3, 1, false, "01 02 03 05"},
        {{6, 1, 3}, 1, 1, false, "01 03 04 05 06 07"},
        {{6, 1, 3}, 3, 1, false, "01 02 04 05 07"},
        {{7, 0, 0}, 3, 1, false, "04 05 06 07 09 10"},
        {{7, 0, 0}, 2, 4, false, "01 02 03 08 10 11"},
        {{7, 0, 3}, 1, 1, false, "02 03"},
        {{7, 0, 4}, 1, 1, false, "70201 70202 01 02 03"},
        {{7, 0, 4}, 3, 1, false, "70201 70202 01 02 04"},
        {{8, 0, 0}, 2, 2, false, "01 02 03 04 05 06"},
    };
    for (const Case& c : cases) {
        setKind(c.dataType, c.codeType);
        LumeranDataFlag = c.oem ? 1 : 0;
        const std::string folder = std::to_string(c.v.Major) + std::to_string(c.v.Minor1) + std::to_string(c.v.Minor2);
        EXPECT_EQ(markers(body(c.v), folder), c.taken)
            << dbupdate::versionText(c.v) << " kind " << c.dataType << c.codeType << " oem " << c.oem;
    }
    LumeranDataFlag = 0;
    setKind(1, 1);

    // "SET NAMES" from 3.0.6 on; the version record after the files up to 5.0.2, first from 5.0.5.
    const auto b304 = body({3, 0, 4});
    EXPECT_EQ(b304.front(), "-- 304/01");
    EXPECT_EQ(std::vector<std::string>(b304.end() - 4, b304.end() - 1), version({3, 0, 4}));
    const auto b306 = body({3, 0, 6});
    EXPECT_EQ(b306.front(), "SET NAMES SJIS_0208;");
    const auto b502 = body({5, 0, 2});
    EXPECT_EQ(b502, (std::vector<std::string>{"SET NAMES SJIS_0208;", "-- 502/01", version({5, 0, 2})[0],
                                              "WHERE REC=1;", "COMMIT;", "EXIT;"}));
    const auto b505 = body({5, 0, 5});
    EXPECT_EQ(std::vector<std::string>(b505.begin(), b505.begin() + 4),
              (std::vector<std::string>{"SET NAMES SJIS_0208;", version({5, 0, 5})[0], "WHERE REC=1;", "COMMIT;"}));
    EXPECT_EQ(b505.back(), "EXIT;");
    EXPECT_EQ(b505[b505.size() - 2], "-- 505/04");

    // 3.0.3 composes the label-lock statements first for individual real-estate data.
    setKind(2, 2);
    EXPECT_EQ(body({3, 0, 3}), (std::vector<std::string>{"UPDATE EXTERKS SET KNAMELOCK=0",
                                                         "WHERE KGROUP='4100' AND SUBREC=3;", "COMMIT;",
                                                         version({3, 0, 3})[0], "WHERE REC=1;", "COMMIT;", "EXIT;"}));

    // Empty lines go, everything else is copied unchanged (Shift-JIS bytes and leading blanks).
    writeStepFile("301", "01", "\r\n  UPDATE X SET A='\x95\x5c';\r\n\r\n\r\nCOMMIT;\nlast");
    setKind(1, 1);
    const std::string bytes = dbupdate::companyFileStepScript({3, 0, 1})->bytes();
    EXPECT_NE(bytes.find("\r\n  UPDATE X SET A='\x95\x5c';\r\nCOMMIT;\r\nlast\r\nUPDATE ACCVERSION"), std::string::npos);
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyFileStepsTest, MissingFilesAreSkippedUpTo702AndStopTheLaterSteps)
{
    fs::remove(stepFile("600", "05"));
    fs::remove(stepFile("800", "05"));
    fs::remove(stepFile("703", "01"));
    EXPECT_EQ(markers(body({6, 0, 0}), "600"), "01 02 03 04 06 07 08 09 15 16 18");
    setVersion(6, 1, 3);
    EXPECT_EQ(dbupdate::ExecCompanyFileStep({6, 0, 0}), 1);
    EXPECT_EQ(dbVersion(), "6.0.0");

    // 7.0.3 on other data would hold 01 back, yet its absence stops the step.
    EXPECT_FALSE(dbupdate::companyFileStepScript({7, 0, 3}).has_value());
    setVersion(7, 0, 4);
    EXPECT_EQ(dbupdate::ExecCompanyFileStep({8, 0, 0}), 18);
    EXPECT_FALSE(fs::exists(m_root / "tmp" / "dwzdataup.sql"));
    for (const auto& e : fs::recursive_directory_iterator(m_root / "tmp"))
        EXPECT_NE(e.path().filename(), "dwzdataup.sql");
    EXPECT_EQ(dbVersion(), "7.0.4");
    EXPECT_TRUE(m_messages.boxes().empty());

    // Through the dialog: the row reads "ﾌｧｲﾙ不足", the backup comes back, no box of the runner.
    dbupdate::TDbUpdateBox box;
    auto steps = dbupdate::companyUpdateSteps("モラビー財務", false);
    box.Check.setSteps(1, steps);
    box.InitUpdateList(1, "7.0.4");
    ASSERT_EQ(box.ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(box.ExecuteUpdates(), 0);
    EXPECT_EQ(box.ListView1->topLevelItem(0)->text(2), QStringLiteral("ﾌｧｲﾙ不足"));
    EXPECT_TRUE(m_messages.boxes().empty());
    EXPECT_EQ(dbVersion(), "7.0.4");
}

TEST_F(CompanyFileStepsTest, Step306CountsAccountsSwitchesSubAccountsOffAndCopiesOpeningBalances)
{
    setKind(3, 1);
    execute("INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('1306', '仮払消費税')");
    execute("INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('2104', '仮受消費税')");
    execute("UPDATE ACCDEF2 SET KNAME = '前期繰越利益' WHERE KCODE = '3301'");
    // Accounts added up to 377, then 23 more make 400.
    const auto addAccounts = [this](int from, int count) {
        execute("INSERT INTO KAMOKUMST (KCODE, KNAME, BPFLG) SELECT FIRST " + std::to_string(count) + " 'X' || (" +
                std::to_string(from) + " + ROW_NUMBER() OVER ()), 'x', 'P' FROM RDB$TYPES A CROSS JOIN RDB$TYPES B");
    };
    addAccounts(1000, 377 - std::stoi(query("SELECT COUNT(*) FROM KAMOKUMST")));
    ASSERT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST"), "377");
    execute("UPDATE KAMOKUMST SET HOJOSW = '○'");
    EXPECT_EQ(markers(body({3, 0, 6}), "306"), "01");
    EXPECT_EQ(query("SELECT KCODE FROM KAMOKUMST WHERE HOJOSW = '×' ORDER BY KCODE"), "1306|2104|3301|9999");
    EXPECT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST WHERE HOJOSW = '○'"), "373");
    addAccounts(2000, 23);
    ASSERT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST"), "400");
    EXPECT_EQ(markers(body({3, 0, 6}), "306"), "");
    addAccounts(3000, 167);
    ASSERT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST"), "567");
    EXPECT_EQ(markers(body({3, 0, 6}), "306"), "02");
    // Other data: nothing read, nothing switched.
    execute("UPDATE KAMOKUMST SET HOJOSW = '○'");
    setKind(1, 1);
    EXPECT_EQ(markers(body({3, 0, 6}), "306"), "");
    EXPECT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST WHERE HOJOSW = '×'"), "0");

    // Converted data: opening balances into the start period, in account-group order.
    execute("DELETE FROM KAMOKUMST WHERE KCODE STARTING WITH 'X'");
    execute("ALTER TABLE KAMOKUMST ADD GROUPM0 AC_CODE");
    execute("UPDATE KAMOKUMST SET GROUPM0 = GROUPM1");
    execute("DELETE FROM KAMOKU_PZ");
    execute("DELETE FROM KAMOKU_SZ");
    const char* accounts[][2] = {{"1101", "100"}, {"1608", "200"}, {"3501", "300"}, {"4101", "400"}, {"9999", "500"}};
    for (const auto& a : accounts) {
        execute(std::string("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN) VALUES ('', '") + a[0] +
                "', '', '', " + a[1] + ")");
        for (const char* m : {"0", "8"})
            execute(std::string("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU) "
                                "VALUES ('', '") + a[0] + "', '', '', " + m + ", -1, 7)");
    }
    const auto balances = [this] {
        return query("SELECT KCODE, MNUM, CAST(NUKIZAN AS INTEGER), CAST(ZEIGAKU AS INTEGER) FROM KAMOKU_PZ WHERE NUKIZAN <> -1 ORDER BY MNUM, KCODE");
    };
    struct Case {
        int dataType, kaisiNo;
        const char* expected;
    };
    const Case cases[] = {
        // First period: B rows to period 0 until the first P row; the sundry account after it stays.
        {1, 1, "1101,0,100,0|1608,0,200,0|3501,0,300,0"},
        // An individual's owner accounts are left out.
        {2, 1, "1101,0,100,0"},
        // Start period 7: every B and P row to period 8.
        {2, 7, "1101,8,100,0|1608,8,200,0|3501,8,300,0|4101,8,400,0|"
               "9999,8,500,0"},
    };
    AccInf.CONVERT = 1;
    for (const Case& c : cases) {
        execute("UPDATE KAMOKU_PZ SET NUKIZAN = -1, ZEIGAKU = 7");
        setKind(c.dataType, 1);
        AccInf.KAISINO = c.kaisiNo;
        body({3, 0, 6});
        EXPECT_EQ(balances(), c.expected) << c.dataType << " " << c.kaisiNo;
    }
    // Not converted: nothing copied.
    execute("UPDATE KAMOKU_PZ SET NUKIZAN = -1, ZEIGAKU = 7");
    AccInf.CONVERT = 0;
    body({3, 0, 6});
    EXPECT_EQ(balances(), "");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyFileStepsTest, StartPeriodTable)
{
    const int expected[] = {0, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0};
    for (int k = 0; k <= 13; ++k)
        EXPECT_EQ(dbupdate::periodOfKaisiNo(k), expected[k]) << k;
}

TEST_F(CompanyFileStepsTest, Step307CreatesTheEmptyTriggerOnceAnd304LooksForItsOwn)
{
    const std::string count = "SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'KAMOKUSZ_AFTER_DELETE2'";
    ASSERT_EQ(query(count), "0");
    setVersion(3, 0, 6);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(dbupdate::ExecCompanyFileStep({3, 0, 7}), 1) << run;
        EXPECT_EQ(query(count), "1");
    }
    EXPECT_EQ(query("SELECT TRIM(RDB$RELATION_NAME), RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, COALESCE(RDB$TRIGGER_INACTIVE, 0) "
                    "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'KAMOKUSZ_AFTER_DELETE2'"),
              "KAMOKU_SZ,6,0,0");
    execute("DELETE FROM KAMOKU_SZ"); // the trigger fires and does nothing

    EXPECT_EQ(markers(body({3, 0, 4}), "304"), "01 02 03 04");
    execute("CREATE TRIGGER KAMOKUMST_AFTER_UPDATE2 FOR KAMOKUMST AFTER UPDATE AS BEGIN END");
    EXPECT_EQ(markers(body({3, 0, 4}), "304"), "01 02 03");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyFileStepsTest, Step700ScramblesTheDataPassword)
{
    const auto password = [this](const char* code) {
        return query(std::string("SELECT ATEXT FROM ACCREG WHERE AGROUP = '基本設定' AND ACODE = '") + code + "'");
    };
    TEasyEncodeInfo info;
    InitEasyEncodeInfo(info);
    info.TotalLength = 8;
    info.RestoreCount = 8;
    info.Key = "tuvesko";
    info.ClearText = "abc";
    ASSERT_EQ(EasyEncode(info), 1);

    execute("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワード', '文字', '　abc ')");
    body({7, 0, 0});
    EXPECT_EQ(password("データパスワード"), "");
    EXPECT_EQ(password("データパスワードV2"), info.EncodedText);
    // The program reads it back with its own key.
    TEasyEncodeInfo back;
    InitEasyEncodeInfo(back);
    back.TotalLength = back.RestoreCount = 8;
    back.Key = "tuvesko";
    back.EncodedText = password("データパスワードV2");
    EasyDecode(back);
    EXPECT_EQ(back.ClearText, "abc");

    // Blank passwords: the old row goes, the scrambled one is neither written nor removed.
    for (const char* blank : {"", "　　"}) {
        execute(std::string("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワード', "
                            "'文字', '") + blank + "')");
        body({7, 0, 0});
        EXPECT_EQ(password("データパスワード"), "");
        EXPECT_EQ(password("データパスワードV2"), info.EncodedText);
    }
    execute("DELETE FROM ACCREG");
    body({7, 0, 0});
    EXPECT_EQ(query("SELECT COUNT(*) FROM ACCREG"), "0");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(CompanyFileStepsTest, Step704HoldsTheTaxFilesBackWhenCode116Exists)
{
    EXPECT_FALSE(dbupdate::TaxCode116Exists());
    execute("INSERT INTO TAXMST (TAX_CODE, TAX_NAME) VALUES (116, 'x')");
    EXPECT_TRUE(dbupdate::TaxCode116Exists());
    EXPECT_EQ(markers(body({7, 0, 4}), "704"), "01 02 03");
    setKind(3, 1);
    EXPECT_EQ(markers(body({7, 0, 4}), "704"), "01 02 04");
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
}

TEST_F(CompanyFileStepsTest, AFailingDirectStatementClosesTheDatabaseAndRaises)
{
    setKind(3, 1);
    execute("CREATE EXCEPTION NO_UPDATE 'refused'");
    execute("CREATE TRIGGER KAMOKUMST_REFUSE FOR KAMOKUMST BEFORE UPDATE AS BEGIN EXCEPTION NO_UPDATE; END");
    EXPECT_ANY_THROW(dbupdate::companyFileStepScript({3, 0, 6}));
    EXPECT_FALSE(DM->IBDatabaseDAT.connected());
    EXPECT_FALSE(DM->IBTransactionDAT.inTransaction());
}

// The installed copies of our step files: CP932 with CR LF, the sources' text, and no word that
// the runner takes for a failure in the tool's echo.
TEST(CompanyStepFiles, InstalledAsCp932WithoutTheRunnersFailureWords)
{
    const fs::path installed = STEP_SQL_DIR;
    const fs::path sources = STEP_SQL_SOURCE_DIR;
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(sources)) {
        if (!e.is_regular_file())
            continue;
        ++files;
        const fs::path rel = fs::relative(e.path(), sources);
        const std::string bytes = testsupport::readFile(installed / rel);
        std::string text = testsupport::readFile(e.path());
        std::string expected;
        for (char ch : platform::text::toCp932(text)) {
            if (ch == '\n')
                expected += '\r';
            expected += ch;
        }
        EXPECT_EQ(bytes, expected) << rel;
        EXPECT_EQ(bytes.find("Error"), std::string::npos) << rel;
        EXPECT_EQ(bytes.find("failed"), std::string::npos) << rel;
    }
    EXPECT_GE(files, 20);
    // Every listed file of the steps that cannot do without one is there.
    for (const auto& [folder, names] : stepFiles()) {
        if (folder != "703" && folder != "704" && folder != "800")
            continue;
        for (const std::string& n : names)
            EXPECT_TRUE(fs::exists(installed / folder / ("dwzup" + n + ".sql"))) << folder << " " << n;
    }
}

// Column types (type, length, scale, character set, not-null) of the columns and procedure
// parameters that our step files define, one line each.
std::string layout(const fs::path& file)
{
    firebird::Attachment db;
    db.connect(testsupport::morabyParams(file.string()));
    firebird::Transaction tr(db);
    tr.start();
    firebird::Statement st(tr,
        "SELECT TRIM(RF.RDB$RELATION_NAME) || '.' || TRIM(RF.RDB$FIELD_NAME) || ' ' || F.RDB$FIELD_TYPE || ' ' || "
        "COALESCE(F.RDB$FIELD_LENGTH, 0) || ' ' || COALESCE(F.RDB$FIELD_SCALE, 0) || ' ' || "
        "COALESCE(F.RDB$CHARACTER_SET_ID, -1) || ' ' || COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME IN ('AO_SYUNYU', 'AO_SYUNYU_ZASHUU', 'AO_NOUSANBUTUIGAI', 'AO_YATOININHI', "
        "'AO_KAJYU', 'AO_KAJYU_KEISAN', 'AO_TIDAI_CHINSHAKU', 'MYNUMBER_LOG') "
        "OR (RF.RDB$RELATION_NAME = 'ACCDEF1' AND RF.RDB$FIELD_NAME IN ('KURIKOSI1', 'KURIKOSI2', 'GENKA_HWORD6')) "
        "OR (RF.RDB$RELATION_NAME = 'AO_NOTE' AND RF.RDB$FIELD_NAME = 'NOTE') "
        "OR (RF.RDB$RELATION_NAME = 'KS_SISAN' AND RF.RDB$FIELD_NAME IN ('JIGYOUWARIAI_NEW', 'TEIRITU250', "
        "'TEIRITU200', 'TAIYONENSU200', 'SYUTOKUKAGAKUCHOSEI', 'SCODE', 'KCODE', 'HCODE', 'BCODE')) "
        "OR RF.RDB$RELATION_NAME IN ('KAKOZAN', 'KAKOSIWAKE1', 'KAKOSIWAKE2', 'MSD_HOUKOKU', 'OPDEFSISETU', "
        "'OPLICENSE', 'SISETUGROUP', 'OPINF_LOG') "
        "OR (RF.RDB$RELATION_NAME = 'KAMOKUMST' AND RF.RDB$FIELD_NAME IN ('USE', 'EXT1_A3', 'EXT1_A4')) "
        "OR (RF.RDB$RELATION_NAME = 'KAMOKU_MS' AND RF.RDB$FIELD_NAME IN ('KAR_IKKATSU', 'KAS_IKKATSU')) "
        "OR (RF.RDB$RELATION_NAME = 'KAMOKU_SZ' AND RF.RDB$FIELD_NAME IN ('KISHU_KOMI', 'KISHU_NUKI')) "
        "OR (RF.RDB$RELATION_NAME = 'SISETUMST' AND RF.RDB$FIELD_NAME IN ('MB_JIGYOU', 'XSTR')) "
        "OR (RF.RDB$RELATION_NAME IN ('EXTERKS', 'EXTERA3', 'EXTERA4') AND RF.RDB$FIELD_NAME = 'KNAME1') "
        "UNION ALL "
        "SELECT TRIM(P.RDB$PROCEDURE_NAME) || ' ' || P.RDB$PARAMETER_TYPE || ' ' || P.RDB$PARAMETER_NUMBER || ' ' || "
        "TRIM(P.RDB$PARAMETER_NAME) || ' ' || F.RDB$FIELD_TYPE || ' ' || COALESCE(F.RDB$FIELD_LENGTH, 0) || ' ' || "
        "COALESCE(F.RDB$FIELD_SCALE, 0) || ' ' || COALESCE(F.RDB$CHARACTER_SET_ID, -1) "
        "FROM RDB$PROCEDURE_PARAMETERS P JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = P.RDB$FIELD_SOURCE "
        "WHERE P.RDB$PROCEDURE_NAME IN ('SP_SISANHYO_KESSAN', 'OPINF_DELETE') "
        "ORDER BY 1");
    std::string out;
    auto c = st.open();
    while (c.fetch())
        out += c.getString(0) + "\n";
    c.close();
    tr.commit();
    return out;
}

TEST_F(CompanyFileStepsTest, OurFilesTakeTheDataFrom204To800)
{
    struct Kind {
        int dataType, codeType;
    };
    // Every kind starts from a copy of the base at 2.0.4.
    ASSERT_NO_FATAL_FAILURE(baseAt204WithInstalledFiles());
    const fs::path fixture = m_root / "data" / "company.fdb";
    testsupport::FixtureDb::copyTo("company", fixture);
    const std::string fixtureLayout = layout(fixture);
    ASSERT_NE(fixtureLayout.find("KS_SISAN.TEIRITU250"), std::string::npos);
    // What a database has already stays: a table of our files with its rows, a line name of
    // the A4 form shorter than the one our file gives (it grows, its names kept).
    execute("CREATE TABLE SISETUGROUP (GCODE VARCHAR(6) CHARACTER SET ASCII NOT NULL PRIMARY KEY, GNAME VARCHAR(40))");
    execute("INSERT INTO SISETUGROUP (GCODE, GNAME) VALUES ('G1', '東地区')");
    execute("ALTER TABLE EXTERA4 ADD KNAME1 VARCHAR(20)");
    execute("UPDATE EXTERA4 SET KNAME1 = '現金及び預金' WHERE REC = 1");
    const fs::path at204 = m_root / "data" / "at204.fdb";
    execute("UPDATE ACCDEF1 SET TAXDEFUH = 1"); // amounts with tax, which 6.0.0's choices take over
    fs::copy_file(database(), at204);
    // Individual real estate (3.0.3's statements) and medical data (4.0.0's cash-flow statements);
    // the other kinds differ only in the files taken, which the marker tests cover.
    for (const Kind k : {Kind{2, 2}, Kind{3, 1}}) {
        SCOPED_TRACE(std::to_string(k.dataType) + "," + std::to_string(k.codeType));
        fs::copy_file(at204, database(), fs::copy_options::overwrite_existing);
        execute("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワード', '文字', 'pass')");
        ASSERT_NO_FATAL_FAILURE(runFileStepsAs(k.dataType, k.codeType));

        // What our files add.
        EXPECT_EQ(query("SELECT LIST(N, ' ') FROM (SELECT TRIM(RDB$RELATION_NAME) || '.' || TRIM(RDB$FIELD_NAME) AS N "
                        "FROM RDB$RELATION_FIELDS WHERE (RDB$RELATION_NAME = 'AO_NOTE' AND "
                        "RDB$FIELD_NAME = 'NOTE') OR (RDB$RELATION_NAME = 'CASHFMST' AND RDB$FIELD_NAME = 'CM_JIGYOU') "
                        "OR (RDB$RELATION_NAME = 'EXTERKS' AND RDB$FIELD_NAME = 'KNAMELOCK') OR "
                        "(RDB$RELATION_NAME = 'KS_SISAN' AND RDB$FIELD_NAME IN ('JIGYOUWARIAI_NEW', 'TEIRITU250', "
                        "'TEIRITU200', 'TAIYONENSU200', 'SYUTOKUKAGAKUCHOSEI')) OR "
                        "(RDB$RELATION_NAME = 'KAMOKUMST' AND RDB$FIELD_NAME IN ('USE', 'EXT1_A3', 'EXT1_A4')) OR "
                        "(RDB$RELATION_NAME = 'KAMOKU_MS' AND RDB$FIELD_NAME IN ('KAR_IKKATSU', 'KAS_IKKATSU')) OR "
                        "(RDB$RELATION_NAME = 'KAMOKU_SZ' AND RDB$FIELD_NAME IN ('KISHU_KOMI', 'KISHU_NUKI')) OR "
                        "(RDB$RELATION_NAME = 'SISETUMST' AND RDB$FIELD_NAME IN ('MB_JIGYOU', 'XSTR')) OR "
                        "(RDB$RELATION_NAME IN ('EXTERKS', 'EXTERA3', 'EXTERA4') AND RDB$FIELD_NAME = 'KNAME1') ORDER BY 1)"),
                  "AO_NOTE.NOTE CASHFMST.CM_JIGYOU EXTERA3.KNAME1 EXTERA4.KNAME1 EXTERKS.KNAME1 EXTERKS.KNAMELOCK "
                  "KAMOKUMST.EXT1_A3 KAMOKUMST.EXT1_A4 KAMOKUMST.USE KAMOKU_MS.KAR_IKKATSU KAMOKU_MS.KAS_IKKATSU "
                  "KAMOKU_SZ.KISHU_KOMI KAMOKU_SZ.KISHU_NUKI KS_SISAN.JIGYOUWARIAI_NEW KS_SISAN.SYUTOKUKAGAKUCHOSEI "
                  "KS_SISAN.TAIYONENSU200 KS_SISAN.TEIRITU200 KS_SISAN.TEIRITU250 SISETUMST.MB_JIGYOU SISETUMST.XSTR");
        EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME IN ('AO_SYUNYU', "
                        "'AO_SYUNYU_ZASHUU', 'AO_NOUSANBUTUIGAI', 'AO_YATOININHI', 'AO_KAJYU', 'AO_KAJYU_KEISAN', "
                        "'AO_TIDAI_CHINSHAKU', 'MYNUMBER_LOG', 'KAKOZAN', 'KAKOSIWAKE1', 'KAKOSIWAKE2', "
                        "'MSD_HOUKOKU', 'OPDEFSISETU', 'OPLICENSE', 'SISETUGROUP', 'OPINF_LOG')"),
                  "16");
        EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'KAKOZAN'"), "70");
        EXPECT_EQ(query("SELECT GCODE, GNAME FROM SISETUGROUP"), "G1,東地区");
        EXPECT_EQ(query("SELECT REC, KNAME1 FROM EXTERA4 WHERE KNAME1 IS NOT NULL"), "1,現金及び預金");
        // Rows written before the columns came read as the columns' defaults.
        EXPECT_EQ(query("SELECT COUNT(*) FROM KAMOKUMST WHERE USE IS DISTINCT FROM 1"), "0");
        EXPECT_EQ(query("SELECT COUNT(*) FROM KAMOKU_SZ WHERE KISHU_KOMI IS DISTINCT FROM 0 OR "
                        "KISHU_NUKI IS DISTINCT FROM 0"),
                  "0");
        EXPECT_NE(query("SELECT COUNT(*) FROM KAMOKU_SZ"), "0");
        // A new past-year balance row starts at zero; a past journal is a debit unless told.
        execute("INSERT INTO KAKOZAN (SCODE, KCODE, HCODE, BCODE) VALUES ('', '1101', ' ', ' ')");
        EXPECT_EQ(query("SELECT CAST(KISHU + KOMIZAN_1 + NUKIZAN_16 + IKKATSU_8 + HAIBUN_13 AS INTEGER), "
                        "TRIGGER_SWITCH FROM KAKOZAN"),
                  "0,0");
        execute("INSERT INTO KAKOSIWAKE2 (REC, SCODE) VALUES (1, '01')");
        EXPECT_EQ(query("SELECT DELFLG, TAISHAKU, SCODE FROM KAKOSIWAKE2"), "0,1,01");
        EXPECT_EQ(query("SELECT LIST(TRIM(RDB$PARAMETER_NAME)) FROM (SELECT RDB$PARAMETER_NAME FROM "
                        "RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = 'SP_SISANHYO_KESSAN' AND "
                        "RDB$PARAMETER_TYPE = 0 ORDER BY RDB$PARAMETER_NUMBER)"),
                  "TAX,ZENTAX");
        // The carried-forward tax choices start as the tax treatment the program took while they
        // were missing; the outsourcing word is empty.
        EXPECT_EQ(query("SELECT KURIKOSI1 || ',' || KURIKOSI2 || ',[' || GENKA_HWORD6 || ']' FROM ACCDEF1"), "1,1,[]");
        // The objects our files define have the layout that the program reads (the 8.0.0 fixture's).
        EXPECT_EQ(layout(database()), fixtureLayout);
        // The settlement trial balance: this year's movements and past balances, with tax or without.
        execute("DELETE FROM KAMOKU_MS WHERE KCODE = '4101'");
        execute("DELETE FROM KAMOKU_PZ WHERE KCODE = '4101'");
        execute("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, KAR_NUK, KAR_TAX, KAS_NUK, KAS_TAX) "
                "VALUES ('', '4101', ' ', ' ', 3, 1000, 80, 10, 1)");
        execute("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU) "
                "VALUES ('', '4101', ' ', ' ', -2, 500, 40)");
        // The journal triggers book a department and a sub-account on rows of their own: the
        // account's balance is the sum of its rows.
        execute("INSERT INTO KAMOKU_PZ (SCODE, KCODE, HCODE, BCODE, MNUM, NUKIZAN, ZEIGAKU) "
                "VALUES ('', '4101', ' ', '01', -2, 200, 16)");
        execute("INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, KAR_NUK, KAR_TAX, KAS_NUK, KAS_TAX) "
                "VALUES ('', '4101', '001', ' ', 3, 300, 24, 0, 0)");
        // TAX 0 with tax, 1 without; ZENTAX 1 past balances with tax.
        EXPECT_EQ(query("SELECT CAST(KAR03 AS INTEGER), CAST(KAS03 AS INTEGER), CAST(ZANP02 AS INTEGER) "
                        "FROM SP_SISANHYO_KESSAN(0, 1) WHERE KCODE = '4101'"),
                  "1404,11,756");
        EXPECT_EQ(query("SELECT CAST(KAR03 AS INTEGER), CAST(KAS03 AS INTEGER), CAST(ZANP02 AS INTEGER) "
                        "FROM SP_SISANHYO_KESSAN(1, 0) WHERE KCODE = '4101'"),
                  "1300,10,700");
        // Without tax, the journals' collected taxes show on the suspense tax account.
        const std::string kariuke = "2104";
        execute("DELETE FROM ACCDEF2 WHERE KNAME IN ('仮受消費税', '仮払消費税') OR KCODE = '2104'");
        execute("INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('2104', '仮受消費税')");
        execute("DELETE FROM KAMOKU_MS WHERE KCODE = '" + kariuke + "'");
        execute("DELETE FROM KAMOKU_TAX");
        execute("INSERT INTO KAMOKU_TAX (SCODE, BCODE, TAXUH, MNUM, KAR, KAS) VALUES ('', ' ', 1, 3, 0, 80)");
        execute("INSERT INTO KAMOKU_TAX (SCODE, BCODE, TAXUH, MNUM, KAR, KAS) VALUES ('', ' ', 2, 3, 30, 0)");
        EXPECT_EQ(query("SELECT CAST(KAR03 AS INTEGER), CAST(KAS03 AS INTEGER) FROM SP_SISANHYO_KESSAN(1, 0) "
                        "WHERE KCODE = '" + kariuke + "'"),
                  "0,80");
        EXPECT_EQ(query("SELECT CAST(KAS03 AS INTEGER) FROM SP_SISANHYO_KESSAN(0, 0) WHERE KCODE = '" + kariuke + "'"),
                  "0");
        // Ending a working screen ends that operator's entry of that screen and records how it
        // ended and when; a screen with no open entry records nothing.
        execute("INSERT INTO OPINF (OPCODE, JOBNAME, PCNAME, OPENTIME) VALUES (7, '仕訳入力', 'PC01', "
                "'2026-05-01 09:00:00')");
        execute("INSERT INTO OPINF (OPCODE, JOBNAME, PCNAME, OPENTIME) VALUES (7, '印刷', 'PC01', "
                "'2026-05-01 09:00:00')");
        execute("INSERT INTO OPINF (OPCODE, JOBNAME, PCNAME, OPENTIME) VALUES (8, '仕訳入力', 'PC02', "
                "'2026-05-01 09:00:00')");
        execute("EXECUTE PROCEDURE OPINF_DELETE(7, '仕訳入力', '正常終了')");
        execute("EXECUTE PROCEDURE OPINF_DELETE(7, '決算書', 'エラー終了')");
        EXPECT_EQ(query("SELECT OPCODE, JOBNAME, STATE, CASE WHEN ABS(DATEDIFF(SECOND, CLOSETIME, LOCALTIMESTAMP)) "
                        "< 60 THEN 'now' ELSE 'other' END FROM OPINF_LOG"),
                  "7,仕訳入力,正常終了,now");
        EXPECT_EQ(query("SELECT LIST(OPCODE || ':' || JOBNAME, ' ') FROM (SELECT OPCODE, JOBNAME FROM OPINF "
                        "WHERE OPCODE IN (7, 8) ORDER BY OPCODE, JOBNAME)"),
                  "7:印刷 8:仕訳入力");
        // The sheet trial balances of the general code systems; medical data has sheets of its own.
        EXPECT_EQ(query("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME IN ('SP_SISANHYO', "
                        "'SP_SISANHYO_BUMONGOKEI', 'SP_SISANHYO_BUMONGOKEI_A4', 'SP_SISANHYO_BUMONGOKEI_A3')"),
                  k.dataType == 3 ? "0" : "4");
        // The data password went into its scrambled form.
        EXPECT_EQ(query("SELECT ACODE FROM ACCREG WHERE ACODE STARTING WITH 'データパスワード'"), "データパスワードV2");
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

// The sheet trial balances that our 6.1.3 file adds, on upgraded general data: an account's own
// row holds all of its sub-accounts and departments in the facilities asked for, its sub-accounts'
// rows follow it (the part without one only when it holds an amount); the department sheets take
// one department over every facility, the A4 and A3 ones in their layout's slots. Tax 0 counts
// the journals' taxes in, 1 leaves them out and shows them on the tax accounts.
TEST_F(CompanyFileStepsTest, OurSheetTrialBalancesAddUpTheCompanyTables)
{
    ASSERT_NO_FATAL_FAILURE(baseAt204WithInstalledFiles());
    ASSERT_NO_FATAL_FAILURE(runFileStepsAs(2, 1));

    // The base: opening balances 100000 of 現金 (1101) and 50000 of each part of 普通預金 (1103:
    // none, 001, 002) on the blank department of facilities 01 and 02; 1101, 4101 and 6107 also on
    // departments 00, 01 and 02 of facility 01. Movements of period 3 on 1103, of period 2 on 4101's
    // department 01 in both facilities; 2104 stands for 仮受消費税 with taxes of period 2.
    for (const char* sql : {
             "UPDATE KAMOKU_MS SET KAR_NUK = 1000, KAR_TAX = 80 WHERE SCODE = '01' AND KCODE = '1103' "
             "AND HCODE = '001' AND BCODE = ' ' AND MNUM = 3",
             "UPDATE KAMOKU_MS SET KAS_NUK = 500, KAS_TAX = 40 WHERE SCODE = '02' AND KCODE = '1103' "
             "AND HCODE = '002' AND BCODE = ' ' AND MNUM = 3",
             "UPDATE KAMOKU_SZ SET KAISIZAN = 7000 WHERE SCODE = '01' AND KCODE = '1101' AND BCODE = '01'",
             "UPDATE KAMOKU_MS SET KAS_NUK = 300, KAS_TAX = 24 WHERE SCODE = '01' AND KCODE = '4101' "
             "AND HCODE = ' ' AND BCODE = '01' AND MNUM = 2",
             "INSERT INTO KAMOKU_MS (SCODE, KCODE, HCODE, BCODE, MNUM, KAS_NUK, KAS_TAX) "
             "VALUES ('02', '4101', ' ', '01', 2, 200, 16)",
             "DELETE FROM ACCDEF2 WHERE KNAME IN ('仮受消費税', '仮払消費税') OR KCODE = '2104'",
             "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('2104', '仮受消費税')",
             "DELETE FROM KAMOKU_TAX",
             "INSERT INTO KAMOKU_TAX (SCODE, BCODE, TAXUH, MNUM, KAR, KAS) VALUES ('01', ' ', 1, 2, 0, 24)",
             "INSERT INTO KAMOKU_TAX (SCODE, BCODE, TAXUH, MNUM, KAR, KAS) VALUES ('02', ' ', 1, 2, 0, 16)",
             "INSERT INTO KAMOKU_TAX (SCODE, BCODE, TAXUH, MNUM, KAR, KAS) VALUES ('01', ' ', 2, 2, 80, 0)",
             "INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G2', '02')",
             // Two slots of each print layout: 1110's first account (1101) and 4100's (4101).
             "UPDATE EXTERA4 SET SUBREC = 0",
             "UPDATE EXTERA4 SET KGROUP = '1110', SUBREC = 1, MSTREC = 1 WHERE REC = 1",
             "UPDATE EXTERA4 SET KGROUP = '4100', SUBREC = 1, MSTREC = 2 WHERE REC = 2",
             "UPDATE EXTERA3 SET SUBREC = 0",
             "UPDATE EXTERA3 SET KGROUP = '1110', SUBREC = 1, MSTREC = 5 WHERE REC = 1",
             "UPDATE EXTERA3 SET KGROUP = '4100', SUBREC = 1, MSTREC = 6 WHERE REC = 2"})
        execute(sql);

    const std::string standard = "SELECT '[' || HCODE || ']', HOJCNT, TAISHAKU, CAST(KAISIZAN AS INTEGER), "
                                 "CAST(KAR02 AS INTEGER), CAST(KAS02 AS INTEGER), CAST(KAR03 AS INTEGER), "
                                 "CAST(KAS03 AS INTEGER) FROM ";
    const std::string sheet = "SELECT MSTREC, SUBREC, KCODE, KNAME, BSPL, TAISHAKU, CAST(KAISIZAN AS INTEGER), "
                              "CAST(KAS02 AS INTEGER) FROM ";
    struct Case {
        std::string sql, rows;
    };
    for (const Case& c : std::initializer_list<Case>{
             // Every facility: 6 x 50000; 1000 + 80 debited on 001, 500 + 40 credited on 002.
             {standard + "SP_SISANHYO(0, '', '') WHERE KCODE = '1103'",
              "[],2,1,300000,0,0,1080,540|[ ],2,1,100000,0,0,0,0|[001],2,1,100000,0,0,1080,0|"
              "[002],2,1,100000,0,0,0,540"},
             {standard + "SP_SISANHYO(1, '', '') WHERE KCODE = '1103' ROWS 1", "[],2,1,300000,0,0,1000,500"},
             // One facility, and a branch group of the other one.
             {standard + "SP_SISANHYO(0, '01', '') WHERE KCODE = '1103'",
              "[],2,1,150000,0,0,1080,0|[ ],2,1,50000,0,0,0,0|[001],2,1,50000,0,0,1080,0|"
              "[002],2,1,50000,0,0,0,0"},
             {standard + "SP_SISANHYO(0, '', 'G2') WHERE KCODE = '1103' ROWS 1", "[],2,1,150000,0,0,0,540"},
             // 100000 twice and department 01's 7000; no sub-account, one row.
             {standard + "SP_SISANHYO(0, '', '') WHERE KCODE = '1101'", "[],0,1,207000,0,0,0,0"},
             // Without tax the collected taxes of both facilities (24 + 16) on 仮受消費税.
             {standard + "SP_SISANHYO(0, '', '') WHERE KCODE = '2104'", "[],0,2,0,0,0,0,0"},
             {standard + "SP_SISANHYO(1, '', '') WHERE KCODE = '2104'", "[],0,2,0,0,40,0,0"},
             {standard + "SP_SISANHYO(1, '01', '') WHERE KCODE = '2104'", "[],0,2,0,0,24,0,0"},
             // Department 01 over both facilities: the accounts it holds; 4101 takes 324 + 216. A
             // department that no facility holds has no rows.
             {"SELECT LIST(KCODE) FROM SP_SISANHYO_BUMONGOKEI(0, '01')", "1101,4101,6107"},
             {standard + "SP_SISANHYO_BUMONGOKEI(0, '01') WHERE KCODE IN ('1101', '4101')",
              "[],0,1,7000,0,0,0,0|[],0,2,0,0,540,0,0"},
             {standard + "SP_SISANHYO_BUMONGOKEI(1, '01') WHERE KCODE = '4101'", "[],0,2,0,0,500,0,0"},
             {"SELECT COUNT(*) FROM SP_SISANHYO_BUMONGOKEI(0, '09')", "0"},
             // The print layouts' slots in their order.
             {sheet + "SP_SISANHYO_BUMONGOKEI_A4(0, '01')", "1,1,1101,現金,B,1,7000,0|2,1,4101,売上高,P,2,0,540"},
             {sheet + "SP_SISANHYO_BUMONGOKEI_A3(1, '01')", "5,1,1101,現金,B,1,7000,0|6,1,4101,売上高,P,2,0,500"},
         }) {
        EXPECT_EQ(query(c.sql), c.rows) << c.sql;
    }

    // Step 6.1.3 again leaves a procedure that is there as it is and adds one that is not.
    execute("DROP PROCEDURE SP_SISANHYO_BUMONGOKEI");
    execute("CREATE OR ALTER PROCEDURE SP_SISANHYO_BUMONGOKEI_A3 (PTAX INTEGER) RETURNS (X INTEGER) AS "
            "BEGIN X = 7; SUSPEND; END");
    setVersion(6, 1, 0);
    ASSERT_EQ(dbupdate::ExecCompanyFileStep(DbVersion{6, 1, 3}), 1)
        << testsupport::readFile(m_root / "log" / "ErrDataup.txt");
    EXPECT_EQ(query("SELECT X FROM SP_SISANHYO_BUMONGOKEI_A3(0)"), "7");
    EXPECT_EQ(query("SELECT LIST(KCODE) FROM SP_SISANHYO_BUMONGOKEI(0, '01')"), "1101,4101,6107");
    EXPECT_TRUE(m_messages.boxes().empty());
}

} // namespace
