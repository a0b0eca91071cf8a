#pragma once

#include "platform/CoreTypes.h"

#include <cstdint>

// Rounding of amounts to whole currency units by the company's rounding mode.
//
// Mode 0 truncates toward zero; mode 2 rounds away from zero whenever a fraction remains; 1 and
// every other value round half away from zero. A result beyond the range of an amount is the
// largest whole amount of that sign. The export's own routine (CurrHasuuSyori) gives the same
// results; tests/support/RoundingCases.h holds the cases both must pass.

// The amount rounded to whole units, still scaled by 10000.
platform::Currency fnHasuuRound(int mode, platform::Currency amount);

// One consumption-tax rate (constant data; nothing reads the codes and numbers).
struct TZeiRituRec {
    const char* name;        // "5%"
    platform::Currency rate; // 5 for 5%, scaled by 10000
    std::int32_t code1;
    std::int32_t code2;
    const char* start;       // "yyyy/mm/dd"
    std::int32_t number1;
    std::int32_t number2;
};

namespace accounting {

// The rates up to the 5% era, newest first.
inline constexpr TZeiRituRec kZeiRitu2[2] = {
    {"5%", 5 * platform::kCurrencyUnit, 0, 1, "1997/04/01", 1, 0},
    {"3%", 3 * platform::kCurrencyUnit, 1, 0, "1989/04/01", 1, 0},
};

// The rates up to the 8% era, newest first.
inline constexpr TZeiRituRec kZeiRitu3[3] = {
    {"8%", 8 * platform::kCurrencyUnit, 0, 2, "2014/04/01", 6, 1},
    {"5%", 5 * platform::kCurrencyUnit, 2, 1, "1997/04/01", 1, 0},
    {"3%", 3 * platform::kCurrencyUnit, 1, 0, "1989/04/01", 1, 0},
};

} // namespace accounting
