#include "balance/BalanceRows_p.h"

#include "firebird/Statement.h"

#include <algorithm>
#include <cstdio>

using platform::Currency;

namespace balance_detail {
namespace {

Currency amount(const firebird::Cursor& c, const std::string& name)
{
    return c.isNull(name) ? 0 : c.getCurrency(name);
}

// The opening and the period amounts of a result row added onto a row or a sub-account; net and
// running balance worked out again from the opening.
template <class Target>
void addAmounts(const firebird::Cursor& c, int taishaku, Currency& opening, Target& t)
{
    const Currency read = amount(c, "KAISIZAN");
    opening += read;
    t.OpeningCopy += read;
    for (int p = 1; p <= 16; ++p) {
        t.Debit[std::size_t(kOpening + p)] += amount(c, twoDigits("KAR", p));
        t.Credit[std::size_t(kOpening + p)] += amount(c, twoDigits("KAS", p));
    }
    t.Net[kOpening] = opening;
    t.Balance[kOpening] = opening;
    for (int p = 1; p <= 16; ++p) {
        const auto i = std::size_t(kOpening + p);
        t.Net[i] = netOf(taishaku, t.Debit[i], t.Credit[i]);
        t.Balance[i] = t.Balance[i - 1] + t.Net[i];
    }
}

} // namespace

bool debitNature(int taishaku)
{
    return taishaku == 1 || taishaku == 4;
}

Currency netOf(int taishaku, Currency debit, Currency credit)
{
    return debitNature(taishaku) ? debit - credit : credit - debit;
}

std::string twoDigits(const std::string& prefix, int value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2.2d", value);
    return prefix + buf;
}

void addAccountAmounts(const firebird::Cursor& c, TBALANCE& row)
{
    addAmounts(c, row.Kamoku.TAISHAKU, row.KAISIZAN, row);
}

void addSubAccountLine(const firebird::Cursor& c, TBALANCE& account, std::size_t hojo)
{
    if (hojo == 0) {
        std::size_t size = std::size_t(std::max(account.HojoCount, 0));
        if (c.getString("HCODE").find_first_not_of(" \t") == std::string::npos)
            ++size;
        if (account.HojoUtiwake.size() < size)
            account.HojoUtiwake.resize(size);
    }
    if (hojo >= account.HojoUtiwake.size())
        return;
    auto& h = account.HojoUtiwake[hojo];
    h.HCODE = c.getString("HCODE");
    h.HNAME = c.getString("HNAME");
    addAmounts(c, account.Kamoku.TAISHAKU, h.Opening, h);
}

} // namespace balance_detail
