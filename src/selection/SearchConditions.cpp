// Storage of the data lists' search conditions and sort order (KENSAKUJYOKEN).
#include "selection/SearchConditions.h"

#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/ProgramRecords.h"

#include <stdexcept>

namespace selection {

std::int32_t storedSortColumn(std::int32_t column)
{
    if (column == 1)
        return 6;
    if (column >= 2 && column <= 6)
        return column - 1;
    return 0;
}

std::int32_t sortColumnOfStored(std::int32_t stored)
{
    if (stored >= 1 && stored <= 5)
        return stored + 1;
    if (stored == 6)
        return 1;
    return 0;
}

SearchConditionStore::SearchConditionStore()
{
    if (!DM)
        throw std::logic_error("the data module is not created");
    m_transaction = std::make_unique<firebird::Transaction>(DM->IBDatabaseDEF);
}

SearchConditionStore::SearchConditionStore(firebird::Attachment& systemDb)
    : m_transaction(std::make_unique<firebird::Transaction>(systemDb))
{
}

SearchConditionStore::~SearchConditionStore() = default;

void SearchConditionStore::InitRecord(TDataKensakuRec& Rec) const
{
    Rec = TDataKensakuRec{};
    Rec.OPCODE = SystemDef.LoginId;
    Rec.LISTTYPE = ListType;
}

template <class Body>
bool SearchConditionStore::guarded(const char* operation, const char* sentence, Body&& body)
{
    const bool startedHere = !m_transaction->inTransaction();
    try {
        if (startedHere)
            m_transaction->start();
        body();
        if (startedHere)
            m_transaction->commit();
        return true;
    } catch (const firebird::DatabaseError& e) {
        if (startedHere) {
            HandleDbError(e, std::string("TDataListKensakuBox.") + operation, sentence, true);
            try {
                if (m_transaction->inTransaction())
                    m_transaction->rollback();
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception& e) {
        if (startedHere) {
            ShowErrorDialog(sentence, e.what(), 1);
            try {
                if (m_transaction->inTransaction())
                    m_transaction->rollback();
            } catch (const std::exception&) {
            }
        }
    }
    return false;
}

bool SearchConditionStore::SelectRecord(TDataKensakuRec& Rec)
{
    InitRecord(Rec);
    return guarded("SelectRecord", "検索条件レコードの参照に失敗しました。", [&] {
        firebird::Statement st(*m_transaction,
                               "SELECT JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,TANTO,DATAVER,"
                               "SEIHINNAME,SORTCOL,SORTTYPE FROM KENSAKUJYOKEN\n"
                               "WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)");
        st.setInt("OPCODE", Rec.OPCODE);
        st.setInt("LISTTYPE", Rec.LISTTYPE);
        bool found = false;
        {
            firebird::Cursor c = st.open();
            while (c.fetch()) {
                found = true;
                Rec.JYOKENUSE = c.getInt("JYOKENUSE");
                Rec.DATATYPE = c.getInt("DATATYPE");
                Rec.CODETYPE = c.getInt("CODETYPE");
                Rec.DATACODE = c.getString("DATACODE");
                Rec.DATANAME = c.getString("DATANAME");
                Rec.TANTO = c.getInt("TANTO");
                Rec.DATAVER = c.getString("DATAVER");
                Rec.SEIHINNAME = c.getString("SEIHINNAME");
                Rec.SORTCOL = sortColumnOfStored(c.getInt("SORTCOL"));
                Rec.SORTTYPE = c.getInt("SORTTYPE");
            }
        }
        if (found)
            return;
        firebird::Statement ins(
            *m_transaction,
            "INSERT INTO KENSAKUJYOKEN(OPCODE,LISTTYPE,JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,"
            "TANTO,DATAVER,SEIHINNAME,SORTCOL,SORTTYPE)\n"
            "VALUES(:OPCODE,:LISTTYPE,:JYOKENUSE,:DATATYPE,:CODETYPE,:DATACODE,:DATANAME,:TANTO,"
            ":DATAVER,:SEIHINNAME,:SORTCOL,:SORTTYPE)");
        ins.setInt("OPCODE", Rec.OPCODE);
        ins.setInt("LISTTYPE", Rec.LISTTYPE);
        ins.setInt("JYOKENUSE", Rec.JYOKENUSE);
        ins.setInt("DATATYPE", Rec.DATATYPE);
        ins.setInt("CODETYPE", Rec.CODETYPE);
        ins.setString("DATACODE", Rec.DATACODE);
        ins.setString("DATANAME", Rec.DATANAME);
        ins.setInt("TANTO", Rec.TANTO);
        ins.setString("DATAVER", Rec.DATAVER);
        ins.setString("SEIHINNAME", Rec.SEIHINNAME);
        ins.setInt("SORTCOL", storedSortColumn(Rec.SORTCOL));
        ins.setInt("SORTTYPE", Rec.SORTTYPE);
        ins.execute();
    });
}

bool SearchConditionStore::UpdateRecord(const TDataKensakuRec& Rec)
{
    return guarded("UpdateRecord", "検索条件レコードの更新に失敗しました。", [&] {
        firebird::Statement st(
            *m_transaction,
            "UPDATE KENSAKUJYOKEN\n"
            "SET JYOKENUSE=:JYOKENUSE,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,DATACODE=:DATACODE,"
            "DATANAME=:DATANAME,TANTO=:TANTO,\n"
            "DATAVER=:DATAVER,SEIHINNAME=:SEIHINNAME,SORTCOL=:SORTCOL,SORTTYPE=:SORTTYPE\n"
            "WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)");
        st.setInt("JYOKENUSE", Rec.JYOKENUSE);
        st.setInt("DATATYPE", Rec.DATATYPE);
        st.setInt("CODETYPE", Rec.CODETYPE);
        st.setString("DATACODE", Rec.DATACODE);
        st.setString("DATANAME", Rec.DATANAME);
        st.setInt("TANTO", Rec.TANTO);
        st.setString("DATAVER", Rec.DATAVER);
        st.setString("SEIHINNAME", Rec.SEIHINNAME);
        st.setInt("SORTCOL", storedSortColumn(Rec.SORTCOL));
        st.setInt("SORTTYPE", Rec.SORTTYPE);
        st.setInt("OPCODE", Rec.OPCODE);
        st.setInt("LISTTYPE", Rec.LISTTYPE);
        st.execute();
    });
}

bool SearchConditionStore::UpdateRecordSortField(const TDataKensakuRec& Rec)
{
    return guarded("UpdateRecordSortField", "検索条件レコードの更新に失敗しました。", [&] {
        firebird::Statement st(*m_transaction,
                               "UPDATE KENSAKUJYOKEN\nSET SORTCOL=:SORTCOL,SORTTYPE=:SORTTYPE\n"
                               "WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)");
        st.setInt("SORTCOL", storedSortColumn(Rec.SORTCOL));
        st.setInt("SORTTYPE", Rec.SORTTYPE);
        st.setInt("OPCODE", Rec.OPCODE);
        st.setInt("LISTTYPE", Rec.LISTTYPE);
        st.execute();
    });
}

} // namespace selection
