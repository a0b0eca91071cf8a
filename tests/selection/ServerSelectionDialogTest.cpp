// "共有データの選択" on a shared drive Z: (remote, a temporary folder with "morabyzaimu"), beside
// a local drive Y: with the folder and a remote drive X: without it.
#include "SharedAreaFixture.h"

#include "platform/SharedDrives.h"
#include "selection/DataInfoDialog.h"
#include "selection/DriveAssignDialog.h"
#include "selection/ServerSelectionDialog.h"
#include "ui/InputDialog.h"
#include "ui/KeyCheckBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"

#include <cerrno>

namespace {

using namespace seltest;

// ---- drives and the list --------------------------------------------------------------------

TEST_F(SharedAreaDialogTest, ListsOnlyRemoteDrivesHoldingTheProductFolder)
{
    struct Case {
        const char* remembered;
        const char* expected;
    };
    for (const Case& c : {Case{"Q", "Z"}, Case{"", "Z"}, Case{" z ", "Z"}, Case{"Z", "Z"}}) {
        SCOPED_TRACE(c.remembered);
        auto box = prepared(c.remembered);
        ASSERT_EQ(box->cmbDrive()->count(), 1);
        EXPECT_TRUE(box->cmbDrive()->itemText(0).startsWith(QStringLiteral("Z:")));
        EXPECT_EQ(box->DriveLetter, c.expected);
        EXPECT_EQ(box->SharedRoot, kRoot);
        EXPECT_EQ(box->DriveLetters, std::vector<char>{'Z'});
    }

    paths::unmapDrive('Z');
    auto box = prepared("Z");
    ASSERT_EQ(box->cmbDrive()->count(), 1);
    EXPECT_EQ(box->cmbDrive()->itemText(0), QStringLiteral("[morabyzaimu]が見つかりません"));
    EXPECT_EQ(box->DriveLetter, "");
    EXPECT_EQ(box->SharedRoot, "");
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), 0);
    box->PerfectGrid1()->setFocus();
    box->SetFunctionKeys();
    EXPECT_EQ(caption(*box, TServerSentakuBox::kF4), QStringLiteral("F4:"));
    EXPECT_FALSE(box->FunctionKey(TServerSentakuBox::kF4)->isEnabled());
    EXPECT_EQ(ControlHint(box->PerfectGrid1()),
              QStringLiteral("|[共有割当]ボタンよりネットワーク上の共有フォルダをドライブに割り当てて下さい。"));
    saveShot(*box, "shared-area-no-drive");
}

TEST_F(SharedAreaDialogTest, RefreshStoresTheDrivesAreasAndDataChildrenOnly)
{
    exec("INSERT INTO SERVERDATALIST (GROUPID,DRIVELETTER,REC,ENTTEXT,PASNAME) VALUES "
         "(10000,'T',1,'別','T:\\morabyzaimu\\sv0001')");
    // An empty list on showing rebuilds it at once.
    auto box = prepared();
    const std::vector<std::string> stored = {"Z:\\morabyzaimu\\sv0001|テスト商事|0",
                                             "Z:\\morabyzaimu\\sv0002|空き領域|0",
                                             "Z:\\morabyzaimu\\sv0003|連結商事|1"};
    const char* query = "SELECT PASNAME,ENTTEXT,GASSAN FROM SERVERDATALIST WHERE DRIVELETTER='Z' "
                        "AND GROUPID=10000 ORDER BY PASNAME";
    EXPECT_EQ(rows(query), stored);
    EXPECT_EQ(rows("SELECT PASNAME,ROWNO FROM CHILD_SERVERDATALIST"),
              (std::vector<std::string>{"Z:\\morabyzaimu\\sv0003\\002|2"}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST WHERE PASNAME LIKE '%001' AND PASNAME NOT LIKE '%sv0001'"),
              (std::vector<std::string>{"0"}));
    EXPECT_EQ(rows("SELECT DRIVELETTER,ENTTEXT FROM SERVERDATALIST WHERE DRIVELETTER<>'Z'"),
              (std::vector<std::string>{"T|別"}));

    // Three parents numbered 1..3 and the child with data under its parent.
    auto& m = box->PerfectGrid1()->model();
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.cellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(m.cellText(0, 2), QStringLiteral("テスト商事"));
    EXPECT_EQ(m.cellText(0, 3), QStringLiteral("5 期"));
    EXPECT_EQ(m.cellText(0, 4), QStringLiteral("2024/04/01～2025/03/31"));
    EXPECT_EQ(m.cellText(1, 2), QStringLiteral("空き領域"));
    EXPECT_EQ(m.cellText(1, 3), QString());
    EXPECT_EQ(m.cellText(1, 4), QStringLiteral("～"));
    EXPECT_EQ(m.cellText(2, 0), QStringLiteral("3"));
    EXPECT_EQ(m.cellText(3, 0), QString());
    EXPECT_EQ(m.cellText(3, 5), QStringLiteral("Z:\\morabyzaimu\\sv0003\\002"));
    EXPECT_EQ(m.rowBackColor(1), platform::TColor(0xFFF0E1));
    EXPECT_EQ(m.rowBackColor(0), platform::TColor(0xFFFFFF));
    EXPECT_EQ(box->PerfectGrid1()->headerText(5), QStringLiteral("データフォルダ▲"));

    // 更新 asks first; a new folder on the drive then shows up, a crashed paste's copy and the
    // area it had set aside do not.
    files::createDirectories(area("sv0009"));
    writeArea(area("~paste~sv0002"), {"テスト商事"}, "half");
    writeArea(area("~old~sv0002"), {"テスト商事"}, "aside");
    m_messages.answer(platform::IDNO);
    box->btnUpdate()->Click();
    EXPECT_EQ(rows(query).size(), 3u);
    m_messages.answer(platform::IDYES);
    box->btnUpdate()->Click();
    EXPECT_EQ(m_messages.boxes().back().text, "データリストの更新をおこないます。\rよろしいですか？");
    EXPECT_EQ(rows(query).size(), 4u);
    EXPECT_EQ(m.rowCount(), 5);
    EXPECT_TRUE(box->isEnabled());
    saveShot(*box, "shared-area-list");
}

TEST_F(SharedAreaDialogTest, FunctionKeysFollowTheRow)
{
    writeArea(area("sv0005"), {"壊れ商事", "0005", 0, 10}, "broken");
    writeArea(area("sv0006"), {"持出商事", "0006", 0, 1, 2, 100000007, "山田"}, "taken");
    auto box = prepared();
    struct Case {
        const char* folder;
        bool child;
        const char* f2;
        const char* f5;
        const char* f12;
    };
    const Case cases[] = {
        {"sv0001", false, "F2:コピー", "F5:ﾃﾞｰﾀ削除", "F12:選択"},
        {"sv0002", false, "F2:", "F5:ﾃﾞｰﾀ削除", "F12:選択"},
        {"sv0003", true, "F2:", "F5:", "F12:"},
        {"sv0005", false, "F2:", "F5:ﾃﾞｰﾀ削除", "F12:"},
        {"sv0006", false, "F2:コピー", "F5:", "F12:選択"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        choose(*box, c.folder);
        if (c.child) {
            box->PerfectGrid1()->setCurrentRow(rowOf(*box, c.folder) + 1);
            box->SetFunctionKeys();
        }
        EXPECT_EQ(caption(*box, TServerSentakuBox::kF2), QString::fromUtf8(c.f2));
        EXPECT_EQ(caption(*box, TServerSentakuBox::kF5), QString::fromUtf8(c.f5));
        EXPECT_EQ(caption(*box, TServerSentakuBox::kF12), QString::fromUtf8(c.f12));
        EXPECT_EQ(caption(*box, TServerSentakuBox::kF4), QStringLiteral("F4:領域追加"));
        EXPECT_EQ(caption(*box, TServerSentakuBox::kF3), QStringLiteral("F3:"));
        EXPECT_EQ(box->FunctionKey(TServerSentakuBox::kF12)->isEnabled(), std::string(c.f12) != "F12:");
    }
    const int damaged = rowOf(*box, "sv0005");
    EXPECT_EQ(box->PerfectGrid1()->model().rowBackColor(damaged), platform::TColor(0x0000FF));
    EXPECT_EQ(box->PerfectGrid1()->model().cellPicture(rowOf(*box, "sv0006"), 7).isNull(), false);
}

// ---- choosing -------------------------------------------------------------------------------

TEST_F(SharedAreaDialogTest, ChoosesAParentAndRefusesWhatCannotBeFetched)
{
    {
        auto box = prepared("Q");
        choose(*box, "sv0001");
        key(*box, Qt::Key_F12);
        EXPECT_EQ(box->modalResult(), platform::mrOk);
        EXPECT_EQ(box->SelectedFolder, area("sv0001"));
        EXPECT_EQ(box->SelectedName, "テスト商事");
        EXPECT_EQ(box->DriveLetter, "Z");
    }
    {
        // Another operator is creating data in the empty area.
        auto box = prepared();
        files::writeAllAtomic(paths::join(area("sv0002"), DataFile), "x");
        setIni(area("sv0002"), "DATASTS", "SHARE_STATUS", "2");
        choose(*box, "sv0002");
        m_messages.expectBox("この領域は、現在データが作成されている可能性があるため選択できません。");
        box->F12Click();
        EXPECT_NE(box->modalResult(), platform::mrOk);
        EXPECT_TRUE(sawText("この領域は、現在データが作成されている可能性があるため選択できません。"));
        EXPECT_EQ(box->SelectedFolder, "");
    }
    {
        // The area's folder went away after the list was read.
        auto box = prepared();
        choose(*box, "sv0001");
        files::removeAll(area("sv0001"));
        m_messages.expectBox("共有サーバーが起動していない、接続が切断されている");
        box->F12Click();
        EXPECT_NE(box->modalResult(), platform::mrOk);
        EXPECT_TRUE(sawText("共有サーバーが起動していない、接続が切断されている または 共有サーバー上のデータ領域が削除された可能性があります。"
                            "\r共有サーバーが起動している場合は [更新]ボタンを押しデータリストの再作成を行って下さい。"));
    }
    {
        // A damaged child stops the choice of its parent.
        setIni(area("sv0003\\002"), "DATASTS", "STATUS", "10");
        auto box = prepared();
        m_messages.answer(platform::IDYES);
        box->UpdateClick();
        choose(*box, "sv0003");
        std::vector<std::string> lines;
        m_messages.onDialog([&](QDialog& d) {
            auto& b = dynamic_cast<TMessageBox&>(d);
            lines = b.MsgLines;
            EXPECT_EQ(b.MsgText, "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                                 "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。");
            return int(platform::mrOk);
        });
        box->F12Click();
        EXPECT_NE(box->modalResult(), platform::mrOk);
        EXPECT_EQ(lines, (std::vector<std::string>{"【データフォルダ】", "　" + area("sv0003\\002"), "",
                                                   "【オペレータ】", "", "【オペレータ名】", ""}));
    }
}

TEST_F(SharedAreaDialogTest, EscapeEndsAPendingCopyBeforeItCloses)
{
    auto box = prepared();
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "6");
    EXPECT_EQ(caption(*box, TServerSentakuBox::kF2), QStringLiteral("F2:貼り付け"));
    EXPECT_EQ(ControlHint(box->PerfectGrid1()).left(20), QStringLiteral("貼り付け先を選択して［F2］を押します。|").left(20));
    key(*box, Qt::Key_Escape);
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(box->modalResult(), platform::mrNone);
    EXPECT_EQ(caption(*box, TServerSentakuBox::kF2), QStringLiteral("F2:コピー"));
    key(*box, Qt::Key_Escape);
    EXPECT_EQ(box->modalResult(), platform::mrCancel);
}

// ---- copy and paste -------------------------------------------------------------------------

TEST_F(SharedAreaDialogTest, PastesAWholeCopyUnderTheNewName)
{
    auto box = prepared();
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    EXPECT_EQ(box->CopyName, "テスト商事～コピー");
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "6");
    choose(*box, "sv0002");
    key(*box, Qt::Key_F2);

    EXPECT_EQ(files::readAll(paths::join(area("sv0002"), DataFile)), "data of sv0001");
    EXPECT_EQ(iniValue(area("sv0002"), "DATAINFO", "DATALISTNAME"), "テスト商事～コピー");
    EXPECT_EQ(iniValue(area("sv0002"), "DATAINFO", "SHOUGOU"), "テスト商事");
    EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "SHARE_STATUS"), "1");
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(rows("SELECT ENTTEXT FROM SERVERDATALIST WHERE PASNAME='Z:\\morabyzaimu\\sv0002'"),
              (std::vector<std::string>{"テスト商事～コピー"}));
    const int row = box->PerfectGrid1()->currentRow();
    EXPECT_EQ(row, rowOf(*box, "sv0002"));
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row, 2), QStringLiteral("テスト商事～コピー"));
    EXPECT_TRUE(box->CopySource.empty());
    // Nothing of the staging is left beside the areas.
    std::vector<std::string> names;
    for (const auto& e : files::list(kRoot))
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sv0001", "sv0002", "sv0003"}));

    // Pasting onto the source itself only ends the copy.
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    key(*box, Qt::Key_F2);
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(iniValue(area("sv0001"), "DATAINFO", "DATALISTNAME"), "テスト商事");
}

TEST_F(SharedAreaDialogTest, ConsolidatedSourceGivesTheDestinationItsChildren)
{
    auto box = prepared();
    choose(*box, "sv0003");
    key(*box, Qt::Key_F2);
    choose(*box, "sv0002");
    key(*box, Qt::Key_F2);
    EXPECT_EQ(files::readAll(paths::join(area("sv0002\\002"), DataFile)), "data of sv0003 002");
    EXPECT_EQ(rows("SELECT PASNAME FROM CHILD_SERVERDATALIST ORDER BY PASNAME"),
              (std::vector<std::string>{"Z:\\morabyzaimu\\sv0002\\002", "Z:\\morabyzaimu\\sv0003\\002"}));
    const int row = rowOf(*box, "sv0002");
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row + 1, 5), QStringLiteral("Z:\\morabyzaimu\\sv0002\\002"));
}

TEST_F(SharedAreaDialogTest, DifferencesNeedConsentAndCancelChangesNothing)
{
    auto box = prepared();
    const std::string before = files::readAll(paths::join(area("sv0003"), DataFile));
    const std::string iniBefore = files::readAll(paths::join(area("sv0003"), DataIniFile));
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    std::vector<std::string> lines;
    std::string agree;
    m_messages.onDialog([&](QDialog& d) {
        auto& b = dynamic_cast<TMessageBox&>(d);
        lines = b.MsgLines;
        agree = b.AgreeCaption;
        EXPECT_EQ(b.MsgCaption, "データ照合チェックの結果");
        EXPECT_EQ(b.MsgText, "以下の項目に違いが検出されました。");
        EXPECT_FALSE(b.btnOK()->isEnabled()); // only after the agreement
        saveShot(b, "shared-area-consent");
        return int(platform::mrCancel);
    });
    choose(*box, "sv0003");
    key(*box, Qt::Key_F2);
    EXPECT_EQ(lines, (std::vector<std::string>{"会社名に違いがありました。", "　【貼り付け元】：テスト商事",
                                               "　【貼り付け先】：連結商事", ""}));
    EXPECT_EQ(agree, "データ貼り付け処理の続行に同意します。");
    EXPECT_EQ(files::readAll(paths::join(area("sv0003"), DataFile)), before);
    EXPECT_EQ(files::readAll(paths::join(area("sv0003"), DataIniFile)), iniBefore);
    EXPECT_TRUE(files::directoryExists(area("sv0003\\002")));
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");

    // Agreeing by the box's own controls goes on with the paste.
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    m_messages.onDialog([&](QDialog& d) {
        auto& b = dynamic_cast<TMessageBox&>(d);
        EXPECT_TRUE(b.isEnabled());
        QTest::mouseClick(b.cboxAgree(), Qt::LeftButton, {}, QPoint(4, b.cboxAgree()->height() / 2));
        EXPECT_TRUE(b.btnOK()->isEnabled());
        b.btnOK()->Click();
        QCoreApplication::processEvents();
        return b.result();
    });
    choose(*box, "sv0003");
    key(*box, Qt::Key_F2);
    EXPECT_EQ(files::readAll(paths::join(area("sv0003"), DataFile)), "data of sv0001");
    EXPECT_EQ(iniValue(area("sv0003"), "DATAINFO", "DATALISTNAME"), "テスト商事～コピー");
    EXPECT_EQ(iniValue(area("sv0003"), "DATAINFO", "GASSANKBN"), "0");
    // The destination's distributed data went with its old contents.
    EXPECT_FALSE(files::exists(area("sv0003\\002")));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM CHILD_SERVERDATALIST"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(box->PerfectGrid1()->model().rowCount(), 3);
}

TEST_F(SharedAreaDialogTest, DamagedDestinationIsOverwrittenOnlyWhenConfirmed)
{
    writeArea(area("sv0002"), {"壊れ商事", "0002", 0, 10}, "broken");
    auto box = prepared();
    const std::string text = "このデータは破損データのため、データ間の照合チェックは行わずにコピーを行います。\rよろしいですか？";
    for (int answer : {platform::IDCANCEL, platform::IDOK}) {
        SCOPED_TRACE(answer);
        m_messages.clear();
        choose(*box, "sv0001");
        key(*box, Qt::Key_F2);
        m_messages.answer(answer);
        choose(*box, "sv0002");
        key(*box, Qt::Key_F2);
        ASSERT_FALSE(m_messages.boxes().empty());
        EXPECT_EQ(m_messages.boxes().front().text, text);
        EXPECT_EQ(files::readAll(paths::join(area("sv0002"), DataFile)),
                  answer == platform::IDOK ? "data of sv0001" : "broken");
        EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "STATUS"), answer == platform::IDOK ? "1" : "10");
        EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");
    }
    const int row = rowOf(*box, "sv0002");
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row, 13), 0);
    EXPECT_EQ(box->PerfectGrid1()->model().rowBackColor(row), platform::TColor(0xFFF0E1));
    EXPECT_EQ(rows("SELECT DATA_STATUS,ENTTEXT FROM SERVERDATALIST WHERE PASNAME='Z:\\morabyzaimu\\sv0002'"),
              (std::vector<std::string>{"0|テスト商事～コピー"}));
}

TEST_F(SharedAreaDialogTest, CompareListsEveryDifferenceInOrder)
{
    writeArea(area("sv0007"), {"テスト商事", "0001", 0, 1, 1, 0, "", 1234}, "a");
    writeArea(area("sv0008"), {"別商事", "0001", 0, 1, 1, 0, "", 5678}, "b");
    setIni(area("sv0008"), "DATAINFO", "KISHU", "2023/04/01");
    setIni(area("sv0008"), "DATAINFO", "KIMATU", "2024/03/31");
    auto box = prepared();
    std::vector<std::string> lines;
    m_messages.onDialog([&](QDialog& d) {
        lines = dynamic_cast<TMessageBox&>(d).MsgLines;
        return int(platform::mrOk);
    });
    EXPECT_EQ(box->CompareDataSets("貼り付け", area("sv0007"), area("sv0008")), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "会社名に違いがありました。", "　【貼り付け元】：テスト商事", "　【貼り付け先】：別商事", "",
                         "期首に違いがありました。", "　【貼り付け元】：2024/04/01", "　【貼り付け先】：2023/04/01", "",
                         "期末に違いがありました。", "　【貼り付け元】：2025/03/31", "　【貼り付け先】：2024/03/31", "",
                         "仕訳件数(修正・削除仕訳含む)が減っています。", "　【貼り付け元】：1,234 件",
                         "　【貼り付け先】：5,678 件", ""}));
    // No differences, no destination data, a missing destination (created): no question.
    EXPECT_EQ(box->CompareDataSets("貼り付け", area("sv0001"), area("sv0001")), 1);
    EXPECT_EQ(box->CompareDataSets("貼り付け", area("sv0001"), area("sv0002")), 1);
    EXPECT_EQ(box->CompareDataSets("貼り付け", area("sv0001"), area("sv0042")), 1);
    EXPECT_TRUE(files::directoryExists(area("sv0042")));
    m_messages.expectBox("貼り付け処理元のデータパスが不正です。");
    EXPECT_EQ(box->CompareDataSets("貼り付け", "", area("sv0001")), 0);
    EXPECT_TRUE(sawText("貼り付け処理元のデータパスが不正です。\r"));
    m_messages.expectBox("貼り付け処理先のデータパスが不正です。");
    EXPECT_EQ(box->CompareDataSets("貼り付け", area("sv0001"), ""), 0);
    EXPECT_TRUE(sawText("貼り付け処理先のデータパスが不正です。\r"));
}

TEST_F(SharedAreaDialogTest, FailedCopyLeavesTheDestinationAsItWas)
{
    writeArea(area("sv0002"), {"テスト商事", "0001", 0, 1, 1, 0, "", 10}, "old data of sv0002");
    std::filesystem::create_directories(m_root / "z" / "morabyzaimu" / "sv0001" / "sub");
    files::writeAllAtomic(area("sv0001\\sub\\extra.txt"), "extra");
    auto box = prepared();
    const std::string iniBefore = files::readAll(paths::join(area("sv0002"), DataIniFile));
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    files::failNext(files::Operation::Copy, ENOSPC, 1);
    choose(*box, "sv0002");
    m_messages.expectBox("データのコピーに失敗しました。");
    key(*box, Qt::Key_F2);
    files::clearFaults();
    EXPECT_EQ(files::readAll(paths::join(area("sv0002"), DataFile)), "old data of sv0002");
    EXPECT_EQ(files::readAll(paths::join(area("sv0002"), DataIniFile)), iniBefore);
    EXPECT_FALSE(files::exists(area("sv0002\\sub")));
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");
    EXPECT_TRUE(sawText("データのコピーに失敗しました。"));
    std::vector<std::string> names;
    for (const auto& e : files::list(kRoot))
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sv0001", "sv0002", "sv0003"}));
}

TEST_F(SharedAreaDialogTest, PasteAndDeleteRefuseAnAreaTakenOutMeanwhile)
{
    writeArea(area("sv0002"), {"テスト商事", "0001"}, "old data of sv0002");
    auto box = prepared();
    choose(*box, "sv0001");
    key(*box, Qt::Key_F2);
    // Another login takes sv0002 out after the list was read.
    setIni(area("sv0002"), "DATASTS", "SHARE_STATUS", "2");
    setIni(area("sv0002"), "DATASTS", "SHARE_OPCODE", "100000007");
    setIni(area("sv0002"), "DATASTS", "SHARE_OPERATOR", "山田");
    struct Seen {
        std::string text;
        std::vector<std::string> lines;
    };
    std::vector<Seen> seen;
    auto record = [&](QDialog& d) {
        auto& b = dynamic_cast<TMessageBox&>(d);
        seen.push_back({b.MsgText, b.MsgLines});
        return int(platform::mrOk);
    };
    m_messages.onDialog(record);
    choose(*box, "sv0002");
    box->F2Click();
    EXPECT_EQ(files::readAll(paths::join(area("sv0002"), DataFile)), "old data of sv0002");
    EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "STATUS"), "1");

    m_messages.onDialog(record);
    box->DeleteData();
    EXPECT_TRUE(files::fileExists(paths::join(area("sv0002"), DataFile)));
    ASSERT_EQ(seen.size(), 2u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.text, "共有データは現在使用されています。");
        EXPECT_EQ(s.lines, (std::vector<std::string>{"【データフォルダ】", "　" + area("sv0002"), "", "【オペレータ】",
                                                     "　7", "", "【オペレータ名】", "　山田"}));
    }
}

// ---- areas ----------------------------------------------------------------------------------

TEST_F(SharedAreaDialogTest, AddsAnAreaUnderTheProposedName)
{
    auto box = prepared();
    std::string proposal;
    m_messages.onDialog([&](QDialog& d) {
        auto& in = dynamic_cast<TInputDlgBox&>(d);
        proposal = in.txtInput()->text().toStdString();
        EXPECT_EQ(in.windowTitle(), QStringLiteral("データの領域追加"));
        EXPECT_EQ(in.lblMain()->text(), QStringLiteral("新しく作成するフォルダ名を入力して下さい。"));
        EXPECT_EQ(in.InputMaxLength, 10);
        EXPECT_EQ(in.FilterMode, 40);
        saveShot(in, "shared-area-input");
        in.btnOK()->Click();
        return in.modalResult();
    });
    choose(*box, "sv0001");
    key(*box, Qt::Key_F4);
    EXPECT_EQ(proposal, "sv0004");
    EXPECT_TRUE(files::directoryExists(area("sv0004")));
    const int row = box->PerfectGrid1()->currentRow();
    ASSERT_EQ(row, rowOf(*box, "sv0004"));
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row, 2), QStringLiteral("新しい領域"));
    EXPECT_EQ(rows("SELECT ENTTEXT FROM SERVERDATALIST WHERE PASNAME='Z:\\morabyzaimu\\sv0004'"),
              (std::vector<std::string>{"新しい領域"}));

    // Typed names: an existing one (any case) is refused, blanks do nothing.
    struct Case {
        const char* typed;
        const char* message; // empty: no message
    };
    for (const Case& c : {Case{"SV0001", "\"Z:\\morabyzaimu\\sv0001\"は既に作成されています。"}, Case{"   ", ""}}) {
        SCOPED_TRACE(c.typed);
        m_messages.clear();
        m_messages.onDialog([&](QDialog& d) {
            auto& in = dynamic_cast<TInputDlgBox&>(d);
            in.txtInput()->setText(QString::fromUtf8(c.typed));
            in.btnOK()->Click();
            return in.modalResult();
        });
        if (*c.message)
            m_messages.expectBox(c.message);
        box->AddArea();
        if (*c.message) {
            EXPECT_TRUE(sawText(c.message));
        }
        EXPECT_EQ(m_messages.boxes().size(), 1u + (*c.message ? 1u : 0u));
    }

    // The 2001st area is refused before asking.
    m_messages.clear();
    box->DataList.resize(2000);
    m_messages.expectBox("これ以上の領域追加は行えません。(最大2000件)");
    box->AddArea();
    EXPECT_TRUE(sawText("これ以上の領域追加は行えません。(最大2000件)"));
    EXPECT_EQ(m_messages.boxes().size(), 1u);
}

TEST_F(SharedAreaDialogTest, DeleteShowsTheHolderOrAsksForConsent)
{
    writeArea(area("sv0002"), {"使用中商事", "0002", 0, 2, 1, 100000007, "山田"}, "in use");
    auto box = prepared();
    std::vector<std::string> lines;
    std::string text;
    m_messages.onDialog([&](QDialog& d) {
        auto& b = dynamic_cast<TMessageBox&>(d);
        text = b.MsgText;
        lines = b.MsgLines;
        return int(platform::mrOk);
    });
    choose(*box, "sv0002");
    key(*box, Qt::Key_F5);
    EXPECT_EQ(text, "このデータは、使用中のため処理がおこなえません。");
    EXPECT_EQ(lines, (std::vector<std::string>{"【データフォルダ】", "　" + area("sv0002"), "", "【オペレータ】", "　7",
                                               "", "【オペレータ名】", "　山田"}));
    EXPECT_TRUE(files::directoryExists(area("sv0002")));

    // A free area goes once the user agrees; the list is rebuilt without it.
    for (int answer : {int(platform::mrCancel), int(platform::mrOk)}) {
        m_messages.onDialog([&, answer](QDialog& d) {
            auto& b = dynamic_cast<TMessageBox&>(d);
            EXPECT_EQ(b.MsgCaption, "データの削除");
            EXPECT_EQ(b.AgreeCaption, "データの削除に同意します");
            lines = b.MsgLines;
            return answer;
        });
        choose(*box, "sv0001");
        key(*box, Qt::Key_F5);
        EXPECT_EQ(files::directoryExists(area("sv0001")), answer == int(platform::mrCancel));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"【データ名】", "　テスト商事", "", "【会計期間】",
                                               "　2024/04/01～2025/03/31", "", "【データフォルダ】",
                                               "　" + area("sv0001")}));
    EXPECT_EQ(rowOf(*box, "sv0001"), -1);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM SERVERDATALIST WHERE PASNAME='Z:\\morabyzaimu\\sv0001'"),
              (std::vector<std::string>{"0"}));
}

// ---- sort, share status, stored rows --------------------------------------------------------

TEST_F(SharedAreaDialogTest, HeaderClicksSortAndTheOrderIsKept)
{
    auto box = prepared();
    box->HeaderClick(2);
    EXPECT_EQ(box->PerfectGrid1()->headerText(2), QStringLiteral("データ名▲"));
    EXPECT_EQ(box->PerfectGrid1()->headerText(5), QStringLiteral("データフォルダ"));
    box->HeaderClick(2);
    EXPECT_EQ(box->PerfectGrid1()->headerText(2), QStringLiteral("データ名▼"));
    // Named rows by name descending, empty areas after them.
    auto& m = box->PerfectGrid1()->model();
    EXPECT_EQ(m.cellText(0, 2), QStringLiteral("連結商事"));
    EXPECT_EQ(m.cellText(2, 2), QStringLiteral("テスト商事"));
    EXPECT_EQ(m.cellText(3, 2), QStringLiteral("空き領域"));
    box->done(platform::mrCancel);
    auto again = prepared();
    EXPECT_EQ(again->SortColumn, 2);
    EXPECT_TRUE(again->SortDescending);
}

TEST_F(SharedAreaDialogTest, ChangesShareStatusOnlyToOneOrTwo)
{
    auto box = prepared();
    struct Case {
        int status;
        bool changed;
        const char* after;
    };
    for (const Case& c : {Case{2, true, "2"}, Case{2, false, "2"}, Case{3, false, "2"}, Case{1, true, "1"},
                          Case{1, false, "1"}, Case{0, false, "1"}}) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(box->ChangeShareStatus(area("sv0001"), c.status), c.changed);
        EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "SHARE_STATUS"), c.after);
    }

    // A shared row of the data-selection list: its name and lock reach the area.
    TDataListRec row;
    row.NETDRIVE = 1;
    row.PASNAME = area("sv0001");
    row.ENTTEXT = "改名商事";
    row.UPDATE_LOCK = 1;
    row.KISHU = platform::encodeDate(2024, 4, 1);
    row.KIMATU = platform::encodeDate(2025, 3, 31);
    box->StoreServerRow(row);
    EXPECT_EQ(iniValue(area("sv0001"), "DATAINFO", "DATALISTNAME"), "改名商事");
    EXPECT_EQ(iniValue(area("sv0001"), "DATASTS", "UPDATE_LOCK"), "1");
    EXPECT_EQ(rows("SELECT ENTTEXT FROM SERVERDATALIST WHERE PASNAME='Z:\\morabyzaimu\\sv0001'"),
              (std::vector<std::string>{"改名商事"}));
}

TEST_F(SharedAreaDialogTest, PrintWithoutRowsOnlyInforms)
{
    paths::unmapDrive('Z');
    auto box = prepared();
    m_messages.expectBox("共有データリストが表示されていません。");
    box->PrintList();
    EXPECT_TRUE(sawText("共有データリストが表示されていません。"));
}

} // namespace

namespace {

// ---- list tools -----------------------------------------------------------------------------

TEST_F(SharedAreaDialogTest, AssignedDriveJoinsTheDriveBoxAndCanBeChosen)
{
    std::filesystem::create_directories(m_root / "w");
    const std::string native = (m_root / "w").string();
    auto box = prepared();
    // The new share already holds an area with data.
    paths::mapDrive('V', m_root / "w");
    writeArea("V:\\morabyzaimu\\sv0001", {"西支店"}, "data of w");
    paths::unmapDrive('V');

    m_messages.onDialog([&](QDialog& d) {
        auto& a = dynamic_cast<selection::TDriveAssignBox&>(d);
        a.cmbLetter()->setCurrentIndex(a.cmbLetter()->findText(QStringLiteral("W:")));
        a.txtFolder()->setText(QString::fromStdString(native));
        saveShot(a, "shared-area-drive-assign");
        a.btnOK()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    box->btnDriveAssign()->Click();
    ASSERT_EQ(box->cmbDrive()->count(), 2);
    EXPECT_EQ(box->DriveLetters, (std::vector<char>{'W', 'Z'}));
    EXPECT_EQ(box->DriveLetter, "Z");
    const auto entries = platform::drives::readDriveFile("C:\\ZAIMU\\ini");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].letter, 'W');
    EXPECT_TRUE(entries[0].remote);

    box->cmbDrive()->setCurrentIndex(0);
    EXPECT_EQ(box->DriveLetter, "W");
    EXPECT_EQ(box->SharedRoot, "W:\\morabyzaimu");
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 1);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(0, 2), QStringLiteral("西支店"));

    // After a restart the drive file alone brings the share back.
    box->done(platform::mrCancel);
    paths::unmapDrive('W');
    platform::drives::loadDriveFile("C:\\ZAIMU\\ini");
    box = prepared("W");
    EXPECT_EQ(box->DriveLetters, (std::vector<char>{'W', 'Z'}));
    EXPECT_EQ(box->DriveLetter, "W");
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), 1);
    // Each drive keeps its own rows.
    EXPECT_EQ(rows("SELECT DRIVELETTER,COUNT(*) FROM SERVERDATALIST GROUP BY DRIVELETTER"),
              (std::vector<std::string>{"W|1", "Z|3"}));
}

TEST_F(SharedAreaDialogTest, AutomaticRefreshIsTheOperatorsSetting)
{
    auto box = prepared();
    EXPECT_FALSE(box->chkAutoRefresh()->isChecked());
    files::createDirectories(area("sv0009"));
    box->done(platform::mrCancel);
    // Without it the stored list is shown as it was.
    box = prepared();
    EXPECT_EQ(rowOf(*box, "sv0009"), -1);
    QTest::mouseClick(box->chkAutoRefresh(), Qt::LeftButton, {}, QPoint(4, box->chkAutoRefresh()->height() / 2));
    EXPECT_EQ(SystemDef.Reserve4Flag2, 1);
    box->done(platform::mrCancel);
    box = prepared();
    EXPECT_TRUE(box->chkAutoRefresh()->isChecked());
    EXPECT_GE(rowOf(*box, "sv0009"), 0);
}

TEST_F(SharedAreaDialogTest, SearchNarrowsTheListUntilCleared)
{
    auto box = prepared();
    EXPECT_FALSE(box->btnSearchCancel()->isEnabled());
    m_messages.onDialog([](QDialog& d) {
        auto& s = dynamic_cast<TDataListKensakuBox&>(d);
        s.edtName()->setText(QStringLiteral("テスト"));
        s.btnOK()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    box->btnSearch()->Click();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 1);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(0, 2), QStringLiteral("テスト商事"));
    EXPECT_TRUE(box->btnSearchCancel()->isEnabled());
    EXPECT_EQ(rows("SELECT DATANAME FROM KENSAKUJYOKEN WHERE LISTTYPE=1"), (std::vector<std::string>{"テスト"}));

    // 更新 while searching says that the search ends.
    m_messages.answer(platform::IDYES);
    box->btnUpdate()->Click();
    EXPECT_EQ(m_messages.boxes().back().text,
              "データリストの更新をおこないます。検索実行中のため検索は解除されます。\rよろしいですか？");
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), 4);
    EXPECT_FALSE(box->btnSearchCancel()->isEnabled());
}

TEST_F(SharedAreaDialogTest, TypedCodeMovesToTheNextMatchingRow)
{
    setIni(area("sv0003"), "DATAINFO", "CODE", "AB03");
    auto box = prepared();
    struct Case {
        const char* typed;
        const char* folder;
    };
    for (const Case& c : {Case{"ab", "sv0003"}, Case{"0001", "sv0001"}, Case{"AB", "sv0003"}}) {
        SCOPED_TRACE(c.typed);
        box->PerfectGrid1()->setCurrentRow(1);
        box->PerfectGrid1()->setFocus();
        QApplication::setActiveWindow(box.get());
        for (const char* p = c.typed; *p; ++p)
            QTest::keyClick(box->PerfectGrid1(), *p);
        EXPECT_EQ(box->IncSearch()->Text().toUpper(), QString::fromLatin1(c.typed).toUpper());
        box->IncSearch()->TimerFired();
        EXPECT_EQ(box->PerfectGrid1()->currentRow(), rowOf(*box, c.folder));
    }
}

TEST_F(SharedAreaDialogTest, InformationClearsTheStateButNotTheTakeOut)
{
    writeArea(area("sv0002"), {"持出商事", "0002", 0, 2, 2, 100000011, "担当一"}, "taken");
    auto box = prepared();
    choose(*box, "sv0002");
    const int row = rowOf(*box, "sv0002");
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row, 8), 1);
    m_messages.onDialog([](QDialog& d) {
        auto& i = dynamic_cast<TDataSyosaiInfoBox&>(d);
        EXPECT_TRUE(i.chkClear()->isVisible());
        i.chkClear()->setChecked(true);
        i.btnOK()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    box->btnInfo()->Click();
    EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(iniValue(area("sv0002"), "DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row, 8), 0);
    EXPECT_TRUE(box->PerfectGrid1()->model().cellPicture(row, 7).toImage().pixelColor(3, 3).alpha() == 0);
}

TEST_F(SharedAreaDialogTest, PrintAsksForTheSharedListsOptions)
{
    auto box = prepared();
    std::string title;
    m_messages.onDialog([&](QDialog& d) {
        title = d.windowTitle().toStdString();
        saveShot(d, "shared-area-print-options");
        return int(platform::mrCancel);
    });
    key(*box, Qt::Key_F8);
    EXPECT_EQ(title, "共有データリストの印刷");

    // プレビュー shows the report of the listed areas.
    ASSERT_TRUE(print::StartReportEngine(false)) << "the report engine did not start";
    struct Stop {
        ~Stop() { print::StopReportEngine(); }
    } stop;
    m_messages.onDialog([&](QDialog& d) {
        auto& o = dynamic_cast<print::TDataSentakuPrintDlg&>(d);
        EXPECT_TRUE(o.previewButton()->isVisible());
        EXPECT_FALSE(o.copyButton()->isVisible());
        o.previewButton()->click();
        return o.modalResult();
    });
    std::string where;
    bool previewed = false;
    m_messages.onDialog([&](QDialog& d) {
        auto* f = qobject_cast<print::TImageDispForm*>(&d);
        if (!f)
            return 0;
        previewed = true;
        QApplication::setActiveWindow(f);
        f->activateWindow();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        where = f->wherePage()->text().toStdString();
        saveShot(*f, "shared-area-preview");
        return 0;
    });
    key(*box, Qt::Key_F8);
    EXPECT_TRUE(previewed);
    EXPECT_EQ(where, "1/1");
}

} // namespace

namespace {

TEST_F(SharedAreaDialogTest, HintsAreTheProductsOwn)
{
    auto box = prepared();
    const struct {
        QWidget* control;
        const char* hint;
    } cases[] = {
        {box->btnDriveAssign(), "ネットワーク上の共有フォルダをドライブに割り当てます。|"},
        {box->btnSearchCancel(), "検索状態を解除します。|"},
        {box->btnSearch(), "［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に使用します。|"},
        {box->btnInfo(), "「ﾃﾞｰﾀの詳細情報」画面を開きます。選択ﾃﾞｰﾀの基本情報を表示します。ﾃﾞｰﾀの表示名を変更できます。|"},
        {box->btnUpdate(), "ﾃﾞｰﾀﾘｽﾄを更新します。ﾌﾟﾛｸﾞﾗﾑの機能を使わずに移行したﾃﾞｰﾀを表示できます。|"},
        {box->cmbDrive(), "ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。|ﾘｽﾄからﾃﾞｰﾀを管理しているﾄﾞﾗｲﾌﾞを選択します。\n"
                          "ﾏｲｺﾝﾋﾟｭｰﾀに表示されるﾄﾞﾗｲﾌﾞの中からﾄﾞﾗｲﾌﾞ直下に“morabyzaimu”ﾌｫﾙﾀﾞのあるﾄﾞﾗｲﾌﾞのみを表示しています。"},
        {box->PerfectGrid1(),
         "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。|［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\n"
         "［共有］欄にｱｲｺﾝが付いているﾃﾞｰﾀは他のｵﾍﾟﾚｰﾀが使用しているため取得できません。\n"
         "［F4］で新規にﾃﾞｰﾀ領域を作成できます。\n"
         "行を選択すると［ﾃﾞｰﾀ選択］に戻ります。「新しい領域」行への新規ﾃﾞｰﾀ作成や、共有ﾃﾞｰﾀのﾌﾗｯｼｭﾒﾓﾘなどへの保存は［ﾃﾞｰﾀ選択］で行います。"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ControlHint(c.control), QString::fromUtf8(c.hint));

    // An area folder gone empty asks for a new area.
    for (const char* name : {"sv0001", "sv0002", "sv0003"})
        files::removeAll(area(name));
    box->RefreshList();
    box->PerfectGrid1()->setFocus();
    box->SetFunctionKeys();
    EXPECT_EQ(ControlHint(box->PerfectGrid1()), QStringLiteral("|［F4］でﾃﾞｰﾀ領域を作成してください。"));
    EXPECT_EQ(box->HintArea()->toPlainText(), QStringLiteral("［F4］でﾃﾞｰﾀ領域を作成してください。"));

    // The partner's product folder names itself in the drive hint.
    LumeranDataFlag = 1;
    ShareDir = "lumezaimu";
    box->Prepare(1);
    EXPECT_TRUE(ControlHint(box->cmbDrive()).contains(QStringLiteral("“lumezaimu”ﾌｫﾙﾀﾞ")));
    EXPECT_EQ(box->cmbDrive()->itemText(0), QStringLiteral("[lumezaimu]が見つかりません"));
}

} // namespace
