// The wizard on a data set kept on a shared drive: the data selection fetches it with 共有取得,
// the automatic option is ticked, the fetched row is chosen, the linkage file is written, and
// the program gives the area back when it ends.
#include "WizardEndToEndFixture.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// Points of the data selection at its designed size (the top row of buttons).
constexpr int kFetchX = 392, kFetchY = 18;   // 共有取得
constexpr int kAutoX = 541, kAutoY = 18;     // 共有データの取得と保管を自動化する

class SharedDataEndToEnd : public WizardEndToEnd {
protected:
    void SetUp() override
    {
        WizardEndToEnd::SetUp();
        if (HasFatalFailure())
            return;
        // Drive Z: holds the product folder with area sv0001: the data set of sample slot 1.
        fs::create_directories(m_area);
        fs::copy_file(m_data / "0001" / "dwacc.fdb", m_area / "dwacc.fdb");
        testsupport::writeFile(m_area / "dwacc.ini",
                               platform::text::toCp932("[DATASTS]\r\nSTATUS=1\r\nSHARE_STATUS=1\r\n"
                                                       "[DATAINFO]\r\nDATALISTNAME=テスト商事\r\nCODE=\r\n"
                                                       "DATAKBN=2\r\nCODEKBN=1\r\nSHOUGOU=サンプル商店\r\n"
                                                       "NENDO=2024\r\nKISHU=2024/01/01\r\nKIMATU=2024/12/31\r\n"
                                                       "VERSION1=8.0.0\r\nVERSION2=8.0.0\r\nGASSANKBN=0\r\n"));
        testsupport::writeFile(m_root / "quelto/morabyzaimu/drives.ini",
                               "[Z]\r\nFolder=" + m_share.string() + "\r\nRemote=1\r\n");
        // Slot 6 was given the area earlier and stored back: kept on the server.
        catalogue("UPDATE DATALIST SET NETDRIVE = 1, KYOYULOCK = 0, PASNAME = 'Z:' || x'5C' || "
                  "'morabyzaimu' || x'5C' || 'sv0001', ENTTEXT = 'テスト商事', SHOUGOU = 'サンプル商店', "
                  "DATATYPE = 2, CODETYPE = 1, NENDO = 2024, KISHU = '2024-01-01', KIMATU = '2024-12-31', "
                  "VER_MAJOR = 8, VER_MINOR1 = 0, VER_MINOR2 = 0, VER_TEXT = '8.0.0' "
                  "WHERE GROUPID = 10000 AND REC = 6");
    }

    // Runs one statement on the sample system database (only while the program is not running)
    // and returns the first row's columns joined by "|".
    std::string catalogue(const std::string& sql)
    {
        firebird::Attachment db;
        db.connect(testsupport::morabyParams((m_data / "dwaccdef.fdb").string()));
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr);
        st.setSql(sql);
        std::string row;
        if (sql.rfind("SELECT", 0) == 0) {
            auto rows = st.open();
            if (rows.fetch())
                for (int i = 0; i < rows.fieldCount(); ++i)
                    row += (i ? "|" : "") + rows.getString(i);
        } else {
            st.execute();
        }
        tr.commit();
        return row;
    }

    std::string areaIni() const
    {
        return platform::text::fromCp932(testsupport::readFile(m_area / "dwacc.ini"));
    }

    fs::path m_data = m_root / "quelto/morabyzaimu/data";
    fs::path m_share = m_dir / "share";
    fs::path m_area = m_share / "morabyzaimu" / "sv0001";
};

} // namespace

TEST_F(SharedDataEndToEnd, FetchesTheSharedSetChoosesItWritesTheLinkageAndGivesItBack)
{
    start({});
    signIn();
    nextPage();
    m_display.key("Return");
    ASSERT_TRUE(m_display.waitForWindow("データ選択"));
    const QImage topRow = m_display.grab("データ選択");
    for (int i = 0; i < 5; ++i)
        m_display.key("Down");
    ASSERT_TRUE(m_display.waitForChange("データ選択", topRow)) << "Down did not move the row";
    m_display.screenshot(m_shots / "30-shared-row.png");

    // 共有取得 asks first; the record mode answers Yes, its default.
    const QImage beforeFetch = m_display.grab("データ選択");
    clickInWindow("データ選択", kFetchX, kFetchY);
    const std::string asked = "question\tゼトリノ連動コンポーネント\t共有データの取得を行います。よろしいですか？";
    ASSERT_EQ(boxesWhen(1), std::vector<std::string>{asked});
    for (int i = 0; i < 100 && !fs::exists(m_data / "0006" / "dwacc.fdb"); ++i)
        QThread::msleep(100);
    ASSERT_TRUE(m_display.waitForChange("データ選択", beforeFetch)) << "the row did not change after 共有取得";
    m_display.screenshot(m_shots / "31-shared-fetched.png");
    EXPECT_NE(areaIni().find("SHARE_STATUS=2"), std::string::npos) << areaIni();

    const QImage beforeAuto = m_display.grab("データ選択");
    clickInWindow("データ選択", kAutoX, kAutoY);
    ASSERT_TRUE(m_display.waitForChange("データ選択", beforeAuto)) << "the check box did not change";
    m_display.screenshot(m_shots / "32-shared-automatic.png");
    m_display.key("Return");
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    m_display.screenshot(m_shots / "33-page2-shared.png");

    const fs::path out = m_dir / "out" / "linkage-shared.xml";
    pickOutputAndFinish(out, "34-summary-shared");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(finish(), kCompletionWritten);
    const std::vector<std::string> expected = {
        asked, "information\t連動ﾃﾞｰﾀの作成\t中間ファイルが作成されました。\\r"};
    EXPECT_EQ(boxes(), expected);

    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(testsupport::readFile(out), driverFile("0001"));
    // Given back at the end: free on the server, kept there in the catalogue, the option saved.
    EXPECT_NE(areaIni().find("SHARE_STATUS=1"), std::string::npos) << areaIni();
    EXPECT_EQ(catalogue("SELECT NETDRIVE, KYOYULOCK FROM DATALIST WHERE GROUPID = 10000 AND REC = 6"), "1|0");
    EXPECT_EQ(catalogue("SELECT BIN_AND(RESERVE2, 1) FROM SYSDEF WHERE OPCODE = 100000020"), "1");
    EXPECT_TRUE(signedIn().empty());
}
