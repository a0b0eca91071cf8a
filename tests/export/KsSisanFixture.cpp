#include "export/KsSisanFixture.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

std::string withoutComments(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "/*") == 0) {
            std::size_t end = text.find("*/", i + 2);
            if (end == std::string::npos)
                break;
            i = end + 1;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string trimmed(const std::string& s)
{
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// Splits a parenthesised list at commas outside quotes; a quoted value keeps its quotes.
std::vector<std::string> listItems(const std::string& list)
{
    std::vector<std::string> items;
    std::string current;
    bool quoted = false;
    for (char c : list) {
        if (c == '\'')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            items.push_back(trimmed(current));
            current.clear();
        } else {
            current += c;
        }
    }
    items.push_back(trimmed(current));
    return items;
}

std::string parenthesised(const std::string& s, std::size_t from, std::size_t& end)
{
    std::size_t open = s.find('(', from);
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = open; i < s.size(); ++i) {
        if (s[i] == '\'')
            quoted = !quoted;
        if (quoted)
            continue;
        if (s[i] == '(')
            ++depth;
        else if (s[i] == ')' && --depth == 0) {
            end = i + 1;
            return s.substr(open + 1, i - open - 1);
        }
    }
    throw std::runtime_error("unbalanced parentheses in fixture script");
}

platform::Currency amount(const std::string& v)
{
    return static_cast<platform::Currency>(std::llround(std::stod(v) * 10000));
}

platform::TDateTime date(const std::string& v)
{
    // 'yyyy-mm-dd'
    return platform::encodeDate(std::stoi(v.substr(1, 4)), std::stoi(v.substr(6, 2)), std::stoi(v.substr(9, 2)));
}

void setColumn(KsSisanRow& r, const std::string& column, const std::string& value)
{
    if (value == "NULL")
        return;
    using Setter = std::function<void(KsSisanRow&, const std::string&)>;
    auto integer = [](std::int32_t KsSisanRow::*field) {
        return Setter([field](KsSisanRow& row, const std::string& v) { row.*field = std::stoi(v); });
    };
    auto money = [](platform::Currency KsSisanRow::*field) {
        return Setter([field](KsSisanRow& row, const std::string& v) { row.*field = amount(v); });
    };
    auto day = [](platform::TDateTime KsSisanRow::*field) {
        return Setter([field](KsSisanRow& row, const std::string& v) { row.*field = date(v); });
    };
    static const std::map<std::string, Setter> setters = {
        {"REC", integer(&KsSisanRow::REC)},
        {"GSHOUHOU", integer(&KsSisanRow::GSHOUHOU)},
        {"SYUTODATE", day(&KsSisanRow::SYUTODATE)},
        {"SYUTOKIN", money(&KsSisanRow::SYUTOKIN)},
        {"KISYUMISYOUKIN", money(&KsSisanRow::KISYUMISYOUKIN)},
        {"KISOKIN", money(&KsSisanRow::KISOKIN)},
        {"ISINPKISOKIN", integer(&KsSisanRow::ISINPKISOKIN)},
        {"TAIYOUYY", integer(&KsSisanRow::TAIYOUYY)},
        {"SYOURITU", money(&KsSisanRow::SYOURITU)},
        {"ISINPSYOURITU", integer(&KsSisanRow::ISINPSYOURITU)},
        {"JYOBAI", integer(&KsSisanRow::JYOBAI)},
        {"GENSYODATE", day(&KsSisanRow::GENSYODATE)},
        {"SYOUKIKANSTR", integer(&KsSisanRow::SYOUKIKANSTR)},
        {"SYOUKIKANEND", integer(&KsSisanRow::SYOUKIKANEND)},
        {"FUTUSYOUKIN", money(&KsSisanRow::FUTUSYOUKIN)},
        {"ISINPFUTUSYOUKIN", integer(&KsSisanRow::ISINPFUTUSYOUKIN)},
        {"WARISYOUKIN", money(&KsSisanRow::WARISYOUKIN)},
        {"SYOUKINKEI", money(&KsSisanRow::SYOUKINKEI)},
        {"MATUMISYOUKIN", money(&KsSisanRow::MATUMISYOUKIN)},
        {"ZANKAHOSYOUGAKU", money(&KsSisanRow::ZANKAHOSYOUGAKU)},
        {"JIGYOUWARIAI_NEW", money(&KsSisanRow::JIGYOUWARIAI)},
        {"KAITEISYUTOKUKAGAKU", money(&KsSisanRow::KAITEISYUTOKUKAGAKU)},
        {"KAITEISYUTOKUKAGAKU_INPUT", money(&KsSisanRow::KAITEISYUTOKUKAGAKU_INPUT)},
        {"ISINPKAITEISYUTOKUKAGAKU", integer(&KsSisanRow::ISINPKAITEISYUTOKUKAGAKU)},
        {"TEIRITU250", integer(&KsSisanRow::TEIRITU250)},
        {"TEIRITU200", integer(&KsSisanRow::TEIRITU200)},
        {"TAIYONENSU200", integer(&KsSisanRow::TAIYONENSU200)},
        {"SYUTOKUKAGAKUCHOSEI", money(&KsSisanRow::SYUTOKUKAGAKUCHOSEI)},
    };
    auto it = setters.find(column);
    if (it != setters.end())
        it->second(r, value);
}

} // namespace

std::map<std::int32_t, KsSisanRow> readKsSisanFixture(const std::string& sqlPath)
{
    std::ifstream in(sqlPath, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + sqlPath);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string script = withoutComments(buffer.str());

    std::map<std::int32_t, KsSisanRow> rows;
    std::size_t pos = 0;
    while ((pos = script.find("INSERT INTO KS_SISAN", pos)) != std::string::npos) {
        std::size_t end = 0;
        std::vector<std::string> columns = listItems(parenthesised(script, pos, end));
        std::size_t valuesAt = script.find("VALUES", end);
        std::vector<std::string> values = listItems(parenthesised(script, valuesAt, end));
        if (columns.size() != values.size())
            throw std::runtime_error("column and value counts differ in fixture script");
        KsSisanRow row;
        for (std::size_t i = 0; i < columns.size(); ++i)
            setColumn(row, columns[i], values[i]);
        rows[row.REC] = row;
        pos = end;
    }
    return rows;
}

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

std::string ksSisanFixturePath()
{
    return std::string(TEST_FIXTURE_DIR) + "/ks_sisan.sql";
}
