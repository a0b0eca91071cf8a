// The operator list of one group for choice lists.
#include "records/UserList.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <memory>
#include <stdexcept>

namespace {

constexpr const char* kListFailed = "ユーザーリストの取得に失敗しました。";
constexpr const char* kJoinAndCondition =
    " FROM OPERATOR O"
    " INNER JOIN LEVELNAME L ON (O.JOBLEVEL=L.LEVELNO)"
    " WHERE (O.GROUPID=:GROUPID) AND (O.OPCODE>=10)";
constexpr const char* kColumns =
    "SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.PASWORD,O.DATAPAS,O.JIMUSHO,"
    "O.OKINIIRI,O.KANSA,O.MYNUMBER_ADM";
// Older system databases have no MYNUMBER_ADM column.
constexpr const char* kColumnsWithoutMyNumber =
    "SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.PASWORD,O.DATAPAS,O.JIMUSHO,"
    "O.OKINIIRI,O.KANSA,0 AS MYNUMBER_ADM";
constexpr int kQueryRuns = 4;

} // namespace

void TUserList::SetTransaction(firebird::Transaction* Transaction, int Which)
{
    if (Which == -1) {
        m_system = nullptr;
        m_company = nullptr;
    } else if (Which == 0) {
        m_system = Transaction;
    } else {
        m_company = Transaction;
    }
}

void TUserList::Clear()
{
    Items.clear();
    Lines.clear();
    Count = 0;
}

void TUserList::run(firebird::Transaction& tr)
{
    firebird::Statement count(tr, std::string("SELECT COUNT(O.GROUPID) AS RECCNT") + kJoinAndCondition);
    count.setInt("GROUPID", GroupId);
    std::int64_t rows = 0;
    {
        auto c = count.open();
        if (c.fetch())
            rows = c.getInt64(0);
    }
    if (rows <= 0)
        return;
    Items.reserve(Items.size() + std::size_t(rows));
    for (int run = 1;; ++run) {
        try {
            firebird::Statement st(tr, std::string(run == 1 ? kColumns : kColumnsWithoutMyNumber) +
                                           kJoinAndCondition + " ORDER BY O.OPCODE");
            st.setInt("GROUPID", GroupId);
            auto c = st.open();
            while (c.fetch()) {
                TUserListRec rec;
                rec.GroupId = int(c.getInt64("GROUPID"));
                rec.OpCode = int(c.getInt64("OPCODE"));
                rec.OpName = c.getString("OPNAME");
                rec.JobLevel = int(c.getInt64("JOBLEVEL"));
                rec.LevelName = c.getString("NAME");
                rec.Pasword = c.getString("PASWORD");
                rec.Jimusho = !c.isNull("JIMUSHO") && c.getInt64("JIMUSHO") != 0;
                rec.Okiniiri = !c.isNull("OKINIIRI") && c.getInt64("OKINIIRI") != 0;
                rec.MyNumberAdm = !c.isNull("MYNUMBER_ADM") && c.getInt64("MYNUMBER_ADM") != 0;
                Items.push_back(rec);
                Lines.push_back(std::to_string(rec.OpCode) + ":" + rec.OpName);
            }
            return;
        } catch (const firebird::DatabaseError&) {
            if (run >= kQueryRuns)
                throw std::runtime_error("OPERATORテーブル参照クエリーの作成エラー");
        }
    }
}

void TUserList::Execute()
{
    Clear();
    if (!FirstName.empty()) {
        TUserListRec first;
        first.GroupId = GroupId;
        first.OpName = FirstName;
        first.JobLevel = 9;
        Items.push_back(first);
        Lines.push_back(FirstName);
    }
    // Only the system database is read: a transaction of its own there unless the caller gave one.
    std::unique_ptr<firebird::Transaction> own;
    if (!m_system)
        own = std::make_unique<firebird::Transaction>(DM->IBDatabaseDEF);
    firebird::Transaction& tr = m_system ? *m_system : *own;
    bool started = false;
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        run(tr);
        Count = int(Lines.size());
        if (started)
            tr.commit();
    } catch (const firebird::DatabaseError& e) {
        Count = int(Lines.size());
        if (started) {
            HandleDbError(e, "TUserList.Execute", kListFailed, true);
            try {
                if (tr.inTransaction())
                    tr.commit();
            } catch (const std::exception&) {
            }
        }
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
    }
}
