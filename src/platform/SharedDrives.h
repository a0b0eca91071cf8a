#pragma once

// Network drives in standalone use: the "drives.ini" drive list and the probe of remote roots.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform::drives {

// The file beside the other ini files that lists the drive letters of this installation:
// one section per letter with Folder (native), Remote (0/1) and UNC.
inline constexpr const char* kDriveFileName = "drives.ini";

struct DriveEntry {
    char letter = 0;
    std::filesystem::path folder;
    bool remote = false;
    std::string unc;
};

// The entries of "<iniFolder>\drives.ini" (Windows form); a missing file has none. Entries with
// a letter outside A-Z or without a folder are skipped. An entry whose values are not CP932, whose
// folder is not absolute, or that would remap one of the protected letters (the drives of the
// data root and of the settings) is skipped too, and named (file, section, key) in `refused`.
std::vector<DriveEntry> readDriveFile(std::string_view iniFolder,
                                      std::vector<std::string>* refused = nullptr,
                                      std::string_view protectedLetters = {});
// Reads the file and puts every entry into the path layer's drive map. Refused entries are
// named in one warning box; the others still apply.
void loadDriveFile(std::string_view iniFolder, std::string_view protectedLetters = {});
// Adds or replaces one entry; the file is written whole or not at all (raises on failure).
// The drive map takes the entry only after the file is written.
void storeDriveEntry(std::string_view iniFolder, const DriveEntry& entry);

// Letters not in the drive map, "D" to "Z".
std::vector<char> freeLetters();

// The remote letters of the drive map whose root answers within the timeout, in order. A hung
// mount makes its letter unusable instead of blocking the caller: each root is probed on a
// thread of its own that is left behind when it does not answer in time.
std::vector<char> usableRemoteLetters(std::chrono::milliseconds timeout = std::chrono::seconds(2));

} // namespace platform::drives
