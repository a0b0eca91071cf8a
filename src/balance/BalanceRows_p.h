// Reading the result rows of the trial-balance procedures: shared by the trial balance and the
// medical trial balance.
#pragma once

#include "records/ProgramRecords.h"

#include <cstddef>
#include <string>

namespace firebird {
class Cursor;
} // namespace firebird

namespace balance_detail {

inline constexpr int kOpening = 32; // period-array index of the fiscal-year opening

// Kinds 1 and 4 are debit-natured.
bool debitNature(int taishaku);

// Net movement of one period by the debit/credit kind.
platform::Currency netOf(int taishaku, platform::Currency debit, platform::Currency credit);

// The prefix and the value in at least two digits: ("KAR", 1) gives "KAR01".
std::string twoDigits(const std::string& prefix, int value);

// Adds a result row's opening (KAISIZAN) and period amounts (KARnn, KASnn) onto an account row
// and works its net and running balance out again from the opening.
void addAccountAmounts(const firebird::Cursor& c, TBALANCE& row);

// A result row that follows its account's row as sub-account line `hojo` (from 0), added onto
// that sub-account. The first line sizes the list: the account's sub-account count, one more when
// its code is blank (the part of the account that no sub-account carries). Lines beyond the list
// are passed over.
void addSubAccountLine(const firebird::Cursor& c, TBALANCE& account, std::size_t hojo);

} // namespace balance_detail
