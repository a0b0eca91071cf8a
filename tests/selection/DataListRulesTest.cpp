// The rules of the data lists, asked without a dialog: function keys, choosing refusals, rows.
#include "selection/DataListRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace selection;

namespace {

std::vector<std::string> captions(const FunctionKeySet& keys)
{
    return {keys.caption.begin(), keys.caption.end()};
}

std::vector<int> enabledKeys(const FunctionKeySet& keys)
{
    std::vector<int> out;
    for (int k = 0; k < fkCount; ++k)
        if (keys.enabled[std::size_t(k)])
            out.push_back(k);
    return out;
}

TDataListRec rec(const char* entText, const char* dispName, int netDrive = 0, int kyoyuLock = 0)
{
    TDataListRec r;
    r.ENTTEXT = entText;
    r.DispName = dispName;
    r.NETDRIVE = netDrive;
    r.KYOYULOCK = kyoyuLock;
    return r;
}

} // namespace

// ---- function keys of "データ選択" ----------------------------------------------------------

TEST(DataListRulesTest, DataKeyCaptionsByStateAndType)
{
    auto row = [](int type, bool named) {
        DataListState s;
        s.SyoriType = type;
        s.GridFocused = true;
        s.HasRow = true;
        s.Named = named;
        s.DispName = named ? "A社" : "";
        return s;
    };
    struct Case {
        const char* name;
        DataListState state;
        std::vector<std::string> captions;
        int f2Mode;
    };
    std::vector<Case> cases;
    cases.push_back({"type 0 named local row", row(0, true),
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:", "F4:", "F5:ﾃﾞｰﾀ削除", "F6:保存", "F7:復元", "F8:印刷", "F12:選択"}, 1});
    cases.push_back({"type 0 empty slot", row(0, false),
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:新規作成", "F4:", "F5:", "F6:", "F7:復元", "F8:印刷", "F12:選択"}, 1});
    auto consolidated = row(0, true);
    consolidated.Gassan = 1;
    cases.push_back({"consolidated parent", consolidated,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:分散追加", "F4:", "F5:ﾃﾞｰﾀ削除", "F6:保存", "F7:復元", "F8:印刷", "F12:選択"}, 1});
    auto damaged = row(0, true);
    damaged.DataStatus = 1;
    cases.push_back({"damaged row", damaged,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:復元", "F8:印刷", "F12:"}, 1});
    auto unfocused = row(0, true);
    unfocused.GridFocused = false;
    cases.push_back({"grid without focus", unfocused,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:印刷", "F12:選択"}, 0});
    cases.push_back({"type 3", row(3, true),
                     {"ESC:ｷｬﾝｾﾙ", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F12:選択"}, 1});
    cases.push_back({"type 4 empty slot", row(4, false),
                     {"ESC:ｷｬﾝｾﾙ", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F12:選択"}, 1});
    auto server = row(0, true);
    server.ConnectMode = 1;
    cases.push_back({"server named row", server,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:持ち出し", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:保存", "F7:復元", "F8:印刷", "F12:選択"}, 1});
    auto shared = row(0, true);
    shared.NetDrive = 1;
    shared.ShareKind = 1;
    shared.AutoCheckVisible = true;
    cases.push_back({"shared row kept on the server, automatic option off", shared,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:割当解除", "F5:", "F6:保存", "F7:", "F8:印刷", "F12:"}, 1});
    auto copying = row(0, false);
    copying.CopyMode = true;
    cases.push_back({"copy mode on an empty slot", copying,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:貼り付け", "F3:新規作成", "F4:", "F5:", "F6:", "F7:復元", "F8:印刷", "F12:選択"}, 2});
    auto disabled = row(0, true);
    disabled.GridEnabled = false;
    cases.push_back({"grid disabled", disabled,
                     {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F12:"}, 0});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FunctionKeySet keys = DataListRules::dataKeys(c.state);
        EXPECT_EQ(std::vector<std::string>(keys.caption.begin(), keys.caption.end()), c.captions);
        EXPECT_EQ(keys.F2Mode, c.f2Mode);
    }
}

// ---- 共有取得 / 共有保管 ------------------------------------------------------------------------

TEST(DataListRulesTest, KyoyuButtonsFollowTheRowUnlessTheAutomaticOptionIsOn)
{
    struct Case {
        const char* name;
        int netDrive, shareKind;
        bool named;
        const char* dispName;
        int status, autoOn, f2Mode;
        KyoyuButtonState before, expected;
    };
    const Case cases[] = {
        {"empty local row", 0, 0, false, "", 0, 0, 1, {false, true}, {true, false}},
        {"named local row", 0, 0, true, "A社", 0, 0, 1, {true, true}, {false, false}},
        {"kept on the server", 1, 1, true, "テスト商事", 0, 0, 1, {}, {true, false}},
        {"fetched here", 1, 2, true, "テスト商事", 0, 0, 1, {}, {false, true}},
        {"fetched empty area", 1, 2, true, "空き領域", 0, 0, 1, {true, true}, {false, false}},
        {"new area", 1, 1, true, "新しい領域", 0, 0, 1, {true, true}, {false, false}},
        {"damaged, fetched", 1, 2, true, "テスト商事", 1, 0, 1, {}, {false, false}},
        {"option on keeps", 0, 0, true, "A社", 0, 1, 1, {true, false}, {true, false}},
        {"option on, damaged", 1, 2, true, "テスト商事", 1, 1, 1, {true, true}, {true, false}},
        {"grid without focus", 0, 0, false, "", 0, 0, 0, {true, true}, {false, false}},
        {"copy mode", 0, 0, false, "", 0, 1, 2, {true, true}, {false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataListState s;
        s.NetDrive = c.netDrive;
        s.ShareKind = c.shareKind;
        s.Named = c.named;
        s.DispName = c.dispName;
        s.DataStatus = c.status;
        s.KyoyuDataAuto = c.autoOn;
        EXPECT_EQ(DataListRules::kyoyuButtons(s, c.f2Mode, c.before), c.expected);
    }
}


// Only keys whose work is built are enabled; a live caption alone is not enough.
TEST(DataListRulesTest, DataKeysEnabledOnlyWithTheirWork)
{
    auto row = [](int type, int mode) {
        DataListState s;
        s.SyoriType = type;
        s.ConnectMode = mode;
        s.GridFocused = true;
        s.HasRow = true;
        s.Named = true;
        s.DispName = "A社";
        return s;
    };
    auto keptOnServer = row(0, 0);
    keptOnServer.NetDrive = 1;
    keptOnServer.ShareKind = 1;
    struct Case {
        const char* name;
        DataListState state;
        std::vector<int> enabled;
    };
    auto emptySlot = row(0, 0);
    emptySlot.Named = false;
    emptySlot.DispName.clear();
    auto consolidated = row(0, 0);
    consolidated.Gassan = 1;
    const Case cases[] = {
        {"type 0 named local row: copy, delete, save, restore", row(0, 0), {fkEsc, fkF1, fkF2, fkF5, fkF6, fkF7, fkF8, fkF12}},
        {"type 0 empty slot: new data, restore", emptySlot, {fkEsc, fkF1, fkF3, fkF7, fkF8, fkF12}},
        {"type 0 consolidated: distributed data", consolidated, {fkEsc, fkF1, fkF2, fkF3, fkF5, fkF6, fkF7, fkF8, fkF12}},
        {"type 2 prints", row(2, 0), {fkEsc, fkF1, fkF2, fkF5, fkF6, fkF7, fkF8, fkF12}},
        {"type 3 chooses only", row(3, 0), {fkEsc, fkF12}},
        {"type 5 chooses only", row(5, 1), {fkEsc, fkF12}},
        {"shared row kept on the server: release and save", keptOnServer, {fkEsc, fkF1, fkF4, fkF6, fkF8, fkF12}},
        {"server: take-out and a new area", row(0, 1), {fkEsc, fkF1, fkF2, fkF3, fkF4, fkF5, fkF6, fkF7, fkF8, fkF12}},
        {"terminal server: no take-out", row(0, 2), {fkEsc, fkF1, fkF2, fkF4, fkF5, fkF6, fkF7, fkF8, fkF12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FunctionKeySet keys = DataListRules::dataKeys(c.state);
        for (int k : c.enabled)
            EXPECT_TRUE(keys.live(k)) << k;
        EXPECT_EQ(enabledKeys(keys), c.enabled);
    }
    EXPECT_EQ(DataListRules::dataKeys(row(0, 1)).caption[fkF4], "F4:領域追加");
    EXPECT_EQ(DataListRules::dataKeys(row(0, 1)).caption[fkF3], "F3:持ち出し");
    EXPECT_EQ(DataListRules::dataKeys(consolidated).caption[fkF3], "F3:分散追加");
}

// ---- choosing in "データ選択" ---------------------------------------------------------------

TEST(DataListRulesTest, RefusalsBeforeTheFolderCheck)
{
    struct Case {
        const char* name;
        int type, mode, shareKind, autoOn;
        bool current;
        Refusal expected;
    };
    const Case cases[] = {
        {"type 2, the open data set", 2, 0, 0, 0, true, Refusal::CurrentData},
        {"type 4, the open data set", 4, 1, 0, 0, true, Refusal::CurrentData},
        {"type 4, another place", 4, 0, 0, 0, false, Refusal::None},
        {"type 2 ignores the shared state", 2, 0, 1, 0, false, Refusal::None},
        {"kept on the server, option off", 0, 0, 1, 0, false, Refusal::KeptOnServer},
        {"kept on the server, type 1", 1, 0, 1, 0, true, Refusal::KeptOnServer},
        {"kept on the server, option on", 0, 0, 1, 1, false, Refusal::None},
        {"fetched here", 0, 0, 2, 0, false, Refusal::None},
        {"server mode", 0, 1, 1, 0, false, Refusal::None},
        {"type 0 may take the open data set again", 0, 0, 0, 0, true, Refusal::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChoiceFacts f;
        f.SyoriType = c.type;
        f.ConnectMode = c.mode;
        f.ShareKind = c.shareKind;
        f.KyoyuDataAuto = c.autoOn;
        f.IsCurrent = c.current;
        EXPECT_EQ(DataListRules::refusalBeforeCheck(f), c.expected);
    }
}

TEST(DataListRulesTest, RefusalsAfterTheFolderCheck)
{
    struct Case {
        const char* name;
        int type, answer;
        bool pending;
        Refusal expected;
    };
    const Case cases[] = {
        {"type 0, present", 0, faPresent, false, Refusal::None},
        {"type 0, grey row", 0, faPresent, true, Refusal::UpdateForbidden},
        {"type 1, grey row", 1, faPresent, true, Refusal::UpdateForbidden},
        {"type 3 takes a grey row", 3, faPresent, true, Refusal::None},
        {"type 0, damaged", 0, faDamaged, false, Refusal::Damaged},
        {"type 1, in use", 1, faRefused, false, Refusal::InUse},
        {"type 3, blank path", 3, faBlank, false, Refusal::BlankPath},
        {"type 0, empty slot", 0, faEmpty, false, Refusal::NoData},
        {"type 5, empty slot", 5, faEmpty, false, Refusal::NoData},
        {"type 5, present", 5, faPresent, false, Refusal::None},
        {"type 2, empty place", 2, faEmpty, false, Refusal::None},
        {"type 2, occupied", 2, faPresent, false, Refusal::Occupied},
        {"type 4, occupied", 4, faPresent, true, Refusal::Occupied},
        {"type 4, refused", 4, faRefused, false, Refusal::InUse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChoiceFacts f;
        f.SyoriType = c.type;
        f.Answer = c.answer;
        f.UpdatePending = c.pending;
        EXPECT_EQ(DataListRules::refusalAfterCheck(f), c.expected);
    }
}

TEST(DataListRulesTest, RefusalTextsAndAcceptedStates)
{
    EXPECT_EQ(DataListRules::refusalText(Refusal::NoData, 0), "このフォルダには財務データがありません。\r");
    EXPECT_EQ(DataListRules::refusalText(Refusal::NoData, 5), "この場所にはデータがありません。他の場所を選んで下さい。");
    EXPECT_EQ(DataListRules::refusalText(Refusal::KeptOnServer, 0),
              "このデータは、共有サーバーに保管されています。\r共有取得を実行してから選択して下さい。");
    EXPECT_EQ(DataListRules::refusalText(Refusal::CurrentData, 2), "このデータは現在選択中のデータです。\r他の場所を選んで下さい。");
    EXPECT_EQ(DataListRules::refusalText(Refusal::Occupied, 4), "選択したパスには既にデータが存在します。\r他の場所を選んで下さい。");
    // Said by the state box and the update message, not by a plain warning.
    EXPECT_EQ(DataListRules::refusalText(Refusal::InUse, 0), "");
    EXPECT_EQ(DataListRules::refusalText(Refusal::UpdateForbidden, 0), "");
    EXPECT_EQ(DataListRules::statusRefusalText(2),
              "このデータは、使用中のため処理が行えません。\r前回、異常終了した場合は情報ボタンを押してデータの状態をクリアして下さい。");

    struct Case {
        int status, mode;
        bool accepted;
    };
    const Case cases[] = {{1, 0, true}, {2, 0, false}, {2, 1, true}, {2, 2, true}, {0, 1, false}, {10, 0, false}};
    for (const Case& c : cases)
        EXPECT_EQ(DataListRules::statusAccepted(c.status, c.mode), c.accepted) << c.status << "/" << c.mode;
    for (int type = 0; type <= 5; ++type)
        EXPECT_EQ(DataListRules::checksData(type), type == 0 || type == 1 || type == 3) << type;
}

// ---- rows -----------------------------------------------------------------------------------

TEST(DataListRulesTest, RowStateAndColours)
{
    EXPECT_TRUE(DataListRules::isEmptySlot(rec("", "")));
    EXPECT_TRUE(DataListRules::isEmptySlot(rec("　 ", ""))) << "a name of blanks names nothing";
    EXPECT_TRUE(DataListRules::isEmptySlot(rec("X", "空き領域", 1, 1)));
    EXPECT_TRUE(DataListRules::isEmptySlot(rec("X", "新しい領域", 1, 0)));
    EXPECT_FALSE(DataListRules::isEmptySlot(rec("A社", "A社")));
    EXPECT_EQ(DataListRules::shareKind(rec("A社", "A社", 0, 1)), 0);
    EXPECT_EQ(DataListRules::shareKind(rec("A社", "A社", 1, 0)), 1);
    EXPECT_EQ(DataListRules::shareKind(rec("A社", "A社", 1, 1)), 2);

    DataListState s;
    TDataListRec child = rec("A社", "A社 (1)", 1, 1);
    child.GASSAN = 0;
    child.DATA_STATUS = 1;
    DataListRules::takeRow(s, child, true, 2);
    EXPECT_TRUE(s.HasRow && s.IsChild && s.Named);
    EXPECT_EQ(s.ShareKind, 2);
    EXPECT_EQ(s.ParentGassan, 2);
    EXPECT_EQ(s.DataStatus, 1);
    DataListRules::takeRow(s, rec("B社", "B社"), false, 2);
    EXPECT_EQ(s.ParentGassan, 0) << "a parent row has no parent";

    const RowPalette palette{0xFFFFFF, 0xFFF0E1, 0x804000};
    struct Case {
        const char* name;
        int row, status;
        bool pending;
        RowColors expected;
    };
    const Case cases[] = {
        {"even row", 0, 0, false, {0xFFFFFF, platform::clWindowText, 0x804000}},
        {"odd row", 1, 0, false, {0xFFF0E1, platform::clWindowText, 0x804000}},
        {"damaged", 1, 1, false, {0x0000FF, platform::clWindowText, platform::clWindowText}},
        {"grey", 0, 0, true, {0xFFFFFF, 0x808080, 0x808080}},
        {"damaged and grey", 2, 1, true, {0x0000FF, 0x808080, 0x808080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DataListRules::rowColors(c.row, c.status, c.pending, palette), c.expected);
    }
}

// ---- "共有データの選択" ------------------------------------------------------------------------

TEST(DataListRulesTest, SharedListKeysAndRefusals)
{
    auto row = [] {
        SharedListState s;
        s.HasRow = true;
        s.HasSharedRoot = true;
        return s;
    };
    auto noRow = SharedListState{};
    noRow.HasSharedRoot = true;
    auto noDrive = SharedListState{};
    auto child = row();
    child.IsChild = true;
    auto empty = row();
    empty.EmptyArea = true;
    auto emptyPaste = empty;
    emptyPaste.CopyPending = true;
    auto inUse = row();
    inUse.InSharedUse = true;
    auto inUsePaste = inUse;
    inUsePaste.CopyPending = true;
    auto damaged = row();
    damaged.Damaged = true;
    auto damagedPaste = damaged;
    damagedPaste.CopyPending = true;
    struct Case {
        const char* name;
        SharedListState state;
        std::vector<std::string> captions;
        int mode;
    };
    const Case cases[] = {
        {"no row", noRow, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:領域追加", "F5:", "F6:", "F7:", "F8:印刷", "F12:選択"}, 0},
        {"no drive", noDrive, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:印刷", "F12:選択"}, 0},
        {"a data set", row(), {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:選択"}, 1},
        {"a child", child, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:領域追加", "F5:", "F6:", "F7:", "F8:印刷", "F12:"}, 1},
        {"an empty area", empty, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:選択"}, 1},
        {"pasting on an empty area", emptyPaste, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:貼り付け", "F3:", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:選択"}, 2},
        {"in shared use", inUse, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:", "F4:領域追加", "F5:", "F6:", "F7:", "F8:印刷", "F12:選択"}, 1},
        {"pasting on one in use", inUsePaste, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:領域追加", "F5:", "F6:", "F7:", "F8:印刷", "F12:選択"}, 2},
        {"damaged", damaged, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:", "F3:", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:"}, 1},
        {"pasting on a damaged one", damagedPaste, {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:貼り付け", "F3:", "F4:領域追加", "F5:ﾃﾞｰﾀ削除", "F6:", "F7:", "F8:印刷", "F12:"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FunctionKeySet keys = DataListRules::sharedKeys(c.state);
        EXPECT_EQ(captions(keys), c.captions);
        EXPECT_EQ(keys.F2Mode, c.mode);
        for (int k = 0; k < fkCount; ++k)
            EXPECT_EQ(keys.enabled[std::size_t(k)], keys.live(k)) << k;
    }

    EXPECT_EQ(DataListRules::sharedRefusal(true, 2, true), Refusal::AreaBeingMade);
    EXPECT_EQ(DataListRules::sharedRefusal(true, 2, false), Refusal::AreaBeingMade);
    EXPECT_EQ(DataListRules::sharedRefusal(false, 2, true), Refusal::None) << "a data set in use may be chosen";
    EXPECT_EQ(DataListRules::sharedRefusal(false, 1, false), Refusal::ServerGone);
    EXPECT_EQ(DataListRules::sharedRefusal(true, 1, true), Refusal::None);
}
