#include "firebird/Transaction.h"

#include "firebird/Attachment.h"
#include "firebird/Client_p.h"

#include <string>

namespace firebird {

using detail::Status;
using detail::check;

Transaction::Transaction(Attachment& attachment, Isolation isolation)
    : m_attachment(attachment), m_isolation(isolation)
{
    m_attachment.add(this);
}

Transaction::~Transaction()
{
    end();
    m_attachment.remove(this);
}

void Transaction::start()
{
    if (inTransaction())
        throw UsageError("Transaction::start: already active");
    if (!m_attachment.connected())
        throw NotConnectedError("Transaction::start: database not connected");
    std::string tpb;
    tpb += char(isc_tpb_version3);
    tpb += char(isc_tpb_write);
    if (m_isolation == Isolation::ReadCommitted) {
        tpb += char(isc_tpb_read_committed);
        tpb += char(isc_tpb_rec_version);
    } else {
        tpb += char(isc_tpb_concurrency);
    }
    tpb += char(isc_tpb_nowait);
    Status status;
    isc_start_transaction(status.get(), &m_handle, 1, m_attachment.handlePtr(),
                          static_cast<unsigned short>(tpb.size()), tpb.data());
    if (status.failed()) {
        m_handle = 0;
        throw detail::makeError(status.vector, "Transaction::start");
    }
}

void Transaction::commit()
{
    if (!inTransaction())
        throw UsageError("Transaction::commit: not active");
    Status status;
    isc_commit_transaction(status.get(), &m_handle);
    check(status, "Transaction::commit");
    m_handle = 0;
}

void Transaction::commitRetaining()
{
    if (!inTransaction())
        throw UsageError("Transaction::commitRetaining: not active");
    Status status;
    isc_commit_retaining(status.get(), &m_handle);
    check(status, "Transaction::commitRetaining");
}

void Transaction::rollback()
{
    if (!inTransaction())
        throw UsageError("Transaction::rollback: not active");
    Status status;
    isc_rollback_transaction(status.get(), &m_handle);
    if (status.failed()) {
        // A transaction whose connection broke cannot be rolled back; it is gone either way.
        const DatabaseError error = detail::makeError(status.vector, "Transaction::rollback");
        m_handle = 0;
        throw error;
    }
    m_handle = 0;
}

void Transaction::end() noexcept
{
    if (!inTransaction())
        return;
    if (m_attachment.connected()) {
        Status status;
        isc_rollback_transaction(status.get(), &m_handle);
    }
    m_handle = 0;
}

std::uint32_t* Transaction::handlePtr()
{
    if (!inTransaction())
        throw UsageError("Transaction: not active");
    return &m_handle;
}

} // namespace firebird
