// Consolidated data sets and their distributed children on real databases: the children a
// parent has, one more child (copied, emptied, registered) and the parent's settings.
#include "selection/GassanDataCtl.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/Sql.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

constexpr const char* kParent = "C:\\ZAIMU\\DATA\\0003";

class GassanDataCtlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        fs::create_directories(m_root / "c");
        fs::create_directories(m_root / "z");
        platform::paths::mapDrive('C', m_root / "c");
        platform::paths::mapDrive('Z', m_root / "z");
        testsupport::FixtureDb::copyTo("system", m_root / "c" / "ZAIMU" / "DATA" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("company", parentNative() / "dwacc.fdb");
        SystemDef.SysDir = "C:\\ZAIMU\\DATA";
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = 11;
        SystemDef.LoginId = 100000011;
        m_messages.answerDefaults();
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        system("UPDATE DATALIST SET ENTTEXT='合算C', GASSAN=1, PASNAME='" + std::string(kParent) +
               "' WHERE REC=3");
        // A consolidated parent with journals and numbering that its children must not keep.
        company(parentNative(), "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                                "('基本設定', '合算データ区分', '整数', '1')");
        company(parentNative(), "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES "
                                "('基本設定', '合算データ数', '整数', '0')");
        for (int i = 1; i <= 5; ++i)
            company(parentNative(), "INSERT INTO SIWAKE (REC) VALUES (" + std::to_string(i) + ")");
        company(parentNative(), "INSERT INTO KAKOSIWAKE1 (REC) VALUES (1)");
        company(parentNative(), "SET GENERATOR SIWAKE_REC_GEN TO 5");
        company(parentNative(), "SET GENERATOR SIWAKE42_GEN TO 9");
        company(parentNative(), "SET GENERATOR KSSISAN_GEN TO 3");
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
        platform::files::clearFaults();
    }

    fs::path parentNative() const { return m_root / "c" / "ZAIMU" / "DATA" / "0003"; }

    void system(const std::string& sql) { testsupport::exec(m_dm->IBDatabaseDEF, sql); }

    std::vector<std::string> systemRows(const std::string& sql)
    {
        return testsupport::rows(m_dm->IBDatabaseDEF, sql);
    }

    // One statement on a company database of its own connection; the first value of the first
    // row for a query.
    static std::string company(const fs::path& folder, const std::string& sql)
    {
        return testsupport::onDatabase((folder / "dwacc.fdb").string(), sql);
    }

    static std::string setting(const fs::path& folder, const std::string& key)
    {
        return company(folder, "SELECT ATEXT FROM ACCREG WHERE AGROUP='基本設定' AND ACODE='" + key + "'");
    }

    static std::string generator(const fs::path& folder, const std::string& name)
    {
        return company(folder, "SELECT GEN_ID(" + name + ", 0) FROM RDB$DATABASE");
    }

    void addChildRow(int rowNo, const std::string& folder)
    {
        system("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, PASNAME, GASSAN) VALUES (3, " +
               std::to_string(rowNo) + ", 10000, '" + folder + "', 10)");
    }

    std::unique_ptr<TGassanDataCtl> activated()
    {
        auto ctl = std::make_unique<TGassanDataCtl>();
        ctl->SetParentFolder(std::string(kParent) + "\\");
        ctl->SetParentRec(99);
        ctl->SetActive(true);
        return ctl;
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

TEST_F(GassanDataCtlTest, TheFirstChildIsAnEmptiedCopyRegisteredUnderItsParent)
{
    auto ctl = activated();
    EXPECT_EQ(ctl->ParentFolder(), kParent) << "kept without its trailing delimiter";
    EXPECT_EQ(ctl->ParentRec(), 3) << "the folder's slot replaces the REC given";
    EXPECT_TRUE(ctl->ChildData().empty());
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected()) << "the parent is closed again after reading";

    ASSERT_TRUE(ctl->AddChildData(""));
    const fs::path child = parentNative() / "001";
    ASSERT_TRUE(fs::exists(child / "dwacc.fdb"));
    EXPECT_EQ(company(child, "SELECT COUNT(*) FROM SIWAKE"), "0");
    EXPECT_EQ(company(child, "SELECT COUNT(*) FROM KAKOSIWAKE1"), "0");
    for (const char* gen : {"SIWAKE_REC_GEN", "SIWAKE00_GEN", "SIWAKE42_GEN", "SIWAKE99_GEN", "KSSISAN_GEN"})
        EXPECT_EQ(generator(child, gen), "0") << gen;
    EXPECT_EQ(setting(child, "合算データ区分"), "10");
    EXPECT_EQ(setting(child, "合算データ数"), "0");
    EXPECT_EQ(company(parentNative(), "SELECT COUNT(*) FROM SIWAKE"), "5") << "the parent keeps its journals";
    EXPECT_EQ(generator(parentNative(), "SIWAKE42_GEN"), "9");
    EXPECT_EQ(systemRows("SELECT REC, ROWNO, GASSAN, NETDRIVE, PASNAME FROM CHILD_DATALIST"),
              std::vector<std::string>({"3|1|10|0|" + std::string(kParent) + "\\001"}));
    ASSERT_EQ(ctl->ChildData().size(), 1u);
    EXPECT_EQ(ctl->ChildData()[0].ROWNO, 1);
    EXPECT_EQ(ctl->ChildData()[0].Folder, std::string(kParent) + "\\001");
}

TEST_F(GassanDataCtlTest, FolderNamesAndRowNumbersOfTheNextChild)
{
    struct Case {
        const char* what;
        std::vector<std::string> folders;
        std::string next; // empty: refused
    };
    const Case cases[] = {
        {"a name that is no number counts 0", {"001", "005", "abc"}, "006"},
        {"no folder left", {"999"}, ""},
        {"none yet", {}, "001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path parent = m_root / "c" / "names" / std::to_string(&c - cases);
        fs::create_directories(parent);
        for (const auto& f : c.folders)
            fs::create_directories(parent / f);
        TGassanDataCtl ctl;
        const std::string folder = platform::paths::fromNative(parent);
        std::string name = "x";
        if (c.next.empty()) {
            try {
                ctl.NextChildFolderName(folder, 1, name);
                ADD_FAILURE() << "must refuse";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "作成できるフォルダ名は[999]までです。");
            }
            EXPECT_EQ(name, "");
        } else {
            ctl.NextChildFolderName(folder, 1, name);
            EXPECT_EQ(name, c.next);
        }
    }
    TGassanDataCtl ctl;
    std::string name = "x";
    ctl.NextChildFolderName("C:\\nowhere", 1, name);
    EXPECT_EQ(name, "");
}

TEST_F(GassanDataCtlTest, AtFolder999TheAdditionFailsAndCreatesNothing)
{
    fs::create_directories(parentNative() / "999");
    auto ctl = activated();
    try {
        ctl->AddChildData("");
        ADD_FAILURE() << "must refuse";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "作成できるフォルダ名は[999]までです。");
    }
    EXPECT_FALSE(fs::exists(parentNative() / "1000"));
    EXPECT_TRUE(systemRows("SELECT REC FROM CHILD_DATALIST").empty());
}

TEST_F(GassanDataCtlTest, CatalogueNumbersOneAndFourGiveTheNewChildFive)
{
    fs::create_directories(parentNative() / "001");
    fs::create_directories(parentNative() / "002");
    addChildRow(1, std::string(kParent) + "\\001");
    addChildRow(4, std::string(kParent) + "\\002");
    auto ctl = activated();
    ASSERT_EQ(ctl->ChildData().size(), 2u);
    EXPECT_EQ(ctl->ChildData()[1].ROWNO, 4);
    EXPECT_EQ(ctl->NextRowNo(1), 5);
    ASSERT_TRUE(ctl->AddChildData(""));
    EXPECT_EQ(systemRows("SELECT ROWNO, PASNAME FROM CHILD_DATALIST WHERE ROWNO=5"),
              std::vector<std::string>({"5|" + std::string(kParent) + "\\003"}));
}

TEST_F(GassanDataCtlTest, MedicalDataCountsFolder00ButNot000)
{
    company(parentNative(), "UPDATE ACCDEF1 SET DATATYPE=3, CODETYPE=1");
    for (const char* f : {"00", "000", "0", "002"})
        fs::create_directories(parentNative() / f);
    auto ctl = activated();
    ASSERT_EQ(ctl->ChildData().size(), 2u);
    // In numbered mode a child's folder is the three-digit form of its number.
    EXPECT_EQ(ctl->ChildData()[0].Folder, std::string(kParent) + "\\000");
    EXPECT_EQ(ctl->ChildData()[0].ROWNO, 1);
    EXPECT_EQ(ctl->ChildData()[1].Folder, std::string(kParent) + "\\002");
    EXPECT_EQ(ctl->ChildData()[1].ROWNO, 2);

    company(parentNative(), "UPDATE ACCDEF1 SET DATATYPE=2, CODETYPE=1");
    ctl->SetActive(true);
    ASSERT_EQ(ctl->ChildData().size(), 1u) << "without the medical flag \"00\" is no child";
}

TEST_F(GassanDataCtlTest, ASharedParentGivesASharedChildRow)
{
    system("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=1, PASNAME='Z:\\morabyzaimu\\sv0003' WHERE REC=3");
    fs::create_directories(m_root / "z" / "morabyzaimu" / "sv0003");
    auto ctl = activated();
    EXPECT_EQ(ctl->ParentNetDrive(), 1);
    EXPECT_EQ(ctl->ParentSharePath(), "Z:\\morabyzaimu\\sv0003");
    ASSERT_TRUE(ctl->AddChildData(""));
    EXPECT_TRUE(fs::exists(parentNative() / "001" / "dwacc.fdb")) << "the data itself is local";
    EXPECT_EQ(systemRows("SELECT ROWNO, NETDRIVE, KYOYULOCK, GASSAN, PASNAME FROM CHILD_DATALIST"),
              std::vector<std::string>({"1|1|1|10|Z:\\morabyzaimu\\sv0003\\001"}));
}

TEST_F(GassanDataCtlTest, AParentFileThatCannotBeReadLeavesNoFolder)
{
    auto ctl = activated();
    platform::files::failNext(platform::files::Operation::Copy, EIO);
    EXPECT_FALSE(ctl->AddChildData(""));
    EXPECT_FALSE(fs::exists(parentNative() / "001"));
    EXPECT_TRUE(systemRows("SELECT REC FROM CHILD_DATALIST").empty());
    EXPECT_TRUE(ctl->ChildData().empty());
}

TEST_F(GassanDataCtlTest, SettingsOfTheParentAndTheCountOfPlainKinds)
{
    struct Case {
        int kind, count;
        const char* storedKind;
        const char* storedCount;
    };
    for (const Case& c : {Case{10, 5, "10", "0"}, Case{1, 3, "1", "3"}, Case{0, 7, "0", "0"}}) {
        auto ctl = activated();
        ctl->WriteGassanSettings(std::uint8_t(c.kind), c.count);
        EXPECT_EQ(setting(parentNative(), "合算データ区分"), c.storedKind);
        EXPECT_EQ(setting(parentNative(), "合算データ数"), c.storedCount);
        EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
    }
}

TEST_F(GassanDataCtlTest, AParentWhoseSettingsAreNotConsolidatedListsTheCatalogueChildren)
{
    company(parentNative(), "UPDATE ACCREG SET ATEXT='0' WHERE ACODE='合算データ区分'");
    fs::create_directories(parentNative() / "007");
    addChildRow(2, std::string(kParent) + "\\002");
    auto ctl = activated();
    ASSERT_EQ(ctl->ChildData().size(), 1u);
    EXPECT_EQ(ctl->ChildData()[0].ROWNO, 2);
    EXPECT_EQ(ctl->ChildData()[0].Folder, std::string(kParent) + "\\002");
    EXPECT_EQ(ctl->ParentData().SITEN, 0);
}

TEST_F(GassanDataCtlTest, InTheServerModesActivatingReadsAndConnectsNothing)
{
    ConnectMode = 1;
    fs::create_directories(parentNative() / "001");
    auto ctl = activated();
    ConnectMode = 0;
    EXPECT_TRUE(ctl->Active());
    EXPECT_TRUE(ctl->ChildData().empty());
    EXPECT_EQ(ctl->ParentRec(), 99);
    EXPECT_FALSE(m_dm->IBDatabaseDAT.connected());
}

} // namespace
