// TDataSentakuBox: copy and paste (F2), new data (F3), distributed data (F3 "分散追加"), delete
// (F5) and a new area (F4 in the server modes).
#include "selection/DataSelectionDialog.h"

#include "firebird/DatabaseError.h"
#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/DatabaseWorker.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/DisplayFormat.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "records/TextRoutines.h"
#include "selection/GassanDataCtl.h"
#include "ui/InputDialog.h"
#include "ui/ListGrid.h"
#include "ui/ProgressDialog.h"
#include "ui/SimpleMessageBox.h"

#include <QCoreApplication>

#include <cstdio>
#include <stdexcept>

namespace {

namespace paths = platform::paths;
namespace files = platform::files;
using platform::text::upperAscii;

constexpr const char* kCopyFailed = "データのコピーに失敗しました。\r";
constexpr const char* kInsideSource = "貼付先にコピー元のパスが含まれています。処理を中断します。";
constexpr const char* kDamageCopy = "合算・分散データに破損したデータが存在するため、データのコピーを中止します。";
constexpr const char* kDamageDelete = "合算・分散データに破損したデータが存在するため、データの削除を中止します。";
constexpr const char* kStagingSuffix = ".~paste";
constexpr const char* kOldSuffix = ".~old";

bool isParentKind(int gassan) { return gassan == 1 || gassan == 2; }
bool sameFolder(const std::string& a, const std::string& b)
{
    return upperAscii(paths::excludeTrailingDelimiter(a)) == upperAscii(paths::excludeTrailingDelimiter(b));
}

void warn(const std::string& text) { ShowErrorDialog(text, "", 0); }
void information(const std::string& text) { ShowErrorDialog(text, "", 2); }

// A refusal of the rich box, kind 情報, with its lines.
void infoBox2(const std::vector<std::string>& lines)
{
    TMessage2InfoRec info;
    InitMessage2Info(mtInformation, info);
    for (std::size_t i = 0; i < lines.size() && i < info.Lines.size(); ++i)
        info.Lines[i].Text = lines[i];
    ShowMessageBox2(info);
}

// Every file and sub-folder of Source into Target (made first), through the files layer.
void copyTree(const std::string& Source, const std::string& Target)
{
    files::createDirectories(Target);
    for (const auto& e : files::list(Source)) {
        const std::string from = paths::join(Source, e.name);
        const std::string to = paths::join(Target, e.name);
        if (e.isDirectory)
            copyTree(from, to);
        else
            files::copyFile(from, to, true);
    }
}

// The bytes of a file, or nothing when there is none: what a failed paste puts back.
struct FileSnapshot {
    std::string path;
    bool existed = false;
    std::string bytes;
    void take(const std::string& p)
    {
        path = p;
        existed = files::fileExists(p);
        bytes = existed ? files::readAll(p) : std::string();
    }
    void restore() const
    {
        if (path.empty())
            return;
        try {
            if (existed)
                files::writeAllAtomic(path, bytes);
            else if (files::fileExists(path))
                files::removeFile(path);
        } catch (const std::exception&) {
        }
    }
};

// A date text shown again as "yyyy/mm/dd"; a text that is no date counts as date 0.
std::string dateText(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    char tail = 0;
    platform::TDateTime date = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%c", &y, &m, &d, &tail) != 3 || !platform::tryEncodeDate(y, m, d, date))
        date = 0;
    std::string out;
    FormatDateSlash("yyyy/mm/dd", 0, out, date);
    return out;
}

} // namespace

// ---- shared pieces ------------------------------------------------------------------------

void TDataSentakuBox::showCopyProgress(const char* Caption, const char* Line)
{
    if (!m_copyProgress)
        m_copyProgress = new TxAnimeProgressDialog(this);
    m_copyProgress->setCaption(QString::fromUtf8(Caption));
    m_copyProgress->setInfoLabel(QString::fromUtf8(Line));
    m_copyProgress->setAviFile(QString::fromStdString(SystemDef.ExeFolder + "\\progress.avi"));
    m_copyProgress->setCancelBtnShow(false);
    m_copyProgress->Show(this);
}

void TDataSentakuBox::closeCopyProgress()
{
    if (m_copyProgress && m_copyProgress->shown())
        m_copyProgress->Close();
}

bool TDataSentakuBox::damageGuard(const TDataSentakuRec& Entry, const char* FirstLine)
{
    if (!isParentKind(Entry.GASSAN))
        return true;
    for (const TDataListRec& child : Entry.Children) {
        if (child.DATA_STATUS != 1)
            continue;
        infoBox2({FirstLine, "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。",
                  "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"});
        SetFunctionKeys();
        return false;
    }
    return true;
}

void TDataSentakuBox::EndCopyMode()
{
    const bool was = CopyMode;
    CopyMode = false;
    if (!CopySourceFolder.empty()) {
        try {
            m_dataInfo.SetDataStatus(CopySourceFolder, 1);
        } catch (const std::exception&) {
        }
    }
    CopySourceFolder.clear();
    if (was) {
        SetHints();
        SetFunctionKeys();
    }
}

// ---- copy and paste -----------------------------------------------------------------------

bool TDataSentakuBox::DataCopyPaste()
{
    const int row = m_grid->currentRow();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (!rec || !DM)
        return false;
    const int index = entryIndexOfRow(row);
    const std::string folder = GetDataFolder(row);

    if (F2Mode == 1) {
        CopyMode = true;
        auto stop = [this] {
            CopyMode = false;
            SetFunctionKeys();
        };
        if (DM->fnDataHasonCheck(SystemDef.HostName, folder, 0, 0) == 0) {
            stop();
            rec->DATA_STATUS = 1;
            DataListRefresh(row);
            return false;
        }
        if (!damageGuard(DataList[std::size_t(index)], kDamageCopy)) {
            stop();
            return false;
        }
        if (CheckDataStatus(folder, true, true) != 1) {
            stop();
            DataListRefresh(row);
            return false;
        }
        if (!m_dataInfo.IsUseData(folder)) {
            stop();
            return false;
        }
        CopySourceFolder = folder;
        CopySourceIndex = index;
        if (m_grid->model().cellText(row, 0).isEmpty()) {
            CopySource = TDataSentakuRec{};
            static_cast<TDataListRec&>(CopySource) = *rec;
        } else {
            CopySource = DataList[std::size_t(index)];
        }
        CopyName = ZenkakuTrim(LeftFixStr(rec->ENTTEXT + "～コピー", 40));
        m_dataInfo.SetDataStatus(folder, records::dsCopying);
        SetHints();
        SetFunctionKeys();
        return true;
    }
    if (F2Mode != 2)
        return false;

    // The paste. Every way out sets the source idle again.
    CopyMode = false;
    struct SourceBack {
        TDataSentakuBox& box;
        ~SourceBack()
        {
            box.closeCopyProgress();
            box.EndCopyMode();
            box.CopyMode = false;
            box.SetHints();
            // Back from the progress window: the dialog in front, the grid takes the keys and
            // shows its hint again.
            box.raise();
            box.activateWindow();
            QCoreApplication::processEvents();
            box.refocusGrid();
        }
    } sourceBack{*this};
    try {
        if (sameFolder(folder, CopySourceFolder))
            return false;
        if (CopySource.GASSAN == GassanChild && rec->REC == CopySource.REC) {
            warn("同ブロックの分散入力データからの貼り付けは行えません。\r");
            return false;
        }
        const int state = CheckDataStatus(folder, false, true);
        if (state != 1 && state != records::dsDamaged)
            return false;
        const bool damaged = state == records::dsDamaged;
        if (damaged)
            DM->fnAccDatDisconnected(folder, 0, 0);
        else if (!m_dataInfo.IsUseData(folder))
            return false;
        // Standalone: nothing may be written into the source's own tree, and a target folder
        // that holds the source would take the source with it when it is replaced.
        if (ConnectMode == 0) {
            const std::string source = upperAscii(paths::excludeTrailingDelimiter(CopySourceFolder));
            const std::string target = upperAscii(paths::excludeTrailingDelimiter(folder));
            if (!source.empty() && (target.find(source + "\\") != std::string::npos ||
                                    source.rfind(target + "\\", 0) == 0)) {
                warn(kInsideSource);
                return false;
            }
        }
        const bool targetWasThere =
            ConnectMode != 0 ? DM->DExist(folder, ConnectMode) : files::directoryExists(folder);

        showCopyProgress("コピー中", "データのコピー中…");
        TDataInfomationRec source;
        TDataInfomation::ClearDataInfoRec(source);
        m_dataInfo.ReadIniFileCurHost(CopySourceFolder, source);
        if (damaged) {
            TMessage2InfoRec info;
            InitMessage2Info(mtConfirmation, info);
            info.Lines[0].Text = "このデータは破損データのため、データ間の照合チェックは行わずに貼り付けを行います。";
            info.Lines[1].Text = "よろしいですか？";
            if (ShowMessageBox2(info) != platform::mrOk)
                return false;
        } else if (CheckPastePattern("貼り付け", source, folder) == 0) {
            return false;
        }
        const bool ok = ConnectMode == 0 ? pasteFiles(row, folder, targetWasThere)
                                         : pasteOnServer(row, folder, targetWasThere);
        if (!ok) {
            closeCopyProgress();
            return false;
        }
        rec = const_cast<TDataListRec*>(GetRowRec(row));
        SetGassanSettings(row);
        TDataInfomationRec read;
        if (m_dataInfo.GetDataInfoRecOfPath(folder, read)) {
            read.DataListName = CopyName;
            read.UpdateLock = CopySource.UPDATE_LOCK;
            m_dataInfo.UpdateDataInfomation(SystemDef.HostName, folder, read);
            m_dataInfo.WriteIniFile(folder, "DATAINFO", read);
            rec->DATACODE = read.Code;
            rec->ENTTEXT = CopyName;
            rec->DispName = CopyName;
            rec->UPDATE_LOCK = CopySource.UPDATE_LOCK;
            rec->GASSAN = read.GassanKbn;
            rec->DATA_STATUS = 0;
            auto& m = m_grid->model();
            m.setCellText(row, 1, QString::fromStdString(read.Code));
            m.setCellText(row, 2, QString::fromStdString(CopyName));
            m.setCellNumber(row, 12, 0);
            m.setCellNumber(row, 13, read.GassanKbn);
            PasteChildren(row);
        } else {
            rec->DATA_STATUS = 1;
        }
        DataListRefresh(row);
        m_grid->setCurrentRow(row);
        if (GetShareKind(*rec) == 2)
            KyoyuAutoStore(1);
        closeCopyProgress();
        show();
        raise();
        return true;
    } catch (const firebird::DatabaseError& e) {
        closeCopyProgress();
        HandleDbError(e, "TDataSentakuBox.DataCopyPaste", kCopyFailed, true);
    } catch (const std::exception& e) {
        closeCopyProgress();
        ShowErrorDialog(kCopyFailed, e.what(), 1);
    }
    return false;
}

// Standalone: the files go to a folder beside the target and replace it only when complete.
bool TDataSentakuBox::pasteFiles(int Row, const std::string& Target, bool TargetWasThere)
{
    TDataSentakuRec& entry = DataList[std::size_t(entryIndexOfRow(Row))];
    const TDataListRec* rec = GetRowRec(Row);
    const bool distributedTarget = rec->GASSAN == GassanChild || m_grid->model().cellText(Row, 0).isEmpty();
    const std::string target = paths::excludeTrailingDelimiter(Target);
    const std::string iniPath = paths::join(target, DataIniFile);
    FileSnapshot ini;
    ini.take(iniPath);
    const std::string staging = target + kStagingSuffix;
    const std::string old = target + kOldSuffix;
    auto undo = [&](const std::string& reason) {
        try {
            if (files::exists(staging))
                files::removeAll(staging);
        } catch (const std::exception&) {
        }
        ini.restore();
        if (!TargetWasThere) {
            try {
                files::removeAll(target);
            } catch (const std::exception&) {
            }
        }
        ShowErrorDialog(kCopyFailed, reason, 1);
    };
    try {
        m_dataInfo.SetDataStatus(target, records::dsPasting);
        if (distributedTarget) {
            const std::string file = paths::join(target, DataFile);
            files::copyFile(paths::join(CopySourceFolder, DataFile), file + kStagingSuffix, true);
            files::rename(file + kStagingSuffix, file);
        } else {
            if (files::exists(staging))
                files::removeAll(staging);
            copyTree(CopySourceFolder, staging);
            // The state written above belongs to the folder that is kept.
            files::copyFile(iniPath, paths::join(staging, DataIniFile), true);
            if (files::exists(old))
                files::removeAll(old);
            files::rename(target, old);
            try {
                files::rename(staging, target);
            } catch (...) {
                files::rename(old, target);
                throw;
            }
            try {
                files::removeAll(old);
            } catch (const std::exception&) {
                // a left-over folder beside the target; the next paste clears it
            }
            // A consolidated target's own children went with its old folder.
            if (isParentKind(entry.GASSAN) && m_catalogue) {
                m_catalogue->DeleteDataListChildRecord(entry, true);
                entry.Children.clear();
                entry.ChildCnt = 0;
            }
        }
        m_dataInfo.SetDataStatus(target, records::dsFree);
        return true;
    } catch (const std::exception& e) {
        const std::string file = paths::join(target, DataFile) + kStagingSuffix;
        try {
            if (files::fileExists(file))
                files::removeFile(file);
        } catch (const std::exception&) {
        }
        undo(e.what());
        return false;
    }
}

// The server modes: the worker copies the database on the server while the entry is locked.
bool TDataSentakuBox::pasteOnServer(int Row, const std::string& Target, bool TargetWasThere)
{
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(Row));
    // A folder made for this paste goes again when the copy fails, on every way out.
    struct FolderBack {
        const std::string& target;
        bool keep;
        ~FolderBack()
        {
            if (keep || !DM)
                return;
            try {
                DM->RmDir(target, ConnectMode, false);
            } catch (const std::exception&) {
            }
        }
    } folderBack{Target, TargetWasThere};
    struct LockBack {
        TDataSentakuBox& box;
        TDataListRec& rec;
        ~LockBack()
        {
            rec.DATALOCK = 0;
            try {
                box.WriteDataListRec(rec);
            } catch (const std::exception&) {
            }
        }
    } lockBack{*this, *rec};
    if (m_copyProgress)
        m_copyProgress->setInfoLabel(QStringLiteral("データをコピー中…"));
    m_dataInfo.SetDataStatus(Target, records::dsPasting);
    rec->DATALOCK = SystemDef.LoginCode;
    WriteDataListRec(*rec);
    if (!DM->DExist(SystemDef.ServerTempFolder, 0))
        DM->MkDir(SystemDef.ServerTempFolder, ConnectMode);
    const std::string localBackup = paths::join(SystemDef.TempFolder, DataBackupFile);
    if (files::fileExists(localBackup))
        files::removeFile(localBackup);
    auto worker = std::make_unique<TBackupRestoreThread>(true);
    worker->Mode = 2;
    worker->HostName = SystemDef.HostName;
    worker->DBPath = paths::join(CopySourceFolder, DataFile);
    worker->DestDBPath = paths::join(Target, DataFile);
    worker->BackupFile = SystemDef.ServerTempFolder + "\\dwacc." + std::to_string(SystemDef.LoginId);
    worker->ProcessName = "データ選択";
    worker->Resume();
    while (!worker->IsTerminated())
        WaitMSec(500);
    worker->wait();
    const bool ok = worker->Success == 1;
    if (!ok) {
        m_dataInfo.SetDataStatus(Target, records::dsFree);
        ShowErrorDialog(kCopyFailed, worker->ErrMessage, 1);
        return false;
    }
    m_dataInfo.SetDataStatus(Target, records::dsFree);
    folderBack.keep = true;
    return true;
}

int TDataSentakuBox::CheckPastePattern(const std::string& Word, const TDataInfomationRec& Source,
                                       const std::string& TargetFolder)
{
    if (ZenkakuTrim(TargetFolder).empty()) {
        closeCopyProgress();
        warn(Word + "先のデータパスが不正です。" + "\r");
        return 0;
    }
    if (!DM->DExist(TargetFolder, ConnectMode)) {
        DM->MkDir(TargetFolder, ConnectMode);
        return 1;
    }
    if (!DM->FExist(paths::join(TargetFolder, DataFile), ConnectMode))
        return 1;
    TDataInfomationRec target;
    TDataInfomation::ClearDataInfoRec(target);
    m_dataInfo.RefreshIniFile(TargetFolder, "");
    m_dataInfo.ReadIniFileCurHost(TargetFolder, target);
    const int s = Source.GassanKbn;
    const int t = target.GassanKbn;
    const bool refused = ((s == 0 || s == 10) && isParentKind(t)) || (s == 1 && t == 2) || (s == 2 && t == 1);
    if (refused) {
        closeCopyProgress();
        m_msgBox->MsgKind = 1;
        m_msgBox->MsgCaption = "警告";
        m_msgBox->MsgColor = platform::clWindowText;
        m_msgBox->MsgText = Word + "先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って下さい。";
        m_msgBox->SetLines({"以下のパターンの復元（貼付）は禁止されています。",
                            " ①通常データ       を 合算データ（合算本支店データ） へ",
                            " ②分散データ       を 合算データ（合算本支店データ） へ",
                            " ③合算データ       を 合算本支店データ へ",
                            " ④合算本支店データ を 合算データ へ"});
        m_msgBox->ApplySettings();
        platform::execDialog(*m_msgBox);
        return 0;
    }
    const int answer = CompareDataInfo(Word, Source, target);
    if (Word == "復元" && answer == 1) {
        CopySource.SHOUGOU = Source.Shougou;
        CopySource.VER_TEXT = Source.VerName;
        CopySource.GASSAN = Source.GassanKbn;
        CopySource.KikanText = Source.Kishu + "～" + Source.Kimatu;
    }
    return answer;
}

int TDataSentakuBox::CompareDataInfo(const std::string& Word, const TDataInfomationRec& Source,
                                     const TDataInfomationRec& Target)
{
    auto invalid = [](const TDataInfomationRec& r) {
        return r.Shougou.empty() || r.Kishu.empty() || r.Kimatu.empty();
    };
    if (invalid(Source)) {
        closeCopyProgress();
        warn(Word + "処理元のデータ情報が不正です。" + "\r");
        return 0;
    }
    if (invalid(Target)) {
        closeCopyProgress();
        warn(Word + "処理先のデータ情報が不正です。" + "\r");
        return 0;
    }
    std::vector<std::string> lines;
    auto pair = [&](const std::string& a, const std::string& b, const char* unit) {
        lines.push_back("　【" + Word + "元】：" + a + unit);
        lines.push_back("　【" + Word + "先】：" + b + unit);
    };
    if (Source.Shougou != Target.Shougou) {
        lines.push_back("会社名に違いがありました。");
        pair(Source.Shougou, Target.Shougou, "");
        if (ConnectMode == 0 && Word == "復元" && isParentKind(Target.GassanKbn)) {
            lines.push_back("　注）" + Word + "を続行した場合は配下の分散データは削除されます。");
            lines.push_back("");
        }
    }
    if (Source.Kishu != Target.Kishu) {
        lines.push_back("期首に違いがありました。");
        pair(dateText(Source.Kishu), dateText(Target.Kishu), "");
    }
    if (Source.Kimatu != Target.Kimatu) {
        lines.push_back("期末に違いがありました。");
        pair(dateText(Source.Kimatu), dateText(Target.Kimatu), "");
    }
    if (Source.TotalSiwake < Target.TotalSiwake) {
        lines.push_back("仕訳件数(修正・削除仕訳含む)が減っています。");
        pair(IntToCommaStr(Source.TotalSiwake), IntToCommaStr(Target.TotalSiwake), " 件");
    }
    if (lines.empty())
        return 1;
    closeCopyProgress();
    m_msgBox->MsgKind = 2;
    m_msgBox->MsgCaption = "データ照合チェックの結果";
    m_msgBox->MsgText = "以下の項目に違いが検出されました。";
    m_msgBox->MsgColor = platform::clWindowText;
    m_msgBox->SetLines(lines);
    m_msgBox->AgreeCaption = "データ" + Word + "処理の続行に同意します。";
    m_msgBox->ApplySettings();
    const int answer = platform::execDialog(*m_msgBox) == platform::mrOk ? 1 : 0;
    if (answer == 1 && m_copyProgress && Word == "貼り付け")
        m_copyProgress->Show(this);
    return answer;
}

void TDataSentakuBox::SetGassanSettings(int Row)
{
    const TDataListRec* rec = GetRowRec(Row);
    if (!rec || !DM)
        return;
    const std::string folder = GetDataFolder(Row);
    int kind = -1;
    int count = 0;
    const int s = CopySource.GASSAN;
    const int t = rec->GASSAN;
    if (ConnectMode != 0) {
        kind = 0;
    } else if (isParentKind(s) && isParentKind(t)) {
        // The children that travelled with the files are the source's.
        kind = t;
        count = int(CopySource.Children.size());
    } else if (isParentKind(s) && t == GassanChild) {
        kind = GassanChild;
    } else if (s == GassanChild && (t == 0 || isParentKind(t))) {
        kind = 0;
    } else if (s == 0 && t == GassanChild) {
        kind = GassanChild;
    }
    if (kind < 0)
        return;
    if (kind == 0 || kind == GassanChild)
        count = 0;
    DM->fnAccDatConnected(SystemDef.HostName, folder, 0);
    try {
        PutAccReg("基本設定", "合算データ区分", "整数", records::Variant::fromInt(kind));
        PutAccReg("基本設定", "合算データ数", "整数", records::Variant::fromInt(count));
    } catch (...) {
        DM->fnAccDatDisconnected(folder, 1, 1);
        throw;
    }
    DM->fnAccDatDisconnected(folder, 1, 1);
}

void TDataSentakuBox::PasteChildren(int Row)
{
    const int index = entryIndexOfRow(Row);
    if (index < 0 || !m_grid->model().cellText(Row, 0).size())
        return;
    TDataSentakuRec& target = DataList[std::size_t(index)];
    target.Children.clear();
    target.ChildCnt = 0;
    if (!isParentKind(target.GASSAN) || !isParentKind(CopySource.GASSAN) || !m_catalogue)
        return;
    const std::string from = paths::excludeTrailingDelimiter(CopySource.PASNAME);
    const std::string to = paths::excludeTrailingDelimiter(target.PASNAME);
    for (TDataListRec child : CopySource.Children) {
        child.REC = target.REC;
        if (upperAscii(child.PASNAME).rfind(upperAscii(from), 0) == 0)
            child.PASNAME = to + child.PASNAME.substr(from.size());
        child.LocalPath = m_catalogue->GetLocalDataPath(child);
        m_catalogue->UpdateDataListChildRecord(child, 1, true);
        target.Children.push_back(child);
    }
    target.ChildCnt = int(target.Children.size());
}

void TDataSentakuBox::RemoveChildren(int Row, bool All)
{
    const int index = entryIndexOfRow(Row);
    if (index < 0 || !m_catalogue)
        return;
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    if (!All) {
        m_catalogue->DeleteChildItem(entry, int(m_grid->model().cellNumber(Row, 15)));
        return;
    }
    if (isParentKind(entry.GASSAN)) {
        m_catalogue->DeleteDataListChildRecord(entry, true);
        // The catalogue gives the sub-folders as whole paths.
        std::vector<std::string> folders;
        m_catalogue->GetShareSubFolders(entry, folders);
        for (const auto& folder : folders)
            DM->RmDir(folder, ConnectMode, false);
        if (entry.NETDRIVE == 1 && entry.KYOYULOCK == 1) {
            folders.clear();
            m_catalogue->GetLocalSubFolders(entry, folders);
            for (const auto& folder : folders)
                DM->RmDir(folder, 0, false);
        }
    }
    entry.Children.clear();
    entry.ChildCnt = 0;
}

// ---- new data and distributed data --------------------------------------------------------

bool TDataSentakuBox::DataSinkiSakusei()
{
    const int row = m_grid->currentRow();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (!rec || !DM)
        return false;
    const int index = entryIndexOfRow(row);
    const std::string folder = GetDataFolder(row);
    if (CheckDataStatus(folder, false, false) != 1)
        return false;
    bool result = false;
    int answer = 0;
    try {
        DM->MkDir(folder, ConnectMode);
        TDataInfomationRec state;
        TDataInfomation::ClearDataInfoRec(state);
        state.Status = records::dsCreating;
        state.OpCode = SystemDef.LoginId;
        state.OpName = SystemDef.OperatorName;
        m_dataInfo.WriteIniFile(folder, "DATASTS", state);
        if (ConnectMode != 0) {
            rec->DATALOCK = SystemDef.LoginCode;
            WriteDataListRec(*rec);
        }
        char params[1024];
        std::snprintf(params, sizeof params, "DataPath=%s\rDataListRec=%d\rPHandle=%d", folder.c_str(), rec->REC,
                      int(winId() & 0x7fffffff));
        answer = SyoriKidouProc ? SyoriKidouProc("XvKihonWiz", 1, params) : -1;
        if (answer == 1) {
            TDataSentakuRec& entry = DataList[std::size_t(index)];
            m_catalogue->GetDataListRecord(0, entry, true);
            m_catalogue->GetDataListChildRecord(entry, true);
            if (entry.NETDRIVE == 1) {
                for (TDataListRec& child : entry.Children) {
                    child.NETDRIVE = 1;
                    const std::string local = paths::excludeTrailingDelimiter(entry.LocalPath);
                    if (upperAscii(child.PASNAME).rfind(upperAscii(local), 0) == 0)
                        child.PASNAME = entry.PASNAME + child.PASNAME.substr(local.size());
                    m_catalogue->UpdateDataListChildRecord(child, 1, true);
                }
            }
            m_dataInfo.SetDataStatus(folder, records::dsFree);
        } else if (answer == 2 && rec->NETDRIVE == 0) {
            DM->RmDir(folder, ConnectMode, false);
        }
        result = true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDataSentakuBox.DataSinkiSakusei", "", true);
    } catch (const std::exception& e) {
        ShowErrorDialog(e.what(), "", 1);
    }
    rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (ConnectMode != 0 && rec) {
        rec->DATALOCK = 0;
        try {
            WriteDataListRec(*rec);
        } catch (const std::exception&) {
        }
    }
    if (rec && GetShareKind(*rec) == 2)
        KyoyuAutoStore(answer);
    DataListRefresh(row);
    refocusGrid();
    return result;
}

bool TDataSentakuBox::BunsanTsuika()
{
    const int row = m_grid->currentRow();
    const TDataListRec* rec = GetRowRec(row);
    if (!rec || !DM || ConnectMode != 0)
        return false;
    const int index = entryIndexOfRow(row);
    TDataSentakuRec& parent = DataList[std::size_t(index)];
    if (!isParentKind(parent.GASSAN))
        return false;
    if (parent.Children.size() >= 99) {
        information("これ以上の分散データの追加は行えません。(最大99件)\r");
        return false;
    }
    if (platform::messageBox("分散入力用のデータを追加します。\rよろしいですか？", SystemDef.AppCaption,
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return false;
    const std::string folder = GetDataFolder(row);
    bool result = false;
    showCopyProgress("分散データの追加", "分散データの作成中…");
    try {
        if (!m_gassan)
            m_gassan = new TGassanDataCtl(this);
        m_gassan->SetParentFolder(folder);
        m_gassan->SetParentRec(parent.REC);
        m_gassan->SetActive(true);
        if (m_gassan->AddChildData("")) {
            m_gassan->WriteGassanSettings(parent.GASSAN, int(parent.Children.size()) + 1);
            result = true;
        }
        m_catalogue->GetDataListChildRecord(parent, true);
        DataListRefresh(row);
        DM->fnAccDatDisconnected(folder, 0, 0);
    } catch (const firebird::DatabaseError& e) {
        closeCopyProgress();
        HandleDbError(e, "TDataSentakuBox.BunsanTsuika", "", true);
    } catch (const std::exception& e) {
        closeCopyProgress();
        ShowErrorDialog(e.what(), "", 1);
    }
    closeCopyProgress();
    showEntryAt(index, row);
    refocusGrid();
    return result;
}

// ---- delete -------------------------------------------------------------------------------

bool TDataSentakuBox::DataSakujo(int /*Flag*/)
{
    const int row = m_grid->currentRow();
    TDataListRec* rec = const_cast<TDataListRec*>(GetRowRec(row));
    if (!rec || !DM)
        return false;
    const int index = entryIndexOfRow(row);
    const bool isChild = m_grid->model().cellText(row, 0).isEmpty();
    const std::string folder = GetDataFolder(row);
    const bool damaged = rec->DATA_STATUS == 1;
    if (damaged) {
        DM->fnAccDatDisconnected(folder, 0, 0);
    } else {
        if (DM->fnDataHasonCheck(SystemDef.HostName, folder, 0, 0) == 0) {
            rec->DATA_STATUS = 1;
            DataListRefresh(row);
            return false;
        }
        if (!damageGuard(DataList[std::size_t(index)], kDamageDelete))
            return false;
        if (!isChild && rec->NETDRIVE == 1) {
            infoBox2({"共有データの削除は行えません。",
                      "[F4:割当解除]後に「共有データの選択」ウィンドウを表示して削除を行って下さい。"});
            return false;
        }
        if (!SystemDef.DataDir.empty() && sameFolder(folder, SystemDef.DataDir)) {
            infoBox2({SyoriType == 2 ? "このデータは、現在選択中のデータのため削除は行えません。"
                                     : "このデータは、前回起動データのため削除は行えません。"});
            return false;
        }
        const int state = CheckDataStatus(folder, true, true);
        if (ConnectMode != 0 && state == records::dsInUse) {
            infoBox2({"このデータは、他のオペレータが使用中のため削除は行えません。"});
            return false;
        }
        if (state != 1 || !m_dataInfo.IsUseData(folder))
            return false;
    }
    m_msgBox->MsgKind = 2;
    m_msgBox->MsgCaption = "データの削除";
    m_msgBox->MsgText = "選択したデータを削除します。";
    m_msgBox->MsgColor = platform::clWindowText;
    m_msgBox->AgreeCaption = "データの削除に同意します";
    m_msgBox->SetLines({"【データ名】", "　" + rec->DispName, "", "【会計期間】", "　" + rec->KikanText, "",
                        "【データフォルダ】", "　" + m_grid->model().cellText(row, 5).toStdString()});
    m_msgBox->ApplySettings();
    if (platform::execDialog(*m_msgBox) != platform::mrOk)
        return false;

    bool deleted = false;
    try {
        rec->DATA_STATUS = 0;
        TDataSentakuRec& entry = DataList[std::size_t(index)];
        if (ConnectMode == 0) {
            DM->RmDir(folder, 0, false);
            if (isChild && isParentKind(entry.GASSAN)) {
                if (!m_gassan)
                    m_gassan = new TGassanDataCtl(this);
                m_gassan->SetParentFolder(entry.LocalPath);
                m_gassan->SetParentRec(entry.REC);
                m_gassan->SetActive(true);
                m_gassan->WriteGassanSettings(entry.GASSAN, std::max(0, int(entry.Children.size()) - 1));
            }
        } else {
            if (!damaged)
                DM->AccDatDropDatabase(SystemDef.HostName, folder);
            DM->RmDir(folder, ConnectMode, false);
        }
        deleted = m_catalogue->DeleteDataListRecord(*rec, true);
        if (!isChild && isParentKind(entry.GASSAN))
            RemoveChildren(row, true);
        if (isChild && deleted)
            RemoveChildren(row, false);
        DataListRefresh(isChild ? parentRowOf(row) : row);
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDataSentakuBox.DataSakujo", "", true);
    } catch (const std::exception& e) {
        ShowErrorDialog(e.what(), "", 1);
    }
    if (!deleted) {
        warn("データの削除に失敗しました。\r");
        return false;
    }
    if ((isChild && ConnectMode == 0) || ConnectMode != 0) {
        const int top = m_grid->topRow();
        LoadDataList();
        m_grid->setTopRow(top);
        m_grid->setCurrentRow(std::min(row, m_grid->rowCount() - 1));
    }
    refocusGrid();
    return true;
}

// ---- new area (server modes) --------------------------------------------------------------

bool TDataSentakuBox::RyoikiTsuika()
{
    if (ConnectMode == 0 || !m_catalogue || !DM)
        return false;
    if (int(DataList.size()) >= 2000) {
        warn("これ以上の領域追加は行えません。(最大2000件)");
        return false;
    }
    if (!m_inputBox)
        m_inputBox = new TInputDlgBox(this);
    char initial[16];
    std::snprintf(initial, sizeof initial, "%.4d", m_catalogue->GetDataFolderName(1));
    m_inputBox->DlgCaption = "データの領域追加";
    m_inputBox->DlgMessage = "新しく作成するフォルダ名を入力して下さい。";
    m_inputBox->InputHint = "新しく作成するフォルダ名を入力します。";
    m_inputBox->InputValue = initial;
    m_inputBox->InputMaxLength = 8;
    m_inputBox->InputStyle = 0;
    m_inputBox->FilterMode = 40;
    m_inputBox->ApplySettings();
    if (platform::execDialog(*m_inputBox) != platform::mrOk)
        return false;
    const std::string name = ZenkakuTrim(m_inputBox->InputValue);
    if (name.empty())
        return false;
    const std::string path = paths::excludeTrailingDelimiter(DataPlacePath) + "\\" + name;
    if (m_catalogue->IsDataPathToroku(path)) {
        warn("\"" + path + "\"" + "は既にデータリスト上に作成されています。\r");
        return false;
    }
    if (DM->DExist(path, ConnectMode)) {
        warn("\"" + path + "\"" + "に会計データが作成されています。\r");
        return false;
    }
    TDataListRec rec;
    m_catalogue->InitDataListRecord(rec, path);
    rec.ENTTEXT.clear();
    if (!m_catalogue->InsertDataListRecord(rec, true))
        return false;
    LoadDataList();
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const TDataListRec* shown = GetRowRec(r);
        if (shown && shown->REC == rec.REC) {
            m_grid->setCurrentRow(r);
            break;
        }
    }
    refocusGrid();
    return true;
}
