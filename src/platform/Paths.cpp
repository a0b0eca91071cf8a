#include "platform/Paths.h"

#include <QString>

#include <array>
#include <cctype>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace platform::paths {
namespace fs = std::filesystem;
namespace {

struct DriveMap {
    std::array<std::optional<Drive>, 26> drives;
    DriveMap() { reset(); }
    void reset()
    {
        drives.fill(std::nullopt);
        drives['C' - 'A'] = Drive{fs::path("/"), false, {}};
    }
};

std::mutex g_mutex;

DriveMap& driveMap()
{
    static DriveMap map;
    return map;
}

int driveIndex(char letter)
{
    const int up = std::toupper(static_cast<unsigned char>(letter));
    if (up < 'A' || up > 'Z')
        return -1;
    return up - 'A';
}

bool isDelim(char c) { return c == '\\' || c == '/'; }

bool hasDriveLetter(std::string_view p)
{
    return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() == b.size()) {
        bool equal = true;
        for (std::size_t i = 0; i < a.size() && equal; ++i)
            equal = std::tolower(static_cast<unsigned char>(a[i]))
                    == std::tolower(static_cast<unsigned char>(b[i]));
        if (equal)
            return true;
    }
    // Windows also folds letters outside ASCII (full-width Latin, Greek, ...).
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
                   .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive)
           == 0;
}

// Appends the components to base, taking for each the existing entry that matches without regard
// to case; components from the first one that does not exist are appended as given.
fs::path resolveComponents(fs::path base, std::string_view rest)
{
    bool searching = true;
    // ".." never climbs above the drive's root, as on Windows.
    std::size_t depth = 0;
    std::size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && isDelim(rest[i]))
            ++i;
        std::size_t j = i;
        while (j < rest.size() && !isDelim(rest[j]))
            ++j;
        if (j == i)
            break;
        const std::string name(rest.substr(i, j - i));
        i = j;
        if (name == ".")
            continue;
        if (name == "..") {
            if (depth > 0) {
                base = base.parent_path();
                --depth;
            }
            continue;
        }
        fs::path next = base / name;
        if (searching) {
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(next, ec))) {
                bool found = false;
                for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
                    const std::string entry = it->path().filename().string();
                    if (sameName(entry, name)) {
                        next = base / entry;
                        found = true;
                        break;
                    }
                }
                searching = found;
            }
        }
        base = std::move(next);
        ++depth;
    }
    return base;
}

std::string slashesToBackslashes(std::string s)
{
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

} // namespace

void mapDrive(char letter, const fs::path& nativeRoot, bool remote, const std::string& uncName)
{
    const int i = driveIndex(letter);
    if (i < 0)
        throw std::invalid_argument(std::string("not a drive letter: ") + letter);
    std::lock_guard lock(g_mutex);
    driveMap().drives[std::size_t(i)] = Drive{nativeRoot, remote, uncName};
}

void unmapDrive(char letter)
{
    const int i = driveIndex(letter);
    if (i < 0)
        return;
    std::lock_guard lock(g_mutex);
    driveMap().drives[std::size_t(i)].reset();
}

void resetDriveMap()
{
    std::lock_guard lock(g_mutex);
    driveMap().reset();
}

bool driveOf(char letter, Drive& out)
{
    const int i = driveIndex(letter);
    if (i < 0)
        return false;
    std::lock_guard lock(g_mutex);
    const auto& d = driveMap().drives[std::size_t(i)];
    if (!d)
        return false;
    out = *d;
    return true;
}

fs::path toNative(std::string_view p)
{
    if (p.empty())
        throw std::invalid_argument("パスが指定されていません。");
    if (hasDriveLetter(p)) {
        Drive d;
        if (!driveOf(p[0], d))
            throw std::invalid_argument("ドライブ " + std::string(p.substr(0, 2))
                                        + " は割り当てられていません。");
        return resolveComponents(d.nativeRoot, p.substr(2));
    }
    if (p.size() >= 2 && isDelim(p[0]) && isDelim(p[1])) {
        // UNC: "\\server\share\rest" through the remote drive that carries that name.
        std::lock_guard lock(g_mutex);
        for (const auto& d : driveMap().drives) {
            if (!d || !d->remote || d->uncName.empty())
                continue;
            const std::string unc = excludeTrailingDelimiter(d->uncName);
            if (p.size() >= unc.size() && samePath(p.substr(0, unc.size()), unc)
                && (p.size() == unc.size() || isDelim(p[unc.size()])))
                return resolveComponents(d->nativeRoot, p.substr(unc.size()));
        }
        throw std::invalid_argument("ネットワークパス " + std::string(p) + " は割り当てられていません。");
    }
    if (!p.empty() && p[0] == '/')
        return resolveComponents(fs::path("/"), p);
    if (!p.empty() && p[0] == '\\') {
        Drive d;
        if (!driveOf('C', d))
            throw std::invalid_argument("ドライブ C: は割り当てられていません。");
        return resolveComponents(d.nativeRoot, p);
    }
    return resolveComponents(fs::current_path(), p);
}

std::string fromNative(const fs::path& nativePath)
{
    const fs::path native = nativePath.lexically_normal();
    const std::string s = native.string();
    int best = -1;
    std::size_t bestLen = 0;
    std::lock_guard lock(g_mutex);
    for (int i = 0; i < 26; ++i) {
        const auto& d = driveMap().drives[std::size_t(i)];
        if (!d)
            continue;
        std::string root = d->nativeRoot.lexically_normal().string();
        while (root.size() > 1 && root.back() == '/')
            root.pop_back();
        const bool inside = root == "/" ? !s.empty() && s[0] == '/'
                                        : s.compare(0, root.size(), root) == 0
                                              && (s.size() == root.size() || s[root.size()] == '/');
        if (inside && (best < 0 || root.size() > bestLen)) {
            best = i;
            bestLen = root.size();
        }
    }
    if (best < 0)
        return slashesToBackslashes(s);
    std::string rest = bestLen == 1 ? s.substr(1) : s.substr(std::min(s.size(), bestLen + 1));
    return std::string(1, char('A' + best)) + ":\\" + slashesToBackslashes(rest);
}

std::string universalPath(std::string_view p)
{
    if (!hasDriveLetter(p))
        return std::string(p);
    Drive d;
    if (!driveOf(p[0], d) || !d.remote || d.uncName.empty())
        return std::string(p);
    std::string rest(p.substr(2));
    return excludeTrailingDelimiter(d.uncName) + slashesToBackslashes(rest);
}

bool isRemotePath(std::string_view p)
{
    Drive d;
    return hasDriveLetter(p) && driveOf(p[0], d) && d.remote;
}

std::string includeTrailingDelimiter(std::string_view path)
{
    std::string s(path);
    if (s.empty() || !isDelim(s.back()))
        s += '\\';
    return s;
}

std::string excludeTrailingDelimiter(std::string_view path)
{
    std::string s(path);
    if (!s.empty() && isDelim(s.back()))
        s.pop_back();
    return s;
}

namespace {
std::size_t lastDelimiter(std::string_view p)
{
    for (std::size_t i = p.size(); i > 0; --i)
        if (isDelim(p[i - 1]) || p[i - 1] == ':')
            return i - 1;
    return std::string_view::npos;
}
} // namespace

std::string extractFilePath(std::string_view path)
{
    const std::size_t i = lastDelimiter(path);
    return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string extractFileDir(std::string_view path)
{
    const std::size_t i = lastDelimiter(path);
    if (i == std::string_view::npos)
        return {};
    // Keep the delimiter of a root ("C:\", "\").
    if (i > 0 && isDelim(path[i]) && path[i - 1] != ':' && !isDelim(path[i - 1]))
        return std::string(path.substr(0, i));
    return std::string(path.substr(0, i + 1));
}

std::string extractFileName(std::string_view path)
{
    const std::size_t i = lastDelimiter(path);
    return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string extractFileExt(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        const char c = path[i - 1];
        if (c == '.')
            return std::string(path.substr(i - 1));
        if (isDelim(c) || c == ':')
            break;
    }
    return {};
}

std::string changeFileExt(std::string_view path, std::string_view ext)
{
    const std::string old = extractFileExt(path);
    return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

std::string join(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    std::size_t start = 0;
    while (start < name.size() && isDelim(name[start]))
        ++start;
    return includeTrailingDelimiter(folder) + std::string(name.substr(start));
}

bool samePath(std::string_view a, std::string_view b)
{
    std::string x(a), y(b);
    for (char& c : x)
        if (c == '/')
            c = '\\';
    for (char& c : y)
        if (c == '/')
            c = '\\';
    return sameName(x, y);
}

std::string extractFileDrive(std::string_view path)
{
    return hasDriveLetter(path) ? std::string(path.substr(0, 2)) : std::string();
}

} // namespace platform::paths
