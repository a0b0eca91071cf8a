#include "export/AssetTableFixture.h"

GenkaSyokyakuSettings ksSisanFixtureSettings()
{
    GenkaSyokyakuSettings s;
    s.KISHU = platform::encodeDate(2024, 1, 1);
    s.KIMATU = platform::encodeDate(2024, 12, 31);
    s.SIME = 99;
    s.DATATYPE = 2;
    return s;
}

const std::vector<KsSisanExpectation>& ksSisanFixtureExpectations()
{
    static const std::vector<KsSisanExpectation> expectations = {
        {1, 2, 5, 0.2, 262144, 65536, 65520, 0.25, 262144, 65536, 10,
         "200% life 10, book 262,144: 262,144 x 0.2 = 52,428.8 < guarantee 65,520 -> 262,144 x 0.250"},
        {2, 2, 1, 0.1, 1000000, 100000, 0, 0, 0, 50000, 10, "straight-line; expense 100,000 x 50%"},
        {3, 2, 0, 0.25, 300000, 18750, 0, 0, 0, 18750, 4, "acquired in October: 300,000 x 0.25 x 3 / 12"},
        {4, 0, 6, 0.1, 900000, 9999, 0, 0, 0, 9999, 10, "old straight-line at 5%: 49,999 x 12 / 60 = 9,999.8"},
        {5, 2, 1, 0, 240000, 80000, 0, 0, 0, 80000, 3, "lump-sum: 240,000 x 12 / 36"},
        {6, 2, 1, 0.25, 60000, 15000, 7909, 0.334, 0, 15000, 8,
         "transitional 200%: 60,000 x 0.25; guarantee 100,000 x 0.07909 = 7,909"},
        {7, 2, 0, 0, 150000, 150000, 0, 0, 0, 150000, 0, "small amount of the year"},
        {8, 2, 0, 0, 1001, 1001, 0, 0, 0, 505, 0, "small amount; expense 1,001 x 50.5% = 505.505"},
        {9, 2, 2, 0, 200000, 0, 0, 0, 0, 0, 0, "small amount of an earlier year"},
        {10, 0, 1, 0.206, 60000, 10000, 0, 0, 0, 10000, 10,
         "old declining: 60,000 x 0.206 = 12,360 would leave less than 50,000"},
        {11, 2, 1, 0, 120000, 15000, 0, 0, 0, 15000, 4, "equal instalments: 120,000 / 4 x 6 / 12"},
        {12, 2, 1, 0, 500000, 100000, 0, 0, 0, 100000, 60, "lease: (600,000 - 100,000) x 12 / 60"},
        {13, 2, 4, 0.1, 1000000, 50000, 0, 0, 0, 50000, 10, "sold; six months of 100,000"},
        {14, 2, 5, 0.3, 777, 12345, 65520, 0.25, 1000000, 12345, 10,
         "typed rate, base and depreciation; the recomputation for the status runs on the revised rate"},
        {15, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, "no method: nothing computed"},
    };
    return expectations;
}
