// The data-selection dialog's 検索 / 検索解除, the search dialog it owns, and choosing an empty
// place (types 2 and 4).
#include "DataSelectionFixture.h"

#include "platform/MessageBox2.h"
#include "ui/RichMessageBox.h"

using namespace seltest;

namespace {

// Answers the next modal dialog (the search dialog) by picking data kind line kind, ticking
// "always" when asked, and pressing OK or キャンセル.
void answerSearch(testsupport::MessageRecorder& messages, int kind, bool always, bool ok,
                  TDataListKensakuBox** seen = nullptr)
{
    messages.onDialog([=](QDialog& d) {
        auto* box = dynamic_cast<TDataListKensakuBox*>(&d);
        if (!box) {
            ADD_FAILURE() << "not the search dialog: " << d.windowTitle().toStdString();
            return int(platform::mrCancel);
        }
        if (seen)
            *seen = box;
        box->cmbDataKind()->setCurrentIndex(kind);
        box->chkAlways()->setChecked(always);
        (ok ? box->btnOK() : box->btnCancel())->Click();
        QCoreApplication::processEvents(); // the close is queued
        return d.result();
    });
}

} // namespace

TEST_F(DataSelectionDialogTest, SearchNarrowsTheListAndSearchCancelShowsItAllAgain)
{
    auto box = dialog({"SyoriType=0"});
    ASSERT_NE(box->SearchBox(), nullptr) << "created with the dialog";
    EXPECT_EQ(box->SearchBox()->cmbTanto()->count(), 3) << "its operator list is read at creation";
    std::vector<int> all;
    std::vector<int> afterCancelledSearch, afterSearch, afterSearchCancel;
    bool searchOn = false, cancelOnBefore = true, cancelOnAfter = false, cancelOnAtEnd = true;
    TDataListKensakuBox* shown = nullptr;
    m_messages.onDialog([&](QDialog& d) {
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        all = listed(*box);
        searchOn = box->btnSearch()->isEnabled();
        cancelOnBefore = box->btnSearchCancel()->isEnabled();

        // キャンセル in the search dialog changes nothing.
        answerSearch(m_messages, 1, true, false);
        box->btnSearch()->Click();
        afterCancelledSearch = listed(*box);

        // 法人 only, kept for every opening.
        answerSearch(m_messages, 1, true, true, &shown);
        box->btnSearch()->Click();
        afterSearch = listed(*box);
        cancelOnAfter = box->btnSearchCancel()->isEnabled();
        saveShot(d, "data-selection-searched");

        box->btnSearchCancel()->Click();
        afterSearchCancel = listed(*box);
        cancelOnAtEnd = box->btnSearchCancel()->isEnabled();
        key(d, Qt::Key_Escape);
        return d.result();
    });
    box->Execute(true);
    EXPECT_TRUE(searchOn);
    EXPECT_FALSE(cancelOnBefore) << "no conditions in use at the start";
    EXPECT_EQ(shown, box->SearchBox()) << "the same dialog each time";
    ASSERT_GT(all.size(), 2u);
    EXPECT_EQ(afterCancelledSearch, all);
    EXPECT_EQ(afterSearch, std::vector<int>{4});
    EXPECT_TRUE(cancelOnAfter);
    EXPECT_EQ(afterSearchCancel, all);
    EXPECT_FALSE(cancelOnAtEnd);
    // The conditions were stored on OK; 検索解除 does not store.
    EXPECT_EQ(rows("SELECT JYOKENUSE, DATATYPE, CODETYPE FROM KENSAKUJYOKEN WHERE OPCODE=100000011 AND LISTTYPE=0"),
              std::vector<std::string>{"1|1|1"});

    // The next opening applies them at once and offers 検索解除.
    auto again = dialog({"SyoriType=0"});
    std::vector<int> atStart;
    bool cancelOn = false;
    m_messages.onDialog([&](QDialog& d) {
        QCoreApplication::processEvents();
        atStart = listed(*again);
        cancelOn = again->btnSearchCancel()->isEnabled();
        key(d, Qt::Key_Escape);
        return d.result();
    });
    again->Execute(true);
    EXPECT_EQ(atStart, std::vector<int>{4});
    EXPECT_TRUE(cancelOn);
}

TEST_F(DataSelectionDialogTest, SearchButtonsByProcessingType)
{
    // Stored conditions in use, so 検索解除 would be on where the type allows it.
    exec("INSERT INTO KENSAKUJYOKEN (OPCODE, LISTTYPE, JYOKENUSE, DATATYPE, CODETYPE, DATACODE, DATANAME, TANTO, "
         "DATAVER, SEIHINNAME, SORTCOL, SORTTYPE) VALUES (100000011, 0, 1, 2, 1, '', '', 0, '', '', 0, 0)");
    const struct {
        int type;
        bool on;
    } cases[] = {{0, true}, {1, true}, {2, true}, {3, false}, {4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        auto box = dialog({"SyoriType=" + std::to_string(c.type)});
        bool search = !c.on, cancel = !c.on;
        m_messages.onDialog([&](QDialog& d) {
            QCoreApplication::processEvents();
            search = box->btnSearch()->isEnabled();
            cancel = box->btnSearchCancel()->isEnabled();
            if (c.type == 3) {
                // Off means no action either.
                box->btnSearch()->Click();
                box->btnSearchCancel()->Click();
            }
            box->FunctionKey(fkEsc)->Click();
            return d.result();
        });
        box->Execute(true);
        EXPECT_EQ(search, c.on);
        EXPECT_EQ(cancel, c.on);
    }
}

TEST_F(DataSelectionDialogTest, SearchDialogKindsWithOptionBlindCancelAndVersionMatch)
{
    {
        OptionBlind = true;
        TDataListKensakuBox blind;
        EXPECT_EQ(blind.cmbDataKind()->count(), 5);
        blind.Conditions.DATATYPE = 2;
        blind.Conditions.CODETYPE = 4;
        blind.Prepare(1);
        EXPECT_EQ(blind.cmbDataKind()->currentIndex(), 4);
        EXPECT_EQ(blind.cmbDataKind()->currentText(), QStringLiteral("個人(農業)"));
        blind.btnOK()->Click();
        EXPECT_EQ(blind.Conditions.DATATYPE, 2);
        EXPECT_EQ(blind.Conditions.CODETYPE, 4);
        OptionBlind = false;
    }

    // Cancel leaves the caller's record as it was; OK always clears VerMatch.
    TDataListKensakuBox box;
    TDataKensakuRec rec;
    rec.OPCODE = 100000011;
    rec.DATATYPE = 1;
    rec.CODETYPE = 1;
    rec.DATAVER = "8";
    rec.VerMatch = 1;
    rec.SORTCOL = 5;
    box.Conditions = rec;
    box.Prepare(1);
    box.cmbDataKind()->setCurrentIndex(3);
    box.btnCancel()->Click();
    EXPECT_EQ(box.Conditions, rec);
    box.Prepare(1);
    box.btnOK()->Click();
    EXPECT_EQ(box.Conditions.VerMatch, 0);
    EXPECT_EQ(box.Conditions.DATATYPE, 1);
    EXPECT_EQ(box.Conditions.SORTCOL, 5);
    EXPECT_EQ(box.Conditions.DATAVER, "") << "選択なし";
}

TEST_F(DataSelectionDialogTest, ChoosingAnEmptyPlaceReturnsBothPaths)
{
    // The open data set is a real company database: closing a type-2 dialog reconnects it.
    testsupport::FixtureDb::copyTo("company", m_root / "c" / "ZAIMU" / "DATA" / "0001" / "dwacc.fdb");
    SystemDef.DataDir = slotFolder(1);
    struct Case {
        int type;
        int rec;
        std::vector<std::string> texts;
        std::string result; // DataSelectResult after F12; empty: the dialog stays open
    };
    const std::string emptySlot = slotFolder(81);
    const Case cases[] = {
        {4, 81, {}, "PATH1=" + emptySlot + "\rPATH2=" + emptySlot},
        {2, 81, {}, "PATH1=" + emptySlot + "\rPATH2=" + emptySlot},
        {4, 1, {"このデータは現在選択中のデータです。\r他の場所を選んで下さい。"}, ""},
        {4, 40, {"選択したパスには既にデータが存在します。\r他の場所を選んで下さい。"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.rec));
        SystemDef.DataSelectResult = "left over";
        auto box = dialog({"SyoriType=" + std::to_string(c.type)});
        bool open = true;
        std::vector<std::string> texts;
        std::string result;
        m_messages.onDialog([&](QDialog& d) {
            QApplication::setActiveWindow(&d);
            QCoreApplication::processEvents();
            if (c.type == 2) {
                EXPECT_EQ(SystemDef.DataSelectResult, "") << "cleared when a type-2 dialog starts";
            }
            const int row = rowOf(*box, c.rec);
            EXPECT_GE(row, 0);
            box->PerfectGrid1()->setCurrentRow(row);
            m_messages.clear();
            key(d, Qt::Key_F12);
            open = d.isVisible();
            for (const auto& b : m_messages.boxes())
                texts.push_back(b.text);
            result = SystemDef.DataSelectResult;
            if (open)
                key(d, Qt::Key_Escape);
            return d.result();
        });
        for (const auto& t : c.texts)
            m_messages.expectBox(t);
        const int modal = box->Execute(true);
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(SystemDef.DataDir, slotFolder(1)) << "the open data set stays";
        if (c.type == 2) {
            EXPECT_TRUE(m_dm->IBDatabaseDAT.connected()) << "reconnected to the open data set";
            m_dm->fnAccDatDisconnected(slotFolder(1), 0, 0);
        }
        if (c.result.empty()) {
            EXPECT_TRUE(open);
            EXPECT_EQ(modal, platform::mrCancel);
        } else {
            EXPECT_FALSE(open);
            EXPECT_EQ(modal, platform::mrOk);
            EXPECT_EQ(result, c.result);
        }
    }
}

TEST_F(DataSelectionDialogTest, ARowKeptOnTheSharedServerNeedsTheAutomaticOption)
{
    exec("UPDATE DATALIST SET ENTTEXT='共有社', SHOUGOU='共有社', DATATYPE=2, CODETYPE=1, NENDO=5, "
         "VER_MAJOR=8, VER_MINOR1=0, VER_MINOR2=0, VER_TEXT='Ver8.0.0', NETDRIVE=1, KYOYULOCK=0, PASNAME='S:\\KYOYU\\0081' WHERE REC=81");
    makeFolder(81, 1); // the local copy of an earlier fetch
    struct Case {
        int automatic;
        bool hideOption; // as the server modes do
        bool f12On;
        std::vector<std::string> texts;
        bool chosen;
    };
    const Case cases[] = {
        {0, false, false, {}, false},
        {0, true, true, {"このデータは、共有サーバーに保管されています。\r共有取得を実行してから選択して下さい。"}, false},
        {1, false, true, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.automatic) + (c.hideOption ? " hidden" : ""));
        SystemDef.DataDir.clear();
        SystemDef.Reserve2Flag1 = c.automatic;
        auto box = dialog(kWizardLines);
        bool f12On = !c.f12On;
        bool open = false;
        std::vector<std::string> texts;
        m_messages.onDialog([&](QDialog& d) {
            QApplication::setActiveWindow(&d);
            QCoreApplication::processEvents();
            if (c.hideOption)
                box->cboxKyoyuDataAuto()->hide();
            const int row = rowOf(*box, 81);
            EXPECT_GE(row, 0);
            box->PerfectGrid1()->setCurrentRow(row);
            box->SetFunctionKeys();
            f12On = box->FunctionKey(fkF12)->isEnabled();
            m_messages.clear();
            key(d, Qt::Key_Return); // Enter acts as F12
            open = d.isVisible();
            for (const auto& b : m_messages.boxes())
                texts.push_back(b.text);
            if (open)
                key(d, Qt::Key_Escape);
            return d.result();
        });
        for (const auto& t : c.texts)
            m_messages.expectBox(t);
        box->Execute(true);
        EXPECT_EQ(f12On, c.f12On);
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(open, !c.chosen);
        EXPECT_EQ(SystemDef.DataDir, c.chosen ? slotFolder(81) : "");
    }
}

TEST_F(DataSelectionDialogTest, TheGreyRowIsRefusedWithTheUpdateMessageForTypesZeroAndOne)
{
    makeFolder(3, 1);
    // The program's rich box, as the wizard installs it at start.
    ui::installRichMessageBox();
    for (int type : {0, 1}) {
        SCOPED_TRACE(type);
        SystemDef.DataDir = slotFolder(1);
        auto box = dialog({"SyoriType=" + std::to_string(type)});
        bool open = false;
        QString caption, first;
        m_messages.onDialog([&](QDialog& d) {
            QApplication::setActiveWindow(&d);
            QCoreApplication::processEvents();
            box->PerfectGrid1()->setCurrentRow(rowOf(*box, 3));
            m_messages.onDialog([&](QDialog& rich) {
                auto* r = dynamic_cast<TMessageBox2*>(&rich);
                if (!r)
                    return int(platform::mrCancel);
                caption = rich.windowTitle();
                first = r->label(0)->text();
                r->button(0)->click();
                QCoreApplication::processEvents();
                return rich.result();
            });
            key(d, Qt::Key_F12);
            open = d.isVisible();
            box->FunctionKey(fkEsc)->Click();
            QCoreApplication::processEvents();
            return d.result();
        });
        box->Execute(true);
        EXPECT_TRUE(open);
        EXPECT_EQ(caption, QStringLiteral("情報"));
        EXPECT_EQ(first, QStringLiteral("このデータは、「データの更新」処理を行うことが禁止されています。"));
        EXPECT_EQ(SystemDef.DataDir, slotFolder(1)) << "nothing chosen";
    }
    platform::setMessageBox2Handler({});
}
