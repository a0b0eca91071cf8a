// Take-out and bring-back ("F3:持ち出し") against the Firebird server on loopback: the server's
// system database and data folders, and this computer's data list in the common application-data
// folder, all in a temporary folder on C:, which the program and the server map to "/". The
// second data-selection dialog is launched through the launcher hook, as the program does.
#include "DataSelectionServerFixture.h"

#include "firebird/Attachment.h"
#include "platform/SpecialFolders.h"
#include "records/FormRegistry.h"
#include "selection/WhichDataSetDialog.h"
#include "ui/KeyRadioButton.h"

#include <cstdlib>

namespace {

using namespace seltest;

class DataSelectionTakeOutServerTest : public ServerSystemTest {
protected:
    void beforeConnecting() override
    {
        setenv(platform::kCommonAppDataVariable, (m_root / "appdata").c_str(), 1);
        m_local = onC(m_root / "appdata" / "quelto" / "morabyzaimu" / "data");
        testsupport::FixtureDb::copyTo("system", m_root / "appdata" / "quelto" / "morabyzaimu" / "data" / "dwaccdef.fdb");
        for (const char* f : {"temp", "wintemp", "ini"})
            std::filesystem::create_directories(m_root / f);
        SystemDef.WinTempFolder = onC(m_root / "wintemp");
        SystemDef.IniFolder = onC(m_root / "ini");
        m_messages.answerDefaults();
        // This computer's list: its slots under the local data folder.
        firebird::Attachment local;
        local.connect(testsupport::morabyParams(paths::toNative(m_local + "\\dwaccdef.fdb").string()));
        pointSlots(local, m_local);
        local.disconnect();
    }

    void SetUp() override
    {
        ServerSystemTest::SetUp();
        if (HasFatalFailure())
            return;
        SystemDef.JobLevel = 9; // the administrator may handle every data set
        nameSlot("DATALIST", 0, 1, "一番の会社");
        makeData(slot(m_data, 1));
        writeRows(slot(m_data, 1), {"INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (1, 0, 1, '01')",
                                    "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (2, 0, 1, '01')",
                                    "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('01', '本店', 2)",
                                    "UPDATE ACCDEF1 SET SHOUGOU='一番の会社' WHERE REC=1"});
        TDataInfomation().RefreshIniFile(slot(m_data, 1), "");

        // The launcher: the second dialog runs modally; the test's handler plays the operator.
        SyoriKidouProc = [](const std::string& form, int, const std::string& params) {
            EXPECT_EQ(form, "XvDataSenkaku");
            std::vector<std::string> lines;
            std::size_t at = 0;
            for (std::size_t cr; (cr = params.find('\r', at)) != std::string::npos; at = cr + 1)
                lines.push_back(params.substr(at, cr - at));
            lines.push_back(params.substr(at));
            lines.push_back("FormStyle=2");
            TDataSentakuBox box;
            box.KeepOnClose = 1;
            box.SetParams(lines);
            return box.Execute(true);
        };
    }

    void TearDown() override
    {
        SyoriKidouProc = {};
        m_dm.reset();
        unsetenv(platform::kCommonAppDataVariable);
        ServerSystemTest::TearDown();
    }

    static void writeRows(const std::string& folder, const std::vector<std::string>& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams("localhost:" + paths::toNative(folder + "\\dwacc.fdb").string()));
        for (const std::string& s : sql)
            a.executeImmediate(s);
        a.disconnect();
    }

    static std::string journal(const std::string& folder)
    {
        return testsupport::onDatabase(paths::toNative(folder + "\\dwacc.fdb").string(),
                                       "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)");
    }

    std::string serverLock() { return one("SELECT DATALOCK FROM DATALIST WHERE REC=1"); }

    std::unique_ptr<TDataSentakuBox> openOnFirst()
    {
        auto box = shownDialog();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        box->PerfectGrid1()->setCurrentRow(rowOf(*box, 1));
        box->PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        box->SetFunctionKeys();
        return box;
    }

    // The choice dialog: what it offered, then OK.
    void chooseDirection(bool* takeOutOffered)
    {
        m_messages.onDialog([takeOutOffered](QDialog& d) {
            auto& which = dynamic_cast<TWhichDataSetBox&>(d);
            *takeOutOffered = which.rbMochidasi()->isEnabled();
            which.btnOK()->Click();
            return which.modalResult();
        });
    }

    // The second dialog: F12 on the local slot rec.
    void chooseLocalSlot(int rec, std::string* seenCaption)
    {
        m_messages.onDialog([rec, seenCaption](QDialog& d) {
            auto& box = dynamic_cast<TDataSentakuBox&>(d);
            *seenCaption = box.windowTitle().toStdString();
            box.PerfectGrid1()->setCurrentRow(rowOf(box, rec));
            box.PerfectGrid1()->setFocus();
            box.SetFunctionKeys();
            box.FunctionKey(fkF12)->Click();
            QCoreApplication::processEvents();
            return box.modalResult();
        });
    }

    std::string m_local;
};

TEST_F(DataSelectionTakeOutServerTest, TakeOutToALocalSlotLocksTheRowAndBringBackReturnsTheData)
{
    auto box = openOnFirst();
    ASSERT_EQ(box->FunctionKey(fkF3)->CaptionA().Caption().toStdString(), "F3:持ち出し");
    ASSERT_TRUE(box->FunctionKey(fkF3)->isEnabled());

    bool takeOutOffered = false;
    std::string caption;
    chooseDirection(&takeOutOffered);
    chooseLocalSlot(81, &caption);
    box->FunctionKey(fkF3)->Click();
    QCoreApplication::processEvents();

    EXPECT_TRUE(takeOutOffered) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(caption, "データ選択") << "the second dialog lists this computer's data";
    EXPECT_EQ(journal(slot(m_local, 81)), "1,2") << "the server's data set restored into the local slot";
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_EQ(SystemDef.HostName, "localhost");
    EXPECT_EQ(SystemDef.SysDir, m_data);
    EXPECT_EQ(serverLock(), "15") << "the row is locked for the operator on the server";
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(rowOf(*box, 1), 9), 15);

    // Work on the taken-out data, then bring it back.
    writeRows(slot(m_local, 81), {"INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (3, 0, 1, '01')",
                                  "UPDATE SISETUMST SET SIWAKECOUNT=3 WHERE SCODE='01'"});
    m_messages.clear();
    chooseDirection(&takeOutOffered);
    chooseLocalSlot(81, &caption);
    QApplication::setActiveWindow(box.get());
    box->PerfectGrid1()->setFocus();
    QCoreApplication::processEvents();
    box->SetFunctionKeys();
    ASSERT_TRUE(box->FunctionKey(fkF3)->isEnabled());
    box->FunctionKey(fkF3)->Click();
    QCoreApplication::processEvents();

    EXPECT_FALSE(takeOutOffered) << "a locked row offers only the bring-back";
    EXPECT_EQ(journal(slot(m_data, 1)), "1,2,3") << "the local work is back on the server";
    EXPECT_EQ(serverLock(), "0");
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_EQ(SystemDef.SysDir, m_data);
}

TEST_F(DataSelectionTakeOutServerTest, AFailingSwitchToLocalPutsTheServerConnectionBack)
{
    // No system database on this computer: the local connection fails after the save.
    std::filesystem::remove(m_root / "appdata" / "quelto" / "morabyzaimu" / "data" / "dwaccdef.fdb");
    auto box = openOnFirst();
    bool takeOutOffered = false;
    chooseDirection(&takeOutOffered);
    box->FunctionKey(fkF3)->Click();
    QCoreApplication::processEvents();

    EXPECT_EQ(ConnectMode, 1);
    EXPECT_EQ(SystemDef.HostName, "localhost");
    EXPECT_EQ(SystemDef.SysDir, m_data);
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_EQ(serverLock(), "0") << "nothing was taken out";
}

} // namespace
