#include "dbupdate/SystemDbSteps.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/CodeTaikeiIO.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <QFile>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace dbupdate {
namespace {

// The statements of a step kept with the program (UTF-8), without comment and empty lines.
std::vector<std::string> resourceLines(const char* name)
{
    QFile file(QStringLiteral(":/dbupdate/system/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("step statements missing: ") + name);
    const std::string text = file.readAll().toStdString();
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && !line.starts_with("--"))
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void addResource(DbUpdateScript& script, const char* name)
{
    for (const std::string& line : resourceLines(name))
        script.add(line);
}

void addFolderNamesUpperCase(DbUpdateScript& script)
{
    script.add("SELECT * FROM SP_DATALIST_UPDATE(" +
               DbUpdateScript::quoted(platform::text::upperAscii(SystemDef.SysDir)) + ");");
    script.add("COMMIT;");
}

void addDataPlaces(DbUpdateScript& script)
{
    const std::string& sysDir = SystemDef.SysDir;
    const std::string name = platform::text::cp932Width(sysDir) > 40 ? "標準の場所" : sysDir;
    script.add("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (0, 1, " +
               DbUpdateScript::quoted(name) + ", " + DbUpdateScript::quoted(sysDir) + ");");
    for (int n = 1; n <= 99; ++n) {
        char number[8];
        std::snprintf(number, sizeof number, "%.2d", n);
        script.add("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (" + std::to_string(n) +
                   ", " + std::to_string(n + 1) + ", '', " + DbUpdateScript::quoted(sysDir + number) + ");");
    }
    script.add("COMMIT;");
}

// Steps 7.0.0, 7.0.4 and 8.0.0: the version first, then the installed file's non-empty lines.
void addInstalledFile(DbUpdateScript& script, const DbVersion& v)
{
    script.addSystemVersion(v.Major, v.Minor1, v.Minor2);
    const std::string folder = std::to_string(v.Major) + std::to_string(v.Minor1) + std::to_string(v.Minor2);
    const std::string path = platform::paths::join(platform::paths::join(SystemDef.SqlFolder, folder), "sysup01.sql");
    if (!platform::files::exists(path))
        return;
    const std::string bytes = platform::files::readAll(path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            script.addBytes(line);
        start = end + 1;
    }
}

} // namespace

DbUpdateScript systemStepScript(const DbVersion& v)
{
    const bool lumeran = records::isLumeranData();
    DbUpdateScript script(SystemDef.SysDir, DataDefFile);
    const int key = v.Major * 100 + v.Minor1 * 10 + v.Minor2;
    switch (key) {
    case 31: addResource(script, "031.sql"); break;
    case 32: addResource(script, "032.sql"); break;
    case 33: addResource(script, "033.sql"); break;
    case 101:
        if (ConnectMode == 1)
            addFolderNamesUpperCase(script);
        break;
    case 300: addResource(script, "300.sql"); break;
    case 305: addResource(script, "305.sql"); break;
    case 307: addResource(script, "307.sql"); break;
    case 400: addResource(script, "400.sql"); break;
    case 402:
        script.add("SET NAMES SJIS_0208;");
        if (!lumeran) {
            if (ConnectMode == 1)
                addFolderNamesUpperCase(script);
            addResource(script, "402.sql");
        }
        break;
    case 500:
        script.add("SET NAMES SJIS_0208;");
        addResource(script, "500.sql");
        addDataPlaces(script);
        if (lumeran) {
            script.add("UPDATE SYSREG SET STEXT='1' WHERE SCODE='試算表集計出力区分';");
            script.add("COMMIT;");
        }
        break;
    case 700:
    case 704:
    case 800:
        script.add("SET NAMES SJIS_0208;");
        addInstalledFile(script, v);
        script.add("EXIT;");
        return script;
    default:
        throw std::invalid_argument("no system step " + versionText(v));
    }
    script.addSystemVersion(v.Major, v.Minor1, v.Minor2);
    script.add("EXIT;");
    return script;
}

void LoadOemCodeSystems()
{
    static const std::array<const char*, 10> kFiles = {
        "販売業.txt", "製造業.txt", "建設業.txt", "運送業.txt", "病院.txt",
        "その他.txt", "", "個人　一般.txt", "個人　不動産.txt", "個人　医業.txt",
    };
    if (!DM->IBDatabaseDEF.connected() && !DM->fnAccDefConnected(SystemDef.HostName, 1))
        return;
    try {
        TCodeTaikeiIO io;
        const std::string folder = platform::paths::join(SystemDef.SqlFolder, "500");
        for (std::size_t n = 0; n < kFiles.size(); ++n) {
            if (*kFiles[n] == '\0')
                continue;
            if (!io.LoadFromFile(platform::paths::join(folder, kFiles[n]), int(n + 1)))
                break;
        }
    } catch (const std::exception&) {
        // A load that cannot read its file ends the load; the step goes on.
    }
    DM->IBDatabaseDEF.forceClose();
}

int ExecSystemStep(const DbVersion& v)
{
    if (v == DbVersion{5, 0, 0} && records::isLumeranData())
        LoadOemCodeSystems();
    systemStepScript(v).save();
    return ExecIsqlScript(versionText(v));
}

} // namespace dbupdate
