// TDataSentakuBox: bringing list rows up to date from their data folders (更新), and the
// data-information dialog with its results (情報).
#include "selection/DataSelectionDialog.h"

#include "firebird/DatabaseError.h"
#include "platform/Files.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "selection/ConnectionWatch.h"
#include "selection/DataInfoDialog.h"
#include "selection/ServerRowStore.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"
#include "ui/ProgressDialog.h"

#include <QCoreApplication>

#include <stdexcept>

namespace {

using platform::text::upperAscii;

namespace paths = platform::paths;

constexpr platform::TColor kDamagedBack = 0x0000FF;
const char* const kNotResponding = "データリストが応答状態ではないので処理は行えません。";
const char* const kRefreshFailed = "データリストの更新に失敗しました。";
const char* const kDamagedChildName = "破損データ";
const char* const kInfoFailed = "データ情報の更新に失敗しました。";

using selection::DataListRules;

bool isNamed(const TDataListRec& r) { return DataListRules::isNamed(r); }

// Kept on the shared server and not fetched here: the local slot is empty by nature.
bool keptOnServer(const TDataListRec& r) { return DataListRules::shareKind(r) == 1; }

bool fetchedHere(const TDataListRec& r) { return r.NETDRIVE == 1 && r.KYOYULOCK == 1; }

void information(const char* text)
{
    platform::messageBox(text, SystemDef.AppCaption, platform::MB_OK | platform::MB_ICONINFORMATION);
}

} // namespace

void TDataSentakuBox::createListTools()
{
    m_infoBox = new TDataSyosaiInfoBox(this);
    m_listProgress = new TxAnimeProgressDialog(this);
    m_btnListUpdate->OnClick = [this](QObject*) { btnListUpdateClick(); };
    m_btnDataInfo->OnClick = [this](QObject*) { btnDataInfoClick(); };
    // The server modes' refresh and information come with the client/server work.
    const bool standalone = ConnectMode == 0;
    m_btnListUpdate->setEnabled(standalone);
    m_btnDataInfo->setEnabled(standalone);
}

// ---- the work record and the catalogue ---------------------------------------------------

void TDataSentakuBox::SetDataListRec(TDataListRec& Rec, bool Clear)
{
    if (Clear) {
        TDataListRec c;
        c.REC = Rec.REC;
        c.GROUPID = SystemDef.GroupId;
        c.NENDO = 1;
        c.NETDRIVE = Rec.NETDRIVE;
        c.PASNAME = Rec.PASNAME;
        if (c.NETDRIVE == 1) {
            c.ENTTEXT = KyoyuEmptyArea;
            c.KYOYULOCK = 1;
        }
        c.DispName = c.ENTTEXT;
        c.LocalPath = m_catalogue ? m_catalogue->GetLocalDataPath(c) : Rec.LocalPath;
        Rec = c;
        return;
    }
    if (!m_catalogue)
        return;
    selection::DataInfoRec info = selection::toDataInfoRec(m_infoRec);
    // The data's own list name; without one the row keeps its name (the company name when empty).
    if (info.DATALISTNAME.empty())
        info.DATALISTNAME = Rec.ENTTEXT;
    m_catalogue->DataInfomationToRecord(info, Rec);
    // A child stays a child: its row lives in the child table.
    if (Rec.ROWNO == 0 && Rec.GASSAN != GassanChild)
        Rec.GASSAN = m_infoRec.GassanKbn;
    if (Rec.KISHU == 0 || Rec.KIMATU == 0)
        Rec.KikanText.clear();
}

void TDataSentakuBox::WriteDataListRec(const TDataListRec& Rec)
{
    if (ZenkakuTrim(Rec.PASNAME).empty())
        throw std::runtime_error("データフォルダパスが不正です。\r処理を中止します。");
    if (m_catalogue)
        m_catalogue->UpdateDataListRecord(Rec, 1, true);
}

// The entry's rows written anew; a parent with a damaged child stays red.
void TDataSentakuBox::showEntryAgain(int Index)
{
    auto& m = m_grid->model();
    for (int row = 0; row < m.rowCount(); ++row) {
        if (m.cellText(row, 0).isEmpty() || m.cellNumber(row, 14) != Index)
            continue;
        showEntry(Index, row);
        const TDataSentakuRec& entry = DataList[std::size_t(Index)];
        for (const TDataListRec& child : entry.Children) {
            if (child.DATA_STATUS == 1) {
                m.setRowBackColor(row, kDamagedBack);
                m.setRowActiveTextColor(row, platform::clWindowText);
                break;
            }
        }
        return;
    }
}

// ---- refresh ------------------------------------------------------------------------------

void TDataSentakuBox::DataListRefresh(int Row)
{
    if (Row < 0) {
        // The rows stop at the first lost connection: after it each would fail alike.
        const selection::ConnectionWatch watch;
        if (ConnectMode != 0)
            RefreshListServer();
        if (watch.lost())
            return;
        // Rows shift as children vanish or appear: each entry seen now is found again by its
        // parent and folder before its refresh, and skipped once gone.
        struct Target {
            int index;
            std::string child; // the child's folder, empty for the parent
        };
        std::vector<Target> targets;
        auto& m = m_grid->model();
        for (int row = 0; row < m.rowCount(); ++row) {
            const TDataListRec* rec = GetRowRec(row);
            if (!rec)
                continue;
            const bool child = m.cellText(row, 0).isEmpty();
            targets.push_back({int(m.cellNumber(row, 14)), child ? upperAscii(rec->PASNAME) : std::string()});
        }
        auto locate = [&](const Target& t) {
            for (int row = 0; row < m.rowCount(); ++row) {
                if (m.cellNumber(row, 14) != t.index)
                    continue;
                const bool childRow = m.cellText(row, 0).isEmpty();
                const bool childTarget = !t.child.empty();
                if (childRow != childTarget)
                    continue;
                if (!childRow)
                    return row;
                const TDataListRec* rec = GetRowRec(row);
                if (rec && upperAscii(rec->PASNAME) == t.child)
                    return row;
            }
            return -1;
        };
        const bool cancellable = m_listProgress->shown();
        for (std::size_t i = 0; i < targets.size() && !watch.lost(); ++i) {
            if (cancellable && m_listProgress->Cancelled)
                break;
            if (cancellable)
                m_listProgress->setInfoLabel(QStringLiteral("データリスト（%1行目）の更新中…").arg(i + 1));
            const int row = locate(targets[i]);
            if (row >= 0) {
                try {
                    DataListRefresh(row);
                } catch (const firebird::DatabaseError& e) {
                    HandleDbError(e, "TDataSentakuBox.DataListRefresh", kRefreshFailed, true);
                } catch (const std::exception& e) {
                    if (!records::noteConnectionLoss(e))
                        ShowErrorDialog(kRefreshFailed, e.what(), 1);
                }
            }
            QCoreApplication::processEvents();
        }
        return;
    }

    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    if (!rec)
        return;
    if (rec->DATA_STATUS == 1) {
        auto& m = m_grid->model();
        m.setCellNumber(Row, 16, 1);
        m.setRowBackColor(Row, kDamagedBack);
        m.setRowActiveTextColor(Row, platform::clWindowText);
        return;
    }
    if (ConnectMode != 0)
        RefreshRowServer(Row);
    else
        RefreshRowStandalone(Row);
}

void TDataSentakuBox::RefreshRowStandalone(int Row)
{
    auto& m = m_grid->model();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    if (!rec || !DM)
        return;
    const bool isChild = m.cellText(Row, 0).isEmpty();
    const int index = int(m.cellNumber(Row, 14));
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    const std::string folder = GetDataFolder(Row);
    const std::string file = paths::join(folder, DataFile);
    bool childRemoved = false;

    if (DM->FExist(file, 0)) {
        m_dataInfo.ReadIniFileCurHost(folder, m_infoRec);
        TDataInfomationRec fromData;
        SystemDef.DataBroken = 0;
        if (m_dataInfo.GetDataInfoRecOfPath(folder, fromData)) {
            m_dataInfo.WriteIniValue(folder, "DATASTS", false, std::to_string(fromData.UpdateLock), "UPDATE_LOCK");
            m_dataInfo.WriteIniFile(folder, "DATAINFO", fromData);
            m_dataInfo.ReadIniFileCurHost(folder, m_infoRec);
            SetDataListRec(*rec, false);
            WriteDataListRec(*rec);
            if (!isChild)
                RescanChildren(index);
        } else if (SystemDef.DataBroken == 1) {
            rec->DATA_STATUS = 1;
        }
    } else {
        // A shared row kept on the server has no local data by nature: clearing it would
        // publish its area as empty to every installation.
        if (keptOnServer(*rec))
            return;
        if (rec->NETDRIVE == 0) {
            const std::string ini = paths::join(folder, DataIniFile);
            if (platform::files::fileExists(ini))
                ShellFileDelete(ini, FO_DELETE, false, true);
        }
        if (isNamed(*rec)) {
            if (!isChild) {
                SetDataListRec(*rec, true);
                entry.Children.clear();
                entry.ChildCnt = 0;
                WriteDataListRec(*rec);
            } else if (m_catalogue) {
                m_catalogue->DeleteChildItem(entry, int(m.cellNumber(Row, 15)));
                childRemoved = true;
            }
        }
    }

    TDataListRec stored;
    const bool store = !childRemoved && fetchedHere(*rec);
    if (store)
        stored = *rec;
    showEntryAgain(index);
    if (store && m_catalogue) {
        try {
            selection::StoreServerRow(*m_catalogue, stored, m_dataInfo);
        } catch (const std::exception&) {
            // The shared list catches up at the next store.
        }
    }
}

void TDataSentakuBox::RescanChildren(int Index)
{
    TDataSentakuRec& parent = DataList[std::size_t(Index)];
    if (!m_catalogue || !(parent.NETDRIVE == 0 || fetchedHere(parent)))
        return;
    for (const TDataListRec& child : parent.Children)
        if (child.DATA_STATUS == 1)
            return; // shown red by showEntryAgain
    m_catalogue->DeleteDataListChildRecord(parent, true);
    parent.Children.clear();
    parent.ChildCnt = 0;
    if (parent.GASSAN != GassanConsolidated && parent.GASSAN != GassanHonshiten)
        return;

    const std::string parentPath = m_catalogue->GetLocalDataPath(parent);
    std::vector<std::string> names;
    m_catalogue->GetSubFolderNames(parentPath, names);
    for (const std::string& name : names) {
        const std::string local = paths::join(parentPath, name);
        if (!DM->FExist(paths::join(local, DataFile), 0))
            continue;
        TDataListRec child;
        m_catalogue->InitDataListRecord(child, parent.PASNAME + "\\" + name);
        child.REC = parent.REC;
        child.ROWNO = int(parent.Children.size()) + 1;
        child.NETDRIVE = parent.NETDRIVE;
        child.KYOYULOCK = parent.KYOYULOCK;
        child.GASSAN = GassanChild;
        child.LocalPath = m_catalogue->GetLocalDataPath(child);

        TDataInfomationRec fromData;
        if (m_dataInfo.GetDataInfoRecOfPath(child.LocalPath, fromData)) {
            m_catalogue->DataInfomationToRecord(selection::toDataInfoRec(fromData), child);
            WriteDataListRec(child);
            m_dataInfo.WriteIniValue(child.LocalPath, "DATASTS", false, std::to_string(fromData.UpdateLock),
                                     "UPDATE_LOCK");
            m_dataInfo.WriteIniFile(child.LocalPath, "DATAINFO", fromData);
        } else {
            TDataInfomationRec fromFile;
            m_dataInfo.ReadIniFileCurHost(child.LocalPath, fromFile);
            m_catalogue->DataInfomationToRecord(selection::toDataInfoRec(fromFile), child);
            if (ZenkakuTrim(child.ENTTEXT).empty()) {
                child.ENTTEXT = kDamagedChildName;
                child.SHOUGOU = parent.SHOUGOU;
                child.NENDO = parent.NENDO;
                child.KISHU = parent.KISHU;
                child.KIMATU = parent.KIMATU;
                child.KikanText = parent.KikanText;
                child.DATATYPE = parent.DATATYPE;
                child.CODETYPE = parent.CODETYPE;
                child.TANTOU = parent.TANTOU;
                child.VER_MAJOR = parent.VER_MAJOR;
                child.VER_MINOR1 = parent.VER_MINOR1;
                child.VER_MINOR2 = parent.VER_MINOR2;
                child.VER_TEXT = parent.VER_TEXT;
                child.DispName = child.ENTTEXT;
            }
            child.DATA_STATUS = 1;
            WriteDataListRec(child);
        }
        parent.Children.push_back(child);
        parent.ChildCnt = int(parent.Children.size());
    }
}

void TDataSentakuBox::btnListUpdateClick()
{
    if (!m_grid->isEnabled()) {
        information(kNotResponding);
        return;
    }
    if (platform::messageBox("データリストの更新をおこないます。\rよろしいですか？", SystemDef.AppCaption,
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return;
    m_listProgress->setCaption(QStringLiteral("更新中"));
    m_listProgress->setInfoLabel(QStringLiteral("データリストの更新中…"));
    m_listProgress->setAviFile(QString::fromStdString(SystemDef.ExeFolder + "\\progress.avi"));
    m_listProgress->setCancelBtnShow(true);
    m_listProgress->Show(this);
    const selection::ConnectionWatch watch;
    try {
        DataListRefresh(-1);
    } catch (const std::exception& e) {
        if (!records::noteConnectionLoss(e))
            ShowErrorDialog(kRefreshFailed, e.what(), 1);
    }
    m_listProgress->Close();
    show();
    watch.report();
    SetFunctionKeys();
}

// ---- 情報 -----------------------------------------------------------------------------------

void TDataSentakuBox::btnDataInfoClick()
{
    if (!m_grid->isEnabled()) {
        information(kNotResponding);
        return;
    }
    if (!GetRowRec(m_grid->currentRow()))
        return;
    const selection::ConnectionWatch watch;
    // No error may cross the event loop.
    try {
        showDataInfo();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDataSentakuBox.btnDataInfoClick", kInfoFailed, true);
    } catch (const std::exception& e) {
        if (!records::noteConnectionLoss(e))
            ShowErrorDialog(kInfoFailed, e.what(), 1);
    }
    watch.report();
    SetFunctionKeys();
}

void TDataSentakuBox::showDataInfo()
{
    const int row = m_grid->currentRow();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (!rec)
        return;
    const std::string folder = GetDataFolder(row);
    // Every step below stops at a lost connection; the caller reports it.
    const selection::ConnectionWatch watch;
    if ((rec->KISHU != 0 || rec->KIMATU != 0) && rec->DATA_STATUS != 1 && DM &&
        DM->fnDataHasonCheck(SystemDef.HostName, folder, 0, 0) == 0) {
        rec->DATA_STATUS = 1;
        DataListRefresh(row);
    }
    if (watch.lost())
        return;

    TDataSyosaiInfoBox& box = *m_infoBox;
    box.ServerList = 0;
    box.ListRow = rec;
    box.DataFolder = upperAscii(folder);
    box.UpdateLock = rec->UPDATE_LOCK;
    box.ListName = rec->ENTTEXT;
    box.ViewOnly = GetShareKind(*rec) == 1 ? 1 : 0;
    box.Prepare(1);
    if (watch.lost())
        return;
    const int result = platform::execDialog(box);

    bool changed = false;
    if (result == platform::mrOk) {
        // The clear comes first whatever the state: a data set left "使用中" is the very case
        // it exists for, and once cleared the new name and lock can be stored as well.
        if (box.ClearStatus) {
            m_dataInfo.SetDataStatus(folder, 1);
            rec->DATALOCK = 0;
            m_grid->model().setCellPicture(row, 7, m_pictures[0]);
            m_grid->model().setCellNumber(row, 9, 0);
            changed = true;
        }
        const int state = CheckDataStatus(folder, true, false);
        const bool accepted = !watch.lost() && (state == 1 || (ConnectMode != 0 && state == 2));
        if (accepted) {
            TDataInfomationRec update;
            TDataInfomation::ClearDataInfoRec(update);
            update.DataListName = box.ListName;
            update.UpdateLock = box.UpdateLock;
            m_dataInfo.UpdateDataInfomation(SystemDef.HostName, folder, update);
            rec->ENTTEXT = box.ListName;
            rec->DispName = box.ListName;
            rec->UPDATE_LOCK = box.UpdateLock;
            auto& m = m_grid->model();
            const int index = int(m.cellNumber(row, 14));
            if (m_catalogue)
                m_catalogue->NumberChildNames(DataList[std::size_t(index)]);
            m.setCellText(row, 2, QString::fromStdString(rec->DispName));
            m.setCellNumber(row, 12, rec->UPDATE_LOCK);
            m_dataInfo.WriteIniValue(folder, "DATAINFO", false, rec->ENTTEXT, "DATALISTNAME");
            m_dataInfo.WriteIniValue(folder, "DATASTS", false, std::to_string(rec->UPDATE_LOCK), "UPDATE_LOCK");
            if (fetchedHere(*rec) && m_catalogue) {
                try {
                    selection::StoreServerRow(*m_catalogue, *rec, m_dataInfo);
                } catch (const std::exception&) {
                    // The shared list catches up at the next store.
                }
            }
            changed = true;
        }
        if (changed) {
            try {
                WriteDataListRec(*rec);
            } catch (const std::exception& e) {
                if (!records::noteConnectionLoss(e))
                    ShowErrorDialog(e.what(), "", 1);
            }
            SetGridRow(row, *rec, m_grid->model().cellText(row, 0).isEmpty());
            CheckUpdateLock(row, true);
        }
    }
    if (box.Rebuilt) {
        rec->DATA_STATUS = 0;
        try {
            WriteDataListRec(*rec);
            DataListRefresh(row);
        } catch (const firebird::DatabaseError& e) {
            HandleDbError(e, "TDataSentakuBox.DataListRefresh", kRefreshFailed, true);
        } catch (const std::exception& e) {
            if (!records::noteConnectionLoss(e))
                ShowErrorDialog(kRefreshFailed, e.what(), 1);
        }
        m_grid->setCurrentRow(row);
    }
    // Back to the list: arrows must not reach the check boxes below it.
    m_grid->setFocus();
}

// The client/server steps (RefreshListServer, RefreshRowServer) are in DataSelectionServer.cpp.
