// The computer browser against an Avahi daemon of the test's own on loopback.
#include "platform/ComputerBrowser.h"

#include "support/AvahiDaemon.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

TEST(ComputerBrowser, ListsEachHostThatAnnouncesADatabaseServerOrSharesOnce)
{
    std::unique_ptr<testsupport::AvahiDaemon> daemon;
    try {
        daemon = std::make_unique<testsupport::AvahiDaemon>("zetrino-test-host");
        daemon->publish("zetrino firebird", "_gds_db._tcp", 3050);
        daemon->publish("zetrino shares", "_smb._tcp", 445);
        daemon->publish("zetrino web", "_http._tcp", 80); // neither: not asked for
    } catch (const std::exception& ex) {
        FAIL() << "the test's own Avahi daemon: " << ex.what();
    }
    const platform::ComputerBrowseResult found = platform::browseComputers();
    EXPECT_TRUE(found.daemonRunning) << found.error;
    EXPECT_EQ(found.names, std::vector<std::string>{"zetrino-test-host"});
}

TEST(ComputerBrowser, WithoutADaemonSaysSo)
{
    testsupport::NoSystemBus noBus;
    const platform::ComputerBrowseResult found = platform::browseComputers();
    EXPECT_FALSE(found.daemonRunning);
    EXPECT_FALSE(found.error.empty());
    EXPECT_TRUE(found.names.empty());
}
