#include "firebird/Statement.h"

#include "firebird/Attachment.h"
#include "firebird/Client_p.h"
#include "firebird/Transaction.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace firebird {

using detail::Status;
using detail::check;

namespace {

constexpr int kDateOffset = 15018; // days from 1858-11-17 (engine) to 1899-12-30 (TDateTime)
constexpr double kTicksPerDay = 86400.0 * ISC_TIME_SECONDS_PRECISION;

std::string upper(std::string_view s)
{
    std::string r(s);
    for (char& c : r) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return r;
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '$';
}

// Replaces ":NAME" by "?" outside strings, quoted names and comments; names per position.
std::string rewriteNamedParameters(const std::string& sql, std::vector<std::string>& names)
{
    std::string out;
    out.reserve(sql.size());
    const std::size_t n = sql.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = sql.find(c, i + 1);
            const std::size_t stop = end == std::string::npos ? n : end + 1;
            out.append(sql, i, stop - i);
            i = stop;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            const std::size_t end = sql.find('\n', i);
            const std::size_t stop = end == std::string::npos ? n : end;
            out.append(sql, i, stop - i);
            i = stop;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t end = sql.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? n : end + 2;
            out.append(sql, i, stop - i);
            i = stop;
        } else if (c == ':' && i + 1 < n && isNameStart(sql[i + 1])) {
            std::size_t j = i + 1;
            while (j < n && isNameChar(sql[j]))
                ++j;
            names.push_back(upper(std::string_view(sql).substr(i + 1, j - i - 1)));
            out += '?';
            i = j;
        } else if (c == '?') {
            names.push_back(std::to_string(names.size() + 1));
            out += c;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

short charsetId(const std::string& name)
{
    const std::string u = upper(name);
    if (u == "SJIS_0208")
        return 5;
    if (u == "OCTETS")
        return 1;
    if (u == "UTF8")
        return 4;
    if (u == "UNICODE_FSS")
        return 3;
    return 0;
}

std::int64_t pow10(int n)
{
    std::int64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// Scales v (with scale digits after the point) to `to` digits, halves away from zero.
std::int64_t rescale(std::int64_t v, int from, int to)
{
    if (from == to)
        return v;
    if (to > from)
        return v * pow10(to - from);
    const std::int64_t d = pow10(from - to);
    const std::int64_t q = v / d;
    const std::int64_t r = v % d;
    if (2 * std::llabs(r) >= d)
        return v >= 0 ? q + 1 : q - 1;
    return q;
}

std::string scaledText(std::int64_t v, int digits)
{
    if (digits <= 0)
        return std::to_string(v);
    const std::int64_t d = pow10(digits);
    std::string frac = std::to_string(std::llabs(v % d));
    frac.insert(0, std::size_t(digits) - frac.size(), '0');
    while (!frac.empty() && frac.back() == '0')
        frac.pop_back();
    std::string whole = std::to_string(std::llabs(v / d));
    std::string r = (v < 0 ? "-" : "") + whole;
    if (!frac.empty())
        r += "." + frac;
    return r;
}

bool parseScaled(std::string_view text, int digits, std::int64_t& out)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::size_t end = text.size();
    while (end > i && text[end - 1] == ' ')
        --end;
    if (i == end)
        return false;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+')
        negative = text[i++] == '-';
    std::int64_t whole = 0;
    std::int64_t frac = 0;
    int fracDigits = 0;
    bool any = false;
    bool point = false;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            any = true;
            if (!point)
                whole = whole * 10 + (c - '0');
            else if (fracDigits < digits)
                frac = frac * 10 + (c - '0'), ++fracDigits;
        } else {
            return false;
        }
    }
    if (!any)
        return false;
    out = whole * pow10(digits) + frac * pow10(digits - fracDigits);
    if (negative)
        out = -out;
    return true;
}

ISC_TIMESTAMP toTimestamp(platform::TDateTime value)
{
    const double day = std::trunc(value);
    const double fraction = std::fabs(value - day);
    ISC_TIMESTAMP ts;
    ts.timestamp_date = static_cast<ISC_DATE>(static_cast<long>(day) + kDateOffset);
    long ticks = std::lround(fraction * kTicksPerDay);
    if (ticks >= static_cast<long>(kTicksPerDay))
        ticks = static_cast<long>(kTicksPerDay) - 1;
    ts.timestamp_time = static_cast<ISC_TIME>(ticks);
    return ts;
}

platform::TDateTime fromTimestamp(ISC_DATE date, ISC_TIME time)
{
    const double day = static_cast<double>(static_cast<long>(date) - kDateOffset);
    const double fraction = static_cast<double>(time) / kTicksPerDay;
    return day >= 0 ? day + fraction : day - fraction;
}

std::string dateText(platform::TDateTime value, bool withTime)
{
    const platform::CivilDate d = platform::decodeDate(value);
    char buffer[40];
    if (!withTime) {
        std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", d.year, d.month, d.day);
    } else {
        const long secs = std::lround(std::fabs(value - std::trunc(value)) * 86400.0);
        std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02ld:%02ld:%02ld", d.year, d.month,
                      d.day, secs / 3600 % 24, secs / 60 % 60, secs % 60);
    }
    return buffer;
}

struct Value {
    enum Kind { Null, Int, Double, Text, Timestamp, Bool, Blob } kind = Null;
    std::int64_t i = 0;
    int scale = 0;
    double d = 0;
    std::string bytes;
    short charset = 0;
    ISC_TIMESTAMP ts{};
    ISC_QUAD quad{};
};

// Storage for one XSQLDA: the descriptor and one aligned buffer per variable.
class Sqlda {
public:
    Sqlda() { resize(1); }
    ~Sqlda() { std::free(m_da); }
    Sqlda(const Sqlda&) = delete;
    Sqlda& operator=(const Sqlda&) = delete;

    void resize(int n)
    {
        std::free(m_da);
        const int count = n < 1 ? 1 : n;
        m_da = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(count)));
        m_da->version = SQLDA_VERSION1;
        m_da->sqln = static_cast<ISC_SHORT>(count);
        m_buffers.clear();
        m_nulls.clear();
    }
    XSQLDA* get() { return m_da; }
    const XSQLDA* get() const { return m_da; }
    int count() const { return m_da->sqld; }
    XSQLVAR& var(int i) { return m_da->sqlvar[i]; }
    const XSQLVAR& var(int i) const { return m_da->sqlvar[i]; }

    // Points every variable at a buffer big enough for its described type.
    void allocate()
    {
        const int n = count();
        m_buffers.assign(std::size_t(n), {});
        m_nulls.assign(std::size_t(n), 0);
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = var(i);
            std::size_t size = std::size_t(v.sqllen);
            if ((v.sqltype & ~1) == SQL_VARYING)
                size += 2;
            m_buffers[std::size_t(i)].assign(size / 8 + 1, 0);
            v.sqldata = reinterpret_cast<ISC_SCHAR*>(m_buffers[std::size_t(i)].data());
            v.sqlind = &m_nulls[std::size_t(i)];
            v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
        }
    }

    std::vector<std::vector<std::int64_t>>& buffers() { return m_buffers; }
    std::vector<short>& nulls() { return m_nulls; }

private:
    XSQLDA* m_da = nullptr;
    std::vector<std::vector<std::int64_t>> m_buffers;
    std::vector<short> m_nulls;
};

} // namespace

struct Statement::Impl {
    std::string rewritten;
    std::vector<std::string> names; // per position
    std::map<std::string, Value> values;
    std::uint32_t handle = 0;
    bool prepared = false;
    bool cursorOpen = false;
    int type = 0;
    std::uint64_t generation = 1;
    Sqlda in;
    Sqlda out;
    std::vector<std::string> fields; // upper-cased aliases
};

Statement::Statement(Transaction& transaction, std::string sql)
    : m_transaction(&transaction)
    , m_attachment(transaction.attachment())
    , m_impl(std::make_unique<Impl>())
{
    m_attachment.add(this);
    setSql(std::move(sql));
}

Statement::~Statement()
{
    dropHandle(true);
    m_attachment.remove(this);
}

void Statement::setSql(std::string sql)
{
    dropHandle(true);
    m_sql = std::move(sql);
    m_impl->names.clear();
    m_impl->values.clear();
    m_impl->rewritten = rewriteNamedParameters(m_sql, m_impl->names);
}

void Statement::setTransaction(Transaction& transaction)
{
    if (&transaction.attachment() != &m_attachment)
        throw UsageError("Statement::setTransaction: transaction of another database");
    closeCursor();
    m_transaction = &transaction;
}

std::vector<std::string> Statement::parameterNames() const
{
    std::vector<std::string> r;
    for (const std::string& n : m_impl->names) {
        if (std::find(r.begin(), r.end(), n) == r.end())
            r.push_back(n);
    }
    return r;
}

bool Statement::hasParameter(std::string_view name) const
{
    const std::string u = upper(name);
    return std::find(m_impl->names.begin(), m_impl->names.end(), u) != m_impl->names.end();
}

namespace {

Value& slot(std::map<std::string, Value>& values, const std::vector<std::string>& names,
            std::string_view name)
{
    const std::string u = upper(name);
    if (std::find(names.begin(), names.end(), u) == names.end())
        throw UsageError("unknown parameter :" + u);
    Value& v = values[u];
    v = Value{};
    return v;
}

} // namespace

void Statement::setNull(std::string_view name)
{
    slot(m_impl->values, m_impl->names, name);
}

void Statement::setString(std::string_view name, std::string_view utf8)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Text;
    v.bytes = platform::text::toCp932(utf8);
    v.charset = charsetId(m_attachment.params().charset);
}

void Statement::setBytes(std::string_view name, std::string_view bytes)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Text;
    v.bytes = std::string(bytes);
    v.charset = 1;
}

void Statement::setInt(std::string_view name, std::int64_t value)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Int;
    v.i = value;
}

void Statement::setCurrency(std::string_view name, platform::Currency value)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Int;
    v.i = value;
    v.scale = -4;
}

void Statement::setDouble(std::string_view name, double value)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Double;
    v.d = value;
}

void Statement::setDateTime(std::string_view name, platform::TDateTime value)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Timestamp;
    v.ts = toTimestamp(value);
}

void Statement::setBool(std::string_view name, bool value)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Bool;
    v.i = value ? 1 : 0;
}

void Statement::setBlob(std::string_view name, BlobId id)
{
    Value& v = slot(m_impl->values, m_impl->names, name);
    v.kind = Value::Blob;
    v.quad.gds_quad_high = static_cast<ISC_LONG>(id.high);
    v.quad.gds_quad_low = id.low;
}

void Statement::setBlobText(std::string_view name, std::string_view utf8)
{
    if (!hasParameter(name))
        throw UsageError("unknown parameter :" + upper(name));
    const BlobId id = Blob::create(*m_transaction, platform::text::toCp932(utf8));
    setBlob(name, id);
}

void Statement::clearParameters()
{
    m_impl->values.clear();
}

bool Statement::prepared() const
{
    return m_impl->prepared;
}

void Statement::prepare()
{
    if (m_impl->prepared)
        return;
    if (!m_attachment.connected())
        throw NotConnectedError("Statement::prepare: database not connected");
    if (m_impl->rewritten.empty())
        throw UsageError("Statement::prepare: no SQL text");
    Status status;
    if (m_impl->handle == 0) {
        isc_dsql_allocate_statement(status.get(), m_attachment.handlePtr(), &m_impl->handle);
        check(status, "Statement::prepare");
    }
    Sqlda& out = m_impl->out;
    out.resize(1);
    const std::string text = platform::text::toCp932(m_impl->rewritten);
    isc_dsql_prepare(status.get(), m_transaction->handlePtr(), &m_impl->handle,
                     static_cast<unsigned short>(text.size()), text.c_str(), 3, out.get());
    check(status, "Statement::prepare");
    if (out.get()->sqld > out.get()->sqln) {
        const int n = out.get()->sqld;
        out.resize(n);
        isc_dsql_describe(status.get(), &m_impl->handle, 1, out.get());
        check(status, "Statement::prepare");
    }
    out.allocate();
    m_impl->fields.clear();
    for (int i = 0; i < out.count(); ++i) {
        const XSQLVAR& v = out.var(i);
        m_impl->fields.push_back(upper(std::string_view(v.aliasname, std::size_t(v.aliasname_length))));
    }

    Sqlda& in = m_impl->in;
    in.resize(1);
    isc_dsql_describe_bind(status.get(), &m_impl->handle, 1, in.get());
    check(status, "Statement::prepare");
    if (in.get()->sqld > in.get()->sqln) {
        const int n = in.get()->sqld;
        in.resize(n);
        isc_dsql_describe_bind(status.get(), &m_impl->handle, 1, in.get());
        check(status, "Statement::prepare");
    }
    if (in.count() != static_cast<int>(m_impl->names.size()))
        throw UsageError("Statement::prepare: parameter count differs from the SQL text");

    const char items[] = {isc_info_sql_stmt_type};
    char buffer[16];
    isc_dsql_sql_info(status.get(), &m_impl->handle, sizeof items, items, sizeof buffer, buffer);
    check(status, "Statement::prepare");
    m_impl->type = 0;
    if (buffer[0] == isc_info_sql_stmt_type) {
        const short len = static_cast<short>(isc_vax_integer(buffer + 1, 2));
        m_impl->type = static_cast<int>(isc_vax_integer(buffer + 3, len));
    }
    m_impl->prepared = true;
}

void Statement::ensurePrepared()
{
    if (!m_impl->prepared)
        prepare();
}

void Statement::unprepare() noexcept
{
    dropHandle(true);
}

void Statement::dropHandle(bool callServer) noexcept
{
    m_impl->cursorOpen = false;
    ++m_impl->generation;
    if (m_impl->handle != 0 && callServer && m_attachment.connected()) {
        Status status;
        isc_dsql_free_statement(status.get(), &m_impl->handle, DSQL_drop);
    }
    m_impl->handle = 0;
    m_impl->prepared = false;
}

void Statement::closeCursor() noexcept
{
    ++m_impl->generation;
    if (!m_impl->cursorOpen)
        return;
    m_impl->cursorOpen = false;
    if (m_impl->handle != 0 && m_attachment.connected()) {
        Status status;
        isc_dsql_free_statement(status.get(), &m_impl->handle, DSQL_close);
    }
}

void Statement::bindInputs()
{
    Sqlda& in = m_impl->in;
    const int n = in.count();
    in.buffers().assign(std::size_t(n), {});
    in.nulls().assign(std::size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        XSQLVAR& var = in.var(i);
        auto& buffer = in.buffers()[std::size_t(i)];
        short& ind = in.nulls()[std::size_t(i)];
        var.sqlind = &ind;
        const auto it = m_impl->values.find(m_impl->names[std::size_t(i)]);
        const Value empty;
        const Value& v = it == m_impl->values.end() ? empty : it->second;
        auto reserve = [&](std::size_t bytes) {
            buffer.assign(bytes / 8 + 1, 0);
            var.sqldata = reinterpret_cast<ISC_SCHAR*>(buffer.data());
            return reinterpret_cast<char*>(buffer.data());
        };
        switch (v.kind) {
        case Value::Null:
            ind = -1;
            var.sqltype = static_cast<ISC_SHORT>(SQL_TEXT | 1);
            var.sqlscale = 0;
            var.sqllen = 1;
            reserve(8);
            break;
        case Value::Int: {
            var.sqltype = SQL_INT64 | 1;
            var.sqlscale = static_cast<ISC_SHORT>(v.scale);
            var.sqllen = sizeof(ISC_INT64);
            const ISC_INT64 x = v.i;
            std::memcpy(reserve(sizeof x), &x, sizeof x);
            break;
        }
        case Value::Double:
            var.sqltype = SQL_DOUBLE | 1;
            var.sqlscale = 0;
            var.sqllen = sizeof(double);
            std::memcpy(reserve(sizeof v.d), &v.d, sizeof v.d);
            break;
        case Value::Text:
            if (v.bytes.size() > 32765)
                throw UsageError("parameter :" + m_impl->names[std::size_t(i)] + " is too long");
            var.sqltype = SQL_TEXT | 1;
            var.sqlscale = 0;
            var.sqlsubtype = v.charset;
            var.sqllen = static_cast<ISC_SHORT>(v.bytes.size());
            std::memcpy(reserve(v.bytes.size()), v.bytes.data(), v.bytes.size());
            break;
        case Value::Timestamp:
            var.sqltype = SQL_TIMESTAMP | 1;
            var.sqlscale = 0;
            var.sqllen = sizeof(ISC_TIMESTAMP);
            std::memcpy(reserve(sizeof v.ts), &v.ts, sizeof v.ts);
            break;
        case Value::Bool: {
            var.sqltype = SQL_BOOLEAN | 1;
            var.sqlscale = 0;
            var.sqllen = 1;
            const char b = static_cast<char>(v.i);
            *reserve(1) = b;
            break;
        }
        case Value::Blob:
            var.sqltype = SQL_BLOB | 1;
            var.sqlscale = 0;
            var.sqllen = sizeof(ISC_QUAD);
            std::memcpy(reserve(sizeof v.quad), &v.quad, sizeof v.quad);
            break;
        }
    }
}

void Statement::execute()
{
    ensurePrepared();
    closeCursor();
    bindInputs();
    Status status;
    XSQLDA* out = (m_impl->type == isc_info_sql_stmt_exec_procedure && m_impl->out.count() > 0)
                      ? m_impl->out.get()
                      : nullptr;
    if (m_impl->type == isc_info_sql_stmt_select || m_impl->type == isc_info_sql_stmt_select_for_upd) {
        // A SELECT run for its side effects: open and close the cursor.
        isc_dsql_execute(status.get(), m_transaction->handlePtr(), &m_impl->handle, 1,
                         m_impl->in.get());
        check(status, "Statement::execute");
        m_impl->cursorOpen = true;
        closeCursor();
        return;
    }
    isc_dsql_execute2(status.get(), m_transaction->handlePtr(), &m_impl->handle, 1,
                      m_impl->in.get(), out);
    check(status, "Statement::execute");
}

Cursor Statement::open()
{
    ensurePrepared();
    closeCursor();
    bindInputs();
    Status status;
    if (m_impl->type == isc_info_sql_stmt_exec_procedure) {
        isc_dsql_execute2(status.get(), m_transaction->handlePtr(), &m_impl->handle, 1,
                          m_impl->in.get(), m_impl->out.get());
        check(status, "Statement::open");
        return Cursor(*this, true, m_impl->generation);
    }
    if (m_impl->out.count() == 0)
        throw UsageError("Statement::open: the statement returns no rows");
    isc_dsql_execute(status.get(), m_transaction->handlePtr(), &m_impl->handle, 1,
                     m_impl->in.get());
    check(status, "Statement::open");
    m_impl->cursorOpen = true;
    return Cursor(*this, false, m_impl->generation);
}

long Statement::rowsAffected()
{
    if (!m_impl->prepared)
        return 0;
    const char items[] = {isc_info_sql_records};
    char buffer[64];
    Status status;
    isc_dsql_sql_info(status.get(), &m_impl->handle, sizeof items, items, sizeof buffer, buffer);
    check(status, "Statement::rowsAffected");
    if (buffer[0] != isc_info_sql_records)
        return 0;
    long count = 0;
    const char* p = buffer + 3;
    while (*p != isc_info_end && p < buffer + sizeof buffer - 3) {
        const char item = *p++;
        const short len = static_cast<short>(isc_vax_integer(p, 2));
        p += 2;
        const long value = isc_vax_integer(p, len);
        p += len;
        if (item == isc_info_req_update_count || item == isc_info_req_delete_count ||
            item == isc_info_req_insert_count)
            count += value;
    }
    return count;
}

std::vector<std::string> Statement::fieldNames()
{
    ensurePrepared();
    return m_impl->fields;
}

bool Statement::hasField(std::string_view name)
{
    ensurePrepared();
    const std::string u = upper(name);
    return std::find(m_impl->fields.begin(), m_impl->fields.end(), u) != m_impl->fields.end();
}

bool Statement::isSelect()
{
    ensurePrepared();
    return m_impl->type == isc_info_sql_stmt_select ||
           m_impl->type == isc_info_sql_stmt_select_for_upd;
}

// ---- Cursor ----

Cursor::Cursor(Statement& statement, bool singleRow, std::uint64_t generation)
    : m_statement(&statement), m_singleRow(singleRow), m_generation(generation)
{
}

Cursor::Cursor(Cursor&& other) noexcept
    : m_statement(other.m_statement)
    , m_singleRow(other.m_singleRow)
    , m_onRow(other.m_onRow)
    , m_done(other.m_done)
    , m_generation(other.m_generation)
{
    other.m_statement = nullptr;
}

Cursor& Cursor::operator=(Cursor&& other) noexcept
{
    if (this != &other) {
        close();
        m_statement = other.m_statement;
        m_singleRow = other.m_singleRow;
        m_onRow = other.m_onRow;
        m_done = other.m_done;
        m_generation = other.m_generation;
        other.m_statement = nullptr;
    }
    return *this;
}

Cursor::~Cursor()
{
    close();
}

void Cursor::close() noexcept
{
    if (m_statement && m_statement->m_impl->generation == m_generation)
        m_statement->closeCursor();
    m_statement = nullptr;
    m_onRow = false;
    m_done = true;
}

bool Cursor::fetch()
{
    if (m_done)
        return false;
    if (!m_statement || m_statement->m_impl->generation != m_generation)
        throw UsageError("Cursor::fetch: the cursor is closed");
    if (m_singleRow) {
        if (m_onRow || m_statement->m_impl->out.count() == 0) {
            m_onRow = false;
            m_done = true;
            return false;
        }
        m_onRow = true;
        return true;
    }
    Status status;
    const ISC_STATUS r = isc_dsql_fetch(status.get(), &m_statement->m_impl->handle, 1,
                                        m_statement->m_impl->out.get());
    if (r == 100) {
        m_onRow = false;
        m_done = true;
        m_statement->closeCursor();
        return false;
    }
    check(status, "Cursor::fetch");
    m_onRow = true;
    return true;
}

int Cursor::fieldCount() const
{
    return m_statement ? m_statement->m_impl->out.count() : 0;
}

std::string Cursor::fieldName(int index) const
{
    if (!m_statement || index < 0 || index >= fieldCount())
        throw UsageError("Cursor::fieldName: no such field");
    return m_statement->m_impl->fields[std::size_t(index)];
}

int Cursor::fieldIndex(std::string_view name) const
{
    if (!m_statement)
        return -1;
    const std::string u = upper(name);
    const auto& f = m_statement->m_impl->fields;
    const auto it = std::find(f.begin(), f.end(), u);
    return it == f.end() ? -1 : int(it - f.begin());
}

int Cursor::requireIndex(std::string_view name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw UsageError("no field " + upper(name));
    return i;
}

void Cursor::requireRow() const
{
    if (!m_statement || !m_onRow || m_statement->m_impl->generation != m_generation)
        throw UsageError("Cursor: no current row");
}

bool Cursor::isNull(int index) const
{
    requireRow();
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    return (v.sqltype & 1) && *v.sqlind == -1;
}

std::string Cursor::getBytes(int index) const
{
    if (isNull(index))
        return {};
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    switch (v.sqltype & ~1) {
    case SQL_TEXT: {
        std::string s(v.sqldata, std::size_t(v.sqllen));
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        return s;
    }
    case SQL_VARYING: {
        const auto len = static_cast<unsigned short>(isc_vax_integer(v.sqldata, 2));
        return std::string(v.sqldata + 2, len);
    }
    case SQL_BLOB: {
        BlobId id;
        ISC_QUAD q;
        std::memcpy(&q, v.sqldata, sizeof q);
        id.high = static_cast<std::uint32_t>(q.gds_quad_high);
        id.low = q.gds_quad_low;
        return Blob::readAll(m_statement->transaction(), id);
    }
    default:
        throw UsageError("field " + fieldName(index) + " is not text");
    }
}

// Text of a field, naming the field when its bytes are not CP932: the message then says which
// value (a company name, a list name) holds them.
std::string Cursor::decodedText(int index) const
{
    try {
        return platform::text::fromCp932(getBytes(index));
    } catch (const platform::text::EncodingError& e) {
        throw platform::text::EncodingError("field " + fieldName(index) + ": " + e.what());
    }
}

std::string Cursor::getString(int index) const
{
    if (isNull(index))
        return {};
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    const int type = v.sqltype & ~1;
    switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
        if ((v.sqlsubtype & 0xFF) == 1)
            return getBytes(index);
        return decodedText(index);
    case SQL_BLOB:
        if (v.sqlsubtype == 1)
            return decodedText(index);
        return getBytes(index);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
    {
        std::int64_t x = 0;
        if (type == SQL_SHORT)
            x = *reinterpret_cast<const ISC_SHORT*>(v.sqldata);
        else if (type == SQL_LONG)
            x = *reinterpret_cast<const ISC_LONG*>(v.sqldata);
        else
            x = *reinterpret_cast<const ISC_INT64*>(v.sqldata);
        return scaledText(x, -v.sqlscale);
    }
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", getDouble(index));
        return buffer;
    }
    case SQL_TYPE_DATE:
        return dateText(getDateTime(index), false);
    case SQL_TIMESTAMP:
        return dateText(getDateTime(index), true);
    case SQL_BOOLEAN:
        return *v.sqldata ? "TRUE" : "FALSE";
    default:
        throw UsageError("field " + fieldName(index) + ": unsupported type");
    }
}

std::int64_t Cursor::getInt64(int index) const
{
    if (isNull(index))
        return 0;
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
        return rescale(*reinterpret_cast<const ISC_SHORT*>(v.sqldata), -v.sqlscale, 0);
    case SQL_LONG:
        return rescale(*reinterpret_cast<const ISC_LONG*>(v.sqldata), -v.sqlscale, 0);
    case SQL_INT64:
        return rescale(*reinterpret_cast<const ISC_INT64*>(v.sqldata), -v.sqlscale, 0);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return std::llround(getDouble(index));
    case SQL_BOOLEAN:
        return *v.sqldata ? 1 : 0;
    case SQL_TEXT:
    case SQL_VARYING: {
        std::int64_t x = 0;
        if (!parseScaled(getBytes(index), 0, x))
            throw UsageError("field " + fieldName(index) + " is not a number");
        return x;
    }
    default:
        throw UsageError("field " + fieldName(index) + " is not a number");
    }
}

platform::Currency Cursor::getCurrency(int index) const
{
    if (isNull(index))
        return 0;
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
        return rescale(*reinterpret_cast<const ISC_SHORT*>(v.sqldata), -v.sqlscale, 4);
    case SQL_LONG:
        return rescale(*reinterpret_cast<const ISC_LONG*>(v.sqldata), -v.sqlscale, 4);
    case SQL_INT64:
        return rescale(*reinterpret_cast<const ISC_INT64*>(v.sqldata), -v.sqlscale, 4);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return std::llround(getDouble(index) * 10000.0);
    case SQL_TEXT:
    case SQL_VARYING: {
        std::int64_t x = 0;
        if (!parseScaled(getBytes(index), 4, x))
            throw UsageError("field " + fieldName(index) + " is not a number");
        return x;
    }
    default:
        throw UsageError("field " + fieldName(index) + " is not a number");
    }
}

double Cursor::getDouble(int index) const
{
    if (isNull(index))
        return 0;
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    const double scale = std::pow(10.0, v.sqlscale);
    switch (v.sqltype & ~1) {
    case SQL_SHORT:
        return *reinterpret_cast<const ISC_SHORT*>(v.sqldata) * scale;
    case SQL_LONG:
        return *reinterpret_cast<const ISC_LONG*>(v.sqldata) * scale;
    case SQL_INT64:
        return static_cast<double>(*reinterpret_cast<const ISC_INT64*>(v.sqldata)) * scale;
    case SQL_FLOAT:
        return *reinterpret_cast<const float*>(v.sqldata);
    case SQL_DOUBLE:
        return *reinterpret_cast<const double*>(v.sqldata);
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
        return getDateTime(index);
    default:
        return static_cast<double>(getCurrency(index)) / 10000.0;
    }
}

platform::TDateTime Cursor::getDateTime(int index) const
{
    if (isNull(index))
        return 0;
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    switch (v.sqltype & ~1) {
    case SQL_TYPE_DATE:
        return fromTimestamp(*reinterpret_cast<const ISC_DATE*>(v.sqldata), 0);
    case SQL_TIMESTAMP: {
        const auto* ts = reinterpret_cast<const ISC_TIMESTAMP*>(v.sqldata);
        return fromTimestamp(ts->timestamp_date, ts->timestamp_time);
    }
    case SQL_TYPE_TIME:
        return static_cast<double>(*reinterpret_cast<const ISC_TIME*>(v.sqldata)) / kTicksPerDay;
    default:
        throw UsageError("field " + fieldName(index) + " is not a date");
    }
}

bool Cursor::isNull(std::string_view name) const { return isNull(requireIndex(name)); }
std::string Cursor::getString(std::string_view name) const { return getString(requireIndex(name)); }
std::string Cursor::getBytes(std::string_view name) const { return getBytes(requireIndex(name)); }
std::int64_t Cursor::getInt64(std::string_view name) const { return getInt64(requireIndex(name)); }
int Cursor::getInt(std::string_view name) const
{
    return static_cast<int>(getInt64(requireIndex(name)));
}
platform::Currency Cursor::getCurrency(std::string_view name) const
{
    return getCurrency(requireIndex(name));
}
double Cursor::getDouble(std::string_view name) const { return getDouble(requireIndex(name)); }
platform::TDateTime Cursor::getDateTime(std::string_view name) const
{
    return getDateTime(requireIndex(name));
}

bool Cursor::getBool(std::string_view name) const
{
    return getInt64(requireIndex(name)) != 0;
}

BlobId Cursor::getBlobId(std::string_view name) const
{
    const int index = requireIndex(name);
    if (isNull(index))
        return {};
    const XSQLVAR& v = m_statement->m_impl->out.var(index);
    if ((v.sqltype & ~1) != SQL_BLOB)
        throw UsageError("field " + fieldName(index) + " is not a BLOB");
    ISC_QUAD q;
    std::memcpy(&q, v.sqldata, sizeof q);
    return BlobId{static_cast<std::uint32_t>(q.gds_quad_high), q.gds_quad_low};
}

} // namespace firebird
