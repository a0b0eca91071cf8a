#include "support/TestCaller.h"

#include "platform/CallerLink.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace testsupport {

TestCaller::TestCaller(std::int64_t handle) : m_path(platform::CallerLink::socketPath(handle))
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (m_path.size() >= sizeof(address.sun_path))
        throw std::runtime_error("socket path too long: " + m_path);
    std::memcpy(address.sun_path, m_path.c_str(), m_path.size() + 1);
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "socket");
    ::unlink(m_path.c_str());
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        const int error = errno;
        ::close(m_fd);
        throw std::system_error(error, std::generic_category(), "bind " + m_path);
    }
}

TestCaller::~TestCaller()
{
    ::close(m_fd);
    ::unlink(m_path.c_str());
}

const std::vector<std::string>& TestCaller::received()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break; // EAGAIN: nothing more queued
        m_received.emplace_back(buffer, std::size_t(n));
    }
    return m_received;
}

bool TestCaller::waitForCalls(std::size_t count)
{
    constexpr int kSafetyMilliseconds = 60000;
    while (received().size() < count) {
        pollfd p {m_fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, kSafetyMilliseconds);
        if (rc == 0)
            return false;
        if (rc < 0 && errno != EINTR)
            return false;
    }
    return true;
}

bool TestCaller::enabled()
{
    bool on = true;
    for (const auto& call : received()) {
        if (call == "DISABLE")
            on = false;
        else if (call == "ENABLE")
            on = true;
    }
    return on;
}

} // namespace testsupport
