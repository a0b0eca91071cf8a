#include "dbupdate/CompanyDbSteps.h"

#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <QFile>

#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace dbupdate {

// The statements kept with the program (UTF-8), without comment and empty lines.
void addCompanyStatements(DbUpdateScript& script, const char* name)
{
    QFile file(QStringLiteral(":/dbupdate/company/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(std::string("step statements missing: ") + name);
    const std::string text = file.readAll().toStdString();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && !line.starts_with("--"))
            script.add(line);
        start = end + 1;
    }
}

namespace {

// The column guards: the company database is opened for the questions alone and closed again,
// so every answer sees it as it was before the step. A database that cannot be asked counts each
// column as missing (the ALTER then tells).
std::vector<bool> columnsMissing(const std::string& table, std::initializer_list<std::string> columns)
{
    std::vector<bool> missing(columns.size(), true);
    if (DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0)) {
        std::size_t i = 0;
        for (const std::string& column : columns)
            missing[i++] = !DM->fnExistence_Field(table, column);
    }
    DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
    return missing;
}

bool columnMissing(const std::string& table, const std::string& column)
{
    return columnsMissing(table, {column}).front();
}

void addAccdef1Guards(DbUpdateScript& script, bool sdaiHasuu3)
{
    const auto missing = columnsMissing("ACCDEF1", {"SDAI_HASUU3", "KESSAN_KIKAN"});
    if (sdaiHasuu3 && missing[0])
        addCompanyStatements(script, "accdef1-sdai-hasuu3.sql");
    if (missing[1])
        addCompanyStatements(script, "accdef1-kessan-kikan.sql");
}

int key(const DbVersion& v) { return v.Major * 100 + v.Minor1 * 10 + v.Minor2; }

} // namespace

bool hasCompanyStep(const DbVersion& v)
{
    switch (key(v)) {
    case 11: case 12: case 13: case 14: case 15: case 20: case 21: case 22:
    case 30: case 31: case 32: case 33: case 34: case 40: case 41: case 100: case 101:
        return true;
    default:
        return false;
    }
}

DbUpdateScript companyStepScript(const DbVersion& v)
{
    if (!hasCompanyStep(v))
        throw std::invalid_argument("no company step " + versionText(v));
    DbUpdateScript script(SystemDef.DataDir, DataFile);
    switch (key(v)) {
    case 11:
        addCompanyStatements(script, "011.sql");
        addCompanyStatements(script, "ks-setswk-init-seed.sql");
        addCompanyStatements(script, "011-end.sql");
        addAccdef1Guards(script, true);
        break;
    case 12: addCompanyStatements(script, "012.sql"); break;
    case 13:
        addCompanyStatements(script, "013.sql");
        addAccdef1Guards(script, true);
        break;
    case 14:
        addCompanyStatements(script, "014.sql");
        addCompanyStatements(script, "cashflow-seed.sql");
        addAccdef1Guards(script, false);
        break;
    case 15:
        addCompanyStatements(script, "015.sql");
        if (columnMissing("KESSAN", "CHUKI_TITLEPRINT"))
            addCompanyStatements(script, "kessan-chuki-titleprint.sql");
        break;
    case 21: addCompanyStatements(script, "021.sql"); break;
    case 22:
        if (columnMissing("KAMOKUMST", "GROUPM0")) {
            addCompanyStatements(script, "022.sql");
            addCompanyStatements(script, "ks-setswk-init-seed.sql");
            addCompanyStatements(script, "022-end.sql");
            addCompanyStatements(script, "cashflow-seed.sql");
        }
        break;
    case 31: addCompanyStatements(script, "031.sql"); break;
    case 33:
        addCompanyStatements(script, "033.sql");
        // The account list by data kind: corporations A; otherwise code type 1 B, 2 C.
        if (AccInf.DATATYPE == 1)
            addCompanyStatements(script, "033-list-a.sql");
        else if (AccInf.CODETYPE == 1)
            addCompanyStatements(script, "033-list-b.sql");
        else if (AccInf.CODETYPE == 2)
            addCompanyStatements(script, "033-list-c.sql");
        script.add("COMMIT;");
        break;
    case 34: addCompanyStatements(script, "034.sql"); break;
    case 41: addCompanyStatements(script, AccInf.DATATYPE == 1 ? "041-corporation.sql" : "041-other.sql"); break;
    case 100: addCompanyStatements(script, "100.sql"); break;
    case 101: addCompanyStatements(script, "101.sql"); break;
    default: // 0.2.0, 0.3.0, 0.3.2, 0.4.0: the version alone
        break;
    }
    script.addCompanyVersion(v.Major, v.Minor1, v.Minor2);
    script.add("EXIT;");
    return script;
}

int ExecCompanyStep(const DbVersion& v)
{
    companyStepScript(v).save();
    return ExecIsqlScript(versionText(v));
}

} // namespace dbupdate
