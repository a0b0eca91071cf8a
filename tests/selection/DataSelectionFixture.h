// The data-selection dialog's test fixture: a real system database with a mixed catalogue and
// data folders on a mapped drive, shared by the dialog's test files.
#pragma once

#include "selection/DataListSearchDialog.h"
#include "selection/DataSelectionDialog.h"
#include "selection/SelectionForms.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "print/PreviewWindow.h"
#include "print/PrintOptionDialogs.h"
#include "print/ReportComponent.h"
#include "print/ReportEngine.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/Sql.h"
#include "support/TempDir.h"
#include "selection/IncrementalSearch.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/SimpleMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

namespace seltest {

namespace paths = platform::paths;

inline const std::vector<std::string> kWizardLines = {"SyoriType=3", "JyokenSet=1", "DataType=2",
                                               "CodeType=0", "DataVerMajor=8", "FormStyle=2"};

inline std::string slotFolder(int rec)
{
    char name[32];
    std::snprintf(name, sizeof name, "C:\\ZAIMU\\DATA\\%.4d", rec);
    return name;
}

// A catalogue of mixed rows over the fixture's 120 slots, group 10000, operator 11, standalone.
//   1 A社 type 2 8.0.0 (folder on disk)   2 damaged, type 2 8.0.0   3 update-prohibited 7.0.4
//   4 type 1 8.1.0   5 type 2 7.2.0   6 type 3 8.1.0   7 type 2 10.0.0
//   8 .. 80 type 2 8.0.x (40 with a folder)   81 .. 120 empty slots
class DataSelectionDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        // The program's box for the catalogue's shared-data messages, as at start-up.
        selection::installShareMessageBox();
        std::filesystem::create_directories(m_root / "c");
        paths::mapDrive('C', m_root / "c");
        testsupport::FixtureDb::copyTo("system", m_root / "c" / "ZAIMU" / "DATA" / "dwaccdef.fdb");
        std::filesystem::create_directories(m_root / "c" / "log");
        SystemDef.SysDir = "C:\\ZAIMU\\DATA";
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.LogFolder = "C:\\log";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.PcName = "buildpc";
        SystemDef.GroupId = 10000;
        SystemDef.LoginCode = 11;
        SystemDef.LoginId = 100000011;
        SystemDef.OperatorName = "担当一";
        SystemDef.AppCaption = "連動データの作成";
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnGetSysDef());

        auto named = [&](int rec, const std::string& name, int type, int code, int major, int minor1,
                         int minor2, const std::string& extra = "") {
            char sql[1024];
            std::snprintf(sql, sizeof sql,
                          "UPDATE DATALIST SET ENTTEXT='%s', SHOUGOU='%s', DATACODE='C%03d', DATATYPE=%d, "
                          "CODETYPE=%d, NENDO=5, KISHU='2024-04-01', KIMATU='2025-03-31', VER_MAJOR=%d, "
                          "VER_MINOR1=%d, VER_MINOR2=%d, VER_TEXT='Ver%d.%d.%d'%s WHERE REC=%d",
                          name.c_str(), name.c_str(), rec, type, code, major, minor1, minor2, major, minor1,
                          minor2, extra.c_str(), rec);
            exec(sql);
        };
        named(1, "A社", 2, 1, 8, 0, 0);
        named(2, "壊れた会社", 2, 1, 8, 0, 0, ", DATA_STATUS=1");
        named(3, "古い会社", 2, 1, 7, 0, 4, ", UPDATE_LOCK=1");
        named(4, "法人一", 1, 1, 8, 1, 0);
        named(5, "七の会社", 2, 1, 7, 2, 0);
        named(6, "医療一", 3, 1, 8, 1, 0);
        named(7, "十の会社", 2, 1, 10, 0, 0);
        {
            firebird::Transaction tr(m_dm->IBDatabaseDEF);
            tr.start();
            firebird::Statement st(tr, "UPDATE DATALIST SET ENTTEXT=:NAME, DATATYPE=2, CODETYPE=1, NENDO=5, "
                                       "VER_MAJOR=8, VER_MINOR1=0, VER_MINOR2=:MINOR2, VER_TEXT='Ver8.0', "
                                       "KISHU='2024-01-01', KIMATU='2024-12-31' WHERE REC=:REC");
            for (int rec = 8; rec <= 80; ++rec) {
                st.setString("NAME", "個人" + std::to_string(rec));
                st.setInt("MINOR2", rec % 3);
                st.setInt("REC", rec);
                st.execute();
            }
            tr.commit();
        }
        makeFolder(1, 1);
        makeFolder(40, 1);
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        selection::setShareMessageHandler({});
        paths::resetDriveMap();
        platform::files::clearFaults();
    }

    void exec(const std::string& sql) { testsupport::exec(m_dm->IBDatabaseDEF, sql); }
    std::vector<std::string> rows(const std::string& sql) { return testsupport::rows(m_dm->IBDatabaseDEF, sql); }

    // A data folder with its database file and information file.
    void makeFolder(int rec, int status, int opCode = 0, const std::string& opName = "")
    {
        const std::string folder = slotFolder(rec);
        platform::files::createDirectories(folder);
        platform::files::writeAllAtomic(paths::join(folder, DataFile), "data");
        platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
        ini.writeInteger("DATASTS", "STATUS", status);
        if (opCode != 0) {
            ini.writeInteger("DATASTS", "OPCODE", opCode);
            ini.writeString("DATASTS", "OPERATOR", opName);
        }
        ini.updateFile();
    }

    std::unique_ptr<TDataSentakuBox> dialog(const std::vector<std::string>& lines)
    {
        auto box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = 1;
        box->SetParams(lines);
        return box;
    }

    // The REC of every listed row (parents only, in order).
    static std::vector<int> listed(TDataSentakuBox& box)
    {
        std::vector<int> out;
        for (int r = 0; r < box.PerfectGrid1()->rowCount(); ++r)
            out.push_back(int(box.PerfectGrid1()->model().cellNumber(r, 0)));
        return out;
    }

    static std::vector<int> range(int from, int to)
    {
        std::vector<int> out;
        for (int i = from; i <= to; ++i)
            out.push_back(i);
        return out;
    }

    static void key(QWidget& w, Qt::Key k)
    {
        QApplication::setActiveWindow(&w);
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, k);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    static void saveShot(QWidget& w, const std::string& name)
    {
        const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
        QDir().mkpath(dir);
        w.grab().save(dir + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png"));
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

// The grid row that shows a catalogue record (parents only), -1 when it is not listed.
inline int rowOf(TDataSentakuBox& box, int rec)
{
    auto& m = box.PerfectGrid1()->model();
    for (int r = 0; r < m.rowCount(); ++r)
        if (!m.cellText(r, 0).isEmpty() && m.cellNumber(r, 0) == rec)
            return r;
    return -1;
}

} // namespace seltest
