#include "accounting/AmountRounding.h"

#include <limits>

using platform::Currency;
using platform::kCurrencyUnit;

Currency fnHasuuRound(int mode, Currency amount)
{
    // Whole units and the remaining fraction, both with the amount's sign: exact integer work,
    // where adding a half first could overflow near the limits.
    Currency units = amount / kCurrencyUnit;
    const Currency fraction = amount % kCurrencyUnit;
    if (mode == 0) {
        // truncation is all
    } else if (mode == 2) {
        if (fraction > 0)
            ++units;
        else if (fraction < 0)
            --units;
    } else {
        if (fraction >= kCurrencyUnit / 2)
            ++units;
        else if (fraction <= -kCurrencyUnit / 2)
            --units;
    }
    // Beyond the range of an amount: the largest whole amount instead of a wrapped value.
    constexpr Currency kMaxUnits = std::numeric_limits<Currency>::max() / kCurrencyUnit;
    if (units > kMaxUnits)
        units = kMaxUnits;
    else if (units < -kMaxUnits)
        units = -kMaxUnits;
    return units * kCurrencyUnit;
}
