#pragma once

#include <string>

// The operating system's special folders, as native UTF-8 paths without a trailing separator.
// Each can be pointed elsewhere through an environment variable, so tests (and several installs on
// one machine) keep apart.
namespace platform {

// Overrides, read on every call.
inline constexpr const char* kRuntimeFolderVariable = "ZETRINO_RUNTIME_DIR";
inline constexpr const char* kCommonAppDataVariable = "ZETRINO_COMMON_APPDATA_DIR";
inline constexpr const char* kDocumentsVariable = "ZETRINO_DOCUMENTS_DIR";

// The per-user folder shared by every program of the product family for named mutexes and the
// calling programs' sockets: the override, else $XDG_RUNTIME_DIR/zetrino, else
// <system temporary folder>/zetrino-<uid>. Created (mode 0700) when missing; throws
// std::system_error when it cannot be created or is not a folder of ours.
std::string runtimeFolder();

// The temporary folder: TEMP when set and not empty, else the system temporary folder (TMPDIR or
// /tmp). Not created.
std::string temporaryFolder();

// This user's private temporary folder, <temporaryFolder()>/zetrino-<uid> (mode 0700), created
// when missing. Throws std::system_error when it cannot be made or is not a folder of ours.
std::string privateTemporaryFolder();

// The folder for the program's work files (report data, backup work copies, tool logs and
// scripts): the configured one (the program's WinTempFolder, any form) when not empty, else
// privateTemporaryFolder().
std::string workFolder(const std::string& configured);

// The machine-wide application-data folder (the Windows "common application data"): the
// override, else /var/lib. Not created.
std::string commonAppDataFolder();

// The user's documents folder: the override, else the desktop's documents folder
// (XDG user dirs, ~/Documents by default). Empty when none can be found. Not created.
std::string documentsFolder();

} // namespace platform
