#pragma once

// The trial balance (試算表) of the open company database for the general code systems: the rows
// of accounts and total lines with their sort index, and the period sums over a range of periods.
//
// Rows 1..50 are total lines placed by ACCTOTALNAME.ARRAYNUM and addressed through GokeiRowTable;
// accounts start at FirstKamokuRow. Callers size both arrays to fnSisanhyouMaxRow() and pass the
// highest index of each.

#include "platform/CoreTypes.h"
#include "records/ProgramRecords.h"

#include <array>
#include <string>
#include <vector>

namespace firebird {
class Transaction;
} // namespace firebird

// Index code of an entry not in use: half-width "ﾟ" (CP932 0xDF), sorted after digits and letters.
inline constexpr const char* kSisanhyouUnusedCode = "ﾟ";

// The two company-database transactions the trial balance reads through: the snapshot one for
// the load, the default one for the names of the profit lines. Without them the data module's
// (DM) are used; tests install theirs. Both must outlive the reads.
void setSisanhyouTransactions(firebird::Transaction& snapshot, firebird::Transaction& standard);
void clearSisanhyouTransactions();
// The transactions in use: the installed ones, else the data module's (null without either).
firebird::Transaction* snapshotTransaction();
firebird::Transaction* standardTransaction();

// Net amounts of periods 1..16 of the corporate retained-earnings group (entries 1..16).
extern std::array<platform::Currency, 17> KikanNetTable;

// 700 for the medical-corporation code system, else 500.
int fnSisanhyouMaxRow();

// Loads the settlement-statement trial balance of kind statement x 10, inside the snapshot
// transaction when the caller holds it open (else in one started and committed here). Returns
// false when a database read failed; the failure has then been reported (the program-wide
// database error handler, context "試算表読込") and the arrays hold what was filled before it.
// Any other exception is passed on. The medical-corporation code system reads through
// pcSisanhyouReadMedical (whole scope, layout 3, keskubun 1, haibun 0).
bool pcSisanhyouRead(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                     int indexHigh, int statement, int tax, int jigyou, int zenTax);

// The general reader. Layouts 0 (standard, with sub-accounts), 1 (A4) and 2 (A3) read the whole
// company (kind 0, or the department total of bumonCode), a branch group (1), a branch (2), a
// department (3) or each department of the group bumonCode (4, added row by row); layout 4
// (settlement statement) reads SP_SISANHYO_KESSAN with the labels of kinds 10, 20 and 30; other
// layouts read nothing. Layouts 1 and 2 first clear redundant names in EXTERA4/EXTERA3. Same
// result as pcSisanhyouRead.
bool pcSisanhyouReadGeneral(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                            int indexHigh, const std::string& branchCode,
                            const std::string& bumonCode, int tax, int kind, int layout,
                            int keskubun, int haibun, int zenTax);

// Empties the texts and zeroes the numbers of one row; the sub-account array is left alone.
void pcBalanceClear(TBALANCE& row);
// Clears rows 0..indexHigh and sets index entry i to ("ﾟ", i).
void pcSisanhyouClear(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                      int indexHigh);

// Period sums; the medical-corporation code system goes to pcMbKikanZandakaCalcu.
void pcKikanZandakaCalcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                         int from, int to, int jigyou);
// Range results and total lines of a loaded trial balance for periods from..to (or the preset of
// kinds 1..6). Database errors while naming the profit lines are reported and passed on.
void pcBalanceSheet_Calcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                          int from, int to);

// The name of a total line by its group code: MINUSNAME for a negative amount when the line is
// MODIFY 1 (followed by "金額" when SystemDef.KingakuPlus is 1), else PLUSNAME; the default
// name when the group has no row. Reads in the transaction it is given.
std::string fnGokeiName(firebird::Transaction& transaction, const std::string& group,
                        const std::string& defaultName, platform::Currency amount);

// Adds an account row into a total line.
void pcGokeiAdd(TBALANCE& total, const TBALANCE& account);
