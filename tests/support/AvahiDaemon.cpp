#include "support/AvahiDaemon.h"

#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr const char* kLockFile = "/tmp/zetrino-test-avahi.lock";

QString q(const std::string& s) { return QString::fromStdString(s); }

// Reads the process's merged output until it holds the text (false at the guard time or exit).
bool waitForOutput(QProcess& p, const QByteArray& text, QByteArray& seen)
{
    return QTest::qWaitFor([&] {
        seen += p.readAll();
        return seen.contains(text) || p.state() != QProcess::Running;
    }, 20000) && seen.contains(text);
}

} // namespace

AvahiDaemon::AvahiDaemon(const std::string& hostName)
{
    try {
        start(hostName);
    } catch (...) {
        shutDown();
        throw;
    }
}

void AvahiDaemon::start(const std::string& hostName)
{
    m_lock = ::open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX) != 0)
        throw std::runtime_error("cannot take the Avahi test lock " + std::string(kLockFile));

    const std::string socket = (m_dir / "system_bus").string();
    std::ofstream(m_dir / "bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>system</type>\n  <listen>unix:path="
        << socket
        << "</listen>\n  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
           "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n"
           "  </policy>\n</busconfig>\n";
    // Loopback only: nothing leaves the machine.
    std::ofstream(m_dir / "avahi-daemon.conf")
        << "[server]\nhost-name=" << hostName
        << "\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\nenable-dbus=yes\n"
           "[wide-area]\nenable-wide-area=no\n"
           "[publish]\npublish-addresses=yes\npublish-hinfo=no\npublish-workstation=no\n";

    m_bus.setProcessChannelMode(QProcess::MergedChannels);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + q((m_dir / "bus.conf").string())});
    if (!m_bus.waitForStarted(10000))
        throw std::runtime_error("dbus-daemon cannot start (package dbus-daemon): " +
                                 m_bus.errorString().toStdString());
    if (!QTest::qWaitFor([&] { return std::filesystem::exists(socket) || m_bus.state() != QProcess::Running; },
                         20000) ||
        !std::filesystem::exists(socket))
        throw std::runtime_error("dbus-daemon did not listen: " + m_bus.readAll().toStdString());
    m_hadBus = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
    m_oldBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    m_busSet = true;
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", QByteArray::fromStdString("unix:path=" + socket));

    std::filesystem::create_directories("/run/avahi-daemon");
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(QStringLiteral("avahi-daemon"),
                   {QStringLiteral("-f"), q((m_dir / "avahi-daemon.conf").string()),
                    QStringLiteral("--no-drop-root"), QStringLiteral("--no-chroot"),
                    QStringLiteral("--no-rlimits"), QStringLiteral("--no-proc-title")});
    if (!m_daemon.waitForStarted(10000))
        throw std::runtime_error("avahi-daemon cannot start (package avahi-daemon): " +
                                 m_daemon.errorString().toStdString());
    QByteArray seen;
    if (!waitForOutput(m_daemon, "Server startup complete", seen))
        throw std::runtime_error("avahi-daemon did not start: " + seen.toStdString());
}

AvahiDaemon::~AvahiDaemon() { shutDown(); }

void AvahiDaemon::shutDown()
{
    for (auto& p : m_published)
        stop(*p);
    stop(m_daemon);
    stop(m_bus);
    if (m_busSet && m_hadBus)
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_oldBus);
    else if (m_busSet)
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    m_busSet = false;
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
}

void AvahiDaemon::stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void AvahiDaemon::publish(const std::string& name, const std::string& type, int port)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QStringLiteral("avahi-publish"),
             {QStringLiteral("-s"), q(name), q(type), QString::number(port)});
    if (!p->waitForStarted(10000))
        throw std::runtime_error("avahi-publish cannot start (package avahi-utils): " +
                                 p->errorString().toStdString());
    QByteArray seen;
    const bool established = waitForOutput(*p, "Established", seen);
    m_published.push_back(std::move(p));
    if (!established)
        throw std::runtime_error("avahi-publish: " + seen.toStdString());
}

NoSystemBus::NoSystemBus()
{
    m_had = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
    m_old = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS",
            QByteArray::fromStdString("unix:path=" + (m_dir / "nobody-listens").string()));
}

NoSystemBus::~NoSystemBus()
{
    if (m_had)
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_old);
    else
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace testsupport
