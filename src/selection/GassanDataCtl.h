#pragma once

// TGassanDataCtl: consolidated data sets and their distributed children (standalone use): which
// children a consolidated data set has, one more distributed data set (the database copied,
// emptied and registered), and the consolidated settings of a parent's company database.

#include "catalogue/DataCatalogue.h"
#include "records/DataInformation.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The parent.
struct TGassanDataRec {
    int REC = 0;
    int ROWNO = 0; // 0 for the parent
    std::string Folder;
    int SITEN = 0;          // head-office and branch management of a consolidated parent
    int ChildDataCount = 0; // "合算データ数", or the number of facilities with SITEN
};

// One distributed data set.
struct TGassanChildDataRec {
    int REC = 0;   // the parent's REC
    int ROWNO = 0; // its child number in the catalogue
    std::string Code;   // facility code in facility mode
    std::string Folder; // full path
};
using TGassanChildDataArray = std::vector<TGassanChildDataRec>;

class TGassanDataCtl : public QObject {
public:
    // Owned by the dialog (freed with it). Works in the catalogue transaction of the program.
    explicit TGassanDataCtl(QObject* Owner = nullptr);
    ~TGassanDataCtl() override;

    void SetParentFolder(const std::string& Folder);
    void SetParentRec(int Rec);
    // True reads the parent and its children anew, every time.
    void SetActive(bool Value);
    // Creates, empties and registers one distributed data set; true when it was created and
    // emptied. Throws when no folder number is left ("作成できるフォルダ名は[999]までです。").
    bool AddChildData(const std::string& Code);
    // "合算データ区分" and "合算データ数" of the parent's company database; kinds 0 and 10 store
    // count 0. Errors pass to the caller after the database is closed.
    void WriteGassanSettings(std::uint8_t Kind, int Count);

    bool Active() const { return m_active; }
    const std::string& ParentFolder() const { return m_parentFolder; }
    int ParentRec() const { return m_parentRec; }
    int ParentNetDrive() const { return m_parentNetDrive; }
    const std::string& ParentSharePath() const { return m_parentSharePath; }
    const TGassanDataRec& ParentData() const { return m_parentData; }
    const TGassanChildDataArray& ChildData() const { return m_childData; }

    // The first child whose folder is Folder (exact), or -1.
    int FindChild(const std::string& Folder) const;
    // The highest ROWNO of the children plus Step; Step - 1 without children.
    int NextRowNo(int Step) const;
    // "%.3d" of the highest numbered sub-folder of Folder plus Step; empty for a missing folder.
    void NextChildFolderName(const std::string& Folder, int Step, std::string& Name) const;

private:
    void LoadParent(TGassanDataRec& Parent);
    void AccDataSyokika();

    bool m_active = false;
    std::string m_parentFolder;
    std::string m_childFolder;
    std::string m_childCode;
    int m_parentNetDrive = 0;
    std::string m_parentSharePath;
    int m_parentRec = 0;
    TGassanDataRec m_parentData;
    TGassanChildDataArray m_childData;
    std::unique_ptr<TDataSentakuListCtl> m_catalogue;
    std::unique_ptr<TDataInfomation> m_dataInfo;
    TDataListRec m_workRow;
    TDataInfomationRec m_workInfo;
};
