#include "dbupdate/CompanyDbSteps.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbHelpers.h"
#include "records/ProgramRecords.h"
#include "records/TextProtection.h"
#include "records/TextRoutines.h"

#include <cstdio>
#include <stdexcept>

namespace dbupdate {
namespace {

int key(const DbVersion& v) { return v.Major * 100 + v.Minor1 * 10 + v.Minor2; }

// What the step's rules read: the data kind and the answers of its direct statements.
struct FileContext {
    bool medical = false;
    bool oem = false;
    int dataType = 0;
    bool triggerExists = false; // 3.0.4: KAMOKUMST_AFTER_UPDATE2
    int kamokuPattern = 0;      // 3.0.6
    bool taxCode116 = false;    // 7.0.4
};

std::vector<std::string> numbered(int last)
{
    std::vector<std::string> names;
    for (int n = 1; n <= last; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "dwzup%.2d.sql", n);
        names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> fileNames(int step)
{
    switch (step) {
    case 300: return numbered(10);
    case 301: return numbered(1);
    case 303: return numbered(6);
    case 304: return numbered(4);
    case 306: return numbered(2);
    case 307: return numbered(8);
    case 400: return numbered(9);
    case 402: return numbered(6);
    case 500: return numbered(11);
    case 502: return numbered(2);
    case 505: return numbered(5);
    case 600: return numbered(18);
    case 610: return numbered(5);
    case 613: return numbered(7);
    case 700: return numbered(11);
    case 702: return numbered(2);
    case 703: return numbered(3);
    case 704: {
        std::vector<std::string> names{"dwzup70201.sql", "dwzup70202.sql"};
        for (std::string& n : numbered(4))
            names.push_back(std::move(n));
        return names;
    }
    case 800: return numbered(6);
    default: return {};
    }
}

bool in(int n, std::initializer_list<int> set)
{
    for (int m : set)
        if (m == n)
            return true;
    return false;
}

// Whether the step's rule keeps the file numbered n out of the script (70201 and 70202 by
// their full number).
bool heldBack(int step, int n, const FileContext& c)
{
    const bool med = c.medical;
    switch (step) {
    case 303: return !med;
    case 304: return n == 4 && c.triggerExists;
    case 306: return (n == 1 && c.kamokuPattern != 1) || (n == 2 && c.kamokuPattern != 2);
    case 307: return !med && n >= 2 && n <= 7;
    case 400: return med ? in(n, {2, 3, 7, 8}) : in(n, {4, 5, 9});
    case 402: return false; // every file for every data kind
    case 500:
        if (n == 9 && !c.oem)
            return true;
        return med ? in(n, {2, 10}) : in(n, {1, 3});
    case 502: return med ? n == 1 : n == 2;
    case 505: {
        const bool type23 = c.dataType == 2 || c.dataType == 3;
        if (n == 4 && (c.oem || type23))
            return true;
        if (n == 5 && (!c.oem || type23))
            return true;
        return med ? n == 2 : n == 3;
    }
    case 600: return med ? ((n >= 3 && n <= 9) || n == 16) : ((n >= 10 && n <= 14) || n == 17);
    case 610: return med ? n == 4 : n == 5;
    case 613: return med ? in(n, {3, 6}) : n == 2;
    case 700: return med ? in(n, {1, 2, 3, 8, 11}) : in(n, {4, 5, 6, 7, 9});
    case 703: return !med && n == 1;
    case 704:
        if (n == 70201 || n == 70202)
            return c.taxCode116;
        return med ? n == 3 : n == 4;
    default: return false;
    }
}

int fileNumber(const std::string& name) { return std::atoi(name.c_str() + 5); }

// The company database is connected for the step's direct statements, which run in the
// transaction of a statement on it and are committed at once; it is closed on every way out.
template <typename Work>
auto withCompanyDatabase(Work&& work)
{
    struct Disconnect {
        ~Disconnect() { DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0); }
    };
    DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0);
    Disconnect disconnect;
    std::unique_ptr<firebird::Statement> sql = NewDbSql("ACCDAT", 0);
    if (!sql)
        throw std::runtime_error("no statement on the company database");
    firebird::Transaction& tr = sql->transaction();
    const bool started = !tr.inTransaction();
    if (started)
        tr.start();
    try {
        auto answer = work(*sql);
        if (started)
            tr.commit();
        return answer;
    } catch (...) {
        if (started && tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
                // The disconnect below closes the attachment anyway.
            }
        }
        throw;
    }
}

void createEmptyKamokuSzTrigger(firebird::Statement& sql)
{
    sql.setSql("CREATE TRIGGER KAMOKUSZ_AFTER_DELETE2 FOR KAMOKU_SZ\n"
               "ACTIVE AFTER DELETE POSITION 0\n"
               "AS\n"
               "DECLARE VARIABLE dvSITEN INTEGER;\n"
               "BEGIN\n"
               "END");
    sql.execute();
    sql.unprepare();
}

// The direct statements of a step, before its script is written.
FileContext directStatements(int step)
{
    FileContext c;
    c.medical = AccInf.IsMedical;
    c.oem = records::isLumeranData();
    c.dataType = AccInf.DATATYPE;
    switch (step) {
    case 304:
        c.triggerExists = withCompanyDatabase(
            [](firebird::Statement& sql) { return TriggerExists(sql, "KAMOKUMST_AFTER_UPDATE2"); });
        break;
    case 306:
        c.kamokuPattern = withCompanyDatabase([](firebird::Statement& sql) {
            const int pattern = GetKamokuCountPattern(sql);
            DisableHojoSw(sql);
            if (AccInf.CONVERT == 1)
                CopyKaisizanToPz(sql.transaction());
            return pattern;
        });
        break;
    case 307:
        withCompanyDatabase([](firebird::Statement& sql) {
            if (!TriggerExists(sql, "KAMOKUSZ_AFTER_DELETE2"))
                createEmptyKamokuSzTrigger(sql);
            return 0;
        });
        break;
    case 700:
        withCompanyDatabase([](firebird::Statement&) {
            ConvertDataPasswordV2();
            return 0;
        });
        break;
    case 704: c.taxCode116 = TaxCode116Exists(); break;
    default: break;
    }
    return c;
}

// Appends the file's non-empty lines, bytes unchanged. Throws when it cannot be read.
void addFileLines(DbUpdateScript& script, const std::string& path)
{
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

std::string stepFolder(const DbVersion& v)
{
    return std::to_string(v.Major) + std::to_string(v.Minor1) + std::to_string(v.Minor2);
}

void addCashFlowGroups(DbUpdateScript& script, int kind, int firstOrder, int newRec)
{
    struct Move {
        int from, to;
        const char* name;
    };
    static const Move moves[] = {
        {60, 70, "Ⅶ　現金及び現金同等物の期末残高"},
        {50, 60, "Ⅵ　現金及び現金同等物の期首残高"},
        {40, 50, "Ⅴ　現金及び現金同等物の増加額"},
    };
    const std::string k = std::to_string(kind);
    int order = firstOrder;
    for (const Move& m : moves) {
        script.add("UPDATE CASHFMST SET CM_GROUP=" + std::to_string(m.to) + ",CM_ORDER=" + std::to_string(order) +
                   ",CM_NAME1='" + m.name + "' WHERE (CM_KIND=" + k + ") AND (CM_GROUP=" + std::to_string(m.from) +
                   ");");
        --order;
    }
    script.add("INSERT INTO CASHFMST (CM_REC,CM_KIND,CM_GROUP,CM_ORDER,CM_DEL,CM_MKU,CM_MARGIN,CM_NAME1,"
               "CM_HOSEI,CM_JIGYOU) VALUES (" +
               std::to_string(newRec) + "," + k + ",40," + std::to_string(order) +
               ",1,1,0,'Ⅳ　現金及び現金同等物に係る換算差額',0,15);");
}

} // namespace

bool hasCompanyFileStep(const DbVersion& v) { return !fileNames(key(v)).empty(); }

bool TriggerExists(firebird::Statement& sql, const std::string& name)
{
    sql.setSql("SELECT count(*) FROM RDB$TRIGGERS WHERE (RDB$TRIGGER_NAME= :TRIGGER_NAME) ");
    sql.setString("TRIGGER_NAME", name);
    auto cursor = sql.open();
    const bool exists = cursor.fetch() && cursor.getInt64(0) > 0;
    cursor.close();
    return exists;
}

int GetKamokuCountPattern(firebird::Statement& sql)
{
    if (!AccInf.IsMedical)
        return 0;
    sql.setSql("SELECT COUNT(*) FROM KAMOKUMST");
    auto cursor = sql.open();
    const std::int64_t count = cursor.fetch() ? cursor.getInt64(0) : 0;
    cursor.close();
    return count == 377 ? 1 : count == 567 ? 2 : 0;
}

void DisableHojoSw(firebird::Statement& sql)
{
    if (!AccInf.IsMedical)
        return;
    sql.setSql("UPDATE KAMOKUMST SET HOJOSW='×'\n"
               "WHERE KCODE IN \n"
               "(SELECT KCODE FROM ACCDEF2\n"
               "WHERE (KNAME='仮払消費税') OR (KNAME='仮受消費税')\n"
               "OR    (KNAME='前期繰越利益') OR (KNAME='諸口'))");
    sql.execute();
}

int periodOfKaisiNo(int KAISINO)
{
    static const int mnum[] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    return KAISINO >= 1 && KAISINO <= 12 ? mnum[KAISINO - 1] : 0;
}

void CopyKaisizanToPz(firebird::Transaction& tr)
{
    firebird::Statement reader(tr, "SELECT SZ.SCODE,SZ.KCODE,SZ.HCODE,SZ.BCODE,SZ.KAISIZAN,K.BPFLG FROM KAMOKU_SZ SZ\n"
                                   "INNER JOIN KAMOKUMST K ON (SZ.KCODE=K.KCODE)\n"
                                   "ORDER BY K.GROUPM0,SZ.SCODE,SZ.KCODE,SZ.HCODE,SZ.BCODE");
    firebird::Statement writer(tr, "UPDATE KAMOKU_PZ SET NUKIZAN=:NUKIZAN,ZEIGAKU=0\n"
                                   "WHERE SCODE=:SCODE AND KCODE=:KCODE AND HCODE=:HCODE AND BCODE=:BCODE "
                                   "AND MNUM=:MNUM");
    const int mnum = periodOfKaisiNo(AccInf.KAISINO);
    const bool firstPeriod = AccInf.KAISINO == 1;
    const std::string& drawings = AccInf.SysKCodes[SysCodeOwnerDrawings];
    const std::string& contributions = AccInf.SysKCodes[SysCodeOwnerContributions];
    const std::string& capital = AccInf.SysKCodes[SysCodeCapital];
    auto rows = reader.open();
    while (rows.fetch()) {
        const std::string bpflg = rows.getString("BPFLG");
        const std::string kcode = rows.getString("KCODE");
        if (bpflg == "B") {
            if (AccInf.DATATYPE == 2 && firstPeriod &&
                (kcode == drawings || kcode == contributions || kcode == capital))
                continue;
        } else if (bpflg == "P") {
            if (firstPeriod)
                break;
        } else {
            continue;
        }
        writer.setCurrency("NUKIZAN", rows.getCurrency("KAISIZAN"));
        writer.setString("SCODE", rows.getString("SCODE"));
        writer.setString("KCODE", kcode);
        writer.setString("HCODE", rows.getString("HCODE"));
        writer.setString("BCODE", rows.getString("BCODE"));
        writer.setInt("MNUM", mnum);
        writer.execute();
    }
}

void ConvertDataPasswordV2()
{
    records::Variant stored;
    GetAccReg("基本設定", "データパスワード", "文字", "", stored);
    const std::string password = ZenkakuTrim(stored.asText());
    DeleteAccReg("基本設定", "データパスワード");
    if (password.empty())
        return;
    TEasyEncodeInfo info;
    InitEasyEncodeInfo(info);
    info.TotalLength = 8;
    info.RestoreCount = 8;
    info.Key = std::string(kDataPasswordKey);
    info.ClearText = password;
    if (EasyEncode(info) == 1)
        PutAccReg("基本設定", "データパスワードV2", "文字", records::Variant::fromText(info.EncodedText));
    else
        DeleteAccReg("基本設定", "データパスワードV2");
}

bool TaxCode116Exists()
{
    return withCompanyDatabase([](firebird::Statement& sql) {
        sql.setSql("SELECT COUNT(TAX_CODE) AS RECCNT FROM TAXMST\n"
                   "WHERE TAX_CODE=116");
        auto cursor = sql.open();
        const bool exists = cursor.fetch() && cursor.getInt64("RECCNT") > 0;
        cursor.close();
        return exists;
    });
}

void AddDataKindStatements(DbUpdateScript& script)
{
    const std::string code = AccInf.SysKCodes[SysCodeSundry];
    script.add("UPDATE KAMOKUMST SET HOJOSW=CASE WHEN (SELECT COUNT(*) FROM HOJOMST WHERE (KCODE='" + code +
               "' AND HCODE<>''))=0 THEN '－' ELSE '○' END");
    script.add("WHERE (KCODE='" + code + "') AND (HOJOSW='×');");
    if (AccInf.IsMedical) {
        addCashFlowGroups(script, 1, 41, 43);
        addCashFlowGroups(script, 0, 39, 89);
    }
    if (RunMode == 3) {
        script.add("DELETE FROM ACCREG WHERE (AGROUP='基本設定') AND (ACODE='合算データ区分');");
        script.add("DELETE FROM ACCREG WHERE (AGROUP='基本設定') AND (ACODE='合算データ数');");
    }
    if (AccInf.SITEN > 0)
        script.add("UPDATE ACCDEF5 SET NUM1=0 WHERE (SCODE='');");
    if (AccInf.BUMON > 0)
        script.add("UPDATE ACCDEF5 SET NUM1=0 WHERE (BCODE='');");
    script.add("COMMIT;");
}

std::optional<DbUpdateScript> companyFileStepScript(const DbVersion& v)
{
    const int step = key(v);
    const std::vector<std::string> names = fileNames(step);
    if (names.empty())
        throw std::invalid_argument("no company step " + versionText(v));
    const FileContext context = directStatements(step);

    DbUpdateScript script(SystemDef.DataDir, DataFile);
    if (step >= 306)
        script.add("SET NAMES SJIS_0208;");
    const bool versionFirst = step >= 505;
    if (versionFirst)
        script.addCompanyVersion(v.Major, v.Minor1, v.Minor2);
    if (step == 303 && AccInf.DATATYPE == 2 && AccInf.CODETYPE == 2) {
        script.add("UPDATE EXTERKS SET KNAMELOCK=0");
        script.add("WHERE KGROUP='4100' AND SUBREC=3;");
        script.add("COMMIT;");
    }
    const std::string folder = platform::paths::join(SystemDef.SqlFolder, stepFolder(v));
    const bool missingStops = step >= 703;
    for (const std::string& name : names) {
        const std::string path = platform::paths::join(folder, name);
        if (!platform::files::fileExists(path)) {
            if (missingStops)
                return std::nullopt;
            continue;
        }
        if (heldBack(step, fileNumber(name), context))
            continue;
        addFileLines(script, path);
    }
    if (step == 400)
        AddDataKindStatements(script);
    if (!versionFirst)
        script.addCompanyVersion(v.Major, v.Minor1, v.Minor2);
    script.add("EXIT;");
    return script;
}

int ExecCompanyFileStep(const DbVersion& v)
{
    const std::optional<DbUpdateScript> script = companyFileStepScript(v);
    if (!script)
        return StepFileMissing;
    script->save();
    return ExecIsqlScript(versionText(v));
}

} // namespace dbupdate
