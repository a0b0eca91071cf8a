#pragma once

#include <cstddef>
#include <cstdint>

// Our stand-in for the closed text-protection library, with its call shape and modes.
namespace platform {

inline constexpr std::size_t kProtectBufferSize = 256;
// Longest input (bytes) that mode "160" protects; the protected text must fit the result buffer.
inline constexpr std::size_t kProtectMaxInput = 124;

// text: zero-terminated input; mode: "160" protects, "161" restores; result and spare: buffers of
// kProtectBufferSize bytes (spare is not used). Returns 1 and leaves the zero-terminated output in
// result on success; returns 0 (result left zeroed by the caller) for an unknown mode, an input
// too long to protect, or a text that is not an intact protected text. Never writes beyond
// kProtectBufferSize bytes.
std::int32_t P_Check1(const char* text, const char* mode, char* result, char* spare);

} // namespace platform
