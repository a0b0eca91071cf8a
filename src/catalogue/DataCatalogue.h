#pragma once

// The data catalogue: the list of accounting data sets (one company database folder each) of an
// operator group, kept in the system database, and the fetch and store of data sets kept on a
// shared server. See DataInformationAccess.h for what the transfer needs of a data folder's
// information file.

#include "catalogue/DataInformationAccess.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace firebird {
class Cursor;
class Transaction;
} // namespace firebird
class TDM;

// GASSAN values: kinds of data set.
inline constexpr std::uint8_t GassanNormal = 0;       // ordinary data set
inline constexpr std::uint8_t GassanConsolidated = 1; // 合算データ
inline constexpr std::uint8_t GassanHonshiten = 2;    // 合算本支店データ
inline constexpr std::uint8_t GassanChild = 10;       // 分散データ (child tables only)

// Placeholder names of shared areas.
inline constexpr const char* KyoyuEmptyArea = "空き領域";
inline constexpr const char* KyoyuNewArea = "新しい領域";

// One catalogue row in memory. GROUPID is always the signed-in group; KikanText, LocalPath and
// DispName are derived by every reader.
struct TDataListRec {
    int REC = 0;
    int ROWNO = 0; // 0 for a parent
    int GROUPID = 0;
    std::string DATACODE;
    std::string ENTTEXT;
    std::string SHOUGOU;
    int NENDO = 0;
    std::string KikanText;
    double KISHU = 0; // date, 0 = none
    double KIMATU = 0;
    int NETDRIVE = 0; // 1: the data set lives on the shared server
    std::string PASNAME;
    std::string LocalPath;
    int DATATYPE = 0;
    int CODETYPE = 0;
    int DATALOCK = 0;
    int KYOYULOCK = 0; // 1: fetched to this installation's working folder
    int TANTOU = 0;
    int VER_MAJOR = 0;
    int VER_MINOR1 = 0;
    int VER_MINOR2 = 0;
    std::string VER_TEXT;
    int UPDATE_LOCK = 0;
    std::uint8_t GASSAN = 0;
    std::string DispName;
    std::uint8_t DATA_STATUS = 0;
    std::string YOBI1;
    std::string YOBI2;
    std::string YOBI3;
    int Reserve1 = 0;
    std::string Reserve2;
    // Names the text fields whose stored bytes were not CP932 (read with "?" in their place).
    std::string BadText;
};
using TDataListArray = std::vector<TDataListRec>;

// A catalogue row with its distributed children.
struct TDataSentakuRec : TDataListRec {
    int ChildCnt = 0;
    TDataListArray Children;
};
using TDataSentakuRecArray = std::vector<TDataSentakuRec>;
// Display order of a list: indexes into a TDataSentakuRecArray.
using TDataSentakuRecDispArray = std::vector<int>;

// The information state of a data folder as shown in the list ("－", "使用中", ... "状態不明").
std::string GetDataStatusText(int Status);

namespace selection {

// The transaction that catalogue objects work in: the one installed here, or else the system
// database's default transaction of the data module DM (null when neither exists).
void setCatalogueTransaction(firebird::Transaction* transaction);
firebird::Transaction* catalogueTransaction();

// Where failures of catalogue operations are reported (context, sentence, the error). By
// default database errors go to HandleDbError (reconnecting) and others to ShowErrorDialog;
// an empty function restores that.
using CatalogueErrorReporter =
    std::function<void(const std::string& context, const std::string& sentence, const std::exception& error)>;
void setCatalogueErrorReporter(CatalogueErrorReporter reporter);

// How the catalogue shows why a shared data set cannot be fetched or stored: a red headline and
// detail lines under "選択データの状態". The dialogs install their box at start-up; without it the
// message service's box shows the same texts. An empty function restores that.
using ShareMessageHandler =
    std::function<void(const std::string& text, const std::vector<std::string>& lines)>;
void setShareMessageHandler(ShareMessageHandler handler);

// The data folder of the folder set, root of the local slot folders "%.4d": the system
// database's folder SysDir, or the data root's "data" folder while that is not set.
std::string catalogueDataFolder();

// The catalogue step of closing a company database: reads the row of Folder (in the table of
// the current connect mode and server data place) and replaces its identification, period,
// kind, version and consolidation kind by the values of the folder's information. Errors pass to
// the caller.
void refreshCatalogueRow(const std::string& Folder, const DataInfoRec& Info);

// Builds the information of the data set in Folder from its still open company database; false
// when it cannot. The data-information layer supplies it.
using DataInfoBuilder = std::function<bool(const std::string& Folder, DataInfoRec& Info)>;

// The default builder: the information TDataInfomation::GetDataInfoRec reads from the company
// database the data module has open; false when none is open (nothing is opened for it).
bool dataInfoOfOpenDatabase(const std::string& Folder, DataInfoRec& Info);

// Adds the catalogue step to the data module's closing of a company database: when the row is
// to be updated, refreshCatalogueRow with the information that Build gives. A step installed
// before (the information file's) still runs first.
void installCatalogueStep(TDM& Dm, DataInfoBuilder Build = dataInfoOfOpenDatabase);

} // namespace selection

// The catalogue object: the only code that reads and writes DATALIST, DATALIST_EX,
// CHILD_DATALIST, SERVERDATALIST and CHILD_SERVERDATALIST.
class TDataSentakuListCtl {
public:
    // Works in selection::catalogueTransaction(); throws std::logic_error when there is none.
    TDataSentakuListCtl();
    explicit TDataSentakuListCtl(firebird::Transaction& transaction);
    ~TDataSentakuListCtl();
    TDataSentakuListCtl(const TDataSentakuListCtl&) = delete;
    TDataSentakuListCtl& operator=(const TDataSentakuListCtl&) = delete;

    std::uint8_t ConnMode = 0;       // 0 standalone, 1 client/server, 2 terminal server
    std::uint8_t ServerListMode = 0; // 1: serves the shared-server list

    int DataCount = 0;
    TDataSentakuRecArray DataList;
    int ChildCount = 0;
    TDataListArray ChildList;

    std::uint8_t NameFilter = 0; // 0 all rows, 1 named rows, 2 empty rows
    int NendoFilter = 0;
    std::string ShougouFilter;

    int DataPlaceRec = 0;
    std::string TableName = "DATALIST";

    // Set-up.
    void SetDataPlace(int Place);
    void ClearList();

    // The whole list with children into DataList / ChildList.
    void Execute(int ExcludeTakenOut, std::uint8_t SortKind, bool Descending, const std::string& OrderBy);

    // Rows of the local tables.
    void InitDataListRecord(TDataListRec& Rec, const std::string& Path) const;
    void DataInfomationToRecord(const selection::DataInfoRec& Info, TDataListRec& Rec) const;
    void GetDataRecNo(const std::string& Folder, int& RecNo);
    void GetDataListRecord(std::uint8_t Mode, TDataListRec& Rec, bool ReportErrors);
    bool InsertDataListRecord(TDataListRec& Rec, bool ReportErrors);
    bool UpdateDataListRecord(const TDataListRec& Rec, int WithNames, bool ReportErrors);
    bool DeleteDataListRecord(const TDataListRec& Rec, bool ReportErrors);
    void GetDataListChildRecord(TDataSentakuRec& SentakuRec, bool ReportErrors);
    bool UpdateDataListChildRecord(const TDataListRec& Rec, int WithNames, bool ReportErrors);
    bool DeleteDataListChildRecord(const TDataListRec& Rec, bool ReportErrors);
    int GetDataFolderName(int Delta);
    bool IsDataPathToroku(const std::string& Path);
    void RenumberDataList();
    int GetRecOfPasname(const std::string& Path);

    // Paths.
    std::string GetLocalDataPath(const TDataListRec& Rec) const;
    bool GetLocalPathToData(const std::string& Path, TDataListRec& Rec);
    bool ConvLocalPathToSharePath(const std::string& Folder, std::string& SharePath, int& KyoyuLock,
                                  int& NetDrive);
    int GetDataListRecordByPath(const std::string& Folder, TDataSentakuRec& SentakuRec);

    // Children in memory and folder scans.
    void NumberChildNames(TDataSentakuRec& SentakuRec) const;
    void DeleteChildItem(TDataSentakuRec& SentakuRec, int Index) const;
    void GetSubFolderNames(const std::string& Folder, std::vector<std::string>& List) const;
    void GetShareSubFolders(const TDataListRec& Rec, std::vector<std::string>& List) const;
    void GetLocalSubFolders(const TDataListRec& Rec, std::vector<std::string>& List) const;

    // The shared-server list.
    void ServerExecute(std::uint8_t Mode, const std::string& ShareRoot, const std::string& OrderBy,
                       bool Descending, std::uint8_t SortKind);
    bool UpdateServerDataListRecord(TDataListRec& Rec, int WithNames, bool ReportErrors);
    bool UpdateServerDataListChildRecord(TDataListRec& Rec, int WithNames, bool ReportErrors);
    bool DeleteServerDataListChildRecord(const TDataListRec& Rec, bool ReportErrors);
    void GetNextShareFolderName(const std::string& ShareRoot, int Delta, std::string& Name);

    // Fetch and store of a shared data set: 1 done, -1 damaged or in use elsewhere, 0 not done.
    // Mode 1 keeps the transfer quiet where the server cannot be reached.
    int KyoyuDataDown(TDataSentakuRec& SentakuRec, int Mode);
    int KyoyuDataUp(TDataSentakuRec& SentakuRec, int Mode);

    // The information files and copies the transfer works through; the data-information layer
    // (selection::DataInfomationAdapter) unless replaced.
    void setDataInfomation(std::shared_ptr<selection::DataInfomationAccess> access);
    selection::DataInfomationAccess& dataInfomation();

private:
    struct Scope;
    template <class Body>
    bool guarded(const char* operation, const char* sentence, bool report, bool readOnly, Body&& body,
                 bool reportDbErrorsOnly = false);

    void readRow(const firebird::Cursor& cursor, TDataListRec& Rec, bool normalise) const;
    // One warning naming the listed rows whose text was not CP932.
    void warnBadText() const;
    // Says that a store (or fetch) of a data set failed: the set, its area and the reason.
    void reportTransferFailure(bool store, const TDataListRec& Rec, const std::string& Area) const;
    std::string placeCondition() const;
    void showShareMessage(const std::string& text, const std::vector<std::string>& lines) const;
    void showStateMessage(const std::string& area, const selection::DataInfoRec& info, bool damaged) const;

    firebird::Transaction& m_transaction;
    std::shared_ptr<selection::DataInfomationAccess> m_info;
};
