#include "platform/NamedMutex.h"

#include "platform/SpecialFolders.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

int openLockFile(const std::string& name)
{
    const std::string path = NamedMutex::lockFilePath(name);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + path);
    return fd;
}

// True when the lock was taken, false when someone else holds a conflicting one.
bool tryLock(int fd, int operation)
{
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return true;
    if (errno == EWOULDBLOCK)
        return false;
    throw std::system_error(errno, std::generic_category(), "flock");
}

} // namespace

std::string NamedMutex::lockFilePath(const std::string& name)
{
    // Mutex names may hold "\" (e.g. "Global\..."); no name may leave the folder.
    std::string file = name;
    for (char& c : file)
        if (c == '/' || c == '\\')
            c = '_';
    return runtimeFolder() + "/" + file + ".lock";
}

bool NamedMutex::exists(const std::string& name)
{
    const int fd = openLockFile(name);
    bool free = false;
    try {
        free = tryLock(fd, LOCK_SH);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd); // also drops the shared lock
    return !free;
}

NamedMutex::NamedMutex(const std::string& name) : m_name(name)
{
    const int fd = openLockFile(name);
    bool locked = false;
    try {
        locked = tryLock(fd, LOCK_EX);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (locked)
        m_fd = fd;
    else
        ::close(fd);
}

NamedMutex::~NamedMutex() { release(); }

void NamedMutex::release()
{
    if (m_fd >= 0) {
        // The lock file stays: removing it would race with a process that has just opened it.
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
