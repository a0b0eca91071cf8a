#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>

#include <pwd.h>
#include <unistd.h>

// The version is a fixed answer; what it switches on, the elevation rule, is checked where it is
// used (records' SystemUtilsTest, ElevationRuleFollowsEnableLua).

TEST(SystemInfo, ComputerAndUserNameComeFromTheSystem)
{
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(platform::computerName(), std::string(host));
    EXPECT_FALSE(platform::computerName().empty());

    const passwd* pw = ::getpwuid(::geteuid());
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(platform::userName(), std::string(pw->pw_name));
}
