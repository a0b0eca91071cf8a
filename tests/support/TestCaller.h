#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Plays the calling program: binds the datagram socket that the program's CallerLink sends to for
// a window handle (in the runtime folder in force when it is created) and collects the calls.
class TestCaller {
public:
    explicit TestCaller(std::int64_t handle);
    ~TestCaller();
    TestCaller(const TestCaller&) = delete;
    TestCaller& operator=(const TestCaller&) = delete;

    // Every call received so far, oldest first: "DISABLE", "FOREGROUND", "ENABLE",
    // "POST <message> <wparam> <lparam>". Never waits: what has been sent is already queued.
    const std::vector<std::string>& received();
    // Waits until at least count calls have arrived (false if they never do; the wait is only a
    // guard against a program that hangs).
    bool waitForCalls(std::size_t count);
    // Whether the caller's window is enabled after the calls received so far.
    bool enabled();

    const std::string& socketPath() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    std::vector<std::string> m_received;
};

} // namespace testsupport
