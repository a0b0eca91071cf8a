#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// File, folder, INI and registry utilities of the framework. Paths are in Windows form (drive
// letter, "\") and resolve through platform/Paths.h; native paths are accepted as well. Results
// never end with a path delimiter unless said. Texts are UTF-8; file contents are CP932.
// See records/SystemUtils.h for the operating system, waiting and the folder and file pickers.

// A path that cannot be converted ("ファイルが見つかりません。").
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- Registry and INI files ----------------------------------------------------------------

enum class RegistryRoot { CurrentUser, LocalMachine };
// A registry value: integer 0 unless a string or integer value was read.
using RegistryValue = std::variant<std::int32_t, std::string>;

// The value of a key of the registry stand-in. "EnableLUA" reads 0 without any access on systems
// of major version 5 and below. A missing key or value, or another type, leaves 0.
RegistryValue ReadRegistryValue(RegistryRoot root, std::string_view keyPath,
                                std::string_view valueName);
// Whether a registry value is the number 1 (a text "1" counts too).
bool registryValueIsOne(const RegistryValue& value);

// Writes (or with del, removes) one key; the file is rewritten whole before it returns. A failed
// write raises platform::files::FileError.
void WriteIniValue(const std::string& fileName, std::string_view section, std::string_view key,
                   bool del, std::string_view value);
void WriteIniValue(const std::string& fileName, std::string_view section, std::string_view key,
                   bool del, int value);
// "name=value" CR LF for every key of the section; empty for an empty file or section name.
std::string GetIniSectionText(const std::string& fileName, std::string_view section);
// Replaces the section by the "name=value" lines, in order; a name given twice keeps its first
// value. Nothing for an empty file or section name. One whole-file write.
void WriteIniSection(const std::string& fileName, std::string_view section,
                     const std::vector<std::string>& lines);

// ---- Paths and folders ---------------------------------------------------------------------

// The path itself when it exists (there are no short names here); EConvertError otherwise.
std::string GetShortPath(const std::string& path);
// True when the folder exists or was created with all missing parents. A bare drive is never
// created.
bool ForceFolder(const std::string& path);
std::string ExcludeLastPathDelim(std::string_view path);
std::string IncludeLastPathDelim(std::string_view path);
// The operating system's own folder, in Windows form.
std::string GetSystemFolder();
// The root of the system's drive with its delimiter, upper-cased ("C:\").
std::string systemDriveRoot();
// The user's documents folder; the program's folder when there is none.
std::string GetMyDocumentsFolder();
// The machine-wide (common) or the user's application-data folder; the program's folder when
// there is none.
std::string GetAppDataFolder(bool common);
// "desktop" or "mydocument" (any case); anything else gives the program's folder.
std::string GetSpecialFolder(std::string_view keyword);
// The folder named by TEMP when that folder exists, else defaultFolder unchanged.
std::string GetTempFolder(const std::string& defaultFolder);
// A path on a network drive in its universal form; other paths unchanged.
std::string GetUniversalPath(const std::string& path);
// The sub-folders of a folder, in the file system's order: names alone for mode 1, else full
// paths. Empty for a blank or missing folder.
std::vector<std::string> GetSubFolderList(const std::string& folder, int mode);
// The folder of the running program, in Windows form.
std::string programFolder();

// ---- File contents -------------------------------------------------------------------------

// Appends the text, in CP932, to the end of an existing file. A missing file raises
// platform::files::FileError; text without a CP932 form raises platform::text::EncodingError
// before the file is touched.
void AppendTextToFile(const std::string& fileName, std::string_view text);
// The first n bytes are equal (true for n <= 0).
bool SameBytes(const void* a, const void* b, std::int64_t n);
// Offset of the first occurrence of the marker (UTF-8, searched as CP932) at an offset above 0,
// with the up to 512 bytes from there to the first zero byte in text (CP932 bytes as stored).
// 0 when the marker occurs only at offset 0, -1 when it does not occur (text is then empty).
// File errors raise platform::files::FileError.
std::int64_t FindTextInFile(const std::string& fileName, std::string_view marker,
                            std::string& text);
// How far from the end of a file a trailer is looked for.
inline constexpr std::int64_t kTrailerSearchBytes = 64 * 1024;
// The trailer the marker starts: the marker's last occurrence within the file's last
// kTrailerSearchBytes, provided everything from it to the end is text lines (no zero byte, ends
// with a line feed). Same results as FindTextInFile otherwise; the marker text inside earlier
// data is never taken for a trailer.
std::int64_t findTrailerInFile(const std::string& fileName, std::string_view marker,
                               std::string& text);
// The trailer of findTrailerInFile into text; with cut, and a trailer found at an offset above 0,
// the file is cut back to exactly the bytes before it. Returns the trailer's offset (0 or -1 as
// FindTextInFile). A failed cut raises platform::files::FileError and leaves the file as it was.
std::int64_t ReadTextAfterMarker(const std::string& fileName, std::string_view marker,
                                 std::string& text, bool cut);

// ---- Shell file operations -----------------------------------------------------------------

inline constexpr int FO_MOVE = 1;
inline constexpr int FO_COPY = 2;
inline constexpr int FO_DELETE = 3;
inline constexpr int FO_RENAME = 4;

// False for a blank path, a drive root ("X:\" or "X:"), the system folder, the native root and
// the folders directly under it (/usr, /etc, /home ...), whatever the letter case.
bool IsOperablePath(std::string_view path);
// Operation 3 deletes the file or folder with everything in it (allowUndo: to the trash).
// Operation 4 (rename without a target) changes nothing and gives false. Refused places show
// an error and give false; with showError a failure is shown too.
bool ShellFileDelete(const std::string& path, int operation, bool allowUndo, bool showError);
// Operation 1 moves, 2 copies, without asking: into the target when it is an existing folder,
// else to the target's name; missing folders are created, existing files replaced. The source's
// last part may hold the wildcards "*" and "?", the target then being a folder. Refused places
// and failures show an error and give false.
bool ShellFileCopy(const std::string& source, const std::string& target, int operation);
// Copies one file, replacing an existing target.
bool CopyFileOverwrite(const std::string& source, const std::string& target);
