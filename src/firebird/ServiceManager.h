#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace firebird {

// Switches of a backup through the Services API.
struct BackupOptions {
    bool ignoreLimbo = false;
    bool noGarbageCollection = false;
    bool nonTransportable = false;
    bool verbose = false;
};

// Switches of a restore. Replace and create may be given together (replace an existing file,
// else create it).
struct RestoreOptions {
    bool replace = false;
    bool create = false;
    bool deactivateIndexes = false;
    int pageBuffers = 0; // 0: the database's own
    int pageSize = 0;    // 0: the backup's
    bool verbose = false;
};

// Switches of a validation (always full, never a repair).
struct ValidateOptions {
    bool ignoreChecksums = false;
};

// The server's Services API: attached databases, backup, restore and validation.
// An empty host talks to the local (embedded) engine, otherwise "host:service_mgr" over TCP.
// Database and backup file names are given as the server sees them.
class ServiceManager {
public:
    // Called with each output line of a running service (verbose backup, restore, validation).
    using LineHandler = std::function<void(const std::string& line)>;

    ServiceManager(std::string host, std::string user, std::string password);
    ~ServiceManager();
    ServiceManager(const ServiceManager&) = delete;
    ServiceManager& operator=(const ServiceManager&) = delete;

    void attach();
    void detach() noexcept;
    bool attached() const { return m_handle != 0; }

    std::string serverVersion();
    // Names of the databases that have attachments on the server (needs admin rights).
    std::vector<std::string> attachedDatabases();

    // Each returns the service's output lines.
    std::vector<std::string> backup(const std::string& database, const std::string& backupFile,
                                    bool verbose = false, const LineHandler& onLine = {});
    std::vector<std::string> restore(const std::string& backupFile, const std::string& database,
                                     bool replace, int pageSize = 0, bool verbose = false,
                                     const LineHandler& onLine = {});
    // Full validation without repair; a sound database yields no output lines.
    std::vector<std::string> validate(const std::string& database,
                                      const LineHandler& onLine = {});

    // The same with every switch spelled out.
    std::vector<std::string> backup(const std::string& database, const std::string& backupFile,
                                    const BackupOptions& options, const LineHandler& onLine = {});
    std::vector<std::string> restore(const std::string& backupFile, const std::string& database,
                                     const RestoreOptions& options,
                                     const LineHandler& onLine = {});
    std::vector<std::string> validate(const std::string& database,
                                      const ValidateOptions& options,
                                      const LineHandler& onLine = {});

private:
    std::vector<std::string> run(const std::string& spb, const char* context,
                                 const LineHandler& onLine);

    std::string m_host;
    std::string m_user;
    std::string m_password;
    std::uint32_t m_handle = 0;
};

} // namespace firebird
