#include "udr/FileOperations.h"

#include <cctype>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace udr {
namespace fs = std::filesystem;
namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    std::size_t b = 0, e = out.size();
    while (b < e && std::isspace(static_cast<unsigned char>(out[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(out[e - 1])))
        --e;
    return out.substr(b, e - b);
}

bool isFile(const fs::path& p)
{
    std::error_code ec;
    return !p.empty() && fs::is_regular_file(p, ec);
}

bool isFolder(const fs::path& p)
{
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

// Whether the path may be acted on; a refused one is handed back for the log.
bool served(const ServerPaths& paths, const fs::path& native, std::string_view asGiven,
            bool allowServedFolder, std::string* refused)
{
    if (paths.isServed(native, allowServedFolder))
        return true;
    if (refused)
        *refused = std::string(asGiven);
    return false;
}

} // namespace

WholeFileWriter::WholeFileWriter(fs::path target) : m_target(std::move(target))
{
    if (m_target.empty() || !m_target.has_filename())
        return;
    std::string pattern = (m_target.parent_path() / ("." + m_target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return;
    m_work = pattern;
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        std::error_code ec;
        fs::remove(m_work, ec);
    }
}

WholeFileWriter::~WholeFileWriter()
{
    if (m_file)
        std::fclose(m_file);
    if (!m_work.empty()) {
        std::error_code ec;
        fs::remove(m_work, ec);
    }
}

bool WholeFileWriter::write(const void* data, std::size_t size)
{
    return m_file && (size == 0 || std::fwrite(data, 1, size, m_file) == size);
}

bool WholeFileWriter::commit(fs::perms mode)
{
    if (!m_file)
        return false;
    const bool flushed = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed)
        return false;
    std::error_code ec;
    fs::permissions(m_work, mode & fs::perms::mask, ec);
    if (ec)
        return false;
    fs::rename(m_work, m_target, ec);
    if (ec)
        return false;
    m_work.clear();
    return true;
}

bool copyFileWhole(const fs::path& source, const fs::path& target)
{
    std::error_code ec;
    if (!isFile(source) || target.empty() || isFolder(target))
        return false;
    if (fs::equivalent(source, target, ec))
        return true;
    fs::create_directories(target.parent_path(), ec);
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return false;
    WholeFileWriter out(target);
    if (!out.isOpen())
        return false;
    char buffer[64 * 1024];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0 && !out.write(buffer, std::size_t(in.gcount())))
            return false;
    }
    // A private file stays private in its copy. The copy belongs to the server's user: never
    // the set-user or set-group bit of someone else's file.
    const fs::perms mode = fs::status(source, ec).permissions()
                           & (fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
    return !ec && in.eof() && out.commit(mode);
}

bool fileOperation(const ServerPaths& paths, std::string_view mode, std::string_view path1,
                   std::string_view path2, std::string* refused)
{
    const std::string m = upper(mode);
    if (m != "FEXIST" && m != "FCOPY" && m != "FDEL")
        return false;
    const fs::path first = paths.toNative(path1);
    if (first.empty() || !served(paths, first, path1, false, refused))
        return false;
    std::error_code ec;
    if (m == "FEXIST")
        return isFile(first);
    if (m == "FCOPY") {
        const fs::path second = paths.toNative(path2);
        return !second.empty() && served(paths, second, path2, false, refused)
               && copyFileWhole(first, second);
    }
    return isFile(first) && fs::remove(first, ec) && !ec;
}

bool directoryTest(const ServerPaths& paths, std::string_view mode, std::string_view path1,
                   std::string* refused)
{
    const std::string m = upper(mode);
    if (m != "DEXIST" && m != "MKDIR" && m != "RMDIR")
        return false;
    const fs::path folder = paths.toNative(path1);
    if (folder.empty() || !served(paths, folder, path1, m != "RMDIR", refused))
        return false;
    std::error_code ec;
    if (m == "DEXIST")
        return isFolder(folder);
    if (m == "MKDIR") {
        if (isFolder(folder))
            return true;
        fs::create_directories(folder, ec);
        return !ec && isFolder(folder);
    }
    if (m == "RMDIR") {
        if (!isFolder(folder) || isRootFolder(folder, paths))
            return false;
        fs::remove_all(folder, ec);
        return !ec && !fs::exists(fs::symlink_status(folder, ec));
    }
    return false;
}

std::string longToShortFileName(std::string_view longName) { return std::string(longName); }

} // namespace udr
