// A test's own virtual X server and the tools that drive programs on it.
#include "support/VirtualDisplay.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
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

bool plain(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QRgb first = rgb.pixel(0, 0);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixel(x, y) != first)
                return false;
    return true;
}

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

std::string VirtualDisplay::windowId(const std::string& name) const
{
    const auto ids = windowIds(name);
    return ids.empty() ? std::string() : ids.front();
}

bool VirtualDisplay::waitForWindow(const std::string& name, const std::string& notId) const
{
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    const auto found = [&] {
        auto ids = windowIds(name);
        ids.erase(std::remove(ids.begin(), ids.end(), notId), ids.end());
        return ids;
    };
    // The screen before the window came: a window mapped but not yet painted shows what lay
    // under it (Qt's windows have no background of their own), or one plain colour.
    QImage screenBefore;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto ids = found();
        if (ids.empty()) {
            // Kept only when the window was still missing after the grab.
            QImage screen = grabWindow("root", {});
            if (found().empty())
                screenBefore = std::move(screen);
            QThread::msleep(50);
            continue;
        }
        xdotool({"windowfocus", "--sync", ids.front()});
        const Region place = geometry(ids.front());
        const QImage under = screenBefore.isNull()
                                 ? QImage()
                                 : screenBefore.copy(place.x, place.y, place.width, place.height);
        while (std::chrono::steady_clock::now() < deadline) {
            const QImage shown = grabWindow(ids.front(), {});
            if (!shown.isNull() && !plain(shown) && shown != under)
                return true;
            QThread::msleep(50);
        }
        return false;
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

QImage VirtualDisplay::grabWindow(const std::string& id, const Region& region) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("import"), {QStringLiteral("-window"), QString::fromStdString(id),
                                       QStringLiteral("png:-")});
    if (!p.waitForStarted(10000))
        throw std::runtime_error("import (package imagemagick) cannot run: " + p.errorString().toStdString());
    if (!p.waitForFinished(30000))
        throw std::runtime_error("import of window " + id + " did not finish");
    // A window that went between the search and the grab: nothing to show.
    if (p.exitCode() != 0)
        return {};
    const QImage image = QImage::fromData(p.readAllStandardOutput(), "PNG");
    if (image.isNull() || region.width <= 0 || region.height <= 0)
        return image;
    return image.copy(region.x, region.y, region.width, region.height);
}

VirtualDisplay::Region VirtualDisplay::geometry(const std::string& id) const
{
    Region r{};
    const std::string out = xdotool({"getwindowgeometry", "--shell", id});
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t end = std::min(out.find('\n', at), out.size());
        const std::string line = out.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X")
            r.x = value;
        else if (key == "Y")
            r.y = value;
        else if (key == "WIDTH")
            r.width = value;
        else if (key == "HEIGHT")
            r.height = value;
    }
    return r;
}

QImage VirtualDisplay::grab(const std::string& name, const Region& region) const
{
    const auto ids = windowIds(name);
    if (ids.empty())
        return {};
    return grabWindow(ids.front(), region);
}

bool VirtualDisplay::waitForChange(const std::string& name, const QImage& before, const Region& region) const
{
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    QImage last;
    while (std::chrono::steady_clock::now() < deadline) {
        const QImage now = grab(name, region);
        if (!now.isNull() && now != before) {
            if (now == last)
                return true;
            last = now;
        }
        QThread::msleep(50);
    }
    return false;
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
