#pragma once

// Private to the firebird library: the client API and the helpers around its status vector.
#include "firebird/DatabaseError.h"

#include <ibase.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace firebird::detail {

static_assert(sizeof(FB_API_HANDLE) == sizeof(std::uint32_t), "handles are stored as uint32");

struct Status {
    ISC_STATUS_ARRAY vector{};
    ISC_STATUS* get() { return vector; }
    bool failed() const { return vector[0] == 1 && vector[1] != 0; }
};

// The error held by a failed status vector.
DatabaseError makeError(const ISC_STATUS* status, std::string context);
// Throws the status vector's error when it holds one.
inline void check(Status& status, const char* context)
{
    if (status.failed())
        throw makeError(status.vector, context);
}

// Engine bytes (connection character set SJIS_0208) to UTF-8 without failing: bytes that are
// not CP932 are shown as '?'. Used for messages and other texts that must never throw.
std::string lenientFromCp932(std::string_view bytes);

// Parameter-buffer builders.
void addString(std::string& buffer, char tag, std::string_view value);
void addString2(std::string& buffer, char tag, std::string_view value); // 2-byte length (SPB)
void addInt32(std::string& buffer, char tag, std::uint32_t value);    // SPB: no length byte
void addDpbInt32(std::string& buffer, char tag, std::uint32_t value); // DPB: length byte 4

} // namespace firebird::detail
