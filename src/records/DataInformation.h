#pragma once

// What the program knows of one company data set without keeping it open, and its
// information file ("dwacc.ini" beside the company database).

#include "records/ProductVersionList.h"

#include <cstdint>
#include <string>

// `TDataInfomationRec`: one data set's state, holder and company facts.
struct TDataInfomationRec {
    std::uint8_t Status = 1; // state code, see records::dataStatusText
    int OpCode = 0;
    std::string OpName;
    std::uint8_t ShareStatus = 1; // 1 normal, 2 taken from or held on the shared server
    int ShareOpCode = 0;
    std::string ShareOpName;
    int UpdateLock = 0;
    std::string DataListName;
    std::string Code;
    int DataKbn = 0;
    int CodeKbn = 0;
    std::string Shougou;
    std::string Kana;
    int Nendo = 0;
    std::string Kishu;  // "yyyy/mm/dd"
    std::string Kimatu; // "yyyy/mm/dd"
    int Tanto = 0;
    int Siten = 0;
    int SitenCnt = 0;
    int Bumon = 0;
    int BumonCnt = 0;
    int Siwake = 0;
    int TotalSiwake = 0;
    int VerMajor = 0;
    int VerMinor1 = 0;
    int VerMinor2 = 0;
    std::string VerName;
    std::uint8_t GassanKbn = 0;
    int UseMyNumber = 0;

    friend bool operator==(const TDataInfomationRec&, const TDataInfomationRec&) = default;
};

namespace records {

// Data-set state codes.
enum DataStatus : std::uint8_t {
    dsNotOpened = 0,
    dsFree = 1,
    dsInUse = 2,
    dsLocked = 3,
    dsSaving = 4,
    dsRestoring = 5,
    dsCopying = 6,
    dsPasting = 7,
    dsDeleting = 8,
    dsCreating = 9,
    dsDamaged = 10,
};

// The text shown for a state code ("－", "使用中", ..., "破損"); empty for an unknown code.
std::string dataStatusText(int status);

} // namespace records

// `TDataInfomation`: reads, writes and moves the information of company data sets.
class TDataInfomation {
public:
    TDataInfomation();

    static void ClearDataInfoRec(TDataInfomationRec& Rec);
    // From the connected company database (connected first when it is not).
    bool GetDataInfoRec(TDataInfomationRec& Rec);
    // From the company database of Folder, opened and closed for it.
    bool GetDataInfoRecOfPath(const std::string& Folder, TDataInfomationRec& Rec);
    // The information a list shows for a data set; false when there is none (or the data set
    // is locked in the catalogue, Rec then naming the holder).
    bool ReadIniFile(const std::string& Host, const std::string& Folder, TDataInfomationRec& Rec);
    bool ReadIniFileCurHost(const std::string& Folder, TDataInfomationRec& Rec);
    void SetDataStatus(const std::string& Folder, int Status);
    void SetShareStatus(const std::string& Folder, int Status);
    bool ChangeShareStatus(const std::string& Folder, int Status);
    void WriteIniValue(const std::string& Folder, const std::string& Section, bool Delete,
                       const std::string& Value, const std::string& Key);
    // Section "DATASTS", "DATAINFO" or empty for both.
    void WriteIniFile(const std::string& Folder, const std::string& Section,
                      const TDataInfomationRec& Rec);
    void RefreshIniFile(const std::string& Folder, const std::string& Section);
    void UpdateDataInfomation(const std::string& Host, const std::string& Folder,
                              const TDataInfomationRec& Rec);
    // The signed-in operator's right to process the data set.
    bool IsUseData(const std::string& Folder);
    void GetVersionLabel(int Major, int Minor, std::string& Label) const;
    // 1 copied, 0 not copied, -1 refused.
    int CopyToShareServer(const std::string& ShareFolder, const std::string& LocalFolder,
                          int Silent);
    int CopyFromShareServer(const std::string& ShareFolder, const std::string& LocalFolder,
                            int Silent);
    // Why the last copy to or from the share gave 0 or raised (empty when it did not fail).
    std::string LastCopyError;

    // 0 files reached as local paths; 1 or 2 only through the server (no information file).
    std::uint8_t FileAccessMode = 0;
    TDataInfomationRec DataInfo;
    TSeihinVersionList VersionList;

private:
    bool readFromCatalogue(const std::string& Host, const std::string& Folder,
                           TDataInfomationRec& Rec);
};

namespace records {

// The data module's steps for the information file: after the company database of Folder
// opened with marking (state 2 with the operator), and before it closes with writing (state 1).
// Both build the record from the open database (nothing when none is open); the file is
// written in standalone use only.
void markDataSetInUse(const std::string& Folder);
void markDataSetFree(const std::string& Folder);

} // namespace records
