#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace firebird {

class Transaction;
class Statement;

// How to reach a database. A plain local path is served by the embedded engine (or by a local
// server that holds the file); "host:path" (or "host/port:path") goes to a server over TCP.
struct ConnectParams {
    std::string database;
    std::string user;
    std::string password;
    std::string charset = "SJIS_0208";
    std::string role;
};

// The client library ends every connection on SIGINT and SIGTERM by itself. A program that
// handles those signals (and signs off cleanly) calls this once at start so its connections stay
// until it closes them. Returns false when the library refused the request.
bool keepConnectionsOnSignal();

// One connection to one database. Not copyable and not movable: transactions and statements
// keep a reference to it, so it must outlive them. An attachment can be connected, closed and
// connected again; closing rolls back its open transactions and drops its prepared statements
// (they prepare again on their next use).
class Attachment {
public:
    Attachment() = default;
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    void connect(const ConnectParams& params);
    // Closes the connection; open transactions are rolled back first. Throws DatabaseError.
    void disconnect();
    // Closes even when the server cannot be reached; never throws.
    void forceClose() noexcept;
    // Drops the connected database (the attachment is closed afterwards).
    void dropDatabase();

    bool connected() const { return m_handle != 0; }
    // The name given to connect() (kept after a disconnect).
    const std::string& databaseName() const { return m_params.database; }
    const ConnectParams& params() const { return m_params; }
    // Forget the last connect parameters (databaseName() becomes empty).
    void clearParams() { m_params = ConnectParams{}; }

    // Creates a database (dialect 3) and leaves this attachment connected to it.
    void createDatabase(const ConnectParams& params, int pageSize = 16384);

    // Runs one statement outside any prepared statement, in its own transaction.
    void executeImmediate(const std::string& sql);

private:
    friend class Blob;
    friend class Transaction;
    friend class Statement;
    std::uint32_t* handlePtr() { return &m_handle; }
    void add(Transaction* t) { m_transactions.push_back(t); }
    void remove(Transaction* t);
    void add(Statement* s) { m_statements.push_back(s); }
    void remove(Statement* s);
    void releaseChildren(bool force) noexcept;

    std::uint32_t m_handle = 0;
    ConnectParams m_params;
    std::vector<Transaction*> m_transactions;
    std::vector<Statement*> m_statements;
};

// The database name of the connect rule: "host:path" for a server, the path alone otherwise.
std::string databaseName(const std::string& host, const std::string& path);

} // namespace firebird
