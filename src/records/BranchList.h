#pragma once

// The divisions of a company that an operator may process: the whole company, facility groups and
// facilities (branches).

#include <cstdint>
#include <string>
#include <vector>

namespace firebird {
class Transaction;
}

// `TSitenListRec`: one entry of the branch list.
struct TSitenListRec {
    std::string Code; // SCODE, GCODE, or " " for the whole company
    std::string Name;
    int Kind = 0;     // 0 whole company, 1 group / division, 2 facility, 3 facility with its
                      // own department accounting, 5 group (medical)
    int Jigyou = 0;
    int Bumex = 0;
    int Color = 0;
    std::string Text1; // not filled
    std::string Text2; // not filled
};

// `TSitenList`: the branch list of the open company database for one operator.
class TSitenList {
public:
    TSitenList();

    // Runs on the caller's transaction instead of the company database's own.
    void SetTransaction(firebird::Transaction& Transaction);
    // Loads the list for an operator's login ID (-1: no restriction; an operator with full
    // rights counts as -1). Database errors are reported and raised again.
    void Execute(int OpCode);
    void Clear();

    std::uint8_t Kinds = 0; // 1 whole company, 2 groups, 4 facilities, 8 department facilities
    int OpCode = 0;
    int JigyouFilter = 0;
    bool GroupsOn = true;
    bool TabFormat = false;
    bool Include00 = true;

    std::vector<TSitenListRec> Items;
    std::vector<std::string> Lines;
    int Count = 0;

private:
    // Both variants: the medical one adds its business divisions and differs in details.
    void runGeneral(firebird::Transaction& tr, bool medical);
    void addDivisions(firebird::Transaction& tr);
    void addEntry(const TSitenListRec& rec);
    std::string rootLabel() const;

    firebird::Transaction* m_transaction = nullptr;
};
