#pragma once

#include <cstdint>
#include <exception>

namespace firebird {

class Attachment;

enum class Isolation {
    ReadCommitted, // read_committed, rec_version, nowait, write
    Snapshot,      // concurrency, nowait, write: consistent reads over several statements
};

// A transaction on one attachment; start, then commit or roll back, then start again.
// A transaction still active when the object dies is rolled back (errors are swallowed).
class Transaction {
public:
    explicit Transaction(Attachment& attachment, Isolation isolation = Isolation::ReadCommitted);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void start();
    void commit();
    void commitRetaining();
    void rollback();
    bool inTransaction() const { return m_handle != 0; }

    Attachment& attachment() const { return m_attachment; }
    Isolation isolation() const { return m_isolation; }

private:
    friend class Attachment;
    friend class Blob;
    friend class Statement;
    // The client-API handle. Throws UsageError when not active.
    std::uint32_t* handlePtr();
    void end() noexcept; // rollback ignoring errors, drop the handle

    Attachment& m_attachment;
    Isolation m_isolation;
    std::uint32_t m_handle = 0;
};

// The house rule for database work: start the transaction only when none is active, commit only
// what was started here, and roll back what was started here on every other way out.
class StartedHere {
public:
    explicit StartedHere(Transaction& t) : m_t(t)
    {
        if (!m_t.inTransaction()) {
            m_t.start();
            m_started = true;
        }
    }
    ~StartedHere() { rollback(); }
    StartedHere(const StartedHere&) = delete;
    StartedHere& operator=(const StartedHere&) = delete;

    bool started() const { return m_started; }
    void commit()
    {
        if (m_started && m_t.inTransaction())
            m_t.commit();
        m_started = false;
    }
    void rollback() noexcept
    {
        if (m_started && m_t.inTransaction()) {
            try {
                m_t.rollback();
            } catch (const std::exception&) {
            }
        }
        m_started = false;
    }

private:
    Transaction& m_t;
    bool m_started = false;
};

} // namespace firebird
