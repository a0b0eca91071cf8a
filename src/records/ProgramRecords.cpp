#include "records/ProgramRecords.h"

#include "records/AppInfoRecord.h"

namespace {

// Initial values of the typed constants that start-up may overwrite; reset restores them.
constexpr const char* kMakerName = "quelto";
constexpr const char* kMakerUrl = "https://www.quelto.example/";
constexpr const char* kOptionUrl = "https://www.quelto.example/option/";
constexpr const char* kSinceText = "2009-2012";
constexpr const char* kAppShortName = "dwzaimu";
constexpr const char* kHomeDir = "quelto\\morabyzaimu";
constexpr const char* kViewerDir = "dwzview";
constexpr const char* kVeltorinHomeDir = "quelto\\Veltorin";
constexpr const char* kShareDir = "morabyzaimu";
constexpr const char* kServerDataDir = "\\morabyzaimu\\data";
constexpr const char* kServerTempDir = "\\morabyzaimu\\temp";
constexpr const char* kDataDefFile = "dwaccdef.fdb";
constexpr const char* kDataFile = "dwacc.fdb";
constexpr const char* kDataBackupFile = "dwacc.fbk";
constexpr const char* kDataIniFile = "dwacc.ini";
const std::array<std::string, 6> kInitDataFiles = {
    "acc11.gbk", "acc21.gbk", "acc22.gbk", "acc23.gbk", "acc24.gbk", "acc31.gbk"};
constexpr const char* kCashBookDir = "cb_data";
constexpr const char* kCashBookBackupFile = "dwcashbook.fbk";
constexpr bool kOptionBlind = false;
constexpr int kDataListCnt = 120;

// The OEM partner's ClientColor2, TotalColor and ActiveColor.
constexpr int kLumeranClientColor2 = 0xF2FFEE;
constexpr int kLumeranTotalColor = 0xD6FFC8;
constexpr int kLumeranActiveColor = 0x008000;

} // namespace

TSystemDef SystemDef;
TACCINF AccInf;

std::uint8_t RunMode = 0;
std::uint8_t ConnectMode = 0;
std::uint8_t SeihinKubun = 0;
std::uint8_t LumeranDataFlag = 0;
std::uint8_t DbFatalFlag = 0;

MenuHookFunc MenuHookProc;
MenuHookFunc MenuHookProc2;
SyoriKidouFunc SyoriKidouProc;
DataHasonFunc DataHasonProc;

std::string DataVersion;

std::string MakerName = kMakerName;
std::string MakerUrl = kMakerUrl;
std::string OptionUrl = kOptionUrl;
std::string SinceText = kSinceText;
std::string AppShortName = kAppShortName;
std::string HomeDir = kHomeDir;
std::string ViewerDir = kViewerDir;
std::string VeltorinHomeDir = kVeltorinHomeDir;
std::string ShareDir = kShareDir;
std::string ServerDataDir = kServerDataDir;
std::string ServerTempDir = kServerTempDir;
std::string DataDefFile = kDataDefFile;
std::string DataFile = kDataFile;
std::string DataBackupFile = kDataBackupFile;
std::string DataIniFile = kDataIniFile;
std::array<std::string, 6> InitDataFiles = kInitDataFiles;
std::string CashBookDir = kCashBookDir;
std::string CashBookBackupFile = kCashBookBackupFile;
bool OptionBlind = kOptionBlind;
int DataListCnt = kDataListCnt;

namespace records {

void resetProgramState()
{
    SystemDef = TSystemDef{};
    AccInf = TACCINF{};
    AppInfo = TAppInfoRec{};

    RunMode = 0;
    ConnectMode = 0;
    SeihinKubun = 0;
    LumeranDataFlag = 0;
    DbFatalFlag = 0;

    MenuHookProc = nullptr;
    MenuHookProc2 = nullptr;
    SyoriKidouProc = nullptr;
    DataHasonProc = nullptr;

    DataVersion.clear();

    MakerName = kMakerName;
    MakerUrl = kMakerUrl;
    OptionUrl = kOptionUrl;
    SinceText = kSinceText;
    AppShortName = kAppShortName;
    HomeDir = kHomeDir;
    ViewerDir = kViewerDir;
    VeltorinHomeDir = kVeltorinHomeDir;
    ShareDir = kShareDir;
    ServerDataDir = kServerDataDir;
    ServerTempDir = kServerTempDir;
    DataDefFile = kDataDefFile;
    DataFile = kDataFile;
    DataBackupFile = kDataBackupFile;
    DataIniFile = kDataIniFile;
    InitDataFiles = kInitDataFiles;
    CashBookDir = kCashBookDir;
    CashBookBackupFile = kCashBookBackupFile;
    OptionBlind = kOptionBlind;
    DataListCnt = kDataListCnt;
}

bool isLumeranData()
{
    return LumeranDataFlag == 1 || LumeranDataFlag == 2;
}

std::array<int, 8> defaultColors()
{
    std::array<int, 8> colors = DefaultColors;
    if (isLumeranData()) {
        colors[DefaultClientColor2] = kLumeranClientColor2;
        colors[DefaultTotalColor] = kLumeranTotalColor;
        colors[DefaultActiveColor] = kLumeranActiveColor;
    }
    return colors;
}

int frameExtraFor(int frameHeight)
{
    return frameHeight < 5 ? 0 : (frameHeight - 4) * 2;
}

} // namespace records
