#include "records/ProgramRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

namespace {

class ProgramState : public ::testing::Test {
protected:
    void SetUp() override { records::resetProgramState(); }
    void TearDown() override { records::resetProgramState(); }
};

// Default-initialises a T over garbage bytes: a field without an initialiser keeps the garbage
// and the record no longer equals its value-initialised form.
template <typename T>
bool defaultInitialisesToZero()
{
    alignas(T) unsigned char buffer[sizeof(T)];
    std::memset(buffer, 0xA5, sizeof buffer);
    T* record = new (buffer) T;
    const bool zero = (*record == T{});
    record->~T();
    return zero;
}

} // namespace

TEST(RecordTypes, EveryFieldStartsAtZero)
{
    EXPECT_TRUE(defaultInitialisesToZero<TSystemDef>());
    EXPECT_TRUE(defaultInitialisesToZero<TACCINF>());
    EXPECT_TRUE(defaultInitialisesToZero<TSystemIniRec>());
    EXPECT_TRUE(defaultInitialisesToZero<TQSORT>());
    EXPECT_TRUE(defaultInitialisesToZero<TBALANCE>());
    EXPECT_TRUE(defaultInitialisesToZero<THOJOUTIWAKE>());
    EXPECT_TRUE(defaultInitialisesToZero<TQuarvelSyoriInfo>());
    EXPECT_TRUE(defaultInitialisesToZero<TErrInfomation>());
}

TEST_F(ProgramState, ResetClearsRecordsModesAndHooks)
{
    SystemDef.GroupId = 10000;
    SystemDef.DbUser = "MORABY";
    SystemDef.OperatorFont = FontSpec{"IPAGothic", 12, 1, 128};
    SystemDef.BsTitles[2] = "貸借対照表";
    AccInf.DATATYPE = 2;
    AccInf.KISHU = platform::encodeDate(2024, 1, 1);
    AccInf.NEW_TAX_RATE1 = 10 * platform::kCurrencyUnit;
    AccInf.SysKCodes[SysCodeCash] = "1110";
    RunMode = 1;
    ConnectMode = 1;
    SeihinKubun = 3;
    LumeranDataFlag = 1;
    DbFatalFlag = 1;
    MenuHookProc = [](int, const std::string&) { return 0; };
    MenuHookProc2 = [](int, const std::string&) { return 0; };
    SyoriKidouProc = [](const std::string&, int, const std::string&) { return 1; };
    DataHasonProc = [](const std::string&, const std::string&, int) { return 1; };
    DataVersion = "8.0.0";

    records::resetProgramState();

    EXPECT_EQ(SystemDef, TSystemDef{});
    EXPECT_EQ(AccInf, TACCINF{});
    EXPECT_EQ(RunMode, 0);
    EXPECT_EQ(ConnectMode, 0);
    EXPECT_EQ(SeihinKubun, 0);
    EXPECT_EQ(LumeranDataFlag, 0);
    EXPECT_EQ(DbFatalFlag, 0);
    EXPECT_FALSE(MenuHookProc);
    EXPECT_FALSE(MenuHookProc2);
    EXPECT_FALSE(SyoriKidouProc);
    EXPECT_FALSE(DataHasonProc);
    EXPECT_TRUE(DataVersion.empty());
}

TEST_F(ProgramState, OverwritableConstantsHoldTheirInitialValuesAndResetRestoresThem)
{
    struct Case { std::string* value; const char* initial; };
    const Case cases[] = {
        {&MakerName, "quelto"},
        {&SinceText, "2009-2012"},
        {&AppShortName, "dwzaimu"},
        {&HomeDir, "quelto\\morabyzaimu"},
        {&ViewerDir, "dwzview"},
        {&VeltorinHomeDir, "quelto\\Veltorin"},
        {&ShareDir, "morabyzaimu"},
        {&ServerDataDir, "\\morabyzaimu\\data"},
        {&ServerTempDir, "\\morabyzaimu\\temp"},
        {&DataDefFile, "dwaccdef.fdb"},
        {&DataFile, "dwacc.fdb"},
        {&DataBackupFile, "dwacc.fbk"},
        {&DataIniFile, "dwacc.ini"},
        {&CashBookDir, "cb_data"},
        {&CashBookBackupFile, "dwcashbook.fbk"},
    };
    const std::array<std::string, 6> initialFiles = {
        "acc11.gbk", "acc21.gbk", "acc22.gbk", "acc23.gbk", "acc24.gbk", "acc31.gbk"};

    for (const auto& c : cases)
        EXPECT_EQ(*c.value, c.initial);
    EXPECT_EQ(InitDataFiles, initialFiles);
    EXPECT_FALSE(OptionBlind);
    EXPECT_EQ(DataListCnt, 120);
    EXPECT_FALSE(MakerUrl.empty());
    EXPECT_FALSE(OptionUrl.empty());

    // Start-up overwrites them from "AppInfo.ini"; a reset must bring every one back.
    for (const auto& c : cases)
        *c.value = "changed";
    InitDataFiles[0] = "other11.gbk";
    OptionBlind = true;
    DataListCnt = 5;
    const std::string makerUrl = MakerUrl;
    MakerUrl = "changed";

    records::resetProgramState();

    for (const auto& c : cases)
        EXPECT_EQ(*c.value, c.initial);
    EXPECT_EQ(InitDataFiles, initialFiles);
    EXPECT_FALSE(OptionBlind);
    EXPECT_EQ(DataListCnt, 120);
    EXPECT_EQ(MakerUrl, makerUrl);
}

TEST(FixedConstants, TextsOtherCodeCompares)
{
    EXPECT_EQ(BackupWorkFile, "dwacc.fbk");
    EXPECT_EQ(FunctionKeyCaptions.front(), "ESC:");
    for (int key = 1; key <= 12; ++key)
        EXPECT_EQ(FunctionKeyCaptions[key], "F" + std::to_string(key) + ":");
    EXPECT_EQ(TerminalKinds, (std::array<std::string_view, 4>{"", "GO-Global", "RDS", "XenDesktop"}));
    EXPECT_EQ(DataKindNames, (std::array<std::string_view, 6>{"法人", "個人(一般)", "個人(不動産)",
                                                              "医療法人", "個人(クリニック)", "個人(農業)"}));
    EXPECT_EQ(SitenRootNames, (std::array<std::string_view, 3>{"法人全体", "総体", "法人全体"}));
    EXPECT_EQ(MedicalSitenNames, (std::array<std::string_view, 5>{"法人全体", "病院・診療所", "老人保健施設",
                                                                  "指定訪問看護", "その他の事業"}));
    EXPECT_EQ(SortMarks, (std::array<std::string_view, 2>{"▲", "▼"}));
    // The full-width letters and the ASCII space between them are part of the names.
    EXPECT_EQ(PrintFontNames, (std::array<std::string_view, 2>{"\uFF2D\uFF33 明朝", "\uFF2D\uFF33 ゴシック"}));
}

TEST(FixedConstants, DataPlaceSets)
{
    struct Case { int place; bool all; bool server; };
    const Case cases[] = {{-1, false, false}, {0, true, false}, {1, true, true}, {2, true, true}, {3, false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(AllDataPlaces.contains(c.place), c.all) << c.place;
        EXPECT_EQ(ServerDataPlaces.contains(c.place), c.server) << c.place;
    }
}

TEST_F(ProgramState, DefaultColorsFollowTheOemFlag)
{
    const std::array<int, 8> standard = {0xDBDBDB, 0xFFFFFF, 0xDBDBDB, 0xFFFFFF,
                                         0xFFFFFF, 0xE1F0FF, 0x8EC7FF, 0x246BFF};
    const std::array<int, 8> oem = {0xDBDBDB, 0xFFFFFF, 0xDBDBDB, 0xFFFFFF,
                                    0xFFFFFF, 0xF2FFEE, 0xD6FFC8, 0x008000};
    struct Case { std::uint8_t flag; bool set; };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {3, false}, {255, false}};
    for (const auto& c : cases) {
        LumeranDataFlag = c.flag;
        EXPECT_EQ(records::isLumeranData(), c.set) << int(c.flag);
        EXPECT_EQ(records::defaultColors(), c.set ? oem : standard) << int(c.flag);
    }
    EXPECT_EQ(DefaultColors, standard);
}

TEST(DerivedValues, FrameExtra)
{
    struct Case { int frameHeight; int extra; };
    const Case cases[] = {{0, 0}, {4, 0}, {5, 2}, {6, 4}, {10, 12}};
    for (const auto& c : cases)
        EXPECT_EQ(records::frameExtraFor(c.frameHeight), c.extra) << c.frameHeight;
}
