#pragma once

#include <string>

// Named mutexes shared between processes of the same user: a lock file named after the mutex in
// the runtime folder (platform/SpecialFolders.h), held with flock. The kernel drops the lock when
// the holder ends in any way, so a crashed holder never blocks anyone.
namespace platform {

class NamedMutex {
public:
    // Whether some process holds the mutex (opening it would succeed). Holders take the lock
    // exclusively; this probe takes it shared for an instant, so probes never disturb each other.
    static bool exists(const std::string& name);

    // Tries to create and hold the mutex. held() tells whether it worked: false when another
    // process holds it. Throws std::system_error when the lock file cannot be opened.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool held() const { return m_fd >= 0; }
    const std::string& name() const { return m_name; }
    // Lets the mutex go (also done by the destructor).
    void release();

    // The lock file of a mutex name.
    static std::string lockFilePath(const std::string& name);

private:
    std::string m_name;
    int m_fd = -1;
};

} // namespace platform
