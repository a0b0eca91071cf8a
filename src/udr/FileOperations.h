#pragma once

#include "udr/ServerPaths.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// What the server's file procedures do on this machine, apart from the engine's plumbing so that
// it can be tested on its own. Every operation answers success or failure; none throws.
namespace udr {

// Both act only in the served folders of `paths` (ServerPaths::isServed): any other path gives
// failure, touches nothing and, when `refused` is given, is put there for the server's log.
// FILEOPERATION: "FEXIST" (Path1 is a file), "FCOPY" (Path1 copied over Path2, the target's
// folders created as needed), "FDEL" (Path1 deleted). The mode is case-insensitive.
bool fileOperation(const ServerPaths& paths, std::string_view mode, std::string_view path1,
                   std::string_view path2, std::string* refused = nullptr);

// DIRECTORYTEST: "DEXIST" (Path1 is a folder), "MKDIR" (the folder exists afterwards, parents
// created), "RMDIR" (the folder and everything in it removed). Roots are never removed.
bool directoryTest(const ServerPaths& paths, std::string_view mode, std::string_view path1,
                   std::string* refused = nullptr);

// LONGTOSHORTFILENAME: this file system has no short names; the name comes back as given.
std::string longToShortFileName(std::string_view longName);

// Writes a file whole or not at all: bytes go to a work file beside the target, which replaces
// the target on commit(); without commit() the work file is removed and the target is untouched.
class WholeFileWriter {
public:
    explicit WholeFileWriter(std::filesystem::path target);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    bool write(const void* data, std::size_t size);
    // Replaces the target, which gets the permission bits `mode`.
    bool commit(std::filesystem::perms mode);

private:
    std::filesystem::path m_target;
    std::filesystem::path m_work;
    std::FILE* m_file = nullptr;
};

// Copies a file through a WholeFileWriter, creating the target's folders; the copy keeps the
// source's read, write and execute bits (not set-user, set-group or sticky).
bool copyFileWhole(const std::filesystem::path& source, const std::filesystem::path& target);

} // namespace udr
