// Shared data in the data-selection dialog: assigning an area of the shared drive Z: to an empty
// row, fetching and storing it, the automatic option, releasing an assignment, and the automatic
// fetch and store that the dialog's other operations use. Z: is a temporary folder marked remote
// holding the product folder "morabyzaimu" with three areas.
#include "DataSelectionFixture.h"

#include "selection/ServerSelectionDialog.h"

#include <QTimer>

namespace files = platform::files;
namespace paths = platform::paths;
using seltest::rowOf;
using seltest::slotFolder;

namespace {

const std::string kRoot = "Z:\\morabyzaimu";
const std::string kArea1 = kRoot + "\\sv0001";
const std::string kArea2 = kRoot + "\\sv0002";
const std::string kArea3 = kRoot + "\\sv0003";
const std::vector<std::string> kTypeThree = {"SyoriType=3", "FormStyle=2"};
const std::vector<std::string> kTypeZero = {"SyoriType=0", "FormStyle=2"};

int iniInt(const std::string& folder, const char* key)
{
    return platform::IniFile(paths::join(folder, DataIniFile)).readInteger("DATASTS", key, 1);
}

std::string dataOf(const std::string& folder) { return files::readAll(paths::join(folder, DataFile)); }

// A data set's folder: its database bytes and its information file.
void makeDataSet(const std::string& folder, const std::string& bytes, const std::string& name, int gassan = 0)
{
    files::createDirectories(folder);
    files::writeAllAtomic(paths::join(folder, DataFile), bytes);
    platform::IniFile ini(paths::join(folder, DataIniFile), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger("DATASTS", "STATUS", 1);
    ini.writeInteger("DATASTS", "SHARE_STATUS", 1);
    ini.writeString("DATAINFO", "DATALISTNAME", name);
    ini.writeString("DATAINFO", "CODE", "T01");
    ini.writeInteger("DATAINFO", "DATAKBN", 2);
    ini.writeInteger("DATAINFO", "CODEKBN", 1);
    ini.writeString("DATAINFO", "SHOUGOU", name);
    ini.writeInteger("DATAINFO", "NENDO", 5);
    ini.writeString("DATAINFO", "KISHU", "2024/04/01");
    ini.writeString("DATAINFO", "KIMATU", "2025/03/31");
    ini.writeString("DATAINFO", "VERSION1", "8.0.0");
    ini.writeString("DATAINFO", "VERSION2", "Ver8.0.0");
    ini.writeInteger("DATAINFO", "GASSANKBN", gassan);
    ini.updateFile();
}

class DataSelectionSharedTest : public seltest::DataSelectionDialogTest {
protected:
    void SetUp() override
    {
        DataSelectionDialogTest::SetUp();
        paths::mapDrive('Z', m_share.path(), true);
        makeDataSet(kArea1, "SV0001-COMPANY", "テスト商事");
        files::createDirectories(kArea2);
        makeDataSet(kArea3, "SV0003-PARENT", "合算商事", 1);
        files::createDirectories(kArea3 + "\\001");
        makeDataSet(kArea3 + "\\002", "SV0003-CHILD", "支店二");
        // Slot 5 is an empty row.
        exec("UPDATE DATALIST SET ENTTEXT='', SHOUGOU='', DATACODE='', DATATYPE=0, CODETYPE=0, NENDO=1, "
             "KISHU='1899-12-30', KIMATU='1899-12-30', VER_MAJOR=0, VER_MINOR1=0, VER_MINOR2=0, VER_TEXT='' "
             "WHERE REC=5");
    }

    // The dialog shown and usable, with the grid's focus on the row of slot rec.
    std::unique_ptr<TDataSentakuBox> openOn(const std::vector<std::string>& lines, int rec)
    {
        auto box = dialog(lines);
        box->StartDialog();
        box->show();
        QApplication::setActiveWindow(box.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        selectRec(*box, rec);
        return box;
    }

    // What the window manager does for a window shown again.
    static void activate(QWidget& w)
    {
        QApplication::setActiveWindow(&w);
        QCoreApplication::processEvents();
    }

    static void selectRec(TDataSentakuBox& box, int rec)
    {
        const int row = rowOf(box, rec);
        EXPECT_GE(row, 0) << "slot " << rec << " is not listed";
        box.PerfectGrid1()->setCurrentRow(row);
        box.PerfectGrid1()->setFocus();
        QCoreApplication::processEvents();
        box.SetFunctionKeys();
    }

    // In the shared-server list: chooses the area's row with Enter.
    static int chooseArea(QDialog& d, const std::string& area)
    {
        auto& list = dynamic_cast<TServerSentakuBox&>(d);
        QApplication::setActiveWindow(&list);
        QCoreApplication::processEvents();
        int found = -1;
        for (int r = 0; r < list.PerfectGrid1()->rowCount(); ++r)
            if (const TDataListRec* rec = list.RowRec(r); rec && !list.IsChildRow(r) && rec->PASNAME == area)
                found = r;
        EXPECT_GE(found, 0) << area << " is not listed";
        if (found < 0)
            return platform::mrCancel;
        list.PerfectGrid1()->setCurrentRow(found);
        list.PerfectGrid1()->setFocus();
        key(list, Qt::Key_Return);
        return list.modalResult();
    }

    std::vector<std::string> slotRow(int rec)
    {
        return rows("SELECT NETDRIVE, KYOYULOCK, PASNAME, ENTTEXT FROM DATALIST WHERE REC=" + std::to_string(rec));
    }

    static int shareColumn(TDataSentakuBox& box, int rec)
    {
        return int(box.PerfectGrid1()->model().cellNumber(rowOf(box, rec), 10));
    }

    // The share picture, told from the blank one of a local row.
    static bool hasShareIcon(TDataSentakuBox& box, int rec)
    {
        auto& m = box.PerfectGrid1()->model();
        return m.cellPicture(rowOf(box, rec), 8).toImage() != m.cellPicture(rowOf(box, 1), 8).toImage();
    }

    testsupport::TempDir m_share;
};

TEST_F(DataSelectionSharedTest, AnEmptyRowTakesAnAreaWhichIsFetchedAndStoredBack)
{
    SystemDef.ZenkaiDrive = "Q";
    auto box = openOn(kTypeThree, 5);
    EXPECT_TRUE(box->btnKyoyuDataDown()->isEnabled());
    EXPECT_FALSE(box->btnKyoyuDataUp()->isEnabled());
    EXPECT_EQ(box->btnKyoyuDataDown()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(box->btnKyoyuDataUp()->focusPolicy(), Qt::NoFocus);
    saveShot(*box, "shared-data-selection");

    bool hidden = false;
    std::string offered;
    m_messages.onDialog([&](QDialog& d) {
        hidden = !box->isVisible();
        offered = dynamic_cast<TServerSentakuBox&>(d).DriveLetter;
        saveShot(d, "shared-server-list");
        return chooseArea(d, kArea1);
    });
    // A user's click: the grid keeps the focus, so the button stays enabled until it lands.
    QTest::mouseClick(box->btnKyoyuDataDown(), Qt::LeftButton);
    activate(*box);

    EXPECT_TRUE(hidden) << "the dialog steps back while the shared list is open";
    EXPECT_EQ(offered, "Z") << "a remembered letter that is gone falls back to the usable drive";
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus());
    EXPECT_EQ(box->PerfectGrid1()->currentRow(), rowOf(*box, 5));
    EXPECT_EQ(dataOf(slotFolder(5)), "SV0001-COMPANY");
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 2);
    EXPECT_EQ(iniInt(kArea1, "SHARE_OPCODE"), SystemDef.LoginId);
    EXPECT_EQ(SystemDef.ZenkaiDrive, "Z");
    EXPECT_EQ(rows("SELECT ZENKAIDRIVE FROM SYSDEF WHERE OPCODE=100000011"), (std::vector<std::string>{"Z"}));
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(rowOf(*box, 5), 2), QStringLiteral("テスト商事"));
    EXPECT_EQ(shareColumn(*box, 5), 1) << "fetched here: no share icon";
    EXPECT_FALSE(box->btnKyoyuDataDown()->isEnabled());
    EXPECT_TRUE(box->btnKyoyuDataUp()->isEnabled());
    ASSERT_EQ(m_messages.boxes().size(), 1u) << "no box besides the shared list";
    EXPECT_EQ(m_messages.boxes()[0].kind, "dialog");
    saveShot(*box, "shared-data-fetched");

    // 共有保管, confirmed: the area is given back and the row shows the share icon again.
    files::writeAllAtomic(paths::join(slotFolder(5), DataFile), "EDITED-HERE");
    m_messages.clear();
    m_messages.answer(platform::IDYES);
    box->btnKyoyuDataUp()->Click();
    activate(*box);
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"共有データの保管を行います。よろしいですか？"}));
    EXPECT_EQ(dataOf(kArea1), "EDITED-HERE");
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|0|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(shareColumn(*box, 5), 0);
    EXPECT_TRUE(hasShareIcon(*box, 5));
    EXPECT_TRUE(box->btnKyoyuDataDown()->isEnabled());
    EXPECT_FALSE(box->btnKyoyuDataUp()->isEnabled());

    // 共有取得 on the row kept on the server asks first; No leaves everything as it is.
    m_messages.clear();
    m_messages.answer(platform::IDNO);
    box->btnKyoyuDataDown()->Click();
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"共有データの取得を行います。よろしいですか？"}));
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    m_messages.answer(platform::IDYES);
    box->btnKyoyuDataDown()->Click();
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 2);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(shareColumn(*box, 5), 1);
}

TEST_F(DataSelectionSharedTest, TheModalDialogKeepsRunningWhileItStepsBackForTheSharedList)
{
    // Real modal loops this time: stepping back for the shared list must not end the dialog's
    // own loop. A guard ends every loop should anything hang.
    platform::setMessageService(nullptr);
    struct Restore {
        testsupport::MessageRecorder& recorder;
        ~Restore() { platform::setMessageService(&recorder); }
    } restore{m_messages};
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        while (QWidget* w = QApplication::activeModalWidget())
            if (auto* d = qobject_cast<QDialog*>(w))
                d->done(platform::mrCancel);
            else
                break;
    });
    guard.start(30000);

    auto box = dialog(kTypeThree);
    bool listShown = false, hiddenMeanwhile = false, shownAgain = false;
    // Chooses once the shared list runs its own modal loop, however long a loaded machine takes
    // to show it; the guard ends the wait should it never show.
    QTimer waitForList;
    QObject::connect(&waitForList, &QTimer::timeout, [&] {
        TServerSentakuBox* list = box->ServerSentakuBox();
        if (!list || !list->isVisible() || !list->isModal())
            return;
        waitForList.stop();
        listShown = true;
        hiddenMeanwhile = !box->isVisible();
        chooseArea(*list, kArea1);
    });
    // Acts once the dialog's own loop runs (loading the list may process events before it).
    QTimer start;
    QObject::connect(&start, &QTimer::timeout, [&] {
        if (!box->isVisible())
            return;
        start.stop();
        QApplication::setActiveWindow(box.get());
        selectRec(*box, 5);
        waitForList.start(20);
        box->btnKyoyuDataDown()->Click();
        shownAgain = box->isVisible();
        QTimer::singleShot(0, [&] { key(*box, Qt::Key_Escape); });
    });
    start.start(50);
    const int result = box->Execute(true);
    EXPECT_TRUE(guard.isActive()) << "a modal loop hung";
    EXPECT_TRUE(listShown);
    EXPECT_TRUE(hiddenMeanwhile);
    EXPECT_TRUE(shownAgain);
    EXPECT_EQ(result, platform::mrCancel) << "the dialog ended by Esc, not by stepping back";
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
}

TEST_F(DataSelectionSharedTest, CancellingTheSharedListLeavesTheEmptyRow)
{
    SystemDef.ZenkaiDrive = "Y";
    auto box = openOn(kTypeThree, 5);
    m_messages.onDialog([&](QDialog& d) {
        key(d, Qt::Key_Escape);
        return platform::mrCancel;
    });
    box->btnKyoyuDataDown()->Click();
    activate(*box);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"0|0|" + slotFolder(5) + "|"}));
    EXPECT_FALSE(files::directoryExists(slotFolder(5)));
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    EXPECT_EQ(SystemDef.ZenkaiDrive, "Y");
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus());
    EXPECT_EQ(box->PerfectGrid1()->currentRow(), rowOf(*box, 5));
    EXPECT_TRUE(box->btnKyoyuDataDown()->isEnabled());
}

TEST_F(DataSelectionSharedTest, TheAutomaticOptionKeepsTheButtonsAndOpensF12OnRowsKeptOnTheServer)
{
    // Slot 6 is kept on the server; its slot still holds the data of an earlier fetch.
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, PASNAME='" + kArea1 + "' WHERE REC=6");
    makeFolder(6, 1);
    auto box = openOn(kTypeThree, 6);
    EXPECT_EQ(shareColumn(*box, 6), 0);
    EXPECT_TRUE(hasShareIcon(*box, 6));
    EXPECT_EQ(box->FunctionKey(fkF12)->CaptionA().Caption(), QStringLiteral("F12:"));
    key(*box, Qt::Key_Return);
    EXPECT_EQ(box->modalResult(), platform::mrNone) << "refused while the option is off";
    EXPECT_TRUE(box->btnKyoyuDataDown()->isEnabled());

    QTest::mouseClick(box->cboxKyoyuDataAuto(), Qt::LeftButton, {}, QPoint(8, box->cboxKyoyuDataAuto()->height() / 2));
    EXPECT_TRUE(box->cboxKyoyuDataAuto()->isChecked());
    EXPECT_EQ(SystemDef.Reserve2Flag1, 1);
    EXPECT_EQ(rows("SELECT BIN_AND(RESERVE2, 1) FROM SYSDEF WHERE OPCODE=100000011"), (std::vector<std::string>{"1"}));
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus());

    // While the option is on the buttons keep the state they had when the check box took the
    // focus (off), wherever the row goes.
    EXPECT_FALSE(box->btnKyoyuDataDown()->isEnabled());
    selectRec(*box, 5);
    EXPECT_FALSE(box->btnKyoyuDataDown()->isEnabled());
    EXPECT_FALSE(box->btnKyoyuDataUp()->isEnabled());
    // On a named local row 共有取得 only says that the row is taken.
    selectRec(*box, 1);
    m_messages.clear();
    m_messages.expectBox("選択したフォルダには既にデータが登録されています。");
    box->btnKyoyuDataDownClick();
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"選択したフォルダには既にデータが登録されています。\r"}));
    EXPECT_EQ(slotRow(1), (std::vector<std::string>{"0|0|" + slotFolder(1) + "|A社"}));

    selectRec(*box, 6);
    EXPECT_EQ(box->FunctionKey(fkF12)->CaptionA().Caption(), QStringLiteral("F12:選択"));
    key(*box, Qt::Key_Return);
    EXPECT_EQ(box->modalResult(), platform::mrOk);
    EXPECT_EQ(SystemDef.DataDir, slotFolder(6));
    EXPECT_EQ(SystemDef.DataPath2, kArea1);
}

TEST_F(DataSelectionSharedTest, ReleasingAFetchedAreaEmptiesTheRowAndFreesTheArea)
{
    // Slot 5 holds area sv0002, fetched here while still empty.
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=1, ENTTEXT='空き領域', PASNAME='" + kArea2 + "' WHERE REC=5");
    files::createDirectories(slotFolder(5));
    files::writeAllAtomic(paths::join(slotFolder(5), "work.txt"), "x");
    TDataInfomation().SetShareStatus(kArea2, 2);
    TDataInfomation().SetShareStatus(slotFolder(5), 2);
    auto box = openOn(kTypeZero, 5);
    EXPECT_EQ(box->FunctionKey(fkF4)->CaptionA().Caption(), QStringLiteral("F4:割当解除"));
    EXPECT_TRUE(box->FunctionKey(fkF4)->isEnabled());

    std::vector<std::string> lines;
    std::string caption, text;
    auto release = [&](int answer) {
        m_messages.onDialog([&, answer](QDialog& d) {
            auto& m = dynamic_cast<TMessageBox&>(d);
            caption = m.MsgCaption;
            text = m.MsgText;
            lines = m.MsgLines;
            saveShot(d, "shared-release");
            return answer;
        });
        key(*box, Qt::Key_F4);
    };
    release(platform::mrCancel);
    EXPECT_EQ(caption, "共有データの割当解除");
    EXPECT_EQ(text, "選択した共有データの割り当てを解除します。\rよろしいですか？");
    const std::string period = box->PerfectGrid1()->model().cellText(rowOf(*box, 5), 4).toStdString();
    EXPECT_EQ(lines, (std::vector<std::string>{"【データ名】", "　空き領域", "", "【会計期間】", "　" + period, "",
                                               "【共有データフォルダ】", "　Z:\\morabyzaimu\\sv0002"}));
    EXPECT_TRUE(files::directoryExists(slotFolder(5)));
    EXPECT_EQ(iniInt(kArea2, "SHARE_STATUS"), 2);

    release(platform::mrOk);
    EXPECT_FALSE(files::directoryExists(slotFolder(5)));
    EXPECT_EQ(iniInt(kArea2, "SHARE_STATUS"), 1);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"0|0|" + slotFolder(5) + "|"}));
    const int row = rowOf(*box, 5);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row, 2), QString());
    EXPECT_EQ(box->FunctionKey(fkF4)->CaptionA().Caption(), QStringLiteral("F4:"));
    EXPECT_TRUE(box->btnKyoyuDataDown()->isEnabled()) << "an empty row again";
}

TEST_F(DataSelectionSharedTest, AStoreThatDoesNotHappenKeepsTheRowFetched)
{
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, ENTTEXT='テスト商事', PASNAME='" + kArea1 + "' WHERE REC=5");
    auto box = openOn(kTypeThree, 5);
    m_messages.answer(platform::IDYES);
    box->btnKyoyuDataDown()->Click();
    ASSERT_EQ(shareColumn(*box, 5), 1);
    files::writeAllAtomic(paths::join(slotFolder(5), DataFile), "EDITED-HERE");

    // Another operator has the area out meanwhile: refused, nothing sent, still fetched here.
    platform::IniFile ini(paths::join(kArea1, DataIniFile), platform::IniFile::WriteMode::Deferred);
    ini.writeInteger("DATASTS", "SHARE_OPCODE", 100000012);
    ini.writeString("DATASTS", "SHARE_OPERATOR", "山田");
    ini.updateFile();
    m_messages.clear();
    m_messages.answer(platform::IDYES);
    std::vector<std::string> refusals;
    auto inUse = [&](QDialog& d) {
        auto& m = dynamic_cast<TMessageBox&>(d);
        refusals.push_back(m.MsgText + "|" + m.MsgLines.at(7));
        return platform::mrOk;
    };
    m_messages.onDialog(inUse);
    m_messages.onDialog(inUse);
    box->btnKyoyuDataUp()->Click();
    EXPECT_EQ(box->KyoyuDataHokan(true), -1);
    EXPECT_EQ(refusals, std::vector<std::string>(2, "共有データは現在使用されています。|　山田"));
    EXPECT_EQ(dataOf(kArea1), "SV0001-COMPANY");
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(shareColumn(*box, 5), 1);
    EXPECT_FALSE(hasShareIcon(*box, 5));

    // The copy fails: the catalogue answers 0 and the row stays fetched as well.
    ini.writeInteger("DATASTS", "SHARE_OPCODE", SystemDef.LoginId);
    ini.updateFile();
    files::failNext(files::Operation::Copy, ENOSPC);
    files::failNext(files::Operation::Write, ENOSPC);
    m_messages.clear();
    m_messages.answer(platform::IDOK);
    EXPECT_EQ(box->KyoyuDataHokan(true), 0);
    ASSERT_EQ(m_messages.boxes().size(), 1u) << "a failed automatic store is said";
    EXPECT_EQ(m_messages.boxes()[0].text.rfind("共有データの保管に失敗しました。", 0), 0u);
    EXPECT_EQ(dataOf(kArea1), "SV0001-COMPANY");
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(shareColumn(*box, 5), 1);
    activate(*box);
    EXPECT_TRUE(box->btnKyoyuDataUp()->isEnabled());
}

// A store or fetch that fails (a full disk, a refused rename) says so, naming the data set, its
// area and the reason; the data, the share state and the local folder stay as they were, and a
// failed fetch leaves no stub information file behind.
TEST_F(DataSelectionSharedTest, AFailedStoreOrFetchNamesTheDataSetAndTheReason)
{
    struct Case {
        const char* name;
        bool store;
        files::Operation fault;
        int error;
        const char* reason; // a piece of the reason shown
    };
    const Case cases[] = {
        {"store onto a full share", true, files::Operation::Copy, ENOSPC, "ディスクの空き容量が不足しています"},
        {"store with a refused rename", true, files::Operation::Rename, EACCES, "アクセスが拒否されました"},
        {"fetch into a full disk", false, files::Operation::Copy, ENOSPC, "ディスクの空き容量が不足しています"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files::clearFaults();
        if (files::directoryExists(slotFolder(5)))
            files::removeAll(slotFolder(5));
        exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, ENTTEXT='テスト商事', PASNAME='" + kArea1 + "' WHERE REC=5");
        auto box = openOn(kTypeThree, 5);
        m_messages.clear();
        if (c.store) {
            m_messages.answer(platform::IDYES);
            box->btnKyoyuDataDown()->Click();
            ASSERT_EQ(shareColumn(*box, 5), 1);
            files::writeAllAtomic(paths::join(slotFolder(5), DataFile), "EDITED-HERE");
            m_messages.clear();
        }
        const std::string before = dataOf(kArea1);
        m_messages.answer(platform::IDYES);
        m_messages.answer(platform::IDOK);
        files::failNext(c.fault, c.error);
        if (c.store)
            box->btnKyoyuDataUp()->Click();
        else
            box->btnKyoyuDataDown()->Click();
        files::clearFaults();
        std::vector<std::string> warnings;
        for (const auto& b : m_messages.boxes())
            if (b.kind == "warning")
                warnings.push_back(b.text);
        ASSERT_EQ(warnings.size(), 1u) << testing::PrintToString(m_messages.texts());
        const std::string& text = warnings[0];
        EXPECT_EQ(text.rfind(c.store ? "共有データの保管に失敗しました。" : "共有データの取得に失敗しました。", 0), 0u)
            << text;
        EXPECT_NE(text.find("【データ】テスト商事"), std::string::npos) << text;
        EXPECT_NE(text.find("【共有データパス】" + kArea1), std::string::npos) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_EQ(dataOf(kArea1), before);
        if (c.store) {
            EXPECT_EQ(dataOf(slotFolder(5)), "EDITED-HERE");
            EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
            EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 2) << "the area stays taken out here";
        } else {
            EXPECT_FALSE(files::fileExists(paths::join(slotFolder(5), DataIniFile))) << "a stub was left";
            EXPECT_FALSE(files::fileExists(paths::join(slotFolder(5), DataFile)));
            EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|0|" + kArea1 + "|テスト商事"}));
            EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1) << "the area is not taken out";
        }
        box->close();
        if (c.store) {
            // Give the area back for the next case.
            platform::IniFile ini(paths::join(kArea1, DataIniFile), platform::IniFile::WriteMode::Deferred);
            ini.writeInteger("DATASTS", "SHARE_STATUS", 1);
            ini.updateFile();
        }
    }
}

TEST_F(DataSelectionSharedTest, DamagedConsolidatedDataIsNotStoredByTheButton)
{
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, ENTTEXT='合算商事', GASSAN=1, PASNAME='" + kArea3 + "' WHERE REC=5");
    auto box = openOn(kTypeZero, 5);
    m_messages.answer(platform::IDYES);
    box->btnKyoyuDataDown()->Click();
    ASSERT_EQ(shareColumn(*box, 5), 1);
    const int parent = rowOf(*box, 5);
    ASSERT_EQ(box->PerfectGrid1()->model().cellText(parent + 1, 2), QStringLiteral("01 支店二"));
    EXPECT_EQ(dataOf(slotFolder(5) + "\\002"), "SV0003-CHILD");

    // A damaged child: the button refuses with the three lines; the automatic store goes on.
    box->DataList[std::size_t(box->PerfectGrid1()->model().cellNumber(parent, 14))].Children[0].DATA_STATUS = 1;
    m_messages.clear();
    m_messages.expectBox("合算・分散データに破損したデータが存在するため、共有データの保管を中止します。");
    box->btnKyoyuDataUp()->Click();
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_NE(m_messages.boxes()[0].text.find("合算・分散データに破損したデータが存在するため、共有データの保管を中止します。"),
              std::string::npos);
    EXPECT_EQ(iniInt(kArea3, "SHARE_STATUS"), 2);
    EXPECT_EQ(box->KyoyuDataHokan(true), 1);
    EXPECT_EQ(iniInt(kArea3, "SHARE_STATUS"), 1);
    EXPECT_EQ(iniInt(kArea3 + "\\002", "SHARE_STATUS"), 1);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|0|" + kArea3 + "|合算商事"}));
}

TEST_F(DataSelectionSharedTest, AutomaticStepsAroundTheOtherOperations)
{
    exec("UPDATE DATALIST SET NETDRIVE=1, KYOYULOCK=0, ENTTEXT='テスト商事', PASNAME='" + kArea1 + "' WHERE REC=5");
    auto box = openOn(kTypeZero, 5);

    // The F12 step does nothing while the option is off, then fetches; upload stores.
    SystemDef.Reserve2Flag1 = 0;
    EXPECT_EQ(box->KyoyuAutoStep("download"), 1);
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    SystemDef.Reserve2Flag1 = 1;
    EXPECT_EQ(box->KyoyuAutoStep("upload"), 1) << "nothing fetched yet to store";
    EXPECT_EQ(box->KyoyuAutoStep("download"), 1);
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 2);
    EXPECT_EQ(shareColumn(*box, 5), 1);

    // After an operation on the fetched row: stored, then taken again.
    files::writeAllAtomic(paths::join(slotFolder(5), DataFile), "PASTED-HERE");
    EXPECT_TRUE(box->KyoyuAutoStore());
    EXPECT_EQ(dataOf(kArea1), "PASTED-HERE");
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 2);
    EXPECT_EQ(iniInt(kArea1, "SHARE_OPCODE"), SystemDef.LoginId);
    EXPECT_EQ(iniInt(slotFolder(5), "SHARE_STATUS"), 2);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|1|" + kArea1 + "|テスト商事"}));
    EXPECT_EQ(shareColumn(*box, 5), 1);
    // A new-data form that did not answer 1 stores nothing but still counts as done.
    files::writeAllAtomic(paths::join(slotFolder(5), DataFile), "NOT-STORED");
    EXPECT_TRUE(box->KyoyuAutoStore(2));
    EXPECT_EQ(dataOf(kArea1), "PASTED-HERE");

    EXPECT_EQ(box->KyoyuAutoStep("upload"), 1);
    EXPECT_EQ(dataOf(kArea1), "NOT-STORED");
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    EXPECT_EQ(shareColumn(*box, 5), 0);

    // Before a save: a row kept on the server is fetched and stored back; a local row needs
    // nothing.
    files::writeAllAtomic(paths::join(kArea1, DataFile), "ON-THE-SERVER");
    EXPECT_TRUE(box->KyoyuAutoSync());
    EXPECT_EQ(dataOf(slotFolder(5)), "ON-THE-SERVER");
    EXPECT_EQ(iniInt(kArea1, "SHARE_STATUS"), 1);
    EXPECT_EQ(slotRow(5), (std::vector<std::string>{"1|0|" + kArea1 + "|テスト商事"}));
    selectRec(*box, 1);
    EXPECT_TRUE(box->KyoyuAutoSync());
    EXPECT_TRUE(m_messages.boxes().empty());
}

} // namespace
