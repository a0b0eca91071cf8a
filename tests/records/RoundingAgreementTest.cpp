#include "accounting/AmountRounding.h"
#include "records/TextRoutines.h"

#include "support/RoundingCases.h"

#include <gtest/gtest.h>

// The export and the accounting computations round with routines of their own; both must give
// the same amounts.
TEST(RoundingAgreement, CurrHasuuSyoriPassesTheSharedTable)
{
    testsupport::expectRoundingTable(CurrHasuuSyori);
}

TEST(RoundingAgreement, BothRoutinesAgreeOnEveryFractionAndMode)
{
    int differences = 0;
    for (platform::Currency amount = -30000; amount <= 30000; ++amount)
        for (int mode = -2; mode <= 4; ++mode)
            if (CurrHasuuSyori(mode, amount) != fnHasuuRound(mode, amount) && ++differences < 5)
                ADD_FAILURE() << "mode " << mode << ", amount " << amount;
    EXPECT_EQ(differences, 0);
}
