#include "records/DbHelpers.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Text.h"
#include "records/DataModule.h"
#include "records/TextRoutines.h"

#include <cmath>
#include <stdexcept>

namespace records {
namespace {

using platform::text::upperAscii;

// Decimal integer with optional blanks in front and a sign; 0 when it is not one.
std::int64_t integerOr0(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i == s.size())
        return 0;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return 0;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483647LL + (negative ? 1 : 0))
            return 0;
    }
    return negative ? -v : v;
}

} // namespace

bool Variant::asBool() const
{
    switch (m_kind) {
    case Kind::Text:
        return AccRegTextToBool(m_text);
    case Kind::Date:
        return m_date != 0;
    default:
        return m_int != 0;
    }
}

std::int64_t Variant::asInt() const
{
    switch (m_kind) {
    case Kind::Currency:
        return CurrHasuuSyori(1, m_int) / platform::kCurrencyUnit;
    case Kind::Date:
        return static_cast<std::int64_t>(std::trunc(m_date));
    case Kind::Text:
        return integerOr0(m_text);
    default:
        return m_int;
    }
}

platform::Currency Variant::asCurrency() const
{
    switch (m_kind) {
    case Kind::Currency:
        return m_int;
    case Kind::Date:
        return std::llround(m_date * platform::kCurrencyUnit);
    case Kind::Text:
        return StrToCurrDef0(m_text);
    default:
        return m_int * platform::kCurrencyUnit;
    }
}

platform::TDateTime Variant::asDate() const
{
    switch (m_kind) {
    case Kind::Date:
        return m_date;
    case Kind::Text:
        return StrToDateDef0(m_text);
    case Kind::Currency:
        return static_cast<double>(m_int) / platform::kCurrencyUnit;
    default:
        return static_cast<double>(m_int);
    }
}

std::string Variant::asText() const
{
    switch (m_kind) {
    case Kind::Empty:
        return {};
    case Kind::Bool:
        return m_int ? "True" : "False";
    case Kind::Int:
        return std::to_string(m_int);
    case Kind::Currency:
        return currencyText(m_int);
    case Kind::Date:
        return DateToText(4, m_date);
    case Kind::Text:
        return m_text;
    }
    return {};
}

std::string currencyText(platform::Currency value)
{
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return negative ? "-" + text : text;
}

} // namespace records

namespace {

using records::Variant;

Variant fromStored(const std::string& AType, std::string text)
{
    if (text.empty())
        text = " ";
    if (AType == "文字")
        return Variant::fromText(text);
    if (AType == "論理")
        return Variant::fromBool(AccRegTextToBool(text));
    if (AType == "日付")
        return Variant::fromDate(StrToDateDef0(text));
    if (AType == "整数")
        return Variant::fromInt(records::Variant::fromText(text).asInt());
    if (AType == "金額")
        return Variant::fromCurrency(StrToCurrDef0(text));
    return Variant::fromText("Data Type Error");
}

// Binds the value as the text of its type; another type leaves the column empty (NULL).
void bindStored(firebird::Statement& st, const std::string& AType, const Variant& value)
{
    if (AType == "文字")
        st.setString("ATEXT", value.asText());
    else if (AType == "論理")
        st.setString("ATEXT", AccRegBoolToText(value.asBool()));
    else if (AType == "日付")
        st.setString("ATEXT", DateToText(4, value.asDate()));
    else if (AType == "整数")
        st.setString("ATEXT", std::to_string(value.asInt()));
    else if (AType == "金額")
        st.setString("ATEXT", records::currencyText(value.asCurrency()));
    else
        st.setNull("ATEXT");
}

TDM& dm()
{
    if (!DM)
        throw std::logic_error("the data module does not exist");
    return *DM;
}

// Starts the company transaction unless active; commit() or the destructor's rollback only
// touch what was started here.
class OwnTransaction {
public:
    explicit OwnTransaction(firebird::Transaction& t) : m_t(t)
    {
        if (!m_t.inTransaction()) {
            m_t.start();
            m_started = true;
        }
    }
    ~OwnTransaction()
    {
        if (m_started && m_t.inTransaction()) {
            try {
                m_t.rollback();
            } catch (const std::exception&) {
            }
        }
    }
    OwnTransaction(const OwnTransaction&) = delete;
    OwnTransaction& operator=(const OwnTransaction&) = delete;
    void commit()
    {
        if (m_started)
            m_t.commit();
    }

private:
    firebird::Transaction& m_t;
    bool m_started = false;
};

std::unique_ptr<firebird::Statement> makeStatement(const std::string& DbName, bool snapshot)
{
    try {
        TDM& d = dm();
        if (DbName == "ACCDEF")
            return std::make_unique<firebird::Statement>(d.IBTransactionDEF);
        return std::make_unique<firebird::Statement>(snapshot ? d.IBTransactionDATSS
                                                              : d.IBTransactionDAT);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::unique_ptr<firebird::Statement> companyQuery()
{
    auto st = NewDbQuery("ACCDAT", 0);
    if (!st)
        throw std::runtime_error("no company query");
    return st;
}

} // namespace

std::unique_ptr<firebird::Statement> NewDbQuery(const std::string& DbName, std::uint8_t Snapshot)
{
    return makeStatement(DbName, Snapshot != 0);
}

std::unique_ptr<firebird::Statement> NewDbSql(const std::string& DbName, std::uint8_t Snapshot)
{
    return makeStatement(DbName, Snapshot == 1);
}

void GetAccReg(const std::string& AGroup, const std::string& ACode, const std::string& AType,
               const std::string& Default, records::Variant& Value)
{
    auto q = companyQuery();
    OwnTransaction tr(dm().IBTransactionDAT);
    q->setSql("SELECT ATYPE,ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE ");
    q->setString("AGROUP", AGroup);
    q->setString("ACODE", ACode);
    std::string text;
    bool found = false;
    {
        firebird::Cursor c = q->open();
        if (c.fetch()) {
            found = true;
            text = c.getString("ATEXT");
        }
    }
    if (!found) {
        text = Default;
        q->setSql("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
        q->setString("AGROUP", AGroup);
        q->setString("ACODE", ACode);
        q->setString("ATYPE", AType);
        q->setString("ATEXT", Default);
        q->execute();
    }
    Value = fromStored(AType, text);
    tr.commit();
}

void PutAccReg(const std::string& AGroup, const std::string& ACode, const std::string& AType,
               const records::Variant& Value)
{
    auto q = companyQuery();
    OwnTransaction tr(dm().IBTransactionDAT);
    q->setSql("SELECT COUNT(AGROUP) AS RECCNT FROM ACCREG\n"
              "WHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)");
    q->setString("AGROUP", AGroup);
    q->setString("ACODE", ACode);
    std::int64_t count = 0;
    {
        firebird::Cursor c = q->open();
        if (c.fetch())
            count = c.getInt64("RECCNT");
    }
    if (count > 0) {
        q->setSql("UPDATE ACCREG SET ATEXT=:ATEXT\nWHERE AGROUP=:AGROUP AND ACODE=:ACODE");
    } else {
        q->setSql("INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT)\n"
                  "VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT)");
        q->setString("ATYPE", AType);
    }
    q->setString("AGROUP", AGroup);
    q->setString("ACODE", ACode);
    bindStored(*q, AType, Value);
    q->execute();
    tr.commit();
}

void DeleteAccReg(const std::string& AGroup, const std::string& ACode)
{
    auto q = companyQuery();
    OwnTransaction tr(dm().IBTransactionDAT);
    q->setSql("DELETE FROM ACCREG\nWHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)");
    q->setString("AGROUP", AGroup);
    q->setString("ACODE", ACode);
    q->execute();
    tr.commit();
}

bool AccRegTextToBool(std::string_view Text)
{
    return records::upperAscii(Text) == "TRUE";
}

std::string AccRegBoolToText(bool Value)
{
    return Value ? "TRUE" : "FALSE";
}

void GetMsdHoukoku(const std::string& MdGroup, const std::string& MdCode,
                   const std::string& MdType, const std::string& Default,
                   records::Variant& Value)
{
    Value = records::Variant::fromText(Default.empty() ? " " : Default);
    firebird::Transaction& t = dm().IBTransactionDAT;
    try {
        auto q = companyQuery();
        if (!t.inTransaction())
            t.start();
        q->setSql("SELECT MDTEXT1 FROM MSD_HOUKOKU WHERE MDGROUP=:MDGROUP AND MDCODE=:MDCODE ");
        q->setString("MDGROUP", MdGroup);
        q->setString("MDCODE", MdCode);
        bool found = false;
        {
            firebird::Cursor c = q->open();
            if (c.fetch()) {
                found = true;
                const std::string text = c.getString("MDTEXT1");
                if (!text.empty())
                    Value = records::Variant::fromText(text);
            }
        }
        if (!found) {
            q->setSql("INSERT INTO MSD_HOUKOKU(MDGROUP,MDCODE,MDTYPE,MDTEXT1) "
                      "VALUES(:MDGROUP,:MDCODE,:MDTYPE,:MDTEXT1)");
            q->setString("MDGROUP", MdGroup);
            q->setString("MDCODE", MdCode);
            q->setString("MDTYPE", MdType);
            q->setString("MDTEXT1", Default);
            q->execute();
        }
        if (t.inTransaction())
            t.commit();
    } catch (...) {
        if (t.inTransaction()) {
            try {
                t.rollback();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
}
