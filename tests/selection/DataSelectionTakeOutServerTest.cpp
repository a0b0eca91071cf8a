// Take-out and bring-back ("F3:持ち出し") against the Firebird server on loopback: the server's
// system database and data folders, and this computer's data list in the common application-data
// folder, all in a temporary folder on C:, which the program and the server map to "/". The
// second data-selection dialog is launched through the launcher hook, as the program does.
#include "DataSelectionFixture.h"

#include "firebird/Attachment.h"
#include "platform/SpecialFolders.h"
#include "records/FormRegistry.h"
#include "selection/WhichDataSetDialog.h"
#include "ui/KeyRadioButton.h"

#include <cstdlib>

namespace {

using namespace seltest;

std::string onC(const std::filesystem::path& native)
{
    std::string s = native.string();
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return "C:" + s;
}

std::string slot(const std::string& folder, int rec)
{
    char name[16];
    std::snprintf(name, sizeof name, "%.4d", rec);
    return folder + "\\" + name;
}

class DataSelectionTakeOutServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        paths::resetDriveMap();
        testsupport::ensureServer();
        setenv(platform::kCommonAppDataVariable, (m_root / "appdata").c_str(), 1);
        m_server = onC(m_root / "data");
        m_local = onC(m_root / "appdata" / "quelto" / "morabyzaimu" / "data");
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        testsupport::FixtureDb::copyTo("system", m_root / "appdata" / "quelto" / "morabyzaimu" / "data" / "dwaccdef.fdb");
        for (const char* f : {"log", "temp", "wintemp", "ini"})
            std::filesystem::create_directories(m_root / f);
        ConnectMode = 1;
        SystemDef.HostName = "localhost";
        SystemDef.SysDir = m_server;
        SystemDef.DataRoot = onC(m_root.path());
        SystemDef.LogFolder = onC(m_root / "log");
        SystemDef.TempFolder = onC(m_root / "temp");
        SystemDef.WinTempFolder = onC(m_root / "wintemp");
        SystemDef.IniFolder = onC(m_root / "ini");
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.AppCaption = "連動データの作成";
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = 15;
        SystemDef.LoginId = 10000 * 10000 + 15;
        SystemDef.OperatorName = "十五番";
        m_messages.answerDefaults();
        // This computer's list: its slots under the local data folder.
        pointSlots(m_local, "");
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnGetSysDef());
        SystemDef.JobLevel = 9; // the administrator may handle every data set
        SystemDef.ServerDataPlace = 0;
        pointSlots(m_server, "localhost");
        {
            firebird::Transaction tr(m_dm->IBDatabaseDEF);
            tr.start();
            firebird::Statement(tr, "UPDATE DATALIST SET ENTTEXT='一番の会社', SHOUGOU='一番の会社', DATACODE='C1', "
                                    "DATATYPE=2, CODETYPE=1, NENDO=5, KISHU='2024-01-01', KIMATU='2024-12-31', "
                                    "VER_MAJOR=8, VER_MINOR1=0, VER_MINOR2=0, VER_TEXT='Ver8.0' WHERE REC=1")
                .execute();
            tr.commit();
        }
        testsupport::FixtureDb::copyTo("company", paths::toNative(slot(m_server, 1) + "\\dwacc.fdb"));
        writeRows(slot(m_server, 1), {"INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (1, 0, 1, '01')",
                                      "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (2, 0, 1, '01')",
                                      "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('01', '本店', 2)",
                                      "UPDATE ACCDEF1 SET SHOUGOU='一番の会社' WHERE REC=1"});
        TDataInfomation().RefreshIniFile(slot(m_server, 1), "");

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
        records::resetProgramState();
        paths::resetDriveMap();
    }

    // Points the catalogue slots of a system database at folder.
    void pointSlots(const std::string& folder, const std::string& host)
    {
        firebird::Attachment a;
        const std::string file = paths::toNative(folder + "\\dwaccdef.fdb").string();
        a.connect(testsupport::morabyParams(host.empty() ? file : host + ":" + file));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement st(tr, "UPDATE DATALIST SET PASNAME=:PASNAME WHERE REC=:REC");
        for (int rec = 1; rec <= 120; ++rec) {
            st.setString("PASNAME", slot(folder, rec));
            st.setInt("REC", rec);
            st.execute();
        }
        tr.commit();
        a.disconnect();
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
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(paths::toNative(folder + "\\dwacc.fdb").string()));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement st(tr, "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)");
        auto c = st.open();
        std::string out = c.fetch() ? c.getString(0) : std::string();
        tr.commit();
        return out;
    }

    std::string serverLock()
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "SELECT DATALOCK FROM DATALIST WHERE REC=1");
        auto c = st.open();
        std::string out = c.fetch() ? c.getString(0) : std::string();
        tr.commit();
        return out;
    }

    std::unique_ptr<TDataSentakuBox> openOnFirst()
    {
        auto box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = 1;
        box->SetParams({"SyoriType=0", "FormStyle=2"});
        box->StartDialog();
        box->show();
        QApplication::setActiveWindow(box.get());
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

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
    std::string m_server;
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
    EXPECT_EQ(SystemDef.SysDir, m_server);
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
    EXPECT_EQ(journal(slot(m_server, 1)), "1,2,3") << "the local work is back on the server";
    EXPECT_EQ(serverLock(), "0");
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_EQ(SystemDef.SysDir, m_server);
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
    EXPECT_EQ(SystemDef.SysDir, m_server);
    EXPECT_TRUE(m_dm->IBDatabaseDEF.connected());
    EXPECT_EQ(serverLock(), "0") << "nothing was taken out";
}

} // namespace
