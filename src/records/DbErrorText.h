#pragma once

#include <cstdint>
#include <string>

// A short Japanese explanation of a Firebird status code for the operator and the logs, or a
// single blank " " when the code has none (log lines keep their field). Two codes explain only
// together with one SQL code: 335544788 with -901, 336330817 with -902.
std::string DbErrorText(std::int32_t StatusCode, std::int32_t SQLCode);

namespace records_detail {
// The number of status codes with an explanation (for tests).
std::size_t dbErrorTextCount();
// The code at position i of the table, in ascending order.
std::int32_t dbErrorTextCode(std::size_t i);
} // namespace records_detail
