#pragma once

#include "platform/CoreTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// Japanese eras (元号) and the conversion of dates into era form (和暦).

// One era of the era table.
struct TGengoRec {
    std::string name;           // "平成"
    std::string letter;         // "H"
    platform::TDateTime start = 0; // the era's first day
    std::int32_t startYear = 0; // the Western year that counts as year 1 of the era
};

// The era table's type: newest era first.
using TGengoArray = std::vector<TGengoRec>;

// One built-in era row.
struct TGengo2Rec {
    const char* name;
    const char* letter;
    const char* start; // "yyyy/mm/dd"
    std::int32_t startYear;
};

// A date in era form. The year is signed: a date older than every era gets 0 or below.
struct TWarekiRec {
    std::string name;
    std::string letter;
    std::int32_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
};

namespace accounting {

// The built-in eras, newest first; the system database's table adds later ones.
inline constexpr TGengo2Rec kBuiltInGengo[4] = {
    {"平成", "H", "1989/01/08", 1989},
    {"昭和", "S", "1926/12/25", 1926},
    {"大正", "T", "1912/07/30", 1912},
    {"明治", "M", "1868/09/08", 1868},
};

} // namespace accounting

// The program-wide era table; empty until the sign-in reads it (GUI thread only).
extern TGengoArray GengoTable;

// Fills GengoTable with the built-in eras.
void pcGengoInit();
// Fills the record with the era form of the date by GengoTable. A date of 1899-12-30 or earlier,
// or an empty table, gives the Western year with an empty era name.
void fnDateToWareki(TWarekiRec& wareki, platform::TDateTime date);
