#pragma once

#include <cstdint>
#include <string>

namespace firebird {

class Transaction;

// A generator (sequence) of the database, read and moved within a transaction.
class Generator {
public:
    // The name is an SQL identifier (letters, digits, '_' and '$').
    Generator(Transaction& transaction, std::string name);

    // Adds step and returns the new value.
    std::int64_t next(std::int64_t step = 1);
    std::int64_t current();
    // Sets the value (takes effect at once, whatever becomes of the transaction).
    void set(std::int64_t value);

private:
    Transaction& m_transaction;
    std::string m_name;
};

} // namespace firebird
