#include "CatalogueFixture.h"

#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The company database of slot 3 is the fixture company (テスト商店, code 0001, fiscal 2024,
// version 8.0.0); the catalogue row still shows what was registered before. Its name stays.
TEST_F(CatalogueTest, ClosingACompanyThroughTheDataModuleRefreshesItsRow)
{
    const std::string folder = "C:\\ZAIMU\\DATA\\0003";
    testsupport::FixtureDb::copyTo("company", std::filesystem::path(native(folder)) / "dwacc.fdb");
    SystemDef.DbUser = "MORABY";
    SystemDef.DbPassword = "qolvex";
    SystemDef.HostName = "buildpc";
    SystemDef.PcName = "buildpc";
    exec("UPDATE DATALIST SET ENTTEXT='B社',SHOUGOU='B商事',NENDO=2,KISHU='2023-04-01',KIMATU='2024-03-31',"
         "DATACODE='X',VER_MAJOR=7 WHERE REC=3");

    selection::setCatalogueTransaction(nullptr);
    TDM dm;
    ASSERT_EQ(DM, &dm);
    dm.IBDatabaseDEF.connect(testsupport::morabyParams(m_dbPath));
    selection::installCatalogueStep(dm);
    ASSERT_TRUE(dm.fnAccDatConnected(SystemDef.HostName, folder, 0));
    EXPECT_TRUE(dm.fnAccDatDisconnected(folder, 0, 1));
    EXPECT_FALSE(dm.IBDatabaseDAT.connected());
    EXPECT_FALSE(dm.IBTransactionDEF.inTransaction());
    EXPECT_EQ(rows("SELECT ENTTEXT,DATACODE,SHOUGOU,NENDO,KISHU,KIMATU,DATATYPE,CODETYPE,VER_MAJOR,"
                   "VER_MINOR1,VER_MINOR2 FROM DATALIST WHERE REC=3"),
              (std::vector<std::string>{"B社|0001|テスト商店|2024|2024/01/01 00:00:00|2024/12/31 00:00:00|2|1|8|0|0"}));

    // Nothing open, nothing built: the row stays as it is.
    exec("UPDATE DATALIST SET SHOUGOU='別名' WHERE REC=3");
    EXPECT_TRUE(dm.fnAccDatDisconnected(folder, 0, 1));
    EXPECT_EQ(rows("SELECT SHOUGOU FROM DATALIST WHERE REC=3"), (std::vector<std::string>{"別名"}));
    dm.IBDatabaseDEF.disconnect();
}

} // namespace
