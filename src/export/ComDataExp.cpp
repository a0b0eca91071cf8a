#include "export/ComDataExp.h"

#include "export/XMLSaveDoc.h"
#include "platform/MessageService.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

const char* const kZetrinoIni = "Zetrino.ini";

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

std::string withoutTrailingDelimiter(std::string path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
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

ComDataExportEnvironment& comDataExportEnvironment()
{
    static ComDataExportEnvironment environment;
    return environment;
}

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
    (void)majorVersion;
    (void)letter;
    (void)name;
    (void)value;
}

TComDataExport::TComDataExport(int passedFunctionId, const std::string& exportFile)
{
    const ComDataExportEnvironment& env = comDataExportEnvironment();

    std::string program = env.programFile;
    if (program.empty()) {
        std::error_code ec;
        program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    }
    const auto slash = program.find_last_of("\\/");
    programFileName = upper(slash == std::string::npos ? program : program.substr(slash + 1));
    programFolder = slash == std::string::npos ? std::string() : program.substr(0, slash);
    programDrive = program.size() >= 2 && program[1] == ':' ? program.substr(0, 2) : std::string();

    dataRoot = withoutTrailingDelimiter(env.commonAppDataFolder) + "\\" + env.homeDir;
    iniFolder = dataRoot + "\\ini";

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
    return iniFolder + "\\" + kZetrinoIni;
}

void TComDataExport::ReadIniFile()
{
}

void TComDataExport::WriteIniFile()
{
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
