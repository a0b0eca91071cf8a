#pragma once

#include "platform/CoreTypes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>

// One table of cases for both amount-rounding routines (fnHasuuRound of the accounting
// computations and CurrHasuuSyori of the export): they must give identical results. Amounts are
// scaled by 10000; every row lists the result of modes 0, 1 and 2.
namespace testsupport {

struct RoundingCase {
    platform::Currency amount;
    platform::Currency truncated; // mode 0
    platform::Currency halfAway;  // mode 1, 3 and above, negative modes
    platform::Currency upAway;    // mode 2
};

inline constexpr platform::Currency kUnit = platform::kCurrencyUnit;
inline constexpr platform::Currency kMaxAmount = std::numeric_limits<platform::Currency>::max();
inline constexpr platform::Currency kMinAmount = std::numeric_limits<platform::Currency>::min();
inline constexpr platform::Currency kMaxWhole = kMaxAmount / kUnit * kUnit;

inline constexpr RoundingCase kRoundingCases[] = {
    {15000, 1 * kUnit, 2 * kUnit, 2 * kUnit},        // 1.5
    {14999, 1 * kUnit, 1 * kUnit, 2 * kUnit},        // 1.4999
    {20000, 2 * kUnit, 2 * kUnit, 2 * kUnit},        // 2.0
    {-15000, -1 * kUnit, -2 * kUnit, -2 * kUnit},    // -1.5
    {-5000, 0, -1 * kUnit, -1 * kUnit},              // -0.5
    {-14999, -1 * kUnit, -1 * kUnit, -2 * kUnit},    // -1.4999
    {1, 0, 0, 1 * kUnit},                            // 0.0001
    {-1, 0, 0, -1 * kUnit},                          // -0.0001
    {0, 0, 0, 0},
    {12000, 1 * kUnit, 1 * kUnit, 2 * kUnit},        // 1.2
    {25000, 2 * kUnit, 3 * kUnit, 3 * kUnit},        // 2.5
    {-25000, -2 * kUnit, -3 * kUnit, -3 * kUnit},    // -2.5
    {24999, 2 * kUnit, 2 * kUnit, 3 * kUnit},        // 2.4999
    {-30000, -3 * kUnit, -3 * kUnit, -3 * kUnit},    // -3
    {4999, 0, 0, 1 * kUnit},                         // 0.4999
    {5000, 0, 1 * kUnit, 1 * kUnit},                 // 0.5
    {-4999, 0, 0, -1 * kUnit},                       // -0.4999
    {123456789012345, 12345678901 * kUnit, 12345678901 * kUnit, 12345678902 * kUnit},
    {-123456789015000, -12345678901 * kUnit, -12345678902 * kUnit, -12345678902 * kUnit},
    // At the ends of the range a result that does not fit is the largest whole amount.
    {kMaxAmount, kMaxWhole, kMaxWhole, kMaxWhole},
    {-kMaxAmount, -kMaxWhole, -kMaxWhole, -kMaxWhole},
    {kMinAmount, -kMaxWhole, -kMaxWhole, -kMaxWhole},
    {kMaxWhole - 5000, kMaxWhole - kUnit, kMaxWhole, kMaxWhole},
    {kMaxWhole + 1, kMaxWhole, kMaxWhole, kMaxWhole},
};

// Modes that round half away from zero like mode 1.
inline constexpr int kHalfAwayModes[] = {1, 3, 7, 255, -1};

// Checks a rounding routine `round(mode, amount)` against every case and mode.
template <class Round>
void expectRoundingTable(Round round)
{
    for (const RoundingCase& c : kRoundingCases) {
        EXPECT_EQ(round(0, c.amount), c.truncated) << "mode 0, amount " << c.amount;
        EXPECT_EQ(round(2, c.amount), c.upAway) << "mode 2, amount " << c.amount;
        for (int mode : kHalfAwayModes)
            EXPECT_EQ(round(mode, c.amount), c.halfAway) << "mode " << mode << ", amount " << c.amount;
    }
}

} // namespace testsupport
