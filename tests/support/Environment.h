#pragma once

#include <string>

namespace testsupport {

// Sets (or with nullptr unsets) an environment variable for its lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_hadOld = false;
};

} // namespace testsupport
