#include "records/FileUtils.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "records/BufFileStream.h"
#include "records/DbErrorHandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;
namespace files = platform::files;
namespace paths = platform::paths;

namespace {

// The text given with a found marker.
constexpr std::int64_t kChunk = 512;
// The search reads as much as the buffer holds at a time; the first occurrence is the same
// whatever the step.
constexpr std::int64_t kSearchStep = 16 * 1024;
constexpr std::uint8_t kSearchBufferKB = 16;
// The Windows system folder's stand-in: removing or overwriting it would break the machine.
constexpr const char* kNativeSystemFolder = "/usr";
// The dialog kind of an error message.
constexpr int kErrorDialog = 1;

using platform::text::upperAscii;

std::string trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

std::string printf1(std::string_view format, std::string_view arg)
{
    std::string out(format);
    const auto at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, arg);
    return out;
}

std::string windowsForm(const std::string& nativePath)
{
    return nativePath.empty() ? std::string() : paths::fromNative(fs::path(nativePath));
}

std::string qtLocation(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location).toStdString();
}

// The native, normalised form of a path without a trailing separator; empty when the path names
// a drive that is not mapped.
fs::path normalisedNative(std::string_view path)
{
    try {
        fs::path p = fs::absolute(paths::toNative(path)).lexically_normal();
        if (p.has_relative_path() && !p.has_filename())
            p = p.parent_path();
        return p;
    } catch (const std::exception&) {
        return {};
    }
}

// Collapses "." and ".." in a Windows-form path without ever climbing above its drive or share
// root, as Windows does ("C:\a\..\.." is "C:\"). Relative paths keep leading "..".
std::string normalisedPath(std::string_view path)
{
    const auto isDelim = [](char c) { return c == '\\' || c == '/'; };
    std::string prefix;
    std::size_t i = 0;
    bool rooted = false;
    if (path.size() >= 2 && path[1] == ':') {
        prefix = std::string(path.substr(0, 2));
        i = 2;
    } else if (path.size() >= 2 && isDelim(path[0]) && isDelim(path[1])) {
        // "\\server\share" stays as it is.
        std::size_t j = 2;
        for (int parts = 0; parts < 2 && j < path.size(); ++parts) {
            while (j < path.size() && !isDelim(path[j]))
                ++j;
            if (parts == 0 && j < path.size())
                ++j;
        }
        prefix = std::string(path.substr(0, j));
        i = j;
        rooted = true;
    }
    if (i < path.size() && isDelim(path[i]))
        rooted = true;
    std::vector<std::string> parts;
    while (i < path.size()) {
        while (i < path.size() && isDelim(path[i]))
            ++i;
        std::size_t j = i;
        while (j < path.size() && !isDelim(path[j]))
            ++j;
        const std::string part(path.substr(i, j - i));
        i = j;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!rooted)
                parts.push_back(part);
            continue;
        }
        parts.push_back(part);
    }
    std::string out = prefix;
    if (rooted)
        out += '\\';
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0)
            out += '\\';
        out += parts[k];
    }
    // A native path keeps its own separator.
    if (!path.empty() && path[0] == '/')
        for (char& c : out)
            if (c == '\\')
                c = '/';
    return out;
}

bool isDriveRootText(std::string_view s)
{
    if (s.size() < 2 || s.size() > 3 || s[1] != ':')
        return false;
    const auto letter = static_cast<unsigned char>(s[0]);
    if (!std::isalpha(letter) || letter >= 0x80)
        return false;
    return s.size() == 2 || s[2] == '\\' || s[2] == '/';
}

void reportError(const std::exception& e)
{
    ShowErrorDialog(e.what(), "", kErrorDialog);
}

bool hasWildcard(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

// "*" and "?" against a name, without regard to the case of ASCII letters.
bool plainWildcardMatch(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a))
               == std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// As the shell matches: a pattern ending in ".*" also takes names without an extension.
bool wildcardMatch(std::string_view pattern, std::string_view name)
{
    if (plainWildcardMatch(pattern, name))
        return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*"
           && name.find('.') == std::string_view::npos
           && plainWildcardMatch(pattern.substr(0, pattern.size() - 2), name);
}

void copyTree(const std::string& from, const std::string& to)
{
    if (!files::directoryExists(from)) {
        files::copyFile(from, to, true);
        return;
    }
    files::createDirectories(to);
    for (const auto& entry : files::list(from))
        copyTree(paths::join(from, entry.name), paths::join(to, entry.name));
}

void transfer(const std::string& from, const std::string& to, int operation)
{
    const fs::path a = normalisedNative(from), b = normalisedNative(to);
    if (!a.empty() && !b.empty()) {
        const auto [end, _] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        if (end == a.end() && files::directoryExists(from))
            throw files::FileError(operation == FO_MOVE ? "移動" : "コピー", from, EINVAL);
    }
    if (operation == FO_MOVE) {
        const bool mergeFolders = files::directoryExists(from) && files::directoryExists(to);
        if (!mergeFolders) {
            try {
                files::rename(from, to);
                return;
            } catch (const files::FileError& e) {
                if (e.errorCode() != EXDEV)
                    throw;
            }
        }
        copyTree(from, to);
        files::removeAll(from);
        return;
    }
    copyTree(from, to);
}

// The trailer's offset when the remainder of the tail from `at` is text lines, else -1.
bool looksLikeTrailer(std::string_view remainder)
{
    return !remainder.empty() && remainder.back() == '\n'
           && remainder.find('\0') == std::string_view::npos;
}

std::string textAt(const std::string& fileName, std::int64_t offset)
{
    TBufFileStream stream(fileName, kSearchBufferKB, TBufFileStream::Mode::Read);
    stream.Seek(offset, 0);
    std::string bytes(std::size_t(kChunk), '\0');
    bytes.resize(std::size_t(stream.Read(bytes.data(), kChunk)));
    if (const auto zero = bytes.find('\0'); zero != std::string::npos)
        bytes.resize(zero);
    return bytes;
}

} // namespace

// ---- Registry and INI files ----------------------------------------------------------------

RegistryValue ReadRegistryValue(RegistryRoot root, std::string_view keyPath,
                                std::string_view valueName)
{
    if (valueName == "EnableLUA" && platform::osMajorVersion() <= 5)
        return std::int32_t(0);
    const auto value = platform::registry::readValue(root == RegistryRoot::LocalMachine
                                                         ? platform::registry::RootKey::LocalMachine
                                                         : platform::registry::RootKey::CurrentUser,
                                                     keyPath, valueName);
    if (!value)
        return std::int32_t(0);
    if (value->type == platform::registry::Value::Type::String)
        return value->text;
    return static_cast<std::int32_t>(value->number);
}

bool registryValueIsOne(const RegistryValue& value)
{
    if (const auto* number = std::get_if<std::int32_t>(&value))
        return *number == 1;
    return trimBlanks(std::get<std::string>(value)) == "1";
}

void WriteIniValue(const std::string& fileName, std::string_view section, std::string_view key,
                   bool del, std::string_view value)
{
    platform::IniFile ini(fileName);
    if (del)
        ini.deleteKey(section, key);
    else
        ini.writeString(section, key, value);
}

void WriteIniValue(const std::string& fileName, std::string_view section, std::string_view key,
                   bool del, int value)
{
    WriteIniValue(fileName, section, key, del, std::to_string(value));
}

std::string GetIniSectionText(const std::string& fileName, std::string_view section)
{
    if (fileName.empty() || section.empty())
        return {};
    std::string text;
    for (const auto& line : platform::IniFile(fileName).readSectionValues(section))
        text += line + "\r\n";
    return text;
}

void WriteIniSection(const std::string& fileName, std::string_view section,
                     const std::vector<std::string>& lines)
{
    if (fileName.empty() || section.empty())
        return;
    platform::IniFile ini(fileName, platform::IniFile::WriteMode::Deferred);
    ini.eraseSection(section);
    std::vector<std::string> written;
    for (const auto& line : lines) {
        const auto eq = line.find('=');
        const std::string name = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        const std::string key = upperAscii(trimBlanks(name));
        if (std::find(written.begin(), written.end(), key) != written.end())
            continue;
        written.push_back(key);
        ini.writeString(section, name, value);
    }
    ini.updateFile();
}

// ---- Paths and folders ---------------------------------------------------------------------

std::string GetShortPath(const std::string& path)
{
    if (!files::exists(path))
        throw EConvertError("ファイルが見つかりません。");
    return path;
}

bool ForceFolder(const std::string& path)
{
    if (files::directoryExists(path))
        return true;
    if (isDriveRootText(trimBlanks(path)) || trimBlanks(path).empty())
        return false;
    try {
        files::createDirectories(path);
    } catch (const std::exception&) {
        return false;
    }
    return files::directoryExists(path);
}

std::string ExcludeLastPathDelim(std::string_view path)
{
    return paths::excludeTrailingDelimiter(path);
}

std::string IncludeLastPathDelim(std::string_view path)
{
    return paths::includeTrailingDelimiter(path);
}

std::string GetSystemFolder()
{
    return windowsForm(kNativeSystemFolder);
}

std::string systemDriveRoot()
{
    const std::string drive = paths::extractFileDrive(GetSystemFolder());
    return drive.empty() ? std::string("C:\\") : upperAscii(drive) + "\\";
}

std::string programFolder()
{
    if (QCoreApplication::instance())
        return windowsForm(QCoreApplication::applicationDirPath().toStdString());
    std::error_code ec;
    return windowsForm(fs::current_path(ec).string());
}

std::string GetMyDocumentsFolder()
{
    const std::string folder = platform::documentsFolder();
    return folder.empty() ? programFolder() : windowsForm(folder);
}

std::string GetAppDataFolder(bool common)
{
    const std::string folder = common ? platform::commonAppDataFolder()
                                      : qtLocation(QStandardPaths::GenericDataLocation);
    return folder.empty() ? programFolder() : windowsForm(folder);
}

std::string GetSpecialFolder(std::string_view keyword)
{
    std::string folder;
    const std::string key = upperAscii(keyword);
    if (key == "DESKTOP")
        folder = qtLocation(QStandardPaths::DesktopLocation);
    else if (key == "MYDOCUMENT")
        folder = platform::documentsFolder();
    return folder.empty() ? programFolder() : windowsForm(folder);
}

std::string GetTempFolder(const std::string& defaultFolder)
{
    const char* temp = std::getenv("TEMP");
    if (temp && *temp && files::directoryExists(temp))
        return ExcludeLastPathDelim(windowsForm(temp));
    return defaultFolder;
}

std::string GetUniversalPath(const std::string& path)
{
    return paths::universalPath(path);
}

std::vector<std::string> GetSubFolderList(const std::string& folder, int mode)
{
    std::vector<std::string> list;
    if (trimBlanks(folder).empty() || !files::directoryExists(folder))
        return list;
    for (const auto& entry : files::list(folder))
        if (entry.isDirectory)
            list.push_back(mode == 1 ? entry.name : ExcludeLastPathDelim(folder) + "\\" + entry.name);
    return list;
}

// ---- File contents -------------------------------------------------------------------------

void AppendTextToFile(const std::string& fileName, std::string_view text)
{
    files::appendExisting(fileName, platform::text::toCp932(text));
}

bool SameBytes(const void* a, const void* b, std::int64_t n)
{
    return n <= 0 || std::memcmp(a, b, std::size_t(n)) == 0;
}

std::int64_t FindTextInFile(const std::string& fileName, std::string_view marker,
                            std::string& text)
{
    text.clear();
    const std::string needle = platform::text::toCp932(marker);
    TBufFileStream stream(fileName, kSearchBufferKB, TBufFileStream::Mode::Read);
    if (needle.empty())
        return -1;

    // The window is the tail of what came before (one byte short of a marker, so an occurrence
    // across two chunks is seen) and the current chunk; only bytes actually read are compared.
    std::string window;
    std::int64_t windowStart = 0;
    bool atZero = false;
    std::vector<char> chunk(static_cast<std::size_t>(kSearchStep));
    for (;;) {
        const std::int64_t n = stream.Read(chunk.data(), kSearchStep);
        if (n == 0)
            break;
        window.append(chunk.data(), std::size_t(n));
        for (std::size_t from = 0;;) {
            const auto hit = window.find(needle, from);
            if (hit == std::string::npos)
                break;
            const std::int64_t offset = windowStart + std::int64_t(hit);
            if (offset > 0) {
                text = textAt(fileName, offset);
                return offset;
            }
            atZero = true;
            from = hit + 1;
        }
        const std::size_t keep = std::min(window.size(), needle.size() - 1);
        windowStart += std::int64_t(window.size() - keep);
        window.erase(0, window.size() - keep);
    }
    return atZero ? 0 : -1;
}

std::int64_t findTrailerInFile(const std::string& fileName, std::string_view marker,
                               std::string& text)
{
    text.clear();
    const std::string needle = platform::text::toCp932(marker);
    files::File file(fileName, files::File::Mode::Read);
    if (needle.empty())
        return -1;
    const std::int64_t size = file.size();
    const std::int64_t start = std::max<std::int64_t>(0, size - kTrailerSearchBytes);
    std::string tail(std::size_t(size - start), '\0');
    file.seek(start, 0);
    tail.resize(file.read(tail.data(), tail.size()));
    file.close();

    const auto hit = tail.rfind(needle);
    if (hit == std::string::npos || !looksLikeTrailer(std::string_view(tail).substr(hit)))
        return -1;
    const std::int64_t offset = start + std::int64_t(hit);
    if (offset == 0)
        return 0;
    text = tail.substr(hit, std::size_t(kChunk));
    if (const auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return offset;
}

std::int64_t ReadTextAfterMarker(const std::string& fileName, std::string_view marker,
                                 std::string& text, bool cut)
{
    const std::int64_t offset = findTrailerInFile(fileName, marker, text);
    if (offset > 0 && cut) {
        // Cutting in place: one truncation either happens or not, and needs no room for a copy
        // of a backup that may be gigabytes large.
        std::error_code ec;
        fs::resize_file(paths::toNative(fileName), std::uintmax_t(offset), ec);
        if (ec)
            throw files::FileError("切り詰め", fileName, ec.value());
    }
    return offset;
}

// ---- Shell file operations -----------------------------------------------------------------

bool IsOperablePath(std::string_view path)
{
    const std::string trimmed = normalisedPath(trimBlanks(path));
    if (trimmed.empty())
        return false;
    if (paths::samePath(ExcludeLastPathDelim(trimmed), ExcludeLastPathDelim(GetSystemFolder())))
        return false;
    if (isDriveRootText(trimmed))
        return false;
    const fs::path native = normalisedNative(trimmed);
    if (native.empty())
        return true; // an unmapped drive: the operation itself fails
    if (native == native.root_path() || native.parent_path() == native.root_path())
        return false;
    if (native == fs::path(kNativeSystemFolder))
        return false;
    // A drive's own root, reached through "..", "." or a mapped folder.
    return !isDriveRootText(ExcludeLastPathDelim(paths::fromNative(native)));
}

bool ShellFileDelete(const std::string& path, int operation, bool allowUndo, bool showError)
{
    if (operation != FO_DELETE && operation != FO_RENAME)
        return false;
    if (!IsOperablePath(path)) {
        ShowCommaMessage(printf1(operation == FO_DELETE
                                   ? "ルート・システムディレクトリは、削除できません。<%s> "
                                   : "ルート・システムディレクトリは、変更できません。<%s> ",
                               path),
                         kErrorDialog);
        return false;
    }
    if (operation == FO_RENAME)
        return false; // a rename needs a target, which this operation never has
    const std::string target = normalisedPath(trimBlanks(path));
    try {
        if (!files::exists(target))
            throw files::FileError("削除", path, ENOENT);
        if (allowUndo) {
            // Without the user's trash folder the move would land beside the current folder.
            QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                          + QStringLiteral("/Trash"));
            const QString native = QString::fromStdString(paths::toNative(target).string());
            if (!QFile::moveToTrash(native))
                throw files::FileError("ごみ箱への移動", path, EIO);
        } else {
            files::removeAll(target);
        }
        return true;
    } catch (const std::exception& e) {
        if (showError)
            reportError(e);
        return false;
    }
}

bool ShellFileCopy(const std::string& source, const std::string& targetPath, int operation)
{
    if (operation != FO_MOVE && operation != FO_COPY)
        return false;
    if (!IsOperablePath(source) || !IsOperablePath(targetPath)) {
        std::string text = "指定ディレクトリ[%s->%s]の複写・移動はできません。 ";
        text = printf1(text, source);
        text = printf1(text, targetPath);
        ShowCommaMessage(text, kErrorDialog);
        return false;
    }
    try {
        const std::string from = normalisedPath(trimBlanks(source));
        const std::string target = normalisedPath(trimBlanks(targetPath));
        const std::string name = paths::extractFileName(from);
        if (hasWildcard(name)) {
            const std::string folder = paths::extractFileDir(from);
            std::vector<std::string> matches;
            if (files::directoryExists(folder))
                for (const auto& entry : files::list(folder))
                    if (wildcardMatch(name, entry.name))
                        matches.push_back(entry.name);
            if (matches.empty())
                throw files::FileError(operation == FO_MOVE ? "移動" : "コピー", source, ENOENT);
            files::createDirectories(target);
            for (const auto& match : matches)
                transfer(paths::join(folder, match), paths::join(target, match), operation);
            return true;
        }
        if (!files::exists(from))
            throw files::FileError(operation == FO_MOVE ? "移動" : "コピー", source, ENOENT);
        const std::string destination =
            files::directoryExists(target) && !paths::samePath(from, target)
                ? paths::join(target, name)
                : target;
        if (const std::string parent = paths::extractFileDir(destination); !parent.empty())
            files::createDirectories(parent);
        transfer(from, destination, operation);
        return true;
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

bool CopyFileOverwrite(const std::string& source, const std::string& target)
{
    try {
        files::copyFile(source, target, true);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
