#include "records/DataModule.h"

#include "firebird/DatabaseError.h"
#include "firebird/ServiceManager.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataInformation.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <algorithm>

TDM* DM = nullptr;

namespace {

const char* const kDefConnectFailed = "システムデータベースの接続処理に失敗しました。";
const char* const kDatConnectFailed =
    "ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または "
    "使用中の可能性がありますので接続パスを確認して下さい。";
const char* const kInConnectionFailed = "データベースの使用情報の取得に失敗しました。";
const char* const kDropFailed = "ユーザーデータベースの削除処理に失敗しました。\r接続パスを確認して下さい。";
const char* const kLogonDeleteFailed = "ログイン情報の削除に失敗しました。";
const char* const kFileManFile = "dwfileman.fdb";
const char* const kLocalHost = "127.0.0.1";

using platform::text::lowerAscii;

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool isServerHost(const std::string& host)
{
    return ConnectMode != 0 && host != kLocalHost;
}

} // namespace

TDM::TDM()
{
    if (!DM)
        DM = this;
    QObject::connect(&TimerFormClose, &QTimer::timeout, [this] { TimerFormCloseTimer(); });
    QObject::connect(&TimerSyoriKidou, &QTimer::timeout, [this] { TimerSyoriKidouTimer(); });
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}

std::string TDM::ConnectName(const std::string& Host, const std::string& Folder,
                             const std::string& File, bool allowLocalHost)
{
    const bool server = ConnectMode != 0 && (!allowLocalHost || Host != kLocalHost);
    const std::string path =
        platform::paths::toNative(platform::paths::join(Folder, File)).string();
    return server ? Host + ":" + path : path;
}

void TDM::connectRule(firebird::Attachment& db, const std::string& host,
                      const std::string& folder, const std::string& file)
{
    db.clearParams();
    firebird::ConnectParams params;
    params.database = ConnectName(host, folder, file);
    params.user = SystemDef.DbUser;
    params.password = SystemDef.DbPassword;
    params.charset = "SJIS_0208";
    db.connect(params);
}

bool TDM::fnAccDefConnected(const std::string& Host, int ShowError)
{
    const std::string host = Host.empty() ? SystemDef.HostName : Host;
    if (IBDatabaseDEF.connected())
        return true;
    try {
        connectRule(IBDatabaseDEF, host, SystemDef.SysDir, DataDefFile);
        return IBDatabaseDEF.connected();
    } catch (const firebird::DatabaseError& e) {
        if (ShowError != 1)
            throw;
        HandleDbError(e, "TDM.fnAccDefConnected", kDefConnectFailed, false);
    } catch (const std::exception& e) {
        if (ShowError != 1)
            throw;
        ShowErrorDialog(kDefConnectFailed, e.what(), 1);
    }
    return false;
}

bool TDM::fnFileManConnected(const std::string& Host)
{
    try {
        if (!FExist(platform::paths::join(SystemDef.SysDir, kFileManFile), ConnectMode))
            return false;
        const std::string host = Host.empty() ? SystemDef.HostName : Host;
        if (IBFileMan.connected())
            return true;
        connectRule(IBFileMan, host, SystemDef.SysDir, kFileManFile);
        return IBFileMan.connected();
    } catch (const std::exception&) {
        return false;
    }
}

bool TDM::fnAccDatConnected(const std::string& Host, const std::string& Folder, int MarkInUse)
{
    const std::string host = Host.empty() ? SystemDef.HostName : Host;
    const std::string folder = Folder.empty() ? SystemDef.DataDir : Folder;
    try {
        try {
            IBDatabaseDAT.disconnect();
        } catch (const firebird::DatabaseError&) {
            IBDatabaseDAT.forceClose(); // a dead link cannot be closed cleanly
        }
        m_companyFolder = folder;
        connectRule(IBDatabaseDAT, host, folder, DataFile);
        if (MarkInUse != 0) {
            records::markDataSetInUse(folder);
            if (hooks.markInUse)
                hooks.markInUse(folder);
        }
        return IBDatabaseDAT.connected();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.fnAccDatConnected", kDatConnectFailed, false);
        if (e.statusCode() != firebird::kIoError)
            fnDataHasonCheck(host, folder, 1, 0);
    } catch (const std::exception& e) {
        ShowErrorDialog(kDatConnectFailed, e.what(), 1);
    }
    return false;
}

bool TDM::fnAccDatDisconnected(const std::string& Folder, int WriteInfo, int UpdateList)
{
    const std::string folder = Folder.empty() ? SystemDef.DataDir : Folder;
    const bool updateList = UpdateList != 0 && RunMode != 1;
    if (WriteInfo != 0)
        records::markDataSetFree(folder);
    if ((WriteInfo != 0 || updateList) && hooks.release)
        hooks.release(folder, WriteInfo != 0, updateList);
    if (IBDatabaseDAT.connected())
        IBDatabaseDAT.disconnect();
    // No parameters: the error handler then knows there is no company database to reopen.
    IBDatabaseDAT.clearParams();
    m_companyFolder.clear();
    return true;
}

bool TDM::AccDatInConnection(int Kind, const std::string& Host, const std::string& Folder,
                             int KeepOwn)
{
    const std::string host = Host.empty() ? SystemDef.HostName : Host;
    if (trimmed(Folder).empty())
        return false;
    firebird::Attachment& own = Kind == 0 ? IBDatabaseDEF : IBDatabaseDAT;
    bool closedOwn = false;
    bool found = false;
    auto reportDb = [](const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.AccDatInConnection", kInConnectionFailed, true);
    };
    try {
        // Short (8.3) names do not exist here: the lower-cased path is the name to compare.
        const std::string target = lowerAscii(platform::paths::toNative(platform::paths::join(
                                             Folder, Kind == 0 ? DataDefFile : DataFile))
                                             .string());
        if (KeepOwn == 0 && own.connected()) {
            own.disconnect();
            closedOwn = true;
        }
        std::vector<std::string> names;
        if (isServerHost(host)) {
            firebird::ServiceManager svc(host, SystemDef.DbUser, SystemDef.DbPassword);
            names = svc.attachedDatabases();
        } else {
            // Local: the embedded engine (which answers its administrator only; it needs no
            // password) and a local server, when one runs, that may hold the file.
            firebird::ServiceManager embedded("", "SYSDBA", "");
            names = embedded.attachedDatabases();
            try {
                firebird::ServiceManager server("localhost", SystemDef.DbUser,
                                                SystemDef.DbPassword);
                const auto more = server.attachedDatabases();
                names.insert(names.end(), more.begin(), more.end());
            } catch (const firebird::DatabaseError&) {
            }
        }
        found = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return lowerAscii(n) == target; });
    } catch (const firebird::DatabaseError& e) {
        found = false;
        reportDb(e);
    } catch (const std::exception& e) {
        found = false;
        ShowErrorDialog(kInConnectionFailed, e.what(), 1);
    }
    // The own connection comes back on every path, an error's too.
    if (closedOwn && !own.connected()) {
        try {
            own.connect(own.params());
        } catch (const firebird::DatabaseError& e) {
            reportDb(e);
        }
    }
    return found;
}

bool TDM::AccDatDropDatabase(const std::string& Host, const std::string& Folder)
{
    const std::string host = Host.empty() ? SystemDef.HostName : Host;
    if (Folder.empty())
        return false;
    try {
        firebird::Attachment db;
        firebird::ConnectParams params;
        params.database = ConnectName(host, Folder, DataFile, false);
        params.user = SystemDef.DbUser;
        params.password = SystemDef.DbPassword;
        params.charset = "SJIS_0208";
        db.connect(params);
        db.dropDatabase();
        return true;
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.AccDatDropDatabase", kDropFailed, true);
    } catch (const std::exception& e) {
        ShowErrorDialog(kDropFailed, e.what(), 1);
    }
    return false;
}

void TDM::DeleteLogonInfo()
{
    bool started = false;
    auto rollback = [&] {
        if (started && IBTransactionDEF.inTransaction()) {
            try {
                IBTransactionDEF.rollback();
            } catch (const std::exception&) {
            }
        }
    };
    try {
        if (!IBTransactionDEF.inTransaction()) {
            IBTransactionDEF.start();
            started = true;
        }
        int key = SystemDef.LoginId;
        if (RunMode == 1 || RunMode == 2)
            key = SystemDef.GroupId * 10000 + 1;
        else if (RunMode == 3)
            key = SystemDef.GroupId * 10000 + 2;
        firebird::Statement st(IBTransactionDEF, "DELETE FROM LOGONUSERLIST WHERE OPCODE=:OPCODE");
        st.setInt("OPCODE", key);
        st.execute();
        if (started)
            IBTransactionDEF.commit();
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, "TDM.DeleteLogonInfo", kLogonDeleteFailed, true);
        rollback();
    } catch (const std::exception& e) {
        ShowErrorDialog(kLogonDeleteFailed, e.what(), 1);
        rollback();
    }
}

int TDM::fnDataHasonCheck(const std::string& Host, const std::string& Folder, int Quiet,
                          int Force)
{
    if ((Force == 1 || SystemDef.DataHasonCheck == 1) && DataHasonProc)
        return DataHasonProc(Host, Folder, Quiet);
    return 1;
}

bool TDM::FExist(const std::string& FileName, int ConnMode)
{
    switch (ConnMode) {
    case 0:
        return platform::files::fileExists(FileName);
    case 1:
    case 2:
        return ServerFileOperation("FExist", FileName, "");
    default:
        return false;
    }
}
