// TDataSentakuBox: save (F6), restore (F7), take-out and bring-back of a server data set
// (F3 "F3:持ち出し"), and the choice of the second dialog of those two (type 5).
#include "selection/DataSelectionDialog.h"

#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/SpecialFolders.h"
#include "records/DatabaseWorker.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextRoutines.h"
#include "selection/WhichDataSetDialog.h"
#include "ui/FileOperationDialog.h"
#include "ui/ListGrid.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

namespace paths = platform::paths;

constexpr const char* kTempRefused = "このフォルダは選択出来ません。他の場所を選んで下さい。";
constexpr const char* kTitle = "データ選択";

void warn(const std::string& text) { ShowErrorDialog(text, "", 0); }

bool sameFolder(const std::string& a, const std::string& b)
{
    return !a.empty() && !b.empty() &&
           paths::samePath(paths::excludeTrailingDelimiter(a), paths::excludeTrailingDelimiter(b));
}

int showBox2(std::uint8_t kind, const std::string& line1, const std::string& line2 = "")
{
    TMessage2InfoRec info;
    InitMessage2Info(kind, info);
    info.Lines[0].Text = line1;
    info.Lines[1].Text = line2;
    return ShowMessageBox2(info);
}

std::string versionText(const TDataInfomationRec& r)
{
    return std::to_string(r.VerMajor) + "." + std::to_string(r.VerMinor1) + "." +
           std::to_string(r.VerMinor2);
}

// The progress window of one save or restore, closed on every way out.
class WorkProgress {
public:
    WorkProgress(QWidget* form, const char* caption, const char* line)
    {
        m_dialog.setParentHandle(form);
        m_dialog.setCaption(QString::fromUtf8(caption));
        m_dialog.setInfoLabel(QString::fromUtf8(line));
        m_dialog.setAviFile(QString::fromStdString(
            paths::toNative(paths::join(SystemDef.ExeFolder, "progress.avi")).string()));
        m_dialog.setCancelBtnShow(false);
        m_dialog.Show(form);
    }
    ~WorkProgress() { close(); }
    void line(const char* text) { m_dialog.setInfoLabel(QString::fromUtf8(text)); }
    void close()
    {
        if (m_open)
            m_dialog.Close();
        m_open = false;
    }

private:
    TxAnimeProgressDialog m_dialog;
    bool m_open = true;
};

// The folder box of the save (mode 3) or the restore (mode 2): both keep one history of backup
// folders; the hint shows the same text in both of its parts.
void setUpBackupFolderBox(TFileOperationBox& box, int mode, const char* caption, const char* message,
                          const std::string& hint)
{
    box.OperationMode = mode;
    box.UseHistory = true;
    box.HistoryFolder = SystemDef.IniFolder;
    box.HistoryFile = "history.ini";
    box.HistorySection = "DataBackFolder";
    box.DlgCaption = caption;
    box.DlgMessage = message;
    box.MessageColor = platform::clRed;
    box.LocationCaption = "保存先の場所:";
    box.LocationHint = hint + "|" + hint;
}

// Runs the worker as its callers do: resumed, polled every 300 ms, joined.
void runWorker(TBackupRestoreThread& th)
{
    th.Resume();
    while (!th.IsTerminated())
        WaitMSec(300);
    th.wait();
}

std::string workerMessage(const TBackupRestoreThread& th)
{
    std::string text = th.ErrMessage;
    if (!th.ErrMessage2.empty())
        text += "\r" + th.ErrMessage2;
    return text;
}

} // namespace

void TDataSentakuBox::showSaveRestoreWarning(const std::string& Text)
{
    if (!Text.empty())
        showBox2(mtWarning, Text);
}

// ---- save ---------------------------------------------------------------------------------

int TDataSentakuBox::DataHozon(const std::string& Folder, QWidget* Owner)
{
    int row = m_grid->currentRow();
    if (!GetRowRec(row) || !DM)
        return 0;
    if (ConnectMode == 0 && !KyoyuAutoSync())
        return 0;
    row = m_grid->currentRow();
    const int index = entryIndexOfRow(row);
    const std::string folder = GetDataFolder(row);
    if (index < 0 || folder.empty())
        return 0;
    if (DM->fnDataHasonCheck(SystemDef.HostName, folder, 0, 0) == 0) {
        markDamaged(row);
        return 0;
    }
    int state = CheckDataStatus(folder, true, true);
    if (state == 2 && ConnectMode != 0) {
        if (showBox2(mtConfirmation, "このデータは、他のオペレータが使用中です。保存処理を続行しますか？") !=
            platform::mrOk)
            return 0;
        state = 1;
    }
    if (state != 1 || !m_dataInfo.IsUseData(folder))
        return 0;

    const std::string backupName = DataBackupFile;
    std::string target;
    if (!Folder.empty()) {
        target = paths::excludeTrailingDelimiter(Folder);
        const std::string old = paths::join(target, backupName);
        if (platform::files::fileExists(old) && !DM->FDel(old, 0, false)) {
            warn("バックアップファイルを削除出来ませんでした。\r" + old);
            return 0;
        }
    } else {
        if (!m_saveBox) {
            m_saveBox = new TFileOperationBox(Owner ? Owner : this);
            setUpBackupFolderBox(*m_saveBox, 3, "データの保存", "選択中のデータを保存します。",
                                 "ﾃﾞｰﾀを保存する場所を選択します。変更する場合は［参照］を押してください。");
        }
        for (;;) {
            m_saveBox->InitialFolder = SystemDef.DocumentFolder;
            m_saveBox->ApplySettings();
            if (platform::execDialog(*m_saveBox) != platform::mrOk)
                return 0;
            target = paths::excludeTrailingDelimiter(m_saveBox->ResultPath);
            if (sameFolder(target, SystemDef.TempFolder)) {
                showBox2(mtInformation, kTempRefused);
                continue;
            }
            break;
        }
    }
    if (!platform::files::directoryExists(target) && !ForceFolder(target)) {
        showSaveRestoreWarning("バックアップフォルダの作成に失敗しました。");
        return 0;
    }
    const std::string backupFile = paths::join(target, backupName);
    if (Folder.empty() && platform::files::fileExists(backupFile) &&
        showBox2(mtConfirmation, "この場所には、同じ名前のバックアップファイルが既に存在します。",
                 "上書きしますか？") != platform::mrOk)
        return 0;

    TDataInfomationRec info;
    TDataInfomation::ClearDataInfoRec(info);
    m_dataInfo.ReadIniFileCurHost(folder, info);

    int result = -1;
    std::string failure;
    // Written beside the backup and renamed over it when whole: a failed save keeps the backup
    // that was there.
    const std::string staging = paths::join(target, "dwacc.fb_");
    m_dataInfo.SetDataStatus(folder, 4);
    {
        WorkProgress progress(this, "保存中", "保存中、しばらくお待ちください…");
        showEntryAt(index, row);
        try {
            TBackupRestoreThread th(true);
            th.ProcessName = kTitle;
            th.Mode = 0;
            th.ServerKind = ConnectMode == 0 ? 0 : 1;
            th.HostName = SystemDef.HostName;
            th.DBPath = paths::join(folder, DataFile);
            th.BackupFile = staging;
            th.ActiveIndexes = 1;
            th.ClearZoneInfo();
            th.ZoneShougou = info.Shougou;
            th.ZoneKishu = info.Kishu;
            th.ZoneKimatu = info.Kimatu;
            th.ZoneSiwake = info.Siwake;
            th.ZoneTotalSiwake = info.TotalSiwake;
            th.ZoneDataVersion = versionText(info);
            th.ZoneGassan = info.GassanKbn;
            th.ZoneUseMyNumber = info.UseMyNumber;
            th.WriteZone = 1;
            th.AskMyNumber = 1;
            th.LogMyNumber = 1;
            runWorker(th);
            if (th.Success != 1)
                failure = workerMessage(th);
            else if (DM->FMove(staging, backupFile, 0))
                result = 1;
            else
                failure = "バックアップファイルを作成出来ませんでした。\r" + backupFile;
        } catch (const std::exception& e) {
            failure = e.what();
        }
        // Desktop files show by themselves: file managers watch their folders.
        if (windowHandle())
            ForceForegroundWindow(windowHandle());
    }
    m_dataInfo.SetDataStatus(folder, 1);
    if (result != 1) {
        if (platform::files::fileExists(staging))
            DM->FDel(staging, 0, false);
        showSaveRestoreWarning(failure.empty() ? "データベースの保存処理を中止しました。" : failure);
    }
    showEntryAt(index, row);
    refocusGrid();
    return result;
}

// ---- restore ------------------------------------------------------------------------------

int TDataSentakuBox::DataFukugen(const std::string& Folder, QWidget* Owner)
{
    // The restore's source takes the copy source's place: a pending copy ends first.
    if (CopyMode)
        EndCopyMode();
    int row = m_grid->currentRow();
    const TDataListRec* rec = GetRowRec(row);
    if (!rec || !DM)
        return -1;
    const int index = entryIndexOfRow(row);
    const std::string folder = GetDataFolder(row);
    if (index < 0 || folder.empty())
        return -1;
    const bool serverModes = ConnectMode != 0;
    constexpr const char* kInUse = "このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。";

    bool damaged = rec->DATA_STATUS == 1;
    if (damaged) {
        try {
            if (DM->IBDatabaseDAT.connected())
                DM->fnAccDatDisconnected(folder, 0, 0);
        } catch (const std::exception& e) {
            warn(e.what());
            return -1;
        }
    } else if (rec->KISHU != 0 && DM->fnDataHasonCheck(SystemDef.HostName, folder, 0, 0) == 0) {
        markDamaged(row);
        damaged = true;
    } else {
        const int state = CheckDataStatus(folder, false, true);
        if (serverModes && state == 2) {
            warn(kInUse);
            return -1;
        }
        if (state != 1 || !m_dataInfo.IsUseData(folder))
            return -1;
    }

    // Where the backup comes from.
    bool fromOwnServerFolder = false;
    std::string source;
    if (!Folder.empty()) {
        source = paths::excludeTrailingDelimiter(Folder);
    } else {
        if (!m_restoreBox) {
            m_restoreBox = new TFileOperationBoxEx1(Owner ? Owner : this);
            setUpBackupFolderBox(*m_restoreBox, 2, "データの復元",
                                 "指定された保存先の場所にバックアップファイルがある場合は、商号、会計期間および仕訳数をチェックし、条件が満たされれば復元されます。",
                                 "ﾃﾞｰﾀが保存されている場所を選択します。変更する場合は［参照］を押してください。");
            m_restoreBox->SetSelect1Caption("保存先の場所を選択して復元する");
            m_restoreBox->SetSelect2Caption("プログラムの既定の保存先の場所より復元する");
        }
        m_restoreBox->SetSelectMode(1);
        for (;;) {
            m_restoreBox->InitialFolder = SystemDef.DocumentFolder;
            m_restoreBox->ApplySettings();
            if (platform::execDialog(*m_restoreBox) != platform::mrOk)
                return -1;
            if (m_restoreBox->SelectMode == 2) {
                source = folder;
                fromOwnServerFolder = serverModes;
                break;
            }
            source = paths::excludeTrailingDelimiter(m_restoreBox->ResultPath);
            if (sameFolder(source, SystemDef.TempFolder)) {
                showBox2(mtInformation, kTempRefused);
                continue;
            }
            break;
        }
    }

    {
        const int state = CheckDataStatus(folder, false, true);
        if (serverModes && state == 2) {
            warn(kInUse);
            return -1;
        }
        if (state != 1 && state != 10)
            return -1;
    }
    const std::string sourceFile = paths::join(source, DataBackupFile);
    if (!DM->FExist(sourceFile, fromOwnServerFolder ? ConnectMode : 0)) {
        char text[512];
        std::snprintf(text, sizeof text, "この場所には、バックアップファイル(%s)がありませんでした。",
                      DataBackupFile.c_str());
        showBox2(mtInformation, text);
        return -1;
    }

    int result = -1;
    bool ran = false;
    std::string serverWork;
    auto entryNow = [&]() -> TDataSentakuRec& { return DataList[std::size_t(index)]; };
    {
        WorkProgress progress(this, "復元中", "復元中、しばらくお待ちください…");
        // The lock keeps other operators away while the data is replaced; it goes on every
        // way out.
        struct RowLock {
            TDataSentakuBox& box;
            int index;
            bool on = false;
            ~RowLock()
            {
                if (!on)
                    return;
                box.DataList[std::size_t(index)].DATALOCK = 0;
                try {
                    if (box.m_catalogue)
                        box.m_catalogue->UpdateDataListRecord(box.DataList[std::size_t(index)], 0, true);
                } catch (const std::exception& e) {
                    warn(e.what());
                }
            }
        } lock{*this, index};
        if (serverModes && m_catalogue) {
            entryNow().DATALOCK = SystemDef.LoginCode;
            lock.on = m_catalogue->UpdateDataListRecord(entryNow(), 0, true);
        }
        const std::string temp = SystemDef.TempFolder;
        for (const std::string& name : {DataBackupFile, DataFile, DataIniFile}) {
            const std::string stale = paths::join(temp, name);
            if (platform::files::fileExists(stale))
                DM->FDel(stale, 0, false);
        }
        // The server work folder: removed at the end when made here.
        struct ServerWork {
            std::string folder;
            ~ServerWork()
            {
                if (folder.empty() || !DM)
                    return;
                try {
                    DM->RmDir(folder, ConnectMode, false);
                } catch (const std::exception&) {
                }
            }
        } work;

        std::string backupFile;
        TBackupRestoreThread zone(true);
        bool hasZone = false;
        try {
            if (fromOwnServerFolder) {
                serverWork = folder.substr(0, 2) + "\\morabyzaimu\\temp\\" + std::to_string(SystemDef.LoginId);
                if (!DM->DExist(serverWork, ConnectMode) && DM->MkDir(serverWork, ConnectMode))
                    work.folder = serverWork;
                backupFile = sourceFile;
            } else {
                backupFile = paths::join(temp, DataBackupFile);
                if (!DM->FCopy(sourceFile, backupFile, 0)) {
                    progress.close();
                    warn("ワーク領域にファイルをコピー出来なかったため、復元処理は失敗しました。");
                    return -1;
                }
                hasZone = zone.ReadZoneInfo(backupFile, true);
            }

            bool consent = true;
            const bool targetHasData = DM->FExist(paths::join(folder, DataFile), ConnectMode);
            if (!damaged) {
                CopySource = TDataSentakuRec{};
                if (targetHasData) {
                    progress.line("照合チェック中、しばらくお待ちください…");
                    TDataInfomationRec sourceInfo;
                    TDataInfomation::ClearDataInfoRec(sourceInfo);
                    if (hasZone) {
                        sourceInfo.Shougou = zone.ZoneShougou;
                        sourceInfo.Kishu = zone.ZoneKishu;
                        sourceInfo.Kimatu = zone.ZoneKimatu;
                        sourceInfo.Siwake = zone.ZoneSiwake;
                        sourceInfo.TotalSiwake = zone.ZoneTotalSiwake;
                        sourceInfo.VerName = zone.ZoneDataVersion;
                        sourceInfo.GassanKbn = std::uint8_t(zone.ZoneGassan);
                        sourceInfo.UseMyNumber = zone.ZoneUseMyNumber;
                    } else {
                        // No trailer: the backup is restored into the work location and read there.
                        TBackupRestoreThread probe(true);
                        probe.ProcessName = kTitle;
                        probe.Mode = 1;
                        probe.ActiveIndexes = 1;
                        probe.BackupFile = backupFile;
                        std::string probeFolder;
                        if (fromOwnServerFolder) {
                            probe.ServerKind = 0;
                            probe.HostName = SystemDef.HostName;
                            probeFolder = serverWork;
                        } else {
                            probe.ServerKind = 0;
                            probe.HostName = "127.0.0.1";
                            probeFolder = temp;
                        }
                        probe.DBPath = paths::join(probeFolder, DataFile);
                        runWorker(probe);
                        if (probe.Success != 1) {
                            progress.close();
                            warn(workerMessage(probe));
                            return -1;
                        }
                        m_dataInfo.ReadIniFile(probe.HostName, probeFolder, sourceInfo);
                    }
                    progress.close();
                    consent = CheckPastePattern("復元", sourceInfo, folder) == 1;
                }
            } else {
                progress.close();
                consent = showBox2(mtConfirmation, "このデータは破損データのため、データ間の照合チェックは行わずに復元を行います。",
                                   "よろしいですか？") == platform::mrOk;
            }
            if (!consent)
                return -1;

            WorkProgress running(this, "復元中", "復元中、しばらくお待ちください…");
            if (!DM->DExist(folder, ConnectMode))
                DM->MkDir(folder, ConnectMode);
            m_dataInfo.SetDataStatus(folder, 5);
            TBackupRestoreThread th(true);
            th.ClearZoneInfo();
            if (hasZone) {
                th.ZoneShougou = zone.ZoneShougou;
                th.ZoneKishu = zone.ZoneKishu;
                th.ZoneKimatu = zone.ZoneKimatu;
                th.ZoneSiwake = zone.ZoneSiwake;
                th.ZoneTotalSiwake = zone.ZoneTotalSiwake;
                th.ZoneDataVersion = zone.ZoneDataVersion;
                th.ZoneGassan = zone.ZoneGassan;
                th.ZoneUseMyNumber = zone.ZoneUseMyNumber;
            }
            th.ProcessName = kTitle;
            th.Mode = 1;
            th.ServerKind = fromOwnServerFolder || !serverModes ? 0 : 1;
            th.HostName = SystemDef.HostName;
            th.DBPath = paths::join(folder, DataFile);
            th.BackupFile = backupFile;
            th.ActiveIndexes = 1;
            th.LogMyNumber = 1;
            ran = true;
            runWorker(th);
            running.close();
            if (th.Success != 1) {
                warn(workerMessage(th));
            } else {
                result = 1;
                // A consolidated target restored from another company loses its distributed
                // children, only now that the restore has succeeded.
                TDataSentakuRec& entry = entryNow();
                if (!serverModes && (entry.GASSAN == 1 || entry.GASSAN == 2) && hasZone &&
                    ZenkakuTrim(entry.SHOUGOU) != ZenkakuTrim(zone.ZoneShougou))
                    RemoveChildren(row, true);
                if (!targetHasData) {
                    CopySource = TDataSentakuRec{};
                    CopySource.SHOUGOU = zone.ZoneShougou;
                    CopySource.KISHU = StrToDateDef0(zone.ZoneKishu);
                    CopySource.KIMATU = StrToDateDef0(zone.ZoneKimatu);
                    CopySource.KikanText = zone.ZoneKishu + "～" + zone.ZoneKimatu;
                    CopySource.VER_TEXT = zone.ZoneDataVersion;
                    CopySource.GASSAN = std::uint8_t(zone.ZoneGassan);
                    SetGassanSettings(row);
                    TDataInfomationRec read;
                    if (m_dataInfo.GetDataInfoRecOfPath(folder, read)) {
                        m_dataInfo.UpdateDataInfomation(SystemDef.HostName, folder, read);
                        TDataSentakuRec& e = entryNow();
                        e.DATACODE = read.Code;
                        e.ENTTEXT = read.DataListName;
                        e.UPDATE_LOCK = read.UpdateLock;
                        e.GASSAN = std::uint8_t(zone.ZoneGassan);
                        e.DATA_STATUS = 0;
                        auto& m = m_grid->model();
                        m.setCellText(row, 1, QString::fromStdString(e.DATACODE));
                        m.setCellText(row, 2, QString::fromStdString(e.ENTTEXT));
                        m.setCellNumber(row, 12, e.UPDATE_LOCK);
                        m.setCellNumber(row, 13, e.GASSAN);
                        m.setCellNumber(row, 16, 0);
                    }
                }
            }
        } catch (const std::exception& e) {
            warn(e.what());
            result = -1;
        }
    }
    if (ran && result == 1) {
        // The row shows what the folder now holds.
        DataListRefresh(row);
        showEntryAt(index, row);
        KyoyuAutoStore();
    }
    if (windowHandle())
        ForceForegroundWindow(windowHandle());
    if (DM->DExist(folder, ConnectMode))
        m_dataInfo.SetDataStatus(folder, 1);
    showEntryAt(index, row);
    refocusGrid();
    return result;
}

// ---- take-out and bring-back --------------------------------------------------------------

void TDataSentakuBox::SwitchAppFolders(const std::string& Word)
{
    if (Word == "backup") {
        m_savedConnection = {ConnectMode, SystemDef.HostName, SystemDef.SysDir, SystemDef.DataDir,
                             SystemDef.DataSeigen};
    } else if (Word == "local") {
        // Computed before anything switches: a failure leaves the program as it was.
        const std::string appData = GetAppDataFolder(true);
        if (ZenkakuTrim(appData).empty())
            throw std::runtime_error("アプリケーションの初期化に失敗しました。\r" + SystemDef.AppCaption +
                                     "を終了します。\rデータフォルダの取得に失敗しました。");
        std::string local = appData + "\\" + HomeDir + "\\data";
        for (char& c : local)
            if (c == '/')
                c = '\\';
        ConnectMode = 0;
        SystemDef.HostName.clear();
        SystemDef.SysDir = local;
        SystemDef.DataSeigen = 1;
    } else if (Word == "server") {
        ConnectMode = m_savedConnection.ConnectMode;
        SystemDef.HostName = m_savedConnection.HostName;
        SystemDef.SysDir = m_savedConnection.SysDir;
        SystemDef.DataDir = m_savedConnection.DataDir;
        SystemDef.DataSeigen = m_savedConnection.DataSeigen;
    }
}

bool TDataSentakuBox::reconnectSystemDatabase(const std::string& Host)
{
    try {
        if (DM->IBDatabaseDEF.connected())
            DM->IBDatabaseDEF.disconnect();
    } catch (const std::exception&) {
        DM->IBDatabaseDEF.forceClose();
    }
    return DM->fnAccDefConnected(Host, 1);
}

void TDataSentakuBox::SetLockCell(int Lock)
{
    const int row = m_grid->currentRow();
    const int index = entryIndexOfRow(row);
    if (index < 0)
        return;
    auto& m = m_grid->model();
    m.setCellPicture(row, 7, m_pictures[Lock == 1 ? 1 : 0]);
    m.setCellNumber(row, 9, Lock == 1 ? SystemDef.LoginCode : 0);
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    entry.DATALOCK = int(m.cellNumber(row, 9));
    if (m_catalogue)
        m_catalogue->UpdateDataListRecord(entry, 0, true);
}

int TDataSentakuBox::DataMochidashi()
{
    if (ConnectMode == 2 || !DM)
        return 1;
    const int row = m_grid->currentRow();
    if (!GetRowRec(row))
        return 1;
    SwitchAppFolders("backup");
    bool lockFlag = m_grid->model().cellNumber(row, 9) != 0;
    std::unique_ptr<TWhichDataSetBox> which = std::make_unique<TWhichDataSetBox>(this);
    which->SetUp(lockFlag);
    if (platform::execDialog(*which) != platform::mrOk)
        return 0;
    const int direction = which->Direction;
    which.reset();
    const std::string passing = platform::workFolder(SystemDef.WinTempFolder);

    // Every way out puts the server state back and reconnects to the server's system database.
    struct BackToServer {
        TDataSentakuBox& box;
        bool armed = false;
        bool connected = true;
        void now()
        {
            if (!armed)
                return;
            armed = false;
            box.SwitchAppFolders("server");
            connected = box.reconnectSystemDatabase(SystemDef.HostName);
        }
        ~BackToServer()
        {
            try {
                now();
            } catch (const std::exception& e) {
                warn(e.what());
            }
        }
    } back{*this};

    auto goLocal = [&]() -> bool {
        back.armed = true;
        SwitchAppFolders("local");
        if (SystemDef.SysDir.empty())
            return false;
        return reconnectSystemDatabase(SystemDef.HostName);
    };
    auto launch = [&](const char* kind) {
        const std::string params = std::string("SyoriType=5") + "\r" + "OnlySA_Syori=" + kind + "\r" +
                                   "OnlySA_BackupPath=" + passing;
        return SyoriKidouProc ? SyoriKidouProc("XvDataSenkaku", 1, params) : -1;
    };

    try {
        if (direction == 0) {
            if (DataHozon(passing, this) != 1)
                return 0;
            showBox2(mtInformation, "続いて、このコンピュータのデータリストを表示します。", "持ち出し先を選んで下さい。");
            if (!goLocal())
                return 0;
            if (launch("Restore") == 1)
                lockFlag = true;
            back.now();
            if (!back.connected)
                return 0;
            SetLockCell(lockFlag ? 1 : 0);
            return 1;
        }
        if (!m_dataInfo.IsUseData(GetDataFolder(row)))
            return 0;
        showBox2(mtInformation, "このコンピュータのデータリストを表示します。", "持ち帰ったデータを選んで下さい。");
        if (!goLocal())
            return 0;
        if (launch("Backup") != 1)
            return 0;
        back.now();
        if (!back.connected)
            return 0;
        if (lockFlag)
            SetLockCell(0);
        DataFukugen(passing, this);
        return 1;
    } catch (const std::exception& e) {
        warn(e.what());
        return 0;
    }
}

// ---- the second dialog of a take-out or bring-back ----------------------------------------

void TDataSentakuBox::type5Choice(int Row, int Answer)
{
    (void)Row;
    if (OnlySARestore) {
        if (KyoyuAutoStep("download") != 1)
            return;
        if (DataFukugen(OnlySABackupPath, this) == 1)
            setModalResult(platform::mrOk);
        return;
    }
    if (Answer != 1) {
        warn("この場所にはデータがありません。他の場所を選んで下さい。");
        return;
    }
    if (KyoyuAutoStep("download") != 1)
        return;
    if (DataHozon(OnlySABackupPath, this) < 1)
        return;
    if (KyoyuAutoStep("upload") != 1)
        return;
    setModalResult(platform::mrOk);
}
