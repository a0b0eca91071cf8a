// The data-selection dialog in client/server mode against the Firebird server on loopback.
#include "DataSelectionServerFixture.h"

#include "selection/DataInfoDialog.h"
#include "selection/DataPlaceDialog.h"
#include "support/TcpRelay.h"
#include "ui/InputDialog.h"
#include "ui/KeyEdit.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace seltest;

std::vector<int> listed(TDataSentakuBox& box)
{
    std::vector<int> out;
    for (int r = 0; r < box.PerfectGrid1()->rowCount(); ++r)
        out.push_back(int(box.PerfectGrid1()->model().cellNumber(r, 0)));
    return out;
}

TEST_F(DataSelectionServerTest, ListsTheStandardPlaceWithTheLockColumn)
{
    auto box = dialog();
    ASSERT_TRUE(box->Initialized);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("データ選択（サーバー）"));
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 120);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(0, 2), QStringLiteral("一番の会社"));
    EXPECT_EQ(box->PerfectGrid1()->colWidth(7), 32);
    EXPECT_EQ(box->PerfectGrid1()->colWidth(8), 0);
    // The hint of client/server mode; an empty slot cannot be chosen.
    box->show();
    QApplication::setActiveWindow(box.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    box->PerfectGrid1()->setFocus();
    box->PerfectGrid1()->setCurrentRow(rowOf(*box, 3));
    box->SetFunctionKeys();
    EXPECT_EQ(box->HintArea()->toPlainText(),
              QStringLiteral("［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。\n空白行は選択できません。"));
    m_messages.expectBox("このフォルダには財務データがありません。");
    box->FunctionKey(fkF12)->Click();
    EXPECT_EQ(box->modalResult(), 0);
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"このフォルダには財務データがありません。\r"}));
    m_messages.clear();
    box->hide();
    // The wizard's own launch: only its kind of data set.
    auto wizard = dialog(kWizardLines);
    EXPECT_EQ(listed(*wizard), (std::vector<int>{1, 2}));
    EXPECT_TRUE(m_messages.boxes().empty());
}

// Two operators, both lists read while the data set was free.
TEST_F(DataSelectionServerTest, TwoSessionsCannotBothHoldTheLock)
{
    signIn(15);
    signIn(17);
    signInAs(15);
    auto box15 = dialog();
    signInAs(17);
    auto box17 = dialog();
    const int row = rowOf(*box15, 1);
    ASSERT_EQ(row, rowOf(*box17, 1));
    const std::string lockOf1 = "SELECT DATALOCK FROM DATALIST WHERE REC=1";

    signInAs(15);
    box15->DataLockClick(row);
    EXPECT_EQ(one(lockOf1), "15");
    EXPECT_EQ(box15->PerfectGrid1()->model().cellNumber(row, 9), 15);
    EXPECT_FALSE(box15->PerfectGrid1()->model().cellPicture(row, 7).toImage().isNull());
    EXPECT_TRUE(m_messages.boxes().empty());

    // 17's list still shows the row free; the click decides on the lock the row holds now.
    signInAs(17);
    std::string caption, text;
    expectStateBox(*box17, caption, text);
    box17->DataLockClick(row);
    EXPECT_EQ(caption, "ロックデータの状態");
    EXPECT_EQ(text, "このデータは、違うオペレータによりロックされているため解除は行えません。");
    EXPECT_EQ(box17->StateBox()->MsgLines[4], "　15");
    EXPECT_EQ(box17->StateBox()->MsgLines[7], "　十五番");
    EXPECT_EQ(one(lockOf1), "15");
    EXPECT_EQ(box17->PerfectGrid1()->model().cellNumber(row, 9), 15) << "the row shows who holds it";

    signInAs(15);
    box15->DataLockClick(row);
    EXPECT_EQ(one(lockOf1), "0");
    EXPECT_EQ(box15->PerfectGrid1()->model().cellNumber(row, 9), 0);

    // Now 17 takes it while 15's list still shows it free: 15 is refused in turn.
    signInAs(17);
    box17->DataLockClick(row);
    EXPECT_EQ(one(lockOf1), "17");
    signInAs(15);
    expectStateBox(*box15, caption, text);
    box15->DataLockClick(row);
    EXPECT_EQ(caption, "ロックデータの状態");
    EXPECT_EQ(one(lockOf1), "17");
    EXPECT_EQ(m_messages.boxes().size(), 2u);
}

// A session killed while it held the lock (a rebuild's client) leaves DATALOCK behind: since
// its holder is no longer signed in, the next operator is asked and may release it. While the
// holder is signed in only an administrator is asked.
TEST_F(DataSelectionServerTest, ALockWhoseHolderIsGoneCanBeReleasedAfterAQuestion)
{
    const std::string lockOf1 = "SELECT DATALOCK FROM DATALIST WHERE REC=1";
    exec("UPDATE DATALIST SET DATALOCK=15 WHERE REC=1");
    signInAs(17);
    signIn(17);
    auto box = dialog();
    const int row = rowOf(*box, 1);

    m_messages.answer(platform::IDCANCEL);
    box->DataLockClick(row);
    ASSERT_EQ(m_messages.boxes().size(), 1u) << testing::PrintToString(m_messages.texts());
    EXPECT_EQ(m_messages.boxes()[0].kind, "question");
    EXPECT_EQ(m_messages.boxes()[0].text, "このデータは、オペレータ「十五番」（15）によりロックされています。\r"
                                          "このオペレータはサインインしていません。ロックを解除しますか？");
    EXPECT_EQ(one(lockOf1), "15") << "answered no";
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row, 9), 15);

    m_messages.clear();
    m_messages.answer(platform::IDOK);
    box->DataLockClick(row);
    EXPECT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(one(lockOf1), "0");
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row, 9), 0);

    // The holder signed in again and holds it: an operator is refused as before ...
    signIn(15);
    exec("UPDATE DATALIST SET DATALOCK=15 WHERE REC=1");
    m_messages.clear();
    std::string caption, text;
    expectStateBox(*box, caption, text);
    box->DataLockClick(row);
    EXPECT_EQ(text, "このデータは、違うオペレータによりロックされているため解除は行えません。");
    EXPECT_EQ(one(lockOf1), "15");
    // ... an administrator is asked.
    SystemDef.JobLevel = 9;
    m_messages.clear();
    m_messages.answer(platform::IDOK);
    box->DataLockClick(row);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].text,
              "このデータは、オペレータ「十五番」（15）によりロックされています。\rロックを解除しますか？");
    EXPECT_EQ(one(lockOf1), "0");
}

TEST_F(DataSelectionServerTest, LockClickOnAnEmptySlotOrAnotherColumnChangesNothing)
{
    auto box = dialog();
    // An empty slot: no data file on the server.
    m_messages.expectBox("このフォルダには財務データがありません。");
    box->DataLockClick(rowOf(*box, 3));
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"このフォルダには財務データがありません。\r"}));
    EXPECT_EQ(one("SELECT DATALOCK FROM DATALIST WHERE REC=3"), "0");
    // A click on another column is no lock click.
    emit box->PerfectGrid1()->cellClicked(rowOf(*box, 1), 2);
    EXPECT_EQ(one("SELECT DATALOCK FROM DATALIST WHERE REC=1"), "0");
    emit box->PerfectGrid1()->cellClicked(rowOf(*box, 1), 7);
    EXPECT_EQ(one("SELECT DATALOCK FROM DATALIST WHERE REC=1"), "15");
}

// 更新 row by row: a data file gone from the server empties its row; a file test that fails
// (the link cut by the relay) leaves the row and its lock as they were.
TEST_F(DataSelectionServerTest, RefreshEmptiesAVanishedRowButNotOnAFailedFileTest)
{
    testsupport::TcpRelay relay;
    m_dm.reset();
    SystemDef.HostName = "localhost/" + std::to_string(relay.port());
    m_dm = std::make_unique<TDM>();
    ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
    exec("UPDATE DATALIST SET DATALOCK=17 WHERE REC IN (1, 2)");
    auto box = dialog();
    const int row1 = rowOf(*box, 1);
    const int row2 = rowOf(*box, 2);
    std::filesystem::remove(paths::toNative(slot(m_data, 1) + "\\dwacc.fdb"));

    relay.cutConnections();
    box->DataListRefresh(row1);
    EXPECT_EQ(one("SELECT ENTTEXT || '|' || DATALOCK FROM DATALIST WHERE REC=1"), "一番の会社|17");
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row1, 2), QStringLiteral("一番の会社"));
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row1, 9), 17);
    EXPECT_GE(relay.linksOpened(), 2) << "the handler opened the link again";

    box->DataListRefresh(row1);
    EXPECT_EQ(one("SELECT ENTTEXT || '|' || DATALOCK || '|' || NENDO FROM DATALIST WHERE REC=1"), "|0|1");
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row1, 2), QString());
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(row1, 9), 0);

    // A data set still there keeps its lock.
    box->DataListRefresh(row2);
    EXPECT_EQ(one("SELECT ENTTEXT || '|' || DATALOCK FROM DATALIST WHERE REC=2"), "二番の会社|17");
    EXPECT_TRUE(m_messages.boxes().empty()) << m_messages.texts()[0];
}

// 更新 over the whole list: the added areas beyond the slot count are numbered on without gaps
// and the current row follows its data set to its new number.
TEST_F(DataSelectionServerTest, RefreshRenumbersAddedAreasAndKeepsTheCurrentDataSet)
{
    firebird::Transaction tr(m_dm->IBDatabaseDEF);
    tr.start();
    firebird::Statement st(tr, "INSERT INTO DATALIST (REC, GROUPID, PASNAME, ENTTEXT, NENDO, KISHU, KIMATU) "
                               "VALUES (:REC, 10000, :PASNAME, '', 0, '1899-12-30', '1899-12-30')");
    for (int rec : {125, 130}) {
        st.setInt("REC", rec);
        st.setString("PASNAME", slot(m_data, rec));
        st.execute();
    }
    tr.commit();
    nameSlot("DATALIST", 0, 130, "追加の会社");
    makeData(slot(m_data, 130));

    auto box = dialog();
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 122);
    box->PerfectGrid1()->setCurrentRow(rowOf(*box, 130));
    m_messages.expectBox("データリストの更新をおこないます。", platform::IDYES);
    box->btnListUpdate()->Click();

    EXPECT_EQ(one("SELECT LIST(REC, ',') FROM (SELECT REC FROM DATALIST WHERE REC > 120 ORDER BY REC)"), "121,122");
    EXPECT_EQ(one("SELECT REC FROM DATALIST WHERE UPPER(PASNAME) LIKE '%0130'"), "122");
    const int current = box->PerfectGrid1()->currentRow();
    EXPECT_EQ(box->PerfectGrid1()->model().cellNumber(current, 0), 122);
    // The company database's own list name ("0001" in the fixture) replaces the typed one.
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(current, 2), QStringLiteral("0001"));
    EXPECT_EQ(m_messages.texts(), (std::vector<std::string>{"データリストの更新をおこないます。\rよろしいですか？"}));
}

// Places: the standard one, "大阪" (place 3, its 120 slots made by the list procedure, slot 4
// holding a data set) and an unnamed place 5.
class DataSelectionServerPlaceTest : public DataSelectionServerTest {
protected:
    void SetUp() override
    {
        DataSelectionServerTest::SetUp();
        if (HasFatalFailure())
            return;
        m_place3 = m_data + "03";
        exec("DELETE FROM DATAPLACEMAN");
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) "
                                   "VALUES (:REC, :ORDERKBN, :NAME, :PATH)");
        auto place = [&](int rec, int order, const std::string& name, const std::string& path) {
            st.setInt("REC", rec);
            st.setInt("ORDERKBN", order);
            st.setString("NAME", name);
            st.setString("PATH", path);
            st.execute();
        };
        place(0, 1, "標準の場所", m_data);
        place(3, 4, "大阪", m_place3);
        place(5, 6, "", m_data + "05");
        firebird::Statement fill(tr, "SELECT REC FROM SP_DATALIST_INSERT(3, :PATH, 120)");
        fill.setString("PATH", m_place3);
        auto c = fill.open();
        while (c.fetch()) {
        }
        tr.commit();
        nameSlot("DATALIST_EX", 3, 4, "大阪の会社");
        makeData(slot(m_place3, 4));
    }

    static QStringList placeLines(TDataSentakuBox& box)
    {
        QStringList out;
        for (int i = 0; i < box.cmbDataMan()->count(); ++i)
            out << box.cmbDataMan()->itemText(i);
        return out;
    }

    // The user picks a line of the place box and leaves it with Tab.
    static void choosePlace(TDataSentakuBox& box, int index)
    {
        box.cmbDataMan()->setCurrentIndex(index);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box.cmbDataMan(), &out);
    }

    std::string m_place3;
};

TEST_F(DataSelectionServerPlaceTest, ThePlaceBoxShowsTheChosenPlaceAndTheNextOpeningKeepsIt)
{
    auto box = dialog();
    EXPECT_EQ(placeLines(*box), (QStringList{QStringLiteral("標準の場所"), QStringLiteral("大阪")}));
    EXPECT_EQ(box->cmbDataMan()->currentIndex(), 0);
    EXPECT_TRUE(box->btnDataMan()->isEnabled());
    EXPECT_TRUE(box->btnListUpdate()->isEnabled());
    EXPECT_TRUE(box->btnDataInfo()->isEnabled());
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 120);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(0, 2), QStringLiteral("一番の会社"));

    // While the place is being chosen the list cannot be used.
    box->cmbDataMan()->setCurrentIndex(1);
    EXPECT_FALSE(box->PerfectGrid1()->isEnabled());
    EXPECT_EQ(box->FunctionKey(fkF12)->CaptionA().Caption(), QStringLiteral("F12:"));
    choosePlace(*box, 1);
    EXPECT_TRUE(box->PerfectGrid1()->isEnabled());
    EXPECT_EQ(box->DataPlaceRec, 3);
    EXPECT_EQ(box->DataPlacePath, m_place3);
    ASSERT_EQ(box->PerfectGrid1()->rowCount(), 120);
    const int row4 = rowOf(*box, 4);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row4, 2), QStringLiteral("大阪の会社"));
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(row4, 5), QStringLiteral("~\\data03\\0004"));

    // Slot 4 is in use by another attachment (状態 2): accepted in client/server mode.
    firebird::Attachment other;
    other.connect(testsupport::morabyParams("localhost:" + paths::toNative(slot(m_place3, 4) + "\\dwacc.fdb").string()));
    box->show();
    box->PerfectGrid1()->setCurrentRow(row4);
    box->PerfectGrid1()->setFocus();
    box->SetFunctionKeys();
    box->FunctionKey(fkF12)->Click();
    EXPECT_EQ(box->modalResult(), int(platform::mrOk));
    EXPECT_EQ(SystemDef.DataDir, slot(m_place3, 4));
    box->close();
    EXPECT_EQ(SystemDef.ServerDataPlace, 3);
    SystemDef.ServerDataPlace = 0;
    ASSERT_TRUE(m_dm->fnGetSysDef());
    EXPECT_EQ(SystemDef.ServerDataPlace, 3) << "stored with the operator's settings";

    auto again = dialog();
    EXPECT_EQ(again->cmbDataMan()->currentText(), QStringLiteral("大阪"));
    EXPECT_EQ(again->PerfectGrid1()->model().cellText(rowOf(*again, 4), 2), QStringLiteral("大阪の会社"));
    EXPECT_TRUE(m_messages.boxes().empty()) << m_messages.texts()[0];
}

// As a user does it: Down in the place box, then Tab on to the settings button.
TEST_F(DataSelectionServerPlaceTest, TabOutOfThePlaceBoxShowsThePlaceChosen)
{
    auto box = dialog();
    box->show();
    QApplication::setActiveWindow(box.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    box->cmbDataMan()->setFocus();
    QTest::keyClick(box->cmbDataMan(), Qt::Key_Down);
    EXPECT_FALSE(box->PerfectGrid1()->isEnabled());
    QTest::keyClick(box->cmbDataMan(), Qt::Key_Tab);
    QTRY_VERIFY(box->PerfectGrid1()->isEnabled());
    EXPECT_EQ(box->DataPlaceRec, 3);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(rowOf(*box, 4), 2), QStringLiteral("大阪の会社"));
    EXPECT_TRUE(box->PerfectGrid1()->hasFocus());
    const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
    QDir().mkpath(dir);
    box->grab().save(dir + QStringLiteral("/DataSelectionServerPlace.png"));
}

TEST_F(DataSelectionServerPlaceTest, AGonePlaceFallsBackToTheStandardOne)
{
    SystemDef.ServerDataPlace = 5; // unnamed since: not in the box
    auto box = dialog();
    EXPECT_EQ(box->DataPlaceRec, 0);
    EXPECT_EQ(box->cmbDataMan()->currentIndex(), 0);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(0, 2), QStringLiteral("一番の会社"));
}

// The places dialog left with Esc after a rename still stored it: the box is refilled and its
// lines lead to the right places.
TEST_F(DataSelectionServerPlaceTest, TheSettingsButtonRefillsTheBoxEvenAfterEsc)
{
    auto box = dialog();
    exec("UPDATE DATAPLACEMAN SET NAME='神戸', ORDERKBN=2 WHERE REC=5");
    m_messages.onDialog([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("データの場所の設定"));
        TDataPlaceBox& places = *box->DataPlaceBox();
        places.PerfectGrid1()->setCurrentRow(places.PlaceIndex(3));
        places.SetFunctionKeys();
        m_messages.onDialog([](QDialog& input) {
            auto& in = dynamic_cast<TInputDlgBox&>(input);
            in.txtInput()->setText(QStringLiteral("難波"));
            in.btnOK()->Click();
            return in.modalResult();
        });
        places.F3Click();
        return int(platform::mrCancel);
    });
    box->btnDataMan()->Click();
    EXPECT_EQ(one("SELECT NAME FROM DATAPLACEMAN WHERE REC=3"), "難波");
    EXPECT_EQ(placeLines(*box), (QStringList{QStringLiteral("標準の場所"), QStringLiteral("神戸"), QStringLiteral("難波")}));
    EXPECT_EQ(box->cmbDataMan()->currentIndex(), 0);
    choosePlace(*box, 2);
    EXPECT_EQ(box->DataPlaceRec, 3);
    EXPECT_EQ(box->PerfectGrid1()->model().cellText(rowOf(*box, 4), 2), QStringLiteral("大阪の会社"));
    choosePlace(*box, 1);
    EXPECT_EQ(box->DataPlaceRec, 5);
    EXPECT_EQ(box->PerfectGrid1()->rowCount(), 0) << "place 5 has no list yet";
    EXPECT_TRUE(box->PerfectGrid1()->isEnabled());
}

// 情報 in client/server mode: the information comes through the server; the rebuild is refused
// while another attachment holds the data set and otherwise runs on the server, the row's
// lock released afterwards.
TEST_F(DataSelectionServerTest, TheInformationDialogReadsAndRebuildsThroughTheServer)
{
    auto box = dialog();
    box->PerfectGrid1()->setCurrentRow(rowOf(*box, 1));
    const std::string fdb = paths::toNative(slot(m_data, 1) + "\\dwacc.fdb").string();
    // Left by a rebuild whose client was killed: the staged copy of its last step.
    const std::filesystem::path staged = paths::toNative(slot(m_data, 1) + "\\dwacc.fdn");
    testsupport::writeFile(staged, "half a database");
    std::string status, name, f7;
    std::vector<std::string> shown;
    std::atomic<int> seenLock{0};
    m_messages.onDialog([&](QDialog&) {
        TDataSyosaiInfoBox& info = *box->DataInfoBox();
        status = info.lblStatus()->text().toStdString();
        name = info.value(TDataSyosaiInfoBox::vName)->text().toStdString();
        f7 = info.functionKey(7)->CaptionA().Caption().toStdString();
        {
            firebird::Attachment other;
            other.connect(testsupport::morabyParams("localhost:" + fdb));
            m_messages.expectBox("現在、他のユーザーがデータに接続中です。");
            info.F7Click();
            shown = m_messages.texts();
        }
        // Another installation watching the row sees it locked while the rebuild runs.
        std::atomic<bool> stop{false};
        std::thread watcher([&] {
            firebird::Attachment db;
            db.connect(testsupport::morabyParams("localhost:" + (m_root / "data" / "dwaccdef.fdb").string()));
            while (!stop) {
                firebird::Transaction tr(db);
                tr.start();
                firebird::Statement st(tr, "SELECT DATALOCK FROM DATALIST WHERE REC=1");
                auto c = st.open();
                if (c.fetch())
                    seenLock = std::max(seenLock.load(), c.getInt("DATALOCK"));
                tr.commit();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        m_messages.expectBox("データの再構築を行いますか？");
        m_messages.expectBox("データの再構築は適正に行われました。");
        info.F7Click();
        stop = true;
        watcher.join();
        return int(platform::mrCancel);
    });
    box->btnDataInfo()->Click();
    EXPECT_EQ(status, "－");
    EXPECT_EQ(name, "テスト商店") << "read from the company database on the server";
    EXPECT_EQ(f7, "F7:再構築");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "現在、他のユーザーがデータに接続中です。他のユーザーがデータに接続している間は"
                            "データの再構築は行えません。");
    const auto texts = m_messages.texts();
    EXPECT_EQ(texts.back(), "データの再構築は適正に行われました。");
    EXPECT_FALSE(std::filesystem::exists(staged)) << "the killed rebuild's work file is gone";
    EXPECT_EQ(seenLock.load(), 15) << "the rebuilding operator's lock";
    EXPECT_EQ(one("SELECT DATALOCK FROM DATALIST WHERE REC=1"), "0");
    EXPECT_FALSE(std::filesystem::exists(paths::toNative(slot(m_data, 1) + "\\dwacc.fd_")));
    // The rebuilt database opens.
    firebird::Attachment db;
    db.connect(testsupport::morabyParams("localhost:" + fdb));
    EXPECT_TRUE(db.connected());
}

} // namespace
