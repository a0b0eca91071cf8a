// A test's own virtual X server and the tools that drive programs on it.
#include "support/VirtualDisplay.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
namespace {

// Only guards against a program that never shows what the test waits for.
constexpr auto kGuard = std::chrono::seconds(30);

} // namespace

VirtualDisplay::VirtualDisplay()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("Xvfb: pipe failed: ") + std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error(std::string("Xvfb: fork failed: ") + std::strerror(errno));
    }
    if (pid == 0) {
        // The write end must survive exec: Xvfb writes the display number to it.
        const int out = ::dup(fds[1]);
        const std::string fd = std::to_string(out);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24",
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    m_pid = pid;
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p {fds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
            break;
        char c;
        if (::read(fds[0], &c, 1) != 1)
            break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty() || number.back() != '\n') {
        int status = 0;
        const bool ended = ::waitpid(pid, &status, WNOHANG) == pid;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        m_pid = -1;
        if (ended && WIFEXITED(status) && WEXITSTATUS(status) == 127)
            throw std::runtime_error("Xvfb is not installed (package xvfb): the virtual display cannot start");
        throw std::runtime_error("Xvfb did not report a display number: the virtual display did not start");
    }
    number.pop_back();
    m_name = ":" + number;
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string VirtualDisplay::xdotool(const std::vector<std::string>& args) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_name));
    p.setProcessEnvironment(env);
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    p.start(QStringLiteral("xdotool"), list);
    if (!p.waitForStarted(10000))
        throw std::runtime_error("xdotool cannot run (package xdotool): " + p.errorString().toStdString());
    std::string command;
    for (const auto& a : args)
        command += " " + a;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        throw std::runtime_error("xdotool" + command + " did not finish");
    const std::string out = p.readAllStandardOutput().toStdString();
    // A search that matches nothing ends with 1 and prints nothing: that is an answer.
    const bool noMatch = !args.empty() && args.front() == "search" && p.exitCode() == 1 && out.empty();
    if (p.exitCode() != 0 && !noMatch)
        throw std::runtime_error("xdotool" + command + " failed (" + std::to_string(p.exitCode()) +
                                 "): " + p.readAllStandardError().toStdString());
    return out;
}

std::vector<std::string> VirtualDisplay::windowIds(const std::string& name) const
{
    std::string pattern = ".";
    if (!name.empty()) {
        pattern = "^";
        for (char c : name) {
            if (std::strchr(".^$|()[]{}*+?\\", c))
                pattern += '\\';
            pattern += c;
        }
        pattern += "$";
    }
    const std::string out = xdotool({"search", "--onlyvisible", "--name", pattern});
    std::vector<std::string> ids;
    std::string line;
    for (char c : out) {
        if (c == '\n') {
            if (!line.empty())
                ids.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return ids;
}

std::vector<std::string> VirtualDisplay::visibleWindowNames() const
{
    std::vector<std::string> names;
    for (const auto& id : windowIds("")) {
        std::string n;
        try {
            n = xdotool({"getwindowname", id});
        } catch (const std::runtime_error&) {
            continue; // the window went between the search and the question
        }
        while (!n.empty() && n.back() == '\n')
            n.pop_back();
        names.push_back(n);
    }
    return names;
}

bool VirtualDisplay::waitForWindow(const std::string& name) const
{
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto ids = windowIds(name);
        if (!ids.empty()) {
            xdotool({"windowfocus", "--sync", ids.front()});
            // Let the program paint what it shows first.
            QThread::msleep(300);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

bool VirtualDisplay::waitForWindowGone(const std::string& name) const
{
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        if (windowIds(name).empty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

void VirtualDisplay::key(const std::string& keys) const
{
    xdotool({"key", "--delay", "50", keys});
    QThread::msleep(200);
}

void VirtualDisplay::type(const std::string& text) const
{
    xdotool({"type", "--delay", "50", text});
    QThread::msleep(100);
}

void VirtualDisplay::screenshot(const std::filesystem::path& png) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                       QString::fromStdString(png.string())});
    if (!p.waitForStarted(10000) || !p.waitForFinished(30000) || p.exitCode() != 0)
        throw std::runtime_error("import (package imagemagick) could not take a screenshot of " +
                                 m_name);
}

} // namespace testsupport
