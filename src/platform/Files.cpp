#include "platform/Files.h"

#include "platform/ErrorLog.h"
#include "platform/Paths.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// Temporary files of a save are named ".~wz" + a hash of the target's file name + "." + six
// random characters: short enough beside any legal target name, and recognisable as this
// program's temporaries of that target. A writer holds an flock on its temporary until the
// rename, so a temporary that nobody holds is left over from a save that was killed.
constexpr std::string_view kTempMark = ".~wz";
constexpr std::size_t kTempRandom = 6;

std::string tempPrefix(const fs::path& target)
{
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (const unsigned char c : target.filename().string()) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return std::string(kTempMark) + hex + ".";
}

// Removes the temporaries of target that no live save holds.
void removeStaleTemporaries(const fs::path& target)
{
    const std::string prefix = tempPrefix(target);
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> candidates;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.size() == prefix.size() + kTempRandom && name.substr(0, prefix.size()) == prefix)
            candidates.emplace_back(name);
    }
    ::closedir(dir);
    for (const auto& name : candidates) {
        const fs::path p = folder / name;
        const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held {}, now {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0
            && ::lstat(p.c_str(), &now) == 0 && held.st_ino == now.st_ino
            && held.st_dev == now.st_dev && S_ISREG(now.st_mode))
            ::unlink(p.c_str());
        ::close(fd);
    }
}

// Creates the temporary file of a save of target, locked; -1 with errno on failure.
int createTemporary(const fs::path& target, std::string& tmpPath)
{
    removeStaleTemporaries(target);
    for (;;) {
        std::string tmpl = (target.parent_path() / (tempPrefix(target) + std::string(kTempRandom, 'X'))).string();
        const int fd = ::mkstemp(tmpl.data());
        if (fd < 0)
            return -1;
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        // Another save's clean-up may have taken the file between its creation and the lock.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            tmpPath = std::move(tmpl);
            return fd;
        }
        ::close(fd);
    }
}

mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return mode_t(std::stoul(line.substr(6), nullptr, 8) & 0777);
    return 022;
}

// Permission bits for a file that replaces target: those of the old file, or 0666 less the
// umask for a new one. Set-user-id, set-group-id and sticky bits are never carried over; only a
// regular file passes its bits on (a link to a device such as /dev/null is 0666 for everyone).
mode_t replacementMode(const fs::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 0777;
    return 0666 & ~currentUmask();
}

void throwIf(const std::error_code& ec, const char* op, std::string_view path)
{
    if (ec)
        throw FileError(op, std::string(path), ec.value());
}

} // namespace

std::string errorReason(int errorCode)
{
    switch (errorCode) {
    case ENOENT: return "ファイルまたはフォルダが見つかりません";
    case EISDIR: return "同じ名前のフォルダがあります";
    case ENOTDIR: return "パスの途中にフォルダでないファイルがあります";
    case EPERM:
    case EACCES: return "アクセスが拒否されました";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case ENOSPC: return "ディスクの空き容量が不足しています";
    case EDQUOT: return "ディスクの使用量の制限を超えました";
    case EROFS: return "書き込みが禁止されたドライブです";
    case EIO: return "ディスクの読み書きでエラーが発生しました";
    case EEXIST: return "同じ名前のファイルが既にあります";
    case EBUSY:
    case ETXTBSY: return "ファイルが使用中です";
    case EINVAL: return "ファイル名が正しくありません";
    case EXDEV: return "別のドライブへは移動できません";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case EFBIG: return "ファイルが大きすぎます";
    case ENOTEMPTY: return "フォルダが空ではありません";
    default: return "システムエラー " + std::to_string(errorCode);
    }
}

namespace {

// The last file errors raised, until a box shows one of them or newer ones push them out. Errors
// are raised on worker threads and shown on the GUI thread.
struct RaisedError {
    std::string message;
    std::string path;
    int errorCode = 0;
};
constexpr std::size_t kRaisedErrorsKept = 16;
std::mutex g_raisedMutex;
std::deque<RaisedError> g_raised;

} // namespace

FileError::FileError(const std::string& operation, const std::string& path, int errorCode)
    : std::runtime_error(operation + "に失敗しました: " + path + " (" + errorReason(errorCode) + ")"),
      m_path(path), m_errorCode(errorCode)
{
    std::lock_guard lock(g_raisedMutex);
    if (g_raised.size() == kRaisedErrorsKept)
        g_raised.pop_front();
    g_raised.push_back({what(), path, errorCode});
}

void logShownErrors(const std::string& shownText)
{
    std::vector<RaisedError> shown;
    {
        std::lock_guard lock(g_raisedMutex);
        for (auto it = g_raised.begin(); it != g_raised.end();) {
            const bool carried = shownText.find(it->message) != std::string::npos ||
                                 (!it->path.empty() && shownText.find(it->path) != std::string::npos &&
                                  shownText.find(errorReason(it->errorCode)) != std::string::npos);
            if (carried) {
                // The same failure raised again (a retry) is one line.
                const bool repeated = std::any_of(shown.begin(), shown.end(), [&](const RaisedError& e) {
                    return e.message == it->message && e.errorCode == it->errorCode;
                });
                if (!repeated)
                    shown.push_back(std::move(*it));
                it = g_raised.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Outside the lock: writing the log may raise (and remember) a file error of its own.
    for (const auto& e : shown)
        writeErrorLog(e.message + " [" + std::strerror(e.errorCode) + ", errno " +
                      std::to_string(e.errorCode) + "]");
}

std::string FileError::systemText() const
{
    return std::strerror(m_errorCode);
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
    std::string tmpl;
    const int fd = createTemporary(target, tmpl);
    if (fd < 0)
        throw FileError("書き込み", std::string(path), errno);
    // The descriptor (and with it the lock) stays open until the rename is done.
    auto fail = [&](int e) {
        ::unlink(tmpl.c_str());
        ::close(fd);
        throw FileError("書き込み", std::string(path), e);
    };
    try {
        writeFully(fd, bytes.data(), bytes.size(), std::string(path));
    } catch (...) {
        ::unlink(tmpl.c_str());
        ::close(fd);
        throw;
    }
    if (::fchmod(fd, replacementMode(target)) != 0 || ::fsync(fd) != 0)
        fail(errno);
    if (const int fault = takeFault(Operation::Rename))
        fail(fault);
    if (::rename(tmpl.c_str(), target.c_str()) != 0)
        fail(errno);
    ::close(fd);
}

AtomicWriter::AtomicWriter(std::string_view path)
    : m_path(path), m_target(native(path))
{
    m_fd = createTemporary(m_target, m_temporary);
    if (m_fd < 0)
        throw FileError("書き込み", m_path, errno);
}

AtomicWriter::~AtomicWriter()
{
    discard();
}

void AtomicWriter::discard()
{
    if (m_fd < 0)
        return;
    ::unlink(m_temporary.c_str());
    ::close(m_fd);
    m_fd = -1;
}

void AtomicWriter::write(std::string_view bytes)
{
    if (m_fd < 0)
        throw FileError("書き込み", m_path, EBADF);
    try {
        writeFully(m_fd, bytes.data(), bytes.size(), m_path);
    } catch (...) {
        discard();
        throw;
    }
}

void AtomicWriter::commit()
{
    if (m_fd < 0)
        throw FileError("書き込み", m_path, EBADF);
    auto fail = [&](int e) {
        discard();
        throw FileError("書き込み", m_path, e);
    };
    if (::fchmod(m_fd, replacementMode(m_target)) != 0 || ::fsync(m_fd) != 0)
        fail(errno);
    if (const int fault = takeFault(Operation::Rename))
        fail(fault);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        fail(errno);
    ::close(m_fd);
    m_fd = -1;
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
    if (std::error_code ignored; !overwrite && fs::exists(fs::symlink_status(b, ignored)))
        throw FileError("コピー", std::string(from), EEXIST);
    const int in = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw FileError("コピー", std::string(from), errno);
    struct stat source {};
    if (::fstat(in, &source) != 0) {
        const int e = errno;
        ::close(in);
        throw FileError("コピー", std::string(from), e);
    }
    // Copied beside the target and renamed over it: a copy that fails part-way (disk full) must
    // not leave the old target cut short.
    std::string tmpl;
    const int fd = createTemporary(b, tmpl);
    if (fd < 0) {
        const int e = errno;
        ::close(in);
        throw FileError("コピー", std::string(from), e);
    }
    auto fail = [&](int e) {
        ::unlink(tmpl.c_str());
        ::close(fd);
        ::close(in);
        throw FileError("コピー", std::string(from), e);
    };
    // The kernel copies between the two files itself, without a pass through a buffer here;
    // file systems that cannot do that are read and written in pieces.
    bool copied = false;
    for (off_t total = 0;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, fd, nullptr, std::size_t(1) << 30, 0);
        if (n > 0) {
            total += n;
            continue;
        }
        if (n == 0) {
            // Nothing copied: an empty file, or one whose size says nothing (procfs), read below.
            copied = total > 0;
            break;
        }
        if (errno == EINTR)
            continue;
        if (total > 0 || (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL))
            fail(errno);
        break;
    }
    std::vector<char> buffer(copied ? 0 : 1 << 20);
    while (!copied) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer.data() + done, std::size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                fail(errno);
            }
            done += w;
        }
    }
    if (::fchmod(fd, source.st_mode & 0777 & ~currentUmask()) != 0 || ::fsync(fd) != 0)
        fail(errno);
    if (::rename(tmpl.c_str(), b.c_str()) != 0)
        fail(errno);
    ::close(fd);
    ::close(in);
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
    m_fd = ::open(p.c_str(), flags, 0666); // the umask decides
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
