#pragma once

#include "platform/CoreTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Program-wide records, mode bytes, host hooks and typed constants shared by every subsystem.
// Plain data: readers use the fields directly. Texts are UTF-8; dates are day counts (0 = none);
// amounts are Currency; colours are Windows colour values (0x00BBGGRR). Only the GUI thread
// touches any of this.

// A font as the records carry it; the GUI turns it into its own font object.
struct FontSpec {
    std::string Name;
    int Size = 0;          // points
    int Style = 0;         // bit 1 bold, bit 2 italic (the values of SYSDEF FontStyle)
    std::uint8_t CharSet = 0;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Settings, folders, connection, the signed-in operator and the operator's display settings.
struct TSystemDef {
    // Installation and folders (paths in Windows form).
    int GroupId = 0;            // 10000 when groups are off
    std::string IniFileName;
    std::string WinUserName;
    std::string SystemFolder;
    std::string DocumentFolder;
    std::string DataRoot;
    std::string ExeFolder;      // without trailing delimiter
    std::string RootFolder;
    std::string PrintFolder;
    std::string HelpFolder;
    std::string SqlFolder;
    std::string IniFolder;
    std::string LogFolder;
    std::string TempFolder;
    std::string WinTempFolder;  // empty when TEMP names no existing folder
    std::string ViewerFolder;
    std::string SysDir;         // folder of the system database
    std::string DataDir;        // folder of the opened data set

    // Connection.
    std::string HostName;
    bool GoGlobal = false;
    bool UseGroup = false;
    std::string DbUser;
    std::string DbPassword;
    std::string SerialText;     // never filled here
    std::string PcName;

    // Signed-in operator.
    int LoginId = 0;            // GroupId * 10000 + LoginCode
    int LoginCode = 0;
    std::string OperatorName;
    int JobLevel = 0;           // 9 = administrator
    bool Jimusho = false;
    std::uint8_t MyNumberAdm = 0;

    // Operator display settings: one field per SYSDEF column of the same name, in column order.
    std::string FontName;
    int FontSize = 0;
    int FontStyle = 0;          // 0 regular, 1 bold, 2 italic, 3 bold italic
    int FontCharSet = 0;
    int FontHeight = 0;
    int GridResize = 0;
    int ShowHint = 0;
    int GridMaxRow = 0;
    int GridRsiz = 0;
    int PanelColor = 0;
    int PanelBackColor = 0;
    int MenuPrintSw = 0;
    int ColHeaderColor = 0;
    int FixedTopColor = 0;
    int RowHeaderColor = 0;
    int FixedLeftColor = 0;
    int ActiveColor = 0;
    int ClientColor = 0;
    int ClientColor1 = 0;
    int ClientColor2 = 0;
    int ClientColor3 = 0;
    int TotalColor = 0;
    int ColHeaderGradColor1 = 0;
    int ColHeaderGradColor2 = 0;
    int ForeColor = 0;
    int BorderColor = 0;
    int ThruBorderColor = 0;
    std::string PrinterName;
    int PreviewZOOM = 0;
    int NetColor1 = 0;
    int NetColor2 = 0;
    int PLineColor1 = 0;
    int PLineColor2 = 0;
    int HojWait = 0;
    int DicSwitch = 0;
    int DicTekAuto = 0;
    int DicTorAuto = 0;
    int DicUsednt = 0;
    int DicType = 0;
    int DicNum1 = 0;
    int DicNum2 = 0;
    int DicSortType = 0;
    int TEK_AUTOUP = 0;
    int TOR_AUTOUP = 0;
    int UserPrint = 0;
    int SwkTotal = 0;
    int SwkLine = 0;
    int Reserve3 = 0;
    int Reserve1 = 0;
    int KingakuPlus = 0;
    int ZeroPrint = 0;
    int SankakuPlus = 0;
    int Reserve2Flag1 = 0;      // bit 1 of Reserve2: fetch and store shared data automatically
    int Reserve2Flag2 = 0;      // bit 2 of Reserve2
    int Reserve2 = 0;
    int Reserve4 = 0;
    int Reserve5 = 0;
    std::string SSTR;

    // Application and window state.
    std::string AppCaption;
    std::string AppVersionText;  // never filled here
    int AppVersionNo = 2;        // sent to LOGONUSERTEST by the password-confirmation sign-in
    int MFTop = 0;
    int MFLeft = 0;
    int MFWidth = 0;
    int MFHeight = 0;
    std::string DataVersionText; // "%d.%d.%d" of the opened company database
    int OsVersion = 0;
    FontSpec DefaultFont;
    FontSpec OperatorFont;
    int MenuHeight = 0;
    int FrameHeight = 0;
    int CaptionHeight = 0;
    int FrameExtra = 0;          // see records::frameExtraFor
    int ShowDataSentaku = 0;
    std::string ZenkaiDrive;
    int LastMenu = 0;
    std::string DataSelectResult; // "PATH1=%s" CR "PATH2=%s"
    int JigyouKubun = 0;          // never written here

    // Office and rights (SYSTEMINI rows 10 and 20, Reserve4 bits).
    std::string OfficeName;
    std::string OfficeAddress;
    std::string OfficeTel;
    int OfficeReserve1 = 0;
    int OfficeReserve2 = 0;
    int OfficeReserve3 = 0;
    int Reserve4Flag1 = 0;
    int Reserve4Flag2 = 0;
    int Reserve4Flag3 = 0;
    int Reserve4Flag4 = 0;
    int Reserve4Flag56 = 0;      // 1 bit 5, 2 bit 6, else 0
    int MotoLastBalancePrint = 0;
    int Reserve4Flag8 = 0;
    int FullRights = 0;          // 1 grants every operator full rights
    int Reserve4Flag9 = 0;
    int Reserve4Flag10 = 0;
    int Reserve4Flag11 = 0;

    // Typed operator settings (SYSREG) and selection results.
    int NextItemMove = 0;
    std::uint8_t KamokuCodeLen = 0;
    std::uint8_t HojoCodeLen = 0;
    std::uint8_t BumonCodeLen = 0;
    std::uint8_t SwkDateFocus = 0;
    int DataBroken = 0;          // 1 after the data-damage hook found the data set damaged
    int DataHasonCheck = 0;
    int SisanTotalPrint = 0;
    int MotoTitlePrint = 0;
    int SisanBsPageBreak = 0;
    int SisanTitlePrint = 0;
    std::string SisanTitle;
    // Report titles by layout: 0 all accounts, 1 fixed A4 form, 2 fixed A3 form.
    std::array<std::string, 3> BsTitles;
    std::array<std::string, 3> AssetTitles;
    std::array<std::string, 3> LiabilityTitles;
    std::array<std::string, 3> PlTitles;
    std::array<std::string, 3> HanbaihiTitles;
    int ServerDataPlace = 0;
    int TekiyouEditMode = 0;
    int MotoOneLinePrint = 0;
    int MotoFusenPrint = 0;
    int RensouJokenKubun = 0;
    std::string DataPath2;       // second path of the selected data set
    int TekiyouInputKubun = 0;
    int TorihikisakiInputKubun = 0;
    int UramenKeisenPrint = 0;
    int TaxCodePrint = 0;
    int KessanTegataSousai = 0;
    int KessanHanbaihiKumiire = 0;
    int SisanRowAdjust = 0;
    int RensouCodeInput = 0;
    int RensouListOrder = 0;
    std::string ServerTempFolder; // empty in standalone use
    int SisanKikanPrint = 0;
    std::string Sisan2Title;

    // Read by the data-selection dialog.
    std::uint8_t DataSeigen = 0;    // 1 = data selection not restricted per operator

    friend bool operator==(const TSystemDef&, const TSystemDef&) = default;
};

// Positions in TACCINF::SysKCodes / SysUserCodes.
enum SysCodeIndex : int {
    SysCodeCash = 0,              // 現金
    SysCodeInputTax = 1,          // 仮払消費税
    SysCodeOutputTax = 2,         // 仮受消費税
    SysCodeSundry = 3,            // 諸口
    SysCodeRetainedEarnings = 4,  // 繰越利益剰余金 (medical code system: 前期繰越利益)
    SysCodeOwnerDrawings = 5,     // 事業主貸
    SysCodeOwnerContributions = 6, // 事業主借
    SysCodeCapital = 7,           // 元入金
    SysCodeSalaries = 8,          // 給料
    SysCodeBonuses = 9,           // 賞与
    SysCodeBonusProvision = 10,   // 賞与引当金繰入額
    SysCodeRetirementBenefits = 11, // 退職給付費用
    SysCodeCount = 12,
};

// Positions in TACCINF::TegataKCodes / TegataUserCodes.
enum TegataIndex : int {
    TegataReceivable = 0,  // 受取手形
    TegataDiscounted = 1,  // 割引手形
    TegataEndorsed = 2,    // 裏書手形
};

// Settings of the open company database (ACCDEF1 columns in capitals).
struct TACCINF {
    // Identification and address.
    int GROUPID = 0;
    std::string ENTTEXT;
    std::string SERIAL;
    int TANTOU = 0;
    int GYOUSHU = 0;
    int DATATYPE = 0;            // 1 法人, 2 個人, 3 医療法人
    std::string DataTypeName;
    int CODETYPE = 0;
    std::string CodeTypeName;    // 個人 only: 一般, 不動産, クリニック, 農業
    std::string SCODE1;
    std::string SCODE2;
    std::string SKANA;
    std::string SHOUGOU;
    std::string POST;
    std::string ADD1;
    std::string ADD2;
    std::string TEL;
    std::string AO_ADD1;
    std::string AO_ADD2;
    std::string AO_KANA;
    std::string AO_SIMEI;
    std::string AO_GYOUSHU;
    std::string AO_YAGO;
    std::string AO_KANYU;
    std::string AO_TEL;
    std::string AO_SHOKUGYO1;
    std::string AO_SHOKUGYO2;
    std::string MAIL;

    // Fiscal year.
    platform::TDateTime zzKISHU = 0;       // first day two years back
    platform::TDateTime zKISHU = 0;        // first day of the previous year
    int NENDO = 0;
    platform::TDateTime KISHU = 0;
    platform::TDateTime KIMATU = 0;
    platform::TDateTime KAISI = 0;
    int SIME = 0;                // 1..28, 99 = month end
    int KAISINO = 0;
    int KaisiMonthIndex = 0;
    int KimatuKikanNo = 0;
    int KaisiMonthDiff = 0;
    int KimatuMonthDiff = 0;
    int GENGOU_FLG = 0;
    int GENGOU_HOSEI = 0;
    std::string GENGOU_NAME;
    std::array<std::string, 3> YAKUMEI; // columns YAKUMEI1..YAKUMEI3

    // Tax and rounding.
    platform::Currency OLD_TAX_RATE1 = 0;
    platform::Currency OLD_TAX_RATE2 = 0;
    platform::Currency OLD_TAX_RATE3 = 0;
    platform::Currency OLD_TAX_RATE4 = 0;
    platform::Currency OLD_TAX_RATE5 = 0;
    platform::Currency NEW_TAX_RATE1 = 0;
    platform::Currency NEW_TAX_RATE2 = 0;
    platform::Currency NEW_TAX_RATE3 = 0;
    platform::Currency NEW_TAX_RATE4 = 0;
    platform::Currency NEW_TAX_RATE5 = 0;
    platform::TDateTime CHG_DAYS1 = 0;
    platform::TDateTime CHG_DAYS2 = 0;
    platform::TDateTime CHG_DAYS3 = 0;
    platform::TDateTime CHG_DAYS4 = 0;
    platform::TDateTime CHG_DAYS5 = 0;
    platform::TDateTime KANSA_FIXDATE = 0;
    platform::TDateTime KANSA_DATE = 0;
    int CALCU = 0;
    int TAXU_HASUU = 0;
    int TAXH_HASUU = 0;
    int TAXDEFUH = 0;
    int TAXKANNI = 0;
    int TAXJIGYOU = 0;
    int GENKAPRINT = 0;
    int KANSA_LOCK = 0;
    int TEGATADICSW = 0;
    int KESSAN_KIKAN = 0;
    int CASHFLOW_KIKAN1 = 0;
    int CASHFLOW_KIKAN2 = 0;
    int CASHFLOWSW = 0;
    int SDAI_HASUU1 = 0;
    int SDAI_HASUU2 = 0;
    int SDAI_HASUU3 = 0;
    int CONVERT = 0;
    int SHOUHYOU = 0;
    int SITEN = 0;
    int BUMON = 0;
    int DATALOCK = 0;
    int GENKA_USE = 0;
    std::string GENKA_HWORD1;
    std::string GENKA_HWORD2;
    std::string GENKA_HWORD3;
    std::string GENKA_HWORD4;
    std::string GENKA_HWORD5;

    // Names and identifiers.
    std::array<std::string, 4> TotalNames;
    std::string PASWORD;
    std::string WEB_HOLDER;
    std::array<std::string, 6> TusinPasswords; // [0] = PASWORD, [1] = TUSIN_ID row 1
    std::array<std::string, 6> TusinHolders;   // [0] = WEB_HOLDER, [1] = TUSIN_ID row 1

    // System accounts, indexed by SysCodeIndex.
    std::array<std::string, SysCodeCount> SysKCodes;
    std::array<std::string, SysCodeCount> SysUserCodes;
    std::string FUMEI_KCODE;
    std::string FumeiUserCode;
    int SysCodesLoaded = 0;

    // Code system and periods; year lists: [0] this year, [1] previous, [2] the year before.
    bool IsMedical = false;      // DATATYPE 3 and CODETYPE 1
    std::array<platform::TDateTime, 3> YearFirstDays{};
    std::array<platform::TDateTime, 3> YearLastDays{};
    std::array<platform::TDateTime, 3> YearStartDays{};
    int KakoMeisai = 0;
    std::uint8_t GassanKubun = 0;
    int GassanCount = 0;
    std::uint8_t KamokuCodeLen = 0;
    std::uint8_t HojoCodeLen = 0;
    std::uint8_t BumonCodeLen = 0;
    int IkkatuZeinuki = 0;
    std::string DataPassword;
    int PrintKikanUse = 0;
    platform::TDateTime PrintKishu = 0;
    platform::TDateTime PrintKimatu = 0;
    std::array<std::string, 3> TegataKCodes;    // indexed by TegataIndex
    std::array<std::string, 3> TegataUserCodes;
    int TaxDefUH2 = 0;
    int KURIKOSI1 = 0;
    int KURIKOSI2 = 0;
    std::string GENKA_HWORD6;
    std::string TotalName5;
    int VerMajor = 0;
    int VerMinor1 = 0;
    int VerMinor2 = 0;
    int KobetuGenkaUse = 0;
    std::string KobetuGenkaName;
    std::uint8_t KobetuGenkaCodeLen = 0;
    int MyNumberUse = 0;
    std::string MyNumberKey;
    std::string MyNumberValue;

    friend bool operator==(const TACCINF&, const TACCINF&) = default;
};

// One SYSTEMINI row.
struct TSystemIniRec {
    int REC = 0;
    int RESERVE1 = 0;
    int RESERVE2 = 0;
    int RESERVE3 = 0;
    int RESERVE4 = 0;
    int RESERVE5 = 0;
    std::string SSTR;

    friend bool operator==(const TSystemIniRec&, const TSystemIniRec&) = default;
};

// Trial-balance index entry: sort key and position of the row in the TBALANCE array.
struct TQSORT {
    std::string Code;
    int Row = 0;

    friend bool operator==(const TQSORT&, const TQSORT&) = default;
};

// Facility part of a trial-balance row.
struct TSISREC {
    std::string Code;
    std::string Name;

    friend bool operator==(const TSISREC&, const TSISREC&) = default;
};

// Department part of a trial-balance row.
struct TBUMREC {
    std::string Code;
    std::string Name;

    friend bool operator==(const TBUMREC&, const TBUMREC&) = default;
};

// Account part of a trial-balance row.
struct TKMKREC {
    std::string KCODE;
    std::string USERCODE;
    std::string GROUPM1;
    std::string GROUPM2;
    std::string GroupText3;
    std::string GroupText4;
    std::string KNAME;
    int TAISHAKU = 0;            // debit/credit kind 1..4
    std::string BSPL;            // "B" or "P"

    friend bool operator==(const TKMKREC&, const TKMKREC&) = default;
};

// Sub-account part of a trial-balance row; carried, never used by the engines.
struct THOJREC {
    std::array<std::string, 4> Texts;

    friend bool operator==(const THOJREC&, const THOJREC&) = default;
};

// Period arrays: index 32 = fiscal-year opening, 33..48 = periods 1..16,
// 17..32 of the net and balance arrays = the prior year's periods 1..16.
inline constexpr int BalancePeriodSlots = 52;
using TBalancePeriods = std::array<platform::Currency, BalancePeriodSlots>;

// One sub-account of an account in a trial-balance row.
struct THOJOUTIWAKE {
    std::string HCODE;
    std::string HNAME;
    platform::Currency RangeOpening = 0;
    platform::Currency RangeDebit = 0;
    platform::Currency RangeCredit = 0;
    platform::Currency RangeClosing = 0;
    platform::Currency CompositionRatio = 0;
    platform::Currency Opening = 0;
    TBalancePeriods Debit{};
    TBalancePeriods Credit{};
    TBalancePeriods Net{};
    TBalancePeriods Balance{};
    platform::Currency OpeningCopy = 0;

    friend bool operator==(const THOJOUTIWAKE&, const THOJOUTIWAKE&) = default;
};

// One trial-balance row: a total line (rows 1..50) or an account row.
struct TBALANCE {
    TSISREC Sisetu;
    TBUMREC Bumon;
    TKMKREC Kamoku;
    THOJREC Hojo;
    platform::Currency KAISIZAN = 0;          // fiscal-year opening balance
    platform::Currency StartMonthBalance = 0; // balance at the start of the first month of input
    int HojoCount = 0;
    std::vector<THOJOUTIWAKE> HojoUtiwake;
    int MSTREC = 0;
    int SUBREC = 0;
    int LineCount = 0;              // accounts added into a total line
    int Flag = 0;
    platform::Currency RangeOpening = 0;
    platform::Currency RangeDebit = 0;
    platform::Currency RangeCredit = 0;
    platform::Currency RangeClosing = 0;
    platform::Currency CompositionRatio = 0;  // percentage with one decimal
    platform::Currency PriorYear = 0;
    TBalancePeriods Debit{};
    TBalancePeriods Credit{};
    TBalancePeriods Net{};
    TBalancePeriods Balance{};
    platform::Currency OpeningCopy = 0;

    friend bool operator==(const TBALANCE&, const TBALANCE&) = default;
};

// One side of a journal record.
struct TSwkBalance {
    std::array<std::string, 7> Texts;

    friend bool operator==(const TSwkBalance&, const TSwkBalance&) = default;
};

// A journal record, held by the base dialog; not used by this program's dialogs.
struct TSWKREC {
    std::array<TSwkBalance, 2> Sides;

    friend bool operator==(const TSWKREC&, const TSWKREC&) = default;
};

// One processing-log entry; the data bytes are carried unchanged.
struct TQuarvelSyoriInfo {
    std::string Text1;
    std::array<std::uint8_t, 5> Data{};
    std::string Text2;

    friend bool operator==(const TQuarvelSyoriInfo&, const TQuarvelSyoriInfo&) = default;
};

// The processing log of the consolidation control.
using TQuarvelSyoriLog = std::vector<TQuarvelSyoriInfo>;

// Error information; not used by this program.
struct TErrInfomation {
    std::uint8_t Kind = 0;
    std::array<std::string, 4> Texts;

    friend bool operator==(const TErrInfomation&, const TErrInfomation&) = default;
};

// Two texts.
struct TComListRec_s {
    std::string Text1;
    std::string Text2;

    friend bool operator==(const TComListRec_s&, const TComListRec_s&) = default;
};

// Host hooks: empty until the main form installs them, empty again when it is destroyed.
using MenuHookFunc = std::function<int(int command, const std::string& text)>;
using SyoriKidouFunc = std::function<int(const std::string& formName, int mode, const std::string& params)>;
// Answers 1 when the data file of the folder is sound, 0 when it is not.
using DataHasonFunc = std::function<int(const std::string& host, const std::string& folder, int quiet)>;

// Program-wide records.
extern TSystemDef SystemDef;
extern TACCINF AccInf;

// Mode bytes.
extern std::uint8_t RunMode;         // 0 normal; this program never sets another
extern std::uint8_t ConnectMode;     // 0 standalone (LOCAL), 1 client/server (SERVER), 2 terminal server (SBC)
extern std::uint8_t SeihinKubun;     // never written
extern std::uint8_t LumeranDataFlag; // 1 (or 2) when the OEM partner's data; see records::isLumeranData
extern std::uint8_t DbFatalFlag;     // set once a fatal database error was reported

// Hook slots.
extern MenuHookFunc MenuHookProc;
extern MenuHookFunc MenuHookProc2;   // never filled; tested for empty
extern SyoriKidouFunc SyoriKidouProc;
extern DataHasonFunc DataHasonProc;

// Data-version text that the error log reports; never filled by this program.
extern std::string DataVersion;

// Typed constants that start-up may overwrite from "AppInfo.ini".
extern std::string MakerName;
extern std::string MakerUrl;
extern std::string OptionUrl;
extern std::string SinceText;
extern std::string AppShortName;
extern std::string HomeDir;
extern std::string ViewerDir;
extern std::string VeltorinHomeDir;
extern std::string ShareDir;
extern std::string ServerDataDir;
extern std::string ServerTempDir;
extern std::string DataDefFile;
extern std::string DataFile;
extern std::string DataBackupFile;
extern std::string DataIniFile;
extern std::array<std::string, 6> InitDataFiles;
extern std::string CashBookDir;
extern std::string CashBookBackupFile;
extern bool OptionBlind;
extern int DataListCnt;

// Typed constants that never change.
inline constexpr std::string_view BackupWorkFile = "dwacc.fbk";

// Order of DefaultColors (the SYSDEF columns they seed).
enum DefaultColorIndex : int {
    DefaultColHeaderColor = 0,
    DefaultColHeaderGradColor1 = 1,
    DefaultColHeaderGradColor2 = 2,
    DefaultClientColor = 3,
    DefaultClientColor1 = 4,
    DefaultClientColor2 = 5,
    DefaultTotalColor = 6,
    DefaultActiveColor = 7,
};
// The standard colours; records::defaultColors() applies the OEM partner's three.
inline constexpr std::array<int, 8> DefaultColors = {
    0xDBDBDB, 0xFFFFFF, 0xDBDBDB, 0xFFFFFF, 0xFFFFFF, 0xE1F0FF, 0x8EC7FF, 0x246BFF};

inline constexpr std::array<std::string_view, 13> FunctionKeyCaptions = {
    "ESC:", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F9:", "F10:", "F11:", "F12:"};
inline constexpr std::array<std::string_view, 4> TerminalKinds = {"", "GO-Global", "RDS", "XenDesktop"};
inline constexpr std::array<std::string_view, 6> DataKindNames = {
    "法人", "個人(一般)", "個人(不動産)", "医療法人", "個人(クリニック)", "個人(農業)"};
inline constexpr std::array<std::string_view, 3> SitenRootNames = {"法人全体", "総体", "法人全体"};
inline constexpr std::array<std::string_view, 5> MedicalSitenNames = {
    "法人全体", "病院・診療所", "老人保健施設", "指定訪問看護", "その他の事業"};
inline constexpr std::array<std::string_view, 2> SortMarks = {"▲", "▼"};
inline constexpr std::array<std::string_view, 2> PrintFontNames = {"ＭＳ 明朝", "ＭＳ ゴシック"};

// A set of data-location kinds: 0 local, 1 and 2 reached through the server.
struct DataPlaceSet {
    unsigned bits = 0;
    constexpr bool contains(int place) const
    {
        return place >= 0 && place < 32 && ((bits >> place) & 1u) != 0;
    }
};
inline constexpr DataPlaceSet AllDataPlaces{0b111};
inline constexpr DataPlaceSet ServerDataPlaces{0b110};

namespace records {

// Back to the state at program start: records, mode bytes and hooks zero, typed constants at
// their initial values. Tests call it in SetUp.
void resetProgramState();

// LumeranDataFlag counts as set for 1 and 2.
bool isLumeranData();

// DefaultColors with the OEM partner's last three while LumeranDataFlag is set.
std::array<int, 8> defaultColors();

// Extra window height for a frame metric: 0 below 5, else (frameHeight - 4) * 2.
int frameExtraFor(int frameHeight);

} // namespace records
