// The data-selection dialog in client/server mode against the Firebird server on loopback: the
// system database and the data folders in a temporary folder on C:, which the program and the
// server's file procedures both map to "/".
#pragma once

#include "DataSelectionFixture.h"

#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "support/Sql.h"

namespace seltest {

// "C:\tmp\..." for a native folder under "/".
inline std::string onC(const std::filesystem::path& native)
{
    std::string s = native.string();
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return "C:" + s;
}

// The system database on the server with the standard place's 120 slots in this test's data
// folder, and operator 15 signed in. A test class adds what it needs before the data module
// connects (beforeConnecting) and after SetUp.
class ServerSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        paths::resetDriveMap();
        testsupport::ensureServer();
        m_data = onC(m_root / "data");
        testsupport::FixtureDb::copyTo("system", m_root / "data" / "dwaccdef.fdb");
        std::filesystem::create_directories(m_root / "log");
        ConnectMode = 1;
        SystemDef.HostName = "localhost";
        SystemDef.SysDir = m_data;
        SystemDef.DataRoot = onC(m_root.path());
        SystemDef.LogFolder = onC(m_root / "log");
        SystemDef.TempFolder = onC(m_root / "temp");
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.AppCaption = "連動データの作成";
        signInAs(15);
        beforeConnecting();
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnGetSysDef());
        SystemDef.ServerDataPlace = 0;

        // The standard place's slots live under this test's data folder.
        pointSlots(m_dm->IBDatabaseDEF, m_data);
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        paths::resetDriveMap();
    }

    // Settings and files the data module needs when it connects.
    virtual void beforeConnecting() {}

    static void signInAs(int code)
    {
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = code;
        SystemDef.LoginId = 10000 * 10000 + code;
        SystemDef.OperatorName = code == 15 ? "十五番" : "十七番";
    }

    static std::string slot(const std::string& folder, int rec)
    {
        char name[16];
        std::snprintf(name, sizeof name, "%.4d", rec);
        return folder + "\\" + name;
    }

    // Points the standard place's slots of a system database at folder.
    static void pointSlots(firebird::Attachment& db, const std::string& folder)
    {
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, "UPDATE DATALIST SET PASNAME=:PASNAME WHERE REC=:REC");
        for (int rec = 1; rec <= 120; ++rec) {
            st.setString("PASNAME", slot(folder, rec));
            st.setInt("REC", rec);
            st.execute();
        }
        tr.commit();
    }

    void makeData(const std::string& folder)
    {
        testsupport::FixtureDb::copyTo("company", paths::toNative(folder + "\\dwacc.fdb"));
    }

    void nameSlot(const std::string& table, int place, int rec, const std::string& name)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "UPDATE " + table + " SET ENTTEXT=:NAME, SHOUGOU=:NAME, DATACODE='C1', "
                                   "DATATYPE=2, CODETYPE=1, NENDO=5, KISHU='2024-01-01', KIMATU='2024-12-31', "
                                   "VER_MAJOR=8, VER_MINOR1=0, VER_MINOR2=0, VER_TEXT='Ver8.0' WHERE REC=:REC" +
                                   std::string(place > 0 ? " AND DATAPLACEREC=:PLACE" : ""));
        st.setString("NAME", name);
        st.setInt("REC", rec);
        if (place > 0)
            st.setInt("PLACE", place);
        st.execute();
        tr.commit();
    }

    // The dialog of type 0, started, shown and active.
    static std::unique_ptr<TDataSentakuBox> shownDialog()
    {
        auto box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = 1;
        box->SetParams({"SyoriType=0", "FormStyle=2"});
        box->StartDialog();
        box->show();
        QApplication::setActiveWindow(box.get());
        return box;
    }

    void exec(const std::string& sql) { testsupport::exec(m_dm->IBDatabaseDEF, sql); }

    // The first value of a query on the system database.
    std::string one(const std::string& sql) { return firstValue(m_dm->IBDatabaseDEF, sql); }

    static std::string firstValue(firebird::Attachment& db, const std::string& sql)
    {
        firebird::Transaction tr(db);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        return c.fetch() ? (c.isNull(0) ? "<null>" : c.getString(0)) : "<no row>";
    }

    testsupport::TempDir m_root;
    std::string m_data;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

// Operators 15 and 17 in the operator table; slots 1 and 2 named, each with a company database.
class DataSelectionServerTest : public ServerSystemTest {
protected:
    void SetUp() override
    {
        ServerSystemTest::SetUp();
        if (HasFatalFailure())
            return;
        exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, JIMUSHO, MYNUMBER_ADM) "
             "VALUES (10000, 15, '十五番', 1, '', 0, 0)");
        exec("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, PASWORD, JIMUSHO, MYNUMBER_ADM) "
             "VALUES (10000, 17, '十七番', 1, '', 0, 0)");
        nameSlot("DATALIST", 0, 1, "一番の会社");
        nameSlot("DATALIST", 0, 2, "二番の会社");
        makeData(slot(m_data, 1));
        makeData(slot(m_data, 2));
    }

    // The sign-in list's row of a session of this operator.
    void signIn(int code)
    {
        exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (" +
             std::to_string(10000 * 10000 + code) + ", 10000, " + std::to_string(code) + ", 'pc" +
             std::to_string(code) + "')");
    }

    // The wizard's type without its launch conditions: empty slots are listed too.
    std::unique_ptr<TDataSentakuBox> dialog(const std::vector<std::string>& lines = {"SyoriType=3", "FormStyle=2"})
    {
        auto box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = 1;
        box->SetParams(lines);
        box->StartDialog();
        return box;
    }

    // The state box the next click shows: its caption and text.
    void expectStateBox(TDataSentakuBox& box, std::string& caption, std::string& text)
    {
        m_messages.onDialog([&](QDialog&) {
            caption = box.StateBox()->MsgCaption;
            text = box.StateBox()->MsgText;
            return int(QDialog::Accepted);
        });
    }
};

} // namespace seltest
