#pragma once

#include <string>

struct TDataInfomationRec;

namespace selection {

// What the catalogue reads of a data folder's information file (DataIniFile, "dwacc.ini"):
// section DATASTS (state, share state and who set them) and section DATAINFO.
struct DataInfoRec {
    int STATUS = 1;       // 0/1 free, 2 使用中, 3 データロック中 ... 10 破損
    int OPCODE = 0;
    std::string OPERATOR;
    int SHARE_STATUS = 1; // 1 free, 2 taken out
    int SHARE_OPCODE = 0;
    std::string SHARE_OPERATOR;
    int UPDATE_LOCK = 0;

    std::string DATALISTNAME;
    std::string CODE;
    int DATAKBN = 0;
    int CODEKBN = 0;
    std::string SHOUGOU;
    std::string KANA;
    int NENDO = 0;
    std::string KISHU;  // "yyyy/mm/dd"
    std::string KIMATU; // "yyyy/mm/dd"
    int TANTO = 0;
    int VER_MAJOR = 0;  // VERSION1 "%d.%d.%d"
    int VER_MINOR1 = 0;
    int VER_MINOR2 = 0;
    std::string VERSION2;
    int GASSANKBN = 0;
};

// The operations of the data information layer that the shared-data transfer uses. Paths are
// data folders in Windows form; the information file is the folder's DataIniFile.
class DataInfomationAccess {
public:
    virtual ~DataInfomationAccess() = default;
    // Reads both sections; false when the file cannot be read.
    virtual bool ReadIniFileCurHost(const std::string& Folder, DataInfoRec& Rec) = 0;
    // Copies the data set's files from its area into the local folder (created when missing) and
    // takes the area out for the signed-in operator: 1 copied and taken out; -1 in use by another
    // operator (files copied for reading) or damaged; 0 failed (nothing changed locally).
    virtual int CopyFromShareServer(const std::string& Area, const std::string& LocalFolder, int Mode) = 0;
    // Copies the local data set's files into its area and gives the area back: 1 stored; -1
    // refused because another operator has the area out or it is damaged; 0 failed (the area
    // keeps its files and its share state).
    virtual int CopyToShareServer(const std::string& Area, const std::string& LocalFolder, int Mode) = 0;
    // Writes SHARE_STATUS with the signed-in operator (removed for state 1).
    virtual void SetShareStatus(const std::string& Folder, int ShareStatus) = 0;
    // Why the last copy to or from the share failed (empty when unknown or it did not fail).
    virtual std::string LastCopyError() const { return {}; }
};

// The data-information layer (TDataInfomation) seen through this interface: the one
// implementation of the information files and of the copies to and from the shared server.
class DataInfomationAdapter final : public DataInfomationAccess {
public:
    bool ReadIniFileCurHost(const std::string& Folder, DataInfoRec& Rec) override;
    int CopyFromShareServer(const std::string& Area, const std::string& LocalFolder, int Mode) override;
    int CopyToShareServer(const std::string& Area, const std::string& LocalFolder, int Mode) override;
    void SetShareStatus(const std::string& Folder, int ShareStatus) override;
    std::string LastCopyError() const override { return m_lastCopyError; }

private:
    std::string m_lastCopyError;
};

// The catalogue's view of a data-information record.
DataInfoRec toDataInfoRec(const TDataInfomationRec& Rec);

} // namespace selection
