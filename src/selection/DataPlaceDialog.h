#pragma once

// The data places of the client/server modes ("データの場所の設定"): the standard place and up
// to 99 named places, each a folder on the data server with its own data list.

#include "ui/BaseDialog.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPlainTextEdit;
class TxPlButton;
namespace ui {
class TPerfectGrid;
}

// One place as loaded from DATAPLACEMAN.
struct TDataPlaceRec {
    std::int32_t REC = 0;
    std::int32_t EditState = 0; // 0 unchanged, 1 newly named, 2 name or order changed, 9 removed
    std::int32_t ORDERKBN = 0;
    std::string PATH;
    std::string NAME;
    std::string Spare;
    // Only the order changed: storing writes ORDERKBN alone, so a name another installation
    // has just removed is not written back.
    bool OrderOnly = false;
};
using TDataPlaceList = std::vector<TDataPlaceRec>;

// The places dialog. The data-selection dialog creates it once, fills its place box from
// GetPlaceNames and shows it with Execute. Every change is stored at once; closing with Esc
// undoes nothing.
class TDataPlaceBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataPlaceBox(QWidget* parent = nullptr);
    ~TDataPlaceBox() override;

    // Loads all 100 places (seeding an empty table), fills the list and makes the operator's
    // last server place current. The mode byte is not used.
    void Prepare(std::uint8_t Mode);
    // Prepare(1), then the dialog modally; the modal result (OK through "閉じる", Cancel on Esc).
    int Execute();

    // Reloads only the named places, ordered by ORDERKBN and REC; Text gets each name followed
    // by "\r". False when the places could not be read (reported; Text is then empty).
    bool GetPlaceNames(std::string& Text);
    // The places of the last load: after Prepare all 100, after GetPlaceNames the named ones.
    int PlaceRec(int Index) const;                          // -1 outside the list
    void PlacePath(int Index, std::string& Path) const;     // empty outside the list
    int PlaceIndex(int Rec) const;                          // -1 when absent
    void PlacePathOfRec(int Rec, std::string& Path) const;  // empty when absent
    const TDataPlaceList& Places() const { return m_places; }

    // Loads the places (named ones only or all) in the system database's transaction.
    bool LoadPlaces(bool NamedOnly);
    // Stores every changed place in one transaction; raises after the rollback.
    void StorePlaces();

    // The actions of the function buttons (also reached by F2, F3, F5).
    void F2Click();
    void F3Click();
    void F5Click();
    void btnUpClick();
    void btnDownClick();
    void SetFunctionKeys();

    ui::TPerfectGrid* PerfectGrid1() const { return m_grid; }
    TxPlButton* btnF2() const { return m_btnF2; }
    TxPlButton* btnF3() const { return m_btnF3; }
    TxPlButton* btnF5() const { return m_btnF5; }
    TxPlButton* btnUp() const { return m_btnUp; }
    TxPlButton* btnDown() const { return m_btnDown; }
    TxPlButton* btnClose() const { return m_btnClose; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }

protected:
    void showEvent(QShowEvent* event) override;
    void doKeyUp(QKeyEvent& event) override;
    void doKeyDown(QKeyEvent& event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void layoutControls();
    void SetHints();
    void FillGrid();
    void MoveRow(int delta);
    // Runs an action that stores; a database error is reported here (after the rollback).
    template <class Body>
    void storing(const char* method, Body&& body);

    TDataPlaceList m_places;
    ui::TPerfectGrid* m_grid = nullptr;
    TxPlButton* m_btnF1 = nullptr;
    TxPlButton* m_btnF2 = nullptr;
    TxPlButton* m_btnF3 = nullptr;
    TxPlButton* m_btnF5 = nullptr;
    TxPlButton* m_btnUp = nullptr;
    TxPlButton* m_btnDown = nullptr;
    TxPlButton* m_btnClose = nullptr;
    TxPlButton* m_btnCancel = nullptr;
    QPlainTextEdit* m_hintArea = nullptr;
};
