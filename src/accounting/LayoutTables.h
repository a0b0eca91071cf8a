#pragma once

#include "platform/CoreTypes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Trial-balance layout tables and cash-flow item lists, switched to the code system of the
// company just opened. Program-wide; GUI thread only. Before the first setup they hold the
// general code systems' values (the cash-flow list is empty).

// First trial-balance row that holds an account; rows 1..50 are total lines, row 0 is unused.
inline constexpr std::uint16_t FirstKamokuRow = 51;

namespace accounting {

inline constexpr std::size_t kGokeiRowCount = 115;
inline constexpr std::size_t kKamokuGroupCount = 149;

// Marks an account-group code the code system does not have.
inline constexpr const char* kNoKamokuGroup = "****";

// One cash-flow item (資金繰り科目).
struct CashFlowItem {
    std::string code;
    std::string name;
    friend bool operator==(const CashFlowItem&, const CashFlowItem&) = default;
};

// Puts the tables back to their start values (tests).
void resetLayoutTables();

} // namespace accounting

// Row of each total line by position (0: the line does not exist). Positions come in pairs: the
// second is the row the engine adds a group range into, the first the same line named and hidden.
extern std::array<std::uint16_t, accounting::kGokeiRowCount> GokeiRowTable;
// Four-character account-group code of each line or line range by position. Codes below "4000"
// are balance-sheet groups, from "4000" up profit-and-loss groups.
extern std::array<std::string, accounting::kKamokuGroupCount> KamokuGroupTable;

// The cash-flow items (資金繰り科目) of the code system.
extern std::vector<accounting::CashFlowItem> SikinguriKamokuList;

// Sets both layout tables to the medical-corporation values when medical is 1, else to the general
// values; every position the setup owns is written each time.
void pcSisanhyouSetup(std::uint8_t medical);
// Refills SikinguriKamokuList with the medical items when medical is 1, else the general items.
void pcSikinguriKamokuSetup(std::uint8_t medical);
// The ratio as a percentage rounded to one decimal, half away from zero (0.12355 -> 12.4).
platform::Currency fnPercentOf(double ratio);
