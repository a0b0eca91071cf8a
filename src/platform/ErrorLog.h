#pragma once

#include <string>

// The program's error log "Vellum48_Error.log" in the user's documents folder: the report
// engine writes it, and so does every layer that has more to say than the screen shows.
namespace platform {

// Appends "yy/mm/dd hh:nn:ss  " + text as one CP932 line. Never throws: it runs inside event
// handlers; a failed write is reported once on the error stream.
void writeErrorLog(const std::string& text);

// The log's full native path, empty when there is no documents folder.
std::string errorLogPath();

// Texts with characters that have no CP932 form: those become "?" (logs must never fail on them).
std::string toCp932Lossy(const std::string& utf8);

} // namespace platform
