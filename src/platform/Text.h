#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// UTF-8 in memory, code page 932 at every edge (files, databases, the linkage file).
namespace platform::text {

// A character that has no CP932 form, or bytes that are not CP932 / UTF-8.
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// UTF-8 -> CP932 bytes. Throws EncodingError naming the first character without a CP932 form.
std::string toCp932(std::string_view utf8);
// CP932 bytes -> UTF-8 (0x8160 reads as U+FF5E, as Windows does). Throws on invalid bytes.
std::string fromCp932(std::string_view cp932);
// Whether every character of the UTF-8 text has a CP932 form.
bool fitsCp932(std::string_view utf8);

// CP932 lead byte of a double-byte character.
constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Width in CP932 bytes of UTF-8 text (characters without a CP932 form count 2).
std::size_t cp932Width(std::string_view utf8);

} // namespace platform::text
