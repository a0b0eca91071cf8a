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
// CP932 bytes -> UTF-8 that never fails: each character that cannot be decoded becomes
// `replacement`; bad tells whether any did.
std::string fromCp932Lenient(std::string_view cp932, bool* bad = nullptr,
                             std::string_view replacement = "?");

// CP932 lead byte of a double-byte character.
constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// CP932 trail byte (second byte of a double-byte character).
constexpr bool isTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Width in CP932 bytes of UTF-8 text (characters without a CP932 form count 2).
std::size_t cp932Width(std::string_view utf8);

// Byte length of the UTF-8 character that starts at pos (1 for a stray byte).
std::size_t charLength(std::string_view utf8, std::size_t pos);

// Cutting and padding by CP932 bytes; never splits a character.
// The longest head of whole characters whose width is at most width bytes.
std::string headByWidth(std::string_view utf8, std::size_t width);
// Exactly width bytes from the left: cut, or padded with blanks on the right; a double-byte
// character that would be cut in half becomes a blank.
std::string fitLeft(std::string_view utf8, std::size_t width);
// Exactly width bytes from the right: the last width bytes, or padded with blanks on the left;
// a double-byte character cut in half becomes a blank.
std::string fitRight(std::string_view utf8, std::size_t width);

// Byte-level helpers on CP932 bytes (not UTF-8).
// Walking from the first byte, a byte counts as a lead byte when it is in the lead range and the
// byte before it was not counted as one. The state of the byte at index (1-based), or of the last
// byte when index is beyond the text; false for an empty text or an index below 1.
bool isLeadByteAt(std::string_view cp932, std::size_t index);
// A lead byte not followed by a trail byte turns into a blank together with that byte; a lead byte
// at the end turns into a blank.
std::string fixDbcsCut(std::string_view cp932);

// A whole decimal number as the settings files and folder names hold it; anything else (empty,
// trailing characters, out of range) reads as 0.
int toIntOr0(const std::string& s);

// ASCII letters only: other bytes (CP932 or UTF-8 sequences) stay as they are.
inline std::string upperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}
inline std::string lowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return r;
}

} // namespace platform::text
