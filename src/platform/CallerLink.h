#pragma once

#include <cstdint>
#include <string>

// The window of the program that started us. On Windows the caller passes its window handle and
// we disable it, bring it to the front, enable it and post it a message. Here the handle names the
// caller's local datagram socket "caller-<handle>.sock" in the runtime folder
// (platform/SpecialFolders.h), and each of those calls sends one ASCII datagram to it:
//   "DISABLE", "FOREGROUND", "ENABLE", "POST <message> <wparam> <lparam>" (decimal numbers).
// Like calls on a window that has gone away, sends to a socket that is missing or closed do nothing.
namespace platform {

class CallerLink {
public:
    // Handle 0: no calling window; every call does nothing.
    explicit CallerLink(std::int64_t handle = 0) : m_handle(handle) {}

    std::int64_t handle() const { return m_handle; }
    bool hasCaller() const { return m_handle != 0; }

    void disable() const;
    void bringToFront() const;
    void enable() const;
    void post(std::int64_t message, std::int64_t wparam, std::int64_t lparam) const;

    // The socket a caller binds to receive the calls for its handle.
    static std::string socketPath(std::int64_t handle);

private:
    void send(const std::string& datagram) const;

    std::int64_t m_handle;
};

} // namespace platform
