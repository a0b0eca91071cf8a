#include "balance/TrialBalance.h"

#include "balance/BalanceRows_p.h"
#include "balance/MedicalTrialBalance.h"

#include "accounting/AmountRounding.h"
#include "accounting/LayoutTables.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/MessageService.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/TextRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <stdexcept>

using platform::Currency;
using platform::kCurrencyUnit;

std::array<Currency, 17> KikanNetTable{};

namespace {
firebird::Transaction* g_snapshot = nullptr;
firebird::Transaction* g_standard = nullptr;
} // namespace

// The installed transactions, else the data module's.
firebird::Transaction* snapshotTransaction()
{
    if (g_snapshot != nullptr)
        return g_snapshot;
    return DM != nullptr ? &DM->IBTransactionDATSS : nullptr;
}
firebird::Transaction* standardTransaction()
{
    if (g_standard != nullptr)
        return g_standard;
    return DM != nullptr ? &DM->IBTransactionDAT : nullptr;
}

namespace {

using balance_detail::debitNature;
using balance_detail::kOpening;
using balance_detail::netOf;
using balance_detail::twoDigits;

int gokeiRow(int position)
{
    return GokeiRowTable[std::size_t(position)];
}

bool inRows(int row, int rowHigh, const std::vector<TBALANCE>& rows)
{
    return row >= 0 && row <= rowHigh && std::size_t(row) < rows.size();
}

// Kinds 1 and 3 add into a total line, 2 and 4 subtract.
Currency signedForTotal(int taishaku, Currency amount)
{
    return (taishaku == 2 || taishaku == 4) ? -amount : amount;
}

// A row's five range amounts, and the three of them the profit lines compute.
constexpr Currency TBALANCE::*kAllFields[] = {&TBALANCE::RangeOpening, &TBALANCE::RangeDebit,
                                              &TBALANCE::RangeCredit, &TBALANCE::RangeClosing,
                                              &TBALANCE::PriorYear};
constexpr Currency TBALANCE::*kBalanceFields[] = {&TBALANCE::RangeOpening,
                                                  &TBALANCE::RangeClosing, &TBALANCE::PriorYear};

// A database error of the load goes to the program-wide handler (logs, box, reconnect after a
// lost connection) and a misuse of the database layer to the comma box; anything else is not a
// load failure and is passed on.
void reportLoadError(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
        HandleDbError(*db, "試算表読込", "試算表の読込に失敗しました。", true);
    else if (dynamic_cast<const firebird::UsageError*>(&e) != nullptr)
        ShowCommaMessage(std::string("試算表読込,") + e.what(), 1);
    else
        throw;
}

// Total lines of ACCTOTALNAME into their rows and index entries.
void pcGokeiNameRead(firebird::Transaction& tx, std::vector<TBALANCE>& rows, int rowHigh,
                     std::vector<TQSORT>& index, int indexHigh, int kind, int keskubun,
                     bool bumonRead)
{
    firebird::Statement q(tx, "SELECT * FROM ACCTOTALNAME ORDER BY KGROUP ");
    auto c = q.open();
    while (c.fetch()) {
        const int r = c.isNull("ARRAYNUM") ? 0 : c.getInt("ARRAYNUM");
        // Only the total-line rows take a line; a stray number must not land on an account row.
        if (r < 1 || r >= FirstKamokuRow || !inRows(r, rowHigh, rows) || r > indexHigh)
            continue;
        auto& k = rows[std::size_t(r)].Kamoku;
        const std::string group = c.getString("KGROUP");
        k.GROUPM1 = group;
        k.GROUPM2 = group;
        k.KCODE.clear();
        k.KNAME = c.getString("PLUSNAME");
        if ((kind == 10 || kind == 30) && c.hasField("KESSAN_USE") && !c.isNull("KESSAN_USE")
            && c.getInt("KESSAN_USE") == 1) {
            const std::string text = c.getString("KESSAN_TEXT");
            switch (r) {
            case 6: case 7: case 8:
                k.KNAME = "（" + text + "）";
                break;
            case 19: case 22:
                k.KNAME = text;
                break;
            case 5: case 9: case 10: case 12: case 13: case 14: case 23: case 24: case 25:
            case 28: case 30: case 31: case 32: case 33: case 37: case 39: case 40: case 42:
            case 43: case 46:
                k.KNAME = "【" + text + "】";
                break;
            default:
                break;
            }
        }
        const int kes = c.isNull("KESKUBUN") ? 0 : c.getInt("KESKUBUN");
        if (kes == 0 || kes == keskubun) {
            k.BSPL = group < "4000" ? "B" : "P";
            index[std::size_t(r)] = TQSORT{group, r};
        }
    }
    c.close();

    auto hide = [&](int row) {
        if (!inRows(row, rowHigh, rows) || row > indexHigh)
            return;
        index[std::size_t(row)].Code = kSisanhyouUnusedCode;
        rows[std::size_t(row)].Kamoku.GROUPM1.clear();
        rows[std::size_t(row)].Kamoku.GROUPM2.clear();
    };
    rows[std::size_t(gokeiRow(67))].Kamoku.KNAME = rows[std::size_t(gokeiRow(79))].Kamoku.KNAME;
    if (keskubun == 1) {
        hide(gokeiRow(5));
        hide(gokeiRow(7));
        hide(gokeiRow(3));
    }
    if (bumonRead) {
        firebird::Statement b(tx, "SELECT BUMON FROM ACCDEF1 WHERE REC=1");
        auto bc = b.open();
        if (bc.fetch() && !bc.isNull("BUMON") && bc.getInt("BUMON") == 1) {
            for (int r = gokeiRow(0); r <= gokeiRow(55); ++r)
                hide(r);
            for (int r = gokeiRow(101); r <= gokeiRow(108); ++r)
                hide(r);
        }
    }
}

// The code-system correction of an individual's account group in the settlement layout.
std::string settlementGroup(const std::string& group, int mstrec)
{
    int bound = 0;
    switch (AccInf.CODETYPE) {
    case 1: bound = 98; break;
    case 4: bound = 79; break;
    case 2:
        if (group == "6100" && mstrec > 63)
            return "7200";
        if (group == "7200" && mstrec < 64)
            return "6100";
        return group;
    default:
        return group;
    }
    if (mstrec > bound - 1) {
        if (group == "4100")
            return "7100";
        if (group == "6100")
            return "7200";
    } else {
        if (group == "7100")
            return "4100";
        if (group == "7200")
            return "6100";
    }
    return group;
}

// Settles a bill account into the fixed total row and its amounts into the anchor account (the
// receivable bills), so the statement shows the receivables net of discounted or endorsed bills.
void pcTokuteiKamokuMove(std::vector<TBALANCE>& rows, std::vector<TQSORT>& index, int anchor,
                         int moved, int fixedRow)
{
    auto& a = rows[std::size_t(anchor)];
    auto& m = rows[std::size_t(moved)];
    auto& f = rows[std::size_t(fixedRow)];
    f.Kamoku.USERCODE = m.Kamoku.USERCODE;
    f.Kamoku.KCODE = m.Kamoku.KCODE;
    f.Kamoku.KNAME = m.Kamoku.KNAME;
    f.Kamoku.BSPL = m.Kamoku.BSPL;
    f.Kamoku.TAISHAKU = m.Kamoku.TAISHAKU;
    f.KAISIZAN = m.KAISIZAN;
    f.Debit = m.Debit;
    f.Credit = m.Credit;
    f.Net = m.Net;
    f.Balance = m.Balance;

    a.KAISIZAN += m.Kamoku.TAISHAKU == 3 ? -m.KAISIZAN : m.KAISIZAN;
    for (int p = 1; p <= 16; ++p) {
        const auto i = std::size_t(kOpening + p);
        a.Debit[i] += m.Debit[i];
        a.Credit[i] += m.Credit[i];
    }
    // Prior-year values up to the opening first, so the running balances start from the moved
    // opening too.
    const bool subtract = debitNature(a.Kamoku.TAISHAKU);
    for (std::size_t i = 17; i <= std::size_t(kOpening); ++i) {
        a.Net[i] += subtract ? -m.Net[i] : m.Net[i];
        a.Balance[i] += subtract ? -m.Balance[i] : m.Balance[i];
    }
    for (int p = 1; p <= 16; ++p) {
        const auto i = std::size_t(kOpening + p);
        a.Net[i] = netOf(a.Kamoku.TAISHAKU, a.Debit[i], a.Credit[i]);
        a.Balance[i] = a.Balance[i - 1] + a.Net[i];
    }

    m.KAISIZAN = 0;
    m.OpeningCopy = 0;
    m.Debit = {};
    m.Credit = {};
    m.Net = {};
    m.Balance = {};
    index[std::size_t(moved)].Code = kSisanhyouUnusedCode;
}

// Rows of one result set from FirstKamokuRow on, adding onto what the rows hold (a department
// group writes each department over the same rows); returns the last row filled. Layout 4 is the
// settlement mode; layout 0 reads sub-accounts.
int pcSisanhyouFill(firebird::Statement& q, std::vector<TBALANCE>& rows, int rowHigh,
                    std::vector<TQSORT>& index, int indexHigh, int kind, int layout = 4)
{
    const bool settlement = layout == 4;
    auto c = q.open();
    int r = FirstKamokuRow - 1;
    int last = r;
    TBALANCE* owner = nullptr; // the account whose sub-accounts may follow (layout 0)
    std::string ownerCode;
    std::size_t hojo = 0;
    while (c.fetch()) {
        if (c.getString("GROUPM1") == "9900")
            continue;
        if (layout == 0 && owner != nullptr && c.getString("KCODE") == ownerCode) {
            balance_detail::addSubAccountLine(c, *owner, hojo++);
            continue;
        }
        owner = nullptr;
        ++r;
        if (r >= rowHigh || r > indexHigh)
            continue; // the rows hold accounts up to rowHigh - 1
        auto& row = rows[std::size_t(r)];
        last = r;
        auto& k = row.Kamoku;
        k.GROUPM1 = c.getString("GROUPM1");
        k.GROUPM2 = c.getString("GROUPM2");
        k.USERCODE = c.getString("USERCODE");
        k.KCODE = c.getString("KCODE");
        k.KNAME = c.getString("KNAME");
        k.BSPL = c.getString("BSPL");
        k.TAISHAKU = c.isNull("TAISHAKU") ? 0 : c.getInt("TAISHAKU");
        if (layout == 0) {
            row.HojoCount = c.isNull("HOJCNT") ? 0 : c.getInt("HOJCNT");
            if (row.HojoCount >= 1) {
                owner = &row;
                ownerCode = k.KCODE;
                hojo = 0;
            }
        } else {
            row.MSTREC = c.isNull("MSTREC") ? 0 : c.getInt("MSTREC");
            row.SUBREC = c.isNull("SUBREC") ? 0 : c.getInt("SUBREC");
            row.HojoCount = 0;
        }

        balance_detail::addAccountAmounts(c, row);
        auto amount = [&](const std::string& name) -> Currency {
            return c.isNull(name) ? 0 : c.getCurrency(name);
        };
        if (settlement && kind == 30) {
            for (int k15 = 15; k15 >= 0; --k15) {
                const auto i = std::size_t(kOpening - k15);
                row.Net[i] = amount(twoDigits("ZANM", k15));
                row.Balance[i] = (k15 == 15 ? amount("KISHU1") : row.Balance[i - 1]) + row.Net[i];
            }
        }
        if (settlement && AccInf.KAISINO > 1) {
            static constexpr int kSlot[13] = {0, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
            const int last_i = AccInf.KAISINO <= 12 ? kSlot[AccInf.KAISINO] : 0;
            row.StartMonthBalance = amount("KISHU0");
            for (int i = 1; i <= last_i; ++i) {
                const auto at = std::size_t(kOpening + i);
                row.Net[at] = amount(twoDigits("ZANP", i));
                row.Balance[at] = (i == 1 ? row.StartMonthBalance : row.Balance[at - 1]) + row.Net[at];
            }
        }
        if (settlement) {
            // The row itself moves to the corrected group: the statements route rows by GROUPM1.
            if (AccInf.DATATYPE == 2)
                k.GROUPM1 = settlementGroup(k.GROUPM1, row.MSTREC);
            index[std::size_t(r)] = TQSORT{twoDigits(k.GROUPM1, row.SUBREC), r};
        } else if (layout == 0) {
            const std::string group = k.GROUPM1 == "5300" ? "5881" : k.GROUPM2;
            index[std::size_t(r)] = TQSORT{group + LeftFixStr(k.USERCODE, 4), r};
        } else {
            index[std::size_t(r)] = TQSORT{twoDigits(k.GROUPM2, row.SUBREC), r};
        }
    }
    if (settlement && AccInf.DATATYPE == 1 && SystemDef.KessanTegataSousai == 1) {
        auto find = [&](TegataIndex t) {
            const auto& code = AccInf.TegataKCodes[std::size_t(t)];
            for (int i = FirstKamokuRow; i <= last && !code.empty(); ++i)
                if (rows[std::size_t(i)].Kamoku.KCODE == code)
                    return i;
            return -1;
        };
        const int anchor = find(TegataReceivable);
        const int discounted = find(TegataDiscounted);
        const int endorsed = find(TegataEndorsed);
        if (anchor >= 0) {
            if (discounted >= 0 && discounted != anchor && inRows(48, rowHigh, rows))
                pcTokuteiKamokuMove(rows, index, anchor, discounted, 48);
            if (endorsed >= 0 && endorsed != discounted && endorsed != anchor &&
                inRows(49, rowHigh, rows))
                pcTokuteiKamokuMove(rows, index, anchor, endorsed, 49);
        }
    }
    return last;
}

// The statement line labels of the settlement layout.
void labelKessan(std::vector<TBALANCE>& rows, std::vector<TQSORT>& index, int kind)
{
    struct Label {
        int position; // -46 is the fixed row 46
        const char* code;
    };
    static constexpr Label kLabels[] = {
        {9, "110/"},  {17, "140-"}, {11, "140/"}, {13, "160/"}, {15, "170/"}, {19, "180/"},
        {23, "210/"}, {25, "220/"}, {27, "230/"}, {48, "310/"}, {37, "320/"}, {35, "322/"},
        {43, "330/"}, {41, "332/"}, {50, "350/"}, {52, "360/"}, {65, "410/"}, {69, "510/"},
        {83, "610/"}, {96, "710/"}, {98, "720/"}, {102, "810/"}, {104, "820/"}, {71, "551/"},
        {73, "560/"}, {-46, "565/"}, {75, "570/"},
    };
    auto rowOf = [](int position) { return position == -46 ? 46 : gokeiRow(position); };
    auto row = [&](int position) -> TBALANCE& { return rows[std::size_t(rowOf(position))]; };

    if (kind == 10 || kind == 30) {
        for (const auto& l : kLabels) {
            if (kind == 30 && (l.position == 35 || l.position == 41))
                continue;
            index[std::size_t(rowOf(l.position))].Code = l.code;
        }
        if (kind == 10) {
            row(35).Kamoku.KNAME = "その他" + row(37).Kamoku.KNAME;
            row(41).Kamoku.KNAME = "その他" + row(43).Kamoku.KNAME;
        }
        row(71).Kamoku.KNAME = "【" + AccInf.GENKA_HWORD3 + "】";
        row(73).Kamoku.KNAME = "【" + AccInf.GENKA_HWORD4 + "】";
        row(-46).Kamoku.KNAME = "【" + AccInf.GENKA_HWORD6 + "】";
        row(75).Kamoku.KNAME = "【" + AccInf.GENKA_HWORD5 + "】";
        if (kind == 10) {
            const std::pair<int, const char*> groups[] = {{35, "3270"}, {41, "3330"}, {52, "3680"}};
            for (const auto& [position, group] : groups) {
                auto& r = row(position);
                r.Kamoku.GROUPM1 = group;
                r.Kamoku.GROUPM2 = group;
                r.Kamoku.BSPL = "B";
                r.Flag = 0;
            }
        }
    }
    if (kind == 20) {
        row(71).Kamoku.KNAME = AccInf.TotalNames[1]; // 5580
        row(73).Kamoku.KNAME = AccInf.TotalNames[2]; // 5680
        row(-46).Kamoku.KNAME = AccInf.TotalName5;   // 5688
        row(75).Kamoku.KNAME = AccInf.TotalNames[3]; // 5780
        index[std::size_t(rowOf(52))].Code = "3680";
        auto& r = row(52);
        r.Kamoku.GROUPM1 = "3680";
        r.Kamoku.GROUPM2 = "3680";
        r.Kamoku.BSPL = "B";
        r.Flag = 0;
    }
}

// Clears the A4/A3 line names that only repeat the name of the one account behind the line.
void clearExtraNames(firebird::Transaction& tx, const std::string& table, const std::string& column)
{
    const std::string shared = "SELECT " + column + " FROM KAMOKUMST GROUP BY " + column
                               + " HAVING COUNT(*)>1";
    const std::string single = "SELECT " + column + " FROM KAMOKUMST WHERE USE=1 GROUP BY "
                               + column + " HAVING COUNT(*)=1";
    firebird::Statement first(
        tx, "UPDATE " + table + " SET KNAME1='' WHERE REC IN (SELECT " + column
                + " FROM KAMOKUMST WHERE USE=1 AND " + column + " IN (" + shared + ") GROUP BY "
                + column + " HAVING COUNT(*)=1) AND KNAME1 IN (SELECT KNAME FROM KAMOKUMST WHERE USE=1 AND "
                + column + " IN (" + shared + "))");
    first.execute();
    firebird::Statement second(
        tx, "UPDATE " + table + " SET KNAME1='' WHERE REC IN (" + single
                + ") AND KNAME1 IN (SELECT KNAME FROM KAMOKUMST WHERE USE=1 AND " + column
                + " IN (" + single + "))");
    second.execute();
}

} // namespace

void setSisanhyouTransactions(firebird::Transaction& snapshot, firebird::Transaction& standard)
{
    g_snapshot = &snapshot;
    g_standard = &standard;
}

void clearSisanhyouTransactions()
{
    g_snapshot = nullptr;
    g_standard = nullptr;
}

int fnSisanhyouMaxRow()
{
    return AccInf.IsMedical ? 700 : 500;
}

void pcBalanceClear(TBALANCE& row)
{
    auto hojo = std::move(row.HojoUtiwake);
    row = TBALANCE{};
    row.HojoUtiwake = std::move(hojo);
}

void pcSisanhyouClear(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                      int indexHigh)
{
    for (int i = 0; i <= indexHigh && std::size_t(i) < index.size(); ++i) {
        if (inRows(i, rowHigh, rows))
            pcBalanceClear(rows[std::size_t(i)]);
        index[std::size_t(i)] = TQSORT{kSisanhyouUnusedCode, i};
    }
}

bool pcSisanhyouRead(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                     int indexHigh, int statement, int tax, int jigyou, int zenTax)
{
    if (AccInf.IsMedical)
        return pcSisanhyouReadMedical(rows, rowHigh, index, indexHigh, "", "", tax, 0, 3, 1, 0,
                                      jigyou);
    return pcSisanhyouReadGeneral(rows, rowHigh, index, indexHigh, "dummy", "dummy", tax,
                                  statement * 10, 4, 1, 0, zenTax);
}

bool pcSisanhyouReadGeneral(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                            int indexHigh, const std::string& branchCode,
                            const std::string& bumonCode, int tax, int kind, int layout,
                            int keskubun, int haibun, int zenTax)
{
    firebird::Transaction* snapshot = snapshotTransaction();
    if (snapshot == nullptr)
        throw std::logic_error("trial balance: no company database");
    // Never past either array, whatever the caller passed.
    rowHigh = std::min(rowHigh, int(rows.size()) - 1);
    indexHigh = std::min(indexHigh, int(index.size()) - 1);
    if (rowHigh < FirstKamokuRow || indexHigh < FirstKamokuRow)
        throw std::invalid_argument("trial balance: arrays too short");

    auto& tx = *snapshot;
    // A snapshot the caller holds open is joined: its other reads then see the same data.
    std::optional<firebird::StartedHere> own;
    try {
        own.emplace(tx);
        pcSisanhyouClear(rows, rowHigh, index, indexHigh);
        // The clearing keeps the sub-accounts; a new load adds onto none of an earlier load's.
        for (int r = 0; r <= rowHigh; ++r)
            rows[std::size_t(r)].HojoUtiwake.clear();
        pcGokeiNameRead(tx, rows, rowHigh, index, indexHigh, kind, keskubun,
                        kind == 3 || kind == 4);
        int lastRow = FirstKamokuRow - 1;
        if (layout == 0 || layout == 1 || layout == 2) {
            if (layout == 0) {
                index[std::size_t(gokeiRow(67))].Code = kSisanhyouUnusedCode;
                index[std::size_t(gokeiRow(69))].Code = "5882";
                if (AccInf.GENKA_USE == 0)
                    index[std::size_t(gokeiRow(79))].Code = kSisanhyouUnusedCode;
            } else if (layout == 1) {
                clearExtraNames(tx, "EXTERA4", "EXT1_A4");
            } else {
                clearExtraNames(tx, "EXTERA3", "EXT1_A3");
            }
            struct Procedures {
                const char* gokei;  // kind 0 with a department code
                const char* whole;  // kind 0
                const char* group;  // kind 1
                const char* branch; // kind 2
                const char* bumon;  // kind 3
                const char* each;   // kind 4, per department
            };
            static constexpr Procedures kProcedures[] = {
                {"SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE ) ",
                 "SELECT * From SP_SISANHYO( :TAX, '' ,'' ) ",
                 "SELECT * From SP_SISANHYO( :TAX, '' , :SITENGROUP ) ",
                 "SELECT * From SP_SISANHYO( :TAX, :SCODE ,''  ) ",
                 "SELECT * From SP_SISANHYO_BUMON(  :TAX, :HAIBUN,  :SCODE, :BCODE ) ",
                 "SELECT * FROM SP_SISANHYO_BUMON( :TAX, :HAIBUN,  :SCODE, :BCODE) "},
                {"SELECT * From SP_Sisanhyo_BumonGokei_A4( :TAX, :BCODE ) ",
                 "SELECT * From SP_SISANHYO_A4( :TAX, '' , '' ) ",
                 "SELECT * From SP_SISANHYO_A4( :TAX, '' ,:SITENGROUP ) ",
                 "SELECT * From SP_SISANHYO_A4( :TAX, :SCODE , '' ) ",
                 "SELECT * From SP_SISANHYO_BUMON_A4( :TAX, :HAIBUN, :SCODE, :BCODE ) ",
                 "SELECT * From SP_SISANHYO_BUMON_A4( :TAX, :HAIBUN,  :SCODE, :BCODE) "},
                {"SELECT * From SP_Sisanhyo_BumonGokei_A3( :TAX, :BCODE ) ",
                 "SELECT * From SP_SISANHYO_A3(:TAX, '', '' ) ",
                 "SELECT * From SP_SISANHYO_A3(:TAX, '', :SITENGROUP) ",
                 "SELECT * From SP_SISANHYO_A3(:TAX, :SCODE , '' ) ",
                 "SELECT * From SP_SISANHYO_BUMON_A3( :TAX, :HAIBUN, :SCODE, :BCODE ) ",
                 "SELECT * From SP_SISANHYO_BUMON_A3( :TAX, :HAIBUN, :SCODE, :BCODE ) "},
            };
            const auto& sql = kProcedures[std::size_t(layout)];
            auto fill = [&](firebird::Statement& q) {
                lastRow = std::max(lastRow,
                                   pcSisanhyouFill(q, rows, rowHigh, index, indexHigh, kind, layout));
            };
            const bool bumonGiven =
                bumonCode.find_first_not_of(" \t") != std::string::npos;
            switch (kind) {
            case 0: {
                firebird::Statement q(tx, bumonGiven ? sql.gokei : sql.whole);
                q.setInt("TAX", tax);
                if (bumonGiven)
                    q.setString("BCODE", bumonCode);
                fill(q);
                break;
            }
            case 1: {
                firebird::Statement q(tx, sql.group);
                q.setInt("TAX", tax);
                q.setString("SITENGROUP", branchCode);
                fill(q);
                break;
            }
            case 2: {
                firebird::Statement q(tx, sql.branch);
                q.setInt("TAX", tax);
                q.setString("SCODE", branchCode);
                fill(q);
                break;
            }
            case 3: {
                firebird::Statement q(tx, sql.bumon);
                q.setInt("TAX", tax);
                q.setInt("HAIBUN", haibun);
                q.setString("SCODE", branchCode);
                q.setString("BCODE", bumonCode);
                fill(q);
                break;
            }
            case 4: {
                std::vector<std::string> bumons;
                firebird::Statement g(tx, "SELECT BCODE FROM GROUPLIST WHERE GCODE=:GCODE");
                g.setString("GCODE", bumonCode);
                auto gc = g.open();
                while (gc.fetch())
                    bumons.push_back(gc.getString("BCODE"));
                gc.close();
                for (const auto& bumon : bumons) {
                    firebird::Statement q(tx, sql.each);
                    q.setInt("TAX", tax);
                    q.setInt("HAIBUN", haibun);
                    q.setString("SCODE", branchCode);
                    q.setString("BCODE", bumon);
                    fill(q);
                }
                break;
            }
            default:
                break;
            }
        } else if (layout == 4) {
            firebird::Statement q(tx, "SELECT * FROM SP_SISANHYO_KESSAN( :TAX , :ZENTAX ) ");
            q.setInt("TAX", tax);
            q.setInt("ZENTAX", zenTax >= 1 ? 1 : -1);
            lastRow = pcSisanhyouFill(q, rows, rowHigh, index, indexHigh, kind);
            labelKessan(rows, index, kind);
        }
        KikanNetTable.fill(0);
        if (AccInf.DATATYPE == 1) {
            for (int r = 0; r <= rowHigh; ++r) {
                if (rows[std::size_t(r)].Kamoku.GROUPM2 == KamokuGroupTable[38]) {
                    for (int p = 1; p <= 16; ++p)
                        KikanNetTable[std::size_t(p)] =
                            rows[std::size_t(r)].Net[std::size_t(kOpening + p)];
                    break;
                }
            }
        }
        QSortByCode(index, 0, std::max(lastRow, FirstKamokuRow - 1));
        own->commit();
        return true;
    } catch (const std::exception& e) {
        if (own)
            own->rollback();
        reportLoadError(e);
        return false;
    }
}

void pcGokeiAdd(TBALANCE& total, const TBALANCE& account)
{
    const int t = account.Kamoku.TAISHAKU;
    total.LineCount += 1;
    total.RangeDebit += account.RangeDebit;
    total.RangeCredit += account.RangeCredit;
    total.Kamoku.TAISHAKU = t;
    if (t == 1 || t == 3) {
        total.RangeOpening += account.RangeOpening;
        total.RangeClosing += account.RangeClosing;
        total.PriorYear += account.PriorYear;
    } else if (t == 2 || t == 4) {
        total.RangeOpening -= account.RangeOpening;
        total.RangeClosing -= account.RangeClosing;
        total.PriorYear -= account.PriorYear;
    }
}

std::string fnGokeiName(firebird::Transaction& transaction, const std::string& group,
                        const std::string& defaultName, Currency amount)
{
    firebird::Statement q(transaction,
                          "SELECT PLUSNAME,MINUSNAME,MODIFY FROM ACCTOTALNAME WHERE (KGROUP=:KGROUP)");
    q.setString("KGROUP", group);
    auto c = q.open();
    if (!c.fetch())
        return defaultName;
    if (!c.isNull("MODIFY") && c.getInt("MODIFY") == 1) {
        std::string name = amount >= 0 ? c.getString("PLUSNAME") : c.getString("MINUSNAME");
        if (SystemDef.KingakuPlus == 1)
            name += "金額";
        return name;
    }
    return c.getString("PLUSNAME");
}

void pcKikanZandakaCalcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                         int from, int to, int jigyou)
{
    if (AccInf.IsMedical) {
        pcMbKikanZandakaCalcu(rows, rowHigh, zeroStart, kind, from, to, jigyou);
        return;
    }
    pcBalanceSheet_Calcu(rows, rowHigh, zeroStart, kind, from, to);
}

void pcBalanceSheet_Calcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                          int from, int to)
{
    rowHigh = std::min(rowHigh, int(rows.size()) - 1);
    if (from < 1 && kind == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "期間番号は「1～16」です。 [%d-%d]", from, to);
        platform::messageBox(text, "", platform::MB_ICONERROR | platform::MB_OK);
    }
    switch (kind) {
    case 1: from = 1; to = 4; break;
    case 2: from = 5; to = 8; break;
    case 3: from = 9; to = 12; break;
    case 4: from = 13; to = 16; break;
    case 5: from = 1; to = 8; break;
    case 6: from = 9; to = 16; break;
    default: break;
    }
    // Periods outside 1..16 would leave the period arrays.
    auto slot = [](int p) { return std::size_t(std::clamp(p, -kOpening, 51 - kOpening) + kOpening); };

    for (int r = 0; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        for (auto f : kAllFields)
            row.*f = 0;
        row.CompositionRatio = 0;
        for (auto& h : row.HojoUtiwake) {
            h.RangeOpening = h.RangeDebit = h.RangeCredit = h.RangeClosing = 0;
        }
    }
    if (rowHigh < FirstKamokuRow)
        return;

    for (int r = FirstKamokuRow; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        row.RangeOpening = zeroStart == 1 ? 0 : row.KAISIZAN;
        for (auto& h : row.HojoUtiwake)
            h.RangeOpening = zeroStart == 1 ? 0 : h.Opening;
        for (int p = 1; p <= from - 1; ++p) {
            row.RangeOpening += row.Net[slot(p)];
            for (auto& h : row.HojoUtiwake)
                h.RangeOpening += h.Net[slot(p)];
        }
        for (int p = from; p <= to; ++p) {
            row.RangeDebit += row.Debit[slot(p)];
            row.RangeCredit += row.Credit[slot(p)];
            for (auto& h : row.HojoUtiwake) {
                h.RangeDebit += h.Debit[slot(p)];
                h.RangeCredit += h.Credit[slot(p)];
            }
        }
        if (kind == -1 || kind == 0 || kind == 1 || kind == 5 || row.Kamoku.BSPL != "P") {
            row.PriorYear = row.Balance[slot(to - 16)];
        } else {
            for (int p = from; p <= to; ++p)
                row.PriorYear += row.Net[slot(p - 16)];
        }
    }

    if (kind == 2 || kind == 3 || kind == 4 || kind == 6 || kind == 7) {
        const bool clear = kind != 7 || (AccInf.KAISINO == 1 && from > 1)
                           || (AccInf.KAISINO != 1 && AccInf.KAISINO < from);
        if (clear)
            for (int r = FirstKamokuRow; r <= rowHigh; ++r)
                if (rows[std::size_t(r)].Kamoku.BSPL == "P")
                    rows[std::size_t(r)].RangeOpening = 0;
    }

    for (int r = FirstKamokuRow; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        const int t = row.Kamoku.TAISHAKU;
        row.RangeClosing = row.RangeOpening + netOf(t, row.RangeDebit, row.RangeCredit);
        for (auto& h : row.HojoUtiwake) {
            h.RangeClosing = h.RangeOpening + netOf(t, h.RangeDebit, h.RangeCredit);
            h.CompositionRatio = 0;
            if (row.RangeClosing != 0) {
                const double v = double(h.RangeClosing) / double(row.RangeClosing) * 1000.0;
                const Currency rounded = fnHasuuRound(1, Currency(std::llround(v * kCurrencyUnit)));
                h.CompositionRatio = rounded / 10;
            }
        }
    }

    int retained = -1;
    for (int r = FirstKamokuRow; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        if (row.Kamoku.GROUPM2 == "3340") {
            row.RangeOpening = row.RangeClosing = row.PriorYear = 0;
            retained = r;
        }
    }

    struct GroupRange {
        const char* low;
        const char* high;
        int position; // -46: the fixed row 46
    };
    static constexpr GroupRange kRanges[] = {
        {"1000", "1120", 1},   {"1120", "1180", 3},   {"1180", "1280", 5},   {"1280", "1380", 7},
        {"1380", "1390", 9},   {"1390", "1580", 11},  {"1580", "1680", 13},  {"1680", "1780", 15},
        {"1780", "1790", 17},  {"1790", "1880", 19},  {"1880", "1900", 21},  {"1900", "2180", 23},
        {"2180", "2280", 25},  {"2280", "2380", 27},  {"2380", "2800", 29},  {"2800", "3180", 31},
        {"3180", "3210", 33},  {"3210", "3270", 35},  {"3270", "3280", 37},  {"3280", "3310", 39},
        {"3310", "3330", 41},  {"3380", "3480", 48},  {"3480", "3580", 50},  {"3580", "3680", 52},
        {"3680", "3800", 54},  {"3800", "3900", 56},  {"3900", "4800", 65},  {"4800", "5250", 67},
        {"5250", "5400", 69},  {"5400", "5580", 71},  {"5580", "5680", 73},  {"5680", "5688", -46},
        {"5688", "5780", 75},  {"5780", "5830", 77},  {"5800", "5900", 81},  {"5900", "6180", 83},
        {"6180", "6200", 85},  {"6200", "7180", 96},  {"7180", "7280", 98},  {"7280", "7300", 100},
        {"7300", "8180", 102}, {"8180", "8280", 104}, {"8280", "8290", 106}, {"8290", "8400", 109},
    };
    auto rowOf = [](int position) { return position == -46 ? 46 : gokeiRow(position); };
    auto p = [&](int position) -> TBALANCE& { return rows[std::size_t(rowOf(position))]; };

    for (int r = FirstKamokuRow; r <= rowHigh; ++r) {
        const auto& g = rows[std::size_t(r)].Kamoku.GROUPM2;
        for (const auto& range : kRanges) {
            if (g > range.low && g < range.high) {
                pcGokeiAdd(p(range.position), rows[std::size_t(r)]);
                break;
            }
        }
    }

    if (SystemDef.KessanTegataSousai == 1) {
        for (int r : {48, 49})
            if (r <= rowHigh)
                rows[std::size_t(r)].RangeClosing = rows[std::size_t(r)].Balance[slot(to)];
    }

    auto setSum = [&](auto fields, int target, std::initializer_list<int> plus,
                      std::initializer_list<int> minus = {}) {
        for (auto f : fields) {
            Currency v = 0;
            for (int a : plus)
                v += p(a).*f;
            for (int m : minus)
                v -= p(m).*f;
            p(target).*f = v;
        }
    };
    auto all = std::span(kAllFields);
    auto bal = std::span(kBalanceFields);

    setSum(all, 3, {3, 1});
    setSum(all, 9, {3, 5, 7});
    setSum(all, 17, {11, 13, 15});
    setSum(all, 21, {9, 17, 19});
    setSum(all, 29, {23, 25, 27});
    setSum(all, 37, {33, 35});
    if (AccInf.DATATYPE == 1) {
        if (retained >= 0) {
            auto& re = rows[std::size_t(retained)];
            for (auto f : bal)
                re.*f = p(21).*f
                        - (p(29).*f + p(31).*f + p(37).*f + p(39).*f + p(41).*f + p(48).*f
                           + p(50).*f + p(52).*f);
            re.RangeCredit = re.RangeClosing - re.RangeOpening + re.RangeDebit;
            for (auto f : all)
                p(41).*f += re.*f;
        }
        setSum(all, 43, {39, 41});
        setSum(all, 48, {48, 31, 37, 43});
        setSum(all, 54, {48, 50, 52});
    } else {
        setSum(all, 43, {39, 41});
        setSum(bal, 48, {21}, {29, 31, 37, 43});
        p(48).RangeCredit = p(48).RangeClosing - p(48).RangeOpening;
        setSum(all, 54, {31, 37, 43, 48});
    }
    setSum(all, 56, {29, 54});
    setSum(all, 79, {71, 73, -46, 75, 77});
    setSum(all, 69, {67, 79, 69});
    auto profit = [&](int target, std::initializer_list<int> plus, std::initializer_list<int> minus) {
        setSum(bal, target, plus, minus);
        p(target).RangeCredit = p(target).RangeClosing - p(target).RangeOpening;
    };
    profit(81, {65}, {69});
    profit(85, {81}, {83});
    profit(100, {85, 96}, {98});
    profit(106, {100, 102}, {104});
    profit(109, {106}, {109});

    if (firebird::Transaction* standard = standardTransaction()) {
        auto& tx = *standard;
        const bool startedHere = !tx.inTransaction();
        try {
            if (startedHere)
                tx.start();
            for (int position : {81, 85, 100, 106, 109}) {
                auto& k = p(position).Kamoku;
                k.KNAME = fnGokeiName(tx, k.GROUPM2, k.KNAME, p(position).RangeClosing);
            }
            if (startedHere)
                tx.commit();
        } catch (const std::exception& e) {
            if (startedHere && tx.inTransaction()) {
                try {
                    tx.rollback();
                } catch (...) {
                }
            }
            if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
                platform::messageBox(db->message(), "pcBalanceSheet_Calcu",
                                     platform::MB_ICONERROR | platform::MB_OK);
            throw;
        }
    }

    const Currency base21 = p(21).RangeClosing;
    const Currency base56 = p(56).RangeClosing;
    const Currency base65 = p(65).RangeClosing;
    for (int r = 0; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        const auto& g = row.Kamoku.GROUPM2;
        Currency base = 0;
        if (g > "1000" && g < "1900")
            base = base21;
        else if (g > "2000" && g < "3900")
            base = base56;
        else if (g > "4000" && g <= "8400")
            base = base65;
        else
            continue;
        if (base == 0)
            continue;
        const Currency ratio = fnPercentOf(double(row.RangeClosing) / double(base));
        row.CompositionRatio =
            (ratio > 9999 * kCurrencyUnit || ratio < -999 * kCurrencyUnit) ? 0 : ratio;
    }
    for (int position : {21, 56, 65})
        p(position).CompositionRatio = 100 * kCurrencyUnit;

    if (AccInf.KAISINO > 1 && (kind == -1 || kind == 7)) {
        for (int position : {21, 29, 31, 33, 35, 37, 39, 41, 48, 50, 52, 54, 56})
            p(position).RangeOpening = 0;
        static constexpr GroupRange kBsRanges[] = {
            {"1000", "1900", 21}, {"1900", "2800", 29}, {"2800", "3180", 31}, {"3180", "3210", 33},
            {"3210", "3270", 35}, {"3270", "3280", 37}, {"3280", "3310", 39}, {"3310", "3330", 41},
            {"3380", "3480", 48}, {"3480", "3580", 50}, {"3580", "3680", 52}, {"3680", "3800", 54},
        };
        int a = -1, b = -1, c = -1;
        for (int r = FirstKamokuRow; r <= rowHigh; ++r) {
            auto& row = rows[std::size_t(r)];
            const auto& g = row.Kamoku.GROUPM2;
            if (!(g > "1000" && g < "3800"))
                continue;
            row.RangeOpening = row.StartMonthBalance;
            for (const auto& range : kBsRanges) {
                if (g > range.low && g < range.high) {
                    p(range.position).RangeOpening +=
                        signedForTotal(row.Kamoku.TAISHAKU, row.StartMonthBalance);
                    break;
                }
            }
            if (row.Kamoku.GROUPM1 == "1100" && row.SUBREC == 24)
                a = r;
            if (row.Kamoku.GROUPM1 == "2100" && row.SUBREC == 22)
                b = r;
            if (row.Kamoku.GROUPM1 == "2100" && row.SUBREC == 23)
                c = r;
        }
        if (AccInf.DATATYPE == 2 && a >= 0 && b >= 0 && c >= 0) {
            const Currency d = p(21).RangeOpening - (p(29).RangeOpening + p(31).RangeOpening);
            auto& A = rows[std::size_t(a)];
            auto& B = rows[std::size_t(b)];
            auto& C = rows[std::size_t(c)];
            C.RangeOpening = B.RangeOpening - A.RangeOpening + C.RangeOpening + d;
            A.RangeOpening = 0;
            B.RangeOpening = 0;
        } else if (AccInf.DATATYPE == 1) {
            p(37).RangeOpening = p(33).RangeOpening + p(35).RangeOpening;
            if (retained >= 0) {
                auto& re = rows[std::size_t(retained)];
                re.RangeOpening = p(21).RangeOpening
                                  - (p(29).RangeOpening + p(31).RangeOpening + p(37).RangeOpening
                                     + p(39).RangeOpening + p(41).RangeOpening
                                     + p(48).RangeOpening + p(50).RangeOpening
                                     + p(52).RangeOpening);
                p(41).RangeOpening += re.RangeOpening;
                p(109).RangeCredit = re.RangeClosing - re.RangeOpening;
            }
            p(43).RangeOpening = p(39).RangeOpening + p(41).RangeOpening;
            p(48).RangeOpening = p(48).RangeOpening + p(31).RangeOpening + p(37).RangeOpening
                                 + p(43).RangeOpening;
            p(54).RangeOpening = p(48).RangeOpening + p(50).RangeOpening + p(52).RangeOpening;
            KikanNetTable.fill(0);
        }
    }
}
