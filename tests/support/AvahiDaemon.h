#pragma once

// An Avahi daemon of a test's own, on the loopback interface only, with a D-Bus system bus of
// its own (DBUS_SYSTEM_BUS_ADDRESS points the test process at it), and services it publishes
// there with avahi-publish. One such daemon runs at a time (its pid file is fixed): starting
// waits for a lock that another test's daemon holds.

#include "support/TempDir.h"

#include <QProcess>

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class AvahiDaemon {
public:
    // The daemon announces its host as hostName (".local" added). Throws std::runtime_error with
    // the reason when the bus or the daemon cannot start.
    explicit AvahiDaemon(const std::string& hostName);
    ~AvahiDaemon();
    AvahiDaemon(const AvahiDaemon&) = delete;
    AvahiDaemon& operator=(const AvahiDaemon&) = delete;

    // Publishes a service of the daemon's host (avahi-publish -s) until the daemon stops.
    // Throws when it is not established.
    void publish(const std::string& name, const std::string& type, int port);

private:
    void start(const std::string& hostName);
    void shutDown();
    void stop(QProcess& process);

    TempDir m_dir;
    int m_lock = -1;
    QByteArray m_oldBus;
    bool m_hadBus = false;
    bool m_busSet = false;
    QProcess m_bus;
    QProcess m_daemon;
    std::vector<std::unique_ptr<QProcess>> m_published;
};

// Points the test process's D-Bus system bus at a socket where nothing listens, so that no
// Avahi daemon can answer; restores the variable at the end.
class NoSystemBus {
public:
    NoSystemBus();
    ~NoSystemBus();

private:
    TempDir m_dir;
    QByteArray m_old;
    bool m_had = false;
};

} // namespace testsupport
