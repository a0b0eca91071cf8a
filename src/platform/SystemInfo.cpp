#include "platform/SystemInfo.h"

#include <array>
#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {
// Windows 10's major number: above 5, as every supported system is.
constexpr int kMajorVersion = 10;
} // namespace

int osMajorVersion()
{
    return kMajorVersion;
}

std::string computerName()
{
    std::array<char, 256> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0)
        return {};
    return std::string(buffer.data());
}

std::string userName()
{
    std::array<char, 4096> scratch{};
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found
        && found->pw_name && *found->pw_name)
        return std::string(found->pw_name);
    if (const char* user = std::getenv("USER"))
        return std::string(user);
    return {};
}

} // namespace platform
