// The backup and restore worker: backup, restore, copy and rebuild in place, each step on the
// GUI thread.
#include "records/DatabaseWorker.h"

#include "firebird/Blob.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/MessageBox2.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/FileUtils.h"
#include "records/MyNumber.h"
#include "records/ProgramRecords.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <charconv>
#include <exception>

namespace {

constexpr const char* kZoneMarker = "## QuarvelZone";
constexpr const char* kNotOurData = "指定されたファイルはモラビー財務用のデータではありません。";
constexpr const char* kBackupStopped = "データベースの保存処理を中止しました。";
constexpr const char* kRestoreStopped = "データベースの復元処理を中止しました。";

bool isRemoteHost(const std::string& host) { return !host.empty() && host != "127.0.0.1"; }

// 0 the system database, 1 a company database, -1 neither (by the file names in the path).
int databaseKind(const std::string& path)
{
    const std::string up = platform::text::upperAscii(path);
    if (up.find(platform::text::upperAscii(DataDefFile)) != std::string::npos)
        return 0;
    if (up.find(platform::text::upperAscii(DataFile)) != std::string::npos)
        return 1;
    return -1;
}

int toIntDef(const std::string& text)
{
    int value = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto r = std::from_chars(b, e, value);
    return r.ec == std::errc() && r.ptr == e ? value : 0;
}

// The file-management database is closed again after each use, whoever opened it.
struct FileManClose {
    ~FileManClose()
    {
        try {
            if (DM && DM->IBFileMan.connected())
                DM->IBFileMan.disconnect();
        } catch (const std::exception&) {
        }
    }
};

} // namespace

TBackupRestoreThread::TBackupRestoreThread(bool /*CreateSuspended*/)
{
    ProcessName = AppInfo.Zaimu.AppTitle;
    ClearZoneInfo();
}

TBackupRestoreThread::~TBackupRestoreThread()
{
    // Destroying a running QThread aborts the program; a caller that forgot to join is
    // joined here instead.
    wait();
}

void TBackupRestoreThread::ClearZoneInfo()
{
    ZoneShougou.clear();
    ZoneKishu.clear();
    ZoneKimatu.clear();
    ZoneSiwake = 0;
    ZoneTotalSiwake = 0;
    ZoneDataVersion.clear();
    ZoneGassan = 0;
    ZoneUseMyNumber = 0;
}

void TBackupRestoreThread::WriteZoneInfo(const std::string& File)
{
    if (ZoneShougou.empty())
        return;
    const std::string text = std::string(kZoneMarker) + "\r\n" +
                             "SHOUGOU=" + ZoneShougou + "\r\n" +
                             "KISHU=" + ZoneKishu + "\r\n" +
                             "KIMATU=" + ZoneKimatu + "\r\n" +
                             "SIWAKE=" + std::to_string(ZoneSiwake) + "\r\n" +
                             "TOTALSIWAKE=" + std::to_string(ZoneTotalSiwake) + "\r\n" +
                             "DATAVARSION=" + ZoneDataVersion + "\r\n" +
                             "GASSAN=" + std::to_string(ZoneGassan) + "\r\n" +
                             "USEMYNUMBER=" + std::to_string(ZoneUseMyNumber) + "\r\n";
    AppendTextToFile(File, text);
}

bool TBackupRestoreThread::ReadZoneInfo(const std::string& File, bool Cut)
{
    ClearZoneInfo();
    std::string bytes;
    ReadTextAfterMarker(File, kZoneMarker, bytes, Cut);
    const std::string text = platform::text::fromCp932(bytes);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = platform::text::upperAscii(line.substr(0, eq));
        const std::string value = line.substr(eq + 1);
        if (name == "SHOUGOU")
            ZoneShougou = value;
        else if (name == "KISHU")
            ZoneKishu = value;
        else if (name == "KIMATU")
            ZoneKimatu = value;
        else if (name == "DATAVARSION")
            ZoneDataVersion = value;
        else if (name == "SIWAKE")
            ZoneSiwake = toIntDef(value);
        else if (name == "TOTALSIWAKE")
            ZoneTotalSiwake = toIntDef(value);
        else if (name == "GASSAN")
            ZoneGassan = toIntDef(value);
        else if (name == "USEMYNUMBER")
            ZoneUseMyNumber = toIntDef(value);
    }
    return !ZoneShougou.empty();
}

void TBackupRestoreThread::SetResult(const char* code, const char* method, const char* message,
                                     const char* message2)
{
    ErrCode = code;
    ErrMethod = method;
    ErrMessage = message;
    ErrMessage2 = message2;
}

void TBackupRestoreThread::run()
{
    try {
        Execute();
    } catch (...) {
        // Steps catch their own failures; nothing may end the thread without the flag.
    }
    m_terminated.store(true, std::memory_order_release);
}

void TBackupRestoreThread::Synchronize(const std::function<void()>& step)
{
    // No exception may cross the event loop: a failing step is reported and counts as failed.
    auto guarded = [&] {
        try {
            step();
        } catch (const std::exception& e) {
            Success = 0;
            ShowErrorDialog(e.what(), "", 0);
        } catch (...) {
            Success = 0;
        }
    };
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        guarded();
    else
        QMetaObject::invokeMethod(app, guarded, Qt::BlockingQueuedConnection);
}

void TBackupRestoreThread::Execute()
{
    Success = 0;
    Failed = 0;
    ErrMethod.clear();
    ErrCode.clear();
    ErrMessage.clear();
    ErrMessage2.clear();
    if (Mode == 0) {
        if (ZoneUseMyNumber == 0) {
            LogMyNumber = 0;
        } else if (ZoneUseMyNumber == 1) {
            Synchronize([this] { ConfirmMyNumber(); });
            if (Success == 0)
                return;
        }
        Success = 0;
        Synchronize([this] { BackupData(); });
    } else if (Mode == 1) {
        Synchronize([this] { ConfirmMyNumber(); });
        if (Success == 0)
            return;
        Success = 0;
        Synchronize([this] { RestoreData(); });
    } else if (Mode == 2) {
        Synchronize([this] { CopyDatabase(); });
    } else if (Mode == 3) {
        Synchronize([this] { RebuildDatabase(); });
    }
    Failed = Success ? 0 : 1;
}

void TBackupRestoreThread::ConfirmMyNumber()
{
    MyNumberAction = 0;
    // Only a company database holds individual-number settings; a system database (or a file
    // that is not ours, refused by the step itself) has none to read or to protect.
    if (databaseKind(DBPath) != 1) {
        Success = 1;
        return;
    }
    if (Mode == 0) {
        Success = 1;
        if (AskMyNumber != 1) {
            MyNumberAction = 6;
            return;
        }
        TMessage2InfoRec rec;
        if (SystemDef.MyNumberAdm == 1) {
            InitMessage2Info(mtConfirmation, rec);
            rec.Buttons = msgButton(mbYes) | msgButton(mbNo);
            rec.Lines[0].Text = "保存データにマイナンバー情報を含めますか？";
            if (ShowMessageBox2(rec) == 6) {
                MyNumberAction = 6;
                TMyNumberIO io;
                io.ReadSettings(HostName, DBPath, "", ProcessName);
                Success = ConfirmMyNumberPassword(io.KeyText) ? 1 : 0;
                if (Success == 0)
                    SetResult("100", "BackupDatabase", kBackupStopped, "");
            } else {
                ExcludeMyNumber = 1;
            }
        } else {
            InitMessage2Info(mtInformation, rec);
            rec.Lines[0].Text = "保存データにマイナンバー情報は含まれません。";
            ShowMessageBox2(rec);
            ExcludeMyNumber = 1;
        }
    } else if (Mode == 1) {
        Success = 1;
        TMyNumberIO io;
        io.ReadSettings(HostName, DBPath, "", ProcessName);
        if (io.UseSwitch == 1 && ZoneUseMyNumber == 0) {
            Success = 0;
            Failed = 0;
            SetResult("200", "RestoreDatabase",
                      "マイナンバー情報を管理しているデータへの復元はおこなえません。",
                      kRestoreStopped);
        } else if (ZoneUseMyNumber == 1) {
            MyNumberAction = 7;
        }
    }
}

std::string TBackupRestoreThread::serverWorkFile() const
{
    const std::string name = platform::paths::changeFileExt(
        platform::paths::extractFileName(BackupFile), "." + std::to_string(SystemDef.LoginId));
    return SystemDef.ServerTempFolder + "\\" + name;
}

bool TBackupRestoreThread::backupThroughFileMan()
{
    TDM& d = *DM;
    if (!d.DExist(SystemDef.ServerTempFolder, ConnectMode))
        d.MkDir(SystemDef.ServerTempFolder, ConnectMode);
    const std::string work = serverWorkFile();
    const std::string key = "DWZ_" + std::to_string(SystemDef.LoginId);
    if (!d.BackupFDB(TDM::kProtocolTcp, HostName, DBPath, work, true))
        return false;
    bool ok = false;
    firebird::StartedHere tr(d.IBTransFileMan);
    firebird::Statement& q = d.IBQueryFileMan;
    // Key and path travel as parameters: a path with an apostrophe must not break the SQL.
    q.setSql("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID");
    q.setString("CONTENT_ID", key);
    q.execute();
    q.setSql("INSERT INTO FILETRANS(CONTENT_ID,CONTENT)\n"
             "VALUES(:CONTENT_ID,SP_FILETOBLOB(:FILEPATH))");
    q.setString("CONTENT_ID", key);
    q.setString("FILEPATH", platform::paths::toNative(work).string());
    q.execute();
    d.IBTransFileMan.commitRetaining();
    q.setSql("SELECT CONTENT_ID,CONTENT FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID");
    q.setString("CONTENT_ID", key);
    {
        firebird::Cursor c = q.open();
        if (c.fetch() && !c.isNull("CONTENT")) {
            firebird::Blob blob(d.IBTransFileMan, c.getBlobId("CONTENT"));
            const std::string bytes = blob.readAll();
            if (!bytes.empty()) {
                // Written whole or not at all, in pieces of at most 1024 bytes.
                platform::files::AtomicWriter out(BackupFile);
                for (std::size_t at = 0; at < bytes.size(); at += 1024)
                    out.write(std::string_view(bytes).substr(at, 1024));
                out.commit();
                ok = true;
            }
        }
    }
    q.setSql("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID");
    q.setString("CONTENT_ID", key);
    q.execute();
    tr.commit();
    return ok;
}

bool TBackupRestoreThread::restoreThroughFileMan()
{
    TDM& d = *DM;
    if (!d.DExist(SystemDef.ServerTempFolder, ConnectMode))
        d.MkDir(SystemDef.ServerTempFolder, ConnectMode);
    const std::string work = serverWorkFile();
    const std::string key = "DWZ_" + std::to_string(SystemDef.LoginId);
    bool reached = false;
    {
        firebird::StartedHere tr(d.IBTransFileMan);
        firebird::Statement& q = d.IBQueryFileMan;
        q.setSql("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID");
        q.setString("CONTENT_ID", key);
        q.execute();
        q.setSql("INSERT INTO FILETRANS(CONTENT_ID,CONTENT)\nVALUES(:CONTENT_ID,:CONTENT)");
        q.setString("CONTENT_ID", key);
        q.setBlob("CONTENT",
                  firebird::Blob::create(d.IBTransFileMan, platform::files::readAll(BackupFile)));
        q.execute();
        d.IBTransFileMan.commitRetaining();
        q.setSql("SELECT CONTENT_ID,SP_BLOBTOFILE(:FILEPATH, CONTENT) AS CONTENT FROM FILETRANS\n"
                 "WHERE CONTENT_ID=:CONTENT_ID");
        q.setString("FILEPATH", platform::paths::toNative(work).string());
        q.setString("CONTENT_ID", key);
        {
            firebird::Cursor c = q.open();
            if (c.fetch() && !c.isNull("CONTENT"))
                reached = c.getInt64("CONTENT") > 0;
        }
        q.setSql("DELETE FROM FILETRANS\nWHERE CONTENT_ID=:CONTENT_ID");
        q.setString("CONTENT_ID", key);
        q.execute();
        tr.commit();
    }
    if (!reached)
        return false;
    return d.RestoreFDB(TDM::kProtocolTcp, HostName, DBPath, work, ActiveIndexes != 0);
}

void TBackupRestoreThread::BackupData()
{
    const int kind = databaseKind(DBPath);
    if (kind < 0) {
        SetResult("101", "BackupDatabase", kNotOurData, kBackupStopped);
        return;
    }
    TMyNumberIO io;
    bool cleared = false;
    // The settings cleared for the backup go back into the live data on every way out.
    struct WriteBack {
        TBackupRestoreThread& th;
        TMyNumberIO& io;
        bool& cleared;
        ~WriteBack()
        {
            if (!cleared)
                return;
            try {
                io.WriteSettings(th.HostName, th.DBPath);
                th.ZoneUseMyNumber = io.UseSwitch == 1 ? 1 : 0;
            } catch (const std::exception& e) {
                ShowErrorDialog("マイナンバー情報の書き込みに失敗しました。", e.what(), 1);
            }
        }
    } writeBack{*this, io, cleared};
    try {
        if (kind == 1) {
            if (LogMyNumber == 1 && MyNumberAction == 6) {
                TMyNumberLogRec rec;
                io.SetLogRec(rec, 6, ProcessName);
                io.AddLogTo(rec, HostName, DBPath);
            }
            if (ExcludeMyNumber == 1) {
                ZoneUseMyNumber = 0;
                cleared = true;
                io.ReadSettings(HostName, DBPath, "MyNumber_Clear", ProcessName + "＞データ保存");
            }
        }
        if (ServerKind == 0) {
            Success = isRemoteHost(HostName)
                          ? DM->BackupFDB(TDM::kProtocolTcp, HostName, DBPath, BackupFile, true)
                          : DM->BackupFDB(TDM::kProtocolLocal, "", DBPath, BackupFile, false);
        } else {
            FileManClose close;
            if (DM->fnFileManConnected(SystemDef.HostName))
                Success = backupThroughFileMan() ? 1 : 0;
            else
                Success = DM->BackupFDBByTool(TDM::kProtocolTcp, HostName, DBPath, BackupFile,
                                              true);
        }
        if (Success && WriteZone == 1)
            WriteZoneInfo(BackupFile);
    } catch (const firebird::DatabaseError& e) {
        Success = 0;
        HandleDbError(e, "TBackupRestoreThread.BackupData", "データベースのバックアップに失敗しました。",
                      true);
    } catch (const std::exception& e) {
        Success = 0;
        ShowErrorDialog("データベースのバックアップに失敗しました。", e.what(), 1);
    }
    if (!Success)
        SetResult("100", "BackupDatabase", kBackupStopped, "");
}

void TBackupRestoreThread::RestoreData()
{
    const int kind = databaseKind(DBPath);
    if (kind < 0) {
        SetResult("201", "RestoreDatabase", kNotOurData, kRestoreStopped);
        return;
    }
    if (DM->AccDatInConnection(kind, HostName, platform::paths::extractFileDir(DBPath), 0)) {
        SetResult("202", "RestoreDatabase",
                  "このデータは、他のオペレータが使用中のため復元処理を行うことが出来ません。",
                  kRestoreStopped);
        return;
    }
    TMyNumberIO io;
    try {
        if (kind == 1 && MyNumberAction == 7)
            io.ReadLogOf(HostName, DBPath);
        if (ServerKind == 0) {
            Success = isRemoteHost(HostName)
                          ? DM->RestoreFDB(TDM::kProtocolTcp, HostName, DBPath, BackupFile,
                                           ActiveIndexes != 0)
                          : DM->RestoreFDB(TDM::kProtocolLocal, "", DBPath, BackupFile,
                                           ActiveIndexes != 0);
        } else {
            FileManClose close;
            if (DM->fnFileManConnected(SystemDef.HostName))
                Success = restoreThroughFileMan() ? 1 : 0;
            else
                Success = DM->RestoreFDBByTool(TDM::kProtocolTcp, HostName, DBPath, BackupFile,
                                               ActiveIndexes != 0);
        }
    } catch (const firebird::DatabaseError& e) {
        Success = 0;
        HandleDbError(e, "TBackupRestoreThread.RestoreData", "データベースのリストアに失敗しました。",
                      true);
    } catch (const std::exception& e) {
        Success = 0;
        ShowErrorDialog("データベースのリストアに失敗しました。", e.what(), 1);
    }
    if (!Success) {
        SetResult("200", "RestoreDatabase", kRestoreStopped, "");
        return;
    }
    if (kind == 1 && MyNumberAction == 7) {
        if (ProcessName.empty())
            ProcessName = AppInfo.Zaimu.AppTitle;
        if (LogMyNumber == 1) {
            TMyNumberLogRec rec;
            io.SetLogRec(rec, 7, ProcessName);
            io.AddLogTo(rec, HostName, DBPath);
        }
        io.MergeLog(HostName, DBPath);
    }
}

void TBackupRestoreThread::CopyDatabase()
{
    Success = 0;
    if (!DM)
        return;
    // The restore follows only a backup that succeeded: otherwise a stale backup file left by
    // an earlier run would be restored over the destination, in place for a rebuild.
    bool backedUp = false;
    if (ServerKind == 0 && !HostName.empty() && HostName != "127.0.0.1") {
        backedUp = DM->BackupFDB(TDM::kProtocolTcp, HostName, DBPath, BackupFile, true);
        if (backedUp)
            Success = DM->RestoreFDB(TDM::kProtocolTcp, HostName, DestDBPath, BackupFile,
                                     ActiveIndexes != 0);
    } else if (ServerKind == 0) {
        backedUp = DM->BackupFDB(TDM::kProtocolLocal, "", DBPath, BackupFile, false);
        if (backedUp)
            Success = DM->RestoreFDB(TDM::kProtocolLocal, "", DestDBPath, BackupFile,
                                     ActiveIndexes != 0);
    } else {
        backedUp = DM->BackupFDBByTool(TDM::kProtocolTcp, HostName, DBPath, BackupFile, true);
        if (backedUp)
            Success = DM->RestoreFDBByTool(TDM::kProtocolTcp, HostName, DestDBPath, BackupFile,
                                           ActiveIndexes != 0);
    }
}

void TBackupRestoreThread::RebuildDatabase()
{
    DestDBPath = DBPath;
    CopyDatabase();
}
