#include "accounting/AmountRounding.h"

#include "support/RoundingCases.h"

#include <gtest/gtest.h>

#include <string>

using accounting::kZeiRitu2;
using accounting::kZeiRitu3;

TEST(AmountRounding, SharedTableOfCases) { testsupport::expectRoundingTable(fnHasuuRound); }

TEST(AmountRounding, WholeAmountsComeBackUnchangedInEveryMode)
{
    for (platform::Currency whole : {0LL, 10000LL, -10000LL, 1230000LL, -9990000LL,
                                     922337203685470000LL, -922337203685470000LL})
        for (int mode : {0, 1, 2, 3, 7, -1})
            EXPECT_EQ(fnHasuuRound(mode, whole), whole) << mode << " " << whole;
}

TEST(AmountRounding, TaxRateTables)
{
    ASSERT_EQ(std::size(kZeiRitu2), 2u);
    ASSERT_EQ(std::size(kZeiRitu3), 3u);
    EXPECT_EQ(std::string(kZeiRitu2[0].name), "5%");
    EXPECT_EQ(kZeiRitu2[0].rate, 50000);
    EXPECT_EQ(std::string(kZeiRitu2[1].start), "1989/04/01");
    const TZeiRituRec& eight = kZeiRitu3[0];
    EXPECT_EQ(std::string(eight.name), "8%");
    EXPECT_EQ(eight.rate, 80000);
    EXPECT_EQ(eight.code1, 0);
    EXPECT_EQ(eight.code2, 2);
    EXPECT_EQ(std::string(eight.start), "2014/04/01");
    EXPECT_EQ(eight.number1, 6);
    EXPECT_EQ(eight.number2, 1);
    EXPECT_EQ(kZeiRitu3[1].code1, 2);
    EXPECT_EQ(kZeiRitu3[1].code2, 1);
    EXPECT_EQ(kZeiRitu3[2].rate, 30000);
}
