#include "platform/TextProtection.h"

#include <cstring>
#include <string>

namespace platform {
namespace {

// Protected form: "XP1", the hex of the input bytes mixed with a running key stream, then a
// 16-bit check of the clear bytes. Deterministic, ASCII only, and any damage is detected.
constexpr char kTag[] = "XP1";
constexpr std::size_t kTagLength = 3;
constexpr char kHex[] = "0123456789ABCDEF";

struct Stream {
    std::uint32_t state = 0x5A17C3E9u;
    unsigned char next(unsigned char previousClear)
    {
        state = state * 1664525u + 1013904223u + previousClear;
        return static_cast<unsigned char>(state >> 24);
    }
};

std::uint16_t check(const unsigned char* bytes, std::size_t n)
{
    std::uint16_t a = 0x1D0F, b = 0;
    for (std::size_t i = 0; i < n; ++i) {
        a = static_cast<std::uint16_t>((a + bytes[i] + 1) % 251);
        b = static_cast<std::uint16_t>((b + a) % 251);
    }
    return static_cast<std::uint16_t>((b << 8) | a);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::int32_t protect(const char* text, char* result)
{
    const std::size_t n = std::strlen(text);
    if (n > kProtectMaxInput)
        return 0;
    std::string out(kTag);
    Stream s;
    unsigned char prev = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const unsigned char m = static_cast<unsigned char>(c ^ s.next(prev));
        out += kHex[m >> 4];
        out += kHex[m & 0xF];
        prev = c;
    }
    const std::uint16_t k = check(reinterpret_cast<const unsigned char*>(text), n);
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(k >> shift) & 0xF];
    std::memcpy(result, out.c_str(), out.size() + 1);
    return 1;
}

std::int32_t restore(const char* text, char* result)
{
    const std::size_t n = ::strnlen(text, kProtectBufferSize);
    if (n >= kProtectBufferSize || n < kTagLength + 4 || std::strncmp(text, kTag, kTagLength) != 0
        || (n - kTagLength - 4) % 2 != 0)
        return 0;
    const std::size_t count = (n - kTagLength - 4) / 2;
    unsigned char clear[kProtectBufferSize];
    Stream s;
    unsigned char prev = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int hi = hexValue(text[kTagLength + 2 * i]);
        const int lo = hexValue(text[kTagLength + 2 * i + 1]);
        if (hi < 0 || lo < 0)
            return 0;
        const auto c = static_cast<unsigned char>(((hi << 4) | lo) ^ s.next(prev));
        if (c == 0)
            return 0;
        clear[i] = c;
        prev = c;
    }
    std::uint16_t k = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const int v = hexValue(text[n - 4 + i]);
        if (v < 0)
            return 0;
        k = static_cast<std::uint16_t>((k << 4) | v);
    }
    if (k != check(clear, count))
        return 0;
    std::memcpy(result, clear, count);
    result[count] = '\0';
    return 1;
}

} // namespace

std::int32_t P_Check1(const char* text, const char* mode, char* result, char* spare)
{
    (void)spare;
    if (!text || !mode || !result)
        return 0;
    if (std::strcmp(mode, "160") == 0)
        return protect(text, result);
    if (std::strcmp(mode, "161") == 0)
        return restore(text, result);
    return 0;
}

} // namespace platform
