#pragma once

#include "firebird/Attachment.h"

#include <string>
#include <vector>

namespace testsupport {

// Runs one statement in a transaction of its own and commits it.
void exec(firebird::Attachment& db, const std::string& sql);

// A query's rows in a transaction of its own, each row its values joined by "|"; a NULL reads
// as nullText.
std::vector<std::string> rows(firebird::Attachment& db, const std::string& sql,
                              const std::string& nullText = "NULL");

// One statement on a database (a path or host:path) through a connection of its own as MORABY,
// committed: for a query the first value of its first row ("NULL" for a null, "" when there is
// no row), else "".
std::string onDatabase(const std::string& database, const std::string& sql);

} // namespace testsupport
