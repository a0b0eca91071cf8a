#include "udr/ServerPaths.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

namespace udr {
namespace fs = std::filesystem;
namespace {

bool isDelim(char c) { return c == '\\' || c == '/'; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i]))
            != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

int driveIndex(char letter)
{
    const int up = std::toupper(static_cast<unsigned char>(letter));
    return up >= 'A' && up <= 'Z' ? up - 'A' : -1;
}

// Appends the components of rest to base, taking for each the existing entry whose name matches
// without regard to case; from the first component that does not exist on, names stay as given.
fs::path resolve(fs::path base, std::string_view rest)
{
    bool searching = true;
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
            if (base.has_relative_path())
                base = base.parent_path();
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
    }
    return base;
}

} // namespace

ServerPaths::ServerPaths() { m_roots['C' - 'A'] = "/"; }

void ServerPaths::mapDrive(char letter, fs::path nativeRoot)
{
    const int i = driveIndex(letter);
    if (i >= 0)
        m_roots[i] = std::move(nativeRoot);
}

void ServerPaths::load(std::istream& in)
{
    for (auto& root : m_roots)
        root.clear();
    m_roots['C' - 'A'] = "/";
    m_work = "\\morabyzaimu\\temp";
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trim(line);
        if (text.empty() || text[0] == '#' || text[0] == ';')
            continue;
        const auto eq = text.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string drive = trim(std::string_view(text).substr(0, eq));
        const std::string root = trim(std::string_view(text).substr(eq + 1));
        if (sameName(drive, "WORK")) {
            if (!root.empty() && isDelim(root[0]))
                m_work = root;
            continue;
        }
        if (drive.empty() || driveIndex(drive[0]) < 0
            || (drive.size() > 1 && (drive.size() != 2 || drive[1] != ':')))
            continue;
        m_roots[driveIndex(drive[0])] = root; // an empty root unmaps the drive
    }
}

void ServerPaths::loadFile(const fs::path& file)
{
    std::ifstream in(file);
    if (in)
        load(in);
}

fs::path ServerPaths::toNative(std::string_view path) const
{
    const std::string p = trim(path);
    if (p.empty())
        return {};
    if (p.size() >= 2 && p[1] == ':' && driveIndex(p[0]) >= 0) {
        const fs::path& root = m_roots[driveIndex(p[0])];
        if (root.empty())
            return {};
        return resolve(root, std::string_view(p).substr(2));
    }
    if (p.size() >= 2 && isDelim(p[0]) && isDelim(p[1]))
        return {}; // UNC names have no meaning on this machine
    if (p[0] == '/')
        return resolve("/", p);
    if (p[0] == '\\') {
        const fs::path& root = m_roots['C' - 'A'];
        return root.empty() ? fs::path() : resolve(root, p);
    }
    return {};
}

namespace {

// The real form of a path: the existing part with its symbolic links and ".." resolved, the
// rest appended; empty when it cannot be had.
fs::path realForm(const fs::path& native)
{
    if (native.empty() || !native.is_absolute())
        return {};
    std::error_code ec;
    fs::path real = fs::weakly_canonical(native, ec);
    if (ec)
        return {};
    real = real.lexically_normal();
    if (!real.has_filename() && real != real.root_path())
        real = real.parent_path();
    return real;
}

// Whether inner lies at or below outer (both in real form).
bool holds(const fs::path& outer, const fs::path& inner, bool orSame)
{
    if (outer == inner)
        return orSame;
    const fs::path rel = inner.lexically_relative(outer);
    return !rel.empty() && rel.is_relative() && *rel.begin() != ".." && *rel.begin() != ".";
}

} // namespace

fs::path ServerPaths::driveRootOf(const fs::path& native) const
{
    const fs::path target = realForm(native);
    fs::path best;
    std::size_t bestDepth = 0;
    for (const fs::path& root : m_roots) {
        const fs::path real = realForm(root);
        if (real.empty() || !holds(real, target, true))
            continue;
        const auto depth = std::size_t(std::distance(real.begin(), real.end()));
        if (best.empty() || depth > bestDepth) {
            best = real;
            bestDepth = depth;
        }
    }
    return best;
}

void ServerPaths::addServedFolder(const fs::path& native)
{
    fs::path folder = realForm(native);
    // Whatever a catalogue row or a setting says, the whole file system is never served.
    if (folder.empty() || folder == folder.root_path())
        return;
    for (const fs::path& known : m_served)
        if (known == folder)
            return;
    m_served.push_back(std::move(folder));
}

bool ServerPaths::isServed(const fs::path& native, bool allowServedFolder) const
{
    const fs::path target = realForm(native);
    if (target.empty())
        return false;
    for (const fs::path& folder : m_served)
        if (holds(folder, target, allowServedFolder))
            return true;
    return false;
}

namespace {

// DATAPLACEMAN is SJIS_0208, which reads the bytes 0x5C and 0x7E as the yen sign and the
// overline; the program means CP932's "\" and "~".
std::string placeText(std::string text)
{
    const struct {
        std::string_view from;
        char to;
    } marks[] = {{"\xC2\xA5", '\\'}, {"\xE2\x80\xBE", '~'}};
    for (const auto& m : marks)
        for (std::size_t at; (at = text.find(m.from)) != std::string::npos;)
            text.replace(at, m.from.size(), 1, m.to);
    return text;
}

} // namespace

void serveSystemFolder(ServerPaths& paths, const fs::path& systemFolder,
                       const std::vector<std::string>& rows)
{
    std::vector<std::string> places;
    for (const std::string& row : rows)
        places.push_back(placeText(row));
    const fs::path system = realForm(systemFolder);
    if (system.empty())
        return;
    paths.addServedFolder(system);
    const std::string& work = paths.workPath();
    const fs::path mappedRoot = paths.driveRootOf(system);
    if (!mappedRoot.empty())
        paths.addServedFolder(resolve(mappedRoot, work));

    ServerPaths placeMap = paths;
    if (!places.empty()) {
        // "D:\Data" for /srv/x/data: the clients' D: is /srv/x.
        const std::string standard = trim(places.front());
        if (standard.size() > 2 && standard[1] == ':' && driveIndex(standard[0]) >= 0) {
            std::vector<std::string> names;
            std::string_view rest = std::string_view(standard).substr(2);
            while (!rest.empty()) {
                const auto at = rest.find_first_of("\\/");
                const std::string name(rest.substr(0, at));
                if (!name.empty() && name != ".")
                    names.push_back(name);
                rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
            }
            fs::path root = system;
            bool matches = !names.empty();
            for (auto it = names.rbegin(); matches && it != names.rend(); ++it) {
                matches = *it != ".." && root.has_relative_path()
                          && sameName(root.filename().string(), *it);
                root = root.parent_path();
            }
            if (matches) {
                placeMap.mapDrive(standard[0], root);
                paths.addServedFolder(resolve(root, work));
            }
        }
    }
    for (const std::string& place : places)
        paths.addServedFolder(placeMap.toNative(place));
}

bool isRootFolder(const fs::path& native, const ServerPaths& paths)
{
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(native, ec);
    if (ec || target == target.root_path())
        return true;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const fs::path root = paths.toNative(std::string(1, letter) + ":\\");
        if (root.empty())
            continue;
        const fs::path canonical = fs::weakly_canonical(root, ec);
        if (!ec && canonical == target)
            return true;
    }
    return false;
}

} // namespace udr
