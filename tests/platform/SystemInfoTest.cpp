#include "platform/DesktopServices.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

namespace {

struct RecordingOpener final : platform::UrlOpener {
    std::vector<std::string> urls;
    std::vector<std::string> files;
    bool answer = true;
    bool openUrl(const std::string& url) override
    {
        urls.push_back(url);
        return answer;
    }
    bool openLocalFile(const std::string& nativePath) override
    {
        files.push_back(nativePath);
        return answer;
    }
};

} // namespace

TEST(DesktopServices, InstalledOpenerTakesEveryRequestUntilRemoved)
{
    RecordingOpener opener;
    platform::setUrlOpener(&opener);
    EXPECT_TRUE(platform::openUrl("https://www.quelto.example/option/"));
    opener.answer = false;
    EXPECT_FALSE(platform::openLocalFile("/usr/share/doc/x.html"));
    platform::setUrlOpener(nullptr);

    EXPECT_EQ(opener.urls, std::vector<std::string>{"https://www.quelto.example/option/"});
    EXPECT_EQ(opener.files, std::vector<std::string>{"/usr/share/doc/x.html"});
    EXPECT_NE(&platform::urlOpener(), &opener);
}
