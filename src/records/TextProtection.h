#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Two hidden forms of stored settings: the protection library (individual-number settings) and
// the program's own substitution scrambler (the company's data password).

// The scrambler's parameter record.
struct TEasyEncodeInfo {
    std::int32_t TotalLength = 0;  // the length the clear text is padded to before scrambling
    std::int32_t RestoreCount = 0; // the number of characters unscrambling restores
    std::string Key;
    std::string ClearText;
    std::string EncodedText;
};

// The scrambler's fixed key, which callers pass to ProtectText / UnprotectText and the scrambler.
inline constexpr std::string_view kEasyEncodeKey = "Nq4vTz8R";
// The scrambler's key of the company's data password ("データパスワードV2").
inline constexpr std::string_view kDataPasswordKey = "tuvesko";

// Result: the protected text, or empty when Text is blank, does not fit the library's buffers or
// has no CP932 form. Key and KeyLength are accepted for the callers' sake and have no effect.
void ProtectText(std::string_view Text, std::string_view Key, int KeyLength, std::string& Result);
// Result: the restored text, or empty when Text is blank or not an intact protected text.
void UnprotectText(std::string_view Text, std::string_view Key, int KeyLength, std::string& Result);

// Lengths 0, clear and scrambled texts empty; the key is not touched.
void InitEasyEncodeInfo(TEasyEncodeInfo& Info);
// Fills EncodedText from ClearText (padded with A, B, ... to TotalLength) and Key; returns 1.
int EasyEncode(TEasyEncodeInfo& Info);
// Fills ClearText with at most RestoreCount characters restored from EncodedText; returns true.
bool EasyDecode(TEasyEncodeInfo& Info);

// The text without " * , / : ; < > ? \ | (whole characters only).
std::string DelFileNameChars(std::string_view Text);

// Test seam: the protection library's entry point (platform::P_Check1 unless replaced).
using ProtectionEntry = std::int32_t (*)(const char* text, const char* mode, char* result, char* spare);
void setProtectionEntry(ProtectionEntry entry); // nullptr restores the default
