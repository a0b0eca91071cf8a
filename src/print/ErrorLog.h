// The report engine's error log "Vellum48_Error.log" in the user's documents folder.
#pragma once

#include <string>

namespace print {

// Special folder ids the engine asks for.
inline constexpr int CSIDL_PERSONAL = 0x0005;

// Appends "yy/mm/dd hh:nn:ss  " + text as one CP932 line. Never throws: it runs inside event
// handlers; a failed write is reported once on the error stream.
void WriteErrorLog(const std::string& text);

// The native path of a special folder of the user (not created); empty when unknown.
void SpecialFolder(int folderId, std::string& path);

// The log's full native path, empty when there is no documents folder.
std::string errorLogPath();

// Texts with characters that have no CP932 form: those become "?" (logs must never fail on them).
std::string toCp932Lossy(const std::string& utf8);

} // namespace print
