#pragma once

// The trial balance of the medical-corporation code system (data type 3, code type 1): business
// divisions (MB_JIGYOU bits 1, 2, 4, 8, 16) and facilities. Rows 1..53 are its total lines,
// accounts start at kMbFirstKamokuRow. pcSisanhyouRead and pcKikanZandakaCalcu route here.

#include "platform/CoreTypes.h"
#include "records/ProgramRecords.h"

#include <string>
#include <vector>

namespace firebird {
class Transaction;
} // namespace firebird

inline constexpr int kMbFirstKamokuRow = 61;

// Loads the trial balance of a layout (0 standard, 1 A4, 2 A3, 3 facility comparison summed, 4 one
// column per facility) and scope (0 whole, 1 division, 2 facility, 3 department of a facility,
// 4 department group of a facility, 5 facility group). Same result as pcSisanhyouRead.
bool pcSisanhyouReadMedical(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                            int indexHigh, const std::string& sisetuCode,
                            const std::string& bumonCode, int tax, int scope, int layout,
                            int keskubun, int haibun, int jigyou);

// Range results, total lines and composition ratios for periods from..to (or a kind's preset).
void pcMbKikanZandakaCalcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                           int from, int to, int jigyou);

// The total lines of one business division into their rows and index entries.
void pcMbGokeiNameRead(firebird::Transaction& transaction, std::vector<TBALANCE>& rows,
                       std::vector<TQSORT>& index, int keskubun, int division);

// The name of a profit line by its group code and amount; other groups keep defaultName.
std::string fnMbGokeiName(const std::string& group, const std::string& defaultName,
                          platform::Currency amount, int division);

// MB_JIGYOU of a facility, 0 when it has no row.
int fnSisetuJigyou(firebird::Transaction& transaction, const std::string& sisetuCode);

// The departments of a department group that belong to a facility.
void pcSisetuBumonList(firebird::Transaction& transaction, std::vector<std::string>& list,
                       const std::string& sisetuCode, const std::string& groupCode);
