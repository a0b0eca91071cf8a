#pragma once

// The data module: every connection of the framework to its databases.

#include "firebird/Attachment.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <functional>
#include <string>

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
