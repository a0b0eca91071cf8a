// The data-set information file, the product version list and the branch list, on fixture
// company databases (embedded engine).
#include "DataModuleFixture.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "records/DataInformation.h"
#include "records/ProductVersionList.h"
#include "records/BranchList.h"

#include <cerrno>
#include <initializer_list>
#include <map>

namespace {

namespace reg = platform::registry;

const char* const kFolder1 = "D:\\data\\0001";
const char* const kFolder2 = "D:\\data\\0002";
const char* const kNoRight =
    "このデータを扱う権限がありません。\r\r権限を付与するには、管理者でログインし「オペレータ登録」より"
    "[選択中のデータを処理します]にチェックを入れて下さい。";

std::string dataFile(const std::string& name)
{
    return testsupport::readFile(std::filesystem::path(TEST_SOURCE_DIR) / "data" / name);
}

void addGeneration(const std::string& subkey, const std::string& version, const std::string& type)
{
    const std::string key = "SOFTWARE\\QUELTO\\" + subkey;
    reg::writeString(reg::RootKey::LocalMachine, key, "Version", version);
    reg::writeString(reg::RootKey::LocalMachine, key, "Type", type);
}

class DataInformationTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        reg::setStorePath(m_root / "registry.ini");
        SystemDef.OperatorName = "山田　太郎";
    }

    void TearDown() override
    {
        platform::files::clearFaults();
        reg::resetStorePath();
        DataModuleFixture::TearDown();
    }

    // Runs statements on a company database of the data root, outside the data module.
    void companySql(const std::string& relative, std::initializer_list<std::string> statements)
    {
        firebird::Attachment db;
        auto params = testsupport::morabyParams(native(relative));
        params.charset = "SJIS_0208";
        db.connect(params);
        firebird::Transaction tr(db);
        tr.start();
        for (const auto& sql : statements) {
            firebird::Statement st(tr, sql);
            st.execute();
        }
        tr.commit();
        db.disconnect();
    }

    // Branches, departments, journals and settings that every key of the file shows.
    void fillCompany1()
    {
        companySql("data/0001/dwacc.fdb",
                   {"UPDATE ACCDEF1 SET ENTTEXT='決算用データ',SITEN=1,BUMON=1,DATALOCK=5",
                    "INSERT INTO SISETUMST (SCODE,SNAME,SIWAKECOUNT) VALUES ('001','本店',7)",
                    "INSERT INTO SISETUMST (SCODE,SNAME,SIWAKECOUNT) VALUES ('002','支店',5)",
                    "INSERT INTO BUMONMST (BCODE,BNAME) VALUES ('01','営業')",
                    "INSERT INTO BUMONMST (BCODE,BNAME) VALUES ('02','総務')",
                    "INSERT INTO SIWAKE (REC,DELFLG,TAISHAKU,SCODE) VALUES (1,1,1,'001')",
                    "INSERT INTO SIWAKE (REC,DELFLG,TAISHAKU,SCODE) VALUES (2,2,1,'001')",
                    "INSERT INTO SIWAKE (REC,DELFLG,TAISHAKU,SCODE) VALUES (3,1,1,'002')",
                    "INSERT INTO SIWAKE (REC,DELFLG,TAISHAKU,SCODE) VALUES (4,1,2,'002')",
                    "INSERT INTO SIWAKE (REC,DELFLG,TAISHAKU,SCODE) VALUES (5,0,1,'002')",
                    "INSERT INTO ACCREG (AGROUP,ACODE,ATYPE,ATEXT) VALUES ('基本設定','＃USE','整数','1')"});
        addGeneration("MORABYZAIMU_08", "8.0.0", "2024版");
    }

    std::string ini(const std::string& relativeFolder) const
    {
        return testsupport::readFile(m_root / relativeFolder / "dwacc.ini");
    }
};

// --- product versions -------------------------------------------------------------------

TEST_F(DataInformationTest, VersionListBuiltInsRegistryAndOrder)
{
    TSeihinVersionList list;
    list.Execute(0);
    EXPECT_EQ(list.Names, (std::vector<std::string>{"09版", "10版", "11版"}));
    EXPECT_EQ(list.IndexOfVersionName("10版"), 1);
    EXPECT_EQ(list.IndexOfVersionName("12版"), -1);
    EXPECT_EQ(list.GetVersionText(2), "3.0");
    EXPECT_EQ(list.GetVersionText(3), "");
    EXPECT_EQ(list.GetVersionName(-1), "");
    EXPECT_EQ(list.GetText(), "09版\r\n10版\r\n11版\r\n");

    list.FirstName = "選択なし";
    list.Execute(1);
    EXPECT_EQ(list.Names, (std::vector<std::string>{"選択なし", "11版", "10版", "09版"}));
    EXPECT_EQ(list.GetVersionText(0), "");

    addGeneration("MORABYZAIMU_08", "8.0.0", "2024版");
    addGeneration("morabyzaimu_03", "3.0.5", "重複");      // 3.0 is listed already
    addGeneration("MORABYZAIMU_09", "9.0", "二つだけ");     // two parts: nothing
    addGeneration("OTHERPRODUCT_10", "10.0.0", "他製品"); // not this product
    TSeihinVersionList withRegistry;
    withRegistry.Execute(0);
    EXPECT_EQ(withRegistry.Names, (std::vector<std::string>{"09版", "10版", "11版", "2024版"}));
    withRegistry.Execute(1);
    EXPECT_EQ(withRegistry.Names, (std::vector<std::string>{"2024版", "11版", "10版", "09版"}));

    LumeranDataFlag = 1;
    withRegistry.Execute(0);
    // Subkeys come in the registry's order: "morabyzaimu_03" before "MORABYZAIMU_08".
    EXPECT_EQ(withRegistry.Names, (std::vector<std::string>{"重複", "2024版"}));
    LumeranDataFlag = 0;
}

TEST_F(DataInformationTest, VersionLabelNamesAKnownGenerationOrShowsTheNumbers)
{
    std::string label;
    TDataInfomation plain;
    plain.GetVersionLabel(8, 0, label);
    EXPECT_EQ(label, "8.0");
    plain.GetVersionLabel(2, 0, label);
    EXPECT_EQ(label, "10版");

    addGeneration("MORABYZAIMU_08", "8.0.0", "2024版");
    TDataInfomation withRegistry;
    withRegistry.GetVersionLabel(8, 0, label);
    EXPECT_EQ(label, "2024版");
}

// --- the information file -----------------------------------------------------------------

TEST_F(DataInformationTest, OpeningMarksInUseAndClosingMarksFreeByteForByte)
{
    fillCompany1();
    SystemDef.DataDir = kFolder1;
    ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, 1));
    EXPECT_EQ(ini("data/0001"), dataFile("dwacc-in-use.ini"));

    TDataInfomation info;
    TDataInfomationRec rec;
    ASSERT_TRUE(info.ReadIniFile("", kFolder1, rec));
    EXPECT_EQ(rec.Status, 2);
    EXPECT_EQ(records::dataStatusText(rec.Status), "使用中");
    EXPECT_EQ(rec.OpCode, 100000011);
    EXPECT_EQ(rec.OpName, "山田　太郎");
    EXPECT_EQ(rec.VerMajor, 8);
    EXPECT_EQ(rec.VerName, "2024版");
    EXPECT_EQ(rec.TotalSiwake, 15);

    ASSERT_TRUE(m_dm->fnAccDatDisconnected(kFolder1, 1, 0));
    EXPECT_EQ(ini("data/0001"), dataFile("dwacc-free.ini"));
    // Closed already: nothing is read from another data set into this one's file.
    ASSERT_TRUE(m_dm->fnAccDatDisconnected(kFolder2, 1, 0));
    EXPECT_FALSE(std::filesystem::exists(m_root / "data/0002/dwacc.ini"));
    EXPECT_TRUE(m_messages.boxes().empty()) << m_messages.texts().front();
}

// Only a standalone opening that marks the data set writes its information file.
TEST_F(DataInformationTest, OpeningsThatLeaveNoFile)
{
    struct Case { const char* what; int connectMode; const char* host; int mark; };
    const Case cases[] = {
        {"standalone, not marked", 0, "buildpc", 0},
        // 127.0.0.1 counts as local: the embedded engine serves it.
        {"client/server, marked", 1, "127.0.0.1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectMode = c.connectMode;
        SystemDef.HostName = c.host;
        ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, c.mark));
        ASSERT_TRUE(m_dm->fnAccDatDisconnected(kFolder1, c.mark, 0));
        EXPECT_FALSE(std::filesystem::exists(m_root / "data/0001/dwacc.ini"));
    }
}

TEST_F(DataInformationTest, FirstReadCreatesTheFileAndMissingDataReadsFalse)
{
    TDataInfomation info;
    TDataInfomationRec rec;
    ASSERT_TRUE(info.ReadIniFile("", kFolder2, rec));
    EXPECT_TRUE(std::filesystem::exists(m_root / "data/0002/dwacc.ini"));
    EXPECT_EQ(rec.Status, 1);
    EXPECT_EQ(rec.OpCode, 0);
    EXPECT_EQ(rec.Shougou, "テスト商店");
    EXPECT_EQ(rec.DataListName, "0001");
    EXPECT_EQ(rec.Kishu, "2024/01/01");
    EXPECT_EQ(rec.VerName, "8.0");
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());

    std::filesystem::create_directories(m_root / "data/0003");
    rec.Shougou = "残り";
    EXPECT_FALSE(info.ReadIniFile("", "D:\\data\\0003", rec));
    EXPECT_EQ(rec, TDataInfomationRec{});
    EXPECT_TRUE(info.ReadIniFile("", "", rec)); // no folder: nothing to read
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataInformationTest, EveryStateCodeReadsBackWithItsText)
{
    const std::vector<std::string> texts = {"－",     "－",         "使用中",   "データロック中",
                                            "保存中", "復元中",     "コピー中", "貼り付け中",
                                            "削除中", "新規作成中", "破損"};
    TDataInfomation info;
    for (int status = 0; status <= 10; ++status) {
        info.SetDataStatus(kFolder1, status);
        TDataInfomationRec rec;
        ASSERT_TRUE(info.ReadIniFile("", kFolder1, rec));
        EXPECT_EQ(rec.Status, status);
        EXPECT_EQ(records::dataStatusText(rec.Status), texts[std::size_t(status)]) << status;
        const platform::IniFile file(native("data/0001/dwacc.ini"));
        EXPECT_EQ(file.valueExists("DATASTS", "OPCODE"), status != 1) << status;
        EXPECT_EQ(rec.OpCode, status == 1 ? 0 : 100000011) << status;
    }
    EXPECT_EQ(records::dataStatusText(11), "");
    // The data set marked damaged stays damaged for every later reader.
    TDataInfomationRec rec;
    TDataInfomation other;
    ASSERT_TRUE(other.ReadIniFileCurHost(kFolder1, rec));
    EXPECT_EQ(rec.Status, records::dsDamaged);
    EXPECT_EQ(rec.OpName, "山田　太郎");
}

// A copy or paste mark of a session no longer in the sign-in list reads as free (a crash left
// it); while the session is signed in, or with no system database to ask, the mark holds.
TEST_F(DataInformationTest, ACopyOrPasteMarkOfASessionThatEndedReadsFree)
{
    TDataInfomation info;
    const auto statusRead = [&](int status) {
        info.SetDataStatus(kFolder1, status);
        TDataInfomationRec rec;
        EXPECT_TRUE(info.ReadIniFile("", kFolder1, rec));
        return int(rec.Status);
    };
    EXPECT_EQ(statusRead(records::dsCopying), records::dsCopying) << "no system database";
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 0));
    const auto exec = [&](const std::string& sql) {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement(tr, sql).execute();
        tr.commit();
    };
    struct Case {
        int status;
        bool signedIn;
        int read;
    };
    const std::vector<Case> cases = {
        {records::dsCopying, false, records::dsFree},  {records::dsPasting, false, records::dsFree},
        {records::dsCopying, true, records::dsCopying}, {records::dsPasting, true, records::dsPasting},
        {records::dsSaving, false, records::dsSaving},  {records::dsDamaged, false, records::dsDamaged},
    };
    for (const Case& c : cases) {
        exec("DELETE FROM LOGONUSERLIST");
        if (c.signedIn)
            exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000011, 10000, 11, 'pc11')");
        EXPECT_EQ(statusRead(c.status), c.read) << c.status << " signed in " << c.signedIn;
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataInformationTest, SectionsAndDefaultsOfTheFile)
{
    const auto path = m_root / "data/0001/dwacc.ini";
    // Keys missing or not numbers read as their defaults; an empty list name shows the company.
    testsupport::writeFile(path, platform::text::toCp932("[DATASTS]\r\nSTATUS=abc\r\n"
                                                          "[DATAINFO]\r\nSHOUGOU=テスト商店\r\n"
                                                          "VERSION1=8.1\r\n"));
    TDataInfomation info;
    TDataInfomationRec rec;
    ASSERT_TRUE(info.ReadIniFile("", kFolder1, rec));
    EXPECT_EQ(rec.Status, 1);
    EXPECT_EQ(rec.ShareStatus, 1);
    EXPECT_EQ(rec.DataListName, "テスト商店");
    EXPECT_EQ(rec.VerMajor, 8);
    EXPECT_EQ(rec.VerMinor1, 1);
    EXPECT_EQ(rec.VerMinor2, 0);

    // One section rewritten: the other stays as it was.
    TDataInfomationRec written;
    written.Status = 4;
    written.OpCode = 7;
    written.OpName = "保存者";
    written.ShareStatus = 2;
    written.ShareOpCode = 8;
    written.ShareOpName = "共有者";
    info.WriteIniFile(kFolder1, "DATASTS", written);
    EXPECT_EQ(platform::text::fromCp932(testsupport::readFile(path)),
              "[DATAINFO]\r\nSHOUGOU=テスト商店\r\nVERSION1=8.1\r\n"
              "[DATASTS]\r\nSTATUS=4\r\nOPCODE=7\r\nOPERATOR=保存者\r\nSHARE_STATUS=2\r\n"
              "SHARE_OPCODE=8\r\nSHARE_OPERATOR=共有者\r\nUPDATE_LOCK=0\r\n");
    EXPECT_EQ(info.DataInfo, written);

    // With the server reaching the files, nothing is written.
    info.FileAccessMode = 1;
    const std::string before = testsupport::readFile(path);
    info.SetDataStatus(kFolder1, 9);
    info.WriteIniFile(kFolder1, "", TDataInfomationRec{});
    info.SetShareStatus(kFolder1, 1);
    EXPECT_EQ(testsupport::readFile(path), before);
}

TEST_F(DataInformationTest, RefreshingTheStateSectionResetsIt)
{
    TDataInfomation info;
    info.SetDataStatus(kFolder1, 8);
    info.SetShareStatus(kFolder1, 2);
    info.RefreshIniFile(kFolder1, "DATASTS");
    EXPECT_EQ(ini("data/0001"),
              "[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=1\r\nUPDATE_LOCK=0\r\n");
    info.RefreshIniFile(kFolder1, "DATAINFO");
    TDataInfomationRec rec;
    ASSERT_TRUE(info.ReadIniFile("", kFolder1, rec));
    EXPECT_EQ(rec.Shougou, "テスト商店");
    EXPECT_EQ(rec.Status, 1);
}

TEST_F(DataInformationTest, ThroughTheServerTheCatalogueLockAndTheDatabaseAnswer)
{
    companySql("data/dwaccdef.fdb",
               {"INSERT INTO DATALIST (REC,GROUPID,PASNAME,ENTTEXT,SHOUGOU,DATATYPE,CODETYPE,"
                "NENDO,KISHU,KIMATU,DATALOCK,TANTOU,UPDATE_LOCK,VER_TEXT,DATACODE) VALUES "
                "(9001,10000,'d:\\data\\0001','一覧名','ロック商店',1,2,2025,'2025-04-01',"
                "'2026-03-31',12,3,1,'2024版','0009')",
                "INSERT INTO OPERATOR (GROUPID,OPCODE,OPNAME) VALUES (10000,12,'山田')"});
    TDataInfomation info;
    info.FileAccessMode = 1;
    TDataInfomationRec rec;
    EXPECT_FALSE(info.ReadIniFile("", kFolder1, rec));
    EXPECT_EQ(rec.Status, records::dsLocked);
    EXPECT_EQ(records::dataStatusText(rec.Status), "データロック中");
    EXPECT_EQ(rec.OpCode, 100000012);
    EXPECT_EQ(rec.OpName, "山田");
    EXPECT_EQ(rec.DataListName, "一覧名");
    EXPECT_EQ(rec.Code, "0009");
    EXPECT_EQ(rec.Kishu, "2025/04/01");
    EXPECT_EQ(rec.VerName, "2024版");
    EXPECT_FALSE(m_dm->IBDatabaseDEF.connected()); // closed again: opened for this read

    // Not locked: read from the company database, free since nobody holds it.
    ASSERT_TRUE(info.ReadIniFile("", kFolder2, rec));
    EXPECT_EQ(rec.Status, records::dsFree);
    EXPECT_EQ(rec.Shougou, "テスト商店");
    EXPECT_FALSE(std::filesystem::exists(m_root / "data/0001/dwacc.ini"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "data/0002/dwacc.ini"));
    EXPECT_TRUE(m_messages.boxes().empty()) << m_messages.texts().front();
}

TEST_F(DataInformationTest, UpdateCutsTheListNameAtWholeCharacters)
{
    TDataInfomation info;
    TDataInfomationRec rec;
    rec.UpdateLock = 3;
    // 39 single bytes then a double-byte character across bytes 40 and 41, then more.
    rec.DataListName = " " + std::string(38, 'a') + "漢字漢字漢字";
    info.UpdateDataInfomation("", kFolder1, rec);
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
    ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, 0));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT, "SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1"),
              std::string(38, 'a'));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT, "SELECT DATALOCK FROM ACCDEF1 WHERE REC=1"), "3");
    m_dm->fnAccDatDisconnected(kFolder1, 0, 0);

    rec.DataListName = "　 ";
    rec.UpdateLock = 0;
    info.UpdateDataInfomation("", kFolder1, rec);
    ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, 0));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT, "SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1"),
              std::string(38, 'a'));
    EXPECT_EQ(queryOne(m_dm->IBDatabaseDAT, "SELECT DATALOCK FROM ACCDEF1 WHERE REC=1"), "0");
    m_dm->fnAccDatDisconnected(kFolder1, 0, 0);
    EXPECT_EQ(m_messages.texts(), std::vector<std::string>{});
}

// --- the right to use a data set ------------------------------------------------------------

TEST_F(DataInformationTest, RightToUseFollowsTheOperatorsBranches)
{
    const std::string op = std::to_string(SystemDef.LoginId);
    companySql("data/0001/dwacc.fdb",
               {"UPDATE ACCDEF1 SET SITEN=1",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('001','本店')",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('002','大阪支店')",
                "INSERT INTO OPDEFSISETU (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'001')"});
    // The second data set has one branch only, the operator's.
    companySql("data/0002/dwacc.fdb",
               {"UPDATE ACCDEF1 SET SITEN=1",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('001','本店')",
                "INSERT INTO OPDEFSISETU (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'001')"});
    TDataInfomation info;
    EXPECT_TRUE(info.IsUseData(kFolder2));
    EXPECT_TRUE(m_messages.boxes().empty());

    EXPECT_FALSE(info.IsUseData(kFolder1));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text, kNoRight);
    EXPECT_EQ(m_messages.boxes()[0].kind, "warning");
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());

    // Full rights, a missing data file and an empty folder answer without the database.
    m_messages.clear();
    SystemDef.JobLevel = 9;
    EXPECT_TRUE(info.IsUseData(kFolder1));
    SystemDef.JobLevel = 0;
    EXPECT_TRUE(info.IsUseData("D:\\data\\none"));
    EXPECT_FALSE(info.IsUseData(""));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataInformationTest, RightToUseIsRefusedWithoutUsualBranchOrWhenTheCheckFails)
{
    const std::string op = std::to_string(SystemDef.LoginId);
    TDataInfomation info;
    // No usual branch at all.
    EXPECT_FALSE(info.IsUseData(kFolder1));
    ASSERT_EQ(m_messages.texts(), std::vector<std::string>{kNoRight});

    // The usual-branch test answers yes, then the branch list fails: no right, no refusal box.
    m_messages.clear();
    companySql("data/0002/dwacc.fdb",
               {"UPDATE ACCDEF1 SET SITEN=1",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('001','本店')",
                "INSERT INTO OPDEFSISETU (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "ALTER TABLE SISETUMST DROP XSTR"});
    EXPECT_FALSE(info.IsUseData(kFolder2));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("データ使用権限の問い合わせに失敗しました。"),
              std::string::npos);
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
}

TEST_F(DataInformationTest, BranchListForAllOperatorsAndForOne)
{
    const std::string op = std::to_string(SystemDef.LoginId);
    companySql("data/0001/dwacc.fdb",
               {"UPDATE ACCDEF1 SET SITEN=0,BUMON=1",
                "INSERT INTO SISETUMST (SCODE,SNAME,BUMEX,XSTR) VALUES ('001','本店',1,'COLOR=255')",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('002','大阪\"支店\"')",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('003','名古屋支店')",
                "INSERT INTO SISETUMST (SCODE,SNAME) VALUES ('  ','空白')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'003')"});
    ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, 0));
    ASSERT_TRUE(m_dm->fnGetAccInfo());

    // Without branches in use: the company itself, for everyone.
    TSitenList list;
    list.Kinds = 4;
    list.Execute(-1);
    ASSERT_EQ(list.Count, 1);
    EXPECT_EQ(list.Lines[0], "テスト商店");
    EXPECT_EQ(list.Items[0].Kind, 0);
    EXPECT_EQ(list.Items[0].Bumex, 1);
    list.Execute(SystemDef.LoginId);
    EXPECT_EQ(list.Count, 1);

    AccInf.SITEN = 1;
    list.Execute(-1);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"001:本店", "002:大阪\"支店\"", "003:名古屋支店"}));
    EXPECT_EQ(list.Items[0].Bumex, 1);
    EXPECT_EQ(list.Items[0].Color, 255);
    EXPECT_EQ(list.Items[0].Kind, 2);
    list.Execute(SystemDef.LoginId);
    EXPECT_EQ(list.OpCode, SystemDef.LoginId);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"001:本店", "003:名古屋支店"}));

    // The whole company only when every branch is permitted; tab form quotes safely.
    list.Kinds = 1 | 4;
    list.TabFormat = true;
    list.Execute(-1);
    EXPECT_EQ(list.Lines[0], "\"総体\"\t\"\"\t\"\""); // a sole proprietor
    EXPECT_EQ(list.Lines[2], "\"002\"\t\"\"\t\"大阪'支店'\"");
    list.Execute(SystemDef.LoginId);
    EXPECT_EQ(list.Count, 2);
    EXPECT_EQ(list.Items[0].Code, "001");
    m_dm->fnAccDatDisconnected(kFolder1, 0, 0);
}

TEST_F(DataInformationTest, MedicalBranchListHasDivisionsWithAllTheirFacilities)
{
    const std::string op = std::to_string(SystemDef.LoginId);
    companySql("data/0001/dwacc.fdb",
               {"UPDATE ACCDEF1 SET SITEN=1,DATATYPE=3,CODETYPE=1",
                "INSERT INTO SISETUMST (SCODE,SNAME,MB_JIGYOU) VALUES ('00','本部',1)",
                "INSERT INTO SISETUMST (SCODE,SNAME,MB_JIGYOU) VALUES ('001','病院',8)",
                "INSERT INTO SISETUMST (SCODE,SNAME,MB_JIGYOU) VALUES ('002','診療所',8)",
                "INSERT INTO SISETUMST (SCODE,SNAME,MB_JIGYOU) VALUES ('003','老健',4)",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'001')",
                "INSERT INTO OPLICENSE (OPCODE,SCODE) VALUES (" + op + ",'002')"});
    ASSERT_TRUE(m_dm->fnAccDatConnected("", kFolder1, 0));
    ASSERT_TRUE(m_dm->fnGetAccInfo());
    ASSERT_TRUE(AccInf.IsMedical);

    TSitenList list;
    list.Kinds = 2;
    list.Execute(-1); // no division 2; division 1 holds only facility "00"
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"病院・診療所", "老人保健施設"}));
    EXPECT_EQ(list.Items[1].Jigyou, 4);
    list.Execute(SystemDef.LoginId);
    EXPECT_EQ(list.Lines, std::vector<std::string>{"病院・診療所"});

    list.Kinds = 4;
    list.Execute(-1);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"00:本部", "001:病院", "002:診療所", "003:老健"}));
    EXPECT_EQ(list.Items[3].Jigyou, 4);
    list.Include00 = false;
    list.JigyouFilter = 8;
    list.Execute(-1);
    EXPECT_EQ(list.Lines, (std::vector<std::string>{"001:病院", "002:診療所"}));
    m_dm->fnAccDatDisconnected(kFolder1, 0, 0);
    EXPECT_TRUE(m_messages.boxes().empty());
}

// --- the shared server ---------------------------------------------------------------------

class ShareCopyTest : public DataInformationTest {
protected:
    void SetUp() override
    {
        DataInformationTest::SetUp();
        std::filesystem::create_directories(m_root / "local/0001");
        std::filesystem::create_directories(m_root / "share/0001");
        testsupport::writeFile(m_root / "local/0001/dwacc.fdb", "local database");
        testsupport::writeFile(m_root / "share/0001/dwacc.fdb", "shared database");
        TDataInfomation info;
        TDataInfomationRec rec;
        rec.Shougou = "テスト商店";
        info.WriteIniFile(kShare, "", rec);
        info.SetShareStatus(kShare, 2);
        info.WriteIniFile(kLocal, "", rec);
        info.SetShareStatus(kLocal, 2);
    }

    std::map<std::string, std::string> folderFiles(const std::string& relative) const
    {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(m_root / relative))
            out[e.path().filename().string()] = testsupport::readFile(e.path());
        return out;
    }

    int shareStatusOf(const std::string& folder) const
    {
        TDataInfomation info;
        TDataInfomationRec rec;
        info.ReadIniFileCurHost(folder, rec);
        return rec.ShareStatus;
    }

    static constexpr const char* kShare = "D:\\share\\0001";
    static constexpr const char* kLocal = "D:\\local\\0001";
};

TEST_F(ShareCopyTest, CopyBackReplacesTheSharedDataAndReleasesTheShareState)
{
    TDataInfomation info;
    EXPECT_EQ(info.CopyToShareServer(kShare, kLocal, 1), 1);
    EXPECT_EQ(testsupport::readFile(m_root / "share/0001/dwacc.fdb"), "local database");
    EXPECT_EQ(shareStatusOf(kShare), 1);
    EXPECT_EQ(shareStatusOf(kLocal), 1);
    const platform::IniFile share(native("share/0001/dwacc.ini"));
    EXPECT_FALSE(share.valueExists("DATASTS", "SHARE_OPCODE"));
    EXPECT_EQ(share.readInteger("DATASTS", "STATUS", -1), 1);
    EXPECT_EQ(folderFiles("share/0001").size(), 2u); // no staging file left
    EXPECT_EQ(info.CopyToShareServer("", kLocal, 1), 0);
}

TEST_F(ShareCopyTest, FailedCopyBackLeavesTheSharedDataAndShareState)
{
    // The first file fails (disk full), or the last one after two were copied (it vanished).
    for (bool halfway : {false, true}) {
        const auto shareBefore = folderFiles("share/0001");
        TDataInfomation info;
        if (halfway)
            std::filesystem::create_symlink(m_root / "nowhere", m_root / "local/0001/dwacc.zzz");
        else
            platform::files::failNext(platform::files::Operation::Copy, ENOSPC);
        EXPECT_EQ(info.CopyToShareServer(kShare, kLocal, 1), 0);
        EXPECT_EQ(folderFiles("share/0001"), shareBefore) << halfway;
        EXPECT_EQ(shareStatusOf(kLocal), 2);
        EXPECT_EQ(shareStatusOf(kShare), 2);
    }
}

// A rename that fails while the copies are moved in (disk error, file locked) puts every old
// file back: the shared area never holds the local database beside the shared settings.
TEST_F(ShareCopyTest, AFailedRenameLeavesNoMixOfOldAndNewFiles)
{
    const auto shareBefore = folderFiles("share/0001");
    // The first rename is the status write before the copy; then two old files are moved aside
    // and two new ones moved in.
    for (int skip = 1; skip <= 4; ++skip) {
        TDataInfomation info;
        platform::files::failNext(platform::files::Operation::Rename, EIO, skip);
        EXPECT_EQ(info.CopyToShareServer(kShare, kLocal, 1), 0) << skip;
        platform::files::clearFaults();
        EXPECT_EQ(folderFiles("share/0001"), shareBefore) << skip;
        EXPECT_EQ(shareStatusOf(kShare), 2) << skip;
    }
}

TEST_F(ShareCopyTest, CopyBackIsRefusedWhileAnotherLoginHoldsTheSharedArea)
{
    TDataInfomation info;
    info.WriteIniValue(kShare, "DATASTS", false, "100000099", "SHARE_OPCODE");
    const auto shareBefore = folderFiles("share/0001");
    const auto localBefore = folderFiles("local/0001");
    EXPECT_EQ(info.CopyToShareServer(kShare, kLocal, 1), -1);
    EXPECT_EQ(folderFiles("share/0001"), shareBefore);
    EXPECT_EQ(folderFiles("local/0001"), localBefore);
}

TEST_F(ShareCopyTest, FetchingTakesTheSharedDataUnlessItIsDamagedOrTakenOut)
{
    TDataInfomation info;
    info.SetShareStatus(kShare, 1);
    info.SetDataStatus(kShare, records::dsDamaged);
    const auto localBefore = folderFiles("local/0001");
    EXPECT_EQ(info.CopyFromShareServer(kShare, kLocal, 1), -1);
    EXPECT_EQ(folderFiles("local/0001"), localBefore);
    EXPECT_THROW(info.CopyFromShareServer(kShare, kLocal, 0), std::runtime_error);

    info.SetDataStatus(kShare, records::dsFree);
    EXPECT_EQ(info.CopyFromShareServer(kShare, "D:\\local\\0002", 1), 1);
    EXPECT_EQ(testsupport::readFile(m_root / "local/0002/dwacc.fdb"), "shared database");
    const platform::IniFile local(native("local/0002/dwacc.ini"));
    EXPECT_EQ(local.readInteger("DATASTS", "SHARE_STATUS", 0), 2);
    EXPECT_EQ(local.readInteger("DATASTS", "SHARE_OPCODE", 0), SystemDef.LoginId);
    EXPECT_EQ(shareStatusOf(kShare), 2);

    // Taken out already: the shared files are copied again, the answer is -1.
    EXPECT_EQ(info.CopyFromShareServer(kShare, "D:\\local\\0003", 1), -1);
    EXPECT_TRUE(std::filesystem::exists(m_root / "local/0003/dwacc.fdb"));
    // A shared area that is gone.
    EXPECT_EQ(info.CopyFromShareServer("D:\\share\\gone", kLocal, 1), 0);
    EXPECT_THROW(info.CopyFromShareServer("D:\\share\\gone", kLocal, 0), std::runtime_error);
}

TEST_F(ShareCopyTest, AFailedFetchTakesNothingOut)
{
    TDataInfomation info;
    info.SetShareStatus(kShare, 1);
    platform::files::failNext(platform::files::Operation::Copy, ENOSPC);
    EXPECT_EQ(info.CopyFromShareServer(kShare, "D:\\local\\0002", 1), 0);
    EXPECT_EQ(shareStatusOf(kShare), 1);
    EXPECT_NE(shareStatusOf("D:\\local\\0002"), 2);
    TDataInfomationRec rec;
    info.ReadIniFileCurHost(kShare, rec);
    EXPECT_EQ(rec.Status, records::dsFree);
}

} // namespace

namespace {

// An information file written by another program may hold bytes that are not CP932. The lists
// still show the data set: undecodable characters read as U+FFFD, numbers as they stand.
TEST_F(ShareCopyTest, AnInformationFileWithUndecodableBytesStillReads)
{
    testsupport::writeFile(m_root / "share/0001/dwacc.ini",
                           "[DATASTS]\r\nSTATUS=2\r\nOPCODE=10001\r\nOPERATOR=\x8E\x52\x85\x40\r\n"
                           "SHARE_STATUS=1\r\n[DATAINFO]\r\nSHOUGOU=A\xA0" "B\r\nNENDO=2024\r\n");
    TDataInfomation info;
    TDataInfomationRec rec;
    EXPECT_TRUE(info.ReadIniFileCurHost(kShare, rec));
    EXPECT_EQ(rec.Status, 2);
    EXPECT_EQ(rec.OpCode, 10001);
    EXPECT_EQ(rec.OpName, "山\xEF\xBF\xBD");
    EXPECT_EQ(rec.Shougou, "A\xEF\xBF\xBD" "B");
    EXPECT_EQ(rec.DataListName, rec.Shougou);
    EXPECT_EQ(rec.Nendo, 2024);
    // Changing the state keeps the other lines' bytes.
    info.SetDataStatus(kShare, records::dsFree);
    EXPECT_NE(testsupport::readFile(m_root / "share/0001/dwacc.ini").find("SHOUGOU=A\xA0" "B\r\n"),
              std::string::npos);
}

} // namespace
