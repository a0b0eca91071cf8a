#include "support/TcpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace testsupport {
namespace {

struct Link {
    int client;
    int server;
};

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Closes with a reset, as a broken network link looks to both ends.
void closeLink(const Link& l)
{
    const linger abort{1, 0};
    for (int fd : {l.client, l.server}) {
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(fd);
    }
}

} // namespace

TcpRelay::TcpRelay(int targetPort) : m_targetPort(targetPort)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = 0;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe(m_wake) != 0)
        throw std::runtime_error("TcpRelay: cannot listen");
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { loop(); });
}

TcpRelay::~TcpRelay()
{
    send(Command::Quit);
    m_thread.join();
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void TcpRelay::send(Command c)
{
    std::unique_lock lock(m_mutex);
    m_command = c;
    const char byte = 1;
    if (::write(m_wake[1], &byte, 1) != 1)
        throw std::runtime_error("TcpRelay: wake failed");
    m_done.wait(lock, [this] { return m_command == Command::None; });
}

void TcpRelay::cutConnections() { send(Command::Cut); }
void TcpRelay::stopListening() { send(Command::Stop); }

int TcpRelay::linksOpened() const
{
    std::lock_guard lock(m_mutex);
    return m_linksOpened;
}

void TcpRelay::loop()
{
    std::vector<Link> links;
    char buffer[65536];
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({m_wake[0], POLLIN, 0});
        fds.push_back({m_listen, static_cast<short>(m_listen >= 0 ? POLLIN : 0), 0});
        for (const Link& l : links) {
            fds.push_back({l.client, POLLIN, 0});
            fds.push_back({l.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents & POLLIN) {
            char byte;
            (void)::read(m_wake[0], &byte, 1);
            std::lock_guard lock(m_mutex);
            const Command c = m_command;
            if (c == Command::Cut || c == Command::Stop || c == Command::Quit) {
                for (const Link& l : links)
                    closeLink(l);
                links.clear();
            }
            if ((c == Command::Stop || c == Command::Quit) && m_listen >= 0) {
                ::close(m_listen);
                m_listen = -1;
            }
            m_command = Command::None;
            m_done.notify_all();
            if (c == Command::Quit)
                return;
            continue;
        }
        std::vector<Link> alive;
        for (std::size_t i = 0; i < links.size(); ++i) {
            const Link l = links[i];
            bool broken = false;
            const pollfd& c = fds[2 + 2 * i];
            const pollfd& s = fds[3 + 2 * i];
            if (c.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::read(l.client, buffer, sizeof buffer);
                broken = n <= 0 || ::send(l.server, buffer, std::size_t(n), MSG_NOSIGNAL) != n;
            }
            if (!broken && (s.revents & (POLLIN | POLLHUP | POLLERR))) {
                const ssize_t n = ::read(l.server, buffer, sizeof buffer);
                broken = n <= 0 || ::send(l.client, buffer, std::size_t(n), MSG_NOSIGNAL) != n;
            }
            if (broken)
                closeLink(l);
            else
                alive.push_back(l);
        }
        links.swap(alive);
        if (m_listen >= 0 && (fds[1].revents & POLLIN)) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client >= 0) {
                const int server = connectTo(m_targetPort);
                if (server < 0) {
                    ::close(client);
                } else {
                    links.push_back({client, server});
                    std::lock_guard lock(m_mutex);
                    ++m_linksOpened;
                }
            }
        }
    }
}

} // namespace testsupport
