#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace platform::text {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(::iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw EncodingError(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { ::iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; returns false and the offset of the failing input on error.
    bool run(std::string_view in, std::string& out, std::size_t& failedAt)
    {
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = ::iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, std::size_t(dst - buffer));
            if (r == std::size_t(-1) && errno != E2BIG) {
                failedAt = in.size() - srcLeft;
                return false;
            }
        }
        return true;
    }

private:
    iconv_t m_cd;
};

std::size_t utf8Length(unsigned char c)
{
    if (c < 0x80)
        return 1;
    if ((c >> 5) == 0x6)
        return 2;
    if ((c >> 4) == 0xE)
        return 3;
    if ((c >> 3) == 0x1E)
        return 4;
    return 1;
}

thread_local Converter t_toCp932("CP932", "UTF-8");
thread_local Converter t_fromCp932("UTF-8", "CP932");

} // namespace

std::string toCp932(std::string_view utf8)
{
    std::string out;
    std::size_t at = 0;
    if (!t_toCp932.run(utf8, out, at)) {
        const std::string ch(utf8.substr(at, utf8Length(static_cast<unsigned char>(utf8[at]))));
        throw EncodingError("「" + ch + "」はShift-JIS(CP932)で表せない文字です。");
    }
    return out;
}

std::string fromCp932(std::string_view cp932)
{
    std::string out;
    std::size_t at = 0;
    if (!t_fromCp932.run(cp932, out, at))
        throw EncodingError("invalid CP932 bytes at offset " + std::to_string(at));
    return out;
}

std::string fromCp932Lenient(std::string_view cp932, bool* bad, std::string_view replacement)
{
    if (bad)
        *bad = false;
    std::string out;
    std::size_t at = 0;
    if (t_fromCp932.run(cp932, out, at))
        return out;
    out.clear();
    std::size_t i = 0;
    while (i < cp932.size()) {
        const auto c = static_cast<unsigned char>(cp932[i]);
        std::size_t n = 1;
        if (isLeadByte(c) && i + 1 < cp932.size() && isTrailByte(static_cast<unsigned char>(cp932[i + 1])))
            n = 2;
        std::string piece;
        std::size_t where = 0;
        if ((n == 2 || !isLeadByte(c)) && t_fromCp932.run(cp932.substr(i, n), piece, where)) {
            out += piece;
        } else {
            out += replacement;
            if (bad)
                *bad = true;
        }
        i += n;
    }
    return out;
}

bool fitsCp932(std::string_view utf8)
{
    std::string out;
    std::size_t at = 0;
    return t_toCp932.run(utf8, out, at);
}

std::size_t charLength(std::string_view utf8, std::size_t pos)
{
    if (pos >= utf8.size())
        return 0;
    return std::min(utf8Length(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
}

namespace {
std::size_t charWidth(std::string_view ch)
{
    if (ch.size() == 1)
        return 1;
    std::string out;
    std::size_t at = 0;
    return t_toCp932.run(ch, out, at) ? out.size() : 2;
}
} // namespace

std::size_t cp932Width(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = charLength(utf8, i);
        width += charWidth(utf8.substr(i, n));
        i += n;
    }
    return width;
}

std::string headByWidth(std::string_view utf8, std::size_t width)
{
    std::size_t used = 0, i = 0;
    while (i < utf8.size()) {
        const std::size_t n = charLength(utf8, i);
        const std::size_t w = charWidth(utf8.substr(i, n));
        if (used + w > width)
            break;
        used += w;
        i += n;
    }
    return std::string(utf8.substr(0, i));
}

std::string fitLeft(std::string_view utf8, std::size_t width)
{
    std::string out = headByWidth(utf8, width);
    out.append(width - cp932Width(out), ' ');
    return out;
}

std::string fitRight(std::string_view utf8, std::size_t width)
{
    std::size_t used = 0, start = utf8.size();
    while (start > 0) {
        std::size_t b = start - 1;
        while (b > 0 && (static_cast<unsigned char>(utf8[b]) & 0xC0) == 0x80 && start - b < 4)
            --b;
        const std::size_t w = charWidth(utf8.substr(b, start - b));
        if (used + w > width)
            break;
        used += w;
        start = b;
    }
    return std::string(width - used, ' ') + std::string(utf8.substr(start));
}

bool isLeadByteAt(std::string_view cp932, std::size_t index)
{
    if (cp932.empty() || index < 1)
        return false;
    const std::size_t last = std::min(index, cp932.size());
    bool lead = false;
    for (std::size_t i = 0; i < last; ++i)
        lead = !lead && isLeadByte(static_cast<unsigned char>(cp932[i]));
    return lead;
}

std::string fixDbcsCut(std::string_view cp932)
{
    std::string out(cp932);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (!isLeadByte(static_cast<unsigned char>(out[i])))
            continue;
        if (i + 1 >= out.size()) {
            out[i] = ' ';
        } else if (!isTrailByte(static_cast<unsigned char>(out[i + 1]))) {
            out[i] = ' ';
            out[i + 1] = ' ';
            ++i;
        } else {
            ++i;
        }
    }
    return out;
}

int toIntOr0(const std::string& s)
{
    try {
        std::size_t used = 0;
        const int v = std::stoi(s, &used);
        return used == s.size() ? v : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace platform::text
