#pragma once

#include <stdexcept>
#include <string>

namespace firebird {

// An error reported by the database server or the client library.
// statusCode() is the first code of the status vector (e.g. 335544721 for a lost connection),
// sqlCode() the SQLCODE derived from it (a link broken after connecting reports
// kNetworkError, also where the client library names only the failed read or write), message() the engine's text on one line (UTF-8) and
// context() names the wrapper operation that failed.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(long statusCode, int sqlCode, std::string message, std::string context);

    long statusCode() const { return m_statusCode; }
    int sqlCode() const { return m_sqlCode; }
    const std::string& message() const { return m_message; }
    const std::string& context() const { return m_context; }

private:
    long m_statusCode;
    int m_sqlCode;
    std::string m_message;
    std::string m_context;
};

// Misuse of the wrapper: unknown parameter or field name, fetching from a closed cursor,
// a value of the wrong type. A programming error, not a database condition.
class UsageError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Work asked of an attachment that is not connected. After a lost connection that could not
// be reopened this is how every later step fails, so it counts as that loss.
class NotConnectedError : public UsageError {
public:
    using UsageError::UsageError;
};

// Status codes the program branches on.
inline constexpr long kNetworkError = 335544721;  // isc_network_error: connection lost
inline constexpr long kBugCheck = 335544333;      // isc_bug_check: internal consistency error
inline constexpr long kIoError = 335544344;       // isc_io_error: file missing or unreadable
inline constexpr long kLoginError = 335544472;    // isc_login: user name or password wrong
inline constexpr long kLockConflict = 335544345;  // isc_lock_conflict
inline constexpr long kUniqueViolation = 335544665; // isc_unique_key_violation
inline constexpr long kConnectionShutdown = 335544856; // isc_att_shutdown
inline constexpr long kLostDbConnection = 335544741;   // isc_lost_db_connection
inline constexpr long kDatabaseShutdown = 335544528;   // isc_shutdown

// Whether a status code says the connection to the server is gone: the link broke, the server
// or its administrator ended the attachment, or the database was shut down under it.
bool isConnectionLoss(long statusCode);
// The same for a caught error: a database error with such a code, or work asked of an
// attachment that is no longer connected.
bool isConnectionLoss(const std::exception& error);

} // namespace firebird
