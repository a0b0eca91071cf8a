#pragma once

// Query factories on the data module's connections and the typed settings of the company
// database (ACCREG) and of the medical report (MSD_HOUKOKU).

#include "platform/CoreTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace firebird {
class Statement;
}

namespace records {

// The value of a typed setting: unassigned, a truth value, an integer, an amount, a date or a
// text. Reading another kind converts as the settings do (unassigned reads 0, false or "").
class Variant {
public:
    enum class Kind { Empty, Bool, Int, Currency, Date, Text };

    Variant() = default;
    static Variant fromBool(bool v) { return Variant(Kind::Bool, v ? 1 : 0, 0, {}); }
    static Variant fromInt(std::int64_t v) { return Variant(Kind::Int, v, 0, {}); }
    static Variant fromCurrency(platform::Currency v) { return Variant(Kind::Currency, v, 0, {}); }
    static Variant fromDate(platform::TDateTime v) { return Variant(Kind::Date, 0, v, {}); }
    static Variant fromText(std::string v) { return Variant(Kind::Text, 0, 0, std::move(v)); }

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool asBool() const;
    std::int64_t asInt() const;
    platform::Currency asCurrency() const;
    platform::TDateTime asDate() const;
    std::string asText() const;

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    Variant(Kind k, std::int64_t i, double d, std::string s)
        : m_kind(k), m_int(i), m_date(d), m_text(std::move(s))
    {
    }
    Kind m_kind = Kind::Empty;
    std::int64_t m_int = 0;
    double m_date = 0;
    std::string m_text;
};

// The standard text of an amount: '.' as decimal point, no grouping, no trailing zeros
// ("1234.5", "-3", "0.0001").
std::string currencyText(platform::Currency value);

} // namespace records

// A statement on the system database for DbName "ACCDEF" (exactly), else on the company
// database: its read-committed transaction, or the snapshot one when Snapshot is not 0. The
// caller owns it; nullptr when it cannot be made.
std::unique_ptr<firebird::Statement> NewDbQuery(const std::string& DbName, std::uint8_t Snapshot);
// The same, with the snapshot only for Snapshot 1.
std::unique_ptr<firebird::Statement> NewDbSql(const std::string& DbName, std::uint8_t Snapshot);

// Reads a typed company setting; a missing one is stored with Default first. AType ("文字",
// "論理", "日付", "整数", "金額") decides the conversion; the stored type is not used.
// Raises database errors after rolling back a transaction it started.
void GetAccReg(const std::string& AGroup, const std::string& ACode, const std::string& AType,
               const std::string& Default, records::Variant& Value);
// Stores a typed company setting (an existing row keeps its stored type).
void PutAccReg(const std::string& AGroup, const std::string& ACode, const std::string& AType,
               const records::Variant& Value);
void DeleteAccReg(const std::string& AGroup, const std::string& ACode);

// "論理" values: true for "TRUE" in any case.
bool AccRegTextToBool(std::string_view Text);
std::string AccRegBoolToText(bool Value);

// Reads a medical-report setting (a text); a missing one is stored with Default. Commits the
// company transaction afterwards whenever it is active.
void GetMsdHoukoku(const std::string& MdGroup, const std::string& MdCode,
                   const std::string& MdType, const std::string& Default,
                   records::Variant& Value);
