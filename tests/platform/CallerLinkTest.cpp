#include "platform/CallerLink.h"

#include "platform/SpecialFolders.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TestCaller.h"

#include <gtest/gtest.h>

#include <filesystem>

using platform::CallerLink;
using testsupport::TestCaller;
using Calls = std::vector<std::string>;

namespace {

class CallerLinkTest : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
    testsupport::ScopedEnvironment m_runtime {platform::kRuntimeFolderVariable, m_dir.str().c_str()};
};

} // namespace

TEST_F(CallerLinkTest, CallsArriveInOrderAsDatagrams)
{
    TestCaller caller(77);
    TestCaller other(78);
    const CallerLink link(77);
    EXPECT_TRUE(link.hasCaller());

    link.disable();
    EXPECT_FALSE(caller.enabled());
    link.bringToFront();
    link.enable();
    link.post(1025, 3, 1);
    link.post(0x8001, -1, 2147483648LL);

    EXPECT_EQ(caller.received(), (Calls {"DISABLE", "FOREGROUND", "ENABLE", "POST 1025 3 1",
                                         "POST 32769 -1 2147483648"}));
    EXPECT_TRUE(caller.enabled());
    EXPECT_TRUE(other.received().empty()) << "only the named handle's socket is used";
}

TEST_F(CallerLinkTest, SocketIsNamedAfterTheHandleInTheRuntimeFolder)
{
    EXPECT_EQ(CallerLink::socketPath(77), m_dir.str() + "/caller-77.sock");
    EXPECT_EQ(CallerLink::socketPath(-5), m_dir.str() + "/caller--5.sock");
    TestCaller caller(123456789012LL);
    CallerLink(123456789012LL).enable();
    EXPECT_EQ(caller.received(), Calls {"ENABLE"});
}

TEST_F(CallerLinkTest, NoCallerMeansNothingIsSent)
{
    TestCaller zero(0);
    const CallerLink none;
    EXPECT_FALSE(none.hasCaller());
    none.disable();
    none.bringToFront();
    none.enable();
    none.post(1025, 3, 1);
    EXPECT_TRUE(zero.received().empty());
}

TEST_F(CallerLinkTest, CallerThatIsGoneIsIgnored)
{
    const CallerLink link(77);
    // Never listened.
    link.disable();
    link.post(1025, 3, 2);
    // Listened, then went away (its socket file is left behind).
    {
        TestCaller caller(77);
        link.disable();
        EXPECT_EQ(caller.received(), Calls {"DISABLE"});
    }
    std::filesystem::remove_all(m_dir.path());
    EXPECT_NO_THROW(link.enable());
    EXPECT_NO_THROW(link.post(1025, 3, 2));

    // Calls to a caller that was away are lost, not kept for a later one, and the link still
    // reaches a caller that listens again.
    std::filesystem::create_directories(m_dir.path());
    TestCaller back(77);
    link.post(1025, 3, 0);
    EXPECT_EQ(back.received(), Calls {"POST 1025 3 0"});
}
