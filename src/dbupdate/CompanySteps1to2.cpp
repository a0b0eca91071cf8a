#include "dbupdate/CompanyDbSteps.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/ProgramRecords.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

namespace dbupdate {
namespace {

int key(const DbVersion& v) { return v.Major * 100 + v.Minor1 * 10 + v.Minor2; }

// The period that holds the balance brought forward for data that starts with month KAISINO:
// the one before the start month (settlement periods 4, 8, 12 follow months 3, 6, 9).
std::optional<int> carryPeriod(int kaisino)
{
    static const int periods[12] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    if (kaisino < 1 || kaisino > 12)
        return std::nullopt;
    return periods[kaisino - 1];
}

std::string systemAccount(firebird::Statement& query, const std::string& name)
{
    query.setSql("SELECT KCODE FROM ACCDEF2 WHERE KNAME=:KNAME ");
    query.setString("KNAME", name);
    auto rows = query.open();
    return rows.fetch() ? rows.getString("KCODE") : std::string();
}

} // namespace

bool hasCompanyStep1to2(const DbVersion& v)
{
    switch (key(v)) {
    case 102: case 103: case 105: case 200: case 204:
        return true;
    default:
        return false;
    }
}

bool RepairKanendoZan()
{
    firebird::Transaction& tr = DM->IBTransactionDAT;
    if (!tr.inTransaction())
        tr.start();
    try {
        const bool fromYearStart = AccInf.KISHU == AccInf.KAISI;
        std::vector<std::string> ownerAccounts;
        if (AccInf.DATATYPE == 2 && fromYearStart)
            for (const char* name : {"事業主貸", "事業主借", "元入金"})
                ownerAccounts.push_back(systemAccount(DM->IBQACC1, name));

        firebird::Statement& write = DM->IBQACC2;
        write.setSql("UPDATE KAMOKU_PZ SET NUKIZAN=:NUKIZAN WHERE SCODE=:SCODE and KCODE=:KCODE and HCODE=:HCODE "
                     "and BCODE=:BCODE and MNUM=:MNUM ");
        // An unknown start month leaves the period unset: the update then touches no row.
        const std::optional<int> period = fromYearStart ? std::optional<int>(0) : carryPeriod(AccInf.KAISINO);

        firebird::Statement& read = DM->IBQACC1;
        read.setSql("SELECT * FROM KAMOKU_SZ SZ INNER JOIN KAMOKUMST K ON (SZ.KCODE=K.KCODE) ");
        auto rows = read.open();
        while (rows.fetch()) {
            const std::string kcode = rows.getString("KCODE");
            if (rows.getString("BPFLG") != "B") {
                if (fromYearStart)
                    continue;
            } else if (AccInf.DATATYPE == 2 && fromYearStart &&
                       std::find(ownerAccounts.begin(), ownerAccounts.end(), kcode) != ownerAccounts.end()) {
                continue;
            }
            write.setString("SCODE", rows.getString("SCODE"));
            write.setString("KCODE", kcode);
            write.setString("HCODE", rows.getString("HCODE"));
            write.setString("BCODE", rows.getString("BCODE"));
            if (period)
                write.setInt("MNUM", *period);
            else
                write.setNull("MNUM");
            write.setCurrency("NUKIZAN", rows.getCurrency("KAISIZAN"));
            write.execute();
        }
        rows.close();
        tr.commit();
        return true;
    } catch (const std::exception&) {
        if (tr.inTransaction()) {
            try {
                tr.rollback();
            } catch (const std::exception&) {
            }
        }
        platform::messageBox("Ver " + versionText({1, 0, 2}) +
                                 "のデータベース更新に失敗しました。(過年度残高の評価と修復)",
                             records::dialogCaption(1), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
}

void ResetKsSetSwkInit(DbUpdateScript& script)
{
    if (AccInf.DATATYPE != 2 || AccInf.CODETYPE != 2)
        return;
    long count = 0;
    std::vector<std::string> facilities;
    DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0);
    try {
        auto query = NewDbSql("ACCDAT", 0);
        if (!query)
            throw std::runtime_error("no statement on the company database");
        firebird::Transaction& tr = query->transaction();
        firebird::StartedHere started(tr);
        query->setSql("SELECT COUNT(REC) AS RECCNT FROM KS_SETSWK_INIT WHERE KCODE='1401'");
        {
            auto rows = query->open();
            if (rows.fetch())
                count = rows.getInt64("RECCNT");
        }
        if (AccInf.SITEN == 0) {
            facilities.push_back(" ");
        } else {
            query->setSql("SELECT SCODE FROM SISETUMST ORDER BY SCODE");
            auto rows = query->open();
            while (rows.fetch())
                facilities.push_back(rows.getString("SCODE"));
        }
        started.commit();
    } catch (...) {
        DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
        throw;
    }
    DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
    if (count != 0)
        return;
    addCompanyStatements(script, "204-ks-setswk-init.sql");
    for (const std::string& code : facilities)
        script.add("EXECUTE PROCEDURE SP_KS_INSSETSWK_CALL_SISETU(" + DbUpdateScript::quoted(code) + ");");
    script.add("COMMIT;");
}

DbUpdateScript companyStep1to2Script(const DbVersion& v)
{
    if (!hasCompanyStep1to2(v))
        throw std::invalid_argument("no company step " + versionText(v));
    DbUpdateScript script(SystemDef.DataDir, DataFile);
    switch (key(v)) {
    case 102:
        addCompanyStatements(script, "102.sql");
        break;
    case 103:
        if (AccInf.SITEN == 1)
            addCompanyStatements(script, "103-siten.sql");
        addCompanyStatements(script, "103.sql");
        break;
    case 105:
        addCompanyStatements(script, "105.sql");
        if (AccInf.DATATYPE == 1)
            addCompanyStatements(script, "105-list-a.sql");
        else if (AccInf.DATATYPE == 2 && AccInf.CODETYPE == 1)
            addCompanyStatements(script, "105-list-b.sql");
        else if (AccInf.DATATYPE == 2 && AccInf.CODETYPE == 2)
            addCompanyStatements(script, "105-list-c.sql");
        script.add("Commit;");
        break;
    case 200:
        addCompanyStatements(script, "200.sql");
        if (AccInf.DATATYPE == 2)
            addCompanyStatements(script, "200-individual.sql");
        addCompanyStatements(script, "200-end.sql");
        break;
    case 204:
        addCompanyStatements(script, "204.sql");
        ResetKsSetSwkInit(script);
        addCompanyStatements(script, "204-end.sql");
        break;
    }
    script.addCompanyVersion(v.Major, v.Minor1, v.Minor2);
    script.add("EXIT;");
    return script;
}

int ExecCompanyStep1to2(const DbVersion& v)
{
    if (key(v) == 102) {
        DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, 0);
        bool repaired = false;
        try {
            repaired = RepairKanendoZan();
        } catch (...) {
            DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
            throw;
        }
        DM->fnAccDatDisconnected(SystemDef.DataDir, 0, 0);
        if (!repaired)
            return StepFailed;
    }
    companyStep1to2Script(v).save();
    return ExecIsqlScript(versionText(v));
}

} // namespace dbupdate
