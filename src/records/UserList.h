#pragma once

// The operators of one group with their job-level names, as a choice list ("code:name").

#include <cstdint>
#include <string>
#include <vector>

namespace firebird {
class Transaction;
}

using TUseSitenList = std::vector<std::string>;

// `TUserListRec`: one operator.
struct TUserListRec {
    int GroupId = 0;
    int OpCode = 0;
    std::string OpName;
    std::string Pasword;
    int JobLevel = 0;
    std::string LevelName;
    bool Jimusho = false;
    bool Okiniiri = false;
    bool Kansa = false;           // never set
    TUseSitenList UseSitenList;   // never filled
    std::string UseSitenText;     // never filled
    bool MyNumberAdm = false;     // false on a system database without the column
};

// `TUserList`: the operators (codes from 10) of GroupId in the system database of DM.
class TUserList {
public:
    TUserList() = default;

    // Which -1: the list's own transaction again; 0: the caller's transaction for the system
    // database; any other value: for the company database, which the list never reads.
    void SetTransaction(firebird::Transaction* Transaction, int Which);
    // Fills the list. Errors are reported (when the transaction was started here) and the list
    // keeps what was read so far; they never reach the caller.
    void Execute();
    void Clear();

    std::string FirstName; // when set, a first entry with code 0 and this name alone as its line
    int GroupId = 0;

    std::vector<TUserListRec> Items;
    std::vector<std::string> Lines;
    int Count = 0;

private:
    void run(firebird::Transaction& tr);

    firebird::Transaction* m_system = nullptr;
    firebird::Transaction* m_company = nullptr;
};
