// Storage of the data lists' search conditions in a real system database.
#include "selection/SearchConditions.h"

#include "CatalogueFixture.h"
#include "records/ProgramRecords.h"

namespace {

class SearchConditionsTest : public CatalogueTest {
protected:
    std::vector<std::string> stored()
    {
        return rows("SELECT OPCODE, LISTTYPE, JYOKENUSE, DATATYPE, CODETYPE, DATACODE, DATANAME, TANTO, "
                    "DATAVER, SEIHINNAME, SORTCOL, SORTTYPE FROM KENSAKUJYOKEN ORDER BY OPCODE, LISTTYPE");
    }
};

} // namespace

TEST(SearchConditionsSortColumn, StoredShiftedWithWrapAround)
{
    const std::pair<int, int> cases[] = {{1, 6}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 5},
                                         {0, 0}, {7, 0}, {-1, 0}};
    for (const auto& [memory, stored] : cases) {
        EXPECT_EQ(selection::storedSortColumn(memory), stored) << memory;
        EXPECT_EQ(selection::sortColumnOfStored(stored), memory < 1 || memory > 6 ? 0 : memory) << stored;
    }
    EXPECT_EQ(selection::sortColumnOfStored(9), 0);
    EXPECT_EQ(selection::sortColumnOfStored(-3), 0);
}

TEST_F(SearchConditionsTest, FirstSelectInsertsTheDefaultsOnce)
{
    selection::SearchConditionStore store(m_db);
    store.ListType = 1;
    TDataKensakuRec rec;
    rec.DATANAME = "残り";
    ASSERT_TRUE(store.SelectRecord(rec));
    TDataKensakuRec expected;
    expected.OPCODE = 100000001;
    expected.LISTTYPE = 1;
    EXPECT_EQ(rec, expected);
    EXPECT_EQ(stored(), (std::vector<std::string>{"100000001|1|0|0|0|||0|||0|0"}));
    ASSERT_TRUE(store.SelectRecord(rec));
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_FALSE(store.transaction().inTransaction());
}

TEST_F(SearchConditionsTest, UpdateStoresEverythingButVerMatch)
{
    selection::SearchConditionStore store(m_db);
    TDataKensakuRec rec;
    ASSERT_TRUE(store.SelectRecord(rec));
    rec.JYOKENUSE = 1;
    rec.DATATYPE = 2;
    rec.CODETYPE = 4;
    rec.DATACODE = "AB12";
    rec.DATANAME = "山田商店";
    rec.TANTO = 12;
    rec.DATAVER = "8.0";
    rec.SEIHINNAME = "財務8";
    rec.VerMatch = 2;
    rec.SORTCOL = 1;
    rec.SORTTYPE = 1;
    ASSERT_TRUE(store.UpdateRecord(rec));
    EXPECT_EQ(stored(), (std::vector<std::string>{"100000001|0|1|2|4|AB12|山田商店|12|8.0|財務8|6|1"}));
    TDataKensakuRec back;
    ASSERT_TRUE(store.SelectRecord(back));
    rec.VerMatch = 0;
    EXPECT_EQ(back, rec);
}

TEST_F(SearchConditionsTest, SortFieldsAloneAndTheirMapping)
{
    selection::SearchConditionStore store(m_db);
    TDataKensakuRec rec;
    ASSERT_TRUE(store.SelectRecord(rec));
    rec.DATANAME = "保存しない";
    const std::pair<int, std::string> cases[] = {{1, "6"}, {4, "3"}, {7, "0"}, {-1, "0"}};
    for (const auto& [column, storedText] : cases) {
        rec.SORTCOL = column;
        rec.SORTTYPE = 3;
        ASSERT_TRUE(store.UpdateRecordSortField(rec));
        EXPECT_EQ(rows("SELECT SORTCOL, SORTTYPE, DATANAME FROM KENSAKUJYOKEN"),
                  (std::vector<std::string>{storedText + "|3|"}))
            << column;
        TDataKensakuRec back;
        ASSERT_TRUE(store.SelectRecord(back));
        EXPECT_EQ(back.SORTCOL, column == 1 || column == 4 ? column : 0);
    }
}

TEST_F(SearchConditionsTest, UpdatingAnOperatorWithoutARowStoresNothing)
{
    selection::SearchConditionStore store(m_db);
    TDataKensakuRec rec;
    store.InitRecord(rec);
    rec.JYOKENUSE = 1;
    EXPECT_TRUE(store.UpdateRecord(rec));
    EXPECT_TRUE(store.UpdateRecordSortField(rec));
    EXPECT_TRUE(stored().empty());
}

TEST_F(SearchConditionsTest, FailuresAreReportedOnlyInTheStoresOwnTransaction)
{
    exec("DROP TABLE KENSAKUJYOKEN");
    selection::SearchConditionStore store(m_db);
    TDataKensakuRec rec;
    rec.TANTO = 99;
    m_messages.expectBox("検索条件レコードの参照に失敗しました。");
    m_messages.expectBox("検索条件レコードの更新に失敗しました。");
    EXPECT_FALSE(store.SelectRecord(rec));
    TDataKensakuRec defaults;
    store.InitRecord(defaults);
    EXPECT_EQ(rec, defaults);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("検索条件レコードの参照に失敗しました。"), std::string::npos);
    EXPECT_FALSE(store.UpdateRecordSortField(rec));
    ASSERT_EQ(m_messages.boxes().size(), 2u);
    EXPECT_NE(m_messages.boxes()[1].text.find("検索条件レコードの更新に失敗しました。"), std::string::npos);
    EXPECT_FALSE(store.transaction().inTransaction());

    store.transaction().start();
    EXPECT_FALSE(store.UpdateRecord(rec));
    EXPECT_EQ(m_messages.boxes().size(), 2u) << "silent inside the caller's transaction";
    EXPECT_TRUE(store.transaction().inTransaction()) << "and not rolled back";
    store.transaction().rollback();
}
