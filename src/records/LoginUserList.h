#pragma once

// The operators of a group who are signed in to the system database now.

#include <string>
#include <vector>

// `TLoginUserListRec`: one signed-in operator.
struct TLoginUserListRec {
    int OperatorCode = 0;
    std::string OpName;
    std::string PcName;
};

// `TLoginUserList`: the list and its choice lines ("code:name").
class TLoginUserList {
public:
    virtual ~TLoginUserList() = default;

    // OperatorCode and OpName of entry Index; 0 and an empty text outside 0 .. Count - 1.
    int GetOpCode(int Index) const;
    std::string GetOpName(int Index) const;
    void Clear();

    std::vector<TLoginUserListRec> Items;
    std::vector<std::string> Lines;
    int Count = 0;
    // The arguments of the last Execute.
    int GroupId = 0;
    int OpCode = 0;
    bool IncludeSelf = false;
};

// `TLoginUserListOnDef`: reads LOGONUSERLIST of the data module's system database on its
// default transaction.
class TLoginUserListOnDef : public TLoginUserList {
public:
    TLoginUserListOnDef() = default;

    // Fills the list with the operators of GroupId signed in now, one row per operator and
    // computer, leaving out the sign-in row of OpCode unless IncludeSelf. Errors are reported
    // (when the transaction was started here) and raised again.
    void Execute(int GroupId, int OpCode, bool IncludeSelf);
};
