#include "selection/DataListRules.h"

#include "records/DataInformation.h"
#include "records/TextRoutines.h"

namespace selection {

namespace {

const char* const kKeyPrefix[fkCount] = {"ESC:", "F1:", "F2:", "F3:", "F4:",
                                         "F5:", "F6:", "F7:", "F8:", "F12:"};

constexpr platform::TColor kDamagedBack = 0x0000FF;
constexpr platform::TColor kPendingText = 0x808080;

void off(FunctionKeySet& keys, int key) { keys.caption[std::size_t(key)] = kKeyPrefix[key]; }

} // namespace

const char* DataListRules::keyPrefix(int Key) { return kKeyPrefix[Key]; }

bool FunctionKeySet::live(int key) const
{
    return caption[std::size_t(key)] != kKeyPrefix[key];
}

// ---- rows ---------------------------------------------------------------------------------

bool DataListRules::isNamed(const TDataListRec& Rec) { return !ZenkakuTrim(Rec.ENTTEXT).empty(); }

bool DataListRules::isPlaceholderName(const std::string& DispName)
{
    return DispName == KyoyuEmptyArea || DispName == KyoyuNewArea;
}

bool DataListRules::isEmptySlot(const TDataListRec& Rec)
{
    return !isNamed(Rec) || isPlaceholderName(Rec.DispName);
}

int DataListRules::shareKind(const TDataListRec& Rec)
{
    if (Rec.NETDRIVE != 1)
        return 0;
    return Rec.KYOYULOCK == 0 ? 1 : 2;
}

void DataListRules::takeRow(DataListState& s, const TDataListRec& Rec, bool IsChild, int ParentGassan)
{
    s.HasRow = true;
    s.NetDrive = Rec.NETDRIVE;
    s.ShareKind = shareKind(Rec);
    s.Named = isNamed(Rec);
    s.DispName = Rec.DispName;
    s.Gassan = Rec.GASSAN;
    s.IsChild = IsChild;
    s.ParentGassan = IsChild ? ParentGassan : 0;
    s.DataStatus = Rec.DATA_STATUS;
}

RowColors DataListRules::rowColors(int Row, int DataStatus, bool UpdatePending, const RowPalette& Palette)
{
    RowColors c{Row % 2 == 1 ? Palette.alternate : Palette.background, platform::clWindowText,
                Palette.highlight};
    if (DataStatus == 1) {
        c.back = kDamagedBack;
        c.activeText = platform::clWindowText;
    }
    if (UpdatePending) {
        c.text = kPendingText;
        c.activeText = kPendingText;
    }
    return c;
}

// ---- the data-selection list's keys -------------------------------------------------------

FunctionKeySet DataListRules::dataKeys(const DataListState& s)
{
    FunctionKeySet out;
    auto& c = out.caption;
    const bool standalone = s.ConnectMode == 0;
    c = {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:新規作成",
         standalone ? "F4:割当解除" : "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:保存", "F7:復元", "F8:印刷",
         "F12:選択"};
    auto offKey = [&](int k) { off(out, k); };
    if (s.SyoriType == 2 || s.SyoriType == 4)
        offKey(fkF3);
    if (s.GridFocused && s.HasRow) {
        out.F2Mode = s.CopyMode ? 2 : 1;
        if (s.CopyMode)
            c[fkF2] = "F2:貼り付け";
        if (standalone && s.NetDrive == 0) {
            offKey(fkF4);
            if (s.Named) {
                offKey(fkF3);
                if (s.Gassan == 1)
                    c[fkF3] = "F3:分散追加";
                if (s.IsChild && s.ParentGassan == 2)
                    offKey(fkF5);
            } else {
                if (!s.CopyMode)
                    offKey(fkF2);
                offKey(fkF5);
                offKey(fkF6);
            }
        } else if (standalone && s.ShareKind == 1) {
            for (int k : {fkF2, fkF3, fkF5, fkF7})
                offKey(k);
            if (s.IsChild)
                for (int k : {fkF2, fkF4, fkF5})
                    offKey(k);
            if (s.AutoCheckVisible && s.KyoyuDataAuto == 0)
                offKey(fkF12);
        } else if (standalone && s.ShareKind == 2) {
            for (int k : {fkF3, fkF4, fkF5})
                offKey(k);
            if ((!s.IsChild && s.DispName == KyoyuEmptyArea) || s.DispName == KyoyuNewArea) {
                c[fkF3] = "F3:新規作成";
                c[fkF4] = "F4:割当解除";
            }
            if (s.Gassan == 1)
                c[fkF3] = "F3:分散追加";
            if (s.IsChild && s.ParentGassan == 1)
                c[fkF5] = "F5:ﾃﾞｰﾀ削除";
        } else if (!standalone) {
            if (!s.Named) {
                if (!s.CopyMode)
                    offKey(fkF2);
                offKey(fkF5);
                offKey(fkF6);
            } else {
                offKey(fkF3);
                if (s.ConnectMode == 1)
                    c[fkF3] = "F3:持ち出し";
            }
        }
    }
    if (out.F2Mode == 1 && s.DataStatus == 1)
        for (int k : {fkF2, fkF3, fkF4, fkF6, fkF12})
            offKey(k);
    if (!s.GridEnabled) {
        out.F2Mode = 0;
        offKey(fkF8);
        offKey(fkF12);
    }
    if (out.F2Mode == 0)
        for (int k : {fkF2, fkF3, fkF4, fkF5, fkF6, fkF7})
            offKey(k);
    if (s.SyoriType == 3 || s.SyoriType == 5)
        for (int k = fkF1; k <= fkF8; ++k)
            offKey(k);
    if (s.SyoriType == 4)
        for (int k : {fkF1, fkF2, fkF3, fkF6, fkF7, fkF8})
            offKey(k);
    for (int k = 0; k < fkCount; ++k)
        out.enabled[std::size_t(k)] = out.live(k) && keyHasWork(k, s);
    return out;
}

bool DataListRules::keyHasWork(int Key, const DataListState& s)
{
    switch (Key) {
    case fkEsc: return true;
    case fkF1: return true;                       // the manual
    case fkF2: return true;                       // copy and paste
    case fkF3: return true;                       // new data, distributed data, the take-out
    case fkF4: return true;                       // releasing a shared assignment; a new area
    case fkF5: return true;                       // delete
    case fkF6: return true;                       // save
    case fkF7: return true;                       // restore
    case fkF8: return s.SyoriType <= 2;           // the list's print
    case fkF12: return true;
    default: return false;
    }
}

KyoyuButtonState DataListRules::kyoyuButtons(const DataListState& s, int F2Mode, KyoyuButtonState Before)
{
    if (F2Mode != 1)
        return {};
    KyoyuButtonState out = Before;
    // With the automatic option on, the buttons keep what they were.
    if (s.KyoyuDataAuto != 1) {
        if (s.NetDrive != 1) {
            out.down = !s.Named;
            out.up = false;
        } else if (!isPlaceholderName(s.DispName)) {
            out.down = s.ShareKind == 1;
            out.up = s.ShareKind == 2;
        } else {
            out = {};
        }
    }
    if (s.DataStatus == 1)
        out.up = false;
    return out;
}

// ---- choosing -----------------------------------------------------------------------------

bool DataListRules::checksData(int SyoriType) { return SyoriType == 0 || SyoriType == 1 || SyoriType == 3; }

bool DataListRules::statusAccepted(int Status, int ConnectMode)
{
    return Status == 1 || (ConnectMode != 0 && Status == 2);
}

Refusal DataListRules::refusalBeforeCheck(const ChoiceFacts& f)
{
    if (f.SyoriType == 2 || f.SyoriType == 4)
        return f.IsCurrent ? Refusal::CurrentData : Refusal::None;
    if (f.ConnectMode == 0 && f.ShareKind == 1 && f.KyoyuDataAuto == 0)
        return Refusal::KeptOnServer;
    return Refusal::None;
}

Refusal DataListRules::refusalAfterCheck(const ChoiceFacts& f)
{
    if (f.SyoriType == 2 || f.SyoriType == 4) {
        // A place to fill: it must be empty.
        switch (f.Answer) {
        case faEmpty: return Refusal::None;
        case faPresent: return Refusal::Occupied;
        case faDamaged: return Refusal::Damaged;
        default: return Refusal::InUse;
        }
    }
    switch (f.Answer) {
    case faDamaged: return Refusal::Damaged;
    case faBlank: return Refusal::BlankPath;
    case faRefused: return Refusal::InUse;
    case faEmpty: return Refusal::NoData;
    default: break;
    }
    if ((f.SyoriType == 0 || f.SyoriType == 1) && f.UpdatePending)
        return Refusal::UpdateForbidden;
    return Refusal::None;
}

std::string DataListRules::refusalText(Refusal r, int SyoriType)
{
    switch (r) {
    case Refusal::BlankPath: return "データフォルダパスが不正です。\r処理を中止します。";
    case Refusal::NoData:
        return SyoriType == 5 ? "この場所にはデータがありません。他の場所を選んで下さい。"
                              : "このフォルダには財務データがありません。\r";
    case Refusal::KeptOnServer:
        return "このデータは、共有サーバーに保管されています。\r共有取得を実行してから選択して下さい。";
    case Refusal::CurrentData: return "このデータは現在選択中のデータです。\r他の場所を選んで下さい。";
    case Refusal::Occupied: return "選択したパスには既にデータが存在します。\r他の場所を選んで下さい。";
    case Refusal::AreaBeingMade:
        return "この領域は、現在データが作成されている可能性があるため選択できません。";
    case Refusal::ServerGone:
        return "共有サーバーが起動していない、接続が切断されている または 共有サーバー上のデータ領域が削除された可能性があります。";
    default: return {};
    }
}

std::string DataListRules::statusRefusalText(int Status)
{
    std::string text = "このデータは、" + records::dataStatusText(Status) + "のため処理が行えません。";
    if (Status == 2)
        text += "\r前回、異常終了した場合は情報ボタンを押してデータの状態をクリアして下さい。";
    return text;
}

// ---- "共有データの選択" ----------------------------------------------------------------------

FunctionKeySet DataListRules::sharedKeys(const SharedListState& s)
{
    FunctionKeySet out;
    auto& c = out.caption;
    c = {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:", "F4:領域追加",
         "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:選択"};
    auto offKey = [&](int k) { off(out, k); };
    if (s.HasRow) {
        out.F2Mode = s.CopyPending ? 2 : 1;
        if (s.CopyPending)
            c[fkF2] = "F2:貼り付け";
        if (s.IsChild)
            for (int k : {fkF2, fkF5, fkF12})
                offKey(k);
        if (s.EmptyArea && !s.CopyPending)
            offKey(fkF2);
        if (s.InSharedUse) {
            offKey(fkF5);
            if (s.CopyPending)
                offKey(fkF2);
        }
        if (s.Damaged) {
            offKey(fkF12);
            if (out.F2Mode == 1)
                offKey(fkF2);
        }
    } else {
        for (int k = fkF2; k <= fkF7; ++k)
            offKey(k);
        c[fkF4] = "F4:領域追加";
    }
    if (!s.HasSharedRoot)
        offKey(fkF4);
    for (int k = 0; k < fkCount; ++k)
        out.enabled[std::size_t(k)] = out.live(k);
    return out;
}

Refusal DataListRules::sharedRefusal(bool EmptyArea, int ShareStatus, bool Exists)
{
    if (EmptyArea && ShareStatus == 2)
        return Refusal::AreaBeingMade;
    if (!Exists)
        return Refusal::ServerGone;
    return Refusal::None;
}

} // namespace selection
