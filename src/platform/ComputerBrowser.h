// The computers on the local network that offer a database server or shared folders, found
// through the Avahi daemon (mDNS/DNS-SD): the hosts announcing "_gds_db._tcp" (Firebird) or
// "_smb._tcp" (SMB shares).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct ComputerBrowseResult {
    bool daemonRunning = false; // false: no Avahi daemon answered (error says why)
    std::vector<std::string> names; // host names without ".local", sorted, each once
    std::string error;
};

// Browses until every browser has reported what it knows and every host name is resolved, or
// until timeoutMs have passed.
ComputerBrowseResult browseComputers(int timeoutMs = 5000);

} // namespace platform
