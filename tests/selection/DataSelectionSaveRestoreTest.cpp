// Save (F6) and restore (F7) in the data-selection dialog on real company databases, the second
// dialog of a take-out or bring-back (type 5), and the take-out/bring-back choice. Slot 1 (A社)
// and slot 41 (a consolidated data set with two distributed children) hold company fixtures;
// backups go to folders of drive D:.
#include "DataSelectionFixture.h"

#include "firebird/Attachment.h"
#include "platform/Registry.h"
#include "records/DbHelpers.h"
#include "records/FileUtils.h"
#include "records/TextRoutines.h"
#include "ui/KeyCheckBox.h"
#include "selection/WhichDataSetDialog.h"
#include "ui/FileOperationDialog.h"
#include "ui/KeyRadioButton.h"

namespace files = platform::files;
namespace paths = platform::paths;
namespace fs = std::filesystem;
using seltest::rowOf;
using seltest::slotFolder;

namespace {

const std::vector<std::string> kTypeZero = {"SyoriType=0", "FormStyle=2"};
constexpr const char* kNoBackup = "この場所には、バックアップファイル(dwacc.fbk)がありませんでした。";
constexpr const char* kTempRefused = "このフォルダは選択出来ません。他の場所を選んで下さい。";

struct Info {
    std::string shougou;
    int totalSiwake = 3;
    int gassan = 0;
};

void writeInfo(const std::string& folder, const Info& info)
{
    platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger("DATASTS", "STATUS", 1);
    ini.writeString("DATAINFO", "DATALISTNAME", info.shougou);
    ini.writeString("DATAINFO", "CODE", "C001");
    ini.writeInteger("DATAINFO", "DATAKBN", 2);
    ini.writeInteger("DATAINFO", "CODEKBN", 1);
    ini.writeString("DATAINFO", "SHOUGOU", info.shougou);
    ini.writeInteger("DATAINFO", "NENDO", 5);
    ini.writeString("DATAINFO", "KISHU", "2024/04/01");
    ini.writeString("DATAINFO", "KIMATU", "2025/03/31");
    ini.writeInteger("DATAINFO", "SIWAKE", info.totalSiwake);
    ini.writeInteger("DATAINFO", "TOTALSIWAKE", info.totalSiwake);
    ini.writeString("DATAINFO", "VERSION1", "8.0.0");
    ini.writeString("DATAINFO", "VERSION2", "Ver8.0.0");
    ini.writeInteger("DATAINFO", "GASSANKBN", info.gassan);
    ini.updateFile();
}

class DataSelectionSaveRestoreTest : public seltest::DataSelectionDialogTest {
protected:
    void SetUp() override
    {
        DataSelectionDialogTest::SetUp();
        // Every test compares the whole list of boxes shown (shown()), so each box takes its
        // default answer and an unexpected one still fails the comparison.
        m_messages.answerDefaults();
        fs::create_directories(m_root / "d" / "backup");
        fs::create_directories(m_root / "d" / "nothing");
        fs::create_directories(m_root / "d" / "docs");
        fs::create_directories(m_root / "c" / "temp");
        fs::create_directories(m_root / "c" / "ini");
        paths::mapDrive('D', m_root / "d");
        platform::registry::setStorePath(m_root / "registry.ini");
        SystemDef.TempFolder = "C:\\temp";
        SystemDef.IniFolder = "C:\\ini";
        SystemDef.DocumentFolder = "D:\\docs";
        SystemDef.JobLevel = 9; // the administrator may handle every data set
        placeCompany(1, "A社");
        journals(1, 3);
    }

    void TearDown() override
    {
        platform::registry::resetStorePath();
        DataSelectionDialogTest::TearDown();
    }

    // A company fixture in the slot with its company name and consolidation kind; the
    // information file is written from the database as closing it does.
    void placeCompany(int rec, const std::string& shougou, int gassan = 0)
    {
        const std::string folder = slotFolder(rec);
        testsupport::FixtureDb::copyTo("company", paths::toNative(paths::join(folder, DataFile)));
        writeRows(rec, {"UPDATE ACCDEF1 SET SHOUGOU='" + shougou + "' WHERE REC=1"});
        writeInfo(folder, {shougou});
        if (gassan != 0) {
            ASSERT_TRUE(m_dm->fnAccDatConnected("", folder, 0));
            PutAccReg("基本設定", "合算データ区分", "整数", records::Variant::fromInt(gassan));
            m_dm->fnAccDatDisconnected(folder, 0, 0);
        }
        refreshInfo(rec);
    }

    // Journals 1..count of the head office, counted as the accounting product counts them, and
    // the information file brought up to date.
    void journals(int rec, int count)
    {
        std::vector<std::string> sql;
        for (int i = 1; i <= count; ++i)
            sql.push_back("UPDATE OR INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (" +
                          std::to_string(i) + ", 0, 1, '01') MATCHING (REC)");
        sql.push_back("UPDATE OR INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('01', '本店', " +
                      std::to_string(count) + ") MATCHING (SCODE)");
        writeRows(rec, sql);
        refreshInfo(rec);
    }

    void refreshInfo(int rec) { TDataInfomation().RefreshIniFile(slotFolder(rec), ""); }

    // The boxes shown, without the dialogs the recorder handled.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> out;
        for (const auto& b : m_messages.boxes())
            if (b.kind != "dialog" && b.kind != "folder")
                out.push_back(b.text);
        return out;
    }

    static std::string database(int rec) { return paths::toNative(paths::join(slotFolder(rec), DataFile)).string(); }

    void writeRows(int rec, const std::vector<std::string>& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(database(rec)));
        for (const std::string& s : sql)
            a.executeImmediate(s);
        a.disconnect();
    }

    std::string journal(int rec) { return value(rec, "SELECT LIST(REC, ',') FROM (SELECT REC FROM SIWAKE ORDER BY REC)"); }

    // The first column of the first row of sql in the slot's company database.
    std::string value(int rec, const std::string& sql)
    {
        firebird::Attachment a;
        a.connect(testsupport::morabyParams(database(rec)));
        firebird::Transaction tr(a);
        tr.start();
        firebird::Statement st(tr, sql);
        auto c = st.open();
        std::string out = c.fetch() ? c.getString(0) : std::string();
        tr.commit();
        a.disconnect();
        return out;
    }

    std::unique_ptr<TDataSentakuBox> openOn(const std::vector<std::string>& lines, int rec)
    {
        auto box = dialog(lines);
        box->StartDialog();
        box->show();
        QApplication::setActiveWindow(box.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        const int row = rowOf(*box, rec);
        EXPECT_GE(row, 0) << "slot " << rec << " is not listed";
        box->PerfectGrid1()->setCurrentRow(row);
        box->PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        box->SetFunctionKeys();
        return box;
    }

    // The next folder dialog browses to folder and confirms it (or cancels when empty).
    void chooseFolder(const std::string& folder, int selectMode = 1, const char* shot = nullptr)
    {
        if (!folder.empty() && selectMode == 1)
            m_messages.pick(folder);
        m_messages.onDialog([this, folder, selectMode, shot](QDialog& d) {
            auto* box = dynamic_cast<TFileOperationBox*>(&d);
            EXPECT_NE(box, nullptr) << "a folder dialog was expected";
            if (!box)
                return int(platform::mrCancel);
            if (shot)
                saveShot(*box, shot);
            if (folder.empty()) {
                box->btnCancel()->Click();
                return int(platform::mrCancel);
            }
            if (auto* ex = dynamic_cast<TFileOperationBoxEx1*>(box); ex && selectMode == 2)
                ex->SetSelectMode(2);
            else
                box->btnSansyo()->Click();
            box->btnOK()->Click();
            return box->modalResult();
        });
    }

    void press(TDataSentakuBox& box, int key)
    {
        ASSERT_TRUE(box.FunctionKey(key)->isEnabled()) << key;
        box.FunctionKey(key)->Click();
        QCoreApplication::processEvents();
    }

    // A backup of slot 1 in D:\backup through F6.
    void saveA()
    {
        auto box = openOn(kTypeZero, 1);
        chooseFolder("D:\\backup");
        press(*box, fkF6);
        ASSERT_TRUE(files::fileExists("D:\\backup\\dwacc.fbk"));
        box->close();
        m_messages.clear();
    }

    static int status(int rec)
    {
        return platform::IniFile(paths::join(slotFolder(rec), DataIniFile)).readInteger("DATASTS", "STATUS", -1);
    }

    std::string trailer(const std::string& file)
    {
        const std::string bytes = files::readAll(file);
        const std::size_t at = bytes.rfind("## QuarvelZone");
        return at == std::string::npos ? std::string() : platform::text::fromCp932(bytes.substr(at));
    }

    // A consolidated data set in slot 41 with the distributed children 001 and 002.
    void placeConsolidated()
    {
        exec("UPDATE DATALIST SET ENTTEXT='合算商事', SHOUGOU='合算商事', GASSAN=1 WHERE REC=41");
        placeCompany(41, "合算商事", 1);
        for (const char* child : {"001", "002"}) {
            const std::string folder = slotFolder(41) + "\\" + child;
            files::createDirectories(folder);
            files::writeAllAtomic(paths::join(folder, DataFile), "child");
        }
    }

    // Damages the body of a backup and keeps its trailer.
    static void damageBody(const std::string& file)
    {
        std::string bytes = files::readAll(file);
        const std::size_t at = bytes.rfind("## QuarvelZone");
        ASSERT_NE(at, std::string::npos);
        for (std::size_t i = 0; i < at; ++i)
            bytes[i] = char(0x5A);
        files::writeAllAtomic(file, bytes);
    }
};

TEST_F(DataSelectionSaveRestoreTest, SaveWritesTheBackupWithItsTrailerAndRemembersThePlace)
{
    auto box = openOn(kTypeZero, 1);
    EXPECT_EQ(box->FunctionKey(fkF6)->CaptionA().Caption().toStdString(), "F6:保存");
    EXPECT_EQ(box->FunctionKey(fkF7)->CaptionA().Caption().toStdString(), "F7:復元");
    chooseFolder("D:\\backup", 1, "TFileOperationBox-save");
    press(*box, fkF6);

    EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
    EXPECT_EQ(trailer("D:\\backup\\dwacc.fbk"),
              "## QuarvelZone\r\nSHOUGOU=A社\r\nKISHU=2024/01/01\r\nKIMATU=2024/12/31\r\nSIWAKE=3\r\n"
              "TOTALSIWAKE=3\r\nDATAVARSION=8.0.0\r\nGASSAN=0\r\nUSEMYNUMBER=0\r\n");
    EXPECT_FALSE(files::fileExists("D:\\backup\\dwacc.fb_"));
    EXPECT_EQ(GetIniSectionText("C:\\ini\\history.ini", "DataBackFolder"), "HIST1=D:\\backup\r\n");
    EXPECT_EQ(status(1), 1);
    ASSERT_NE(box->SaveBox(), nullptr);
    EXPECT_EQ(box->SaveBox()->windowTitle().toStdString(), "データの保存");
    EXPECT_EQ(box->SaveBox()->lblMain()->text().toStdString(), "選択中のデータを保存します。");
}

TEST_F(DataSelectionSaveRestoreTest, TheTempFolderIsRefusedAndTheFolderDialogComesBack)
{
    auto box = openOn(kTypeZero, 1);
    chooseFolder("C:\\temp");
    chooseFolder("");
    press(*box, fkF6);
    EXPECT_EQ(shown(), std::vector<std::string>{kTempRefused});
    EXPECT_FALSE(files::fileExists("C:\\temp\\dwacc.fbk"));
    EXPECT_EQ(status(1), 1);
}

TEST_F(DataSelectionSaveRestoreTest, RestoreFromAPlaceWithoutBackupSaysSo)
{
    auto box = openOn(kTypeZero, 1);
    chooseFolder("D:\\nothing", 1, "TFileOperationBoxEx1-restore");
    press(*box, fkF7);
    EXPECT_EQ(shown(), std::vector<std::string>{kNoBackup});
    ASSERT_NE(box->RestoreBox(), nullptr);
    EXPECT_EQ(box->RestoreBox()->btnSelect1()->text().toStdString(), "保存先の場所を選択して復元する");
    EXPECT_EQ(box->RestoreBox()->btnSelect2()->text().toStdString(), "プログラムの既定の保存先の場所より復元する");
}

// The two folder boxes: one history of backup folders, each with its own mode, caption, red
// message and hint.
TEST_F(DataSelectionSaveRestoreTest, TheSaveAndRestoreFolderBoxesShareOneHistory)
{
    struct Case {
        int key;
        std::int32_t mode;
        const char* caption;
        const char* message;
        const char* hint; // the hint's short part
    };
    const Case cases[] = {
        {fkF6, 3, "データの保存", "選択中のデータを保存します。",
         "ﾃﾞｰﾀを保存する場所を選択します。変更する場合は［参照］を押してください。"},
        {fkF7, 2, "データの復元",
         "指定された保存先の場所にバックアップファイルがある場合は、商号、会計期間および仕訳数をチェックし、"
         "条件が満たされれば復元されます。",
         "ﾃﾞｰﾀが保存されている場所を選択します。変更する場合は［参照］を押してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        auto box = openOn(kTypeZero, 1);
        bool asked = false;
        TFileOperationBox* folderBox = nullptr;
        m_messages.onDialog([&](QDialog& d) {
            asked = true;
            folderBox = dynamic_cast<TFileOperationBox*>(&d);
            return int(platform::mrCancel);
        });
        press(*box, c.key);
        ASSERT_TRUE(asked) << "no dialog was shown";
        ASSERT_NE(folderBox, nullptr) << "a folder box was expected";
        const TFileOperationBox& f = *folderBox;
        EXPECT_EQ(f.OperationMode, c.mode);
        EXPECT_TRUE(f.UseHistory);
        EXPECT_EQ(f.HistoryFolder, "C:\\ini");
        EXPECT_EQ(f.HistoryFile, "history.ini");
        EXPECT_EQ(f.HistorySection, "DataBackFolder");
        EXPECT_EQ(f.DlgCaption, c.caption);
        EXPECT_EQ(f.DlgMessage, c.message);
        EXPECT_EQ(f.MessageColor, platform::clRed);
        EXPECT_EQ(f.LocationCaption, "保存先の場所:");
        EXPECT_EQ(f.LocationHint.substr(0, f.LocationHint.find('|')), c.hint);
        EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
        EXPECT_EQ(status(1), 1) << "a cancelled box leaves the data set as it was";
        box->close();
        m_messages.clear();
    }
}

TEST_F(DataSelectionSaveRestoreTest, RestoringAfterANewJournalAsksAndPutsTheBackupBack)
{
    // A screen that was open when the backup was made: the restored data set starts with no
    // operation history.
    writeRows(1, {"INSERT INTO OPINF (OPCODE, JOBNAME, PCNAME, OPENTIME) "
                  "VALUES (20, '仕訳入力', 'PC01', '2024-05-01 09:00:00')"});
    saveA();
    journals(1, 4);
    ASSERT_EQ(journal(1), "1,2,3,4");

    auto box = openOn(kTypeZero, 1);
    chooseFolder("D:\\backup");
    std::vector<std::string> lines;
    m_messages.onDialog([&](QDialog& d) {
        auto& msg = dynamic_cast<TMessageBox&>(d);
        lines = msg.MsgLines;
        saveShot(msg, "restore-comparison");
        EXPECT_FALSE(msg.btnOK()->isEnabled()) << "OK waits for the agreement";
        msg.cboxAgree()->setChecked(true);
        msg.btnOK()->Click();
        return msg.modalResult();
    });
    press(*box, fkF7);

    EXPECT_EQ(lines, (std::vector<std::string>{"仕訳件数(修正・削除仕訳含む)が減っています。", "　【復元元】：3 件",
                                               "　【復元先】：4 件"}));
    EXPECT_EQ(journal(1), "1,2,3") << "the journal entered after the backup is gone";
    EXPECT_EQ(value(1, "SELECT COUNT(*) FROM OPINF"), "0") << "the operation history is emptied";
    EXPECT_EQ(status(1), 1);
    EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
}

// The comparison opens the target with its in-use mark and closes it with its free mark, nothing
// written in between: the journals (a full scan) are read once, and the information file still
// records the count. A connection of the test keeps the database open, so the engine's table
// statistics add up every attachment's reads.
TEST_F(DataSelectionSaveRestoreTest, TheComparisonReadsTheTargetsJournalsOnce)
{
    saveA();
    // 1000 corrected journals after the backup: 3 valid and 1000 counted by the scan.
    writeRows(1, {"EXECUTE BLOCK AS DECLARE I INTEGER = 4; BEGIN WHILE (I <= 1003) DO BEGIN "
                  "INSERT INTO SIWAKE (REC, DELFLG, TAISHAKU, SCODE) VALUES (:I, 1, 1, '01'); I = I + 1; END END"});
    refreshInfo(1);
    firebird::Attachment watch;
    watch.connect(testsupport::morabyParams(database(1)));
    auto scanned = [&watch] {
        const auto r = testsupport::rows(watch, "SELECT COALESCE(SUM(R.MON$RECORD_SEQ_READS), 0) FROM MON$TABLE_STATS T "
                                                "JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = T.MON$RECORD_STAT_ID "
                                                "WHERE T.MON$STAT_GROUP = 0 AND T.MON$TABLE_NAME = 'SIWAKE'");
        return std::stoll(r.at(0));
    };
    const long long before = scanned();

    auto box = openOn(kTypeZero, 1);
    chooseFolder("D:\\backup");
    std::vector<std::string> lines;
    long long read = -1;
    m_messages.onDialog([&](QDialog& d) {
        read = scanned() - before;
        auto& msg = dynamic_cast<TMessageBox&>(d);
        lines = msg.MsgLines;
        msg.btnCancel()->Click();
        return msg.modalResult();
    });
    press(*box, fkF7);
    watch.disconnect();

    EXPECT_EQ(read, 1003) << "every journal row read once";
    EXPECT_EQ(lines, (std::vector<std::string>{"仕訳件数(修正・削除仕訳含む)が減っています。", "　【復元元】：3 件",
                                               "　【復元先】：1,003 件"}));
    const platform::IniFile ini(paths::join(slotFolder(1), DataIniFile));
    EXPECT_EQ(ini.readInteger("DATAINFO", "TOTALSIWAKE", -1), 1003);
    EXPECT_EQ(ini.readInteger("DATAINFO", "SIWAKE", -1), 3);
    EXPECT_EQ(status(1), 1);
    EXPECT_EQ(journal(1).substr(0, 8), "1,2,3,4,") << "a declined comparison leaves the data set as it was";
    EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
}

TEST_F(DataSelectionSaveRestoreTest, APlainBackupOntoAConsolidatedDataSetIsAForbiddenPattern)
{
    saveA();
    placeConsolidated();
    auto box = openOn(kTypeZero, 41);
    chooseFolder("D:\\backup");
    std::string text;
    m_messages.onDialog([&](QDialog& d) {
        auto& msg = dynamic_cast<TMessageBox&>(d);
        text = msg.MsgText;
        EXPECT_EQ(msg.MsgLines.front(), "以下のパターンの復元（貼付）は禁止されています。");
        msg.btnOK()->Click();
        return msg.modalResult();
    });
    press(*box, fkF7);
    EXPECT_EQ(text, "復元先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って下さい。");
    EXPECT_TRUE(files::fileExists(slotFolder(41) + "\\001\\" + DataFile));
}

// Another company's consolidated backup onto the consolidated slot: the children go only when
// the restore has succeeded.
TEST_F(DataSelectionSaveRestoreTest, AConsolidatedTargetKeepsItsChildrenUntilTheRestoreSucceeds)
{
    placeCompany(1, "A社", 1);
    journals(1, 3);
    saveA();
    placeConsolidated();
    damageBody("D:\\backup\\dwacc.fbk");
    auto agree = [this](std::vector<std::string>* lines) {
        m_messages.onDialog([lines](QDialog& d) {
            auto& msg = dynamic_cast<TMessageBox&>(d);
            *lines = msg.MsgLines;
            msg.cboxAgree()->setChecked(true);
            msg.btnOK()->Click();
            return msg.modalResult();
        });
    };

    std::vector<std::string> lines;
    {
        auto box = openOn(kTypeZero, 41);
        chooseFolder("D:\\backup");
        agree(&lines);
        press(*box, fkF7);
        ASSERT_FALSE(shown().empty());
        EXPECT_NE(shown().back().find("データベースの復元処理を中止しました。"), std::string::npos)
            << testing::PrintToString(shown());
        box->close();
    }
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "会社名に違いがありました。");
    EXPECT_EQ(lines[3], "　注）復元を続行した場合は配下の分散データは削除されます。");
    EXPECT_TRUE(files::fileExists(slotFolder(41) + "\\001\\" + DataFile)) << "a failed restore keeps the children";
    EXPECT_TRUE(files::fileExists(slotFolder(41) + "\\002\\" + DataFile));
    EXPECT_EQ(journal(41), "") << "the data set is untouched";
    EXPECT_EQ(status(41), 1);

    // The same with a sound backup: restored, and the children are gone.
    m_messages.clear();
    saveA();
    {
        auto box = openOn(kTypeZero, 41);
        chooseFolder("D:\\backup");
        agree(&lines);
        press(*box, fkF7);
        EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
    }
    EXPECT_EQ(journal(41), "1,2,3");
    EXPECT_FALSE(files::directoryExists(slotFolder(41) + "\\001"));
    EXPECT_FALSE(files::directoryExists(slotFolder(41) + "\\002"));
}

TEST_F(DataSelectionSaveRestoreTest, TheSecondDialogRestoresIntoAnEmptySlotAndSavesOnlyData)
{
    saveA();
    // Restore: F12 on an empty slot fills it from the passed folder and closes the dialog.
    {
        auto box = openOn({"SyoriType=5", "OnlySA_Syori=Restore", "OnlySA_BackupPath=D:\\backup", "FormStyle=2"}, 81);
        press(*box, fkF12);
        EXPECT_EQ(box->modalResult(), platform::mrOk);
        EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
        EXPECT_EQ(journal(81), "1,2,3");
        // The fixture's data name and company name.
        EXPECT_EQ(rows("SELECT ENTTEXT, SHOUGOU FROM DATALIST WHERE REC=81"), std::vector<std::string>{"0001|A社"});
    }
    // Backup: an empty slot is refused; a slot with data is saved into the passed folder.
    fs::create_directories(m_root / "d" / "out");
    {
        auto box = openOn({"SyoriType=5", "OnlySA_Syori=Backup", "OnlySA_BackupPath=D:\\out", "FormStyle=2"}, 82);
        press(*box, fkF12);
        EXPECT_EQ(shown(), std::vector<std::string>{"この場所にはデータがありません。他の場所を選んで下さい。"});
        EXPECT_NE(box->modalResult(), platform::mrOk);
        m_messages.clear();
        box->PerfectGrid1()->setCurrentRow(rowOf(*box, 1));
        box->SetFunctionKeys();
        press(*box, fkF12);
        EXPECT_EQ(box->modalResult(), platform::mrOk);
        EXPECT_TRUE(shown().empty()) << testing::PrintToString(shown());
        EXPECT_NE(trailer("D:\\out\\dwacc.fbk").find("SHOUGOU=A社"), std::string::npos);
    }
}

TEST_F(DataSelectionSaveRestoreTest, TheChoiceOffersOnlyTheBringBackForALockedRow)
{
    TWhichDataSetBox which;
    which.SetUp(true);
    which.show();
    QApplication::setActiveWindow(&which);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&which));
    saveShot(which, "TWhichDataSetBox-locked");
    EXPECT_FALSE(which.rbMochidasi()->isEnabled());
    EXPECT_TRUE(which.rbMochikaeri()->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), which.rbMochikaeri());
    which.btnOK()->Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(which.modalResult(), platform::mrOk);
    EXPECT_EQ(which.Direction, 1);

    TWhichDataSetBox free;
    free.SetUp(false);
    free.show();
    QApplication::setActiveWindow(&free);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&free));
    saveShot(free, "TWhichDataSetBox");
    EXPECT_TRUE(free.rbMochidasi()->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), free.rbMochidasi());
    QTest::keyClick(&free, Qt::Key_F12);
    QCoreApplication::processEvents();
    EXPECT_TRUE(free.isVisible()) << "F12 is swallowed";
    free.btnOK()->Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(free.Direction, 0);
}

} // namespace
