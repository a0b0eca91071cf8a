#include "platform/CallerLink.h"

#include "platform/SpecialFolders.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

std::string CallerLink::socketPath(std::int64_t handle)
{
    return runtimeFolder() + "/caller-" + std::to_string(handle) + ".sock";
}

void CallerLink::disable() const { send("DISABLE"); }

void CallerLink::bringToFront() const { send("FOREGROUND"); }

void CallerLink::enable() const { send("ENABLE"); }

void CallerLink::post(std::int64_t message, std::int64_t wparam, std::int64_t lparam) const
{
    send("POST " + std::to_string(message) + " " + std::to_string(wparam) + " " +
         std::to_string(lparam));
}

void CallerLink::send(const std::string& datagram) const
{
    if (!hasCaller())
        return;
    std::string path;
    try {
        path = socketPath(m_handle);
    } catch (const std::exception&) {
        return; // no runtime folder: no caller can be listening
    }
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Never wait for a caller that does not read: a full queue loses the call, as a full
    // window-message queue does.
    ssize_t rc;
    do {
        rc = ::sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                      reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (rc < 0 && errno == EINTR);
    ::close(fd);
}

} // namespace platform
