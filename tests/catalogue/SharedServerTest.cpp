// The shared-server list and the fetch and store of shared data sets, with the shared drive S:
// on a temporary folder marked remote.
#include "CatalogueFixture.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace files = platform::files;

namespace {

int shareStatus(const std::string& folder)
{
    return platform::IniFile(platform::paths::join(folder, DataIniFile)).readInteger("DATASTS", "SHARE_STATUS", 1);
}

int shareOpcode(const std::string& folder)
{
    return platform::IniFile(platform::paths::join(folder, DataIniFile)).readInteger("DATASTS", "SHARE_OPCODE", 0);
}

std::string dataOf(const std::string& folder)
{
    return files::readAll(platform::paths::join(folder, DataFile));
}

// Nothing but the data set's own files: no staged or set-aside copies left behind.
std::vector<std::string> fileNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : files::list(folder))
        if (!e.isDirectory)
            names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

// The listed areas' folder names, "S:\R\" cut off.
std::vector<std::string> folders(const TDataSentakuListCtl& ctl)
{
    std::vector<std::string> out;
    for (const auto& e : ctl.DataList)
        out.push_back(e.PASNAME.substr(5));
    return out;
}

class SharedServerTest : public CatalogueTest {};

TEST_F(SharedServerTest, RebuildsTheDriveListFromItsFolders)
{
    files::createDirectories("S:\\ROOT\\sv0001");
    files::createDirectories("S:\\ROOT\\sv0002\\001");
    files::createDirectories("S:\\ROOT\\sv0002\\002");
    exec("INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,PASNAME) VALUES (10000,'S',5,'古い','S:\\OLD')");
    exec("INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,PASNAME) VALUES (10000,'T',1,'別','T:\\ROOT\\sv0001')");
    exec("INSERT INTO CHILD_SERVERDATALIST (GROUPID,DRIVELETTER,REC,ROWNO,PASNAME) VALUES (10000,'T',1,1,'T:\\ROOT\\sv0001\\001')");
    auto ctl = catalogue();
    ctl->ServerListMode = 1;
    ctl->ServerExecute(1, "S:\\ROOT", "", false, 1);
    ASSERT_EQ(ctl->DataCount, 2);
    EXPECT_EQ(ctl->DataList[0].PASNAME, "S:\\ROOT\\sv0001");
    EXPECT_EQ(ctl->DataList[1].ENTTEXT, "空き領域");
    EXPECT_EQ(ctl->DataList[1].KikanText, "～");
    EXPECT_EQ(ctl->DataList[1].NETDRIVE, 1);
    EXPECT_EQ(ctl->DataList[1].NENDO, 0);
    ASSERT_EQ(ctl->DataList[1].ChildCnt, 2);
    EXPECT_EQ(ctl->DataList[1].Children[1].PASNAME, "S:\\ROOT\\sv0002\\002");
    EXPECT_EQ(ctl->DataList[1].Children[1].ROWNO, 2);
    EXPECT_EQ(ctl->DataList[1].Children[1].GASSAN, GassanChild);
    EXPECT_EQ(ctl->ChildCount, 2);
    EXPECT_EQ(rows("SELECT DRIVELETTER,REC FROM SERVERDATALIST"), (std::vector<std::string>{"T|1"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"1"}));

    // Not serving the shared list: only cleared.
    auto local = catalogue();
    local->ServerExecute(0, "S:\\ROOT", "", false, 1);
    EXPECT_EQ(local->DataCount, 0);
}

TEST_F(SharedServerTest, StoresRowsOnePerFolderAndMirrorsTheLock)
{
    files::createDirectories("S:\\ROOT\\sv0001");
    files::createDirectories("S:\\ROOT\\sv0002");
    exec("UPDATE DATALIST SET NETDRIVE=1,PASNAME='S:\\ROOT\\sv0001' WHERE REC=4");
    auto ctl = catalogue();
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "S:\\ROOT\\sv0001");
    rec.NETDRIVE = 1;
    rec.ENTTEXT = "乙";
    rec.SHOUGOU = "乙商店";
    rec.KISHU = platform::encodeDate(2024, 1, 1);
    rec.KIMATU = platform::encodeDate(2024, 12, 31);
    rec.DATALOCK = 3;
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(rec, 0, true));
    EXPECT_EQ(rec.REC, 1);
    TDataListRec second = rec;
    second.PASNAME = "S:\\ROOT\\sv0002";
    second.ENTTEXT = "甲";
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(second, 0, true));
    EXPECT_EQ(second.REC, 2);
    EXPECT_EQ(rows("SELECT DATALOCK FROM DATALIST WHERE REC=4"), (std::vector<std::string>{"3"}));

    rec.ENTTEXT = "改名";
    rec.DATALOCK = 0;
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(rec, 0, true));
    EXPECT_EQ(rows("SELECT ENTTEXT FROM SERVERDATALIST WHERE REC=1"), (std::vector<std::string>{"乙"}));
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(rec, 1, true));
    EXPECT_EQ(rows("SELECT ENTTEXT FROM SERVERDATALIST WHERE REC=1"), (std::vector<std::string>{"改名"}));

    // Two rows of one folder become one new row.
    exec("INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,PASNAME) VALUES (10000,'S',9,'重複','S:\\ROOT\\sv0001')");
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(rec, 0, true));
    EXPECT_EQ(rec.REC, 3);
    EXPECT_EQ(rows("SELECT REC FROM SERVERDATALIST WHERE PASNAME='S:\\ROOT\\sv0001'"), (std::vector<std::string>{"3"}));

    // A folder that is gone gets no row; the lock still reaches the local rows.
    TDataListRec gone = rec;
    gone.PASNAME = "S:\\ROOT\\sv0009";
    gone.DATALOCK = 7;
    exec("UPDATE DATALIST SET NETDRIVE=1,PASNAME='S:\\ROOT\\sv0009' WHERE REC=6");
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(gone, 0, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST WHERE PASNAME='S:\\ROOT\\sv0009'"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(rows("SELECT DATALOCK FROM DATALIST WHERE REC=6"), (std::vector<std::string>{"7"}));

    // A child under its parent; then the emptied parent goes, and its children with it.
    files::createDirectories("S:\\ROOT\\sv0002\\001");
    TDataListRec child;
    ctl->InitDataListRecord(child, "S:\\ROOT\\sv0002\\001");
    child.NETDRIVE = 1;
    child.ROWNO = 1;
    child.GASSAN = GassanChild;
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(child, 1, true));
    EXPECT_EQ(rows("SELECT REC,ROWNO FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"2|1"}));
    TDataListRec orphan = child;
    orphan.PASNAME = "S:\\ROOT\\sv0042\\001";
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(orphan, 1, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"1"}));

    TDataListRec placeholder = second;
    placeholder.ENTTEXT = "空き領域";
    placeholder.KISHU = placeholder.KIMATU = 0;
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(placeholder, 1, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST WHERE REC=2"), (std::vector<std::string>{"1"}));
    TDataListRec emptied = second;
    emptied.ENTTEXT = "";
    emptied.KISHU = emptied.KIMATU = 0;
    ASSERT_TRUE(ctl->UpdateServerDataListRecord(emptied, 1, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST WHERE REC=2"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"0"}));

    TDataListRec localRow = rec;
    localRow.NETDRIVE = 0;
    EXPECT_TRUE(ctl->UpdateServerDataListRecord(localRow, 1, true));
}

TEST_F(SharedServerTest, ReadsTheDriveListNamedFirstThenUnnamedByFolder)
{
    for (const char* sql : {
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',1,'乙',2,'S:\\R\\sv0004')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',2,'空き領域',0,'S:\\R\\sv0001')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',3,'甲',1,'S:\\R\\sv0003')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',4,'',0,'S:\\R\\sv0002')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',5,'新しい領域',0,'S:\\R\\sv0000')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'T',1,'別',0,'T:\\R\\sv0001')",
             "INSERT INTO CHILD_SERVERDATALIST (GROUPID,DRIVELETTER,REC,ROWNO,GASSAN,PASNAME) VALUES (10000,'S',3,1,10,'S:/R/sv0003/001')",
         })
        exec(sql);
    auto ctl = catalogue();
    ctl->ServerListMode = 1;
    ctl->ServerExecute(0, "S:\\R", "", false, 3);
    EXPECT_EQ(folders(*ctl), (std::vector<std::string>{"sv0003", "sv0004", "sv0000", "sv0001", "sv0002"}));
    ctl->ServerExecute(0, "S:\\R", "", true, 3);
    EXPECT_EQ(folders(*ctl), (std::vector<std::string>{"sv0004", "sv0003", "sv0000", "sv0001", "sv0002"}));
    ctl->ServerExecute(0, "S:\\R", "", true, 1);
    EXPECT_EQ(folders(*ctl), (std::vector<std::string>{"sv0000", "sv0001", "sv0002", "sv0003", "sv0004"}));
    EXPECT_EQ(ctl->DataCount, 5);
    const TDataSentakuRec& withChild = ctl->DataList[3];
    EXPECT_EQ(withChild.NETDRIVE, 1);
    EXPECT_EQ(withChild.KYOYULOCK, 0);
    ASSERT_EQ(withChild.ChildCnt, 1);
    EXPECT_EQ(withChild.Children[0].PASNAME, "S:\\R\\sv0003\\001");
    EXPECT_EQ(withChild.Children[0].LocalPath, "C:\\ZAIMU\\data\\0003\\001");

    std::string name;
    ctl->GetNextShareFolderName("S:\\R", 1, name);
    EXPECT_EQ(name, "sv0005");
    ctl->GetNextShareFolderName("S:\\EMPTY", 1, name);
    EXPECT_EQ(name, "sv0001");
    ctl->GetNextShareFolderName("S:\\R_", 1, name); // "_" is no wildcard
    EXPECT_EQ(name, "sv0001");

    TDataListRec parent = ctl->DataList[3];
    ASSERT_TRUE(ctl->DeleteServerDataListChildRecord(parent, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"0"}));
}

TEST_F(SharedServerTest, AnAreaWrittenWithNullsIsListedAmongTheUnnamed)
{
    for (const char* sql : {
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,NENDO,PASNAME) VALUES (10000,'S',1,'乙',2,'S:\\R\\sv0002')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,PASNAME) VALUES (10000,'S',2,'S:\\R\\sv0001')",
         })
        exec(sql);
    auto ctl = catalogue();
    ctl->ServerListMode = 1;
    ctl->ServerExecute(0, "S:\\R", "", false, 3);
    EXPECT_EQ(folders(*ctl), (std::vector<std::string>{"sv0002", "sv0001"}));
    EXPECT_EQ(ctl->DataCount, 2);
    ASSERT_EQ(ctl->DataList.size(), 2u);
    EXPECT_EQ(ctl->DataList[1].ENTTEXT, "");
    EXPECT_EQ(ctl->DataList[1].NENDO, 0);
    ctl->ServerExecute(0, "S:\\R", "", false, 1);
    EXPECT_EQ(folders(*ctl), (std::vector<std::string>{"sv0001", "sv0002"}));
}

// A shared data set in area S:\ROOT\sv0001 registered in local slot 5.
class ShareTransferTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        makeDataSet(m_area, "SERVER-DATA", "共有商店");
        exec("UPDATE DATALIST SET ENTTEXT='共有',SHOUGOU='共有商店',NETDRIVE=1,KISHU='2024-01-01',"
             "KIMATU='2024-12-31',PASNAME='S:\\ROOT\\sv0001' WHERE REC=5");
    }
    TDataSentakuRec rowOfSlot(TDataSentakuListCtl& ctl)
    {
        TDataSentakuRec rec;
        EXPECT_EQ(ctl.GetDataListRecordByPath(m_local, rec), 1);
        return rec;
    }
    std::vector<std::string> lockOfSlot() { return rows("SELECT KYOYULOCK FROM DATALIST WHERE REC=5"); }

    // The data-information layer reaches files through the data module.
    TDM m_dm;
    const std::string m_area = "S:\\ROOT\\sv0001";
    const std::string m_local = "C:\\ZAIMU\\data\\0005";
};

TEST_F(ShareTransferTest, FetchesAndStoresBack)
{
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    EXPECT_EQ(rec.PASNAME, m_area);
    EXPECT_EQ(rec.LocalPath, m_local);
    ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
    EXPECT_EQ(dataOf(m_local), "SERVER-DATA");
    EXPECT_EQ(shareStatus(m_area), 2);
    EXPECT_EQ(shareOpcode(m_area), SystemDef.LoginId);
    EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(rows("SELECT REC,ENTTEXT,DATACODE,VER_MAJOR FROM SERVERDATALIST"),
              (std::vector<std::string>{"1|共有商店|C01|8"}));
    EXPECT_EQ(fileNames(m_local), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));

    files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
    TDataSentakuRec again = rowOfSlot(*ctl);
    EXPECT_EQ(again.KYOYULOCK, 1);
    ASSERT_EQ(ctl->KyoyuDataUp(again, 0), 1);
    EXPECT_EQ(dataOf(m_area), "EDITED-LOCALLY");
    EXPECT_EQ(shareStatus(m_area), 1);
    EXPECT_EQ(shareOpcode(m_area), 0);
    EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"0"}));
    EXPECT_EQ(fileNames(m_area), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(ShareTransferTest, AFetchFailingHalfwayLeavesBothSidesIntact)
{
    makeDataSet(m_local, "LOCAL-OLD", "共有商店");
    auto ctl = catalogue();
    for (files::Operation op : {files::Operation::Write, files::Operation::Rename, files::Operation::Copy}) {
        SCOPED_TRACE(static_cast<int>(op));
        TDataSentakuRec rec = rowOfSlot(*ctl);
        files::failNext(op, ENOSPC);
        m_messages.expectBox("共有データの取得に失敗しました。共有データは取得前のままです。");
        EXPECT_EQ(ctl->KyoyuDataDown(rec, 1), 0);
        files::clearFaults();
        EXPECT_EQ(dataOf(m_local), "LOCAL-OLD");
        EXPECT_EQ(fileNames(m_local), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
        EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
        EXPECT_EQ(fileNames(m_area), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
        EXPECT_EQ(shareStatus(m_area), 1);
        EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"0"}));
    }
    // Quiet mode off: the information layer's error reaches the caller, with the same result.
    TDataSentakuRec rec = rowOfSlot(*ctl);
    files::failNext(files::Operation::Write, EIO);
    EXPECT_THROW(ctl->KyoyuDataDown(rec, 0), files::FileError);
    EXPECT_EQ(dataOf(m_local), "LOCAL-OLD");
    EXPECT_EQ(shareStatus(m_area), 1);
}

// Every write, copy and rename of a store, failing in turn. The steps of storing one data set
// (its "dwacc.fdb" and "dwacc.ini"), in order:
//   write+rename 0   the area marked as being pasted
//   copy 0, 1        both files copied beside their targets
//   rename 1, 2      the area's old files moved aside
//   rename 3, 4      the copies moved in
//   write+rename 1-4 the local state freed, the area's state freed, the area's share state and
//                    the local share state given back (renames 5-8)
// Whatever step fails, the store reports failure and leaves the server's data and both lock
// states as they were: the set stays taken out by this login and the local copy stays the master.
TEST_F(ShareTransferTest, AStoreFailingAtAnyStepChangesNothing)
{
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
    files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
    const std::string areaIni = files::readAll(platform::paths::join(m_area, DataIniFile));
    const std::string localIni = files::readAll(platform::paths::join(m_local, DataIniFile));
    ASSERT_EQ(shareStatus(m_area), 2);

    struct Step { files::Operation op; int skip; };
    std::vector<Step> steps;
    for (int skip = 0; skip <= 4; ++skip)
        steps.push_back({files::Operation::Write, skip});
    for (int skip = 0; skip <= 1; ++skip)
        steps.push_back({files::Operation::Copy, skip});
    for (int skip = 0; skip <= 8; ++skip)
        steps.push_back({files::Operation::Rename, skip});
    auto expectUnchanged = [&] {
        EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
        EXPECT_EQ(fileNames(m_area), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
        EXPECT_EQ(files::readAll(platform::paths::join(m_area, DataIniFile)), areaIni);
        EXPECT_EQ(dataOf(m_local), "EDITED-LOCALLY");
        EXPECT_EQ(fileNames(m_local), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
        EXPECT_EQ(files::readAll(platform::paths::join(m_local, DataIniFile)), localIni);
        EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"1"}));
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "operation " << static_cast<int>(step.op) << " skip " << step.skip);
        TDataSentakuRec again = rowOfSlot(*ctl);
        files::failNext(step.op, ENOSPC, step.skip);
        m_messages.expectBox("共有データの保管に失敗しました。共有データと作業中のデータは保管前のままです。");
        EXPECT_EQ(ctl->KyoyuDataUp(again, 1), 0);
        files::clearFaults();
        expectUnchanged();
    }
    // Quiet mode off: the error reaches the caller, with the same result.
    {
        TDataSentakuRec again = rowOfSlot(*ctl);
        files::failNext(files::Operation::Rename, EIO, 7);
        EXPECT_THROW(ctl->KyoyuDataUp(again, 0), files::FileError);
        files::clearFaults();
        expectUnchanged();
    }
    // One step past each kind's last: the fault is never reached and the store goes through,
    // so the table above covers every step.
    for (const Step& past : {Step{files::Operation::Write, 5}, Step{files::Operation::Copy, 2},
                             Step{files::Operation::Rename, 9}}) {
        SCOPED_TRACE(static_cast<int>(past.op));
        files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
        TDataSentakuRec again = rowOfSlot(*ctl);
        files::failNext(past.op, ENOSPC, past.skip);
        ASSERT_EQ(ctl->KyoyuDataUp(again, 1), 1);
        files::clearFaults();
        EXPECT_EQ(dataOf(m_area), "EDITED-LOCALLY");
        EXPECT_EQ(shareStatus(m_area), 1);
        EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"0"}));
        // Taken out again for the next case.
        TDataSentakuRec down = rowOfSlot(*ctl);
        ASSERT_EQ(ctl->KyoyuDataDown(down, 0), 1);
    }
}

// The owner of a taken-out area that cannot be read (a damaged file, a value in another code
// page) counts as another login: nothing is stored over it.
TEST_F(ShareTransferTest, AnUnreadableShareOwnerCountsAsTaken)
{
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
    files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
    for (const char* owner : {"SHARE_OPCODE=1\x85\x40\r\n", "SHARE_OPCODE=\r\n", ""}) {
        SCOPED_TRACE(owner);
        files::writeAllAtomic(platform::paths::join(m_area, DataIniFile),
                              std::string("[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=2\r\n") + owner);
        selection::DataInfomationAdapter info;
        EXPECT_EQ(info.CopyToShareServer(m_area, m_local, 1), -1);
        EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
    }
    // A share state that cannot be read is not free either: no fetch takes the area.
    files::writeAllAtomic(platform::paths::join(m_area, DataIniFile),
                          "[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=\x85\x40\r\n");
    selection::DataInfomationAdapter info;
    EXPECT_EQ(info.CopyFromShareServer(m_area, "C:\\ZAIMU\\data\\0009", 1), -1);
    EXPECT_EQ(info.CopyToShareServer(m_area, m_local, 1), -1);
}

TEST_F(ShareTransferTest, ASecondLoginCannotStoreOverDataTheFirstHasOut)
{
    // Second installation: its own slot 6 on the same area.
    exec("UPDATE DATALIST SET ENTTEXT='共有',SHOUGOU='共有商店',NETDRIVE=1,KISHU='2024-01-01',"
         "KIMATU='2024-12-31',PASNAME='S:\\ROOT\\sv0001' WHERE REC=6");
    auto ctl = catalogue();
    TDataSentakuRec first = rowOfSlot(*ctl);
    ASSERT_EQ(ctl->KyoyuDataDown(first, 0), 1);

    SystemDef.LoginCode = 2;
    SystemDef.LoginId = 10000 * 10000 + 2;
    SystemDef.OperatorName = "担当二";
    const std::string otherLocal = "C:\\ZAIMU\\data\\0006";
    makeDataSet(otherLocal, "SECOND-LOGIN", "共有商店");
    TDataSentakuRec second;
    ASSERT_EQ(ctl->GetDataListRecordByPath(otherLocal, second), 1);
    second.KYOYULOCK = 1;
    expectShareMessage();
    EXPECT_EQ(ctl->KyoyuDataUp(second, 0), -1);
    EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
    EXPECT_EQ(shareOpcode(m_area), 10000 * 10000 + 1);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_shareTexts[0].find("共有データは現在使用されています。"), std::string::npos);
    EXPECT_NE(m_shareTexts[0].find("　1\r"), std::string::npos);
    EXPECT_NE(m_shareTexts[0].find("【オペレータ名】\r　担当一"), std::string::npos);
    EXPECT_EQ(m_messages.boxes()[0].caption, "選択データの状態");

    // Fetching gives a read-only copy: in use elsewhere, not taken out here.
    m_messages.clear();
    m_shareTexts.clear();
    expectShareMessage();
    EXPECT_EQ(ctl->KyoyuDataDown(second, 0), -1);
    EXPECT_EQ(dataOf(otherLocal), "SERVER-DATA");
    EXPECT_EQ(rows("SELECT KYOYULOCK FROM DATALIST WHERE REC=6"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(shareOpcode(m_area), 10000 * 10000 + 1);
    EXPECT_EQ(m_messages.boxes().size(), 1u);
}

TEST_F(ShareTransferTest, RefusesDamagedAndUnreachableAreas)
{
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    platform::IniFile(platform::paths::join(m_area, DataIniFile)).writeInteger("DATASTS", "STATUS", 10);
    expectShareMessage();
    EXPECT_EQ(ctl->KyoyuDataDown(rec, 0), -1);
    EXPECT_FALSE(files::exists(m_local));
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_shareTexts[0].find("破損しているため"), std::string::npos);

    m_messages.clear();
    m_shareTexts.clear();
    TDataSentakuRec lost = rowOfSlot(*ctl);
    lost.PASNAME = "S:\\ROOT\\sv0099";
    EXPECT_EQ(ctl->KyoyuDataDown(lost, 1), 0);
    EXPECT_TRUE(m_messages.boxes().empty());
    expectShareMessage();
    EXPECT_EQ(ctl->KyoyuDataDown(lost, 0), 0);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_shareTexts[0].find("【共有データパス】\rS:\\ROOT\\sv0099"), std::string::npos);
}

TEST_F(ShareTransferTest, ConsolidatedSetsTravelWithTheirChildren)
{
    platform::IniFile(platform::paths::join(m_area, DataIniFile)).writeInteger("DATAINFO", "GASSANKBN", 1);
    files::createDirectories(m_area + "\\001"); // no data file: skipped, numbers keep the gap
    makeDataSet(m_area + "\\002", "CHILD-2", "支店二");
    makeDataSet(m_area + "\\003", "CHILD-3", "支店三");
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
    ASSERT_EQ(rec.ChildCnt, 2);
    EXPECT_EQ(rec.Children[0].ROWNO, 2);
    EXPECT_EQ(rows("SELECT ROWNO,ENTTEXT,KYOYULOCK,GASSAN FROM CHILD_DATALIST WHERE REC=5 ORDER BY ROWNO"),
              (std::vector<std::string>{"2|支店二|1|10", "3|支店三|1|10"}));
    EXPECT_EQ(dataOf(m_local + "\\002"), "CHILD-2");
    EXPECT_EQ(dataOf(m_local + "\\003"), "CHILD-3");
    EXPECT_EQ(shareStatus(m_area + "\\003"), 2);
    EXPECT_EQ(rows("SELECT ROWNO,PASNAME FROM CHILD_SERVERDATALIST ORDER BY ROWNO"),
              (std::vector<std::string>{"2|S:\\ROOT\\sv0001\\002", "3|S:\\ROOT\\sv0001\\003"}));

    // Store back after the third child was dropped locally: the server loses it only after
    // everything else arrived.
    files::writeAllAtomic(platform::paths::join(m_local + "\\002", DataFile), "CHILD-2-EDITED");
    TDataSentakuRec back;
    ASSERT_EQ(ctl->GetDataListRecordByPath(m_local, back), 1);
    ASSERT_EQ(back.ChildCnt, 2);
    ctl->DeleteChildItem(back, 1);
    ASSERT_EQ(ctl->KyoyuDataUp(back, 0), 1);
    EXPECT_EQ(dataOf(m_area + "\\002"), "CHILD-2-EDITED");
    EXPECT_FALSE(files::exists(m_area + "\\003"));
    EXPECT_TRUE(files::exists(m_area + "\\001"));
    EXPECT_EQ(shareStatus(m_area), 1);
    EXPECT_EQ(shareStatus(m_area + "\\002"), 1);
    EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"0"}));
}

// A consolidated set is stored child by child, then the parent (each as in the table above: 5
// writes, 2 copies and 9 renames for a set of two files). A failure in the parent's store puts
// back the children already stored.
TEST_F(ShareTransferTest, AConsolidatedStoreFailingInTheParentPutsTheChildrenBack)
{
    platform::IniFile(platform::paths::join(m_area, DataIniFile)).writeInteger("DATAINFO", "GASSANKBN", 1);
    makeDataSet(m_area + "\\002", "CHILD-2", "支店二");
    auto ctl = catalogue();
    TDataSentakuRec rec = rowOfSlot(*ctl);
    ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
    files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
    files::writeAllAtomic(platform::paths::join(m_local + "\\002", DataFile), "CHILD-2-EDITED");
    auto iniOf = [](const std::string& folder) { return files::readAll(platform::paths::join(folder, DataIniFile)); };
    const std::string areaIni = iniOf(m_area), childIni = iniOf(m_area + "\\002");
    const std::string localChildIni = iniOf(m_local + "\\002");

    struct Step { files::Operation op; int skip; };
    for (const Step& step : {Step{files::Operation::Copy, 2}, Step{files::Operation::Write, 5},
                             Step{files::Operation::Write, 9}, Step{files::Operation::Rename, 9},
                             Step{files::Operation::Rename, 17}}) {
        SCOPED_TRACE(testing::Message() << "operation " << static_cast<int>(step.op) << " skip " << step.skip);
        TDataSentakuRec back;
        ASSERT_EQ(ctl->GetDataListRecordByPath(m_local, back), 1);
        ASSERT_EQ(back.ChildCnt, 1);
        files::failNext(step.op, ENOSPC, step.skip);
        m_messages.expectBox("共有データの保管に失敗しました。共有データと作業中のデータは保管前のままです。");
        EXPECT_EQ(ctl->KyoyuDataUp(back, 1), 0);
        files::clearFaults();
        EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
        EXPECT_EQ(iniOf(m_area), areaIni);
        EXPECT_EQ(dataOf(m_area + "\\002"), "CHILD-2");
        EXPECT_EQ(iniOf(m_area + "\\002"), childIni);
        EXPECT_EQ(fileNames(m_area + "\\002"), (std::vector<std::string>{"dwacc.fdb", "dwacc.ini"}));
        EXPECT_EQ(iniOf(m_local + "\\002"), localChildIni);
        EXPECT_EQ(dataOf(m_local + "\\002"), "CHILD-2-EDITED");
        EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"1"}));
    }
    TDataSentakuRec back;
    ASSERT_EQ(ctl->GetDataListRecordByPath(m_local, back), 1);
    ASSERT_EQ(ctl->KyoyuDataUp(back, 1), 1);
    EXPECT_EQ(dataOf(m_area + "\\002"), "CHILD-2-EDITED");
    EXPECT_EQ(shareStatus(m_area + "\\002"), 1);
}

TEST_F(ShareTransferTest, AFailedChildFetchFailsTheWholeFetch)
{
    platform::IniFile(platform::paths::join(m_area, DataIniFile)).writeInteger("DATAINFO", "GASSANKBN", 1);
    makeDataSet(m_area + "\\001", "CHILD-1", "支店一");
    // The child's copy fails after the parent has arrived.
    class DropChild : public selection::DataInfomationAccess {
    public:
        selection::DataInfomationAdapter real;
        std::string child;
        bool ReadIniFileCurHost(const std::string& f, selection::DataInfoRec& r) override
        {
            return real.ReadIniFileCurHost(f, r);
        }
        int CopyFromShareServer(const std::string& a, const std::string& l, int m) override
        {
            if (platform::paths::samePath(a, child))
                return 0;
            return real.CopyFromShareServer(a, l, m);
        }
        int CopyToShareServer(const std::string& a, const std::string& l, int m) override
        {
            return real.CopyToShareServer(a, l, m);
        }
        void SetShareStatus(const std::string& f, int s) override { real.SetShareStatus(f, s); }
    };
    auto access = std::make_shared<DropChild>();
    access->child = m_area + "\\001";
    auto ctl = catalogue();
    ctl->setDataInfomation(access);
    TDataSentakuRec rec = rowOfSlot(*ctl);
    m_messages.expectBox("共有データの取得に失敗しました。共有データは取得前のままです。");
    EXPECT_EQ(ctl->KyoyuDataDown(rec, 1), 0);
    EXPECT_EQ(shareStatus(m_area), 1);
    EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"0"}));
    EXPECT_EQ(rows("SELECT KYOYULOCK FROM CHILD_DATALIST WHERE REC=5"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
    EXPECT_EQ(dataOf(m_area + "\\001"), "CHILD-1");
    EXPECT_EQ(shareStatus(m_area + "\\001"), 1);
    EXPECT_FALSE(files::exists(platform::paths::join(m_local, DataFile)));
}

} // namespace

namespace {

// The copy of the information layer stores over a damaged area; the catalogue does not.
TEST_F(ShareTransferTest, NothingIsStoredOverADamagedParentOrChildArea)
{
    platform::IniFile(platform::paths::join(m_area, DataIniFile)).writeInteger("DATAINFO", "GASSANKBN", 1);
    makeDataSet(m_area + "\\001", "CHILD-1", "支店一");
    for (const std::string& damaged : {m_area + "\\001", m_area}) {
        SCOPED_TRACE(damaged);
        auto ctl = catalogue();
        TDataSentakuRec rec = rowOfSlot(*ctl);
        ASSERT_EQ(ctl->KyoyuDataDown(rec, 0), 1);
        files::writeAllAtomic(platform::paths::join(m_local, DataFile), "EDITED-LOCALLY");
        files::writeAllAtomic(platform::paths::join(m_local + "\\001", DataFile), "CHILD-EDITED");
        platform::IniFile(platform::paths::join(damaged, DataIniFile)).writeInteger("DATASTS", "STATUS", 10);
        m_messages.clear();
        m_shareTexts.clear();

        TDataSentakuRec again = rowOfSlot(*ctl);
        expectShareMessage();
        EXPECT_EQ(ctl->KyoyuDataUp(again, 0), -1);
        EXPECT_EQ(dataOf(m_area), "SERVER-DATA");
        EXPECT_EQ(dataOf(m_area + "\\001"), "CHILD-1");
        EXPECT_EQ(shareStatus(m_area), 2);
        EXPECT_EQ(lockOfSlot(), (std::vector<std::string>{"1"}));
        ASSERT_EQ(m_messages.boxes().size(), 1u);
        EXPECT_NE(m_shareTexts[0].find("破損"), std::string::npos);

        // Repaired and given back for the next case.
        platform::IniFile(platform::paths::join(damaged, DataIniFile)).writeInteger("DATASTS", "STATUS", 1);
        for (const std::string& folder : {m_area, m_area + "\\001"})
            platform::IniFile(platform::paths::join(folder, DataIniFile)).writeInteger("DATASTS", "SHARE_STATUS", 1);
    }
}

} // namespace
