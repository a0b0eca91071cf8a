#include "balance/MedicalTrialBalance.h"

#include "accounting/AccountingPeriods.h"
#include "accounting/AmountRounding.h"
#include "accounting/LayoutTables.h"
#include "balance/BalanceRows_p.h"
#include "balance/TrialBalance.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/TextRoutines.h"
#include "platform/MessageService.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

using platform::Currency;
using platform::kCurrencyUnit;

namespace {

using balance_detail::kOpening;
using balance_detail::netOf;
using balance_detail::twoDigits;

constexpr int kTotalLines = 53;
constexpr int kFacilityColumns = 17; // layout 4: period-array slots 32..48, one per facility
constexpr const char* kProfitGroups[] = {"3480", "6950", "7300", "8300", "9280", "9380", "9600"};

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool blankText(const std::string& s)
{
    return s.find_first_not_of(" \t") == std::string::npos;
}

// Divisions 2 and 4 carry their account groups in the third group text.
bool usesRGroups(int division)
{
    return division == 2 || division == 4;
}

// The total line (1..53) an account of this group goes into: the first line in row order whose
// group lies above it while the previous line's group lies below it; 0 for none.
int mbTotalLineOf(const std::vector<TBALANCE>& rows, int lastLine, const std::string& group,
                  const std::string& (*groupOf)(const TBALANCE&))
{
    std::string previous = "1000";
    for (int line = 1; line <= lastLine; ++line) {
        const auto& lg = groupOf(rows[std::size_t(line)]);
        if (lg.empty())
            continue;
        if (group > previous && group < lg)
            return line;
        previous = lg;
    }
    return 0;
}

const std::string& firstGroup(const TBALANCE& row)
{
    return row.Kamoku.GROUPM1;
}

const std::string& thirdGroup(const TBALANCE& row)
{
    return row.Kamoku.GroupText3;
}

// The sums of the total lines, in this order. A line with minus rows is a difference.
struct MbTotalLine {
    int target;
    std::vector<int> plus;
    std::vector<int> minus;
    bool difference;
};
const MbTotalLine kMbTotalLines[] = {
    {2, {2, 1}, {}, false},
    {5, {2, 3, 4}, {}, false},
    {9, {6, 7, 8}, {}, false},
    {11, {5, 9, 10}, {}, false},
    {14, {12, 13}, {}, false},
    {19, {11}, {14, 15, 16, 17, 18, 22}, true},
    {21, {18, 19}, {}, false},
    {23, {15, 16, 17, 21, 22}, {}, false},
    {24, {14, 23}, {}, false},
    {26, {26, 25}, {}, false},
    {28, {28, 27}, {}, false},
    {30, {30, 29}, {}, false},
    {32, {26, 28, 30, 31}, {}, false},
    {41, {33, 34, 35, 36, 37, 38, 39, 40}, {}, false},
    {42, {32}, {41}, true},
    {45, {42, 43}, {44}, true},
    {48, {45, 46}, {47}, true},
    {49, {48}, {49}, true},
    {50, {49, 50}, {}, true},
    {53, {50, 51}, {52}, true},
};

// Applies the total-line sums to the amounts that value() gives of a row: a plain sum to every
// amount of sums, a difference to every amount of differences (then afterDifference(row)), and
// row 54 = 49 - 45 - 46 to every amount of row54. Needs rows up to 54.
template <class Value, class After>
void mbTotalLineSums(std::vector<TBALANCE>& rows, const std::vector<Value>& sums,
                     const std::vector<Value>& differences, const std::vector<Value>& row54,
                     After afterDifference)
{
    auto at = [&](int r) -> TBALANCE& { return rows[std::size_t(r)]; };
    for (const auto& line : kMbTotalLines) {
        for (const auto& value : line.difference ? differences : sums) {
            Currency v = 0;
            for (int a : line.plus)
                v += value(at(a));
            for (int m : line.minus)
                v -= value(at(m));
            value(at(line.target)) = v;
        }
        if (line.difference)
            afterDifference(at(line.target));
    }
    for (const auto& value : row54)
        value(at(54)) = value(at(49)) - value(at(45)) - value(at(46));
}

// Layout 4: the total lines of every facility column of the net and running-balance arrays,
// summed from the accounts (rows 61..lastRow) as the period sums sum their range amounts.
void mbFacilityColumnTotals(std::vector<TBALANCE>& rows, int rowHigh, int lastRow)
{
    if (rowHigh < 54)
        return;
    const int lastLine = std::min(kTotalLines, rowHigh);
    for (int r = kMbFirstKamokuRow; r <= std::min(lastRow, rowHigh); ++r) {
        const auto& account = rows[std::size_t(r)];
        const int t = account.Kamoku.TAISHAKU;
        const int sign = (t == 1 || t == 3) ? 1 : (t == 2 || t == 4) ? -1 : 0;
        if (sign == 0 || account.Kamoku.GROUPM1.empty())
            continue;
        const int line = mbTotalLineOf(rows, lastLine, account.Kamoku.GROUPM1, firstGroup);
        if (line == 0)
            continue;
        auto& total = rows[std::size_t(line)];
        for (int col = 0; col < kFacilityColumns; ++col) {
            const auto i = std::size_t(kOpening + col);
            total.Net[i] += sign * account.Net[i];
            total.Balance[i] += sign * account.Balance[i];
        }
    }
    using Value = std::function<Currency&(TBALANCE&)>;
    std::vector<Value> columns;
    for (int col = 0; col < kFacilityColumns; ++col) {
        const auto i = std::size_t(kOpening + col);
        columns.push_back([i](TBALANCE& row) -> Currency& { return row.Net[i]; });
        columns.push_back([i](TBALANCE& row) -> Currency& { return row.Balance[i]; });
    }
    mbTotalLineSums(rows, columns, columns, columns, [](TBALANCE&) {});
}

// The fund setting of the report settings (法人概要/基金), stored with its default when missing.
bool fundFlag(firebird::Transaction& tx)
{
    firebird::Statement q(tx, "SELECT MDTEXT1 FROM MSD_HOUKOKU WHERE MDGROUP=:MDGROUP AND MDCODE=:MDCODE ");
    q.setString("MDGROUP", "法人概要");
    q.setString("MDCODE", "基金");
    auto c = q.open();
    if (c.fetch())
        return !c.isNull("MDTEXT1") && c.getString("MDTEXT1") == "有";
    firebird::Statement ins(tx, "INSERT INTO MSD_HOUKOKU(MDGROUP,MDCODE,MDTYPE,MDTEXT1) "
                                "VALUES(:MDGROUP,:MDCODE,:MDTYPE,:MDTEXT1)");
    ins.setString("MDGROUP", "法人概要");
    ins.setString("MDCODE", "基金");
    ins.setString("MDTYPE", "文字");
    ins.setString("MDTEXT1", "無");
    ins.execute();
    return false;
}

int countSisetu(firebird::Transaction& tx, int division, const std::string* groupCode)
{
    std::string sql = "SELECT COUNT(*) AS CNT FROM SISETUMST WHERE MB_JIGYOU=:JIGYOU";
    if (groupCode != nullptr)
        sql += " AND (SCODE IN ( SELECT G.SCODE FROM SISETUGROUPLIST G WHERE G.GCODE=:GCODE )) ";
    firebird::Statement q(tx, sql);
    q.setInt("JIGYOU", division);
    if (groupCode != nullptr)
        q.setString("GCODE", *groupCode);
    auto c = q.open();
    return c.fetch() ? int(c.getInt("CNT")) : 0;
}

// Rows of one procedure result from row 61 on; returns the last row filled.
int fillMedical(firebird::Statement& q, std::vector<TBALANCE>& rows, int rowHigh,
                std::vector<TQSORT>& index, int indexHigh, int layout, int jigyou, bool fund)
{
    auto c = q.open();
    int r = kMbFirstKamokuRow - 1;
    int last = r;
    TBALANCE* owner = nullptr; // the account whose sub-account lines may follow (layout 0)
    std::string ownerCode;
    std::size_t hojo = 0;
    while (c.fetch()) {
        if (layout == 0 && owner != nullptr && c.getString("KCODE") == ownerCode) {
            balance_detail::addSubAccountLine(c, *owner, hojo++);
            continue;
        }
        owner = nullptr;
        ++r;
        if (r >= rowHigh || r > indexHigh)
            continue;
        last = r;
        auto& row = rows[std::size_t(r)];
        auto& k = row.Kamoku;
        if (layout == 3 || layout == 4) {
            const std::string g = c.getString("GROUPM3");
            k.GROUPM1 = k.GROUPM2 = k.GroupText3 = k.GroupText4 = g;
        } else if (usesRGroups(jigyou)) {
            k.GROUPM1 = k.GroupText3 = c.getString("GROUPR1");
            k.GROUPM2 = k.GroupText4 = c.getString("GROUPR2");
        } else {
            k.GROUPM1 = k.GroupText3 = c.getString("GROUPM1");
            k.GROUPM2 = k.GroupText4 = c.getString("GROUPM2");
        }
        k.USERCODE = c.getString("USERCODE");
        k.KCODE = c.getString("KCODE");
        k.KNAME = c.getString("KNAME");
        if (fund && k.GROUPM1 == "3110" && k.KNAME == "資本金")
            k.KNAME = "基金";
        k.BSPL = c.getString("BSPL");
        k.TAISHAKU = c.isNull("TAISHAKU") ? 0 : int(c.getInt("TAISHAKU"));
        if (layout == 0) {
            row.HojoCount = c.isNull("HOJCNT") ? 0 : int(c.getInt("HOJCNT"));
            if (row.HojoCount >= 1) {
                owner = &row;
                ownerCode = k.KCODE;
                hojo = 0;
            }
        } else {
            row.MSTREC = c.isNull("MSTREC") ? 0 : int(c.getInt("MSTREC"));
            row.SUBREC = c.isNull("SUBREC") ? 0 : int(c.getInt("SUBREC"));
        }
        // Added onto what the row holds: a department group writes each department over the same rows.
        balance_detail::addAccountAmounts(c, row);
        const std::string group = (fund && k.GROUPM1 == "3110") ? "3610" : k.GROUPM1;
        if (layout == 0)
            index[std::size_t(r)] = TQSORT{group + LeftFixStr(k.USERCODE, 4), r};
        else
            index[std::size_t(r)] = TQSORT{twoDigits(group, row.SUBREC), r};
    }
    return last;
}

void reportLoadError(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
        HandleDbError(*db, "試算表読込", "試算表の読込に失敗しました。", true);
    else if (dynamic_cast<const firebird::UsageError*>(&e) != nullptr)
        ShowCommaMessage(std::string("試算表読込,") + e.what(), 1);
    else
        throw;
}

// Binds the parameters a statement text names.
void bind(firebird::Statement& q, const std::string& sql, int tax, int jigyou, int haibun,
          const std::string& sisetu, const std::string& bumon)
{
    auto has = [&](const char* name) { return sql.find(name) != std::string::npos; };
    if (has(":TAX"))
        q.setInt("TAX", tax);
    if (has(":JIGYOU"))
        q.setInt("JIGYOU", jigyou);
    if (has(":HAIBUN"))
        q.setInt("HAIBUN", haibun);
    if (has(":SCODE"))
        q.setString("SCODE", sisetu);
    if (has(":GCODE"))
        q.setString("GCODE", sisetu);
    if (has(":BCODE"))
        q.setString("BCODE", bumon);
}

// The statement of a layout and scope; empty for a combination that reads nothing. eachBumon
// tells that it runs once per department of the facility's department group.
std::string statementOf(int layout, int scope, const std::string& bumon, bool& eachBumon)
{
    eachBumon = false;
    const bool dept = !blankText(bumon);
    switch (layout * 10 + scope) {
    case 0: return dept ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE, 0 ) "
                        : "SELECT * From SP_SISANHYO( '' ,:TAX,0 ) ";
    case 1: return dept ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI( :TAX, :BCODE, :JIGYOU ) "
                        : "SELECT * From SP_SISANHYO( '' ,:TAX ,:JIGYOU ) ";
    case 2: return "SELECT * From SP_SISANHYO_SISETU( :SCODE, :TAX ) ";
    case 3: return "SELECT * From SP_SISANHYO_BUMON( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
    case 4: eachBumon = true; return "SELECT * From SP_SISANHYO_BUMON( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
    case 5: return "SELECT * FROM SP_SISANHYO_GROUP( :GCODE ,:TAX) ";
    case 11: return dept ? "SELECT * FROM SP_SISANHYO_JIGYOBETUBUMON_A4( :TAX, :BCODE, :JIGYOU ) "
                         : "SELECT * From SP_SISANHYO_A4( '' , :TAX, :JIGYOU ) ";
    case 12: return "SELECT * From SP_SISANHYO_A4( :SCODE, :TAX ,0 ) ";
    case 13: return "SELECT * From SP_SISANHYO_BUMON_A4( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
    case 14: eachBumon = true; return "SELECT * From SP_SISANHYO_BUMON_A4(:SCODE, :BCODE ,:TAX, :HAIBUN ) ";
    case 21: return dept ? "SELECT * FROM SP_SISANHYO_JIGYOBETUBUMON_A3( :TAX, :BCODE, :JIGYOU )"
                         : "SELECT * From SP_SISANHYO_A3( '' ,:TAX,:JIGYOU  ) ";
    case 22: return "SELECT * From SP_SISANHYO_A3( :SCODE, :TAX, 0 ) ";
    case 23: return "SELECT * From SP_SISANHYO_BUMON_A3( :SCODE, :BCODE ,:TAX, :HAIBUN) ";
    case 24: eachBumon = true; return "SELECT * From SP_SISANHYO_BUMON_A3( :SCODE, :BCODE ,:TAX, :HAIBUN ) ";
    case 30: return dept ? "SELECT * FROM SP_SISANHYO_BUMONGOKEI_KS( :TAX ,:BCODE )"
                         : "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','' ,:TAX , 0, 0)";
    case 31: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','' ,:TAX ,:JIGYOU, 0) ";
    case 32: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( :SCODE, '', :TAX ,0, 0) ";
    case 35: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :GCODE ,:TAX ,0, 0) ";
    case 40: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '','',:TAX ,0 ,0 )";
    case 41: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :SCODE,:TAX ,:JIGYOU , 1 ) ";
    case 42: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( :SCODE,'' ,:TAX ,0, 1 ) ";
    case 45: return "SELECT * FROM SP_SISETUHIKAKU_SISANHYO( '', :SCODE ,:TAX ,0, 1) ";
    default: return {};
    }
}

} // namespace

int fnSisetuJigyou(firebird::Transaction& transaction, const std::string& sisetuCode)
{
    firebird::Statement q(transaction, "SELECT MB_JIGYOU FROM SISETUMST WHERE SCODE=:SCODE ");
    q.setString("SCODE", sisetuCode);
    auto c = q.open();
    if (!c.fetch() || c.isNull("MB_JIGYOU"))
        return 0;
    return int(c.getInt("MB_JIGYOU"));
}

void pcSisetuBumonList(firebird::Transaction& transaction, std::vector<std::string>& list,
                       const std::string& sisetuCode, const std::string& groupCode)
{
    firebird::Statement q(transaction,
                          "SELECT BCODE FROM GROUPLIST WHERE GCODE=:GCODE AND ( BCODE IN "
                          "(SELECT BCODE FROM SISETUBUM WHERE SCODE=:SCODE)) ");
    q.setString("GCODE", groupCode);
    q.setString("SCODE", sisetuCode);
    list.clear();
    auto c = q.open();
    while (c.fetch())
        list.push_back(c.getString("BCODE"));
}

void pcMbGokeiNameRead(firebird::Transaction& transaction, std::vector<TBALANCE>& rows,
                       std::vector<TQSORT>& index, int keskubun, int division)
{
    const bool fund = fundFlag(transaction);
    int bit = 16;
    if (division == 1 || division == 2 || division == 4 || division == 8)
        bit = division;
    firebird::Statement q(transaction,
                          "SELECT * FROM ACCTOTALNAME WHERE :BIT=BIN_AND( MB_JIGYOU, :BIT2 ) "
                          "ORDER BY KGROUP ");
    q.setInt("BIT", bit);
    q.setInt("BIT2", bit);
    auto c = q.open();
    const bool whole = division == 0 || division == 255;
    while (c.fetch()) {
        const int r = c.isNull("ARRAYNUM") ? -1 : int(c.getInt("ARRAYNUM"));
        if (r < 0 || std::size_t(r) >= rows.size() || std::size_t(r) >= index.size())
            continue;
        auto& k = rows[std::size_t(r)].Kamoku;
        const std::string g = c.getString("KGROUP");
        k.GROUPM1 = k.GROUPM2 = k.GroupText3 = k.GroupText4 = g;
        k.KNAME = c.isNull("PLUSNAME") ? std::string() : c.getString("PLUSNAME");
        const int kes = c.isNull("KESKUBUN") ? 0 : int(c.getInt("KESKUBUN"));
        std::string code = g;
        if (kes == 0 || kes == keskubun) {
            k.BSPL = g < "4000" ? "B" : "P";
        }
        if (whole && g != "4180") {
            replaceAll(k.KNAME, "医業", "事業");
            replaceAll(k.KNAME, "臨時", "特別");
        }
        if (whole && g == "4480")
            k.KNAME = "その他事業収益合計";
        if (fund && g == "3180") {
            code = "3680";
            k.KNAME = "基金合計";
        }
        if (g == "3800")
            k.KNAME = "純資産の部合計";
        if (g == "3900")
            k.KNAME = "負債純資産の部合計";
        if (kes == 0 || kes == keskubun)
            index[std::size_t(r)] = TQSORT{code, r};
    }
    if (keskubun == 2 && index.size() > 1)
        index[1].Code = kSisanhyouUnusedCode;
    auto setFirstThird = [&](std::size_t r, const char* g) {
        if (r < rows.size()) {
            rows[r].Kamoku.GROUPM1 = g;
            rows[r].Kamoku.GroupText3 = g;
        }
    };
    setFirstThird(18, "3460");
    setFirstThird(32, "4800");
    if (rows.size() > 39)
        rows[39].Kamoku.GROUPM1 = "6780";
}

bool pcSisanhyouReadMedical(std::vector<TBALANCE>& rows, int rowHigh, std::vector<TQSORT>& index,
                            int indexHigh, const std::string& sisetuCode,
                            const std::string& bumonCode, int tax, int scope, int layout,
                            int keskubun, int haibun, int jigyou)
{
    firebird::Transaction* snapshot = snapshotTransaction();
    if (snapshot == nullptr)
        throw std::logic_error("trial balance: no company database");
    rowHigh = std::min(rowHigh, int(rows.size()) - 1);
    indexHigh = std::min(indexHigh, int(index.size()) - 1);
    if (rowHigh < kMbFirstKamokuRow || indexHigh < kMbFirstKamokuRow)
        throw std::invalid_argument("trial balance: arrays too short");

    auto& tx = *snapshot;
    pcSisanhyouClear(rows, rowHigh, index, indexHigh);
    // The clearing keeps the sub-accounts; a new load adds onto none of an earlier load's.
    for (int r = 0; r <= rowHigh; ++r)
        rows[std::size_t(r)].HojoUtiwake.clear();
    try {
        if (tx.inTransaction())
            tx.commit();
        tx.start();
        const bool fund = fundFlag(tx);

        const bool comparison = layout == 3 || layout == 4 || (layout == 0 && (scope == 0 || scope == 5));
        if (comparison) {
            pcMbGokeiNameRead(tx, rows, index, 2, 0);
            const bool restricted = layout != 4 && scope == 5;
            static constexpr std::pair<int, int> kEntries[] = {{26, 8}, {28, 4}, {30, 2}, {31, 1}};
            int shown = 0;
            for (auto [entry, division] : kEntries) {
                if (entry > indexHigh)
                    continue;
                if (countSisetu(tx, division, restricted ? &sisetuCode : nullptr) > 0)
                    ++shown;
                else
                    index[std::size_t(entry)].Code = kSisanhyouUnusedCode;
            }
            if (shown < 2 && indexHigh >= 32)
                index[32].Code = kSisanhyouUnusedCode;
        } else {
            const int division = jigyou == 0 ? fnSisetuJigyou(tx, sisetuCode) : jigyou;
            pcMbGokeiNameRead(tx, rows, index, keskubun, division);
        }

        bool eachBumon = false;
        const std::string sql = statementOf(layout, scope, bumonCode, eachBumon);
        int lastRow = kMbFirstKamokuRow - 1;
        if (!sql.empty()) {
            std::vector<std::string> bumons;
            if (eachBumon)
                pcSisetuBumonList(tx, bumons, sisetuCode, bumonCode);
            else
                bumons.push_back(bumonCode);
            for (const auto& bumon : bumons) {
                firebird::Statement q(tx, sql);
                bind(q, sql, tax, jigyou, haibun, sisetuCode, bumon);
                lastRow = std::max(lastRow, fillMedical(q, rows, rowHigh, index, indexHigh, layout,
                                                        jigyou, fund));
            }
        }
        if (layout == 4)
            mbFacilityColumnTotals(rows, rowHigh, lastRow);
        QSortByCode(index, 1, std::max(lastRow, kMbFirstKamokuRow - 1));
        tx.commit();
        return true;
    } catch (const std::exception& e) {
        if (tx.inTransaction()) {
            try {
                tx.rollback();
            } catch (...) {
            }
        }
        reportLoadError(e);
        return false;
    }
}

std::string fnMbGokeiName(const std::string& group, const std::string& defaultName,
                          Currency amount, int division)
{
    if (std::find(std::begin(kProfitGroups), std::end(kProfitGroups), group) == std::end(kProfitGroups))
        return defaultName;
    firebird::Transaction* standard = standardTransaction();
    if (standard == nullptr)
        return defaultName;
    auto& tx = *standard;
    std::string name = defaultName;
    try {
        if (!tx.inTransaction())
            tx.start();
        firebird::Statement q(tx, "SELECT PLUSNAME,MINUSNAME,MODIFY FROM ACCTOTALNAME WHERE "
                                  "(BIN_AND( MB_JIGYOU,:JIGYOU)=:JIGYOU2 ) AND (KGROUP=:KGROUP)");
        q.setInt("JIGYOU", division);
        q.setInt("JIGYOU2", division);
        q.setString("KGROUP", group);
        auto c = q.open();
        if (c.fetch()) {
            auto text = [&](const char* column) {
                return c.isNull(column) ? std::string() : c.getString(column);
            };
            const int modify = c.isNull("MODIFY") ? 0 : int(c.getInt("MODIFY"));
            if (modify == 1) {
                name = amount >= 0 ? text("PLUSNAME") : text("MINUSNAME");
                if (division == 0 || division == 255)
                    replaceAll(name, "医業", "事業");
            } else {
                name = text("PLUSNAME");
            }
        }
        c.close();
        tx.commit();
    } catch (const std::exception& e) {
        if (tx.inTransaction()) {
            try {
                tx.rollback();
            } catch (...) {
            }
        }
        if (const auto* db = dynamic_cast<const firebird::DatabaseError*>(&e))
            HandleDbError(*db, "合計名称読込", "合計名称の読込に失敗しました。", false);
        else if (dynamic_cast<const firebird::UsageError*>(&e) != nullptr)
            ShowCommaMessage(std::string("合計名称読込,") + e.what(), 1);
        else
            throw;
    }
    return name;
}

void pcMbKikanZandakaCalcu(std::vector<TBALANCE>& rows, int rowHigh, int zeroStart, int kind,
                           int from, int to, int jigyou)
{
    rowHigh = std::min(rowHigh, int(rows.size()) - 1);
    if (from < 1 && kind == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "期間番号は「1～16」です。 [%d-%d]", from, to);
        platform::messageBox(text, "", platform::MB_ICONERROR | platform::MB_OK);
    }
    int division = jigyou;
    if (!(division == 0 || division == 1 || division == 8 || division == 16 || division == 255
          || division == 2 || division == 4)) {
        ShowCommaMessage("事業区分の設定が必要です。", 1);
        division = 0;
    }
    const bool third = usesRGroups(division);
    auto groupOf = [&](const TBALANCE& row) -> const std::string& {
        return third ? row.Kamoku.GroupText3 : row.Kamoku.GROUPM1;
    };
    switch (kind) {
    case 1: from = 1; to = 4; break;
    case 2: from = 5; to = 8; break;
    case 3: from = 9; to = 12; break;
    case 4: from = 13; to = 16; break;
    case 5: from = 1; to = 8; break;
    case 6: from = 9; to = 16; break;
    default: break;
    }
    if (kind > 0 && fnKikanNoOfMonth(fnSimeMonthDiff(AccInf.SIME, AccInf.KISHU, AccInf.KIMATU)) < to)
        to = 16;
    auto slot = [](int p) { return std::size_t(std::clamp(p, -kOpening, 51 - kOpening) + kOpening); };

    for (int r = 0; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        row.RangeOpening = row.RangeDebit = row.RangeCredit = row.RangeClosing = 0;
        row.PriorYear = row.CompositionRatio = 0;
        row.LineCount = 0;
        for (auto& h : row.HojoUtiwake)
            h.RangeOpening = h.RangeDebit = h.RangeCredit = h.RangeClosing = 0;
    }
    if (rowHigh < kMbFirstKamokuRow)
        return;

    for (int r = kMbFirstKamokuRow; r <= rowHigh; ++r) {
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
    }

    if (kind == 2 || kind == 3 || kind == 4 || kind == 6) {
        Currency assets = 0;
        Currency liabilities = 0;
        for (int r = kMbFirstKamokuRow; r <= rowHigh; ++r) {
            const auto& row = rows[std::size_t(r)];
            const auto& g = groupOf(row);
            const int t = row.Kamoku.TAISHAKU;
            if (g < "2000")
                assets += (t == 1 || t == 4) ? row.RangeOpening : -row.RangeOpening;
            else if (g < "4000")
                liabilities += (t == 3 || t == 2) ? row.RangeOpening : -row.RangeOpening;
        }
        for (int r = kMbFirstKamokuRow; r <= rowHigh; ++r)
            if (rows[std::size_t(r)].Kamoku.BSPL == "P")
                rows[std::size_t(r)].RangeOpening = 0;
        const auto& retained = AccInf.SysKCodes[SysCodeRetainedEarnings];
        for (int r = kMbFirstKamokuRow; r <= rowHigh && !retained.empty(); ++r) {
            if (rows[std::size_t(r)].Kamoku.KCODE == retained) {
                rows[std::size_t(r)].RangeOpening = assets - liabilities;
                break;
            }
        }
    }

    for (int r = kMbFirstKamokuRow; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        const int t = row.Kamoku.TAISHAKU;
        row.RangeClosing = row.RangeOpening + netOf(t, row.RangeDebit, row.RangeCredit);
        // Each sub-account's share of its account, in tenths of a percent rounded, as a percentage.
        for (auto& h : row.HojoUtiwake) {
            h.RangeClosing = h.RangeOpening + netOf(t, h.RangeDebit, h.RangeCredit);
            h.CompositionRatio = 0;
            if (row.RangeClosing != 0) {
                const double v = double(h.RangeClosing) / double(row.RangeClosing) * 1000.0;
                h.CompositionRatio = fnHasuuRound(1, Currency(std::llround(v * kCurrencyUnit))) / 10;
            }
        }
    }

    const int lastLine = std::min(kTotalLines, rowHigh);
    const auto lineGroup = third ? thirdGroup : firstGroup;
    for (int r = kMbFirstKamokuRow; r <= rowHigh; ++r) {
        const auto& g = groupOf(rows[std::size_t(r)]);
        if (g.empty())
            continue;
        if (const int line = mbTotalLineOf(rows, lastLine, g, lineGroup))
            pcGokeiAdd(rows[std::size_t(line)], rows[std::size_t(r)]);
    }

    if (rowHigh >= 54) {
        using Value = Currency& (*)(TBALANCE&);
        const std::vector<Value> all = {
            [](TBALANCE& row) -> Currency& { return row.RangeOpening; },
            [](TBALANCE& row) -> Currency& { return row.RangeDebit; },
            [](TBALANCE& row) -> Currency& { return row.RangeCredit; },
            [](TBALANCE& row) -> Currency& { return row.RangeClosing; }};
        // Differences cover opening and closing; the range credit is what moves between them.
        const std::vector<Value> balances = {all[0], all[3]};
        mbTotalLineSums(rows, all, balances, {all[3]},
                        [](TBALANCE& row) { row.RangeCredit = row.RangeClosing - row.RangeOpening; });
    }

    for (int r = 0; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        row.Kamoku.KNAME = fnMbGokeiName(groupOf(row), row.Kamoku.KNAME, row.RangeClosing, division);
    }

    const Currency base11 = rowHigh >= 11 ? rows[11].RangeClosing : 0;
    const Currency base24 = rowHigh >= 24 ? rows[24].RangeClosing : 0;
    const Currency base32 = rowHigh >= 32 ? rows[32].RangeClosing : 0;
    for (int r = 0; r <= rowHigh; ++r) {
        auto& row = rows[std::size_t(r)];
        const auto& g = groupOf(row);
        char* end = nullptr;
        const long code = g.empty() ? 0 : std::strtol(g.c_str(), &end, 10);
        if (g.empty() || end == nullptr || *end != '\0')
            continue;
        Currency base = 0;
        if (code >= 1000 && code <= 1900)
            base = base11;
        else if (code >= 2000 && code <= 3900)
            base = base24;
        else if (code >= 4000 && code <= 9500)
            base = base32;
        else
            continue;
        if (base == 0)
            continue;
        const Currency ratio = fnPercentOf(double(row.RangeClosing) / double(base));
        row.CompositionRatio =
            (ratio > 9999 * kCurrencyUnit || ratio < -999 * kCurrencyUnit) ? 0 : ratio;
    }
}
