#include "firebird/Generator.h"

#include "firebird/Attachment.h"
#include "firebird/DatabaseError.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

namespace firebird {

Generator::Generator(Transaction& transaction, std::string name)
    : m_transaction(transaction), m_name(std::move(name))
{
    if (m_name.empty())
        throw UsageError("Generator: empty name");
    for (char c : m_name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '$';
        if (!ok)
            throw UsageError("Generator: invalid name " + m_name);
    }
}

std::int64_t Generator::next(std::int64_t step)
{
    Statement st(m_transaction, "SELECT GEN_ID(" + m_name + ", " + std::to_string(step) +
                                    ") FROM RDB$DATABASE");
    Cursor c = st.open();
    c.fetch();
    return c.getInt64(0);
}

std::int64_t Generator::current()
{
    return next(0);
}

void Generator::set(std::int64_t value)
{
    Statement st(m_transaction, "SET GENERATOR " + m_name + " TO " + std::to_string(value));
    st.execute();
}

} // namespace firebird
