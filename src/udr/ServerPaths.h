#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

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
    // the current map, keeping "C:" -> "/" unless the file maps C: itself.
    void load(std::istream& in);
    // load() from a file; a missing file leaves the default map.
    void loadFile(const std::filesystem::path& file);

    void mapDrive(char letter, std::filesystem::path nativeRoot);

    // The native path, or an empty path when the input cannot be mapped: empty or blank, a
    // drive letter without a mapping, a UNC name, or a relative path (the server has no
    // current folder the caller could mean).
    std::filesystem::path toNative(std::string_view path) const;

private:
    std::filesystem::path m_roots[26];
};

// Whether the native path is a file-system root ("/", or a mapped drive's root): folders that
// the delete operations refuse.
bool isRootFolder(const std::filesystem::path& native, const ServerPaths& paths);

} // namespace udr
