#pragma once

#include <memory>
#include <string>
#include <vector>

class QProcess;

namespace testsupport {

// Another process that holds named mutexes (in the runtime folder of this process's environment)
// until it is released or killed.
class MutexHolder {
public:
    // Starts the holder and returns once it holds every name; throws when it cannot.
    explicit MutexHolder(const std::vector<std::string>& names);
    ~MutexHolder();
    MutexHolder(const MutexHolder&) = delete;
    MutexHolder& operator=(const MutexHolder&) = delete;

    // Whether the holder still runs.
    bool running() const;
    // Lets the holder end normally; returns its exit status.
    int release();
    // Ends the holder the hard way (SIGKILL), as a crash would.
    void kill();

private:
    std::unique_ptr<QProcess> m_process;
};

} // namespace testsupport
