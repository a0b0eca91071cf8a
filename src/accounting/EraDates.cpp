#include "accounting/EraDates.h"

#include <cstdio>
#include <stdexcept>

TGengoArray GengoTable;

namespace {

// Reads the fixed "yyyy/mm/dd" form, whatever the locale.
platform::TDateTime parseSlashDate(const char* text)
{
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text, "%4d/%2d/%2d%c", &y, &m, &d, &tail) != 3)
        throw std::invalid_argument(std::string("bad era start date ") + text);
    return platform::encodeDate(y, m, d);
}

} // namespace

void pcGengoInit()
{
    GengoTable.clear();
    for (const TGengo2Rec& row : accounting::kBuiltInGengo) {
        TGengoRec rec;
        rec.name = row.name;
        rec.letter = row.letter;
        rec.start = parseSlashDate(row.start);
        rec.startYear = platform::decodeDate(rec.start).year;
        GengoTable.push_back(rec);
    }
}

void fnDateToWareki(TWarekiRec& wareki, platform::TDateTime date)
{
    wareki = TWarekiRec{};
    const platform::CivilDate d = platform::decodeDate(date);
    wareki.month = static_cast<std::uint16_t>(d.month);
    wareki.day = static_cast<std::uint16_t>(d.day);

    if (date <= 0) {
        wareki.year = d.year;
        return;
    }
    bool taken = false;
    for (const TGengoRec& row : GengoTable) {
        if (row.name.empty())
            break;
        wareki.name = row.name;
        wareki.letter = row.letter;
        wareki.year = d.year - row.startYear + 1;
        taken = true;
        if (date >= row.start)
            break;
    }
    if (!taken)
        wareki.year = d.year;
}
