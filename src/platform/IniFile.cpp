#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

using text::isLeadByte;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Position of an ASCII character outside double-byte characters, or npos.
std::size_t findAscii(std::string_view s, char c, std::size_t from = 0)
{
    for (std::size_t i = from; i < s.size(); ++i) {
        if (s[i] == c)
            return i;
        if (isLeadByte(static_cast<unsigned char>(s[i])))
            ++i;
    }
    return std::string_view::npos;
}

// Names compare without regard to the case of single-byte letters; the second byte of a
// double-byte character is never folded (0x83 0x61 "ャ" is not 0x83 0x41 "ア").
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (isLeadByte(x)) {
            if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (std::tolower(x) != std::tolower(y)) {
            return false;
        }
    }
    return true;
}

bool sectionName(std::string_view line, std::string_view& name)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return false;
    const std::size_t close = findAscii(t, ']', 1);
    name = trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

bool keyLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return false;
    const std::size_t eq = findAscii(t, '=');
    if (eq == std::string_view::npos) {
        key = t;
        value = {};
    } else {
        key = trim(t.substr(0, eq));
        value = t.substr(eq + 1);
    }
    return true;
}

std::string cleanValue(std::string_view raw)
{
    // A value ends at a NUL, as the Windows profile reader has it: what follows is never read,
    // so a value read and written back cannot carry one (the write would refuse it).
    if (const auto nul = raw.find('\0'); nul != std::string_view::npos)
        raw = raw.substr(0, nul);
    std::string_view v = trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::string toFile(std::string_view utf8, const char* what)
{
    for (const char c : utf8) {
        if (c == '\r' || c == '\n')
            throw std::invalid_argument(std::string("INIファイルの") + what
                                        + "に改行を含めることはできません。");
        // The profile format ends a value at a NUL: the rest would be lost without a word.
        if (c == '\0')
            throw std::invalid_argument(std::string("INIファイルの") + what
                                        + "にNUL文字を含めることはできません。");
    }
    return text::toCp932(utf8);
}

// Byte length of the CP932 character at pos: 2 for a lead byte followed by another byte.
std::size_t cp932CharLength(std::string_view s, std::size_t pos)
{
    return isLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size() ? 2 : 1;
}

// CP932 bytes -> UTF-8 as the Windows profile reader does it: bytes that are not CP932 never
// stop a read; each character that cannot be decoded becomes U+FFFD. bad tells whether any did.
std::string decodeLenient(std::string_view cp932, bool* bad = nullptr)
{
    if (bad)
        *bad = false;
    try {
        return text::fromCp932(cp932);
    } catch (const text::EncodingError&) {
    }
    std::string out;
    std::size_t run = 0; // start of the pending run of sound characters
    std::size_t i = 0;
    auto flush = [&](std::size_t end) {
        if (end > run)
            out += text::fromCp932(cp932.substr(run, end - run));
    };
    while (i < cp932.size()) {
        std::size_t n = cp932CharLength(cp932, i);
        if (n == 2 && !text::isTrailByte(static_cast<unsigned char>(cp932[i + 1])))
            n = 1; // a lead byte without its trail byte: the next byte is read on its own
        bool sound = true;
        try {
            (void)text::fromCp932(cp932.substr(i, n));
            sound = n == 2 || !isLeadByte(static_cast<unsigned char>(cp932[i]));
        } catch (const text::EncodingError&) {
            sound = false;
        }
        if (!sound) {
            flush(i);
            out += "\xEF\xBF\xBD"; // U+FFFD
            if (bad)
                *bad = true;
            run = i + n;
        }
        i += n;
    }
    flush(cp932.size());
    return out;
}

struct Range {
    std::size_t header = 0; // index of the "[section]" line
    std::size_t end = 0;    // one past the section's last line
};

bool findSection(const std::vector<std::string>& lines, std::string_view name, Range& out)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view n;
        if (sectionName(lines[i], n) && sameName(n, name)) {
            out.header = i;
            std::size_t j = i + 1;
            for (; j < lines.size(); ++j)
                if (sectionName(lines[j], n))
                    break;
            out.end = j;
            return true;
        }
    }
    return false;
}

bool findKey(const std::vector<std::string>& lines, const Range& r, std::string_view key,
             std::size_t& index, std::string_view& value)
{
    for (std::size_t i = r.header + 1; i < r.end; ++i) {
        std::string_view k, v;
        if (keyLine(lines[i], k, v) && sameName(k, key)) {
            index = i;
            value = v;
            return true;
        }
    }
    return false;
}

bool parseInteger(std::string_view s, int& out)
{
    bool negative = false;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(s[i]));
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * base + d;
        if (v > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
            return false;
    }
    if (base == 16 && !negative) {
        // Hex spells the 32 bits ("$FFFFFFFF" is -1).
        out = static_cast<int>(static_cast<std::uint32_t>(v));
        return true;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(v);
    return true;
}

// Holds the folder of the file locked while one change reads, edits and replaces the file, so
// programs changing the same file at once do not undo each other's changes (the file itself is
// replaced by every write, so it cannot carry the lock).
class ChangeLock {
public:
    ChangeLock(const std::string& path, bool wanted)
    {
        if (!wanted)
            return;
        try {
            const std::filesystem::path folder = paths::toNative(path).parent_path();
            m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        } catch (const std::invalid_argument&) {
            return; // the write itself reports the bad path
        }
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~ChangeLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace

IniFile::IniFile(std::string path, WriteMode mode) : m_path(std::move(path)), m_mode(mode)
{
    reload();
}

void IniFile::reload()
{
    load();
    m_dirty = false;
}

void IniFile::refresh() const
{
    if (m_mode == WriteMode::Immediate)
        load();
}

void IniFile::load() const
{
    m_lines.clear();
    if (!files::fileExists(m_path))
        return;
    const std::string bytes = files::readAll(m_path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t nl = bytes.find('\n', start);
        const std::size_t end = nl == std::string::npos ? bytes.size() : nl;
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.push_back(std::move(line));
        start = nl == std::string::npos ? bytes.size() : nl + 1;
    }
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    refresh();
    if (!text::fitsCp932(section) || !text::fitsCp932(key))
        return std::string(defaultValue);
    Range r;
    std::size_t index;
    std::string_view value;
    if (!findSection(m_lines, text::toCp932(section), r)
        || !findKey(m_lines, r, text::toCp932(key), index, value))
        return std::string(defaultValue);
    return decodeLenient(cleanValue(value));
}

std::string IniFile::readExactString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const
{
    refresh();
    if (!text::fitsCp932(section) || !text::fitsCp932(key))
        return std::string(defaultValue);
    Range r;
    std::size_t index;
    std::string_view value;
    if (!findSection(m_lines, text::toCp932(section), r)
        || !findKey(m_lines, r, text::toCp932(key), index, value))
        return std::string(defaultValue);
    bool bad = false;
    std::string out = decodeLenient(cleanValue(value), &bad);
    if (bad)
        throw IniValueError("「" + m_path + "」の[" + std::string(section) + "] " + std::string(key)
                            + " の値にShift-JIS(CP932)として読めない文字があります。");
    return out;
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    int v = 0;
    return parseInteger(readString(section, key, ""), v) ? v : defaultValue;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    const ChangeLock lock(m_path, m_mode == WriteMode::Immediate);
    refresh();
    if (section.empty() || key.empty())
        return;
    const std::string s = toFile(section, "セクション名");
    const std::string k = toFile(key, "キー名");
    std::string line;
    try {
        line = k + "=" + toFile(value, "値");
    } catch (const text::EncodingError&) {
        // The same text as stored (a value read with U+FFFD) stays as it is on disk.
        Range r;
        std::size_t index;
        std::string_view old;
        if (findSection(m_lines, s, r) && findKey(m_lines, r, k, index, old)
            && decodeLenient(cleanValue(old)) == value)
            return;
        throw;
    }
    const std::vector<std::string> before = m_lines;
    Range r;
    std::size_t index;
    std::string_view old;
    if (findSection(m_lines, s, r)) {
        if (findKey(m_lines, r, k, index, old)) {
            m_lines[index] = line;
        } else {
            std::size_t at = r.end;
            while (at > r.header + 1 && trim(m_lines[at - 1]).empty())
                --at;
            m_lines.insert(m_lines.begin() + std::ptrdiff_t(at), line);
        }
    } else {
        m_lines.push_back("[" + s + "]");
        m_lines.push_back(line);
    }
    change(before);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniFile::addSection(std::string_view section)
{
    const ChangeLock lock(m_path, m_mode == WriteMode::Immediate);
    refresh();
    if (section.empty())
        return;
    const std::string s = toFile(section, "セクション名");
    Range r;
    if (findSection(m_lines, s, r))
        return;
    const std::vector<std::string> before = m_lines;
    m_lines.push_back("[" + s + "]");
    change(before);
}

void IniFile::deleteKey(std::string_view section, std::string_view key)
{
    const ChangeLock lock(m_path, m_mode == WriteMode::Immediate);
    refresh();
    if (!text::fitsCp932(section) || !text::fitsCp932(key))
        return;
    Range r;
    std::size_t index;
    std::string_view old;
    if (!findSection(m_lines, text::toCp932(section), r)
        || !findKey(m_lines, r, text::toCp932(key), index, old))
        return;
    const std::vector<std::string> before = m_lines;
    m_lines.erase(m_lines.begin() + std::ptrdiff_t(index));
    change(before);
}

void IniFile::eraseSection(std::string_view section)
{
    const ChangeLock lock(m_path, m_mode == WriteMode::Immediate);
    refresh();
    if (!text::fitsCp932(section))
        return;
    Range r;
    if (!findSection(m_lines, text::toCp932(section), r))
        return;
    const std::vector<std::string> before = m_lines;
    m_lines.erase(m_lines.begin() + std::ptrdiff_t(r.header), m_lines.begin() + std::ptrdiff_t(r.end));
    change(before);
}

bool IniFile::sectionExists(std::string_view section) const
{
    refresh();
    Range r;
    return text::fitsCp932(section) && findSection(m_lines, text::toCp932(section), r);
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const
{
    refresh();
    Range r;
    std::size_t index;
    std::string_view value;
    return text::fitsCp932(section) && text::fitsCp932(key)
           && findSection(m_lines, text::toCp932(section), r)
           && findKey(m_lines, r, text::toCp932(key), index, value);
}

std::vector<std::string> IniFile::readSections() const
{
    refresh();
    std::vector<std::string> out;
    for (const auto& line : m_lines) {
        std::string_view n;
        if (sectionName(line, n))
            out.push_back(decodeLenient(n));
    }
    return out;
}

std::vector<std::string> IniFile::readSection(std::string_view section) const
{
    refresh();
    std::vector<std::string> out;
    Range r;
    if (!text::fitsCp932(section) || !findSection(m_lines, text::toCp932(section), r))
        return out;
    for (std::size_t i = r.header + 1; i < r.end; ++i) {
        std::string_view k, v;
        if (keyLine(m_lines[i], k, v))
            out.push_back(decodeLenient(k));
    }
    return out;
}

std::vector<std::string> IniFile::readSectionValues(std::string_view section) const
{
    std::vector<std::string> out;
    for (const auto& key : readSection(section))
        out.push_back(key + "=" + readString(section, key, ""));
    return out;
}

void IniFile::updateFile()
{
    if (m_dirty)
        save();
}

void IniFile::change(const std::vector<std::string>& before)
{
    m_dirty = true;
    if (m_mode == WriteMode::Deferred)
        return;
    try {
        save();
    } catch (...) {
        m_lines = before;
        m_dirty = false;
        throw;
    }
}

void IniFile::save()
{
    std::string bytes;
    for (const auto& line : m_lines) {
        bytes += line;
        bytes += "\r\n";
    }
    files::writeAllAtomic(m_path, bytes);
    m_dirty = false;
}

} // namespace platform
