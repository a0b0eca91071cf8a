#include "accounting/EraDates.h"

#include <gtest/gtest.h>

using platform::encodeDate;
using platform::TDateTime;

namespace {

class EraDates : public ::testing::Test {
protected:
    void SetUp() override { GengoTable.clear(); }
    void TearDown() override { GengoTable.clear(); }

    struct Expected {
        TDateTime date;
        const char* name;
        const char* letter;
        int year;
    };

    static void expectAll(std::initializer_list<Expected> cases)
    {
        for (const Expected& c : cases) {
            TWarekiRec w;
            w.name = "stale";
            w.year = 999;
            fnDateToWareki(w, c.date);
            const platform::CivilDate d = platform::decodeDate(c.date);
            const std::string at = std::to_string(d.year) + "/" + std::to_string(d.month) + "/"
                + std::to_string(d.day);
            EXPECT_EQ(w.name, c.name) << at;
            EXPECT_EQ(w.letter, c.letter) << at;
            EXPECT_EQ(w.year, c.year) << at;
            EXPECT_EQ(w.month, d.month) << at;
            EXPECT_EQ(w.day, d.day) << at;
        }
    }
};

} // namespace

TEST_F(EraDates, BuiltInRowsNewestFirst)
{
    pcGengoInit();
    ASSERT_EQ(GengoTable.size(), 4u);
    const struct { const char* name; const char* letter; TDateTime start; int year; } rows[] = {
        {"平成", "H", encodeDate(1989, 1, 8), 1989},
        {"昭和", "S", encodeDate(1926, 12, 25), 1926},
        {"大正", "T", encodeDate(1912, 7, 30), 1912},
        {"明治", "M", encodeDate(1868, 9, 8), 1868},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(GengoTable[i].name, rows[i].name);
        EXPECT_EQ(GengoTable[i].letter, rows[i].letter);
        EXPECT_EQ(GengoTable[i].start, rows[i].start);
        EXPECT_EQ(GengoTable[i].startYear, rows[i].year);
    }
    pcGengoInit(); // again: replaces, never appends
    EXPECT_EQ(GengoTable.size(), 4u);
}

TEST_F(EraDates, EveryBoundaryOfTheBuiltInRows)
{
    pcGengoInit();
    expectAll({
        {encodeDate(1899, 12, 31), "明治", "M", 32},
        {encodeDate(1912, 7, 29), "明治", "M", 45},
        {encodeDate(1912, 7, 30), "大正", "T", 1},
        {encodeDate(1926, 12, 24), "大正", "T", 15},
        {encodeDate(1926, 12, 25), "昭和", "S", 1},
        {encodeDate(1989, 1, 7), "昭和", "S", 64},
        {encodeDate(1989, 1, 7) + 0.99, "昭和", "S", 64},
        {encodeDate(1989, 1, 8), "平成", "H", 1},
        {encodeDate(2019, 4, 30), "平成", "H", 31},
        {encodeDate(2019, 5, 1), "平成", "H", 31}, // no later era built in
        {encodeDate(2024, 4, 1), "平成", "H", 36},
    });
}

TEST_F(EraDates, ReiwaFromTheSystemTable)
{
    pcGengoInit();
    GengoTable.insert(GengoTable.begin(), TGengoRec{"令和", "R", encodeDate(2019, 5, 1), 2019});
    expectAll({
        {encodeDate(2019, 4, 30), "平成", "H", 31},
        {encodeDate(2019, 4, 30) + 0.5, "平成", "H", 31},
        {encodeDate(2019, 5, 1), "令和", "R", 1},
        {encodeDate(2019, 12, 31), "令和", "R", 1},
        {encodeDate(2020, 1, 1), "令和", "R", 2},
        {encodeDate(1989, 1, 8), "平成", "H", 1},
        {encodeDate(1912, 7, 29), "明治", "M", 45},
    });
}

TEST_F(EraDates, OnOrBeforeTheEpochGivesTheWesternYear)
{
    pcGengoInit();
    expectAll({
        {encodeDate(1899, 12, 30), "", "", 1899},
        {encodeDate(1899, 12, 30) + 0.5, "明治", "M", 32}, // above 0: an era date
        {encodeDate(1899, 12, 29), "", "", 1899},
        {encodeDate(1868, 9, 7), "", "", 1868},
    });
}

TEST_F(EraDates, EmptyTableOrEmptyNameGivesTheWesternYear)
{
    expectAll({{encodeDate(2024, 4, 1), "", "", 2024}, {encodeDate(1950, 1, 1), "", "", 1950}});

    GengoTable.push_back(TGengoRec{"", "", encodeDate(1989, 1, 8), 1989});
    expectAll({{encodeDate(2024, 4, 1), "", "", 2024}});
}

TEST_F(EraDates, EmptyNameStopsTheWalkWithThePreviousRow)
{
    GengoTable.push_back(TGengoRec{"平成", "H", encodeDate(1989, 1, 8), 1989});
    GengoTable.push_back(TGengoRec{"", "", encodeDate(1926, 12, 25), 1926});
    GengoTable.push_back(TGengoRec{"大正", "T", encodeDate(1912, 7, 30), 1912});
    expectAll({
        {encodeDate(2000, 1, 1), "平成", "H", 12},
        {encodeDate(1950, 1, 1), "平成", "H", -38},
    });
}

TEST_F(EraDates, OlderThanEveryEraGivesASignedYear)
{
    GengoTable.push_back(TGengoRec{"平成", "H", encodeDate(1989, 1, 8), 1989});
    expectAll({
        {encodeDate(1989, 1, 7), "平成", "H", 1},
        {encodeDate(1988, 12, 31), "平成", "H", 0},
        {encodeDate(1980, 6, 1), "平成", "H", -8},
        {encodeDate(1900, 1, 1), "平成", "H", -88},
    });
}
