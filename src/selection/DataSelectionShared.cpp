// TDataSentakuBox: data sets kept on a shared server in standalone use — assigning one to an
// empty row, fetching it here, storing it back, releasing the assignment, and the automatic
// fetch and store around the dialog's other operations.
#include "selection/DataSelectionDialog.h"

#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "selection/ServerSelectionDialog.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QCheckBox>

#include <algorithm>
#include <exception>

namespace {

bool isParentKind(int gassan) { return gassan == 1 || gassan == 2; }

void warn(const std::string& text) { ShowErrorDialog(text, "", 0); }

// A store or fetch that raised: said with the data set, its area and the reason.
void warnTransfer(bool store, const TDataListRec& entry, const std::string& reason)
{
    const std::string name = !entry.DispName.empty() ? entry.DispName : entry.ENTTEXT;
    warn(std::string(store ? "共有データの保管に失敗しました。共有データと作業中のデータは保管前のままです。"
                           : "共有データの取得に失敗しました。共有データは取得前のままです。") +
         "\r【データ】" + name + "\r【共有データパス】" + entry.PASNAME + "\r【理由】" + reason);
}

bool askYesNo(const char* text)
{
    return platform::messageBox(text, SystemDef.AppCaption,
                                platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDYES;
}

// The folder's share state back to free, but only where this login holds it: another
// operator's take-out is never released from here.
void releaseOwnTakeOut(TServerSentakuBox* box, const std::string& folder)
{
    if (!box || folder.empty() || !platform::files::directoryExists(folder))
        return;
    TDataInfomation info;
    TDataInfomationRec rec;
    TDataInfomation::ClearDataInfoRec(rec);
    try {
        info.ReadIniFileCurHost(folder, rec);
        if (rec.ShareStatus == 2 && rec.ShareOpCode != 0 && rec.ShareOpCode != SystemDef.LoginId)
            return;
        box->ChangeShareStatus(folder, 1);
    } catch (const std::exception& e) {
        warn(e.what());
    }
}

} // namespace

// ---- rows and entries ---------------------------------------------------------------------

int TDataSentakuBox::entryIndexOfRow(int Row) const
{
    if (!GetRowRec(Row))
        return -1;
    return int(m_grid->model().cellNumber(Row, 14));
}

int TDataSentakuBox::parentRowOf(int Row) const
{
    auto& m = m_grid->model();
    while (Row > 0 && m.cellText(Row, 0).isEmpty())
        --Row;
    return Row;
}

// Writes the entry's rows anew (its children follow it) and makes SelectRow current.
void TDataSentakuBox::showEntryAt(int Index, int SelectRow)
{
    if (Index < 0 || Index >= int(DataList.size()))
        return;
    int parent = -1;
    for (int r = 0; r < m_grid->rowCount(); ++r)
        if (!m_grid->model().cellText(r, 0).isEmpty() && m_grid->model().cellNumber(r, 14) == Index) {
            parent = r;
            break;
        }
    if (parent < 0)
        return;
    m_grid->setCurrentRow(parent);
    ShowDataList(Index);
    const int last = parent + int(DataList[std::size_t(Index)].Children.size());
    m_grid->setCurrentRow(std::clamp(SelectRow, parent, last));
}

void TDataSentakuBox::refocusGrid()
{
    m_grid->setFocus();
    SetFunctionKeys();
}

void TDataSentakuBox::markDamaged(int Row)
{
    auto* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    if (!rec)
        return;
    rec->DATA_STATUS = 1;
    SetGridRow(Row, *rec, m_grid->model().cellText(Row, 0).isEmpty());
    SetFunctionKeys();
}

// ---- the buttons --------------------------------------------------------------------------

void TDataSentakuBox::btnKyoyuDataDownClick()
{
    const int row = m_grid->currentRow();
    const TDataListRec* rec = GetRowRec(row);
    if (ConnectMode != 0 || !rec)
        return;
    if (rec->NETDRIVE == 1)
        KyoyuDataSyutoku(false);
    else if (!ZenkakuTrim(rec->ENTTEXT).empty())
        platform::messageBox("選択したフォルダには既にデータが登録されています。\r", "",
                             platform::MB_OK | platform::MB_ICONINFORMATION);
    else
        assignSharedData(row);
    raise();
    activateWindow();
    SetFunctionKeys();
}

void TDataSentakuBox::btnKyoyuDataUpClick()
{
    if (ConnectMode != 0)
        return;
    KyoyuDataHokan(false);
    raise();
    activateWindow();
    SetFunctionKeys();
}

// An empty local row takes a data set of the shared server: the operator picks it in the
// shared-server list, then it is fetched into the row's slot.
void TDataSentakuBox::assignSharedData(int Row)
{
    const int index = entryIndexOfRow(Row);
    if (index < 0 || !m_serverBox || !m_catalogue)
        return;
    m_serverBox->DriveLetter = ZenkakuTrim(SystemDef.ZenkaiDrive);
    m_serverBox->Prepare(1);

    // Hidden as a window only: the modal loop this dialog may run keeps going.
    QWidget::setVisible(false);
    int result = platform::mrCancel;
    try {
        result = platform::execDialog(*m_serverBox);
    } catch (const std::exception& e) {
        warn(e.what());
    }

    if (result == platform::mrOk) {
        TDataSentakuRec& entry = DataList[std::size_t(index)];
        std::string slot;
        {
            ProgressScope progress(this, "共有データ受信中", "共有データから受信中…");
            try {
                SystemDef.ZenkaiDrive = m_serverBox->DriveLetter;
                if (DM)
                    DM->fnPutSysDef();
                entry.NETDRIVE = 1;
                entry.PASNAME = m_serverBox->SelectedFolder;
                entry.ENTTEXT = m_serverBox->SelectedName;
                entry.DispName = m_serverBox->SelectedName;
                entry.LocalPath = m_catalogue->GetLocalDataPath(entry);
                slot = entry.LocalPath;
                if (m_catalogue->KyoyuDataDown(entry, 0) == 0)
                    releaseOwnTakeOut(m_serverBox, m_serverBox->SelectedFolder);
            } catch (const std::exception& e) {
                warn(e.what());
                releaseOwnTakeOut(m_serverBox, m_serverBox->SelectedFolder);
            }
            // What the catalogue now holds for the slot, whatever happened.
            try {
                TDataSentakuRec stored;
                if (!slot.empty() && m_catalogue->GetDataListRecordByPath(slot, stored) == 1) {
                    m_catalogue->NumberChildNames(stored);
                    entry = stored;
                }
            } catch (const std::exception& e) {
                warn(e.what());
            }
        }
        showEntryAt(index, Row);
    }

    m_keepPlaceOnShow = true;
    QWidget::setVisible(true);
    m_keepPlaceOnShow = false;
    raise();
    activateWindow();
    refocusGrid();
}

// ---- fetch and store ----------------------------------------------------------------------

int TDataSentakuBox::KyoyuDataSyutoku(bool Auto)
{
    const int row = m_grid->currentRow();
    const int index = entryIndexOfRow(row);
    if (index < 0 || !m_catalogue)
        return 0;
    if (!Auto && !askYesNo("共有データの取得を行います。よろしいですか？"))
        return 0;
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    const std::string folder = m_catalogue->GetLocalDataPath(entry);
    int answer = 0;
    {
        ProgressScope progress(this, "共有データ受信中", "共有データから受信中…");
        try {
            answer = m_catalogue->KyoyuDataDown(entry, Auto ? 1 : 0);
        } catch (const std::exception& e) {
            warnTransfer(false, entry, e.what());
            answer = 0;
        }
        // Only a folder that holds a data set gets its state back: no stub information file.
        if (answer <= 0 && platform::files::fileExists(platform::paths::join(folder, DataFile))) {
            try {
                m_dataInfo.SetShareStatus(folder, 1);
            } catch (const std::exception& e) {
                warn(e.what());
            }
        }
    }
    // The rows follow what the catalogue now holds for the entry (fetched: no share icon).
    showEntryAt(index, row);
    refocusGrid();
    return answer;
}

int TDataSentakuBox::KyoyuDataHokan(bool Auto)
{
    const int row = m_grid->currentRow();
    const int index = entryIndexOfRow(row);
    if (index < 0 || !m_catalogue)
        return 0;
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    const int quiet = Auto ? 1 : 0;
    if (DM && DM->fnDataHasonCheck(SystemDef.HostName, GetDataFolder(row), quiet, 0) == 0) {
        markDamaged(row);
        return 0;
    }
    if (isParentKind(entry.GASSAN)) {
        const int parentRow = parentRowOf(row);
        bool damaged = entry.DATA_STATUS == 1;
        if (!damaged && DM && DM->fnDataHasonCheck(SystemDef.HostName, entry.LocalPath, 1, 0) == 0) {
            markDamaged(parentRow);
            damaged = true;
        }
        for (std::size_t c = 0; !damaged && c < entry.Children.size(); ++c) {
            const TDataListRec& child = entry.Children[c];
            if (child.DATA_STATUS == 1) {
                damaged = true;
            } else if (DM && DM->fnDataHasonCheck(SystemDef.HostName, child.LocalPath, 1, 0) == 0) {
                markDamaged(parentRow + 1 + int(c));
                damaged = true;
            }
        }
        if (damaged && !Auto) {
            TMessage2InfoRec info;
            InitMessage2Info(mtInformation, info);
            info.Lines[0].Text = "合算・分散データに破損したデータが存在するため、共有データの保管を中止します。";
            info.Lines[1].Text = "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
            info.Lines[2].Text = "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。";
            ShowMessageBox2(info);
            SetFunctionKeys();
            return 0;
        }
    }
    if (!Auto && !askYesNo("共有データの保管を行います。よろしいですか？"))
        return 0;
    int answer = 0;
    {
        ProgressScope progress(this, "共有データ送信中", "共有データへ送信中…");
        try {
            answer = m_catalogue->KyoyuDataUp(entry, quiet);
        } catch (const std::exception& e) {
            warnTransfer(true, entry, e.what());
            answer = 0;
        }
    }
    // The share icon comes back only when the data set really went back to the server; a store
    // that did not happen leaves the rows as fetched here.
    showEntryAt(index, row);
    refocusGrid();
    return answer;
}

bool TDataSentakuBox::KyoyuAutoSync()
{
    if (ConnectMode != 0)
        return true;
    const TDataListRec* rec = GetRowRec(m_grid->currentRow());
    if (!rec)
        return false;
    if (GetShareKind(*rec) != 1)
        return true;
    if (KyoyuDataSyutoku(true) != 1)
        return false;
    return KyoyuDataHokan(true) == 1;
}

int TDataSentakuBox::KyoyuAutoStep(const std::string& Word)
{
    const TDataListRec* rec = GetRowRec(m_grid->currentRow());
    if (SystemDef.Reserve2Flag1 != 1 || !rec || ConnectMode != 0)
        return 1;
    const int kind = GetShareKind(*rec);
    if (Word == "download" && kind == 1)
        return KyoyuDataSyutoku(true);
    if (Word == "upload" && kind == 2)
        return KyoyuDataHokan(true);
    return 1;
}

bool TDataSentakuBox::KyoyuAutoStore(int FormAnswer)
{
    const int row = m_grid->currentRow();
    const TDataListRec* rec = GetRowRec(row);
    if (ConnectMode != 0 || !rec || GetShareKind(*rec) != 2)
        return true;
    const int index = entryIndexOfRow(row);
    if (FormAnswer == 1 && KyoyuDataHokan(true) != 1)
        return false;
    // Taken again at once, so the row stays fetched here.
    SetKyoyuLock(1, DataList[std::size_t(index)]);
    showEntryAt(index, row);
    refocusGrid();
    return true;
}

void TDataSentakuBox::SetKyoyuLock(int Lock, TDataSentakuRec& Entry)
{
    const int state = Lock == 1 ? 2 : 1;
    auto lockOne = [&](TDataListRec& rec) {
        rec.KYOYULOCK = Lock;
        if (m_catalogue)
            m_catalogue->UpdateDataListRecord(rec, 0, true);
        try {
            if (platform::files::directoryExists(rec.LocalPath))
                m_dataInfo.SetShareStatus(rec.LocalPath, state);
            if (m_serverBox)
                m_serverBox->ChangeShareStatus(rec.PASNAME, state);
        } catch (const std::exception& e) {
            warn(e.what());
        }
    };
    lockOne(Entry);
    if (isParentKind(Entry.GASSAN))
        for (TDataListRec& child : Entry.Children)
            lockOne(child);
}

// ---- release ------------------------------------------------------------------------------

bool TDataSentakuBox::KyoyuWariateKaijo()
{
    const int row = m_grid->currentRow();
    const int index = entryIndexOfRow(row);
    if (ConnectMode != 0 || index < 0 || !m_catalogue)
        return false;
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    auto& m = m_grid->model();
    const int parentRow = parentRowOf(row);
    m_msgBox->MsgKind = 0;
    m_msgBox->MsgCaption = "共有データの割当解除";
    m_msgBox->MsgText = "選択した共有データの割り当てを解除します。\rよろしいですか？";
    m_msgBox->MsgColor = platform::clWindowText;
    m_msgBox->SetLines({"【データ名】", "　" + m.cellText(parentRow, 2).toStdString(), "",
                        "【会計期間】", "　" + m.cellText(parentRow, 4).toStdString(), "",
                        "【共有データフォルダ】", "　" + m.cellText(parentRow, 5).toStdString()});
    m_msgBox->ApplySettings();
    if (platform::execDialog(*m_msgBox) != platform::mrOk) {
        refocusGrid();
        return false;
    }

    const bool wasFetched = entry.KYOYULOCK == 1;
    const std::string former = entry.PASNAME;
    const std::string local = m_catalogue->GetLocalDataPath(entry);
    bool removed = false;
    try {
        removed = DM && DM->RmDir(local, ConnectMode, false);
    } catch (const std::exception& e) {
        warn(e.what());
    }
    if (removed && wasFetched)
        releaseOwnTakeOut(m_serverBox, former);

    // The row is local again: an empty slot once its folder is gone, else the data set that
    // stayed in it keeps its names.
    const int rec = entry.REC;
    if (!platform::files::fileExists(platform::paths::join(local, DataFile))) {
        TDataSentakuRec empty;
        m_catalogue->InitDataListRecord(empty, local);
        empty.REC = rec;
        entry = empty;
    } else {
        entry.PASNAME = local;
        entry.LocalPath = local;
        entry.NETDRIVE = 0;
        entry.KYOYULOCK = 0;
    }
    try {
        m_catalogue->UpdateDataListRecord(entry, 1, true);
        if (entry.ENTTEXT.empty()) {
            m_catalogue->DeleteDataListChildRecord(entry, true);
            entry.Children.clear();
            entry.ChildCnt = 0;
        }
    } catch (const std::exception& e) {
        warn(e.what());
    }
    showEntryAt(index, parentRow);
    refocusGrid();
    return removed;
}
