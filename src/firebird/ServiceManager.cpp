#include "firebird/ServiceManager.h"

#include "firebird/Client_p.h"

#include <utility>

namespace firebird {

using detail::Status;
using detail::check;

ServiceManager::ServiceManager(std::string host, std::string user, std::string password)
    : m_host(std::move(host)), m_user(std::move(user)), m_password(std::move(password))
{
}

ServiceManager::~ServiceManager()
{
    detach();
}

void ServiceManager::attach()
{
    if (attached())
        return;
    const std::string name = m_host.empty() ? "service_mgr" : m_host + ":service_mgr";
    std::string spb;
    spb += char(isc_spb_version);
    spb += char(isc_spb_current_version);
    detail::addString(spb, isc_spb_user_name, m_user);
    detail::addString(spb, isc_spb_password, m_password);
    Status status;
    isc_service_attach(status.get(), 0, name.c_str(), &m_handle,
                       static_cast<unsigned short>(spb.size()), spb.data());
    if (status.failed()) {
        m_handle = 0;
        throw detail::makeError(status.vector, "ServiceManager::attach");
    }
}

void ServiceManager::detach() noexcept
{
    if (!attached())
        return;
    Status status;
    isc_service_detach(status.get(), &m_handle);
    m_handle = 0;
}

std::string ServiceManager::serverVersion()
{
    attach();
    const char items[] = {isc_info_svc_server_version};
    char buffer[512];
    Status status;
    isc_service_query(status.get(), &m_handle, nullptr, 0, nullptr, sizeof items, items,
                      sizeof buffer, buffer);
    check(status, "ServiceManager::serverVersion");
    if (buffer[0] != isc_info_svc_server_version)
        return {};
    const auto len = static_cast<unsigned short>(isc_vax_integer(buffer + 1, 2));
    return std::string(buffer + 3, len);
}

std::vector<std::string> ServiceManager::attachedDatabases()
{
    attach();
    const char items[] = {isc_info_svc_svr_db_info};
    std::string buffer(65000, '\0');
    Status status;
    isc_service_query(status.get(), &m_handle, nullptr, 0, nullptr, sizeof items, items,
                      static_cast<unsigned short>(buffer.size()), buffer.data());
    check(status, "ServiceManager::attachedDatabases");
    std::vector<std::string> names;
    const char* p = buffer.data();
    const char* end = p + buffer.size();
    if (*p++ != isc_info_svc_svr_db_info)
        return names;
    while (p < end && *p != isc_info_flag_end && *p != isc_info_end) {
        const char item = *p++;
        if (item == isc_spb_num_att || item == isc_spb_num_db) {
            p += 4;
        } else if (item == isc_spb_dbname) {
            const auto len = static_cast<unsigned short>(isc_vax_integer(p, 2));
            p += 2;
            names.push_back(detail::lenientFromCp932(std::string_view(p, len)));
            p += len;
        } else {
            break;
        }
    }
    return names;
}

std::vector<std::string> ServiceManager::run(const std::string& spb, const char* context,
                                             const LineHandler& onLine)
{
    attach();
    Status status;
    isc_service_start(status.get(), &m_handle, nullptr, static_cast<unsigned short>(spb.size()),
                      spb.data());
    check(status, context);
    std::vector<std::string> lines;
    const char items[] = {isc_info_svc_line};
    std::string buffer(16384, '\0');
    for (;;) {
        isc_service_query(status.get(), &m_handle, nullptr, 0, nullptr, sizeof items, items,
                          static_cast<unsigned short>(buffer.size()), buffer.data());
        check(status, context);
        const char* p = buffer.data();
        if (*p != isc_info_svc_line)
            break;
        const auto len = static_cast<unsigned short>(isc_vax_integer(p + 1, 2));
        if (len == 0) {
            if (p[3] == isc_info_data_not_ready)
                continue;
            break;
        }
        std::string line = detail::lenientFromCp932(std::string_view(p + 3, len));
        if (onLine)
            onLine(line);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> ServiceManager::backup(const std::string& database,
                                                const std::string& backupFile, bool verbose,
                                                const LineHandler& onLine)
{
    BackupOptions options;
    options.verbose = verbose;
    return backup(database, backupFile, options, onLine);
}

std::vector<std::string> ServiceManager::backup(const std::string& database,
                                                const std::string& backupFile,
                                                const BackupOptions& options,
                                                const LineHandler& onLine)
{
    std::string spb(1, char(isc_action_svc_backup));
    detail::addString2(spb, isc_spb_dbname, database);
    detail::addString2(spb, isc_spb_bkp_file, backupFile);
    std::uint32_t switches = 0;
    if (options.ignoreLimbo)
        switches |= isc_spb_bkp_ignore_limbo;
    if (options.noGarbageCollection)
        switches |= isc_spb_bkp_no_garbage_collect;
    if (options.nonTransportable)
        switches |= isc_spb_bkp_non_transportable;
    if (switches)
        detail::addInt32(spb, isc_spb_options, switches);
    if (options.verbose)
        spb += char(isc_spb_verbose);
    return run(spb, "ServiceManager::backup", onLine);
}

std::vector<std::string> ServiceManager::restore(const std::string& backupFile,
                                                 const std::string& database, bool replace,
                                                 int pageSize, bool verbose,
                                                 const LineHandler& onLine)
{
    RestoreOptions options;
    options.replace = replace;
    options.create = !replace;
    options.pageSize = pageSize;
    options.verbose = verbose;
    return restore(backupFile, database, options, onLine);
}

std::vector<std::string> ServiceManager::restore(const std::string& backupFile,
                                                 const std::string& database,
                                                 const RestoreOptions& options,
                                                 const LineHandler& onLine)
{
    std::string spb(1, char(isc_action_svc_restore));
    detail::addString2(spb, isc_spb_bkp_file, backupFile);
    detail::addString2(spb, isc_spb_dbname, database);
    std::uint32_t switches = 0;
    if (options.replace)
        switches |= isc_spb_res_replace;
    if (options.create || !options.replace)
        switches |= isc_spb_res_create;
    if (options.deactivateIndexes)
        switches |= isc_spb_res_deactivate_idx;
    detail::addInt32(spb, isc_spb_options, switches);
    if (options.pageBuffers > 0)
        detail::addInt32(spb, isc_spb_res_buffers, static_cast<std::uint32_t>(options.pageBuffers));
    if (options.pageSize > 0)
        detail::addInt32(spb, isc_spb_res_page_size, static_cast<std::uint32_t>(options.pageSize));
    if (options.verbose)
        spb += char(isc_spb_verbose);
    return run(spb, "ServiceManager::restore", onLine);
}

std::vector<std::string> ServiceManager::validate(const std::string& database,
                                                  const LineHandler& onLine)
{
    return validate(database, ValidateOptions{}, onLine);
}

std::vector<std::string> ServiceManager::validate(const std::string& database,
                                                  const ValidateOptions& options,
                                                  const LineHandler& onLine)
{
    std::string spb(1, char(isc_action_svc_repair));
    detail::addString2(spb, isc_spb_dbname, database);
    std::uint32_t switches = isc_spb_rpr_validate_db | isc_spb_rpr_full;
    if (options.ignoreChecksums)
        switches |= isc_spb_rpr_ignore_checksum;
    detail::addInt32(spb, isc_spb_options, switches);
    return run(spb, "ServiceManager::validate", onLine);
}

} // namespace firebird
