#include "records/LoginUserList.h"

#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"

namespace {

constexpr const char* kListFailed = "ログインユーザーリストの取得に失敗しました。";

} // namespace

int TLoginUserList::GetOpCode(int Index) const
{
    return Index >= 0 && Index < Count && Index < int(Items.size()) ? Items[Index].OperatorCode : 0;
}

std::string TLoginUserList::GetOpName(int Index) const
{
    return Index >= 0 && Index < Count && Index < int(Items.size()) ? Items[Index].OpName : std::string();
}

void TLoginUserList::Clear()
{
    Items.clear();
    Lines.clear();
    Count = 0;
    OpCode = 0;
}

void TLoginUserListOnDef::Execute(int GroupId_, int OpCode_, bool IncludeSelf_)
{
    Clear();
    GroupId = GroupId_;
    OpCode = OpCode_;
    IncludeSelf = IncludeSelf_;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    bool started = false;
    try {
        if (!tr.inTransaction()) {
            tr.start();
            started = true;
        }
        std::string sql = "SELECT L.OPERATORCODE,L.PCNAME,O.OPNAME FROM LOGONUSERLIST L"
                          " INNER JOIN OPERATOR O ON(L.GROUPID=O.GROUPID AND L.OPERATORCODE=O.OPCODE)"
                          " WHERE L.GROUPID=:GROUPID";
        if (!IncludeSelf)
            sql += " AND L.OPCODE<>:OPCODE";
        sql += " GROUP BY L.OPERATORCODE,L.PCNAME,O.OPNAME ORDER BY L.OPERATORCODE";
        firebird::Statement st(tr, sql);
        st.setInt("GROUPID", GroupId);
        if (!IncludeSelf)
            st.setInt("OPCODE", OpCode);
        auto c = st.open();
        while (c.fetch()) {
            TLoginUserListRec rec;
            rec.OperatorCode = c.isNull("OPERATORCODE") ? 0 : int(c.getInt64("OPERATORCODE"));
            rec.PcName = c.getString("PCNAME");
            rec.OpName = c.getString("OPNAME");
            Lines.push_back(std::to_string(rec.OperatorCode) + ":" + rec.OpName);
            Items.push_back(std::move(rec));
        }
        Count = int(Lines.size());
        if (started)
            tr.commit();
    } catch (const firebird::DatabaseError& e) {
        Count = int(Lines.size());
        if (started) {
            HandleDbError(e, "TLoginUserListOnDef.Execute", kListFailed, true);
            try {
                if (tr.inTransaction())
                    tr.commit();
            } catch (const std::exception&) {
            }
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
