#pragma once

// The search conditions and sort order of the data lists, one KENSAKUJYOKEN row per operator
// and list type, and the record they travel in.

#include <cstdint>
#include <memory>
#include <string>

namespace firebird {
class Attachment;
class Transaction;
} // namespace firebird

// One row in memory. SORTCOL is the calling list's sort column; VerMatch (how DATAVER is
// compared: 0 major.minor equal, 1 major equal, 2 major.minor not lower) is never stored.
struct TDataKensakuRec {
    std::int32_t OPCODE = 0;
    std::int32_t LISTTYPE = 0;
    std::int32_t JYOKENUSE = 0;
    std::int32_t DATATYPE = 0;
    std::int32_t CODETYPE = 0;
    std::string DATACODE;
    std::string DATANAME;
    std::int32_t TANTO = 0;
    std::string DATAVER;
    std::string SpareText1;
    std::int32_t VerMatch = 0;
    std::string SEIHINNAME;
    std::int32_t SORTCOL = 0;
    std::int32_t SORTTYPE = 0;
    std::string SpareText2;
    std::string SpareText3;
    friend bool operator==(const TDataKensakuRec&, const TDataKensakuRec&) = default;
};

namespace selection {

// The stored form of a sort column: columns 1..6 shifted by one with wrap-around, others 0.
std::int32_t storedSortColumn(std::int32_t column);
// And back.
std::int32_t sortColumnOfStored(std::int32_t stored);

// The storage half of the search dialog TDataListKensakuBox: its own transaction on the
// system database (read committed, no wait), so conditions are committed at once. Every
// operation catches its errors and answers false; errors are reported only when the
// operation started the transaction.
class SearchConditionStore {
public:
    // On the system database of the data module DM.
    SearchConditionStore();
    explicit SearchConditionStore(firebird::Attachment& systemDb);
    ~SearchConditionStore();
    SearchConditionStore(const SearchConditionStore&) = delete;
    SearchConditionStore& operator=(const SearchConditionStore&) = delete;

    std::int32_t ListType = 0;

    // OPCODE the login ID, LISTTYPE ListType, everything else 0 or empty.
    void InitRecord(TDataKensakuRec& Rec) const;
    // Reads the operator's row for ListType, inserting one of defaults when missing.
    bool SelectRecord(TDataKensakuRec& Rec);
    // Stores the conditions and the sort of Rec into its row (a missing row stays missing).
    bool UpdateRecord(const TDataKensakuRec& Rec);
    // Stores only the sort column and order.
    bool UpdateRecordSortField(const TDataKensakuRec& Rec);

    firebird::Transaction& transaction() const { return *m_transaction; }

private:
    template <class Body>
    bool guarded(const char* operation, const char* sentence, Body&& body);

    std::unique_ptr<firebird::Transaction> m_transaction;
};

} // namespace selection
