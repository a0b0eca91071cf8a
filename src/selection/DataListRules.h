#pragma once

// The rules of the data lists ("データ選択" and "共有データの選択") apart from their widgets:
// which function keys are live, why a row cannot be chosen, how a row looks. The dialogs read
// their controls into the states below, ask DataListRules and act on the answer.

#include "catalogue/DataCatalogue.h"
#include "platform/Colors.h"

#include <array>
#include <string>

// Function keys of both lists in the order ESC, F1 .. F8, F12.
enum FunctionKeyIndex : int {
    fkEsc = 0, fkF1, fkF2, fkF3, fkF4, fkF5, fkF6, fkF7, fkF8, fkF12, fkCount
};

namespace selection {

// What the data-selection list's rules depend on: the dialog's launch, its grid and the current row.
struct DataListState {
    int SyoriType = 0;
    int ConnectMode = 0;
    bool GridFocused = false;
    bool GridEnabled = true;
    bool CopyMode = false;
    // The current row (DataListRules::takeRow fills these).
    bool HasRow = false;
    int NetDrive = 0;
    int ShareKind = 0;            // 0 local, 1 kept on the shared server, 2 fetched here
    bool Named = false;           // the row names a data set
    std::string DispName;
    int Gassan = 0;
    bool IsChild = false;
    int ParentGassan = 0;
    int DataStatus = 0;
    // Shared data in standalone use: the automatic option, when its box is shown.
    bool AutoCheckVisible = false;
    int KyoyuDataAuto = 0;
};

// What "共有データの選択" reads for its keys.
struct SharedListState {
    bool HasRow = false;
    bool IsChild = false;
    bool EmptyArea = false;       // an area without a data set
    bool InSharedUse = false;     // fetched by an operator
    bool Damaged = false;
    bool CopyPending = false;
    bool HasSharedRoot = false;   // a shared drive is chosen
};

// Captions in FunctionKeyIndex order; a caption reduced to its prefix ("F5:") marks a key
// without action. Mode: the data list's F2 mode (0 no row, 1 copy, 2 paste), the shared
// list's key mode (the same values).
struct FunctionKeySet {
    std::array<std::string, fkCount> caption;
    std::array<bool, fkCount> enabled{};
    int F2Mode = 0;
    bool live(int key) const;
};

// Shared data in standalone use: whether 共有取得 and 共有保管 are enabled.
struct KyoyuButtonState {
    bool down = false;
    bool up = false;
    bool operator==(const KyoyuButtonState&) const = default;
};

// Why a row cannot be chosen; None when it can.
enum class Refusal {
    None,
    BlankPath,       // no folder at all
    NoData,          // the folder holds no data set
    InUse,           // the data set's state refuses work (in use, copying, ...)
    Damaged,         // the data set is damaged
    KeptOnServer,    // shared data not fetched here while the automatic option is off
    UpdateForbidden, // grey row: an update of an old version is pending and forbidden
    CurrentData,     // types 2 and 4: the open data set itself
    Occupied,        // types 2 and 4: the place already holds data
    AreaBeingMade,   // shared list: an empty area someone is creating data in
    ServerGone,      // shared list: the area is no longer reachable
};

// The answer of the data dialog's folder check: -3 damaged, -2 blank path (quiet), -1 refused,
// 0 the place is empty, 1 a data set is there.
enum FolderAnswer : int { faDamaged = -3, faBlank = -2, faRefused = -1, faEmpty = 0, faPresent = 1 };

// The facts of a choice in the data-selection list.
struct ChoiceFacts {
    int SyoriType = 0;
    int ConnectMode = 0;
    int ShareKind = 0;
    int KyoyuDataAuto = 0;
    bool IsCurrent = false;       // the row is the open data set
    int Answer = faPresent;       // the folder check's answer (FolderAnswer)
    bool UpdatePending = false;   // the row is grey
    bool OnlySARestore = false;
};

// How a row is drawn.
struct RowColors {
    platform::TColor back = 0;
    platform::TColor text = 0;
    platform::TColor activeText = 0;
    bool operator==(const RowColors&) const = default;
};
struct RowPalette {
    platform::TColor background = 0;
    platform::TColor alternate = 0;
    platform::TColor highlight = 0;
};

class DataListRules {
public:
    // "ESC:", "F1:" .. "F12:": a key's caption without action.
    static const char* keyPrefix(int Key);

    // ---- rows
    static bool isNamed(const TDataListRec& Rec);
    // An empty slot: no name, or a placeholder area of the shared server.
    static bool isEmptySlot(const TDataListRec& Rec);
    static bool isPlaceholderName(const std::string& DispName);
    // 0 local, 1 kept on the shared server, 2 fetched here.
    static int shareKind(const TDataListRec& Rec);
    // Fills the current-row part of s from the row's record.
    static void takeRow(DataListState& s, const TDataListRec& Rec, bool IsChild, int ParentGassan);
    // Alternating rows; damaged red; a pending update grey.
    static RowColors rowColors(int Row, int DataStatus, bool UpdatePending, const RowPalette& Palette);

    // ---- the data-selection list's keys
    static FunctionKeySet dataKeys(const DataListState& s);
    // Whether the key's work is built in this dialog; a key without work stays disabled.
    static bool keyHasWork(int Key, const DataListState& s);
    static KyoyuButtonState kyoyuButtons(const DataListState& s, int F2Mode, KyoyuButtonState Before);

    // ---- choosing in the data-selection list
    // The folder check reads the data set's state for these types (0, 1, 3).
    static bool checksData(int SyoriType);
    // States that may be chosen: free, and in use by this client's server session.
    static bool statusAccepted(int Status, int ConnectMode);
    // Before the folder check: the open data set (types 2, 4), shared data not fetched.
    static Refusal refusalBeforeCheck(const ChoiceFacts& f);
    // After it: what the answer means for the type.
    static Refusal refusalAfterCheck(const ChoiceFacts& f);
    // The warning for a refusal said in a plain box; empty for those said otherwise (the state
    // box, the update message, a quiet answer).
    static std::string refusalText(Refusal r, int SyoriType);
    // "このデータは、使用中のため処理が行えません。" and the like.
    static std::string statusRefusalText(int Status);

    // ---- "共有データの選択"
    static FunctionKeySet sharedKeys(const SharedListState& s);
    static Refusal sharedRefusal(bool EmptyArea, int ShareStatus, bool Exists);
};

} // namespace selection
