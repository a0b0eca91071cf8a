#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths keep their Windows form inside the program ("C:\Data\0001\dwacc.fdb"); this layer maps them
// to native paths at the file-system boundary through a drive map.
namespace platform::paths {

// One drive letter of the map. A remote drive also carries its universal (UNC) name,
// e.g. "\\SERVER\share", which the network-path functions return.
struct Drive {
    std::filesystem::path nativeRoot;
    bool remote = false;
    std::string uncName;
};

// Sets or replaces the mapping of one drive letter (either case). Tests point drives at temp folders.
void mapDrive(char letter, const std::filesystem::path& nativeRoot, bool remote = false,
              const std::string& uncName = {});
void unmapDrive(char letter);
// Back to the default map: "C:" -> "/" only.
void resetDriveMap();
// The mapping of a letter; false when the letter is not mapped.
bool driveOf(char letter, Drive& out);

// The native path of a Windows-form path: drive letter through the map, "\" -> "/", and every
// existing component resolved without regard to case. A UNC path resolves through the remote drive
// whose UNC name it starts with. A path without a drive ("\x" or relative) uses drive C: for a
// rooted path and the current folder otherwise. Native paths ("/...") pass through, resolved.
// Throws std::invalid_argument for an empty path or a drive letter that is not mapped.
std::filesystem::path toNative(std::string_view windowsPath);

// The Windows form of a native path: the drive whose root holds it (the longest match); a path
// outside every drive keeps its native form with "/" turned into "\".
std::string fromNative(const std::filesystem::path& nativePath);

// A path on a remote drive in its universal form ("\\SERVER\share\rest"); any other path, an empty
// or blank one included, unchanged.
std::string universalPath(std::string_view windowsPath);
// Whether the path starts with a drive letter that is mapped as remote.
bool isRemotePath(std::string_view windowsPath);

// Small Windows-form helpers ("\" as delimiter; "/" accepted on input).
std::string includeTrailingDelimiter(std::string_view path);
std::string excludeTrailingDelimiter(std::string_view path);
// Folder part without the trailing delimiter ("C:\a\b.txt" -> "C:\a", "C:\b.txt" -> "C:\").
std::string extractFileDir(std::string_view path);
// Folder part with the trailing delimiter ("C:\a\b.txt" -> "C:\a\").
std::string extractFilePath(std::string_view path);
std::string extractFileName(std::string_view path);
// Extension with its dot (".ini"), empty when none.
std::string extractFileExt(std::string_view path);
std::string changeFileExt(std::string_view path, std::string_view ext);
// Joins a folder and a name with exactly one "\" between them.
std::string join(std::string_view folder, std::string_view name);
// Case-insensitive comparison of two Windows-form paths (delimiters "/" and "\" alike).
bool samePath(std::string_view a, std::string_view b);
// The drive part "C:" of a path, empty when it has none.
std::string extractFileDrive(std::string_view path);

} // namespace platform::paths
