#pragma once

#include "firebird/Blob.h"
#include "platform/CoreTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace firebird {

class Attachment;
class Cursor;
class Transaction;

// A DSQL statement with named parameters (":CODE"; a name may appear several times). The SQL
// text is set once or replaced with setSql(); it is prepared on first use and again after its
// attachment was closed and reopened. Parameter values keep until the SQL text changes; a
// parameter never set is NULL. Text is UTF-8 here and CP932 in the database.
// SELECT statements and procedures with outputs are read through a Cursor from open();
// everything else runs with execute().
class Statement {
public:
    explicit Statement(Transaction& transaction, std::string sql = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void setSql(std::string sql);
    const std::string& sql() const { return m_sql; }
    void setTransaction(Transaction& transaction);
    Transaction& transaction() const { return *m_transaction; }

    // Parameter names in order of first appearance, upper-cased.
    std::vector<std::string> parameterNames() const;
    bool hasParameter(std::string_view name) const;

    void setNull(std::string_view name);
    void setString(std::string_view name, std::string_view utf8);
    void setBytes(std::string_view name, std::string_view bytes); // raw, no conversion
    void setInt(std::string_view name, std::int64_t value);
    void setCurrency(std::string_view name, platform::Currency value);
    void setDouble(std::string_view name, double value);
    void setDateTime(std::string_view name, platform::TDateTime value);
    void setBool(std::string_view name, bool value);
    void setBlob(std::string_view name, BlobId id);
    // Stores a new BLOB with the UTF-8 text (CP932 in the database) and binds its id.
    void setBlobText(std::string_view name, std::string_view utf8);
    void clearParameters();

    void prepare();
    bool prepared() const;
    void unprepare() noexcept;

    // Runs a statement that returns no cursor. Throws DatabaseError.
    void execute();
    // Runs a SELECT (or EXECUTE PROCEDURE with outputs) and returns its rows.
    Cursor open();
    // Rows inserted, updated or deleted by the last execute().
    long rowsAffected();

    // Output columns (after prepare), upper-cased aliases.
    std::vector<std::string> fieldNames();
    bool hasField(std::string_view name);
    bool isSelect();

private:
    friend class Attachment;
    friend class Cursor;
    struct Impl;

    void ensurePrepared();
    void bindInputs();
    void closeCursor() noexcept;
    void dropHandle(bool callServer) noexcept;

    Transaction* m_transaction;
    Attachment& m_attachment;
    std::string m_sql;
    std::unique_ptr<Impl> m_impl;
};

// The rows of an open statement. Moving is allowed; the statement must outlive its cursor, and
// opening the statement again closes the previous cursor. Getters read the current row: NULL
// reads as 0, empty text or date 0.
class Cursor {
public:
    Cursor(Cursor&& other) noexcept;
    Cursor& operator=(Cursor&& other) noexcept;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    ~Cursor();

    // Moves to the next row; false at the end.
    bool fetch();
    void close() noexcept;

    int fieldCount() const;
    std::string fieldName(int index) const;
    int fieldIndex(std::string_view name) const; // -1 when absent
    bool hasField(std::string_view name) const { return fieldIndex(name) >= 0; }

    bool isNull(std::string_view name) const;
    std::string getString(std::string_view name) const;
    std::string getBytes(std::string_view name) const; // raw bytes of text or BLOB
    std::int64_t getInt64(std::string_view name) const;
    int getInt(std::string_view name) const;
    platform::Currency getCurrency(std::string_view name) const;
    double getDouble(std::string_view name) const;
    platform::TDateTime getDateTime(std::string_view name) const;
    bool getBool(std::string_view name) const;
    BlobId getBlobId(std::string_view name) const;

    bool isNull(int index) const;
    std::string getString(int index) const;
    std::string getBytes(int index) const;
    std::int64_t getInt64(int index) const;
    platform::Currency getCurrency(int index) const;
    double getDouble(int index) const;
    platform::TDateTime getDateTime(int index) const;

private:
    std::string decodedText(int index) const;
    friend class Statement;
    Cursor(Statement& statement, bool singleRow, std::uint64_t generation);
    int requireIndex(std::string_view name) const;
    void requireRow() const;

    Statement* m_statement;
    bool m_singleRow;
    bool m_onRow = false;
    bool m_done = false;
    std::uint64_t m_generation;
};

} // namespace firebird
