#pragma once

#include "platform/CoreTypes.h"

#include <stdexcept>
#include <string>
#include <string_view>

// Date-time texts by format letters, the ones the program's format strings and stored texts use,
// with Japanese settings ("/" date separator, ":" time separator, Japanese month and day names)
// whatever the locale, so that texts read back compare equal on every machine.
namespace platform {

// Letters, case-insensitive: y/yy two-digit year, yyy+ four-digit year; m, mm month (minutes
// right after an hour), mmm/mmmm month name ("4月"); d, dd day, ddd/dddd day name ("月",
// "月曜日"), ddddd short date "yyyy/mm/dd", dddddd long date "yyyy年m月d日"; h, hh hour (24 h);
// n, nn minutes; s, ss seconds; z, zzz milliseconds; t "h:mm", tt "h:mm:ss"; c short date then
// the time when there is one; "/" and ":" the separators; text in '...' or "..." as it is; any
// other character as it is. Throws std::invalid_argument for a value outside years 1..9999.
std::string formatDateTime(std::string_view pattern, TDateTime value);

} // namespace platform
