#pragma once

// Reads the depreciation calculator's input (DepreciationCalculator.h) from the company database.

#include "export/DepreciationCalculator.h"

#include <memory>

namespace firebird {
class Cursor;
class Statement;
class Transaction;
} // namespace firebird

// The KS_SISAN columns the calculator reads, as a SELECT list (REC first), and the row of a
// cursor that selected them.
extern const char* const kKsSisanColumns;
KsSisanRow ksSisanRowFromCursor(const firebird::Cursor& c);

// The company database as the calculator's data source: one query on the company database,
// run under the transaction it is given (the statement loaders pass their own).
class GenkaSyokyakuDatabaseSource : public GenkaSyokyakuDataSource {
public:
    explicit GenkaSyokyakuDatabaseSource(firebird::Transaction& transaction);
    ~GenkaSyokyakuDatabaseSource() override;

    // Binds the asset query to the caller's transaction.
    void SetTransaction(firebird::Transaction& transaction);

    KeikaSochi readKeikaSochi() override;
    std::optional<KsSisanRow> readSisan(std::int32_t rec) override;

private:
    firebird::Transaction* m_transaction;
    std::unique_ptr<firebird::Statement> m_query;
};
