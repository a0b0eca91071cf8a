#include "export/DataExport.h"

#include "export/XmlSaveDocument.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "records/TextSplitter.h"
#include "records/ProductVersionList.h"
#include "records/ProgramRecords.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

const char* const kZetrinoIni = "Zetrino.ini";

using platform::text::lowerAscii;
using platform::text::upperAscii;

std::string twoDigits(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", n);
    return text;
}

// A decimal integer of type T, 0 when the text is not one (or out of range).
template <typename T>
T decimalOr0(std::string_view text)
{
    T n = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, n);
    return r.ec == std::errc() && r.ptr == end ? n : 0;
}

// "8.0.0" -> 80000; 0 for a text that is not one to three dotted numbers.
long long versionNumber(const std::string& text)
{
    TMojiBunkatu items;
    items.Delimiter = '.';
    items.Bunkatu(text);
    if (items.Count < 1 || items.Count > 3)
        return 0;
    std::string digits;
    for (int i = 0; i < 3; ++i)
        digits += twoDigits(decimalOr0<int>(items.GetItem(i)));
    return decimalOr0<long long>(digits);
}

// "yyyymmdd" of a date, Gregorian.
std::string yyyymmdd(platform::TDateTime date)
{
    const platform::CivilDate d = platform::decodeDate(date);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

// HASUU_SYOUKYAKU: 0 truncate -> "1", 1 round half -> "3", 2 round up -> "2".
std::string roundingText(int mode)
{
    switch (mode) {
    case 1: return "3";
    case 2: return "2";
    default: return "1";
    }
}

} // namespace

std::string businessKindSection(const std::string& kind)
{
    static const struct {
        std::string_view kind, section;
    } table[] = {
        {"HJ", "HOJINZEI"},      {"HJ_G", "HOJINZEI_G"},         {"SY", "SYOUHIZEI"},
        {"UG", "UTIWAKESYO"},    {"UG_G", "GAIKYOUSYO"},         {"ST", "SYOTOKUZEI"},
        {"ST_G", "SYOTOKUZEI_G"}, {"RC", "RENKETUNOUZEI"},       {"RC_G", "RENKETUNOUZEI_G"},
    };
    for (const auto& row : table)
        if (row.kind == kind)
            return std::string(row.section);
    return {};
}

void GetSeihinRegValue(int majorVersion, int letter, const std::string& name, std::string& value)
{
    using platform::registry::RootKey;
    (void)letter;
    const records::SeihinRegistryKeys& keys = records::seihinRegistryKeys();
    if (!platform::registry::keyExists(RootKey::LocalMachine, keys.makerKey))
        return;
    const std::string wanted = lowerAscii(keys.productKey) + twoDigits(majorVersion);
    const std::vector<std::string> subKeys =
        platform::registry::subKeys(RootKey::LocalMachine, keys.makerKey);
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
        if (lowerAscii(*it).find(wanted) == std::string::npos)
            continue;
        const auto found = platform::registry::readValue(
            RootKey::LocalMachine, platform::paths::join(keys.makerKey, *it), name);
        if (!found)
            value.clear();
        else if (found->type == platform::registry::Value::Type::String)
            value = found->text;
        else
            value = std::to_string(found->number);
        return;
    }
}

bool CompareVersionText(const std::string& installed, const std::string& required)
{
    const long long have = versionNumber(installed);
    return have > 0 && have >= versionNumber(required);
}

TComDataExport::TComDataExport(int passedFunctionId, const std::string& exportFile)
{
    std::error_code ec;
    const std::string program =
        platform::paths::fromNative(std::filesystem::read_symlink("/proc/self/exe", ec));
    programFileName = upperAscii(platform::paths::extractFileName(program));
    programFolder = platform::paths::extractFileDir(program);
    programDrive = platform::paths::extractFileDrive(program);

    dataRoot = platform::paths::excludeTrailingDelimiter(
                   platform::paths::fromNative(platform::commonAppDataFolder()))
        + "\\" + HomeDir;
    iniFolder = dataRoot + "\\ini";
    try {
        platform::files::createDirectories(iniFolder);
    } catch (const platform::files::FileError&) {
        // Reading then finds no file; writing at the end reports the failure.
    }

    GetSeihinRegValue(8, 0, "Product", installedProductName);
    GetSeihinRegValue(8, 0, "Version", installedProductVersion);

    requiredVersion = "8.0.0";
    title = "所得税のゼトリノ from " + installedProductName + "（減価償却）";
    connectedProgramVersion = "8.0.0";
    targetName = "所得税のゼトリノ（減価償却）";

    businessKind = "ST_G";
    givenFunctionId = passedFunctionId;
    businessPrefix = "ZQ14";
    formatVersion = 1;
    functionId = passedFunctionId == 0 ? 2 : passedFunctionId;

    selectionClass = 1;
    if (businessKind.find("ST") != std::string::npos)
        selectionClass = 2;
    else if (businessKind.find("SY") != std::string::npos)
        selectionClass = 0;

    dataVersionText = "8.0";
    dataMajorVersion = "8";

    outputFile = exportFile;
    ReadIniFile();
}

TComDataExport::~TComDataExport()
{
    try {
        WriteIniFile();
    } catch (const std::exception& e) {
        platform::messageBox(std::string("「") + kZetrinoIni + "」の書き込みに失敗しました。\r"
                                 + e.what(),
                             "", platform::MB_OK | platform::MB_ICONERROR);
    }
}

std::string TComDataExport::iniFileName() const
{
    return platform::paths::join(iniFolder, kZetrinoIni);
}

void TComDataExport::ReadIniFile()
{
    const std::string section = businessKindSection(businessKind);
    if (section.empty())
        return;
    const platform::IniFile ini(iniFileName());
    lastData = ini.readString(section, "DATA", "");
    clientName = ini.readString(section, "KOMONSAKI", "");
    if (givenFunctionId == 0)
        outputFile = ini.readString(section, "EXPORTFILE", "");
}

void TComDataExport::WriteIniFile()
{
    const std::string section = businessKindSection(businessKind);
    if (section.empty())
        return;
    platform::IniFile ini(iniFileName(), platform::IniFile::WriteMode::Deferred);
    ini.writeString(section, "DATA", lastData);
    ini.writeString(section, "KOMONSAKI", clientName);
    if (givenFunctionId == 0)
        ini.writeString(section, "EXPORTFILE", outputFile);
    ini.updateFile();
}

void TComDataExport::SetSystemNode(TXmlSaveDoc& doc)
{
    const XmlNode root = doc.CreateRootNode("REPORT");
    const XmlNode system = doc.AddNode(root, "SYSTEM");
    doc.AddTextNode(system, "GYOUMUPREFIX", businessPrefix);
    doc.AddTextNode(system, "VERSION", std::to_string(formatVersion));
    doc.AddTextNode(system, "FUNCTIONID", std::to_string(functionId));
    doc.AddTextNode(system, "CONNECTEDPROGRAMVER", connectedProgramVersion);
    doc.AddTextNode(system, "PROGRAMNAME", installedProductName);
    doc.AddTextNode(system, "PROGRAMVER", installedProductVersion);
}

void TComDataExport::SetBasicNode(TXmlSaveDoc& doc)
{
    const XmlNode basic = doc.AddNode({}, "BASIC");
    doc.AddTextNode(basic, "KOMONSAKINAME", clientName);
    // Only the individual's depreciation layout is ever written by this program; the shared
    // object's layouts of the other prefixes are not carried over.
    if (businessPrefix == "ZQ14" && (functionId == 1 || functionId == 3)) {
        doc.AddTextNode(basic, "AOSIROKUBUN", "1");
        doc.AddTextNode(basic, "JIGYOUNENDOFROM", yyyymmdd(fiscalYearStart));
        doc.AddTextNode(basic, "JIGYOUNENDOTO", yyyymmdd(fiscalYearEnd));
        doc.AddTextNode(basic, "SYOTOKUSYURUI", std::to_string(incomeKind));
        return;
    }
    if (businessPrefix == "ZQ14" && (functionId == 2 || functionId == 4)) {
        doc.AddTextNode(basic, "JIGYOUNENDOFROM", yyyymmdd(fiscalYearStart));
        doc.AddTextNode(basic, "JIGYOUNENDOTO", yyyymmdd(fiscalYearEnd));
        doc.AddTextNode(basic, "HASUU_SYOUKYAKU", roundingText(roundingMode));
        return;
    }
    throw EDataExportError("業務Prefixが条件に加えられていません。", exportcode::kNoBasicLayout,
                           "SetBasicNode(BASICﾉｰﾄﾞを作成)");
}
