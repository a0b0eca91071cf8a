#pragma once

// TDataSentakuBox: the data-selection dialog that lists the catalogue's data sets.

#include "platform/Colors.h"
#include "records/DataInformation.h"
#include "records/FormRegistry.h"
#include "catalogue/DataCatalogue.h"
#include "selection/DataListRules.h"
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
class QPlainTextEdit;
class TDataListKensakuBox;
class TMessageBox;
// Client/server: the data places.
class TDataPlaceBox;
class TxPlButton;
// List refresh and the information dialog.
class TDataSyosaiInfoBox;
class TxAnimeProgressDialog;
// Copy, paste, new data, distributed data, delete and new areas.
class TGassanDataCtl;
class TInputDlgBox;
// Shared data in standalone use.
class TServerSentakuBox;
// Save, restore, take-out and bring-back.
class TFileOperationBox;
class TFileOperationBoxEx1;
class TxAnimeProgressDialog;
namespace ui {
class TPerfectGrid;
}
namespace selection {
class DataListFrame;
}

// Launched by name with SetParams and Execute. Modal results: 1 a row chosen, 2 Esc or the
// close box, 3 ending the application (type 1). It owns its search, information, shared-server
// and place dialogs, the save and restore dialogs and the take-out choice.
class TDataSentakuBox : public TBSDI, public ISyoriKidou {
public:
    explicit TDataSentakuBox(QWidget* parent = nullptr);
    ~TDataSentakuBox() override;

    // Reads the launch parameters (name=value lines; the first line of a name wins). Throws
    // std::runtime_error for a processing type above 5.
    void SetParams(const std::vector<std::string>& Lines) override;
    // Shows the dialog; modal: its result, or -1 when it cannot start.
    int Execute(bool Modal) override;

    // State (read by callers and tests).
    std::vector<std::string> Params;
    bool ModalFlag = false;
    std::uint8_t SyoriType = 0;
    int FormStyle = 0;
    int F2Mode = 0;
    bool CopyMode = false;
    std::string CopySourceFolder;
    std::string ChosenFolder;
    std::string ChosenSharePath;
    std::string CurrentDataFolder;
    TDataKensakuRec SavedConditions;
    TDataKensakuRec ActiveConditions;
    TDataKensakuRec LaunchConditions;
    int SortColumn = -1;
    bool SortDescending = false;
    TDataSentakuRecArray DataList;
    TDataListArray ChildList;
    TDataSentakuRecDispArray DisplayIndex;
    int DataCount = 0;
    int DataPlaceRec = 0;
    std::string DataPlacePath;
    bool CancelByEsc = false;
    bool OnlySARestore = false;
    std::string OnlySABackupPath;

    // Showing, filtering and sorting the list; the function keys.
    void StartDialog();
    void LoadDataList();
    int ReadDataList();
    void FilterDataList();
    void ShowDataList(int Index);
    // A click on a sortable column's header: the same column reverses the order.
    void HeaderSortClick(int Col);
    int CheckUpdateLock(int Row, bool Check);
    void SetFunctionKeys();
    // "共有データの取得と保管を自動化する": stored with the operator's settings.
    void cboxKyoyuDataAutoClick();
    std::string GetDataFolder(int Row) const;
    const TDataListRec* GetRowRec(int Row) const;
    int GetShareKind(const TDataListRec& Rec) const;
    int CheckDataStatus(const std::string& Folder, bool ShowMissing, bool ShowRefusal);
    int CheckChosenFolder(const std::string& Folder);
    void ESCClick();
    // Makes the row of the open data set current (six rows shown above it where possible).
    void LocateCurrentData();

    // Children, named as on the form.
    ui::TPerfectGrid* PerfectGrid1() const { return m_grid; }
    TxPlButton* FunctionKey(int index) const { return m_keys[std::size_t(index)]; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }
    TxPlButton* btnSearch() const { return m_btnSearch; }
    TxPlButton* btnSearchCancel() const { return m_btnSearchCancel; }
    TxPlButton* btnDataInfo() const { return m_btnDataInfo; }
    TxPlButton* btnListUpdate() const { return m_btnListUpdate; }
    TxPlButton* btnKyoyuDataDown() const { return m_btnKyoyuDataDown; }
    TxPlButton* btnKyoyuDataUp() const { return m_btnKyoyuDataUp; }
    QCheckBox* cboxKyoyuDataAuto() const { return m_cboxKyoyuDataAuto; }
    QComboBox* cmbDataMan() const { return m_cmbDataMan; }
    TxPlButton* btnDataMan() const { return m_btnDataMan; }
    TMessageBox* StateBox() const { return m_msgBox.get(); }

    // Shared data in standalone use.
    void btnKyoyuDataDownClick();
    void btnKyoyuDataUpClick();
    // Fetch and store of the current row's entry: the catalogue's answer (1 done, -1 refused,
    // 0 not done); 0 when nothing was done.
    int KyoyuDataSyutoku(bool Auto);
    int KyoyuDataHokan(bool Auto);
    // Before a save: a row kept on the server is fetched and stored back; true when nothing
    // was needed or both succeeded.
    bool KyoyuAutoSync();
    // The automatic step of F12: "download" fetches a row kept on the server, "upload" stores
    // a fetched row; 1 when the automatic option is off or the row does not qualify.
    int KyoyuAutoStep(const std::string& Word);
    // After a paste, a restore or new data (FormAnswer: the new-data form's answer) on a
    // fetched row: stores it and takes it again; true on success.
    bool KyoyuAutoStore(int FormAnswer = 1);
    void SetKyoyuLock(int Lock, TDataSentakuRec& Entry);
    // F4 "F4:割当解除": the removal of the local folder, false when nothing was done.
    bool KyoyuWariateKaijo();
    TServerSentakuBox* ServerSentakuBox() const { return m_serverBox; }

protected:
    void doKeyUp(QKeyEvent& event) override;
    bool doCloseQuery(int result) override;
    void doClose(int result) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

public:
    // Client/server: the lock column, the data places and the server steps of the refresh.
    // A click on the lock column of a data row: locks, releases or refuses on the state just read.
    void DataLockClick(int Row);
    // Fills the place box with the named places; place 0 when the shown one is gone.
    void FillPlaceBox();
    void cmbDataManChange();
    void cmbDataManExit();
    void btnDataManClick();
    TDataPlaceBox* DataPlaceBox() const { return m_placeBox; }

private:
    void createControls();
    void setUpColumns();
    void SetHints();
    void SetGridRow(int Row, const TDataListRec& Rec, bool IsChild);
    int showEntry(int Index, int Row);
    void layoutControls();
    void functionKeyClick(int index);
    bool keyActive(int index) const;
    // The launch's part of the rules' state.
    selection::DataListState listState() const;
    void F12Click();

    selection::DataListFrame* m_frame = nullptr;
    ui::TPerfectGrid* m_grid = nullptr;
    std::array<TxPlButton*, fkCount> m_keys{};
    QPlainTextEdit* m_hintArea = nullptr;
    QWidget* m_topPanel = nullptr;
    QWidget* m_placePanel = nullptr;
    TxPlButton* m_btnSearch = nullptr;
    TxPlButton* m_btnSearchCancel = nullptr;
    TxPlButton* m_btnDataInfo = nullptr;
    TxPlButton* m_btnListUpdate = nullptr;
    TxPlButton* m_btnKyoyuDataDown = nullptr;
    TxPlButton* m_btnKyoyuDataUp = nullptr;
    QCheckBox* m_cboxKyoyuDataAuto = nullptr;
    QComboBox* m_cmbDataMan = nullptr;
    TxPlButton* m_btnDataMan = nullptr;

    std::unique_ptr<TDataSentakuListCtl> m_catalogue;
    std::unique_ptr<selection::SearchConditionStore> m_conditions;
    std::unique_ptr<TMessageBox> m_msgBox;
    TDataInfomation m_dataInfo;
    TDataInfomationRec m_infoRec;
    std::array<QPixmap, 3> m_pictures; // blank, lock, shared
    platform::TColor m_highlight = 0;
    platform::TColor m_alternate = 0;
    platform::TColor m_background = 0;
    // Client/server: the data places.
    void setUpServerControls();
    bool m_placeEditing = false;
    std::array<bool, 2> m_searchWasEnabled{};
    TDataPlaceBox* m_placeBox = nullptr;
    void takePlace(int Rec);
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool m_endConfirmed = false;
    bool m_quietMissing = false;

    // Search and search cancel.
public:
    // 検索 opens the search dialog and narrows the list on OK; 検索解除 shows everything again.
    void btnSearchClick(TxPlButton* Sender);
    TDataListKensakuBox* SearchBox() const { return m_searchBox; }
private:
    void CreateSearchBox();
    void SetSearchButtons();
    TDataListKensakuBox* m_searchBox = nullptr; // a child: freed with the dialog
    bool m_searchCancelOn = false;
    // List refresh and the information dialog.
public:
    // 更新: every row brought up to date from its data folder, behind a progress window.
    void btnListUpdateClick();
    // 情報: the data-information dialog for the current row, and its results.
    void btnDataInfoClick();
    // -1: every row, until the progress window's cancel; otherwise the entry of that row.
    void DataListRefresh(int Row);
    // Fills Rec from the work information record, or clears it to an empty slot.
    void SetDataListRec(TDataListRec& Rec, bool Clear);
    // Writes Rec to the catalogue; throws std::runtime_error for an entry without a folder.
    void WriteDataListRec(const TDataListRec& Rec);
    TDataSyosaiInfoBox* DataInfoBox() const { return m_infoBox; }
    TxAnimeProgressDialog* ListProgress() const { return m_listProgress; }

private:
    void createListTools();
    void showDataInfo();
    void RefreshRowStandalone(int Row);
    // The client/server steps of the refresh: the list before its rows, and one row.
    void RefreshListServer();
    void RefreshRowServer(int Row);
    void RescanChildren(int Index);
    void showEntryAgain(int Index);
    TDataSyosaiInfoBox* m_infoBox = nullptr;
    TxAnimeProgressDialog* m_listProgress = nullptr;
    // Shared data in standalone use.
    void assignSharedData(int Row);
    int entryIndexOfRow(int Row) const;
    int parentRowOf(int Row) const;
    void showEntryAt(int Index, int SelectRow);
    void refocusGrid();
    void markDamaged(int Row);
    TServerSentakuBox* m_serverBox = nullptr;
    bool m_keepPlaceOnShow = false;
    // Copy, paste, new data, distributed data, delete and new areas.
public:
    // F2: copy mode on the current row, or the paste onto it; F3 on an empty row; F3
    // "F3:分散追加"; F5 (Flag 1 from the key); F4 in the server modes. True when done.
    bool DataCopyPaste();
    bool DataSinkiSakusei();
    bool BunsanTsuika();
    bool DataSakujo(int Flag);
    bool RyoikiTsuika();
    // 1 to go on, 0 refused (the reason shown). Word: "貼り付け" or "復元".
    int CheckPastePattern(const std::string& Word, const TDataInfomationRec& Source,
                          const std::string& TargetFolder);
    int CompareDataInfo(const std::string& Word, const TDataInfomationRec& Source,
                        const TDataInfomationRec& Target);
    void RemoveChildren(int Row, bool All);
    void PasteChildren(int Row);
    void SetGassanSettings(int Row);
    // The copy source: its entry (with children), its index and the copy's name.
    TDataSentakuRec CopySource;
    int CopySourceIndex = -1;
    std::string CopyName;
    TGassanDataCtl* GassanDataCtl() const { return m_gassan; }
    TxAnimeProgressDialog* CopyProgress() const { return m_copyProgress; }
    // Ends copy mode: the source's state goes back to 1.
    void EndCopyMode();

private:
    // The damage guard: false (after its message) for a consolidated entry with a damaged child.
    bool damageGuard(const TDataSentakuRec& Entry, const char* FirstLine);
    bool pasteFiles(int Row, const std::string& Target, bool TargetWasThere);
    bool pasteOnServer(int Row, const std::string& Target, bool TargetWasThere);
    void showCopyProgress(const char* Caption, const char* Line);
    void closeCopyProgress();
    TGassanDataCtl* m_gassan = nullptr;
    TxAnimeProgressDialog* m_copyProgress = nullptr;
    TInputDlgBox* m_inputBox = nullptr;

    // Save, restore, take-out and bring-back.
public:
    // F6: 1 saved, -1 failed, 0 not done. Folder: the target (type 5), else the operator picks.
    int DataHozon(const std::string& Folder, QWidget* Owner);
    // F7: 1 restored, -1 not done or failed. Folder: the source (type 5), else the operator picks.
    int DataFukugen(const std::string& Folder, QWidget* Owner);
    // F3 "F3:持ち出し": 1 done or nothing to do, 0 stopped early.
    int DataMochidashi();
    // "backup" remembers the connection state, "local" switches to this computer's data,
    // "server" puts the remembered state back.
    void SwitchAppFolders(const std::string& Word);
    // The current row's lock: 1 locked by the operator, 0 free.
    void SetLockCell(int Lock);
    TFileOperationBox* SaveBox() const { return m_saveBox; }
    TFileOperationBoxEx1* RestoreBox() const { return m_restoreBox; }

private:
    struct SavedConnection {
        std::uint8_t ConnectMode = 0;
        std::string HostName;
        std::string SysDir;
        std::string DataDir;
        std::uint8_t DataSeigen = 0;
    };
    SavedConnection m_savedConnection;
    TFileOperationBox* m_saveBox = nullptr;
    TFileOperationBoxEx1* m_restoreBox = nullptr;
    void type5Choice(int Row, int Answer);
    void showSaveRestoreWarning(const std::string& Text);
    bool reconnectSystemDatabase(const std::string& Host);
};


namespace selection {
// The data root as shown in the folder column: every occurrence of root in path (any case)
// replaced by "~".
std::string shownDataFolder(const std::string& path, const std::string& root);
} // namespace selection
