#pragma once

// TServerSentakuBox: "共有データの選択", the data sets kept on a shared drive: choose one, copy
// one over another, add an empty area, delete, print, search and sort the list.

#include "records/DataInformation.h"
#include "catalogue/DataCatalogue.h"
#include "selection/SearchConditions.h"
#include "ui/BaseDialog.h"

#include <QPixmap>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class TDataListKensakuBox;
class TDataSyosaiInfoBox;
class TInputDlgBox;
class TMessageBox;
class TxPlButton;
namespace ui {
class TPerfectGrid;
}
namespace selection {
class DataListFrame;
class TIncrementalSearch;
}

// Created once by its owner and kept: each use is DriveLetter, Prepare, then the modal call
// (platform::execDialog); result 1 after a choice, 2 on Esc. After OK, DriveLetter,
// SelectedFolder and SelectedName name the chosen data set.
class TServerSentakuBox : public TBSDI {
    Q_OBJECT
public:
    explicit TServerSentakuBox(QWidget* parent);
    ~TServerSentakuBox() override;

    // In and out: the shared drive's letter ("Z"); empty when no drive is usable.
    std::string DriveLetter;
    // Results of a choice: the data folder and its data name.
    std::string SelectedFolder;
    std::string SelectedName;

    // Resets the dialog, scans the drives and reads the list. The mode is not used.
    void Prepare(int Mode);
    // Stores one shared row of the data-selection list in the server list and its name and
    // update lock in the area's information file.
    void StoreServerRow(const TDataListRec& Rec);
    // Sets the area's SHARE_STATUS to 1 or 2; true when the file changed.
    bool ChangeShareStatus(const std::string& Folder, int Status);

    // State (read by tests).
    std::string SharedRoot;
    std::vector<char> DriveLetters; // parallel to the drive box
    TDataSentakuRecArray DataList;
    TDataListArray ChildList;
    TDataSentakuRecDispArray DisplayIndex;
    std::string CopySource;
    TDataListRec CopySourceRec;
    int CopySourceIndex = -1;
    std::string CopyName;
    bool CopyPending = false;
    int KeyMode = 0; // 0 no row, 1 copy, 2 paste
    int SortColumn = -1;
    bool SortDescending = false;
    TDataKensakuRec EditConditions;
    TDataKensakuRec ActiveConditions;
    TDataInfomationRec WorkInfo;

    // Operations.
    void ScanSharedDrives();
    void LoadList(bool Rebuild);
    void FilterList();
    void ShowList(int Index);
    void RefreshList();
    void SetFunctionKeys();
    int CheckDataFolder(const std::string& Folder, bool Warn, bool Show);
    // 1 to go on, 0 to stop; Word names the work ("貼り付け").
    int CompareDataSets(const std::string& Word, const std::string& Source, const std::string& Dest);
    void SetRowFromInfo(TDataListRec& Rec, bool Empty);
    void F2Click();
    void AddArea();
    void DeleteData();
    void PrintList();
    void F12Click();
    void EscClick();
    void SearchClick();
    void SearchCancelClick();
    void InfoClick();
    void UpdateClick();
    void DriveAssignClick();
    void DriveChange(int Index);
    void AutoRefreshClick();
    void HeaderClick(int Col);
    // The row's record: a parent or a child of DataList; null without one.
    const TDataListRec* RowRec(int Row) const;
    bool IsChildRow(int Row) const;

    // Children, named as on the form.
    ui::TPerfectGrid* PerfectGrid1() const { return m_grid; }
    TxPlButton* FunctionKey(int index) const { return m_keys[std::size_t(index)]; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }
    QComboBox* cmbDrive() const { return m_cmbDrive; }
    QCheckBox* chkAutoRefresh() const { return m_chkAutoRefresh; }
    TxPlButton* btnDriveAssign() const { return m_btnDriveAssign; }
    TxPlButton* btnSearchCancel() const { return m_btnSearchCancel; }
    TxPlButton* btnSearch() const { return m_btnSearch; }
    TxPlButton* btnInfo() const { return m_btnInfo; }
    TxPlButton* btnUpdate() const { return m_btnUpdate; }
    selection::TIncrementalSearch* IncSearch() const { return m_incSearch; }
    TMessageBox* MessageBox() const { return m_msgBox.get(); }

    // Key indexes of FunctionKey.
    enum Key : int { kEsc = 0, kF1, kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF12, kCount };

protected:
    void doKeyDown(QKeyEvent& event) override;
    void doKeyUp(QKeyEvent& event) override;
    void doClose(int result) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void setUpColumns();
    void layoutControls();
    void loadHints();
    void setListHint();
    void drawRow(int Row, const TDataListRec& Rec, int No, int Parent, int Child);
    int drawParent(int Index, int Row, int No);
    void storeRow(TDataListRec& Rec);
    void clearChildren(TDataSentakuRec& Dest);
    void copyChildren(int DestIndex);
    void endCopy();
    void locateFolder(const std::string& Folder);
    void functionKeyClick(int index);
    bool keyActive(int index) const;
    void paste(int DestRow);
    bool sharedElsewhere(const std::string& Folder);
    TDataListRec* rowRecord(int Row);
    void showStateBox(const std::string& Text, const std::string& Folder, const std::string& Code,
                      const std::string& Name);

    selection::DataListFrame* m_frame = nullptr;
    ui::TPerfectGrid* m_grid = nullptr;
    std::array<TxPlButton*, kCount> m_keys{};
    QPlainTextEdit* m_hintArea = nullptr;
    QWidget* m_topPanel = nullptr;
    QLabel* m_lblDrive = nullptr;
    QComboBox* m_cmbDrive = nullptr;
    QCheckBox* m_chkAutoRefresh = nullptr;
    TxPlButton* m_btnDriveAssign = nullptr;
    TxPlButton* m_btnSearchCancel = nullptr;
    TxPlButton* m_btnSearch = nullptr;
    TxPlButton* m_btnInfo = nullptr;
    TxPlButton* m_btnUpdate = nullptr;
    selection::TIncrementalSearch* m_incSearch = nullptr;

    std::unique_ptr<TDataSentakuListCtl> m_catalogue;
    std::unique_ptr<selection::SearchConditionStore> m_conditions;
    std::unique_ptr<TMessageBox> m_msgBox;
    std::unique_ptr<TDataListKensakuBox> m_searchDialog;
    std::unique_ptr<TDataSyosaiInfoBox> m_infoDialog;
    std::unique_ptr<TInputDlgBox> m_inputDialog;
    TDataInfomation m_dataInfo;
    std::array<QPixmap, 2> m_pictures; // no mark, shared-use mark
    std::array<QString, 7> m_hints;
    bool m_ready = false;
};
