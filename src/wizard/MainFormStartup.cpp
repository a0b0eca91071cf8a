// The main form's start-up steps: application information over the name constants, the folder
// set of SystemDef, the settings file and the sign-in.
#include "wizard/MainForm.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Screen.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "records/AppInfoRecord.h"
#include "records/ProgramRecords.h"
#include "ui/AppIniCreateBox.h"
#include "ui/LogonBox.h"

#include <QFont>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

using platform::text::upperAscii;
using platform::text::lowerAscii;

// The format's first integer conversion ("%d", "%03d", ...) filled with number; the rest of the
// text as it stands. The format comes from a file, so it is never handed to printf.
std::string formatOneInteger(const std::string& format, int number)
{
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        std::size_t j = i + 1;
        bool zero = false;
        if (j < format.size() && format[j] == '0') {
            zero = true;
            ++j;
        }
        int width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            width = width * 10 + (format[j++] - '0');
        if (j < format.size() && format[j] == 'd') {
            std::string digits = std::to_string(number);
            if (int(digits.size()) < width)
                digits.insert(0, std::size_t(width) - digits.size(), zero ? '0' : ' ');
            return format.substr(0, i) + digits + format.substr(j + 1);
        }
    }
    return format;
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::string slashesToBackslashes(std::string s)
{
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

FontSpec fontSpecOf(const QFont& font)
{
    FontSpec spec;
    spec.Name = font.family().toStdString();
    spec.Size = font.pointSize() > 0 ? font.pointSize() : 9;
    spec.Style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0);
    spec.CharSet = 128; // SHIFTJIS_CHARSET
    return spec;
}

constexpr const char* kNoDataFolderText =
    "アプリケーションの初期化に失敗しました。\r%sを終了します。\rデータフォルダの取得に失敗しました。";
constexpr const char* kNotSetUpText = "アプリケーションの初期設定がおこなわれていないため\r%sを終了します。";
constexpr const char* kNoServerNameText =
    "データベースサーバーのコンピュータ名が設定されていません。\r初期設定画面を開きます。";

std::string withCaption(const char* format)
{
    std::string text = format;
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, SystemDef.AppCaption.empty() ? std::string(kProgramCaption) : SystemDef.AppCaption);
    return text;
}

} // namespace

void ApplyAppInfo()
{
    const TAppInfoRec& a = AppInfo;
    MakerName = a.Company.Name;
    MakerUrl = a.Company.URL;
    OptionUrl = a.Application.OptionURL;
    SinceText = a.Application.Since;
    AppShortName = a.Zaimu.AppName;
    HomeDir = a.Zaimu.HomeDir;
    ShareDir = a.Zaimu.ShareDir;
    ServerDataDir = a.Zaimu.ServerDir;
    ServerTempDir = a.Zaimu.ServerTempDir;
    DataDefFile = a.Zaimu.DataDefFile;
    DataFile = a.Zaimu.DataFile;
    DataBackupFile = a.Zaimu.DataBackupFile;
    DataIniFile = a.Zaimu.DataIniFile;
    // Entries for 11, 21, 22, 23 and 31; the one for 24 keeps its value.
    constexpr std::pair<int, std::size_t> kInitFiles[] = {{11, 0}, {21, 1}, {22, 2}, {23, 3}, {31, 5}};
    for (const auto& [number, index] : kInitFiles)
        InitDataFiles[index] = formatOneInteger(a.Zaimu.DataInitFile, number);
    ViewerDir = a.VEradi.DataDir;
    VeltorinHomeDir = a.Veltorin.HomeDir;
    CashBookDir = a.Divedavi.DataDir;
    CashBookBackupFile = a.Divedavi.DataBackupFile;
    DataListCnt = a.Zaimu.DataListCnt;
    OptionBlind = a.Application.OptionBlind == 1;
}

void ReadAppFolders(const QFont& font, std::string& failureText)
{
    TSystemDef& d = SystemDef;
    d.AppCaption.clear();
    d.OsVersion = platform::osMajorVersion();
    d.FrameHeight = platform::sizingFrameHeight();
    d.FrameExtra = records::frameExtraFor(d.FrameHeight);
    RunMode = 0;

    d.WinUserName = platform::userName();
    d.PcName = platform::computerName();

    std::error_code ec;
    const std::string program =
        platform::paths::fromNative(std::filesystem::read_symlink("/proc/self/exe", ec));
    d.ExeFolder = platform::paths::excludeTrailingDelimiter(platform::paths::extractFileDir(program));
    d.RootFolder =
        platform::paths::excludeTrailingDelimiter(platform::paths::extractFileDir(d.ExeFolder));
    d.PrintFolder = d.RootFolder + "\\print";
    d.HelpFolder = d.RootFolder + "\\help";
    d.SqlFolder = d.RootFolder + "\\sql";

    const std::string common = platform::commonAppDataFolder();
    if (common.empty()) {
        failureText = withCaption(kNoDataFolderText);
        throw std::runtime_error("no application-data folder");
    }
    d.DataRoot = platform::paths::excludeTrailingDelimiter(platform::paths::fromNative(common)) +
                 "\\" + HomeDir;
    d.IniFolder = d.DataRoot + "\\ini";
    d.LogFolder = d.DataRoot + "\\log";
    d.TempFolder = d.DataRoot + "\\temp";

    const std::string temp = platform::temporaryFolder();
    if (const char* env = std::getenv("TEMP"); env && *env && std::filesystem::is_directory(env, ec))
        d.WinTempFolder = platform::paths::fromNative(temp);
    d.SystemFolder = platform::paths::fromNative(std::filesystem::path("/"));
    d.DocumentFolder = platform::paths::excludeTrailingDelimiter(
                           platform::paths::fromNative(platform::documentsFolder())) +
                       "\\" + HomeDir;
    d.ViewerFolder = d.WinTempFolder + "\\" + ViewerDir;
    d.SysDir = slashesToBackslashes(d.DataRoot + "\\data");

    d.DataDir.clear();
    d.HostName = d.PcName;
    d.DbUser = "MORABY";
    d.DbPassword = "qolvex";
    d.DefaultFont = fontSpecOf(font);
    d.OperatorFont = d.DefaultFont;

    for (const auto& folder : {d.IniFolder, d.LogFolder, d.TempFolder, d.DocumentFolder}) {
        try {
            platform::files::createDirectories(folder);
        } catch (const std::exception&) {
            // A data root that cannot be written cannot hold the settings either. The sign-in
            // has not set the caption yet: the program's own name stands in, and the folder is
            // named so that it can be put right.
            failureText = withCaption(kNotSetUpText) + "\rフォルダ「" +
                          platform::paths::toNative(folder).string() + "」を作成できません。";
            throw;
        }
    }

    d.IniFileName = d.DataRoot + "\\" + AppShortName + ".ini";

    bool exists = platform::files::fileExists(d.IniFileName);
    for (;;) {
        if (exists || CreateDefaultAppIni()) {
            platform::IniFile ini(d.IniFileName);
            auto localEmpty = [&ini] {
                for (const auto& line : ini.readSectionValues("LOCAL"))
                    if (!trimmed(line).empty())
                        return false;
                return true;
            };
            if (localEmpty()) {
                if (!CreateDefaultAppIni()) {
                    failureText = withCaption(kNotSetUpText);
                    throw std::runtime_error("no settings");
                }
            }
            d.HostName = ini.readString("LOCAL", "HOSTNAME", "");
            d.GoGlobal = upperAscii(ini.readString("LOCAL", "GOGLOBAL", "")) == "YES";
            d.UseGroup = upperAscii(ini.readString("LOCAL", "GROUP", "")) == "YES";
            d.SysDir = slashesToBackslashes(ini.readString("LOCAL", "SYSDIR", ""));
            d.DbUser = upperAscii(ini.readString("LOCAL", "USER", ""));
            d.DbPassword = lowerAscii(ini.readString("LOCAL", "PASSWORD", ""));
        } else {
            failureText = withCaption(kNotSetUpText);
            throw std::runtime_error("no settings");
        }
        if (ConnectMode == 0) {
            d.HostName.clear();
            d.GoGlobal = false;
            d.GroupId = 10000;
            return;
        }
        if (ConnectMode == 1) {
            if (d.HostName.empty()) {
                platform::messageBox(kNoServerNameText, kApplicationTitle,
                                     platform::MB_OK | platform::MB_ICONINFORMATION);
                exists = false;
                continue;
            }
            d.GoGlobal = false;
            d.UseGroup = false;
            d.GroupId = 10000;
            return;
        }
        d.GroupId = d.UseGroup ? 0 : 10000;
        return;
    }
}

bool TForm1::CreateDefaultIni() { return CreateDefaultAppIni(); }

bool TForm1::ShowLogon() { return RunLogon(this); }
