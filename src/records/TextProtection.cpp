#include "records/TextProtection.h"

#include "platform/Text.h"
#include "platform/TextProtection.h"

#include <algorithm>
#include <cstring>

namespace text = platform::text;

namespace {

ProtectionEntry g_entry = &platform::P_Check1;

// The three alphabets of the scrambler are one and the same sequence, so that decoding reverses
// encoding exactly.
constexpr std::string_view kAlphabet = "QxKuF5smGN14e9ZEcOjtwkX6SHVdLnz3g8arqTWACMbIDRol2UiY7JByPpf0vh";
constexpr std::string_view kEncodeIn = kAlphabet;
constexpr std::string_view kEncodeOut = kAlphabet;
constexpr std::string_view kDecode = kAlphabet;
static_assert(kAlphabet.size() == 62);

// The scrambler works in buffers of 256 bytes: texts are at most 255 characters.
constexpr std::size_t kScrambleLimit = 255;

bool isBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

// Calls the library with two zeroed buffers; the first buffer's text on success, else empty.
std::string callLibrary(const std::string& input, const char* mode)
{
    char result[platform::kProtectBufferSize] = {};
    char spare[platform::kProtectBufferSize] = {};
    if (g_entry(input.c_str(), mode, result, spare) != 1)
        return {};
    return std::string(result, ::strnlen(result, sizeof result));
}

std::string_view keyOrFixed(std::string_view key) { return key.empty() ? kEasyEncodeKey : key; }

} // namespace

void setProtectionEntry(ProtectionEntry entry)
{
    g_entry = entry ? entry : &platform::P_Check1;
}

void ProtectText(std::string_view Text, std::string_view Key, int KeyLength, std::string& Result)
{
    // The key is not passed to the library; an empty one is replaced all the same.
    (void)keyOrFixed(Key);
    (void)KeyLength;
    Result.clear();
    if (isBlank(Text) || !text::fitsCp932(Text))
        return;
    const std::string bytes = text::toCp932(Text);
    if (bytes.find('\0') != std::string::npos)
        return;
    Result = callLibrary(bytes, "160");
}

void UnprotectText(std::string_view Text, std::string_view Key, int KeyLength, std::string& Result)
{
    (void)keyOrFixed(Key);
    (void)KeyLength;
    Result.clear();
    if (isBlank(Text) || !text::fitsCp932(Text))
        return;
    const std::string bytes = callLibrary(text::toCp932(Text), "161");
    try {
        Result = text::fromCp932(bytes);
    } catch (const text::EncodingError&) {
        Result.clear();
    }
}

void InitEasyEncodeInfo(TEasyEncodeInfo& Info)
{
    Info.TotalLength = 0;
    Info.RestoreCount = 0;
    Info.ClearText.clear();
    Info.EncodedText.clear();
}

int EasyEncode(TEasyEncodeInfo& Info)
{
    std::string clear = Info.ClearText.substr(0, kScrambleLimit);
    if (Info.TotalLength > Info.RestoreCount) {
        const std::size_t fill = std::size_t(Info.TotalLength) - std::size_t(std::max(Info.RestoreCount, 0));
        for (std::size_t i = 0; i < fill && clear.size() < kScrambleLimit; ++i)
            clear += char('A' + i % 26);
    }
    const std::string key = Info.Key.substr(0, kScrambleLimit);
    std::string out;
    std::size_t keyPos = 0;
    long accumulator = 0;
    for (const char c : clear) {
        if (keyPos >= key.size())
            keyPos = 0;
        // An empty key adds nothing.
        accumulator += key.empty() ? 0 : static_cast<unsigned char>(key[keyPos]);
        const std::size_t j = kEncodeIn.find(c);
        if (j == std::string_view::npos)
            break;
        out += kEncodeOut[(j + std::size_t(accumulator)) % 62];
        ++keyPos;
    }
    Info.ClearText = clear;
    Info.EncodedText = out;
    return 1;
}

bool EasyDecode(TEasyEncodeInfo& Info)
{
    const std::string encoded = Info.EncodedText.substr(0, kScrambleLimit);
    const std::string key = Info.Key.substr(0, kScrambleLimit);
    const std::size_t count = std::size_t(std::max(Info.RestoreCount, 0));
    std::string out;
    std::size_t keyPos = 0;
    long accumulator = 0;
    for (std::size_t i = 0; i < encoded.size() && i < count; ++i) {
        if (keyPos >= key.size())
            keyPos = 0;
        accumulator += key.empty() ? 0 : static_cast<unsigned char>(key[keyPos]);
        const std::size_t k = kDecode.find(encoded[i]);
        if (k == std::string_view::npos)
            break;
        out += kDecode[std::size_t(((long(k) - accumulator) % 62 + 62) % 62)];
        ++keyPos;
    }
    Info.ClearText = out;
    return true;
}

std::string DelFileNameChars(std::string_view Text)
{
    constexpr std::string_view kRemoved = "\"*,/:;<>?\\|";
    std::string out;
    for (const char c : Text)
        // UTF-8: bytes of a multi-byte character are never ASCII, so whole characters are matched.
        if (kRemoved.find(c) == std::string_view::npos)
            out += c;
    return out;
}
