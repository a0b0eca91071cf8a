#include "firebird/Attachment.h"

#include "firebird/Client_p.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "platform/Text.h"

#include <algorithm>

namespace firebird {

using detail::Status;
using detail::check;

namespace {

std::string buildDpb(const ConnectParams& p)
{
    std::string dpb(1, char(isc_dpb_version1));
    detail::addString(dpb, isc_dpb_user_name, p.user);
    detail::addString(dpb, isc_dpb_password, p.password);
    if (!p.charset.empty())
        detail::addString(dpb, isc_dpb_lc_ctype, p.charset);
    if (!p.role.empty())
        detail::addString(dpb, isc_dpb_sql_role_name, p.role);
    return dpb;
}

// Refuses the client library's own shut-down when a signal asked for it.
int refuseSignalShutdown(const int reason, const int /*mask*/, void* /*arg*/)
{
    return reason == fb_shutrsn_signal ? 1 : 0; // non-zero refuses
}

} // namespace

bool keepConnectionsOnSignal()
{
    Status status;
    fb_shutdown_callback(status.get(), refuseSignalShutdown, fb_shut_confirmation, nullptr);
    return !status.failed();
}

Attachment::~Attachment()
{
    forceClose();
    // Children that outlive us would dangle: the rule is that parents outlive children.
}

void Attachment::connect(const ConnectParams& params)
{
    if (connected())
        throw UsageError("Attachment::connect: already connected to " + m_params.database);
    m_params = params;
    const std::string dpb = buildDpb(params);
    Status status;
    isc_attach_database(status.get(), 0, params.database.c_str(), &m_handle,
                        static_cast<short>(dpb.size()), dpb.data());
    if (status.failed()) {
        m_handle = 0;
        throw detail::makeError(status.vector, "Attachment::connect");
    }
}

void Attachment::createDatabase(const ConnectParams& params, int pageSize)
{
    if (connected())
        throw UsageError("Attachment::createDatabase: already connected");
    m_params = params;
    std::string dpb = buildDpb(params);
    detail::addDpbInt32(dpb, isc_dpb_page_size, static_cast<std::uint32_t>(pageSize));
    detail::addDpbInt32(dpb, isc_dpb_sql_dialect, 3);
    if (!params.charset.empty())
        detail::addString(dpb, isc_dpb_set_db_charset, params.charset);
    Status status;
    isc_create_database(status.get(), 0, params.database.c_str(), &m_handle,
                        static_cast<short>(dpb.size()), dpb.data(), 0);
    if (status.failed()) {
        m_handle = 0;
        throw detail::makeError(status.vector, "Attachment::createDatabase");
    }
}

void Attachment::releaseChildren(bool force) noexcept
{
    for (Statement* s : m_statements)
        s->dropHandle(!force);
    for (Transaction* t : m_transactions)
        t->end();
}

void Attachment::disconnect()
{
    if (!connected())
        return;
    releaseChildren(false);
    Status status;
    isc_detach_database(status.get(), &m_handle);
    check(status, "Attachment::disconnect");
    m_handle = 0;
}

void Attachment::forceClose() noexcept
{
    if (!connected())
        return;
    releaseChildren(true);
    Status status;
    isc_detach_database(status.get(), &m_handle);
    // A broken link cannot be detached cleanly; the handle is given up all the same.
    m_handle = 0;
}

void Attachment::dropDatabase()
{
    if (!connected())
        throw NotConnectedError("Attachment::dropDatabase: not connected");
    releaseChildren(false);
    Status status;
    isc_drop_database(status.get(), &m_handle);
    check(status, "Attachment::dropDatabase");
    m_handle = 0;
}

void Attachment::executeImmediate(const std::string& sql)
{
    Transaction tr(*this);
    tr.start();
    Status status;
    const std::string text = platform::text::toCp932(sql);
    isc_dsql_execute_immediate(status.get(), &m_handle, tr.handlePtr(),
                               static_cast<unsigned short>(text.size()), text.c_str(), 3, nullptr);
    check(status, "Attachment::executeImmediate");
    tr.commit();
}

void Attachment::remove(Transaction* t)
{
    m_transactions.erase(std::remove(m_transactions.begin(), m_transactions.end(), t),
                         m_transactions.end());
}

void Attachment::remove(Statement* s)
{
    m_statements.erase(std::remove(m_statements.begin(), m_statements.end(), s),
                       m_statements.end());
}

std::string databaseName(const std::string& host, const std::string& path)
{
    return host.empty() ? path : host + ":" + path;
}

} // namespace firebird
