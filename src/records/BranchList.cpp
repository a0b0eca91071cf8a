#include "records/BranchList.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/TextRoutines.h"
#include "records/ProgramRecords.h"

#include <cstdlib>
#include <map>
#include <utility>

namespace {

const char* const kListFailed = "支店リストの取得に失敗しました。";

std::string quoted(std::string s)
{
    for (char& c : s) {
        if (c == '"')
            c = '\'';
    }
    return "\"" + s + "\"";
}

// The "COLOR" value of a facility's settings text (lines "NAME=value").
int colorOf(const std::string& xstr)
{
    std::size_t start = 0;
    while (start <= xstr.size()) {
        std::size_t end = xstr.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = xstr.size();
        const std::string line = xstr.substr(start, end - start);
        const auto eq = line.find('=');
        if (eq != std::string::npos && ZenkakuTrim(line.substr(0, eq)) == "COLOR")
            return std::atoi(ZenkakuTrim(line.substr(eq + 1)).c_str());
        start = end + 1;
    }
    return 0;
}

} // namespace

TSitenList::TSitenList() = default;

void TSitenList::SetTransaction(firebird::Transaction& Transaction)
{
    m_transaction = &Transaction;
}

void TSitenList::Clear()
{
    Lines.clear();
    Items.clear();
    Count = 0;
    OpCode = 0;
}

std::string TSitenList::rootLabel() const
{
    if (AccInf.SITEN == 0)
        return AccInf.SHOUGOU;
    if (AccInf.DATATYPE >= 1 && AccInf.DATATYPE <= 3)
        return std::string(SitenRootNames[std::size_t(AccInf.DATATYPE - 1)]);
    return {};
}

void TSitenList::addEntry(const TSitenListRec& rec)
{
    Items.push_back(rec);
    std::string line;
    switch (rec.Kind) {
    case 1:
    case 5:
        if (rec.Code == " ") { // a medical division
            line = TabFormat ? quoted(rec.Name) + "\t\"\"\t\"\"" : rec.Name;
            break;
        }
        line = TabFormat ? quoted("(" + rec.Code + ")") + "\t" + quoted(rec.Code) + "\t" +
                               quoted(rec.Name)
                         : "(" + rec.Code + "):" + rec.Name;
        break;
    case 2:
    case 3:
        line = TabFormat ? quoted(rec.Code) + "\t\"\"\t" + quoted(rec.Name)
                         : rec.Code + ":" + rec.Name;
        break;
    default:
        line = TabFormat ? quoted(rec.Name) + "\t\"\"\t\"\"" : rec.Name;
        break;
    }
    Lines.push_back(line);
}

void TSitenList::Execute(int OpCode_)
{
    Clear();
    if (!AccInf.IsMedical)
        GroupsOn = true;
    if (DM->fnIsKanrisya())
        OpCode_ = -1;
    OpCode = OpCode_;
    firebird::Transaction& tr = m_transaction ? *m_transaction : DM->IBTransactionDAT;
    bool started = false;
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        runGeneral(tr, AccInf.IsMedical);
        Count = int(Lines.size());
        if (started)
            tr.commit();
    } catch (const firebird::DatabaseError& e) {
        Count = int(Lines.size());
        if (started) {
            HandleDbError(e, "TSitenList.Execute", kListFailed, true);
            if (tr.inTransaction())
                tr.commit();
        }
        throw;
    } catch (const std::exception& e) {
        Count = int(Lines.size());
        if (started) {
            ShowErrorDialog(kListFailed, e.what(), 1);
            try {
                if (tr.inTransaction())
                    tr.commit();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
}

void TSitenList::addDivisions(firebird::Transaction& tr)
{
    const std::string filter =
        JigyouFilter > 0 ? "\nAND (S.MB_JIGYOU=" + std::to_string(JigyouFilter) + ")" : "";
    const std::string tail = filter + "\nGROUP BY S.MB_JIGYOU\nORDER BY S.MB_JIGYOU DESC";
    auto countBy = [&](bool restricted) {
        std::map<int, int> counts;
        std::string sql = "SELECT S.MB_JIGYOU,COUNT(S.SCODE) AS RECCNT FROM SISETUMST S\n";
        sql += restricted ? "INNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)\n"
                            "WHERE (S.SCODE NOT IN ('','00')) AND (O.OPCODE=:OPCODE)"
                          : "WHERE (S.SCODE NOT IN ('','00'))";
        firebird::Statement st(tr, sql + tail);
        if (restricted)
            st.setInt("OPCODE", OpCode);
        auto c = st.open();
        while (c.fetch())
            counts[c.isNull("MB_JIGYOU") ? 0 : c.getInt("MB_JIGYOU")] = c.getInt("RECCNT");
        return counts;
    };
    const auto totals = countBy(false);
    const auto permitted = OpCode == -1 ? totals : countBy(true);
    // Divisions in the order they are listed, with their labels.
    const std::pair<int, std::size_t> divisions[] = {{8, 1}, {4, 2}, {2, 3}, {1, 4}};
    for (const auto& [bit, label] : divisions) {
        const auto total = totals.find(bit);
        if (total == totals.end() || total->second <= 0)
            continue;
        const auto allowed = permitted.find(bit);
        if (allowed != permitted.end() && allowed->second == total->second)
            addEntry({" ", std::string(MedicalSitenNames[label]), 1, bit, 0, 0, {}, {}});
    }
}

void TSitenList::runGeneral(firebird::Transaction& tr, bool medical)
{
    const int wholeJigyou = medical ? 0 : 1;
    const bool restricted = OpCode != -1;
    if (Kinds & 1) {
        bool permit = true;
        if (restricted && AccInf.SITEN != 0) {
            firebird::Statement st(
                tr, "SELECT\n"
                    "CASE WHEN MIN(CASE WHEN S.SCODE IN (SELECT SCODE FROM OPLICENSE WHERE "
                    "OPCODE=:OPCODE) THEN 1\n"
                    "ELSE 0\n"
                    "END)=1 THEN 1\n"
                    "       ELSE 0 END AS PERMIT\n"
                    "FROM SISETUMST S\n"
                    "WHERE S.SCODE <> ''");
            st.setInt("OPCODE", OpCode);
            auto c = st.open();
            permit = c.fetch() && !c.isNull("PERMIT") && c.getInt("PERMIT") == 1;
        }
        if (permit)
            addEntry({" ", rootLabel(), 0, wholeJigyou, 0, 0, {}, {}});
    }
    if (medical && (Kinds & 2) && AccInf.SITEN == 1)
        addDivisions(tr);
    if ((Kinds & 2) && AccInf.SITEN == 1 && GroupsOn) {
        std::string sql = restricted
                              ? "SELECT G.GCODE,G.GNAME,\n"
                                "CASE WHEN MIN(CASE WHEN S.SCODE IN (SELECT SCODE FROM "
                                "OPLICENSE WHERE OPCODE=:OPCODE) THEN 1\n"
                                "                                                           "
                                "                           ELSE 0\n"
                                "          END)=1 THEN 1\n"
                                "                 ELSE 0\n"
                                "END AS PERMIT\n"
                              : "SELECT G.GCODE,G.GNAME, 1 AS PERMIT\n";
        sql += "FROM SISETUGROUPLIST S\n"
               "INNER JOIN SISETUGROUP G ON (S.GCODE=G.GCODE)\n"
               "WHERE S.SCODE <> ''\n"
               "GROUP BY G.GCODE,G.GNAME\n"
               "ORDER BY G.GCODE";
        firebird::Statement st(tr, sql);
        if (restricted)
            st.setInt("OPCODE", OpCode);
        auto c = st.open();
        while (c.fetch()) {
            if (!c.isNull("PERMIT") && c.getInt("PERMIT") == 1)
                addEntry({c.getString("GCODE"), c.getString("GNAME"), medical ? 5 : 1,
                          medical ? 0 : 1, 0, 0, {}, {}});
        }
    }
    auto facilities = [&](bool departmentOnly) {
        if (AccInf.SITEN == 0) {
            if (!(Kinds & 1))
                addEntry({" ", rootLabel(), 0, wholeJigyou,
                          departmentOnly || medical ? 0 : AccInf.BUMON, 0, {}, {}});
            return;
        }
        if (AccInf.SITEN != 1)
            return;
        std::string sql = departmentOnly
                              ? (medical ? "SELECT S.SCODE,S.SNAME,S.MB_JIGYOU,S.XSTR FROM SISETUMST S"
                                         : "SELECT S.SCODE,S.SNAME,S.XSTR FROM SISETUMST S")
                              : (medical ? "SELECT S.SCODE,S.SNAME,S.MB_JIGYOU,S.BUMEX,S.XSTR "
                                           "FROM SISETUMST S"
                                         : "SELECT S.SCODE,S.SNAME,S.BUMEX,S.XSTR FROM SISETUMST S");
        const std::string bumex = departmentOnly ? " AND (S.BUMEX=1)" : "";
        if (restricted)
            sql += "\nINNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)\nWHERE (S.SCODE<>'')" + bumex +
                   " AND (O.OPCODE=:OPCODE)";
        else
            sql += "\nWHERE (S.SCODE<>'')" + bumex;
        if (medical && JigyouFilter > 0)
            sql += "\nAND (S.MB_JIGYOU=" + std::to_string(JigyouFilter) + ")";
        sql += "\nORDER BY S.SCODE";
        firebird::Statement st(tr, sql);
        if (restricted)
            st.setInt("OPCODE", OpCode);
        auto c = st.open();
        while (c.fetch()) {
            const std::string code = c.getString("SCODE");
            if (ZenkakuTrim(code).empty())
                continue;
            if (medical && !Include00 && code == "00")
                continue;
            TSitenListRec rec{code, c.getString("SNAME"), departmentOnly ? 3 : 2, 1, 1,
                              colorOf(c.getString("XSTR")), {}, {}};
            if (!departmentOnly)
                rec.Bumex = c.getInt("BUMEX");
            if (medical)
                rec.Jigyou = c.getInt("MB_JIGYOU");
            addEntry(rec);
        }
    };
    if (Kinds & 4)
        facilities(false);
    if (Kinds & 8)
        facilities(true);
}
