// The local catalogue against the fixture system database.
#include "CatalogueFixture.h"

#include "firebird/DatabaseError.h"
#include "platform/CoreTypes.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

std::vector<int> recs(const TDataSentakuRecArray& list, std::size_t n)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < list.size() && i < n; ++i)
        out.push_back(list[i].REC);
    return out;
}

class DataCatalogueTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        exec("UPDATE DATALIST SET ENTTEXT='B社',SHOUGOU='B商事',NENDO=2,KISHU='2023-04-01',"
             "KIMATU='2024-03-31',DATACODE='D3',VER_MAJOR=7,VER_MINOR1=0,VER_MINOR2=4 WHERE REC=3");
        exec("UPDATE DATALIST SET ENTTEXT='A社',SHOUGOU='A商事',NENDO=5,KISHU='2022-01-01',"
             "KIMATU='2022-12-31',DATACODE='D1',VER_MAJOR=8,GASSAN=1 WHERE REC=7");
        exec("UPDATE DATALIST SET ENTTEXT='C社',SHOUGOU='C商事',NENDO=1,KISHU='2024-01-01',"
             "KIMATU='2024-12-31',DATACODE='D2',VER_MAJOR=3,VER_MINOR2=2,KYOYULOCK=1,"
             "PASNAME='C:/ZAIMU/DATA/0010' WHERE REC=10");
        exec("INSERT INTO CHILD_DATALIST (REC,ROWNO,GROUPID,ENTTEXT,PASNAME,GASSAN) VALUES "
             "(7,2,10000,'支店二','C:\\ZAIMU\\DATA\\0007\\002',10)");
        exec("INSERT INTO CHILD_DATALIST (REC,ROWNO,GROUPID,ENTTEXT,PASNAME,GASSAN) VALUES "
             "(7,1,10000,'支店一','C:\\ZAIMU\\DATA\\0007\\001',10)");
        exec("INSERT INTO CHILD_DATALIST (REC,ROWNO,GROUPID,ENTTEXT,PASNAME,GASSAN) VALUES "
             "(10,1,10000,'子','C:\\ZAIMU\\DATA\\0010\\001',10)");
    }
};

TEST_F(DataCatalogueTest, ListsInEverySortOrderWithChildren)
{
    auto ctl = catalogue();
    struct Case {
        std::uint8_t sort;
        bool descending;
        std::vector<int> first;
    };
    const Case cases[] = {
        {1, false, {1, 2, 3, 4, 5}},
        {1, true, {120, 119, 118}},
        {2, false, {7, 3, 10, 1, 2, 4, 5, 6, 8, 9, 11}},
        {2, true, {10, 3, 7, 120, 119}},
        {3, false, {10, 3, 7, 1, 2, 4}},
        {3, true, {7, 3, 10, 120}},
        {4, false, {7, 3, 10, 1, 2}},
        {5, false, {10, 3, 7, 1, 2, 4}}, // "C:/..." sorts before "C:\..."
        {6, false, {10, 3, 7, 1}},
        {6, true, {7, 3, 10, 120}},
        {7, false, {7, 10, 3, 1}},
        {7, true, {3, 10, 7, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sort) + (c.descending ? " desc" : " asc"));
        ctl->Execute(0, c.sort, c.descending, "");
        EXPECT_EQ(ctl->DataCount, 120);
        ASSERT_EQ(ctl->DataList.size(), 120u);
        EXPECT_EQ(recs(ctl->DataList, c.first.size()), c.first);
    }

    ctl->Execute(0, 0, false, "ORDER BY NENDO DESC,REC");
    EXPECT_EQ(recs(ctl->DataList, 3), (std::vector<int>{7, 3, 10}));
    ctl->Execute(0, 9, false, "ORDER BY NENDO DESC");
    EXPECT_EQ(ctl->DataList.size(), 120u);

    ctl->Execute(0, 2, false, "");
    const TDataSentakuRec& a = ctl->DataList[0];
    EXPECT_EQ(a.ENTTEXT, "A社");
    EXPECT_EQ(a.DispName, "A社");
    EXPECT_EQ(a.KikanText, "2022/01/01～2022/12/31");
    EXPECT_EQ(a.GROUPID, 10000);
    ASSERT_EQ(a.ChildCnt, 2);
    EXPECT_EQ(a.Children[0].ENTTEXT, "支店一");
    EXPECT_EQ(a.Children[0].GASSAN, GassanChild);
    EXPECT_EQ(a.Children[1].ROWNO, 2);
    EXPECT_EQ(ctl->ChildCount, 3);
    // Stored with "/" and equal to its own working folder: a local row.
    const TDataSentakuRec& c = ctl->DataList[2];
    EXPECT_EQ(c.PASNAME, "C:\\ZAIMU\\DATA\\0010");
    EXPECT_EQ(c.LocalPath, "C:\\ZAIMU\\DATA\\0010");
    EXPECT_EQ(c.NETDRIVE, 0);
    EXPECT_EQ(ctl->DataList[5].KikanText, "～");
}

TEST_F(DataCatalogueTest, ExcludesTakenOutRowsOnlyStandaloneAndKeepsOrphanChildren)
{
    auto ctl = catalogue();
    ctl->Execute(1, 1, false, "");
    EXPECT_EQ(ctl->DataCount, 119);
    EXPECT_EQ(ctl->ChildCount, 3); // the child of slot 10 stays in the child list only
    for (const auto& e : ctl->DataList)
        EXPECT_NE(e.REC, 10);

    auto server = catalogue(1);
    server->Execute(1, 1, false, "");
    EXPECT_EQ(server->DataCount, 120);

    server->ServerListMode = 1;
    server->Execute(0, 1, false, "");
    EXPECT_EQ(server->DataCount, 0);
}

TEST_F(DataCatalogueTest, ARowWrittenWithNullsIsListedAsAnEmptySlot)
{
    // The upgrade steps give these columns no default: a row written without them holds NULLs.
    exec("UPDATE DATALIST SET ENTTEXT=NULL,SHOUGOU=NULL,NETDRIVE=NULL,DATATYPE=NULL,CODETYPE=NULL,NENDO=NULL,"
         "VER_TEXT=NULL,KYOYULOCK=NULL WHERE REC=4");
    auto ctl = catalogue();
    struct Case {
        const char* name;
        int excludeTakenOut;
        std::uint8_t nameFilter;
        std::uint8_t sort;
        std::vector<int> first;
        int count;
    };
    const Case cases[] = {
        {"by name", 0, 0, 2, {7, 3, 10, 1, 2, 4, 5}, 120},
        {"by name, taken-out rows left out", 1, 0, 2, {7, 3, 1, 2, 4, 5}, 119},
        {"empty rows only", 0, 2, 2, {1, 2, 4, 5}, 117},
        {"named rows only", 0, 1, 1, {3, 7, 10}, 3},
        {"by number", 0, 0, 1, {1, 2, 3, 4, 5}, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ctl->NameFilter = c.nameFilter;
        ctl->Execute(c.excludeTakenOut, c.sort, false, "");
        EXPECT_EQ(ctl->DataCount, c.count);
        EXPECT_EQ(recs(ctl->DataList, c.first.size()), c.first);
    }
    ctl->NameFilter = 0;
    ctl->Execute(0, 1, false, "");
    const TDataSentakuRec& slot = ctl->DataList[3];
    ASSERT_EQ(slot.REC, 4);
    EXPECT_EQ(slot.ENTTEXT, "");
    EXPECT_EQ(slot.DispName, "");
    EXPECT_EQ(slot.SHOUGOU, "");
    EXPECT_EQ(slot.VER_TEXT, "");
    EXPECT_EQ(slot.NETDRIVE, 0);
    EXPECT_EQ(slot.NENDO, 0);
    EXPECT_EQ(slot.KYOYULOCK, 0);
    EXPECT_EQ(slot.LocalPath, "C:\\ZAIMU\\DATA\\0004");
}

TEST_F(DataCatalogueTest, ReadsRowsByNumberAndByFolder)
{
    auto ctl = catalogue();
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "");
    EXPECT_EQ(rec.NENDO, 1);
    rec.REC = 3;
    ctl->GetDataListRecord(0, rec, true);
    EXPECT_EQ(rec.SHOUGOU, "B商事");
    EXPECT_EQ(rec.VER_MINOR2, 4);

    TDataListRec byFolder;
    ctl->InitDataListRecord(byFolder, "c:\\zaimu\\data\\0007");
    ctl->GetDataListRecord(1, byFolder, true);
    EXPECT_EQ(byFolder.REC, 7);
    EXPECT_EQ(byFolder.PASNAME, "C:\\ZAIMU\\DATA\\0007");

    TDataListRec child;
    ctl->InitDataListRecord(child, "");
    child.REC = 7;
    child.ROWNO = 2;
    child.GASSAN = GassanChild;
    ctl->GetDataListRecord(0, child, true);
    EXPECT_EQ(child.ENTTEXT, "支店二");

    TDataListRec missing;
    ctl->InitDataListRecord(missing, "");
    missing.REC = 500;
    missing.ENTTEXT = "そのまま";
    ctl->GetDataListRecord(0, missing, true);
    EXPECT_EQ(missing.ENTTEXT, "そのまま");

    TDataSentakuRec parent;
    EXPECT_EQ(ctl->GetDataListRecordByPath("C:\\ZAIMU\\DATA\\0007", parent), 1);
    EXPECT_EQ(parent.REC, 7);
    EXPECT_EQ(parent.ChildCnt, 2);
    EXPECT_EQ(ctl->GetDataListRecordByPath("C:\\elsewhere\\x", parent), 0);
    EXPECT_EQ(parent.REC, 0);

    EXPECT_EQ(ctl->GetDataFolderName(1), 121);
    EXPECT_TRUE(ctl->IsDataPathToroku("c:\\zaimu\\data\\0003"));
    EXPECT_FALSE(ctl->IsDataPathToroku("C:\\ZAIMU\\DATA\\0999"));
    EXPECT_EQ(ctl->GetRecOfPasname("C:\\ZAIMU\\DATA\\0003"), 3);
    EXPECT_EQ(ctl->GetRecOfPasname("c:\\zaimu\\data\\0003"), 0);
    int recNo = -1;
    ctl->GetDataRecNo("C:\\ZAIMU\\DATA\\0042\\001", recNo);
    EXPECT_EQ(recNo, 42);
    ctl->GetDataRecNo(" 　", recNo);
    EXPECT_EQ(recNo, 0);
}

TEST_F(DataCatalogueTest, UpdateWritesOneRowAndAnEmptiedSlotLosesItsChildren)
{
    auto ctl = catalogue();
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "C:\\ZAIMU\\DATA\\0007");
    rec.REC = 7;
    ctl->GetDataListRecord(0, rec, true);
    rec.ENTTEXT = "改名";
    rec.TANTOU = 9;
    rec.YOBI2 = "y2";
    ASSERT_TRUE(ctl->UpdateDataListRecord(rec, 0, true));
    EXPECT_EQ(rows("SELECT REC,ENTTEXT,TANTOU,YOBI2 FROM DATALIST WHERE ENTTEXT<>'' ORDER BY REC"),
              (std::vector<std::string>{"3|B社|0|", "7|改名|9|y2", "10|C社|0|"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_DATALIST WHERE REC=7"), (std::vector<std::string>{"2"}));

    TDataListRec zero = rec;
    zero.REC = 0;
    EXPECT_FALSE(ctl->UpdateDataListRecord(zero, 0, true));
    TDataListRec blank = rec;
    blank.PASNAME = "　 ";
    EXPECT_FALSE(ctl->UpdateDataListRecord(blank, 0, true));

    // Emptying the slot (no company name, no dates) also removes its children.
    TDataListRec emptied;
    ctl->InitDataListRecord(emptied, "C:\\ZAIMU\\DATA\\0007");
    emptied.REC = 7;
    emptied.NENDO = 0;
    ASSERT_TRUE(ctl->UpdateDataListRecord(emptied, 0, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_DATALIST WHERE REC=7"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_DATALIST"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(rows("SELECT ENTTEXT,SHOUGOU FROM DATALIST WHERE REC=7"), (std::vector<std::string>{"|"}));

    // A child goes to the child table: updated when present, inserted otherwise.
    TDataListRec child;
    ctl->InitDataListRecord(child, "C:\\ZAIMU\\DATA\\0003\\001");
    child.REC = 3;
    child.ROWNO = 1;
    child.GASSAN = GassanChild;
    child.ENTTEXT = "新しい子";
    ASSERT_TRUE(ctl->UpdateDataListRecord(child, 0, true));
    child.ENTTEXT = "直した子";
    ASSERT_TRUE(ctl->UpdateDataListRecord(child, 0, true));
    EXPECT_EQ(rows("SELECT REC,ROWNO,ENTTEXT,GASSAN FROM CHILD_DATALIST WHERE REC=3"),
              (std::vector<std::string>{"3|1|直した子|10"}));
}

TEST_F(DataCatalogueTest, InsertDeleteAndRenumberExtraAreasInServerModes)
{
    auto local = catalogue(0);
    TDataListRec rec;
    local->InitDataListRecord(rec, "D:\\AREA");
    EXPECT_TRUE(local->InsertDataListRecord(rec, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM DATALIST"), (std::vector<std::string>{"120"}));

    auto ctl = catalogue(1);
    for (const char* path : {"D:\\AREA", "D:\\OTHER", "D:\\AREA", "D:\\LAST"}) {
        TDataListRec r;
        ctl->InitDataListRecord(r, path);
        r.ENTTEXT = "領域";
        ASSERT_TRUE(ctl->InsertDataListRecord(r, true));
    }
    EXPECT_EQ(rows("SELECT REC,PASNAME FROM DATALIST WHERE REC>120 ORDER BY REC"),
              (std::vector<std::string>{"121|D:\\AREA", "122|D:\\OTHER", "123|D:\\AREA", "124|D:\\LAST"}));

    // A seeded slot is never deleted; an extra area goes with every other of its folder.
    TDataListRec slot;
    ctl->InitDataListRecord(slot, "C:\\ZAIMU\\DATA\\0003");
    slot.REC = 3;
    ASSERT_TRUE(ctl->DeleteDataListRecord(slot, true));
    TDataListRec area;
    ctl->InitDataListRecord(area, "D:\\AREA");
    area.REC = 121;
    ASSERT_TRUE(ctl->DeleteDataListRecord(area, true));
    EXPECT_EQ(rows("SELECT REC FROM DATALIST WHERE REC>120 ORDER BY REC"),
              (std::vector<std::string>{"122", "124"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM DATALIST"), (std::vector<std::string>{"122"}));

    exec("INSERT INTO DATALIST (REC,GROUPID,PASNAME) VALUES (130,10000,'D:\\X')");
    ctl->RenumberDataList();
    EXPECT_EQ(rows("SELECT REC,PASNAME FROM DATALIST WHERE REC>120 ORDER BY REC"),
              (std::vector<std::string>{"121|D:\\OTHER", "122|D:\\LAST", "123|D:\\X"}));
    ctl->RenumberDataList();
    EXPECT_EQ(rows("SELECT REC FROM DATALIST WHERE REC>120 ORDER BY REC"),
              (std::vector<std::string>{"121", "122", "123"}));
}

TEST_F(DataCatalogueTest, DataPlaceSelectsTheTableInServerModesOnly)
{
    exec("INSERT INTO DATALIST_EX (DATAPLACEREC,GROUPID,REC,ENTTEXT,PASNAME) VALUES "
         "(1,10000,1,'場所一','C:\\ZAIMU\\DATA01\\0001')");
    auto local = catalogue(0);
    local->SetDataPlace(1);
    EXPECT_EQ(local->TableName, "DATALIST");
    EXPECT_EQ(local->DataPlaceRec, 0);

    auto ctl = catalogue(2);
    ctl->SetDataPlace(1);
    EXPECT_EQ(ctl->TableName, "DATALIST_EX");
    ctl->Execute(0, 1, false, "");
    ASSERT_EQ(ctl->DataCount, 1);
    EXPECT_EQ(ctl->DataList[0].ENTTEXT, "場所一");
    EXPECT_EQ(ctl->ChildCount, 3); // children are read for the whole group
    EXPECT_EQ(ctl->DataList[0].ChildCnt, 0);
    TDataListRec r;
    ctl->InitDataListRecord(r, "C:\\ZAIMU\\DATA01\\X");
    ASSERT_TRUE(ctl->InsertDataListRecord(r, true));
    EXPECT_EQ(r.REC, 2);
    EXPECT_EQ(rows("SELECT DATAPLACEREC,REC FROM DATALIST_EX ORDER BY REC"),
              (std::vector<std::string>{"1|1", "1|2"}));
}

TEST_F(DataCatalogueTest, DeletingChildrenTouchesNoOtherSetWhateverItsFolderName)
{
    for (const char* sql : {
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,PASNAME) VALUES (10000,'S','1','S:\\ROOT\\sv_1')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,PASNAME) VALUES (10000,'S','2','S:\\ROOT\\svX1')",
             "INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,PASNAME) VALUES (10000,'S','3','S:\\ROOT\\sv_1%x')",
             "INSERT INTO CHILD_SERVERDATALIST (GROUPID,DRIVELETTER,REC,ROWNO,PASNAME) VALUES (10000,'S',1,1,'S:\\ROOT\\sv_1\\001')",
             "INSERT INTO CHILD_SERVERDATALIST (GROUPID,DRIVELETTER,REC,ROWNO,PASNAME) VALUES (10000,'S',2,1,'S:\\ROOT\\svX1\\001')",
             "INSERT INTO CHILD_SERVERDATALIST (GROUPID,DRIVELETTER,REC,ROWNO,PASNAME) VALUES (10000,'S',3,1,'S:\\ROOT\\sv_1%x\\001')",
         })
        exec(sql);
    auto ctl = catalogue();
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "S:\\ROOT\\sv_1");
    rec.REC = 7;
    rec.NETDRIVE = 1;
    ASSERT_TRUE(ctl->DeleteDataListChildRecord(rec, true));
    EXPECT_EQ(rows("SELECT PASNAME FROM CHILD_SERVERDATALIST ORDER BY REC"),
              (std::vector<std::string>{"S:\\ROOT\\svX1\\001", "S:\\ROOT\\sv_1%x\\001"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_DATALIST WHERE REC=7"), (std::vector<std::string>{"0"}));

    TDataListRec quoted;
    ctl->InitDataListRecord(quoted, "S:\\ROOT\\it's");
    quoted.REC = 3;
    quoted.NETDRIVE = 1;
    EXPECT_TRUE(ctl->DeleteDataListChildRecord(quoted, true));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"2"}));
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(DataCatalogueTest, MapsWorkingFoldersToSharedPaths)
{
    exec("UPDATE DATALIST SET ENTTEXT='共有',SHOUGOU='共有社',NETDRIVE=1,KYOYULOCK=1,"
         "PASNAME='S:\\ROOT\\sv0003' WHERE REC=5");
    auto ctl = catalogue();
    std::string share;
    int lock = -1, net = -1;
    ASSERT_TRUE(ctl->ConvLocalPathToSharePath("C:\\ZAIMU\\DATA\\0003", share, lock, net));
    EXPECT_EQ(share, "C:\\ZAIMU\\DATA\\0003");
    EXPECT_EQ(net, 0);
    ASSERT_TRUE(ctl->ConvLocalPathToSharePath("C:\\ZAIMU\\DATA\\0005", share, lock, net));
    EXPECT_EQ(share, "S:\\ROOT\\sv0003");
    EXPECT_EQ(net, 1);
    EXPECT_EQ(lock, 1);
    ASSERT_TRUE(ctl->ConvLocalPathToSharePath("C:\\ZAIMU\\DATA\\0005\\002", share, lock, net));
    EXPECT_EQ(share, "S:\\ROOT\\sv0003\\002");
    EXPECT_FALSE(ctl->ConvLocalPathToSharePath(" ", share, lock, net));
    // A path on a network drive is not read as a slot.
    ASSERT_TRUE(ctl->ConvLocalPathToSharePath("S:\\DATA\\0005", share, lock, net));
    EXPECT_EQ(share, "S:\\DATA\\0005");
    EXPECT_EQ(net, 0);

    TDataListRec shared;
    ctl->InitDataListRecord(shared, "S:\\ROOT\\sv0003");
    shared.REC = 7;
    shared.NETDRIVE = 1;
    EXPECT_EQ(ctl->GetLocalDataPath(shared), "C:\\ZAIMU\\data\\0007");
    shared.PASNAME = "S:\\ROOT\\sv0003\\002";
    shared.GASSAN = GassanChild;
    EXPECT_EQ(ctl->GetLocalDataPath(shared), "C:\\ZAIMU\\data\\0007\\002");
    TDataListRec local;
    ctl->InitDataListRecord(local, "C:\\ZAIMU\\DATA\\0003\\");
    EXPECT_EQ(local.LocalPath, "C:\\ZAIMU\\DATA\\0003");

    TDataSentakuRec found;
    ASSERT_EQ(ctl->GetDataListRecordByPath("C:\\ZAIMU\\DATA\\0005", found), 1);
    EXPECT_EQ(found.REC, 5);
    EXPECT_EQ(found.PASNAME, "S:\\ROOT\\sv0003");
    EXPECT_EQ(found.LocalPath, "C:\\ZAIMU\\data\\0005");
}

TEST(DataCatalogueMemoryTest, StateTextsAndChildrenInMemory)
{
    EXPECT_EQ(GetDataStatusText(0), "－");
    EXPECT_EQ(GetDataStatusText(1), "－");
    EXPECT_EQ(GetDataStatusText(3), "データロック中");
    EXPECT_EQ(GetDataStatusText(10), "破損");
    EXPECT_EQ(GetDataStatusText(11), "状態不明");
    EXPECT_EQ(GetDataStatusText(-1), "状態不明");

    firebird::Attachment none;
    firebird::Transaction tr(none);
    TDataSentakuListCtl ctl(tr);
    TDataSentakuRec rec;
    for (const char* name : {"一", "二", "三"}) {
        TDataListRec child;
        child.ENTTEXT = name;
        rec.Children.push_back(child);
    }
    rec.ChildCnt = 3;
    ctl.NumberChildNames(rec);
    EXPECT_EQ(rec.Children[2].DispName, "03 三");
    ctl.DeleteChildItem(rec, 0);
    ASSERT_EQ(rec.ChildCnt, 2);
    EXPECT_EQ(rec.Children[0].ENTTEXT, "二");
    ctl.DeleteChildItem(rec, 5);
    ctl.DeleteChildItem(rec, 0);
    ctl.DeleteChildItem(rec, 0);
    EXPECT_EQ(rec.ChildCnt, 0);
    EXPECT_TRUE(rec.Children.empty());
}

} // namespace

namespace {

TEST_F(DataCatalogueTest, FailuresAreReportedOrPassedOnAndRolledBack)
{
    std::vector<std::string> reports;
    selection::setCatalogueErrorReporter(
        [&](const std::string& context, const std::string& sentence, const std::exception&) {
            reports.push_back(context + " " + sentence);
        });
    auto ctl = catalogue(1);
    ctl->SetDataPlace(5); // no such data place: the insert breaks its foreign key
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "D:\\AREA");
    EXPECT_FALSE(ctl->InsertDataListRecord(rec, true));
    EXPECT_EQ(reports, (std::vector<std::string>{
                           "TDataSentakuListCtl.InsertDataListRecord データリストの追加に失敗しました。"}));
    EXPECT_FALSE(m_transaction->inTransaction());
    EXPECT_THROW(ctl->InsertDataListRecord(rec, false), firebird::DatabaseError);
    EXPECT_FALSE(m_transaction->inTransaction());
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DataCatalogueTest, JoinsTheCallersTransactionWithoutEndingIt)
{
    auto ctl = catalogue();
    m_transaction->start();
    TDataListRec rec;
    ctl->InitDataListRecord(rec, "C:\\ZAIMU\\DATA\\0003");
    rec.REC = 3;
    ctl->GetDataListRecord(0, rec, true);
    rec.ENTTEXT = "取り消される";
    ASSERT_TRUE(ctl->UpdateDataListRecord(rec, 0, true));
    ASSERT_TRUE(m_transaction->inTransaction());
    m_transaction->rollback();
    EXPECT_EQ(rows("SELECT ENTTEXT FROM DATALIST WHERE REC=3"), (std::vector<std::string>{"B社"}));
}

TEST_F(DataCatalogueTest, ClosingADataSetRefreshesItsRow)
{
    selection::DataInfoRec info;
    info.CODE = "K9";
    info.SHOUGOU = "新商号";
    info.NENDO = 12;
    info.KISHU = "2025/04/01";
    info.KIMATU = "2026/03/31";
    info.DATAKBN = 1;
    info.CODEKBN = 3;
    info.TANTO = 4;
    info.VER_MAJOR = 8;
    info.VERSION2 = "Ver8";
    info.GASSANKBN = 2;
    selection::refreshCatalogueRow("c:\\zaimu\\data\\0003", info);
    EXPECT_EQ(rows("SELECT ENTTEXT,SHOUGOU,DATACODE,NENDO,KISHU,DATATYPE,CODETYPE,TANTOU,VER_MAJOR,VER_TEXT,"
                   "GASSAN FROM DATALIST WHERE REC=3"),
              (std::vector<std::string>{"B社|新商号|K9|12|2025/04/01 00:00:00|1|3|4|8|Ver8|2"}));
}

TEST_F(DataCatalogueTest, IsqlSeesExactlyTheRowsTheOperationsWrote)
{
    auto ctl = catalogue(1);
    for (const char* path : {"D:\\A", "D:\\B", "D:\\C"}) {
        TDataListRec r;
        ctl->InitDataListRecord(r, path);
        r.ENTTEXT = "領域";
        r.TANTOU = 5;
        ASSERT_TRUE(ctl->InsertDataListRecord(r, true));
    }
    TDataListRec b;
    ctl->InitDataListRecord(b, "D:\\B");
    b.REC = 122;
    ASSERT_TRUE(ctl->DeleteDataListRecord(b, true));
    ctl->RenumberDataList();
    TDataListRec c;
    ctl->InitDataListRecord(c, "D:\\C");
    c.REC = 122;
    c.ENTTEXT = "更新";
    c.TANTOU = 6;
    ASSERT_TRUE(ctl->UpdateDataListRecord(c, 0, true));
    ctl.reset();
    m_transaction.reset();
    selection::setCatalogueTransaction(nullptr);
    m_db.disconnect();

    const std::string script = (m_root / "q.sql").string();
    testsupport::writeFile(script, "SET HEADING OFF;\nSELECT REC, ENTTEXT, TANTOU FROM DATALIST WHERE REC > 118 "
                                   "OR ENTTEXT <> '' ORDER BY REC;\n");
    QProcess isql;
    isql.start(QStringLiteral("isql-fb"),
               {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("UTF8"), QStringLiteral("-user"),
                QStringLiteral("MORABY"), QStringLiteral("-i"), QString::fromStdString(script),
                QString::fromStdString(m_dbPath)});
    ASSERT_TRUE(isql.waitForFinished(60000));
    std::vector<std::string> lines;
    for (const QString& line : QString::fromUtf8(isql.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty())
            lines.push_back(simplified.toStdString());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"3 B社 0", "7 A社 0", "10 C社 0", "119 0", "120 0", "121 領域 5",
                                               "122 更新 6"}));
    m_db.connect(testsupport::morabyParams(m_dbPath)); // for TearDown
    m_transaction = std::make_unique<firebird::Transaction>(m_db);
}

} // namespace

namespace {

TEST_F(DataCatalogueTest, RenumbersOnlyItsOwnDataPlace)
{
    exec("INSERT INTO DATAPLACEMAN (REC,ORDERKBN,NAME,PATH) VALUES (3,4,'三','D:\\3')");
    exec("INSERT INTO DATAPLACEMAN (REC,ORDERKBN,NAME,PATH) VALUES (4,5,'四','D:\\4')");
    for (int place : {3, 4})
        for (int rec : {121, 125, 130})
            exec("INSERT INTO DATALIST_EX (DATAPLACEREC,GROUPID,REC,PASNAME) VALUES (" + std::to_string(place)
                 + ",10000," + std::to_string(rec) + ",'D:\\x')");
    auto ctl = catalogue(1);
    ctl->SetDataPlace(3);
    ctl->RenumberDataList();
    EXPECT_EQ(rows("SELECT DATAPLACEREC,REC FROM DATALIST_EX ORDER BY DATAPLACEREC,REC"),
              (std::vector<std::string>{"3|121", "3|122", "3|123", "4|121", "4|125", "4|130"}));
}

TEST_F(DataCatalogueTest, MapsAnUnregisteredChildFolderToItsRow)
{
    exec("UPDATE CHILD_DATALIST SET PASNAME='S:\\ROOT\\sv0003\\002',NETDRIVE=1 WHERE REC=7 AND ROWNO=2");
    auto ctl = catalogue();
    TDataListRec child;
    ctl->InitDataListRecord(child, "C:\\ZAIMU\\data\\0007\\002");
    child.GASSAN = GassanChild;
    ctl->GetDataListRecord(1, child, true);
    EXPECT_EQ(child.PASNAME, "S:\\ROOT\\sv0003\\002");
    EXPECT_EQ(child.ENTTEXT, "支店二");
    EXPECT_EQ(child.LocalPath, "C:\\ZAIMU\\data\\0007\\002");

    TDataListRec nowhere;
    ctl->InitDataListRecord(nowhere, " ");
    nowhere.ENTTEXT = "x";
    ctl->GetDataListRecord(1, nowhere, true);
    EXPECT_EQ(nowhere.ENTTEXT, "");
    EXPECT_EQ(nowhere.PASNAME, "");
}

} // namespace

namespace {

TEST_F(DataCatalogueTest, TheDataModuleRefreshesTheRowWhenItClosesADataSet)
{
    // The data module's own system connection, as at run time.
    selection::setCatalogueTransaction(nullptr);
    TDM dm;
    dm.IBDatabaseDEF.connect(testsupport::morabyParams(m_dbPath));
    std::vector<std::string> calls;
    dm.hooks.release = [&](const std::string& folder, bool writeInfo, bool) {
        calls.push_back("info " + folder + (writeInfo ? " write" : ""));
    };
    selection::installCatalogueStep(dm, [&](const std::string& folder, selection::DataInfoRec& info) {
        calls.push_back("build " + folder);
        info.SHOUGOU = "閉じた会社";
        info.KISHU = "2025/01/01";
        info.KIMATU = "2025/12/31";
        return true;
    });
    EXPECT_TRUE(dm.fnAccDatDisconnected("C:\\ZAIMU\\DATA\\0003", 1, 0));
    EXPECT_TRUE(dm.fnAccDatDisconnected("C:\\ZAIMU\\DATA\\0003", 0, 1));
    EXPECT_EQ(calls, (std::vector<std::string>{"info C:\\ZAIMU\\DATA\\0003 write", "info C:\\ZAIMU\\DATA\\0003",
                                               "build C:\\ZAIMU\\DATA\\0003"}));
    EXPECT_FALSE(dm.IBTransactionDEF.inTransaction());
    EXPECT_EQ(rows("SELECT ENTTEXT,SHOUGOU,KISHU FROM DATALIST WHERE REC=3"),
              (std::vector<std::string>{"B社|閉じた会社|2025/01/01 00:00:00"}));
    dm.IBDatabaseDEF.disconnect();
}

} // namespace

namespace {

// Bytes the database takes as SJIS_0208 but that are no CP932 character (0x85 0x40) cost their
// row nothing but "?" in their place and a mark; the list stays whole and says so once.
TEST_F(DataCatalogueTest, ARowWithBytesThatAreNotCp932IsListedMarkedAndNamedOnce)
{
    exec("UPDATE DATALIST SET ENTTEXT='B' || CAST(x'8540' AS VARCHAR(2) CHARACTER SET SJIS_0208) || '社' "
         "WHERE REC=3");
    m_messages.answer(platform::IDOK);
    auto ctl = catalogue();
    ctl->Execute(0, 1, false, "");
    ASSERT_EQ(ctl->DataList.size(), 120u);
    const TDataSentakuRec& bad = ctl->DataList[2];
    ASSERT_EQ(bad.REC, 3);
    EXPECT_EQ(bad.ENTTEXT, "B?社");
    EXPECT_EQ(bad.DispName, "B?社");
    EXPECT_EQ(bad.SHOUGOU, "B商事");
    EXPECT_EQ(bad.BadText, "ENTTEXT");
    EXPECT_EQ(ctl->DataList[6].ENTTEXT, "A社");
    EXPECT_EQ(ctl->DataList[6].BadText, "");
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].kind, "warning");
    EXPECT_NE(m_messages.boxes()[0].text.find("REC 3「B?社」 (ENTTEXT)"), std::string::npos)
        << m_messages.boxes()[0].text;
}

} // namespace
