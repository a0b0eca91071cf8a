// The data-selection dialog's list tools in the real program, driven by keys and clicks: 情報
// on the general row, a new list name that survives 更新, and a typed code that jumps to its row.
#include "WizardEndToEndFixture.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class ListToolsEndToEnd : public WizardEndToEnd {
protected:
    fs::path dataFolder() const { return m_root / "quelto/morabyzaimu/data"; }

    // SQL on a database of the sample root, while the program is not running.
    void runSql(const fs::path& database, const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database.string()));
        db.executeImmediate(sql);
        db.disconnect();
    }

    std::string value(const fs::path& database, const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams(database.string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        return c.fetch() ? c.getString(0) : std::string("(none)");
    }

    // Signs in and opens the data selection from page 2.
    void openSelection()
    {
        signIn();
        nextPage();
        m_display.key("Return"); // the focus is on "データ選択を開く"
        ASSERT_TRUE(m_display.waitForWindow("データ選択"));
    }

    static bool endsWithSlot(const std::string& folder, const std::string& slot)
    {
        const std::string tail = "\\" + slot;
        return folder.size() >= tail.size() && folder.compare(folder.size() - tail.size(), tail.size(), tail) == 0;
    }

    // The top buttons of the data selection: 検索, 検索解除, 情報, 更新 from the left.
    void clickTopButton(int index) { clickInWindow("データ選択", 6 + 84 * index + 40, 4 + 14); }
};

TEST_F(ListToolsEndToEnd, InformationRenamesTheGeneralRowAndTheNameSurvivesRefresh)
{
    const fs::path system = dataFolder() / "dwaccdef.fdb";
    runSql(dataFolder() / "0001/dwacc.fdb",
           "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('01', '本店', 12)");
    start({});
    openSelection();
    m_display.screenshot(m_shots / "40-list-tools-selection.png");

    // 情報 on the first row, the general sole proprietor サンプル商店.
    clickTopButton(2);
    ASSERT_TRUE(m_display.waitForWindow("データの詳細情報"));
    m_display.screenshot(m_shots / "41-data-information.png");
    m_display.key("ctrl+a");
    m_display.type("RENAMED1");
    clickInWindow("データの詳細情報", 740 + 44, 418 + 15); // OK
    ASSERT_TRUE(m_display.waitForWindowGone("データの詳細情報"));
    m_display.screenshot(m_shots / "42-list-renamed.png");

    // 更新, Yes by default: every row read again from its data.
    const QImage listBefore = m_display.grab("データ選択");
    clickTopButton(3);
    const auto shown = boxesWhen(1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("question\t"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("データリストの更新をおこないます。\\rよろしいですか？"), std::string::npos) << shown[0];
    auto progressShown = [this] {
        const auto names = m_display.visibleWindowNames();
        return std::find(names.begin(), names.end(), "更新中") != names.end();
    };
    for (int i = 0; i < 50 && !progressShown(); ++i)
        QThread::msleep(100);
    ASSERT_TRUE(m_display.waitForWindowGone("更新中"));
    ASSERT_TRUE(m_display.waitForWindow("データ選択"));
    ASSERT_TRUE(m_display.waitForChange("データ選択", listBefore)) << "the list did not change after 更新";
    m_display.screenshot(m_shots / "43-list-refreshed.png");
    m_display.key("Escape");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));

    // Opened again, the list hides the two rows whose data turned out older or of another kind:
    // four steps down from the top reach the third and last row.
    m_display.key("Return");
    ASSERT_TRUE(m_display.waitForWindow("データ選択"));
    const QImage topRow = m_display.grab("データ選択");
    for (int i = 0; i < 4; ++i)
        m_display.key("Down");
    ASSERT_TRUE(m_display.waitForChange("データ選択", topRow)) << "Down did not move the row";
    m_display.screenshot(m_shots / "45-list-reopened.png");
    m_display.key("F12");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);
    const std::string chosen = value(system, "SELECT DATADIR FROM SYSDEF WHERE OPCODE=100000020");
    EXPECT_TRUE(endsWithSlot(chosen, "0003")) << chosen;

    EXPECT_EQ(value(system, "SELECT ENTTEXT FROM DATALIST WHERE GROUPID=10000 AND REC=1"), "RENAMED1");
    EXPECT_EQ(value(dataFolder() / "0001/dwacc.fdb", "SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1"), "RENAMED1");
    const std::string info = testsupport::readFile(dataFolder() / "0001/dwacc.ini");
    EXPECT_NE(info.find("DATALISTNAME=RENAMED1"), std::string::npos) << info;
    // The two stale sample rows now say what their data says.
    EXPECT_EQ(value(system, "SELECT VER_MAJOR || '.' || VER_MINOR1 FROM DATALIST WHERE GROUPID=10000 AND REC=4"),
              "7.9");
    EXPECT_EQ(value(system, "SELECT DATATYPE FROM DATALIST WHERE GROUPID=10000 AND REC=5"), "1");
}

TEST_F(ListToolsEndToEnd, ATypedCodeJumpsToItsRow)
{
    const fs::path system = dataFolder() / "dwaccdef.fdb";
    runSql(system, "UPDATE DATALIST SET DATACODE = CASE REC WHEN 1 THEN 'A100' WHEN 2 THEN 'B200' "
                   "WHEN 3 THEN 'C300' WHEN 4 THEN 'D400' ELSE 'E500' END WHERE REC <= 5");
    start({});
    openSelection();
    // After a pause the typed code moves the current row to C300, the third row, which takes
    // the current row's colours.
    const testsupport::VirtualDisplay::Region thirdRow{6, 92, 940, 15};
    const QImage before = m_display.grab("データ選択", thirdRow);
    m_display.type("c3");
    ASSERT_TRUE(m_display.waitForChange("データ選択", before, thirdRow)) << "the row did not move to C300";
    m_display.screenshot(m_shots / "44-incremental-search.png");
    m_display.key("F12");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    clickInWindow(kWizardTitle, 581 + 44, 402 + 14);
    EXPECT_EQ(finish(), kCompletionCancelled);

    const std::string chosen = value(system, "SELECT DATADIR FROM SYSDEF WHERE OPCODE=100000020");
    EXPECT_TRUE(endsWithSlot(chosen, "0003")) << chosen;
}

} // namespace
