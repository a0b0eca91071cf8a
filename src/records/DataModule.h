#pragma once

// The data module: every connection of the framework to its databases.

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

struct TSystemIniRec;
namespace records {
class Variant;
}

// `TDM`: the data module. One instance, `DM`, created explicitly at start-up (and by tests);
// the system database, the company database of the opened data set and the optional
// file-management database, each with its transactions and work statements.
class TDM {
public:
    TDM();  // becomes DM when none is set
    ~TDM(); // clears DM when it is this one
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // System database ("dwaccdef.fdb" in SysDir).
    firebird::Attachment IBDatabaseDEF;
    firebird::Transaction IBTransactionDEF{IBDatabaseDEF};
    firebird::Statement IBQSysDefGet{IBTransactionDEF};
    firebird::Statement IBQSysDefPut{IBTransactionDEF};
    firebird::Statement QueryDef{IBTransactionDEF};
    firebird::Statement IBSQLDEF{IBTransactionDEF};

    // Company database ("dwacc.fdb" of the data set's folder).
    firebird::Attachment IBDatabaseDAT;
    firebird::Transaction IBTransactionDAT{IBDatabaseDAT};
    // Snapshot for consistent reads over several statements.
    firebird::Transaction IBTransactionDATSS{IBDatabaseDAT, firebird::Isolation::Snapshot};
    firebird::Statement IBQACC1{IBTransactionDAT};
    firebird::Statement IBQACC2{IBTransactionDAT}; // the data catalogue's company update query

    // File-management database ("dwfileman.fdb" in SysDir, server modes).
    firebird::Attachment IBFileMan;
    firebird::Transaction IBTransFileMan{IBFileMan};
    firebird::Statement IBQueryFileMan{IBTransFileMan};
    firebird::Statement IBSQLFileMan{IBTransFileMan};

    // Connects the system database unless connected. Errors: with ShowError 1 reported and
    // false, otherwise raised.
    bool fnAccDefConnected(const std::string& Host, int ShowError);
    // Connects the file-management database when its file exists; silent on failure.
    bool fnFileManConnected(const std::string& Host);
    // Closes and reopens the company database of Folder (DataDir when empty); with MarkInUse
    // the data set is marked as in use by this operator. Errors are reported; false.
    bool fnAccDatConnected(const std::string& Host, const std::string& Folder, int MarkInUse);
    // Marks the data set free (WriteInfo) and updates its catalogue row (UpdateList), then
    // closes the company database and forgets it. Always true; errors of the marking steps
    // are raised with the connection still open.
    bool fnAccDatDisconnected(const std::string& Folder, int WriteInfo, int UpdateList);
    // Whether the server lists the folder's system (Kind 0) or company (Kind 1) database among
    // its attachments; with KeepOwn 0 this program's own connection is closed meanwhile and
    // opened again afterwards, on every path.
    bool AccDatInConnection(int Kind, const std::string& Host, const std::string& Folder,
                            int KeepOwn);
    // Drops the company database of Folder.
    bool AccDatDropDatabase(const std::string& Host, const std::string& Folder);
    // Removes the operator's sign-in row from LOGONUSERLIST.
    void DeleteLogonInfo();

    // The data-damage check: the hook's answer when the group's check setting is 1 or Force
    // is 1 and the hook is installed, else 1 (sound).
    int fnDataHasonCheck(const std::string& Host, const std::string& Folder, int Quiet,
                         int Force);
    // Whether a file exists: locally in ConnectMode 0, on the server's machine otherwise.
    bool FExist(const std::string& FileName, int ConnMode);

    // The signed-in operator's settings (SYSDEF, SYSREG, SYSTEMINI) into SystemDef; a missing
    // SYSDEF row or typed setting is created with its default. A failure is reported; false.
    bool fnGetSysDef();
    // Writes the SYSDEF row (all but Shouhyou, which keeps its stored value) and the editable
    // typed settings back. A failure is reported; false.
    bool fnPutSysDef();
    // A typed setting of SYSREG ("文字", "論理", "日付", "整数", "金額"); a missing row is
    // created with Default. After a reported failure Value is left empty.
    void funcGetSysReg(const std::string& SCode, const std::string& SType,
                       const std::string& Default, int OpCode, records::Variant& Value);
    void GetSysRegOfOperator(const std::string& SCode, const std::string& SType,
                             const std::string& Default, records::Variant& Value);
    // Updates a typed setting; a setting never read (no row) is not created.
    void funcPutSysReg(const std::string& SCode, const std::string& SType,
                       const records::Variant& Value, int OpCode);
    void PutSysRegOfOperator(const std::string& SCode, const std::string& SType,
                             const records::Variant& Value);
    // SYSTEMINI row Rec.REC (RESERVE1..5 zero and SSTR unchanged unless exactly one row).
    bool GetSysIni(TSystemIniRec& Rec);
    bool SetSysIni(const TSystemIniRec& Rec);
    // Full rights: FullRights 1, an office operator, or job level 9.
    bool fnIsKanrisya();
    // Full rights, or a usual facility the operator holds a licence for. Raises.
    bool fnGetExistsOpeDefSisetu();

    // The style text of an operator's print style (SStr unchanged without a row); errors are
    // ignored.
    void GetStyleColor(int OpCode, const std::string& StyleName, std::string& SStr);
    // Stores the style text (a new row gets the colours -1); errors are ignored.
    void PutStyleColor(int OpCode, const std::string& StyleName, const std::string& SStr);

    // Company settings: ACCDEF1, the system accounts, the typed settings of ACCREG and the data
    // version into AccInf; the layout tables switch to the company's code system. A failure is
    // reported; false.
    bool fnGetAccInfo();
    // The column ColumnName of ACCTOTALNAME for an account group (Name unchanged without a row).
    void fnGetAccTotalName(const std::string& KGroup, const std::string& ColumnName,
                           std::string& Name);
    // Internal and user code of the account named AccountName (empty without one). Raises.
    void SetSystemCode(const std::string& AccountName, std::string& KCode, std::string& UserCode);
    // User code of an internal account code (unchanged for an empty code or no row). Raises.
    void GetUserCodeOfKCode(const std::string& KCode, std::string& UserCode);
    // TusinHolders / TusinPasswords [Index] from TUSIN_ID row Rec, when that table exists.
    void ReadTusinId(int Rec, int Index);
    // "major.minor1.minor2" of ACCVERSION row 1; "0.0.0" without it or after a failure.
    void fnGetDataBaseVer(std::string& Version);
    // fnIsMedicalKind on AccInf's data and code type.
    bool fnIsMedicalData();
    // Data type 3 with code type 1; switches the layout tables and cash-flow items to match.
    bool fnIsMedicalKind(int DataType, int CodeType);
    // Names of a data type and code type; other values are refused (std::runtime_error).
    void GetDataTypeName(int DataType, std::string& Name);
    void GetCodeTypeName(int DataType, int CodeType, bool WithKind, std::string& Name);
    // Both return their argument.
    int fnGetZeiKeisanKubun(int Kubun);
    int fnGetTaxDefUH(int TaxDefUH);

    // ---- Services (DataModuleServices.cpp) ----------------------------------------------
    // Database and backup files are Windows-form paths as the program knows them; the server
    // is assumed to see the same file system (loopback). Protocol: 0 TCP, 3 Local.
    // A second backup, restore or validation asked for while one runs (from an event handled
    // during its wait) is refused with false; the busy hook below hears each start and end.
    static constexpr int kProtocolTcp = 0;
    static constexpr int kProtocolLocal = 3;

    // Backs the database up through the Services API. Without KeepName the service writes
    // "dwacc.fb_" beside the database first, which then replaces BackupFile. Errors are
    // reported; false.
    bool BackupFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                   const std::string& BackupFile, bool KeepName);
    // Host "127.0.0.1": BackupFDB with the Local protocol; any other host, an empty one too:
    // gbak (on "host:path" when a host is given). Errors are raised (std::runtime_error).
    bool BackupFDBByTool(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                         const std::string& BackupFile, bool KeepName);
    // Restores BackupFile into DatabaseFile. The restore goes to a work file beside the
    // database, which replaces it only when the restore succeeded: a failed restore leaves the
    // old database as it was. A company database then loses its operation history. Errors
    // are reported; false.
    bool RestoreFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                    const std::string& BackupFile, bool KeepIndexes);
    // Host "127.0.0.1": RestoreFDB with the Local protocol; otherwise gbak, only when the
    // backup file exists locally (else false and no message). Errors are reported; false.
    bool RestoreFDBByTool(int Protocol, const std::string& Host, const std::string& DatabaseFile,
                          const std::string& BackupFile, bool KeepIndexes);
    // True when the validation reports nothing (or the file is missing or unreadable).
    bool ValidateFDB(int Protocol, const std::string& Host, const std::string& DatabaseFile);

    // A file ("FEXIST", "FCOPY", "FDEL") or folder ("DEXIST", "MKDIR", "RMDIR") operation on
    // the server's machine through the system database's procedures; true on success.
    // Failed (when given) tells an error (reported) from a plain "no".
    bool ServerFileOperation(const std::string& Mode, const std::string& Path1,
                             const std::string& Path2, bool* Failed = nullptr);
    void ServerLongToShortFileName(const std::string& LongName, std::string& ShortName);
    // Local (ConnMode 0) or server (1, 2) file operations; other modes answer false.
    bool DExist(const std::string& Path, int ConnMode);
    bool MkDir(const std::string& Path, int ConnMode);
    bool RmDir(const std::string& Path, int ConnMode, bool AllowUndo);
    bool FDel(const std::string& Path, int ConnMode, bool AllowUndo);
    bool FCopy(const std::string& Source, const std::string& Target, int ConnMode);
    bool FMove(const std::string& Source, const std::string& Target, int ConnMode);
    void LongToShortFileName(const std::string& Path, int ConnMode, std::string& ShortPath);

    // Data places: how many server file operations have failed with an error (reported), so a
    // caller can tell "no such folder" from "could not ask".
    int ServerFileErrors = 0;

    // Schema tests on the company database.
    bool fnExistence_Table(const std::string& TableName);
    bool fnExistence_Field(const std::string& TableName, const std::string& FieldName);
    // Journal counts of the company database (SCode empty: every facility). Errors are raised.
    int GetYukouSiwakeCount(const std::string& SCode);
    int GetUpDelSiwakeCount(const std::string& SCode);
    int GetSiwakeCount(const std::string& SCode, int& Valid, int& UpDel);
    int GetSiwakeTotal(const std::string& SCode);
    // Reads the era table (GengoTable) from the system database; the built-in eras when it
    // gives none.
    void fnGetGengo();

    // The data folder's numbers: the two path elements after "DATA" or "CB_DATA".
    static void GetDataPathNo(const std::string& Path, std::string& No1, std::string& No2);
    void GetDataListRec(const std::string& Path, int& Rec, int& RowNo);
    // name=value lookups in a setting text.
    static void GetSStrText(const std::string& Text, const std::string& Name, std::string& Value);
    static void GetSStrValue(const std::string& Text, const std::string& Name,
                             std::variant<std::int64_t, std::string>& Value);

    // The deferred launch (nothing in this program fills it).
    std::string LaunchName;
    int LaunchMode = 0;
    std::string LaunchParams;

    // Two timers, both stopped at creation (nothing in this program starts them).
    // TimerFormClose: its tag names a window to close once it fires.
    QTimer TimerFormClose;
    QPointer<QWidget> TimerFormCloseTag;
    QTimer TimerSyoriKidou;
    void TimerFormCloseTimer();
    void TimerSyoriKidouTimer();

    // Told true when a long service operation starts and false when it ends, so that the
    // window layer keeps the owner disabled meanwhile.
    static void setServiceBusyHook(std::function<void(bool busy)> hook);

    // The database name of the connect rule for a file in a folder (Windows-form folder): a
    // local native path, or "host:path" for a server. allowLocalHost: host "127.0.0.1" counts
    // as local (every rule but dropping a database).
    static std::string ConnectName(const std::string& Host, const std::string& Folder,
                                   const std::string& File, bool allowLocalHost = true);

    // The folder of the company database opened last by fnAccDatConnected (empty after
    // fnAccDatDisconnected).
    const std::string& companyFolder() const { return m_companyFolder; }

    // Steps that higher units supply (the data-set information file and the data catalogue).
    // markInUse(folder): after the company database opened with MarkInUse.
    // release(folder, writeInfo, updateList): before fnAccDatDisconnected closes it.
    struct Hooks {
        std::function<void(const std::string& folder)> markInUse;
        std::function<void(const std::string& folder, bool writeInfo, bool updateList)> release;
    };
    Hooks hooks;

private:
    void replaceByRestored(const std::string& work, const std::string& DatabaseFile);
    void dropRestoreWork(const std::string& work) noexcept;
    bool afterRestore(const std::string& Host, const std::string& DatabaseFile);
    void closeRestored(const std::string& DatabaseFile) noexcept;
    int journalCount(const std::string& sql, const std::string& SCode, const char* context);

    void connectRule(firebird::Attachment& db, const std::string& host,
                     const std::string& folder, const std::string& file);

    std::string m_companyFolder;
};

// The data module in use; nullptr before start-up creates it.
extern TDM* DM;
