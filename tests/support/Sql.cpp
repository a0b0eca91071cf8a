#include "support/Sql.h"

#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "support/FixtureDb.h"

namespace testsupport {

void exec(firebird::Attachment& db, const std::string& sql)
{
    firebird::Transaction tr(db);
    tr.start();
    firebird::Statement(tr, sql).execute();
    tr.commit();
}

std::vector<std::string> rows(firebird::Attachment& db, const std::string& sql, const std::string& nullText)
{
    firebird::Transaction tr(db);
    tr.start();
    firebird::Statement st(tr, sql);
    auto c = st.open();
    std::vector<std::string> out;
    while (c.fetch()) {
        std::string line;
        for (int i = 0; i < c.fieldCount(); ++i)
            line += (i ? "|" : "") + (c.isNull(i) ? nullText : c.getString(i));
        out.push_back(line);
    }
    return out;
}

std::string onDatabase(const std::string& database, const std::string& sql)
{
    firebird::Attachment db;
    db.connect(morabyParams(database));
    firebird::Transaction tr(db);
    tr.start();
    std::string value;
    firebird::Statement st(tr, sql);
    if (sql.rfind("SELECT", 0) == 0) {
        auto c = st.open();
        if (c.fetch())
            value = c.isNull(0) ? "NULL" : c.getString(0);
    } else {
        st.execute();
    }
    tr.commit();
    return value;
}

} // namespace testsupport
