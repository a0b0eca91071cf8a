#pragma once

// The data module: every connection of the framework to its databases.

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <functional>
#include <string>

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
        // Existence of a file on the server's machine (FExist in server modes).
        std::function<bool(const std::string& fileName)> serverFileExists;
    };
    Hooks hooks;

private:
    void connectRule(firebird::Attachment& db, const std::string& host,
                     const std::string& folder, const std::string& file);

    std::string m_companyFolder;
};

// The data module in use; nullptr before start-up creates it.
extern TDM* DM;
