#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Paths that reach the server's file procedures keep the program's Windows form ("C:\Data\x").
// They map to native paths the way the program's own path layer does: a drive map ("C:" -> "/"
// unless the map file says otherwise), "\" -> "/", and existing components found without regard
// to case. This copy has no Qt, so case folding covers ASCII letters only.
namespace udr {

class ServerPaths {
public:
    // The default map: "C:" -> "/".
    ServerPaths();

    // Reads "X: = /native/root" lines (blank lines and lines starting with '#' or ';' are
    // skipped; a line that names a drive with an empty root removes that drive). Replaces
    // the current map, keeping "C:" -> "/" unless the file maps C: itself. A line
    // "WORK = \folder" names the server's work folder below a drive's root (the clients'
    // server work path, "\morabyzaimu\temp" unless the file says otherwise).
    void load(std::istream& in);
    // load() from a file; a missing file leaves the default map.
    void loadFile(const std::filesystem::path& file);

    void mapDrive(char letter, std::filesystem::path nativeRoot);
    // The root of the mapped drive that holds the native path (the deepest when roots nest),
    // empty when none does.
    std::filesystem::path driveRootOf(const std::filesystem::path& native) const;

    const std::string& workPath() const { return m_work; }

    // The native path, or an empty path when the input cannot be mapped: empty or blank, a
    // drive letter without a mapping, a UNC name, or a relative path (the server has no
    // current folder the caller could mean).
    std::filesystem::path toNative(std::string_view path) const;

    // The folders the procedures may act in. A folder is kept in its real form (symbolic
    // links and ".." resolved); the file system's root is never one.
    void addServedFolder(const std::filesystem::path& native);
    // Whether the native path lies below a served folder once its existing part is resolved
    // (so ".." or a symbolic link cannot lead out); the served folder itself counts only with
    // allowServedFolder (it may be tested or created, never removed).
    bool isServed(const std::filesystem::path& native, bool allowServedFolder) const;

private:
    std::filesystem::path m_roots[26];
    std::string m_work = "\\morabyzaimu\\temp";
    std::vector<std::filesystem::path> m_served;
};

// Serves what a system database serves: its own folder (the system folder), the server's work
// folder on the drive that holds it, and the folders of its data places (the PATH of each
// DATAPLACEMAN row as UTF-8 in the clients' form, the yen sign read as "\"; the first is the
// standard place). The standard place names the system folder: when its names after the drive
// end the system folder's native path, that drive is taken to be rooted where the rest begins,
// for the places and the work folder.
void serveSystemFolder(ServerPaths& paths, const std::filesystem::path& systemFolder,
                       const std::vector<std::string>& places);

// Whether the native path is a file-system root ("/", or a mapped drive's root): folders that
// the delete operations refuse.
bool isRootFolder(const std::filesystem::path& native, const ServerPaths& paths);

} // namespace udr
