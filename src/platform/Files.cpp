#include "platform/Files.h"

#include "platform/Paths.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {
namespace fs = std::filesystem;
namespace {

std::mutex g_faultMutex;
std::array<int, 4> g_faults{};
std::array<int, 4> g_faultSkips{};

// The errno to fail with, once, or 0.
int takeFault(Operation op)
{
    std::lock_guard lock(g_faultMutex);
    int& f = g_faults[std::size_t(op)];
    if (f == 0)
        return 0;
    if (int& skip = g_faultSkips[std::size_t(op)]; skip > 0) {
        --skip;
        return 0;
    }
    const int e = f;
    f = 0;
    return e;
}

fs::path native(std::string_view path)
{
    try {
        return paths::toNative(path);
    } catch (const std::invalid_argument&) {
        throw FileError("パスの変換", std::string(path), ENOENT);
    }
}

void writeFully(int fd, const char* data, std::size_t count, const std::string& path)
{
    const int fault = takeFault(Operation::Write);
    std::size_t limit = fault ? count / 2 : count;
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, data + done, limit - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError("書き込み", path, errno);
        }
        done += std::size_t(n);
    }
    if (fault)
        throw FileError("書き込み", path, fault);
}

void throwIf(const std::error_code& ec, const char* op, std::string_view path)
{
    if (ec)
        throw FileError(op, std::string(path), ec.value());
}

} // namespace

FileError::FileError(const std::string& operation, const std::string& path, int errorCode)
    : std::runtime_error(operation + "に失敗しました: " + path + " (" + std::strerror(errorCode) + ")"),
      m_path(path), m_errorCode(errorCode)
{
}

void failNext(Operation operation, int errorCode, int skip)
{
    std::lock_guard lock(g_faultMutex);
    g_faults[std::size_t(operation)] = errorCode;
    g_faultSkips[std::size_t(operation)] = skip;
}

void clearFaults()
{
    std::lock_guard lock(g_faultMutex);
    g_faults.fill(0);
    g_faultSkips.fill(0);
}

bool exists(std::string_view path)
{
    std::error_code ec;
    try {
        return fs::exists(paths::toNative(path), ec);
    } catch (const std::invalid_argument&) {
        return false;
    }
}

bool fileExists(std::string_view path)
{
    std::error_code ec;
    try {
        return fs::is_regular_file(paths::toNative(path), ec);
    } catch (const std::invalid_argument&) {
        return false;
    }
}

bool directoryExists(std::string_view path)
{
    std::error_code ec;
    try {
        return fs::is_directory(paths::toNative(path), ec);
    } catch (const std::invalid_argument&) {
        return false;
    }
}

std::uintmax_t fileSize(std::string_view path)
{
    std::error_code ec;
    const auto n = fs::file_size(native(path), ec);
    throwIf(ec, "サイズの取得", path);
    return n;
}

std::string readAll(std::string_view path)
{
    File f(path, File::Mode::Read);
    std::string out;
    char buffer[65536];
    for (;;) {
        const std::size_t n = f.read(buffer, sizeof buffer);
        if (n == 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

void writeAllAtomic(std::string_view path, std::string_view bytes)
{
    const fs::path target = native(path);
    std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        throw FileError("書き込み", std::string(path), errno);
    const fs::path tmp(tmpl);
    try {
        writeFully(fd, bytes.data(), bytes.size(), std::string(path));
        if (::fsync(fd) != 0)
            throw FileError("書き込み", std::string(path), errno);
    } catch (...) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw;
    }
    // Keep the mode of the file being replaced; a new file gets the usual 0644.
    struct stat st {};
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644);
    ::close(fd);
    if (const int fault = takeFault(Operation::Rename)) {
        ::unlink(tmpl.c_str());
        throw FileError("書き込み", std::string(path), fault);
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        throw FileError("書き込み", std::string(path), e);
    }
}

void append(std::string_view path, std::string_view bytes)
{
    File f(path, File::Mode::Append);
    f.write(bytes);
    f.close();
}

void appendExisting(std::string_view path, std::string_view bytes)
{
    File f(path, File::Mode::ReadWrite);
    f.seek(0, 2);
    f.write(bytes);
    f.close();
}

void rename(std::string_view from, std::string_view to)
{
    const fs::path a = native(from), b = native(to);
    if (const int fault = takeFault(Operation::Rename))
        throw FileError("名前の変更", std::string(from), fault);
    if (::rename(a.c_str(), b.c_str()) != 0)
        throw FileError("名前の変更", std::string(from), errno);
}

void copyFile(std::string_view from, std::string_view to, bool overwrite)
{
    const fs::path a = native(from), b = native(to);
    if (const int fault = takeFault(Operation::Copy))
        throw FileError("コピー", std::string(from), fault);
    std::error_code ec;
    if (std::error_code ignored; !overwrite && fs::exists(fs::symlink_status(b, ignored)))
        throw FileError("コピー", std::string(from), EEXIST);
    // Copied beside the target and renamed over it: a copy that fails part-way (disk full) must
    // not leave the old target cut short.
    std::string tmpl = (b.parent_path() / ("." + b.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        throw FileError("コピー", std::string(from), errno);
    ::close(fd);
    fs::copy_file(a, tmpl, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        ::unlink(tmpl.c_str());
        throwIf(ec, "コピー", from);
    }
    if (::rename(tmpl.c_str(), b.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        throw FileError("コピー", std::string(from), e);
    }
}

void removeFile(std::string_view path)
{
    const fs::path p = native(path);
    if (const int fault = takeFault(Operation::Remove))
        throw FileError("削除", std::string(path), fault);
    if (::unlink(p.c_str()) != 0)
        throw FileError("削除", std::string(path), errno);
}

void createDirectory(std::string_view path)
{
    std::error_code ec;
    fs::create_directory(native(path), ec);
    throwIf(ec, "フォルダの作成", path);
}

void createDirectories(std::string_view path)
{
    std::error_code ec;
    fs::create_directories(native(path), ec);
    throwIf(ec, "フォルダの作成", path);
}

void removeDirectory(std::string_view path)
{
    const fs::path p = native(path);
    if (const int fault = takeFault(Operation::Remove))
        throw FileError("フォルダの削除", std::string(path), fault);
    if (::rmdir(p.c_str()) != 0)
        throw FileError("フォルダの削除", std::string(path), errno);
}

void removeAll(std::string_view path)
{
    const fs::path p = native(path);
    if (const int fault = takeFault(Operation::Remove))
        throw FileError("フォルダの削除", std::string(path), fault);
    std::error_code ec;
    fs::remove_all(p, ec);
    throwIf(ec, "フォルダの削除", path);
}

std::vector<Entry> list(std::string_view folder)
{
    std::vector<Entry> out;
    std::error_code ec;
    fs::directory_iterator it(native(folder), ec);
    throwIf(ec, "フォルダの読み取り", folder);
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        throwIf(ec, "フォルダの読み取り", folder);
        Entry e;
        e.name = it->path().filename().string();
        std::error_code ec2;
        e.isDirectory = it->is_directory(ec2);
        e.size = e.isDirectory ? 0 : it->file_size(ec2);
        out.push_back(std::move(e));
    }
    throwIf(ec, "フォルダの読み取り", folder);
    return out;
}

File::File(std::string_view path, Mode mode) : m_path(path)
{
    const fs::path p = native(path);
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    m_fd = ::open(p.c_str(), flags, 0644);
    if (m_fd < 0)
        throw FileError("ファイルのオープン", m_path, errno);
}

File::~File()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::size_t File::read(char* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError("読み込み", m_path, errno);
        }
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return done;
}

void File::write(const char* data, std::size_t count)
{
    writeFully(m_fd, data, count, m_path);
}

std::int64_t File::seek(std::int64_t offset, int origin)
{
    const int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(m_fd, off_t(offset), whence);
    if (r < 0)
        throw FileError("シーク", m_path, errno);
    return r;
}

std::int64_t File::size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw FileError("サイズの取得", m_path, errno);
    return st.st_size;
}

void File::sync()
{
    if (::fsync(m_fd) != 0)
        throw FileError("書き込み", m_path, errno);
}

void File::close()
{
    if (m_fd >= 0) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw FileError("書き込み", m_path, errno);
    }
}

} // namespace platform::files
