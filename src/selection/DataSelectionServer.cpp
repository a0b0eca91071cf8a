// TDataSentakuBox in client/server mode: the lock column, the data places and the server steps
// of the list refresh.
#include "selection/DataSelectionDialog.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "selection/ConnectionWatch.h"
#include "selection/DataInfoDialog.h"
#include "selection/DataPlaceDialog.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QComboBox>
#include <QFocusEvent>

#include <string>

namespace {

using platform::text::upperAscii;

const char* const kListRefreshFailed = "データリストの更新に失敗しました。";

bool serverMode() { return ConnectMode == 1 || ConnectMode == 2; }

// The login code a lock records: the login ID within its group.
int loginCodeOf(int loginId)
{
    const int group = SystemDef.GroupId * 10000;
    return group != 0 ? loginId % group : loginId;
}

// The lock of one catalogue row as the system database holds it now.
struct RowLock {
    bool found = false;
    int code = 0;
    std::string name; // the holder's operator name
};

std::string tableOf(int place) { return place > 0 ? "DATALIST_EX" : "DATALIST"; }

std::string rowCondition(int place)
{
    return place > 0 ? " WHERE (D.REC=:REC) AND (D.DATAPLACEREC=:PLACE)" : " WHERE (D.REC=:REC)";
}

RowLock readRowLock(firebird::Transaction& tr, int place, int rec)
{
    firebird::Statement st(tr, "SELECT D.DATALOCK, O.OPNAME FROM " + tableOf(place) +
                                   " D LEFT JOIN OPERATOR O ON (O.GROUPID=D.GROUPID AND "
                                   "O.OPCODE=D.DATALOCK)" + rowCondition(place));
    st.setInt("REC", rec);
    if (place > 0)
        st.setInt("PLACE", place);
    RowLock lock;
    auto c = st.open();
    if (c.fetch()) {
        lock.found = true;
        lock.code = c.isNull("DATALOCK") ? 0 : c.getInt("DATALOCK");
        lock.name = c.isNull("OPNAME") ? std::string() : c.getString("OPNAME");
    }
    return lock;
}

// Whether the operator of a lock is signed in now (has a row in the sign-in list). A lock whose
// holder is not signed in was left by a session that ended without giving it back.
bool holderSignedIn(int code)
{
    firebird::Transaction* tr = selection::catalogueTransaction();
    if (!tr)
        return true;
    const bool started = !tr->inTransaction();
    if (started)
        tr->start();
    bool signedIn = true;
    try {
        firebird::Statement st(*tr, "SELECT COUNT(*) FROM LOGONUSERLIST WHERE (GROUPID=:GROUPID) AND "
                                    "(OPERATORCODE=:CODE)");
        st.setInt("GROUPID", SystemDef.GroupId);
        st.setInt("CODE", code);
        auto c = st.open();
        signedIn = c.fetch() && c.getInt64(0) > 0;
        if (started)
            tr->commit();
    } catch (...) {
        if (started && tr->inTransaction()) {
            try {
                tr->rollback();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    return signedIn;
}

// Takes (To = our code, From = 0) or gives back (To = 0, From = our code) a row's lock, writing
// DATALOCK only and only while it still holds From; true when the row now holds To.
bool switchRowLock(int place, int rec, int from, int to, RowLock& now)
{
    firebird::Transaction* tr = selection::catalogueTransaction();
    if (!tr)
        return false;
    const bool started = !tr->inTransaction();
    if (started)
        tr->start();
    try {
        firebird::Statement st(*tr, "UPDATE " + tableOf(place) + " SET DATALOCK=:TOCODE WHERE (REC=:REC)" +
                                        (place > 0 ? " AND (DATAPLACEREC=:PLACE)" : "") +
                                        " AND (DATALOCK=:FROMCODE)");
        st.setInt("TOCODE", to);
        st.setInt("REC", rec);
        if (place > 0)
            st.setInt("PLACE", place);
        st.setInt("FROMCODE", from);
        st.execute();
        // Another installation may have changed the row since it was read: only what the row
        // holds now tells whether this update took effect.
        now = readRowLock(*tr, place, rec);
        if (started)
            tr->commit();
    } catch (...) {
        if (started && tr->inTransaction()) {
            try {
                tr->rollback();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    return now.found && now.code == to;
}

// The box's lines: the named places, one a line, as the places dialog lists them.
void fillPlaceNames(QComboBox& box, TDataPlaceBox& places)
{
    std::string text;
    places.GetPlaceNames(text);
    box.clear();
    for (std::size_t start = 0, end; (end = text.find('\r', start)) != std::string::npos; start = end + 1)
        box.addItem(QString::fromStdString(text.substr(start, end - start)));
}

} // namespace

void TDataSentakuBox::setUpServerControls()
{
    m_dataInfo.FileAccessMode = std::uint8_t(ConnectMode);
    if (!serverMode())
        return;
    m_btnListUpdate->setEnabled(true);
    m_btnDataInfo->setEnabled(true);
    connect(m_grid, &ui::TPerfectGrid::cellClicked, this, [this](int row, int col) {
        if (col == 7 && row >= 0)
            DataLockClick(row);
    });
    m_placeBox = new TDataPlaceBox(this);
    m_btnDataMan->setEnabled(true);
    m_btnDataMan->OnClick = [this](QObject*) { btnDataManClick(); };
    connect(m_cmbDataMan, &QComboBox::currentIndexChanged, this, [this](int) { cmbDataManChange(); });
    m_cmbDataMan->installEventFilter(this);
}

bool TDataSentakuBox::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving the place box, not opening its list, takes the place chosen.
    if (watched == m_cmbDataMan && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        cmbDataManExit();
    return TBSDI::eventFilter(watched, event);
}

// ---- the data places ----------------------------------------------------------------------

void TDataSentakuBox::FillPlaceBox()
{
    if (!m_placeBox)
        return;
    const QSignalBlocker quiet(m_cmbDataMan);
    fillPlaceNames(*m_cmbDataMan, *m_placeBox);
    if (m_placeBox->PlaceIndex(DataPlaceRec) < 0)
        DataPlaceRec = 0;
    m_cmbDataMan->setCurrentIndex(m_placeBox->PlaceIndex(DataPlaceRec));
    std::string path;
    m_placeBox->PlacePathOfRec(DataPlaceRec, path);
    DataPlacePath = path.empty() ? selection::catalogueDataFolder() : path;
    m_infoBox->DataPlace = DataPlaceRec;
}

void TDataSentakuBox::cmbDataManChange()
{
    if (!m_placeEditing) {
        m_searchWasEnabled = {m_btnSearch->isEnabled(), m_btnSearchCancel->isEnabled()};
        m_placeEditing = true;
    }
    m_btnDataMan->setFocusPolicy(Qt::TabFocus);
    m_btnSearch->setEnabled(false);
    m_btnSearchCancel->setEnabled(false);
    // Until the place is left the list shows another place's rows: nothing may be chosen.
    m_grid->setEnabled(false);
    SetFunctionKeys();
}

void TDataSentakuBox::cmbDataManExit()
{
    if (!m_placeEditing || !m_placeBox)
        return;
    takePlace(m_placeBox->PlaceRec(m_cmbDataMan->currentIndex()));
}

// Shows the list of place Rec (place 0 when it is not listed).
void TDataSentakuBox::takePlace(int Rec)
{
    if (m_placeEditing) {
        m_btnSearch->setEnabled(m_searchWasEnabled[0]);
        m_btnSearchCancel->setEnabled(m_searchWasEnabled[1]);
        m_placeEditing = false;
    }
    m_btnDataMan->setFocusPolicy(Qt::NoFocus);
    DataPlaceRec = Rec >= 0 && m_placeBox->PlaceIndex(Rec) >= 0 ? Rec : 0;
    {
        const QSignalBlocker quiet(m_cmbDataMan);
        m_cmbDataMan->setCurrentIndex(m_placeBox->PlaceIndex(DataPlaceRec));
    }
    std::string path;
    m_placeBox->PlacePathOfRec(DataPlaceRec, path);
    DataPlacePath = path.empty() ? selection::catalogueDataFolder() : path;
    m_infoBox->DataPlace = DataPlaceRec;
    m_grid->setEnabled(true);
    // An empty place shows an empty list rather than the rows of the place before.
    const selection::ConnectionWatch watch;
    const int count = ReadDataList();
    ShowDataList(-1);
    watch.report();
    if (count > 0)
        m_grid->setFocus();
    SetFunctionKeys();
}

void TDataSentakuBox::btnDataManClick()
{
    if (!m_placeBox)
        return;
    const int chosen = m_placeEditing ? m_placeBox->PlaceRec(m_cmbDataMan->currentIndex()) : DataPlaceRec;
    try {
        m_placeBox->Execute();
    } catch (const std::exception& e) {
        ShowErrorDialog("データの場所の設定に失敗しました。", e.what(), 1);
    }
    // Refilled whatever the dialog's result: it stores every change at once, even on Esc, and
    // its place list must match the box's lines again.
    {
        const QSignalBlocker quiet(m_cmbDataMan);
        fillPlaceNames(*m_cmbDataMan, *m_placeBox);
    }
    if (m_placeEditing || m_placeBox->PlaceIndex(chosen) < 0) {
        takePlace(chosen);
    } else {
        const QSignalBlocker quiet(m_cmbDataMan);
        m_cmbDataMan->setCurrentIndex(m_placeBox->PlaceIndex(DataPlaceRec));
        SetFunctionKeys();
    }
}

// ---- the lock column ----------------------------------------------------------------------

void TDataSentakuBox::DataLockClick(int Row)
{
    if (!serverMode())
        return;
    auto* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    if (!rec)
        return;
    const std::string folder = GetDataFolder(Row);
    auto stateBox = [&](const char* caption, const std::string& text, int code, const std::string& name) {
        m_msgBox->MsgCaption = caption;
        m_msgBox->MsgKind = 1;
        m_msgBox->MsgText = text;
        m_msgBox->SetLines({"【データフォルダ】", "　" + folder, "", "【オペレータ】", "　" + std::to_string(code),
                            "", "【オペレータ名】", "　" + name});
        m_msgBox->ApplySettings();
        platform::execDialog(*m_msgBox);
    };
    const selection::ConnectionWatch watch;
    try {
        const int state = CheckDataStatus(folder, true, false);
        if (watch.report() || state == 0)
            return;
        if (state != 1 && state != 3) {
            std::string text = "このデータは、" + records::dataStatusText(state) + "のため処理が行えません。";
            if (state == 2)
                text += "\r前回、異常終了した場合は情報ボタンを押してデータの状態をクリアして下さい。";
            stateBox("選択データの状態", text, loginCodeOf(m_infoRec.OpCode), m_infoRec.OpName);
            return;
        }
        // Decided on the lock the row holds now, not on the list as it was read: another
        // operator may have locked it since.
        firebird::Transaction* tr = selection::catalogueTransaction();
        if (!tr)
            return;
        RowLock held;
        const bool started = !tr->inTransaction();
        if (started)
            tr->start();
        try {
            held = readRowLock(*tr, DataPlaceRec, rec->REC);
            if (started)
                tr->commit();
        } catch (...) {
            if (started && tr->inTransaction()) {
                try {
                    tr->rollback();
                } catch (const std::exception&) {
                }
            }
            throw;
        }
        if (!held.found)
            return;
        const int me = loginCodeOf(SystemDef.LoginId);
        RowLock now;
        bool done = false;
        bool declined = false;
        if (held.code == 0) {
            done = switchRowLock(DataPlaceRec, rec->REC, 0, me, now);
        } else if (held.code == me) {
            done = switchRowLock(DataPlaceRec, rec->REC, me, 0, now);
        } else if (const bool stale = !holderSignedIn(held.code); stale || SystemDef.JobLevel == 9) {
            // A lock left by a session that ended (a client killed during a rebuild) would block
            // the data set for everyone: its holder is gone, so the next operator may release it.
            TMessage2InfoRec info;
            InitMessage2Info(mtConfirmation, info);
            info.Lines[0].Text = "このデータは、オペレータ「" + held.name + "」（" + std::to_string(held.code) +
                                 "）によりロックされています。";
            info.Lines[1].Text = stale ? "このオペレータはサインインしていません。ロックを解除しますか？"
                                       : "ロックを解除しますか？";
            declined = ShowMessageBox2(info) != platform::mrOk;
            if (declined)
                now = held;
            else
                done = switchRowLock(DataPlaceRec, rec->REC, held.code, 0, now);
        } else {
            now = held;
        }
        if (!done && now.code != 0 && now.code != me && !declined) {
            if (held.code == 0) // locked by another between our reading and our writing
                stateBox("選択データの状態", "このデータは、" + records::dataStatusText(3) + "のため処理が行えません。",
                         now.code, now.name);
            else
                stateBox("ロックデータの状態", "このデータは、違うオペレータによりロックされているため解除は行えません。",
                         now.code, now.name);
        }
        // The row shows the lock as the catalogue holds it, whoever set it.
        rec->DATALOCK = now.code;
        m_grid->model().setCellPicture(Row, 7, m_pictures[now.code != 0 ? 1 : 0]);
        m_grid->model().setCellNumber(Row, 9, now.code);
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDataSentakuBox.PerfectGrid1CellClick", "データロックの設定に失敗しました。", true);
    } catch (const std::exception& e) {
        if (!records::noteConnectionLoss(e))
            ShowErrorDialog("データロックの設定に失敗しました。", e.what(), 1);
    }
    watch.report();
    SetFunctionKeys();
}

// ---- the server steps of the list refresh -------------------------------------------------

void TDataSentakuBox::RefreshListServer()
{
    if (m_listProgress->shown())
        m_listProgress->setInfoLabel(QStringLiteral("データリストの更新中…"));
    auto& m = m_grid->model();
    const int row = m_grid->currentRow();
    int index = row >= 0 ? int(m.cellNumber(row, 14)) : 0;
    TDataListRec current;
    if (index >= 0 && index < int(DataList.size()))
        current = DataList[std::size_t(index)];
    const int top = m_grid->topRow();
    const selection::ConnectionWatch watch;
    try {
        if (m_catalogue) {
            m_catalogue->SetDataPlace(DataPlaceRec);
            m_catalogue->RenumberDataList();
        }
        if (watch.lost())
            return; // the list stays as it was read
        ReadDataList();
        ShowDataList(-1);
        if (m.rowCount() == 0)
            return;
        m_grid->setTopRow(std::min(std::max(top, 0), m.rowCount() - 1));
        // The row of the entry that was current: by number and folder; the renumbering may
        // have moved its number, so the folder alone next; with no folder by number.
        const std::string shown = upperAscii(selection::shownDataFolder(current.PASNAME, SystemDef.DataRoot));
        int found = -1;
        for (int pass = 0; pass < 2 && found < 0; ++pass) {
            for (int r = 0; r < m.rowCount() && found < 0; ++r) {
                if (m.cellText(r, 0).isEmpty())
                    continue;
                const bool sameRec = m.cellNumber(r, 0) == current.REC;
                const bool sameFolder = upperAscii(m.cellText(r, 5).toStdString()) == shown;
                if (current.PASNAME.empty() ? sameRec : (pass == 0 ? sameRec && sameFolder : sameFolder))
                    found = r;
            }
        }
        m_grid->setCurrentRow(found >= 0 ? found : m_grid->topRow());
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDataSentakuBox.DataListRefresh", kListRefreshFailed, true);
    } catch (const std::exception& e) {
        if (!records::noteConnectionLoss(e))
            ShowErrorDialog(kListRefreshFailed, e.what(), 1);
    }
}

void TDataSentakuBox::RefreshRowServer(int Row)
{
    auto* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    if (!rec || !DM)
        return;
    const int index = int(m_grid->model().cellNumber(Row, 14));
    const std::string folder = GetDataFolder(Row);
    const selection::ConnectionWatch watch;
    bool failed = false;
    const bool exists = DM->ServerFileOperation("FExist", platform::paths::join(folder, DataFile), "", &failed);
    // An error is no answer (it has been reported): the row, and whoever holds its lock, stay.
    if (failed)
        return;
    if (exists) {
        TDataInfomation::ClearDataInfoRec(m_infoRec);
        m_dataInfo.ReadIniFileCurHost(folder, m_infoRec);
        // Information that could not be read must not overwrite the row.
        if (watch.lost())
            return;
        SetDataListRec(*rec, false);
    } else if (!ZenkakuTrim(rec->ENTTEXT).empty()) {
        SetDataListRec(*rec, true);
    } else {
        return;
    }
    WriteDataListRec(*rec);
    showEntryAgain(index);
}
