#pragma once

// A virtual X server of a test's own (Xvfb) and the keystrokes, window look-ups and screenshots
// that drive the real program on it (xdotool, ImageMagick's import).

#include <QImage>

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class VirtualDisplay {
public:
    // Starts Xvfb on a free display number (Xvfb picks it: -displayfd). Throws std::runtime_error
    // with the reason when it cannot start.
    VirtualDisplay();
    // Stops the server.
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N".
    const std::string& name() const { return m_name; }

    // Runs xdotool with the arguments on this display; its standard output. Throws when xdotool
    // cannot run or fails (a search that finds nothing is not a failure).
    std::string xdotool(const std::vector<std::string>& args) const;
    // Names of the mapped windows, in stacking order.
    std::vector<std::string> visibleWindowNames() const;
    // Waits until a mapped window has exactly this name and shows what it paints (false when
    // none comes within the guard time), and gives it the keyboard focus. With `notId`, that
    // window does not count (a dialog closed and opened again under the same name).
    bool waitForWindow(const std::string& name, const std::string& notId = {}) const;
    // The id of the first mapped window with exactly this name; empty when there is none.
    std::string windowId(const std::string& name) const;
    // Waits until no mapped window has this name.
    bool waitForWindowGone(const std::string& name) const;
    // Keys ("Return", "alt+n") and text, to the window that has the focus.
    void key(const std::string& keys) const;
    void type(const std::string& text) const;
    // The whole screen as a PNG.
    void screenshot(const std::filesystem::path& png) const;

    // A rectangle in a window's own pixels; an empty one ({}) is the whole window.
    struct Region {
        int x;
        int y;
        int width;
        int height;
    };
    // What the region of the named window shows now; a null image when no such window is mapped.
    QImage grab(const std::string& name, const Region& region = {}) const;
    // Waits until the region of the named window shows something other than `before` and holds
    // still (two grabs alike): what a key or click changed has been painted. False when nothing
    // changes within the guard time.
    bool waitForChange(const std::string& name, const QImage& before, const Region& region = {}) const;

private:
    std::vector<std::string> windowIds(const std::string& name) const;
    // An empty region is the whole window; "root" is the whole screen.
    QImage grabWindow(const std::string& id, const Region& region) const;
    // Where the window lies on the screen.
    Region geometry(const std::string& id) const;

    pid_t m_pid = -1;
    std::string m_name;
};

} // namespace testsupport
