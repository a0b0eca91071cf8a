#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>

#include <pwd.h>
#include <unistd.h>

TEST(SystemInfo, VersionCountsAsSystemWithElevationRules)
{
    EXPECT_GT(platform::osMajorVersion(), 5);
}

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
