#include "firebird/Blob.h"

#include "firebird/Attachment.h"
#include "firebird/Client_p.h"
#include "firebird/Transaction.h"

namespace firebird {

using detail::Status;
using detail::check;

namespace {

ISC_QUAD toQuad(BlobId id)
{
    ISC_QUAD q;
    q.gds_quad_high = static_cast<ISC_LONG>(id.high);
    q.gds_quad_low = id.low;
    return q;
}

} // namespace

Blob::Blob(Transaction& transaction, BlobId id) : m_transaction(transaction), m_id(id)
{
    ISC_QUAD q = toQuad(id);
    Status status;
    isc_open_blob2(status.get(), transaction.attachment().handlePtr(), transaction.handlePtr(),
                   &m_handle, &q, 0, nullptr);
    check(status, "Blob::open");
}

Blob::Blob(Transaction& transaction) : m_transaction(transaction)
{
    ISC_QUAD q{};
    Status status;
    isc_create_blob2(status.get(), transaction.attachment().handlePtr(), transaction.handlePtr(),
                     &m_handle, &q, 0, nullptr);
    check(status, "Blob::create");
    m_id = BlobId{static_cast<std::uint32_t>(q.gds_quad_high), q.gds_quad_low};
}

Blob::~Blob()
{
    if (m_handle != 0 && m_transaction.inTransaction()) {
        Status status;
        isc_close_blob(status.get(), &m_handle);
    }
}

void Blob::write(std::string_view bytes)
{
    if (m_handle == 0)
        throw UsageError("Blob::write: closed");
    while (!bytes.empty()) {
        const std::size_t n = bytes.size() > 32767 ? 32767 : bytes.size();
        Status status;
        isc_put_segment(status.get(), &m_handle, static_cast<unsigned short>(n), bytes.data());
        check(status, "Blob::write");
        bytes.remove_prefix(n);
    }
}

std::string Blob::readAll()
{
    if (m_handle == 0)
        throw UsageError("Blob::readAll: closed");
    std::string out;
    char buffer[16384];
    for (;;) {
        unsigned short got = 0;
        Status status;
        const ISC_STATUS r =
            isc_get_segment(status.get(), &m_handle, &got, sizeof buffer, buffer);
        if (r == isc_segstr_eof)
            break;
        if (r != 0 && r != isc_segment)
            check(status, "Blob::read");
        out.append(buffer, got);
    }
    return out;
}

void Blob::close()
{
    if (m_handle == 0)
        return;
    Status status;
    isc_close_blob(status.get(), &m_handle);
    check(status, "Blob::close");
    m_handle = 0;
}

std::string Blob::readAll(Transaction& transaction, BlobId id)
{
    Blob blob(transaction, id);
    std::string bytes = blob.readAll();
    blob.close();
    return bytes;
}

BlobId Blob::create(Transaction& transaction, std::string_view bytes)
{
    Blob blob(transaction);
    blob.write(bytes);
    blob.close();
    return blob.id();
}

} // namespace firebird
