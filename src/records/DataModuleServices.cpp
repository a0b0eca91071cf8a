// The data module's services: backup, restore and validation, file operations on this machine
// or the database server's, schema tests, journal counts, the era table and setting lookups.
#include "records/DataModule.h"

#include "accounting/EraDates.h"
#include "firebird/DatabaseError.h"
#include "firebird/ServiceManager.h"
#include "platform/ExternalTool.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "records/DbErrorHandler.h"
#include "records/FileUtils.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <QCoreApplication>

#include <cctype>
#include <stdexcept>
#include <vector>

namespace {

namespace paths = platform::paths;
namespace files = platform::files;

const char* const kBackupFailed = "データベースのバックアップに失敗しました。";
const char* const kRestoreFailed = "データベースのリストアに失敗しました。";
const char* const kMoveFailed = "データベースバックアップファイルのMoveに失敗しました。";
const char* const kBackupToolFailed =
    "バックアップツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。";
const char* const kRestoreToolFailed =
    "レストアツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。";
const char* const kBackupError = "バックアップ中にエラーが発生しました。\r";
const char* const kRestoreError = "レストア中にエラーが発生しました。\r";
const char* const kLocalHost = "127.0.0.1";
// Status codes after which a validation counts the file as not damaged.
constexpr long kValidationNotDamaged[] = {335544325, firebird::kIoError};

std::string trimmed(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

using platform::text::upperAscii;

bool containsNoCase(const std::string& text, const std::string& part)
{
    return upperAscii(text).find(upperAscii(part)) != std::string::npos;
}

std::string native(const std::string& path) { return paths::toNative(path).string(); }

void letGuiRun(const std::string&) { QCoreApplication::processEvents(); }

// The service reports some failures (a truncated backup file, for one) only as an output line
// while the call itself succeeds; such a run must not count as done.
void raiseOnErrorLines(const std::vector<std::string>& lines)
{
    std::string errors;
    for (const std::string& line : lines)
        if (line.find("ERROR") != std::string::npos)
            errors += (errors.empty() ? "" : "\r") + line;
    if (!errors.empty())
        throw std::runtime_error(errors);
}

// One long service operation at a time: the waits let the GUI run, and a handler that starts a
// second one meanwhile is refused.
bool g_serviceBusy = false;
std::function<void(bool)> g_busyHook;

class ServiceBusy {
public:
    ServiceBusy() : m_acquired(!g_serviceBusy)
    {
        if (!m_acquired)
            return;
        g_serviceBusy = true;
        if (g_busyHook)
            g_busyHook(true);
    }
    ~ServiceBusy()
    {
        if (!m_acquired)
            return;
        g_serviceBusy = false;
        if (g_busyHook)
            g_busyHook(false);
    }
    ServiceBusy(const ServiceBusy&) = delete;
    ServiceBusy& operator=(const ServiceBusy&) = delete;
    explicit operator bool() const { return m_acquired; }

private:
    bool m_acquired;
};

// gbak's log in the temporary folder, removed before the tool runs.
std::string gbakLog()
{
    const std::string folder = platform::workFolder(SystemDef.WinTempFolder);
    const std::string log = paths::join(folder, "gbak.log");
    if (files::exists(log))
        files::removeFile(log);
    return log;
}

// Runs gbak; raises startFailed when it does not start and errorHead + the log when the log
// holds "ERROR" or the tool failed without saying so.
void runGbak(const std::vector<std::string>& args, const std::string& log,
             const char* startFailed, const char* errorHead)
{
    const std::string program = platform::tools::toolProgram("gbak.exe", SystemDef.ExeFolder);
    const auto result =
        platform::tools::runTool(program, args, {{"ISC_PASSWORD", SystemDef.DbPassword}});
    if (!result.started)
        throw std::runtime_error(startFailed);
    const std::string text = files::exists(log) ? files::readAll(log) : std::string();
    if (text.find("ERROR") != std::string::npos || result.exitCode != 0)
        throw std::runtime_error(errorHead + text);
}

// The database as gbak names it.
std::string toolDatabase(const std::string& host, const std::string& file)
{
    return host.empty() ? native(file) : host + ":" + native(file);
}

// The work file a restore writes before it replaces the database.
std::string restoreWorkFile(const std::string& databaseFile)
{
    return paths::changeFileExt(databaseFile, ".fr_");
}

// A truncated backup makes the restore ask for the next volume and stop there, which the
// service does not report as an error: only a restore that got to its last step counts.
void raiseUnlessFinished(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        if (line.find("finishing, closing, and going home") != std::string::npos)
            return;
    std::string tail;
    for (std::size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i)
        tail += (tail.empty() ? "" : "\r") + lines[i];
    throw std::runtime_error(tail.empty() ? std::string("no output") : tail);
}

// Replacing a database that others have open would leave them writing to the old file, lost
// to everyone after them: refuse, as a restore in place would. The server lists its
// attachments to an administrator; where it lists nothing we cannot tell.
void refuseWhileInUse(firebird::ServiceManager& service, const std::string& databaseFile)
{
    std::vector<std::string> attached;
    try {
        attached = service.attachedDatabases();
    } catch (const firebird::DatabaseError&) {
        return;
    }
    const std::string target = native(databaseFile);
    for (const std::string& name : attached)
        if (paths::samePath(name, target))
            throw std::runtime_error("データベースが使用中です。<" + databaseFile + ">");
}

} // namespace

void TDM::setServiceBusyHook(std::function<void(bool busy)> hook) { g_busyHook = std::move(hook); }

// ---- Backup -------------------------------------------------------------------------------

bool TDM::BackupFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                    const std::string& BackupFile, bool KeepName)
{
    ServiceBusy busy;
    if (!busy)
        return false;
    const std::string work =
        KeepName ? BackupFile
                 : paths::join(paths::extractFileDir(DatabaseFile),
                               paths::changeFileExt(BackupWorkFile, ".fb_"));
    try {
        firebird::ServiceManager service(Protocol == kProtocolLocal ? std::string() : Host,
                                         SystemDef.DbUser, SystemDef.DbPassword);
        firebird::BackupOptions options;
        options.ignoreLimbo = options.noGarbageCollection = options.nonTransportable = true;
        options.verbose = true;
        raiseOnErrorLines(
            service.backup(native(DatabaseFile), native(work), options, letGuiRun));
        service.detach();
        if (!KeepName && !paths::samePath(work, BackupFile)) {
            if (FExist(BackupFile, ConnectMode))
                FDel(BackupFile, ConnectMode, false);
            if (!FMove(work, BackupFile, ConnectMode))
                throw std::runtime_error(kMoveFailed);
        }
        return true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.BackupFDB", kBackupFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kBackupFailed, e.what(), 1);
    }
    return false;
}

bool TDM::BackupFDBByTool(int, const std::string& Host, const std::string& DatabaseFile,
                          const std::string& BackupFile, bool KeepName)
{
    if (Host == kLocalHost)
        return BackupFDB(kProtocolLocal, Host, DatabaseFile, BackupFile, KeepName);
    ServiceBusy busy;
    if (!busy)
        return false;
    const std::string log = gbakLog();
    runGbak({"-b", "-g", "-user", SystemDef.DbUser, "-y", native(log),
             toolDatabase(Host, DatabaseFile), native(BackupFile)},
            log, kBackupToolFailed, kBackupError);
    return true;
}

// ---- Restore ------------------------------------------------------------------------------

// Puts the restored work file in the database's place, in the location mode.
void TDM::replaceByRestored(const std::string& work, const std::string& DatabaseFile)
{
    bool replaced = false;
    if (ConnectMode == 0) {
        files::rename(work, DatabaseFile); // one step: never a half-written database
        replaced = true;
    } else {
        replaced = FCopy(work, DatabaseFile, ConnectMode);
        FDel(work, ConnectMode, false);
    }
    if (!replaced)
        throw std::runtime_error("リストアしたデータベースで " + DatabaseFile
                                 + " を置き換えられませんでした。");
}

void TDM::dropRestoreWork(const std::string& work) noexcept
{
    try {
        if (ConnectMode == 0) {
            if (files::exists(work))
                files::removeFile(work);
        } else if ((ConnectMode == 1 || ConnectMode == 2) && IBDatabaseDEF.connected()) {
            if (ServerFileOperation("FExist", work, ""))
                ServerFileOperation("FDel", work, "");
        }
    } catch (...) {
        // a left-over work file is replaced by the next restore
    }
}

// The restored company database loses its operation history.
bool TDM::afterRestore(const std::string& Host, const std::string& DatabaseFile)
{
    if (!containsNoCase(DatabaseFile, DataFile))
        return true;
    if (!fnAccDatConnected(Host, paths::extractFileDir(DatabaseFile), 0))
        return false;
    const bool started = !IBTransactionDAT.inTransaction();
    if (started)
        IBTransactionDAT.start();
    firebird::Statement del(IBTransactionDAT, "DELETE FROM OPINF");
    del.execute();
    if (started)
        IBTransactionDAT.commit();
    return true;
}

void TDM::closeRestored(const std::string& DatabaseFile) noexcept
{
    try {
        fnAccDatDisconnected(DatabaseFile, 0, 0);
    } catch (...) {
        IBDatabaseDAT.forceClose();
    }
}

bool TDM::RestoreFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                     const std::string& BackupFile, bool KeepIndexes)
{
    ServiceBusy busy;
    if (!busy)
        return false;
    const std::string work = restoreWorkFile(DatabaseFile);
    bool result = false;
    bool started = false;
    try {
        firebird::ServiceManager service(Protocol == kProtocolLocal ? std::string() : Host,
                                         SystemDef.DbUser, SystemDef.DbPassword);
        firebird::RestoreOptions options;
        options.replace = options.create = true;
        options.deactivateIndexes = !KeepIndexes;
        options.pageBuffers = 4096;
        options.pageSize = 16384;
        options.verbose = true;
        started = true;
        const auto lines = service.restore(native(BackupFile), native(work), options, letGuiRun);
        raiseOnErrorLines(lines);
        raiseUnlessFinished(lines);
        refuseWhileInUse(service, DatabaseFile);
        service.detach();
        replaceByRestored(work, DatabaseFile);
        std::string host = Host;
        if ((ConnectMode == 1 || ConnectMode == 2) && Protocol == kProtocolLocal && Host.empty())
            host = kLocalHost;
        result = afterRestore(host, DatabaseFile);
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.RestoreFDB", kRestoreFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kRestoreFailed, e.what(), 1);
    }
    if (started) {
        dropRestoreWork(work);
        closeRestored(DatabaseFile);
    }
    return result;
}

bool TDM::RestoreFDBByTool(int, const std::string& Host, const std::string& DatabaseFile,
                           const std::string& BackupFile, bool KeepIndexes)
{
    if (Host == kLocalHost)
        return RestoreFDB(kProtocolLocal, Host, DatabaseFile, BackupFile, KeepIndexes);
    if (!files::fileExists(BackupFile))
        return false;
    ServiceBusy busy;
    if (!busy)
        return false;
    const std::string work = restoreWorkFile(DatabaseFile);
    bool result = false;
    try {
        const std::string log = gbakLog();
        // -rep: Firebird 3's gbak recreates with -r and replaces only with -rep.
        runGbak({"-rep", "-bu", "4096", "-p", "16384", "-user", SystemDef.DbUser, "-y",
                 native(log), native(BackupFile), toolDatabase(Host, work)},
                log, kRestoreToolFailed, kRestoreError);
        if (!Host.empty()) {
            firebird::ServiceManager service(Host, SystemDef.DbUser, SystemDef.DbPassword);
            refuseWhileInUse(service, DatabaseFile);
        }
        replaceByRestored(work, DatabaseFile);
        result = afterRestore(Host, DatabaseFile);
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.RestoreFDB", kRestoreFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kRestoreFailed, e.what(), 1);
    }
    dropRestoreWork(work);
    closeRestored(DatabaseFile);
    return result;
}

// ---- Validation ---------------------------------------------------------------------------

bool TDM::ValidateFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile)
{
    ServiceBusy busy;
    if (!busy)
        return false;
    bool wasConnected = false;
    // The company database closed for the check is open again on every way out; where that
    // fails the error below, or the next step, tells.
    const auto reopen = [&] {
        if (!wasConnected || IBDatabaseDAT.connected())
            return;
        try {
            IBDatabaseDAT.connect(IBDatabaseDAT.params());
        } catch (const std::exception&) {
        }
    };
    try {
        wasConnected = IBDatabaseDAT.connected();
        if (wasConnected)
            IBDatabaseDAT.disconnect();
        firebird::ServiceManager service(Protocol == kProtocolLocal ? std::string() : Host,
                                         SystemDef.DbUser, SystemDef.DbPassword);
        bool sound = true;
        service.validate(native(DatabaseFile), firebird::ValidateOptions{true},
                         [&sound](const std::string& line) {
                             QCoreApplication::processEvents();
                             if (!trimmed(line).empty())
                                 sound = false;
                         });
        service.detach();
        if (wasConnected)
            IBDatabaseDAT.connect(IBDatabaseDAT.params());
        return sound;
    } catch (const firebird::DatabaseError& e) {
        reopen();
        // A server out of reach has checked nothing: the data is not called damaged for it.
        // Logged and counted only: a recovery from here would open the company database, and
        // an open that fails runs this check again.
        if (firebird::isConnectionLoss(e)) {
            HandleDbError(e, "TDM.ValidateFDB", "", false);
            return true;
        }
        for (long code : kValidationNotDamaged)
            if (e.statusCode() == code)
                return true;
    } catch (const std::exception&) {
        reopen();
    }
    return false;
}

// ---- File operations ----------------------------------------------------------------------

bool TDM::ServerFileOperation(const std::string& Mode, const std::string& Path1,
                              const std::string& Path2, bool* Failed)
{
    if (Failed)
        *Failed = false;
    const std::string mode = upperAscii(Mode);
    const bool fileMode = mode == "FEXIST" || mode == "FCOPY" || mode == "FDEL";
    const bool folderMode = mode == "DEXIST" || mode == "MKDIR" || mode == "RMDIR";
    if (!fileMode && !folderMode)
        return false;
    if (trimmed(Path1).empty() || (mode == "FCOPY" && trimmed(Path2).empty()))
        return false;
    const std::string message = "サーバーへのファイル操作(" + mode + ")に失敗しました。";
    const bool started = !IBTransactionDEF.inTransaction();
    // A lost link cannot roll back: the transaction is gone either way, and the error to
    // report is the first one.
    const auto rollBackQuietly = [&] {
        if (!started || !IBTransactionDEF.inTransaction())
            return;
        try {
            IBTransactionDEF.rollback();
        } catch (const std::exception&) {
        }
    };
    try {
        if (started)
            IBTransactionDEF.start();
        // The server sees this machine's file system (loopback): send the native paths.
        if (fileMode) {
            IBSQLDEF.setSql("SELECT WBOOL FROM FILEOPERATION(:MODE,:FILEPATH1,:FILEPATH2)");
            IBSQLDEF.setString("FILEPATH2", trimmed(Path2).empty() ? Path2 : native(Path2));
        } else {
            IBSQLDEF.setSql("SELECT WBOOL FROM DIRECTORYTEST(:MODE,:FILEPATH1)");
        }
        IBSQLDEF.setString("MODE", mode);
        IBSQLDEF.setString("FILEPATH1", native(Path1));
        bool ok = false;
        {
            firebird::Cursor row = IBSQLDEF.open();
            ok = row.fetch() && row.getInt("WBOOL") == 1;
        }
        if (started)
            IBTransactionDEF.commit();
        return ok;
    } catch (const firebird::DatabaseError& e) {
        rollBackQuietly();
        if (Failed)
            *Failed = true;
        ++ServerFileErrors;
        HandleDbError(e, "TDM.ServerFileOperation", message, true);
    } catch (const std::exception& e) {
        rollBackQuietly();
        if (Failed)
            *Failed = true;
        ++ServerFileErrors;
        if (!records::noteConnectionLoss(e)) // a connection the handler left closed
            ShowErrorDialog(message, e.what(), 1);
    }
    return false;
}

void TDM::ServerLongToShortFileName(const std::string& LongName, std::string& ShortName)
{
    if (trimmed(LongName).empty())
        return;
    const char* const message = "サーバーからのファイル名の変換(LongToShort)に失敗しました。";
    bool connectedHere = false;
    bool started = false;
    try {
        if (!IBDatabaseDEF.connected())
            connectedHere = fnAccDefConnected(SystemDef.HostName, 1);
        started = !IBTransactionDEF.inTransaction();
        if (started)
            IBTransactionDEF.start();
        IBSQLDEF.setSql("SELECT SHORTNAME FROM LONGTOSHORTFILENAME(:LONGNAME)");
        IBSQLDEF.setString("LONGNAME", LongName);
        firebird::Cursor row = IBSQLDEF.open();
        if (row.fetch())
            ShortName = row.getString("SHORTNAME");
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.ServerLongToShortFileName", message, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(message, e.what(), 1);
    }
    try {
        if (started && IBTransactionDEF.inTransaction())
            IBTransactionDEF.commit();
        if (connectedHere && IBDatabaseDEF.connected())
            IBDatabaseDEF.disconnect();
    } catch (const std::exception&) {
        // closing is best effort
    }
}

bool TDM::DExist(const std::string& Path, int ConnMode)
{
    if (ConnMode == 0)
        return files::directoryExists(Path);
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("DExist", Path, "");
    return false;
}

bool TDM::MkDir(const std::string& Path, int ConnMode)
{
    if (ConnMode == 0)
        return ForceFolder(Path);
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("MkDir", Path, "");
    return false;
}

bool TDM::RmDir(const std::string& Path, int ConnMode, bool AllowUndo)
{
    if (ConnMode == 0)
        return ShellFileDelete(Path, FO_DELETE, AllowUndo, true);
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("RmDir", Path, "");
    return false;
}

bool TDM::FDel(const std::string& Path, int ConnMode, bool AllowUndo)
{
    if (ConnMode == 0)
        return ShellFileDelete(Path, FO_DELETE, AllowUndo, true);
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("FDel", Path, "");
    return false;
}

bool TDM::FCopy(const std::string& Source, const std::string& Target, int ConnMode)
{
    if (ConnMode == 0)
        return ShellFileCopy(Source, Target, FO_COPY);
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("FCopy", Source, Target);
    return false;
}

bool TDM::FMove(const std::string& Source, const std::string& Target, int ConnMode)
{
    if (ConnMode == 0) {
        try {
            files::rename(Source, Target);
            return true;
        } catch (const std::exception&) {
            // another file system: copy, then remove the source
            return FCopy(Source, Target, 0) && ShellFileDelete(Source, FO_DELETE, false, true);
        }
    }
    if (ConnMode == 1 || ConnMode == 2)
        return ServerFileOperation("FCopy", Source, Target)
               && ServerFileOperation("FDel", Source, "");
    return false;
}

void TDM::LongToShortFileName(const std::string& Path, int ConnMode, std::string& ShortPath)
{
    if (ConnMode == 0) {
        try {
            ShortPath = GetShortPath(Path);
        } catch (const std::exception&) {
            ShortPath = Path;
        }
    } else if (ConnMode == 1 || ConnMode == 2)
        ServerLongToShortFileName(Path, ShortPath);
}

// ---- Schema tests and journal counts ------------------------------------------------------

namespace {

// The first column of the first row (0 for none or NULL).
int countOn(firebird::Statement& st)
{
    firebird::Cursor row = st.open();
    return row.fetch() ? int(row.getInt64(0)) : 0;
}

} // namespace

bool TDM::fnExistence_Table(const std::string& TableName)
{
    const bool started = !IBTransactionDAT.inTransaction();
    bool found = false;
    try {
        if (started)
            IBTransactionDAT.start();
        IBQACC1.setSql("SELECT Count(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME=:Table_NAME");
        IBQACC1.setString("Table_NAME", TableName);
        found = countOn(IBQACC1) > 0;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnExistence_Table", "テーブルの存在情報の取得に失敗しました。", true);
    } catch (...) {
        if (started && IBTransactionDAT.inTransaction())
            IBTransactionDAT.rollback();
        throw;
    }
    if (started && IBTransactionDAT.inTransaction())
        IBTransactionDAT.commit();
    return found;
}

bool TDM::fnExistence_Field(const std::string& TableName, const std::string& FieldName)
{
    const bool started = !IBTransactionDAT.inTransaction();
    bool found = false;
    try {
        if (started)
            IBTransactionDAT.start();
        IBQACC1.setSql("SELECT count(*) FROM RDB$RELATION_FIELDS WHERE (RDB$RELATION_NAME=:TABLE_NAME) "
                       "AND (RDB$FIELD_NAME=:FIELD_NAME )");
        IBQACC1.setString("TABLE_NAME", TableName);
        IBQACC1.setString("FIELD_NAME", FieldName);
        found = countOn(IBQACC1) > 0;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnExistence_Field", "テーブル項目の存在情報の取得に失敗しました。",
                      true);
    } catch (...) {
        if (started && IBTransactionDAT.inTransaction())
            IBTransactionDAT.rollback();
        throw;
    }
    if (started && IBTransactionDAT.inTransaction())
        IBTransactionDAT.commit();
    return found;
}

int TDM::journalCount(const std::string& sql, const std::string& SCode, const char* context)
{
    const bool started = !IBTransactionDAT.inTransaction();
    try {
        if (started)
            IBTransactionDAT.start();
        firebird::Statement st(IBTransactionDAT, sql);
        if (st.hasParameter("SCODE"))
            st.setString("SCODE", SCode);
        const int count = countOn(st);
        if (started)
            IBTransactionDAT.commit();
        return count;
    } catch (const firebird::DatabaseError& e) {
        if (started) {
            try {
                if (IBTransactionDAT.inTransaction())
                    IBTransactionDAT.commit();
            } catch (const std::exception&) {
            }
            HandleDbError(e, context, "", true);
        }
        throw;
    } catch (...) {
        if (started && IBTransactionDAT.inTransaction())
            IBTransactionDAT.rollback();
        throw;
    }
}

int TDM::GetYukouSiwakeCount(const std::string& SCode)
{
    if (RunMode > 2)
        return -1; // other counting modes do not occur in this program
    const bool one = !trimmed(SCode).empty();
    return journalCount(one ? "SELECT SIWAKECOUNT AS SWKCNT FROM SISETUMST WHERE (SCODE=:SCODE)"
                            : "SELECT SUM(SIWAKECOUNT) AS SWKCNT FROM SISETUMST",
                        SCode, "TDM.GetYukouSiwakeCount");
}

int TDM::GetUpDelSiwakeCount(const std::string& SCode)
{
    std::string sql = "SELECT COUNT(REC) AS SWKCNT FROM SIWAKE WHERE (DELFLG IN (1,2) AND TAISHAKU=1)";
    if (!trimmed(SCode).empty())
        sql += " AND (SCODE=:SCODE)";
    return journalCount(sql, SCode, "TDM.GetUpDelSiwakeCount");
}

int TDM::GetSiwakeCount(const std::string& SCode, int& Valid, int& UpDel)
{
    Valid = GetYukouSiwakeCount(SCode);
    UpDel = GetUpDelSiwakeCount(SCode);
    return Valid + UpDel;
}

int TDM::GetSiwakeTotal(const std::string& SCode)
{
    int valid = 0;
    int upDel = 0;
    return GetSiwakeCount(SCode, valid, upDel);
}

// ---- Era table ----------------------------------------------------------------------------

void TDM::fnGetGengo()
{
    GengoTable.clear();
    const bool started = !IBTransactionDEF.inTransaction();
    try {
        if (started)
            IBTransactionDEF.start();
        IBSQLDEF.setSql("SELECT COUNT(*) AS RECCNT FROM GENGO");
        std::size_t count = 0;
        {
            firebird::Cursor row = IBSQLDEF.open();
            if (row.fetch())
                count = std::size_t(std::max<std::int64_t>(0, row.getInt64("RECCNT")));
        }
        IBSQLDEF.setSql("SELECT GNAME,GSIGN,STARTDATE,YEAROFFSET FROM GENGO ORDER BY YEAROFFSET DESC");
        firebird::Cursor row = IBSQLDEF.open();
        // Never more rows than counted, whatever the second read returns.
        while (GengoTable.size() < count && row.fetch()) {
            TGengoRec era;
            era.name = row.getString("GNAME");
            era.letter = row.getString("GSIGN");
            era.start = row.getDateTime("STARTDATE");
            era.startYear = row.getInt("YEAROFFSET");
            GengoTable.push_back(std::move(era));
        }
        row.close();
        if (started)
            IBTransactionDEF.commit();
    } catch (const std::exception&) {
        try {
            if (started && IBTransactionDEF.inTransaction())
                IBTransactionDEF.commit();
        } catch (const std::exception&) {
        }
    }
    if (GengoTable.empty())
        pcGengoInit();
}

// ---- Data folder numbers and setting texts ------------------------------------------------

void TDM::GetDataPathNo(const std::string& Path, std::string& No1, std::string& No2)
{
    const std::string path = RemoveSpaces(Path);
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string name = upperAscii(parts[i]);
        if (name != "DATA" && name != "CB_DATA")
            continue;
        if (i + 1 < parts.size())
            No1 = parts[i + 1];
        if (i + 2 < parts.size())
            No2 = parts[i + 2];
        return;
    }
}

void TDM::GetDataListRec(const std::string& Path, int& Rec, int& RowNo)
{
    Rec = 0;
    RowNo = 0;
    if (trimmed(Path).empty())
        return;
    if (ConnectMode == 0) {
        std::string no1;
        std::string no2;
        GetDataPathNo(Path, no1, no2);
        Rec = platform::text::toIntOr0(no1);
        RowNo = platform::text::toIntOr0(no2);
        return;
    }
    if (ConnectMode != 1 && ConnectMode != 2)
        return;
    const bool started = !IBTransactionDEF.inTransaction();
    try {
        if (started)
            IBTransactionDEF.start();
        IBSQLDEF.setSql("SELECT REC FROM DATALIST WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
        IBSQLDEF.setInt("GROUPID", SystemDef.GroupId);
        IBSQLDEF.setString("PASNAME", upperAscii(Path));
        firebird::Cursor row = IBSQLDEF.open();
        while (row.fetch())
            Rec = row.getInt("REC");
        row.close();
        if (started)
            IBTransactionDEF.commit();
    } catch (const std::exception&) {
        try {
            if (started && IBTransactionDEF.inTransaction())
                IBTransactionDEF.commit();
        } catch (const std::exception&) {
        }
    }
}

void TDM::GetSStrText(const std::string& Text, const std::string& Name, std::string& Value)
{
    Value.clear();
    const std::string key = upperAscii(Name) + "=";
    std::size_t start = 0;
    while (start <= Text.size()) {
        std::size_t end = Text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = Text.size();
        const std::string line = Text.substr(start, end - start);
        if (upperAscii(line.substr(0, key.size())) == key) {
            Value = line.substr(key.size());
            return;
        }
        start = end + 1;
    }
}

void TDM::GetSStrValue(const std::string& Text, const std::string& Name,
                       std::variant<std::int64_t, std::string>& Value)
{
    Value = std::int64_t(0);
    const std::string name = upperAscii(Name);
    std::string text;
    GetSStrText(Text, name, text);
    if (name != "COLOR") {
        Value = text;
        return;
    }
    std::int64_t colour = 0;
    if (!trimmed(text).empty()) {
        try {
            std::size_t used = 0;
            const std::string t = trimmed(text);
            colour = std::stoll(t, &used);
            if (used != t.size())
                colour = 0;
        } catch (const std::exception&) {
            colour = 0;
        }
    }
    Value = colour <= 0 ? std::int64_t(0xFFAF80) : colour;
}
