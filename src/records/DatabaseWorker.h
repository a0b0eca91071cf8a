#pragma once

// The backup and restore worker: a thread that orders database backup, restore, copy and
// rebuild steps, each run on the GUI thread.

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// `TBackupRestoreThread`: set the fields, `Resume`, then poll `IsTerminated` from the GUI
// thread with `WaitMSec(300)` (which delivers the steps), `wait()`, read the results, delete.
// All data-module and dialog work happens on the GUI thread; the worker only sequences it.
class TBackupRestoreThread : public QThread {
public:
    // A QThread never starts by itself; the flag only mirrors the callers' habit.
    explicit TBackupRestoreThread(bool CreateSuspended = true);
    ~TBackupRestoreThread() override;

    void Resume() { start(); }
    bool IsTerminated() const { return m_terminated.load(std::memory_order_acquire); }
    void ClearZoneInfo();
    // Appends the trailer (when ZoneShougou is set). File errors raise.
    void WriteZoneInfo(const std::string& File);
    // Reads the trailer into the Zone fields; with Cut the file loses it. True when it names a
    // company.
    bool ReadZoneInfo(const std::string& File, bool Cut);
    // The worker's body; also callable directly on the GUI thread (steps then run inline).
    void Execute();

    int32_t Mode = 0; // 0 backup, 1 restore, 2 copy, 3 rebuild in place
    uint8_t ServerKind = 0;
    std::string HostName;
    std::string DBPath;
    std::string DestDBPath;
    std::string BackupFile;
    uint8_t ActiveIndexes = 0;
    uint8_t Success = 0;
    uint8_t Failed = 0;
    std::string ErrMethod;
    std::string ErrCode;
    std::string ErrMessage;
    std::string ErrMessage2;
    uint8_t WriteZone = 0;
    uint8_t AskMyNumber = 0;
    uint8_t LogMyNumber = 0;
    uint8_t ExcludeMyNumber = 0;
    int32_t MyNumberAction = 0;
    std::string ProcessName;
    std::string ZoneShougou;
    std::string ZoneKishu;
    std::string ZoneKimatu;
    int32_t ZoneSiwake = 0;
    int32_t ZoneTotalSiwake = 0;
    std::string ZoneDataVersion;
    int32_t ZoneGassan = 0;
    int32_t ZoneUseMyNumber = 0;

protected:
    void run() override;

private:
    void Synchronize(const std::function<void()>& step);
    void ConfirmMyNumber();
    void BackupData();
    void RestoreData();
    void SetResult(const char* code, const char* method, const char* message,
                   const char* message2);
    // ServerKind 1 through the file-management database's FILETRANS.
    bool backupThroughFileMan();
    bool restoreThroughFileMan();
    std::string serverWorkFile() const;
    void CopyDatabase();
    void RebuildDatabase();

    std::atomic<bool> m_terminated{false};
};
