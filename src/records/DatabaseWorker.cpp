// The backup and restore worker: copy and rebuild in place, each step on the GUI thread.
#include "records/DatabaseWorker.h"

#include "records/AppInfoRecord.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>

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
    if (Mode == 2)
        Synchronize([this] { CopyDatabase(); });
    else if (Mode == 3)
        Synchronize([this] { RebuildDatabase(); });
    Failed = Success ? 0 : 1;
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
